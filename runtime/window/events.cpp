#include "runtime/window/events.h"

#include <algorithm>

#include "runtime/window/window_runtime_internal.h"

namespace vantrel {

WindowRuntime& Runtime() {
  static WindowRuntime runtime = [] {
    WindowRuntime r;
    r.slots.resize(1);
    r.slots[0].used = true;
    return r;
  }();
  return runtime;
}

bool IsOpen(const Window* window) {
  if (window == nullptr) return false;
  const auto& windows = Runtime().windows;
  return std::any_of(windows.begin(), windows.end(),
                     [window](const auto& w) { return w.get() == window; });
}

Window* TopWindow(int slot) {
  WindowRuntime& rt = Runtime();
  if (slot < 0 || slot >= static_cast<int>(rt.slots.size())) return nullptr;
  const ThreadSlot& s = rt.slots[slot];
  if (!s.used || s.windows.empty()) return nullptr;
  return s.windows.back();
}

ThreadSlot& SlotOf(const Window& window) {
  return Runtime().slots[window.thread_slot];
}

WindowEvent MakeEvent(const Window& window, std::int32_t event,
                      std::int16_t control, const WindowEvent* cause) {
  const ThreadSlot& slot = SlotOf(window);
  WindowEvent e;
  e.window = const_cast<Window*>(&window);
  e.number = InternalEventNumber(event);
  e.thread_slot = window.thread_slot;
  e.control = control;
  e.focus = window.focus;
  if (cause != nullptr) {
    e.key_code = cause->key_code;
    e.key_state = cause->key_state;
    e.key_char = cause->key_char;
    e.mouse_x = cause->mouse_x;
    e.mouse_y = cause->mouse_y;
  } else {
    e.key_code = slot.key_code;
    e.key_state = slot.key_state;
    e.key_char = slot.key_char;
    e.mouse_x = window.mouse_x;
    e.mouse_y = window.mouse_y;
  }
  return e;
}

void AppendEvent(Window& window, std::int32_t event, std::int16_t control,
                 const WindowEvent* cause) {
  window.pending.push_back(MakeEvent(window, event, control, cause));
}

void PostFieldEvent(Window& window, std::int32_t event, std::int16_t control,
                    const WindowEvent* cause) {
  std::int16_t target = window.EventTarget(control);
  if (!window.Usable(target)) return;
  AppendEvent(window, event, target, cause);
}

const WindowEvent* CurrentWindowEvent() {
  Window* top = TopWindow();
  if (top == nullptr || !top->current) return nullptr;
  return &*top->current;
}

std::int32_t CurrentEvent() {
  const WindowEvent* e = CurrentWindowEvent();
  return e == nullptr ? 0 : e->number - kEventBase;
}

std::int16_t EventField() {
  const WindowEvent* e = CurrentWindowEvent();
  return e == nullptr ? 0 : e->control;
}

std::int16_t AcceptedField() {
  return CurrentEvent() == kEventAccepted ? EventField() : 0;
}

std::int16_t SelectedField() {
  Window* top = TopWindow();
  return top == nullptr ? 0 : top->selected_control;
}

std::int32_t EventMouseX() {
  const WindowEvent* e = CurrentWindowEvent();
  return e == nullptr ? 0 : e->mouse_x;
}

std::int32_t EventMouseY() {
  const WindowEvent* e = CurrentWindowEvent();
  return e == nullptr ? 0 : e->mouse_y;
}

std::int32_t EventKeyCode() {
  const WindowEvent* e = CurrentWindowEvent();
  return e == nullptr ? 0 : e->key_code;
}

std::int32_t KeyCode() {
  WindowRuntime& rt = Runtime();
  return rt.slots[rt.current_slot].key_code;
}

void SetKeyCode(std::int32_t key_code) {
  WindowRuntime& rt = Runtime();
  rt.slots[rt.current_slot].key_code = key_code;
}

void PostEvent(std::int32_t event, std::int16_t control, int thread) {
  int slot = thread == 0 ? Runtime().current_slot : thread - 1;
  Window* window = TopWindow(slot);
  if (window == nullptr) return;
  AppendEvent(*window, event, control);
}

Window* TopWindow() { return TopWindow(Runtime().current_slot); }

Window* ActiveWindow() { return Runtime().active; }

int ThreadNumber() { return Runtime().current_slot + 1; }

}  // namespace vantrel
