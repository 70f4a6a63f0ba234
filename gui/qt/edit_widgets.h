// The editing widgets: a one-line entry and a multi-line text that show a
// control's value and report the user's editing. Characters that the
// runtime's text cannot hold are refused with a notice. An entry whose
// picture is a key-in template, a pattern, a date or a time is typed
// through the picture: each key goes to the runtime, which decides what the
// entry shows.
#ifndef VANTREL_GUI_QT_EDIT_WIDGETS_H_
#define VANTREL_GUI_QT_EDIT_WIDGETS_H_

#include <QLineEdit>
#include <QPlainTextEdit>
#include <cstdint>

#include "gui/qt/text_edge.h"
#include "runtime/window/window_model.h"

namespace vantrel::qt {

class EntryEdit : public QLineEdit {
 public:
  EntryEdit(Window& window, const ControlState& state, QWidget* parent);

  // Shows the control's value, and its caret or selection when focused.
  void Show(const ControlState& state);
  bool types_by_picture() const { return by_picture_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  ControlState* State() const { return window_.Find(number_); }
  void TypeByPicture(const QString& text);
  // Picture entries: the value positions of [from, to) go back to blanks.
  void BlankPositions(int from, int to, int caret);
  void ReportEdit();
  void ReportCaret();

  Window& window_;
  std::int16_t number_;
  TextShape shape_;
  bool by_picture_;
  int lead_ = 0;  // blanks before the shown text in the runtime's value
};

// How many characters the control's variable holds (its picture's width
// for a string picture); 0 when there is no such limit.
int CapacityOf(const ControlState& state);

class TextEdit : public QPlainTextEdit {
 public:
  TextEdit(Window& window, const ControlState& state, QWidget* parent);

  void Show(const ControlState& state);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  void ReportEdit();
  void ReportCaret();

  Window& window_;
  std::int16_t number_;
  int capacity_;          // runtime characters the text holds; 0: any
  QString last_fitting_;  // the text before an edit that did not fit
  int last_cursor_ = 0;
};

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_EDIT_WIDGETS_H_
