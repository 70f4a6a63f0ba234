// Prompts and strings, buttons and check boxes, options and their radio
// buttons, images and clickable regions.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "gui/qt/control_view.h"
#include "gui/qt/icon_library.h"
#include "gui/qt/input_report.h"
#include "gui/qt/text_edge.h"
#include "runtime/window/user_input.h"

namespace vantrel::qt {
namespace {

// Icon sizes a button picks from, largest first, and the room it keeps
// around its icon.
constexpr int kIconSizes[] = {32, 24, 20, 16};
constexpr int kIconPadding = 4;

// The text of a tip or tool tip: the mnemonic marks dropped.
QString WithoutMnemonic(QString text) {
  text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  text.remove(QChar('&'));
  text.replace(QChar('\x01'), QChar('&'));
  return text;
}

// A click reads back the entry being edited first, as moving the focus
// would.
void ReportClick(Window& window, std::int16_t number) {
  ReportInput([&] {
    UserFinishEditing(window);
    UserClick(window, number);
  });
}

// Tool buttons show their icon at the largest size that fits them.
class IconButton : public QToolButton {
 public:
  using QToolButton::QToolButton;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    int room = std::min(width(), height()) - kIconPadding;
    int size = kIconSizes[std::size(kIconSizes) - 1];
    for (int candidate : kIconSizes) {
      if (candidate <= room) {
        size = candidate;
        break;
      }
    }
    setIconSize(QSize(size, size));
    QToolButton::resizeEvent(event);
  }
};

class LabelView : public ControlView {
 public:
  LabelView(ViewHost& host, const ControlState& state)
      : ControlView(host, state), label_(new QLabel(host.canvas())) {
    label_->setTextFormat(Qt::PlainText);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (state.kind() == ControlKind::kString) TagWidget(label_, number_);
  }
  QWidget* widget() const override { return label_; }
  void Show(const ControlState& state, bool visible, bool enabled) override {
    label_->setText(FromRuntime(state.value));
    ShowVisibleEnabled(label_, visible, enabled);
  }

 private:
  QLabel* label_;
};

class ButtonView : public ControlView {
 public:
  ButtonView(ViewHost& host, const ControlState& state)
      : ControlView(host, state) {
    const ControlDescription& d = state.description;
    if (state.kind() == ControlKind::kCheck) {
      button_ = new QCheckBox(host.canvas());
    } else if (d.text.empty() && !d.icon.empty()) {
      auto* tool = new IconButton(host.canvas());
      tool->setAutoRaise(true);
      tool->setToolButtonStyle(Qt::ToolButtonIconOnly);
      // Like a tool bar's buttons, it leaves the focus where it is and is
      // not a stop of the Tab key.
      tool->setFocusPolicy(Qt::NoFocus);
      button_ = tool;
    } else {
      auto* push = new QPushButton(host.canvas());
      push->setDefault(d.completes);
      button_ = push;
    }
    if (!d.icon.empty()) button_->setIcon(LookUpIcon(d.icon));
    if (!d.tip.empty()) button_->setToolTip(FromRuntime(d.tip));
    TagWidget(button_, number_);
    QObject::connect(button_, &QAbstractButton::clicked,
                     [this] { ReportClick(window(), number_); });
  }
  QWidget* widget() const override { return button_; }
  void Show(const ControlState& state, bool visible, bool enabled) override {
    ShowingScope showing;
    if (state.kind() == ControlKind::kCheck) {
      button_->setText(FromRuntime(state.description.text));
      button_->setChecked(state.value == kChecked);
    } else {
      button_->setText(FromRuntime(state.value));
    }
    ShowVisibleEnabled(button_, visible, enabled);
  }

 private:
  QAbstractButton* button_;
};

// An option: a frame (titled when it has a text) around its radio buttons,
// which form one group.
class OptionView : public ControlView {
 public:
  OptionView(ViewHost& host, const ControlState& state)
      : ControlView(host, state), group_(new QButtonGroup(nullptr)) {
    if (!state.description.text.empty()) {
      frame_ = new QGroupBox(host.canvas());
    } else {
      frame_ = new QWidget(host.canvas());
    }
    group_->setExclusive(true);
  }
  ~OptionView() override { delete group_; }
  QWidget* widget() const override { return frame_; }
  void Show(const ControlState& state, bool visible, bool enabled) override {
    if (auto* box = qobject_cast<QGroupBox*>(frame_))
      box->setTitle(FromRuntime(state.value));
    ShowVisibleEnabled(frame_, visible, enabled);
  }
  QButtonGroup* group() const { return group_; }

 private:
  QWidget* frame_;
  QButtonGroup* group_;
};

// A radio button; one with an icon is a compact toggle button (a letter
// of a letter selector).
class RadioView : public ControlView {
 public:
  RadioView(ViewHost& host, const ControlState& state)
      : ControlView(host, state), option_(state.description.parent) {
    const ControlDescription& d = state.description;
    if (!d.icon.empty()) {
      auto* tool = new IconButton(host.canvas());
      tool->setAutoRaise(true);
      tool->setCheckable(true);
      tool->setIcon(LookUpIcon(d.icon));
      // A row of letters would be 26 stops of the Tab key; typing into
      // the list finds an entry by its letters instead.
      tool->setFocusPolicy(Qt::NoFocus);
      if (!d.text.empty())
        tool->setToolTip(WithoutMnemonic(FromRuntime(d.text)));
      button_ = tool;
    } else {
      button_ = new QRadioButton(host.canvas());
    }
    TagWidget(button_, number_);
    if (auto* option = dynamic_cast<OptionView*>(host.View(option_)))
      option->group()->addButton(button_);
    QObject::connect(button_, &QAbstractButton::clicked, [this] {
      ReportClick(window(), number_);
      // The option's choice decides what is checked, whatever the click did.
      host_.Refresh(option_);
    });
  }
  QWidget* widget() const override { return button_; }
  void Show(const ControlState& state, bool visible, bool enabled) override {
    ShowingScope showing;
    if (qobject_cast<QRadioButton*>(button_))
      button_->setText(FromRuntime(state.value));
    SetChecked(Index() != 0 && Index() == Choice());
    ShowVisibleEnabled(button_, visible, enabled);
  }

 private:
  // The 1-based place of this button among its option's radio buttons.
  int Index() const {
    int index = 0;
    for (const ControlState& control : window().controls()) {
      if (control.kind() != ControlKind::kRadio ||
          control.description.parent != option_)
        continue;
      ++index;
      if (control.number() == number_) return index;
    }
    return 0;
  }
  int Choice() const {
    const ControlState* option = window().Find(option_);
    return option == nullptr ? 0 : option->choice;
  }
  void SetChecked(bool checked) {
    if (button_->isChecked() == checked) return;
    QButtonGroup* group = button_->group();
    // An exclusive group keeps one button checked; none is checked when
    // the option has no choice.
    if (group != nullptr && !checked) group->setExclusive(false);
    button_->setChecked(checked);
    if (group != nullptr && !checked) group->setExclusive(true);
  }

  std::int16_t option_;
  QAbstractButton* button_;
};

// An image: the icon drawn at the label's size and the screen's pixel
// ratio.
class ImageLabel : public QLabel {
 public:
  using QLabel::QLabel;
  void SetIconName(const std::string& name) {
    if (name == name_) return;
    name_ = name;
    icon_ = LookUpIcon(name);
    Render();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    Render();
  }

 private:
  void Render() {
    if (icon_.isNull()) {
      clear();
      return;
    }
    int side = std::max(1, std::min(width(), height()));
    setPixmap(icon_.pixmap(QSize(side, side), devicePixelRatioF()));
  }
  std::string name_;
  QIcon icon_;
};

class ImageView : public ControlView {
 public:
  ImageView(ViewHost& host, const ControlState& state)
      : ControlView(host, state), image_(new ImageLabel(host.canvas())) {
    image_->setAlignment(Qt::AlignCenter);
  }
  QWidget* widget() const override { return image_; }
  void Show(const ControlState& state, bool visible, bool enabled) override {
    image_->SetIconName(state.description.icon);
    ShowVisibleEnabled(image_, visible, enabled);
  }

 private:
  ImageLabel* image_;
};

// A clickable region: transparent, over whatever lies below it.
class RegionWidget : public QWidget {
 public:
  RegionWidget(QWidget* parent, std::function<void()> on_click)
      : QWidget(parent), on_click_(std::move(on_click)) {
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::PointingHandCursor);
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) on_click_();
  }

 private:
  std::function<void()> on_click_;
};

class RegionView : public ControlView {
 public:
  RegionView(ViewHost& host, const ControlState& state)
      : ControlView(host, state),
        region_(new RegionWidget(host.canvas(),
                                 [this] { ReportClick(window(), number_); })) {
    TagWidget(region_, number_);
  }
  QWidget* widget() const override { return region_; }
  void Show(const ControlState&, bool visible, bool enabled) override {
    ShowVisibleEnabled(region_, visible, enabled);
    region_->raise();
  }

 private:
  RegionWidget* region_;
};

}  // namespace

std::unique_ptr<ControlView> MakeLabelView(ViewHost& host,
                                           const ControlState& state) {
  return std::make_unique<LabelView>(host, state);
}
std::unique_ptr<ControlView> MakeButtonView(ViewHost& host,
                                            const ControlState& state) {
  return std::make_unique<ButtonView>(host, state);
}
std::unique_ptr<ControlView> MakeOptionView(ViewHost& host,
                                            const ControlState& state) {
  return std::make_unique<OptionView>(host, state);
}
std::unique_ptr<ControlView> MakeRadioView(ViewHost& host,
                                           const ControlState& state) {
  return std::make_unique<RadioView>(host, state);
}
std::unique_ptr<ControlView> MakeImageView(ViewHost& host,
                                           const ControlState& state) {
  return std::make_unique<ImageView>(host, state);
}
std::unique_ptr<ControlView> MakeRegionView(ViewHost& host,
                                            const ControlState& state) {
  return std::make_unique<RegionView>(host, state);
}

}  // namespace vantrel::qt
