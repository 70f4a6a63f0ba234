#include "runtime/window/user_input.h"

#include <algorithm>
#include <string>

#include "runtime/data/picture/picture_typing.h"
#include "runtime/window/event_numbers.h"
#include "runtime/window/gui_backend.h"
#include "runtime/window/list_source.h"
#include "runtime/window/window_runtime_internal.h"

namespace vantrel {
namespace {

ControlState* Usable(Window& window, std::int16_t number) {
  return window.Usable(number) ? window.Find(number) : nullptr;
}

bool Contains(const std::vector<std::int32_t>& keys, std::int32_t key) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// The 1-based position of a radio button among its option's buttons.
int RadioIndex(const Window& window, const ControlState& radio) {
  int index = 0;
  for (const ControlState& control : window.controls()) {
    if (control.kind() != ControlKind::kRadio ||
        control.description.parent != radio.description.parent)
      continue;
    ++index;
    if (control.number() == radio.number()) return index;
  }
  return 0;
}

void ClickRadio(Window& window, ControlState& radio) {
  ControlState* option = window.Find(radio.description.parent);
  if (option == nullptr) return;
  option->choice = RadioIndex(window, radio);
  if (option->description.variable.bound())
    StoreVariableValue(option->description.variable,
                       std::to_string(option->choice));
  Backend().ShowControlState(window, *option);
  PostFieldEvent(window, kEventAccepted, option->number());
}

void ClickCheck(Window& window, ControlState& check) {
  bool checked = check.value != kChecked;
  check.value = checked ? kChecked : kUnchecked;
  if (check.description.variable.bound())
    StoreVariableValue(check.description.variable, check.value);
  Backend().ShowControlState(window, check);
  PostFieldEvent(window, kEventAccepted, check.number());
}

// Each key goes through the picture's typing rules; refused keys change
// nothing.
void TypeByPicture(Window& window, ControlState& control,
                   std::string_view text) {
  for (char key : text) {
    TypingResult typed = TypeCharacter(control.picture, control.value,
                                       std::max(control.caret, 1) - 1, key);
    if (!typed.accepted) continue;
    control.value = std::move(typed.text);
    control.caret = typed.caret + 1;
    control.edited = true;
  }
  Backend().ShowControlState(window, control);
}

}  // namespace

void UserActivate(Window& window) { Runtime().active = &window; }

void UserDeactivate(Window& window) {
  if (Runtime().active == &window) Runtime().active = nullptr;
}

void UserMoveMouse(Window& window, std::int32_t x, std::int32_t y) {
  window.mouse_x = x;
  window.mouse_y = y;
}

void UserFocus(Window& window, std::int16_t control) {
  if (Usable(window, control) != nullptr) MoveFocus(window, control);
}

void UserTypeText(Window& window, std::string_view text) {
  ControlState* control = Usable(window, window.focus);
  if (control == nullptr || !KindIsEditable(control->kind())) return;
  if (TypesByPicture(*control)) return TypeByPicture(window, *control, text);
  std::string& value = control->value;
  std::size_t from, to;
  if (control->selection_start > 0) {
    from = std::min<std::size_t>(control->selection_start - 1, value.size());
    to = std::clamp<std::size_t>(control->selection_end, from, value.size());
  } else {
    from = to =
        std::min<std::size_t>(std::max(control->caret, 1) - 1, value.size());
  }
  value.replace(from, to - from, text);
  control->caret = static_cast<int>(from + text.size()) + 1;
  control->selection_start = control->selection_end = 0;
  control->edited = true;
  Backend().ShowControlState(window, *control);
}

void UserSetText(Window& window, std::int16_t number, std::string_view text) {
  ControlState* control = Usable(window, number);
  if (control == nullptr || !KindIsEditable(control->kind())) return;
  control->value = std::string(text);
  control->caret = static_cast<int>(text.size()) + 1;
  control->edited = true;
}

void UserMoveCaret(Window& window, std::int16_t number, int caret,
                   int selection_start, int selection_end) {
  ControlState* control = Usable(window, number);
  if (control == nullptr || !KindIsEditable(control->kind())) return;
  control->caret = std::max(caret, 1);
  if (selection_start > 0 && selection_end >= selection_start) {
    control->selection_start = selection_start;
    control->selection_end = selection_end;
  } else {
    control->selection_start = control->selection_end = 0;
  }
}

void UserFinishEditing(Window& window) {
  ControlState* control = Usable(window, window.focus);
  if (control == nullptr || !control->edited) return;
  control->edited = false;
  bool accepted = ReadBackEntry(window, *control, /*completing=*/false);
  PostFieldEvent(window, accepted ? kEventAccepted : kEventRejected,
                 control->number());
}

void UserPressKey(Window& window, std::int32_t key_code, std::uint8_t key_state,
                  std::uint8_t key_char) {
  ThreadSlot& slot = SlotOf(window);
  slot.key_code = key_code;
  slot.key_state = key_state;
  slot.key_char = key_char;
  const ControlState* focused = window.Find(window.focus);
  bool alert = Contains(window.description().alert_keys, key_code) ||
               (focused != nullptr &&
                Contains(focused->description.alert_keys, key_code));
  if (!alert) return;
  PostFieldEvent(window, kEventPreAlert, window.focus);
  PostFieldEvent(window, kEventAlertKey, window.focus);
}

void UserClick(Window& window, std::int16_t number) {
  ControlState* control = Usable(window, number);
  if (control == nullptr) return;
  switch (control->kind()) {
    case ControlKind::kCheck:
      return ClickCheck(window, *control);
    case ControlKind::kRadio:
      return ClickRadio(window, *control);
    case ControlKind::kButton:
      if (control->description.completes) {
        // The pass reads every entry, the focused one included.
        if (ControlState* focused = window.Find(window.focus))
          focused->edited = false;
        window.accept_all = true;
        window.accept_all_next = 0;
        return;
      }
      [[fallthrough]];
    default:
      PostFieldEvent(window, kEventAccepted, number);
  }
}

void UserChooseEntry(Window& window, std::int16_t number, int entry) {
  ControlState* control = Usable(window, number);
  if (control == nullptr || entry < 1 ||
      entry > static_cast<int>(ListCount(*control)))
    return;
  control->choice = entry;
  PostFieldEvent(window, kEventNewSelection, number);
  if (control->kind() == ControlKind::kDropList ||
      control->kind() == ControlKind::kCombo) {
    control->value = ListEntries(*control)[entry - 1];
    control->edited = true;
    bool accepted = ReadBackEntry(window, *control, /*completing=*/false);
    control->edited = false;
    PostFieldEvent(window, accepted ? kEventAccepted : kEventRejected, number);
  }
  Backend().ShowControlState(window, *control);
}

void UserSelectTab(Window& window, std::int16_t sheet, int tab) {
  ControlState* control = Usable(window, sheet);
  if (control == nullptr || control->kind() != ControlKind::kSheet || tab < 1 ||
      tab > static_cast<int>(window.TabsOf(sheet).size()) ||
      tab == control->choice)
    return;
  PostFieldEvent(window, kEventTabChanging, sheet);
  control->choice = tab;
  PostFieldEvent(window, kEventNewSelection, sheet);
  Backend().ShowControlState(window, *control);
}

bool UserFieldAction(Window& window, std::int16_t control, std::int32_t event) {
  if (!IsFieldEvent(event)) return false;
  PostFieldEvent(window, event, control);
  return true;
}

bool UserWindowAction(Window& window, std::int32_t event) {
  bool before_change = event >= kEventMove && event <= kEventIconize;
  bool after_change = event >= kEventMoved && event <= kEventUnDocked;
  if (!before_change && !after_change) return false;
  AppendEvent(window, event, 0);
  return true;
}

void UserPlaceWindow(Window& window, const WindowPlacement& placement) {
  WindowPlacement was = window.placement;
  window.placement = placement;
  if (placement.iconized && !was.iconized) {
    AppendEvent(window, kEventIconized, 0);
  } else if (placement.maximized && !was.maximized) {
    AppendEvent(window, kEventMaximized, 0);
  } else if ((was.iconized || was.maximized) && !placement.iconized &&
             !placement.maximized) {
    AppendEvent(window, kEventRestored, 0);
  }
  const Layout& from = was.normal;
  const Layout& to = placement.normal;
  if (to.x != from.x || to.y != from.y) AppendEvent(window, kEventMoved, 0);
  if (to.width != from.width || to.height != from.height)
    AppendEvent(window, kEventSized, 0);
}

void UserCloseWindow(Window& window) {
  AppendEvent(window, kEventCloseWindow, 0);
}

void TimerTick(Window& window) {
  if (window.timer_pending) return;
  window.timer_pending = true;
  AppendEvent(window, kEventTimer, 0);
}

}  // namespace vantrel
