// The message box, built here rather than taken from Qt, whose boxes put
// buttons in an order of their own: the runtime's lines, one after the
// other; its icon; its buttons in its order, with its default button.
// Escape answers Cancel when the box has that button; closing the box
// otherwise answers 0, which the runtime turns into its closing answer.
#ifndef VANTREL_GUI_QT_MESSAGE_BOX_DIALOG_H_
#define VANTREL_GUI_QT_MESSAGE_BOX_DIALOG_H_

#include <QDialog>
#include <vector>

#include "runtime/window/gui_backend.h"

class QPushButton;

namespace vantrel::qt {

class MessageBoxDialog : public QDialog {
 public:
  MessageBoxDialog(const MessageBoxRequest& request, QWidget* owner);

  // The mask of the button pressed; 0 when closed without one.
  int answer() const { return answer_; }
  // The buttons in the order shown.
  const std::vector<QPushButton*>& buttons() const { return buttons_; }

  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void Answer(int mask);

  std::vector<QPushButton*> buttons_;
  int cancel_mask_ = 0;  // Cancel's mask when the box has it, else 0
  int answer_ = 0;
};

// Shows the box modally and returns its answer.
int RunMessageBoxDialog(const MessageBoxRequest& request, QWidget* owner);

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_MESSAGE_BOX_DIALOG_H_
