// The runtime's bookkeeping shared by the files of this folder: the open
// windows, the thread slot table and the loop in progress.
//
// A thread slot stands for one thread of the program. The program runs on
// one operating-system thread; a child window opened with OpenChildWindow
// gets a slot of its own and its loop is run cooperatively whenever the
// waiting loop of another slot has nothing to do, so the rules between
// threads (posting to thread n, Suspend and Resume, closing children) hold.
#ifndef VANTREL_RUNTIME_WINDOW_WINDOW_RUNTIME_INTERNAL_H_
#define VANTREL_RUNTIME_WINDOW_WINDOW_RUNTIME_INTERNAL_H_

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "runtime/window/window_model.h"

namespace vantrel {

struct ThreadSlot {
  bool used = false;
  std::vector<Window*> windows;  // opened on this thread; the top is last
  std::int32_t key_code = 0;     // the latest keyboard input
  std::uint8_t key_state = 0;
  std::uint8_t key_char = 0;
};

struct WindowRuntime {
  std::vector<std::unique_ptr<Window>> windows;  // every open window
  std::vector<ThreadSlot> slots;                 // slot 0: the main thread
  int current_slot = 0;                          // the slot whose code runs now
  Window* active = nullptr;        // the application's active window
  Window* last_active = nullptr;   // the active window at the last pass
  Window* last_taker = nullptr;    // the window that took the last event
  LoopOutcome* outcome = nullptr;  // of the body running now
};

WindowRuntime& Runtime();

bool IsOpen(const Window* window);
// The top window of a slot; nullptr when it has none.
Window* TopWindow(int slot);
ThreadSlot& SlotOf(const Window& window);

// An event for the window as posted now. With a cause, the key and mouse
// fields are copied from it.
WindowEvent MakeEvent(const Window& window, std::int32_t event,
                      std::int16_t control, const WindowEvent* cause = nullptr);
// Appends an event as the program posts it. With a cause, the key and mouse
// fields are copied from it.
void AppendEvent(Window& window, std::int32_t event, std::int16_t control,
                 const WindowEvent* cause = nullptr);
// Posts a field event the runtime makes itself: it goes to the nearest
// control that takes events and is dropped when that control is disabled or
// hidden.
void PostFieldEvent(Window& window, std::int32_t event, std::int16_t control,
                    const WindowEvent* cause = nullptr);

// Moves the focus; leaving an edited entry reads it back first (Accepted or
// Rejected follows), the new control is posted Selected.
void MoveFocus(Window& window, std::int16_t control);

// Reads an entry's text back through its picture into its variable.
// Completing also refuses a blank value of a required entry. False, and the
// variable unchanged, when the value is refused.
bool ReadBackEntry(Window& window, ControlState& control, bool completing);

// Shows a control's variable in it (value, check state or choice).
void DisplayControl(Window& window, ControlState& control);

// Destroys a window: its native side, its children, and every reference to
// it.
void DestroyWindow(Window* window);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_WINDOW_RUNTIME_INTERNAL_H_
