#include "gui/qt/message_box_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "gui/qt/icon_library.h"
#include "gui/qt/text_edge.h"
#include "runtime/window/message_box.h"

namespace vantrel::qt {
namespace {

constexpr int kIconSide = 32;
// A line wider than this share of the screen wraps.
constexpr double kMaxTextShare = 0.5;
constexpr int kSpacing = 12;
constexpr int kMargin = 16;

QString JoinLines(const std::vector<std::string>& lines) {
  QStringList shown;
  for (const std::string& line : lines) shown << FromRuntime(line);
  return shown.join(QChar('\n'));
}

}  // namespace

MessageBoxDialog::MessageBoxDialog(const MessageBoxRequest& request,
                                   QWidget* owner)
    : QDialog(owner) {
  setWindowTitle(request.caption.empty()
                     ? QApplication::applicationDisplayName()
                     : FromRuntime(request.caption));
  setWindowModality(Qt::ApplicationModal);

  auto* text = new QLabel(JoinLines(request.lines));
  text->setTextFormat(Qt::PlainText);
  text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  QFont font = text->font();
  font.setBold(request.font_bold);
  text->setFont(font);
  int widest = text->sizeHint().width();
  int limit =
      static_cast<int>(screen()->availableGeometry().width() * kMaxTextShare);
  if (widest > limit) {
    text->setWordWrap(true);
    text->setMinimumWidth(limit);
  }

  auto* body = new QHBoxLayout;
  body->setSpacing(kSpacing);
  QIcon icon = LookUpIcon(request.icon);
  if (!icon.isNull()) {
    auto* picture = new QLabel;
    picture->setPixmap(
        icon.pixmap(QSize(kIconSide, kIconSide), devicePixelRatioF()));
    picture->setAlignment(Qt::AlignTop);
    body->addWidget(picture, 0, Qt::AlignTop);
  }
  body->addWidget(text, 1, Qt::AlignVCenter);

  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (std::size_t i = 0; i < request.buttons.size(); ++i) {
    const MessageBoxButton& wanted = request.buttons[i];
    auto* button = new QPushButton(FromRuntime(wanted.text));
    int mask = wanted.mask;
    connect(button, &QPushButton::clicked, this,
            [this, mask] { Answer(mask); });
    if (mask == kButtonCancel) cancel_mask_ = mask;
    row->addWidget(button);
    buttons_.push_back(button);
  }
  row->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  layout->setSpacing(kSpacing + kSpacing / 2);
  layout->addLayout(body);
  layout->addLayout(row);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  if (request.default_button < buttons_.size()) {
    QPushButton* chosen = buttons_[request.default_button];
    chosen->setDefault(true);
    chosen->setFocus(Qt::OtherFocusReason);
  }
}

void MessageBoxDialog::Answer(int mask) {
  answer_ = mask;
  done(mask != 0 ? Accepted : Rejected);
}

void MessageBoxDialog::reject() { Answer(cancel_mask_); }

void MessageBoxDialog::closeEvent(QCloseEvent* event) {
  event->accept();
  Answer(0);
}

int RunMessageBoxDialog(const MessageBoxRequest& request, QWidget* owner) {
  MessageBoxDialog box(request, owner);
  box.exec();
  return box.answer();
}

}  // namespace vantrel::qt
