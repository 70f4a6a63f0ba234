// The polite notice shown when the user types or pastes a character that
// the runtime's text cannot hold, or more text than the field holds: a tip
// beside the field, and nothing stored.
#ifndef VANTREL_GUI_QT_REFUSAL_NOTICE_H_
#define VANTREL_GUI_QT_REFUSAL_NOTICE_H_

#include <QString>

class QWidget;
class QValidator;

namespace vantrel::qt {

void ShowRefusal(QWidget* field, const QString& character);
// Any other notice about what a field cannot take.
void ShowNotice(QWidget* field, const QString& message);
// The notice for text beyond what the field holds.
QString CapacityMessage(int characters);
// The last notice shown (for tests and for the demo's status line).
QString LastRefusal();
void ClearLastRefusal();

// A validator that refuses text with such a character and shows the notice
// at `field`.
QValidator* MakeWindows1252Validator(QWidget* field);

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_REFUSAL_NOTICE_H_
