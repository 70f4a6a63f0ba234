// The characters of the text field types, as they compare and display:
//   STRING   all `size` bytes
//   CSTRING  the bytes before the first zero byte within `size`
//   PSTRING  byte 0 is the length (at most size - 1), the characters follow
#ifndef VANTREL_RUNTIME_DATA_TYPES_FIELD_TEXT_H_
#define VANTREL_RUNTIME_DATA_TYPES_FIELD_TEXT_H_

#include <cstdint>
#include <string_view>

#include "runtime/data/types/field_type.h"

namespace vantrel {

// The text a STRING, CSTRING or PSTRING field of `size` bytes holds; for
// other types, all `size` bytes.
std::string_view FieldText(FieldType type, const std::uint8_t* value,
                           std::uint32_t size);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TYPES_FIELD_TEXT_H_
