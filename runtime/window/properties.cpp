#include "runtime/window/properties.h"

#include <charconv>

#include "runtime/window/events.h"
#include "runtime/window/gui_backend.h"
#include "runtime/window/window_runtime_internal.h"

namespace vantrel {
namespace {

// Other properties are kept under number * this + index.
constexpr std::int64_t kIndexSpan = 0x100000000;

int ToInt(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

void SetTimerInterval(Window& window, int hundredths) {
  if (hundredths < 0) hundredths = 0;
  window.timer_interval = hundredths;
  window.timer_running = hundredths != 0;
  Backend().SetTimer(window, hundredths);
}

std::int64_t StoredKey(std::int32_t property, int index) {
  return property * kIndexSpan + static_cast<std::uint32_t>(index);
}

}  // namespace

std::string GetProperty(std::int32_t property, std::int16_t number, int index) {
  Window* window = TopWindow();
  if (window == nullptr) return {};
  if (number == 0) {
    switch (property) {
      case kPropText:
        return window->title;
      case kPropIcon:
        return window->icon;
      case kPropTimer:
        return std::to_string(window->timer_interval);
      default:
        return {};
    }
  }
  const ControlState* control = window->Find(number);
  if (control == nullptr) return {};
  switch (property) {
    case kPropText:
      return control->kind() == ControlKind::kImage ? control->description.icon
                                                    : control->value;
    case kPropSelStart:
      return std::to_string(control->caret);
    case kPropSelEnd:
      return std::to_string(control->selection_end);
    default: {
      auto it = control->properties.find(StoredKey(property, index));
      return it == control->properties.end() ? std::string() : it->second;
    }
  }
}

void SetProperty(std::int32_t property, std::int16_t number, int index,
                 std::string_view value) {
  Window* window = TopWindow();
  if (window == nullptr) return;
  if (number == 0) {
    switch (property) {
      case kPropText:
        window->title = std::string(value);
        return Backend().ShowWindowState(*window);
      case kPropIcon:
        window->icon = std::string(value);
        return Backend().ShowWindowState(*window);
      case kPropTimer:
        return SetTimerInterval(*window, ToInt(value));
      default:
        return;
    }
  }
  ControlState* control = window->Find(number);
  if (control == nullptr) return;
  switch (property) {
    case kPropText:
      if (control->kind() == ControlKind::kImage) {
        control->description.icon = std::string(value);
      } else {
        control->value = std::string(value);
      }
      break;
    case kPropSelStart:
      control->selection_start = std::max(ToInt(value), 0);
      control->caret = std::max(control->selection_start, 1);
      if (control->selection_end < control->selection_start)
        control->selection_end = control->selection_start;
      break;
    case kPropSelEnd:
      control->selection_end = std::max(ToInt(value), 0);
      break;
    default:
      control->properties[StoredKey(property, index)] = std::string(value);
      break;
  }
  Backend().ShowControlState(*window, *control);
}

void SetPropertyRef(std::int32_t property, std::int16_t number,
                    const ListSource& source) {
  Window* window = TopWindow();
  if (window == nullptr || property != kPropFrom) return;
  ControlState* control = window->Find(number);
  if (control == nullptr) return;
  control->list = source;
  control->choice = 0;
  Backend().ShowControlState(*window, *control);
}

}  // namespace vantrel
