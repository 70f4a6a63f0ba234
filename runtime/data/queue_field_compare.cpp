#include "runtime/data/queue_field_compare.h"

#include <cstring>
#include <string_view>

#include "runtime/data/string_compare.h"

namespace vantrel {
namespace {

template <typename T>
int CompareAs(const std::uint8_t* a, const std::uint8_t* b) {
  T x;
  T y;
  std::memcpy(&x, a, sizeof(T));
  std::memcpy(&y, b, sizeof(T));
  return (x > y) - (x < y);
}

std::string_view Text(const std::uint8_t* value, std::size_t size) {
  return {reinterpret_cast<const char*>(value), size};
}

}  // namespace

int CompareQueueField(const FieldInfo& field, const std::uint8_t* a,
                      const std::uint8_t* b) {
  switch (field.type) {
    case FieldType::BYTE:
      return CompareAs<std::uint8_t>(a, b);
    case FieldType::SHORT:
      return CompareAs<std::int16_t>(a, b);
    case FieldType::USHORT:
      return CompareAs<std::uint16_t>(a, b);
    case FieldType::LONG:
      return CompareAs<std::int32_t>(a, b);
    case FieldType::ULONG:
    case FieldType::DATE:
    case FieldType::TIME:
      return CompareAs<std::uint32_t>(a, b);
    case FieldType::SREAL:
      return CompareAs<float>(a, b);
    case FieldType::REAL:
      return CompareAs<double>(a, b);
    case FieldType::STRING:
      return CompareStrings(Text(a, field.size), Text(b, field.size));
    case FieldType::CSTRING: {
      std::string_view x = Text(a, field.size);
      std::string_view y = Text(b, field.size);
      return CompareStrings(x.substr(0, x.find('\0')),
                            y.substr(0, y.find('\0')));
    }
    case FieldType::PSTRING: {
      std::size_t room = field.size > 0 ? field.size - 1 : 0;
      return CompareStrings(Text(a + 1, std::min<std::size_t>(a[0], room)),
                            Text(b + 1, std::min<std::size_t>(b[0], room)));
    }
    default:
      return std::memcmp(a, b, field.size);
  }
}

}  // namespace vantrel
