// Reporting what the user did. Widgets signal changes whether the user or
// the backend made them; while the backend shows the runtime's state
// (a ShowingScope is open) nothing is reported. WaitForInput returns once a
// report has been made.
#ifndef VANTREL_GUI_QT_INPUT_REPORT_H_
#define VANTREL_GUI_QT_INPUT_REPORT_H_

namespace vantrel::qt {

class ShowingScope {
 public:
  ShowingScope();
  ~ShowingScope();
  ShowingScope(const ShowingScope&) = delete;
  ShowingScope& operator=(const ShowingScope&) = delete;
};

// Whether the backend is changing widgets itself.
bool Showing();

// Notes that user input was reported.
void NoteInput();
// Whether input was reported since the last call; clears the note.
bool TakeInput();

// Runs `report` (calls of runtime/window/user_input.h) unless the backend is
// showing, and notes the input.
template <typename Report>
void ReportInput(Report report) {
  if (Showing()) return;
  report();
  NoteInput();
}

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_INPUT_REPORT_H_
