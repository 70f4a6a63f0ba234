// The current event and posting events. The accessors read the current
// event of the thread's top window; outside any loop there is none.
#ifndef VANTREL_RUNTIME_WINDOW_EVENTS_H_
#define VANTREL_RUNTIME_WINDOW_EVENTS_H_

#include <cstdint>

#include "runtime/window/event_numbers.h"
#include "runtime/window/window_model.h"

namespace vantrel {

// The current event's number (internal number - kEventBase); 0: none.
std::int32_t CurrentEvent();
// The event as the runtime keeps it; nullptr when there is none.
const WindowEvent* CurrentWindowEvent();
// The control the current event concerns; 0 for a window event.
std::int16_t EventField();
// EventField() when the current event is Accepted, else 0.
std::int16_t AcceptedField();
// The control that last received Selected in the top window.
std::int16_t SelectedField();
std::int32_t EventMouseX();
std::int32_t EventMouseY();
// The key code of the current event (the latest key when it was posted).
std::int32_t EventKeyCode();

// The current thread's latest keyboard input, and setting it (a procedure
// clears a key that only opened its window, so the window does not act on
// it again).
std::int32_t KeyCode();
void SetKeyCode(std::int32_t key_code);

// Appends event (+ kEventBase) for the control (0: a window event) to the
// top window of the thread (0: the current thread, n: slot n - 1). Nothing
// happens when that thread has no window.
void PostEvent(std::int32_t event, std::int16_t control = 0, int thread = 0);

// The thread's top window; nullptr when none is open.
Window* TopWindow();
// The application's active window; nullptr when none is open.
Window* ActiveWindow();
// The number of the current thread (1 for the main thread).
int ThreadNumber();

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_EVENTS_H_
