// Keys as the runtime knows them: the codes of runtime/window/user_input.h
// for keys without a character (Enter, Insert, Delete, arrows, function
// keys ...), the upper-case letter or the digit for letter and digit keys,
// and Qt's own code for any other key. The key state holds the modifiers.
#ifndef VANTREL_GUI_QT_KEY_CODES_H_
#define VANTREL_GUI_QT_KEY_CODES_H_

#include <QKeyEvent>
#include <cstdint>

namespace vantrel::qt {

enum KeyStateBit : std::uint8_t {
  kKeyStateShift = 0x01,
  kKeyStateControl = 0x02,
  kKeyStateAlt = 0x04,
};

std::int32_t RuntimeKeyCode(int qt_key);
std::uint8_t RuntimeKeyState(Qt::KeyboardModifiers modifiers);
// The Windows-1252 character the key typed; 0 when none.
std::uint8_t RuntimeKeyChar(const QKeyEvent& event);

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_KEY_CODES_H_
