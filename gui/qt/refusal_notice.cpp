#include "gui/qt/refusal_notice.h"

#include <QPointer>
#include <QToolTip>
#include <QValidator>
#include <QWidget>

#include "gui/qt/text_edge.h"

namespace vantrel::qt {
namespace {

constexpr int kNoticeMilliseconds = 6000;

QString& Last() {
  static QString last;
  return last;
}

class Windows1252Validator : public QValidator {
 public:
  explicit Windows1252Validator(QWidget* field)
      : QValidator(field), field_(field) {}

  State validate(QString& input, int&) const override {
    QString refused = FirstRefusedCharacter(input);
    if (refused.isEmpty()) return Acceptable;
    if (field_ != nullptr) ShowRefusal(field_, refused);
    return Invalid;
  }

 private:
  QPointer<QWidget> field_;
};

}  // namespace

void ShowNotice(QWidget* field, const QString& message) {
  Last() = message;
  QPoint below = field->mapToGlobal(QPoint(0, field->height()));
  QToolTip::showText(below, message, field, QRect(), kNoticeMilliseconds);
}

void ShowRefusal(QWidget* field, const QString& character) {
  ShowNotice(field, RefusalMessage(character));
}

QString CapacityMessage(int characters) {
  return QStringLiteral("This field holds at most %1 characters.")
      .arg(characters);
}

QString LastRefusal() { return Last(); }
void ClearLastRefusal() { Last().clear(); }

QValidator* MakeWindows1252Validator(QWidget* field) {
  return new Windows1252Validator(field);
}

}  // namespace vantrel::qt
