#include "runtime/window/window_description.h"

namespace vantrel {

bool KindTakesEvents(ControlKind kind) {
  return kind != ControlKind::kPrompt && kind != ControlKind::kString &&
         kind != ControlKind::kImage && kind != ControlKind::kRadio &&
         kind != ControlKind::kTab && kind != ControlKind::kMenu;
}

bool KindIsEditable(ControlKind kind) {
  return kind == ControlKind::kEntry || kind == ControlKind::kText ||
         kind == ControlKind::kCombo;
}

}  // namespace vantrel
