#include "gui/qt/key_codes.h"

#include <optional>
#include <string>

#include "gui/qt/text_edge.h"
#include "runtime/window/user_input.h"

namespace vantrel::qt {
namespace {

struct KeyPair {
  int qt_key;
  std::int32_t code;
};

constexpr KeyPair kKeys[] = {
    {Qt::Key_Return, kKeyEnter},  {Qt::Key_Enter, kKeyEnter},
    {Qt::Key_Escape, kKeyEscape}, {Qt::Key_Insert, kKeyInsert},
    {Qt::Key_Delete, kKeyDelete}, {Qt::Key_Backspace, 0x08},
    {Qt::Key_Tab, 0x09},          {Qt::Key_Backtab, 0x09},
    {Qt::Key_Space, 0x20},        {Qt::Key_PageUp, 0x21},
    {Qt::Key_PageDown, 0x22},     {Qt::Key_End, 0x23},
    {Qt::Key_Home, 0x24},         {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},           {Qt::Key_Right, 0x27},
    {Qt::Key_Down, 0x28},
};

}  // namespace

std::int32_t RuntimeKeyCode(int qt_key) {
  for (const KeyPair& pair : kKeys) {
    if (pair.qt_key == qt_key) return pair.code;
  }
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24)
    return kKeyF1 + (qt_key - Qt::Key_F1);
  // Letters, digits and the rest: Qt's code, which for letters and digits
  // is the upper-case character itself.
  return qt_key;
}

std::uint8_t RuntimeKeyState(Qt::KeyboardModifiers modifiers) {
  std::uint8_t state = 0;
  if (modifiers & Qt::ShiftModifier) state |= kKeyStateShift;
  if (modifiers & Qt::ControlModifier) state |= kKeyStateControl;
  if (modifiers & Qt::AltModifier) state |= kKeyStateAlt;
  return state;
}

std::uint8_t RuntimeKeyChar(const QKeyEvent& event) {
  if (event.text().size() != 1) return 0;
  std::optional<std::string> typed = ToRuntime(event.text());
  return typed && typed->size() == 1 ? static_cast<std::uint8_t>((*typed)[0])
                                     : 0;
}

}  // namespace vantrel::qt
