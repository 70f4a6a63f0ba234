#include "runtime/window/window_model.h"

namespace vantrel {

Window::Window(const WindowDescription& description)
    : title(description.title),
      icon(description.icon),
      description_(description) {
  placement.normal = description.layout;
  controls_.reserve(description.controls.size());
  for (const ControlDescription& control : description.controls) {
    ControlState state;
    state.description = control;
    state.picture = CompilePicture(control.picture);
    // A check box's value is its state; its text is the caption.
    state.value = control.kind == ControlKind::kCheck ? std::string(kUnchecked)
                                                      : control.text;
    state.enabled = !control.disabled;
    state.hidden = control.hidden;
    state.list = control.list;
    controls_.push_back(std::move(state));
  }
}

ControlState* Window::Find(std::int16_t number) {
  if (number == 0) return nullptr;
  for (ControlState& control : controls_) {
    if (control.number() == number) return &control;
  }
  return nullptr;
}

const ControlState* Window::Find(std::int16_t number) const {
  return const_cast<Window*>(this)->Find(number);
}

std::int16_t Window::EventTarget(std::int16_t number) const {
  // Parents are followed at most once per control, so a cycle in a hand-made
  // description cannot loop forever.
  for (std::size_t steps = 0; steps <= controls_.size(); ++steps) {
    const ControlState* control = Find(number);
    if (control == nullptr) return 0;
    if (KindTakesEvents(control->kind())) return number;
    number = control->description.parent;
  }
  return 0;
}

bool Window::Usable(std::int16_t number) const {
  const ControlState* control = Find(number);
  if (control == nullptr) return false;
  for (std::size_t steps = 0; control != nullptr && steps <= controls_.size();
       ++steps) {
    if (!control->enabled || control->hidden) return false;
    control = Find(control->description.parent);
  }
  return true;
}

std::vector<const ControlState*> Window::TabsOf(std::int16_t sheet) const {
  std::vector<const ControlState*> tabs;
  for (const ControlState& control : controls_) {
    if (control.kind() == ControlKind::kTab &&
        control.description.parent == sheet)
      tabs.push_back(&control);
  }
  return tabs;
}

}  // namespace vantrel
