#include "runtime/data/types/field_text.h"

#include <algorithm>
#include <cstring>

namespace vantrel {

std::string_view FieldText(FieldType type, const std::uint8_t* value,
                           std::uint32_t size) {
  const char* chars = reinterpret_cast<const char*>(value);
  switch (type) {
    case FieldType::CSTRING: {
      const void* zero = std::memchr(chars, 0, size);
      return {chars, zero ? static_cast<std::size_t>(
                                static_cast<const char*>(zero) - chars)
                          : size};
    }
    case FieldType::PSTRING:
      if (size == 0) return {};
      return {chars + 1, std::min<std::size_t>(value[0], size - 1)};
    default:
      return {chars, size};
  }
}

}  // namespace vantrel
