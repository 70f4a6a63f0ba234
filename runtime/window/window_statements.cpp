#include "runtime/window/window_statements.h"

#include <algorithm>
#include <memory>

#include "runtime/window/event_numbers.h"
#include "runtime/window/events.h"
#include "runtime/window/gui_backend.h"
#include "runtime/window/list_source.h"
#include "runtime/window/window_runtime_internal.h"

namespace vantrel {
namespace {

// Calls `action` for each control of the top window in the range.
template <typename Action>
void ForRange(std::int16_t first, std::int16_t last, Action action) {
  Window* window = TopWindow();
  if (window == nullptr) return;
  if (last == 0) last = first;
  if (last < first) std::swap(first, last);
  for (ControlState& control : window->controls()) {
    if (control.number() >= first && control.number() <= last)
      action(*window, control);
  }
}

void SetEnabled(std::int16_t first, std::int16_t last, bool enabled) {
  ForRange(first, last, [enabled](Window& window, ControlState& control) {
    control.enabled = enabled;
    Backend().ShowControlState(window, control);
  });
}

void SetHidden(std::int16_t first, std::int16_t last, bool hidden) {
  ForRange(first, last, [hidden](Window& window, ControlState& control) {
    control.hidden = hidden;
    Backend().ShowControlState(window, control);
  });
}

int TabIndex(const Window& window, std::int16_t sheet, std::int16_t tab) {
  std::vector<const ControlState*> tabs = window.TabsOf(sheet);
  for (std::size_t i = 0; i < tabs.size(); ++i) {
    if (tabs[i]->number() == tab) return static_cast<int>(i) + 1;
  }
  return 0;
}

}  // namespace

Window& OpenWindow(const WindowDescription& description) {
  WindowRuntime& rt = Runtime();
  rt.windows.push_back(std::make_unique<Window>(description));
  Window& window = *rt.windows.back();
  window.thread_slot = rt.current_slot;
  rt.slots[rt.current_slot].windows.push_back(&window);
  for (ControlState& control : window.controls()) {
    if (control.kind() == ControlKind::kSheet &&
        !window.TabsOf(control.number()).empty())
      control.choice = 1;
    DisplayControl(window, control);
  }
  Backend().OpenNativeWindow(window);
  rt.active = &window;
  AppendEvent(window, kEventOpenWindow, 0);
  return window;
}

void CloseWindow(Window* window) {
  if (window == nullptr) window = TopWindow();
  if (!IsOpen(window)) return;
  // A window whose loop runs (a child's loop included) is closed when the
  // loop has ended, never under its own running body.
  if (window->looping) {
    window->close_after_loop = true;
    window->loop_ended = true;
    return;
  }
  DestroyWindow(window);
}

void DestroyWindow(Window* window) {
  WindowRuntime& rt = Runtime();
  while (!window->children.empty()) DestroyWindow(window->children.back());
  if (window->timer_interval != 0) Backend().SetTimer(*window, 0);
  Backend().CloseNativeWindow(*window);
  if (Window* frame = window->frame) {
    std::erase(frame->children, window);
  }
  ThreadSlot& slot = SlotOf(*window);
  std::erase(slot.windows, window);
  if (window->thread_slot != 0 && slot.windows.empty()) slot.used = false;
  if (rt.active == window) {
    rt.active = TopWindow(window->thread_slot);
    if (rt.active == nullptr) rt.active = window->frame;
  }
  if (rt.last_active == window) rt.last_active = nullptr;
  if (rt.last_taker == window) rt.last_taker = nullptr;
  std::erase_if(rt.windows, [window](const std::unique_ptr<Window>& w) {
    return w.get() == window;
  });
}

void PlaceWindow(Window& window, const WindowPlacement& placement) {
  if (!IsOpen(&window)) return;
  window.placement = placement;
  Backend().ShowPlacement(window);
}

void Display() {
  Window* window = TopWindow();
  if (window == nullptr) return;
  for (ControlState& control : window->controls())
    DisplayControl(*window, control);
}

void Display(std::int16_t first, std::int16_t last) {
  ForRange(first, last, [](Window& window, ControlState& control) {
    DisplayControl(window, control);
  });
}

void Enable(std::int16_t first, std::int16_t last) {
  SetEnabled(first, last, true);
}
void Disable(std::int16_t first, std::int16_t last) {
  SetEnabled(first, last, false);
}
void HideControl(std::int16_t first, std::int16_t last) {
  SetHidden(first, last, true);
}
void UnhideControl(std::int16_t first, std::int16_t last) {
  SetHidden(first, last, false);
}

void FocusControl(std::int16_t control) {
  Window* window = TopWindow();
  if (window != nullptr && window->Find(control) != nullptr)
    MoveFocus(*window, control);
}

void Select(std::int16_t number, int start, int end) {
  Window* window = TopWindow();
  if (window == nullptr) return;
  ControlState* control = window->Find(number);
  if (control == nullptr) return;
  MoveFocus(*window, number);
  if (start > 0) {
    if (KindIsEditable(control->kind())) {
      int length = static_cast<int>(control->value.size());
      control->selection_start = std::min(start, length + 1);
      control->selection_end =
          std::clamp(end == 0 ? start : end, control->selection_start, length);
      control->caret = control->selection_start;
    } else if (control->kind() == ControlKind::kSheet) {
      if (start <= static_cast<int>(window->TabsOf(number).size()))
        control->choice = start;
    } else if (control->kind() == ControlKind::kList ||
               control->kind() == ControlKind::kDropList ||
               control->kind() == ControlKind::kCombo) {
      if (start <= static_cast<int>(ListCount(*control)))
        control->choice = start;
    }
    Backend().ShowControlState(*window, *control);
  }
}

int Choice(std::int16_t number) {
  Window* window = TopWindow();
  if (window == nullptr) return 0;
  const ControlState* control = window->Find(number);
  if (control == nullptr) return 0;
  switch (control->kind()) {
    case ControlKind::kList:
    case ControlKind::kDropList:
    case ControlKind::kCombo: {
      int count = static_cast<int>(ListCount(*control));
      return control->choice <= count ? control->choice : 0;
    }
    case ControlKind::kSheet:
    case ControlKind::kOption:
      return control->choice;
    default:
      return 0;
  }
}

bool CreateControl(std::int16_t number, ControlKind kind, std::int16_t parent) {
  Window* window = TopWindow();
  if (window == nullptr || number == 0 || window->Find(number) != nullptr)
    return false;
  ControlState control;
  control.description.number = number;
  control.description.kind = kind;
  control.description.parent = parent;
  control.description.hidden = true;
  control.hidden = true;
  window->controls().push_back(std::move(control));
  if (kind == ControlKind::kTab) {
    ControlState* sheet = window->Find(parent);
    if (sheet != nullptr && sheet->choice == 0) sheet->choice = 1;
  }
  Backend().ControlCreated(*window, window->controls().back());
  return true;
}

void DestroyControl(std::int16_t number) {
  Window* window = TopWindow();
  if (window == nullptr || window->Find(number) == nullptr) return;
  // The control and everything inside it, innermost first.
  std::vector<std::int16_t> doomed{number};
  for (std::size_t i = 0; i < doomed.size(); ++i) {
    for (const ControlState& control : window->controls()) {
      if (control.description.parent == doomed[i])
        doomed.push_back(control.number());
    }
  }
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
    const ControlState* control = window->Find(*it);
    if (control->kind() == ControlKind::kTab) {
      std::int16_t sheet_number = control->description.parent;
      int index = TabIndex(*window, sheet_number, *it);
      ControlState* sheet = window->Find(sheet_number);
      if (sheet != nullptr) {
        int remaining =
            static_cast<int>(window->TabsOf(sheet_number).size()) - 1;
        if (sheet->choice > index) --sheet->choice;
        sheet->choice = std::min(sheet->choice, remaining);
        Backend().ShowControlState(*window, *sheet);
      }
    }
    if (window->focus == *it) window->focus = 0;
    std::erase_if(window->controls(),
                  [n = *it](const ControlState& c) { return c.number() == n; });
    std::erase_if(window->pending,
                  [n = *it](const WindowEvent& e) { return e.control == n; });
    Backend().ControlDestroyed(*window, *it);
  }
}

void AcceptAll() {
  Window* window = TopWindow();
  if (window == nullptr) return;
  window->accept_all = true;
  window->accept_all_next = 0;
}

}  // namespace vantrel
