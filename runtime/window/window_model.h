// The window model: the live state of an open window and its controls, and
// the event bookkeeping the accept loop keeps per window.
#ifndef VANTREL_RUNTIME_WINDOW_WINDOW_MODEL_H_
#define VANTREL_RUNTIME_WINDOW_WINDOW_MODEL_H_

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/picture/picture.h"
#include "runtime/window/window_description.h"

namespace vantrel {

class Window;

// The value of a check box.
inline constexpr std::string_view kChecked = "1";
inline constexpr std::string_view kUnchecked = "0";

// One queued event.
struct WindowEvent {
  Window* window = nullptr;   // the window it belongs to
  std::int32_t number = 0;    // internal number (event + kEventBase)
  int thread_slot = 0;        // the thread slot of the window
  std::int16_t control = 0;   // the control it concerns; 0: window event
  std::int16_t focus = 0;     // the control holding the focus when posted
  std::int32_t key_code = 0;  // the thread's latest keyboard input
  std::uint8_t key_state = 0;
  std::uint8_t key_char = 0;
  std::int32_t mouse_x = 0;  // mouse position at posting, window units
  std::int32_t mouse_y = 0;
};

// The live state of one control.
struct ControlState {
  ControlDescription description;
  Picture picture;    // compiled description.picture
  std::string value;  // the text shown (entries: as edited)
  bool enabled = true;
  bool hidden = false;
  int choice = 0;           // 1-based list entry, tab or radio button; 0 none
  int selection_start = 0;  // 1-based; 0: no selection
  int selection_end = 0;
  int caret = 1;        // 1-based caret position in the text
  bool edited = false;  // typed into since it took the focus
  ListSource list;      // lists: the queue shown
  std::map<std::int64_t, std::string> properties;  // others, by number

  std::int16_t number() const { return description.number; }
  ControlKind kind() const { return description.kind; }
};

// What the loop does after the body.
enum class LoopOutcome { kNormal, kCycle, kBreak };

// Where a window stands: the position and size of its normal (restored)
// form in dialog units, and whether it is maximized or iconized now. A
// maximized or iconized window keeps its normal placement for its restore.
struct WindowPlacement {
  Layout normal;
  bool maximized = false;
  bool iconized = false;

  bool operator==(const WindowPlacement&) const = default;
};

// The closing state of a window.
enum class ClosingState {
  kOpen = 0,
  kClosingChildren = 1,
  kCloseRequested = 2
};

using LoopBody = std::function<void()>;

// An open window: its controls and its event state.
class Window {
 public:
  explicit Window(const WindowDescription& description);

  const WindowDescription& description() const { return description_; }

  ControlState* Find(std::int16_t number);
  const ControlState* Find(std::int16_t number) const;
  // Controls in the order of the description, created ones at the end.
  std::vector<ControlState>& controls() { return controls_; }
  const std::vector<ControlState>& controls() const { return controls_; }
  // The control that events for `number` go to: itself or its nearest
  // enclosing control that takes events; 0 when none does.
  std::int16_t EventTarget(std::int16_t number) const;
  // Whether the user can reach the control: it and every control enclosing
  // it are enabled and shown.
  bool Usable(std::int16_t number) const;
  // The tabs of a sheet, in order.
  std::vector<const ControlState*> TabsOf(std::int16_t sheet) const;

  std::string title;
  std::string icon;
  int timer_interval = 0;    // hundredths of a second; 0: no timer
  WindowPlacement placement;  // starts as the description's layout
  std::int16_t focus = 0;    // the control holding the focus
  std::int32_t mouse_x = 0;  // latest mouse position reported
  std::int32_t mouse_y = 0;
  void* native = nullptr;  // the backend's own handle

  // Event state.
  std::deque<WindowEvent> pending;     // first in, first out
  std::optional<WindowEvent> current;  // the event being handled
  bool timer_pending = false;          // a Timer event waits in `pending`
  bool timer_running = false;
  ClosingState closing = ClosingState::kOpen;
  std::int16_t selected_control = 0;  // last to receive Selected
  bool accept_all = false;            // an accept-all pass is in progress
  std::size_t accept_all_next = 0;    // index of the next control to check
  bool suspended = false;
  int thread_slot = 0;

  // The loop.
  LoopBody body;                       // run once per event
  bool looping = false;                // the loop is running
  bool loop_ended = false;             // the loop ends after this pass
  bool in_body = false;                // the body is running now
  bool body_owned_by_runtime = false;  // a child: closed when its loop ends
  bool close_after_loop = false;  // closed while its loop ran: close at end

  // Frame and child windows.
  Window* frame = nullptr;
  std::vector<Window*> children;

 private:
  WindowDescription description_;
  std::vector<ControlState> controls_;
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_WINDOW_MODEL_H_
