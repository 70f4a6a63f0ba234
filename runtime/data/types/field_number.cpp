#include "runtime/data/types/field_number.h"

#include <bit>

#include "runtime/data/base/byte_order.h"
#include "runtime/data/types/bfloat.h"

namespace vantrel {

std::optional<std::int64_t> LoadWholeNumber(FieldType type,
                                            const std::uint8_t* value) {
  switch (type) {
    case FieldType::BYTE:
      return value[0];
    case FieldType::SHORT:
      return static_cast<std::int16_t>(LoadLe16(value));
    case FieldType::USHORT:
      return LoadLe16(value);
    case FieldType::LONG:
      return static_cast<std::int32_t>(LoadLe32(value));
    case FieldType::ULONG:
    case FieldType::DATE:
    case FieldType::TIME:
      return LoadLe32(value);
    default:
      return std::nullopt;
  }
}

std::optional<double> LoadRealNumber(FieldType type,
                                     const std::uint8_t* value) {
  switch (type) {
    case FieldType::SREAL:
      return std::bit_cast<float>(LoadLe32(value));
    case FieldType::REAL:
      return std::bit_cast<double>(LoadLe64(value));
    case FieldType::BFLOAT4:
      return BFloat4ToDouble(value);
    case FieldType::BFLOAT8:
      return BFloat8ToDouble(value);
    default:
      return std::nullopt;
  }
}

}  // namespace vantrel
