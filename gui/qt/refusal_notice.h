// The polite notice shown when the user types or pastes a character that
// the runtime's text cannot hold: a tip beside the field, and nothing
// stored.
#ifndef VANTREL_GUI_QT_REFUSAL_NOTICE_H_
#define VANTREL_GUI_QT_REFUSAL_NOTICE_H_

#include <QString>

class QWidget;
class QValidator;

namespace vantrel::qt {

void ShowRefusal(QWidget* field, const QString& character);
// The last notice shown (for tests and for the demo's status line).
QString LastRefusal();
void ClearLastRefusal();

// A validator that refuses text with such a character and shows the notice
// at `field`.
QValidator* MakeWindows1252Validator(QWidget* field);

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_REFUSAL_NOTICE_H_
