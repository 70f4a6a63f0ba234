// The statements that drive windows and their controls. They act on the
// thread's top window; control ranges take a first and a last number, a
// last number of 0 meaning the first control alone.
#ifndef VANTREL_RUNTIME_WINDOW_WINDOW_STATEMENTS_H_
#define VANTREL_RUNTIME_WINDOW_WINDOW_STATEMENTS_H_

#include <cstdint>

#include "runtime/window/window_description.h"
#include "runtime/window/window_model.h"

namespace vantrel {

// Creates the window on the current thread, shows its variables, makes it
// the top and active window and posts OpenWindow.
Window& OpenWindow(const WindowDescription& description);
// Destroys the window (default: the top window) with its children. A window
// whose loop runs is closed when the loop has ended.
void CloseWindow(Window* window = nullptr);

// Moves and sizes the window's normal form and maximizes, iconizes or
// restores it, as the placement says.
void PlaceWindow(Window& window, const WindowPlacement& placement);

// Shows the current values of the controls' variables; without a range,
// of every control.
void Display();
void Display(std::int16_t first, std::int16_t last = 0);

void Enable(std::int16_t first, std::int16_t last = 0);
void Disable(std::int16_t first, std::int16_t last = 0);
void HideControl(std::int16_t first, std::int16_t last = 0);
void UnhideControl(std::int16_t first, std::int16_t last = 0);

// Moves the focus to the control. With a start: selects the characters
// start..end of a text or entry, the tab `start` of a sheet, or the entry
// `start` of a list.
void Select(std::int16_t control, int start = 0, int end = 0);
void FocusControl(std::int16_t control);

// The 1-based selected entry of a list, tab of a sheet or button of an
// option; 0 when nothing is selected.
int Choice(std::int16_t control);

// Creates a hidden control while the window is open, as a child of
// `parent` (a tab: of its sheet). False when the number is 0 or taken.
bool CreateControl(std::int16_t number, ControlKind kind,
                   std::int16_t parent = 0);
// Removes the control and the controls inside it; nothing when missing.
void DestroyControl(std::int16_t number);

// Completes the window: every entry is accepted in turn, then Completed is
// posted; an entry that refuses its value ends the pass and takes the focus.
void AcceptAll();

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_WINDOW_STATEMENTS_H_
