#include "runtime/window/accept_loop.h"

#include <algorithm>
#include <optional>

#include "runtime/data/base/fatal_report.h"
#include "runtime/window/event_numbers.h"
#include "runtime/window/events.h"
#include "runtime/window/gui_backend.h"
#include "runtime/window/window_runtime_internal.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

enum class StepResult { kHandled, kIdle, kEnded };

bool Is(const WindowEvent& event, std::int32_t number) {
  return event.number == InternalEventNumber(number);
}

// Step 1: a change of the active window since the last pass.
void CheckActivation() {
  WindowRuntime& rt = Runtime();
  if (rt.active == rt.last_active) return;
  if (IsOpen(rt.last_active)) AppendEvent(*rt.last_active, kEventLoseFocus, 0);
  if (IsOpen(rt.active)) AppendEvent(*rt.active, kEventGainFocus, 0);
  rt.last_active = rt.active;
}

bool NeedsAcceptance(const ControlState& control) {
  return KindIsEditable(control.kind()) && control.enabled && !control.hidden &&
         control.description.variable.bound();
}

// Step 3: the next event of an accept-all pass. Nothing when the pass ended
// (a control refused its value, or Completed was posted).
std::optional<WindowEvent> NextAcceptAllEvent(Window& window) {
  const WindowEvent* cause = window.current ? &*window.current : nullptr;
  while (window.accept_all_next < window.controls().size()) {
    ControlState& control = window.controls()[window.accept_all_next++];
    if (!NeedsAcceptance(control)) continue;
    if (!ReadBackEntry(window, control, /*completing=*/true)) {
      window.accept_all = false;
      control.edited = false;  // refused here; leaving it reads it again
      MoveFocus(window, control.number());
      return std::nullopt;
    }
    control.edited = false;
    return MakeEvent(window, kEventAccepted, control.number(), cause);
  }
  window.accept_all = false;
  AppendEvent(window, kEventCompleted, 0, cause);
  return std::nullopt;
}

// Steps 2 and 3.
std::optional<WindowEvent> TakeEvent(Window& window) {
  for (;;) {
    if (!window.pending.empty()) {
      WindowEvent event = window.pending.front();
      window.pending.pop_front();
      return event;
    }
    if (!window.accept_all) return std::nullopt;
    if (auto event = NextAcceptAllEvent(window)) return event;
  }
}

// Suspend and Resume between windows of different threads.
void NoteTaker(Window& window, const WindowEvent& event) {
  if (Is(event, kEventSuspend) || Is(event, kEventResume)) return;
  WindowRuntime& rt = Runtime();
  if (window.suspended) {
    window.suspended = false;
    AppendEvent(window, kEventResume, 0, &event);
  }
  Window* other = rt.last_taker;
  if (other != &window && IsOpen(other) &&
      other->thread_slot != window.thread_slot && !other->suspended) {
    AppendEvent(*other, kEventSuspend, 0);
    other->suspended = true;
  }
  rt.last_taker = &window;
}

// Steps 5 and 6: events dropped when they are taken.
bool Dropped(Window& window, const WindowEvent& event) {
  if (Is(event, kEventSelected)) {
    return window.EventTarget(window.focus) != event.control &&
           window.focus != event.control;
  }
  if (Is(event, kEventTimer)) {
    window.timer_pending = false;
    return !window.timer_running;
  }
  return false;
}

LoopOutcome RunBody(Window& window) {
  WindowRuntime& rt = Runtime();
  LoopOutcome outcome = LoopOutcome::kNormal;
  LoopOutcome* saved = rt.outcome;
  rt.outcome = &outcome;
  window.in_body = true;
  if (window.body) window.body();
  window.in_body = false;
  rt.outcome = saved;
  return outcome;
}

// Step 8.
void DefaultAction(Window& window, const WindowEvent& event,
                   LoopOutcome outcome) {
  switch (event.number - kEventBase) {
    case kEventBuildFile:
    case kEventBuildKey:
    case kEventBuildDone:
    case kEventOpenFailed:
      window.loop_ended = true;
      break;
    case kEventCloseWindow:
      if (outcome != LoopOutcome::kCycle)
        window.closing = ClosingState::kCloseRequested;
      break;
    case kEventCloseDown: {
      if (outcome == LoopOutcome::kNormal)
        window.closing = ClosingState::kCloseRequested;
      Window* frame = window.frame;
      if (frame != nullptr && frame->closing == ClosingState::kClosingChildren)
        frame->closing = outcome == LoopOutcome::kCycle
                             ? ClosingState::kOpen
                             : ClosingState::kCloseRequested;
      break;
    }
    case kEventSelected:
      if (outcome == LoopOutcome::kNormal) {
        window.selected_control = event.control;
        if (const ControlState* control = window.Find(event.control))
          Backend().ShowControlState(window, *control);
      }
      break;
    default:
      break;
  }
}

bool CanCloseNow(const Window& child) {
  return TopWindow(child.thread_slot) == &child && !child.in_body &&
         child.closing == ClosingState::kOpen;
}

// Step 10. True when the loop ends.
bool ProgressClosing(Window& window) {
  if (window.closing != ClosingState::kCloseRequested) return false;
  if (window.children.empty()) {
    window.closing = ClosingState::kOpen;
    return true;
  }
  auto closable = std::find_if(window.children.begin(), window.children.end(),
                               [](Window* c) { return CanCloseNow(*c); });
  if (closable != window.children.end()) {
    AppendEvent(**closable, kEventCloseDown, 0,
                window.current ? &*window.current : nullptr);
    window.closing = ClosingState::kClosingChildren;
    return false;
  }
  bool some_closing =
      std::any_of(window.children.begin(), window.children.end(),
                  [](Window* c) { return c->closing != ClosingState::kOpen; });
  if (some_closing) return false;  // wait for them
  Backend().Beep();
  window.closing = ClosingState::kOpen;
  return false;
}

// One pass of the loop of `window`.
StepResult Step(Window& window) {
  if (window.loop_ended) return StepResult::kEnded;
  if (ProgressClosing(window)) return StepResult::kEnded;
  CheckActivation();
  std::optional<WindowEvent> event = TakeEvent(window);
  if (!event) return StepResult::kIdle;
  NoteTaker(window, *event);
  if (Dropped(window, *event)) return StepResult::kHandled;
  window.current = *event;
  LoopOutcome outcome = RunBody(window);
  if (outcome != LoopOutcome::kBreak) DefaultAction(window, *event, outcome);
  if (outcome == LoopOutcome::kBreak || ProgressClosing(window))
    window.loop_ended = true;
  return window.loop_ended ? StepResult::kEnded : StepResult::kHandled;
}

// Runs one pass for the loops of other threads that have something to do.
// True when any of them handled an event or ended.
bool RunOtherThreads(int waiting_slot) {
  WindowRuntime& rt = Runtime();
  bool progressed = false;
  for (int slot = 0; slot < static_cast<int>(rt.slots.size()); ++slot) {
    if (slot == waiting_slot) continue;
    Window* window = TopWindow(slot);
    if (window == nullptr || !window->looping || window->in_body) continue;
    // A child's loop has no caller waiting for it: its window closes here.
    // Any other ended loop waits for its caller, further down the stack.
    if (window->loop_ended) {
      if (window->body_owned_by_runtime) {
        DestroyWindow(window);
        progressed = true;
      }
      continue;
    }
    int saved = rt.current_slot;
    rt.current_slot = slot;
    StepResult result = Step(*window);
    rt.current_slot = saved;
    if (result == StepResult::kIdle) continue;
    progressed = true;
    if (result == StepResult::kEnded && window->body_owned_by_runtime)
      DestroyWindow(window);
  }
  return progressed;
}

}  // namespace

void AcceptLoop(LoopBody body) {
  Window* window = TopWindow();
  if (window == nullptr) {
    ReportFatalError(kErrAcceptNeedsWindow, kAcceptNeedsWindowText);
  }
  LoopBody saved_body = std::move(window->body);
  bool was_looping = window->looping;
  window->body = std::move(body);
  window->looping = true;
  window->loop_ended = false;
  for (;;) {
    StepResult result = Step(*window);
    if (result == StepResult::kEnded) break;
    if (result == StepResult::kHandled) continue;
    if (RunOtherThreads(window->thread_slot)) continue;
    if (!Backend().WaitForInput()) break;
  }
  window->looping = was_looping;
  window->loop_ended = false;
  window->body = std::move(saved_body);
  window->current.reset();
  window->closing = ClosingState::kOpen;
  if (window->close_after_loop) DestroyWindow(window);
}

void SkipDefault() {
  LoopOutcome* outcome = Runtime().outcome;
  if (outcome != nullptr && *outcome != LoopOutcome::kBreak)
    *outcome = LoopOutcome::kCycle;
}

void EndLoop() {
  if (LoopOutcome* outcome = Runtime().outcome) *outcome = LoopOutcome::kBreak;
}

int OpenChildWindow(const WindowDescription& description, Window& frame,
                    LoopBody body) {
  WindowRuntime& rt = Runtime();
  int slot = 1;
  while (slot < static_cast<int>(rt.slots.size()) && rt.slots[slot].used)
    ++slot;
  if (slot == static_cast<int>(rt.slots.size())) rt.slots.emplace_back();
  rt.slots[slot] = ThreadSlot{};
  rt.slots[slot].used = true;
  int saved = rt.current_slot;
  rt.current_slot = slot;
  Window& child = OpenWindow(description);
  rt.current_slot = saved;
  child.frame = &frame;
  frame.children.push_back(&child);
  child.body = std::move(body);
  child.body_owned_by_runtime = true;
  child.looping = true;
  return slot + 1;
}

}  // namespace vantrel
