// Controls bound to variables: showing a variable in its control and reading
// an edited entry back through its picture.
#include <cstdlib>
#include <string>

#include "runtime/data/picture/picture_typing.h"
#include "runtime/data/text/string_ops.h"
#include "runtime/window/event_numbers.h"
#include "runtime/window/gui_backend.h"
#include "runtime/window/user_input.h"
#include "runtime/window/window_runtime_internal.h"

namespace vantrel {
namespace {

bool IsTrue(std::string_view value) {
  value = ClipText(value);
  return !value.empty() && value != "0";
}

}  // namespace

bool TypesByPicture(const ControlState& control) {
  if (!KindIsEditable(control.kind())) return false;
  switch (control.picture.kind) {
    case PictureKind::kKeyIn:
    case PictureKind::kPattern:
    case PictureKind::kDate:
    case PictureKind::kTime:
      return true;
    default:
      return false;
  }
}

void DisplayControl(Window& window, ControlState& control) {
  const Variable& variable = control.description.variable;
  if (variable.bound()) {
    std::string value = VariableValue(variable);
    switch (control.kind()) {
      case ControlKind::kCheck:
        control.value = std::string(IsTrue(value) ? kChecked : kUnchecked);
        break;
      case ControlKind::kOption: {
        int parsed = std::atoi(value.c_str());
        control.choice = parsed > 0 ? parsed : 0;
        break;
      }
      default:
        control.value = control.picture.valid()
                            ? FormatPicture(value, control.picture)
                            : value;
        control.edited = false;
        break;
    }
  }
  Backend().ShowControlState(window, control);
}

bool ReadBackEntry(Window& window, ControlState& control, bool completing) {
  const Variable& variable = control.description.variable;
  if (!variable.bound()) return true;
  std::string value;
  if (control.picture.valid()) {
    Deformatted read = DeformatPicture(control.value, control.picture);
    if (!read.ok) return false;
    value = std::move(read.value);
  } else {
    value = control.value;
  }
  if (completing && control.description.required &&
      ClipText(value).find_first_not_of(' ') == std::string_view::npos)
    return false;
  if (!StoreVariableValue(variable, value)) return false;
  DisplayControl(window, control);
  return true;
}

void MoveFocus(Window& window, std::int16_t number) {
  if (window.focus == number) return;
  if (ControlState* leaving = window.Find(window.focus);
      leaving != nullptr && leaving->edited) {
    leaving->edited = false;
    bool accepted = ReadBackEntry(window, *leaving, /*completing=*/false);
    PostFieldEvent(window, accepted ? kEventAccepted : kEventRejected,
                   leaving->number());
  }
  window.focus = number;
  // Taking the focus selects an entry's whole text, so typing replaces it.
  // An entry typed through its picture puts the caret on its first position
  // instead, over the picture's empty template when it shows nothing.
  if (ControlState* taking = window.Find(number);
      taking != nullptr && KindIsEditable(taking->kind())) {
    taking->caret = 1;
    if (TypesByPicture(*taking)) {
      taking->selection_start = taking->selection_end = 0;
      if (ClipText(taking->value).find_first_not_of(' ') ==
          std::string_view::npos)
        taking->value = EntryTemplate(taking->picture);
    } else {
      taking->selection_start = 1;
      taking->selection_end = static_cast<int>(taking->value.size());
    }
    Backend().ShowControlState(window, *taking);
  }
  Backend().ShowFocus(window, number);
  if (number != 0) PostFieldEvent(window, kEventSelected, number);
}

}  // namespace vantrel
