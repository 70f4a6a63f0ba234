// Numbered properties of a window (control 0) or of one control. Values
// pass as text; numbers as their decimal text.
#ifndef VANTREL_RUNTIME_WINDOW_PROPERTIES_H_
#define VANTREL_RUNTIME_WINDOW_PROPERTIES_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/window/window_description.h"

namespace vantrel {

enum Property : std::int32_t {
  // The window's title; a tab's text; the icon or image an image shows.
  kPropText = 0x7C00,
  // The queue a list shows (bound with SetPropertyRef).
  kPropFrom = 0x7C62,
  // The window's icon.
  kPropIcon = 0x7C68,
  // The window's timer interval in hundredths of a second; 0 stops it.
  kPropTimer = 0x7C86,
  // Start of the selected text (1-based); read back: the caret position.
  kPropSelStart = 0x7C8F,
  // End of the selected text.
  kPropSelEnd = 0x7C90,
};

// Read and write properties of the top window or of one of its controls.
// Properties without a meaning here are kept per control and element index.
std::string GetProperty(std::int32_t property, std::int16_t control = 0,
                        int index = 0);
void SetProperty(std::int32_t property, std::int16_t control, int index,
                 std::string_view value);
inline void SetProperty(std::int32_t property, std::int16_t control,
                        std::string_view value) {
  SetProperty(property, control, 0, value);
}
// Binds a list to a queue and the field of its record it shows (kPropFrom).
void SetPropertyRef(std::int32_t property, std::int16_t control,
                    const ListSource& source);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_PROPERTIES_H_
