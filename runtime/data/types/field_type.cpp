#include "runtime/data/types/field_type.h"

#include <array>

namespace vantrel {
namespace {

constexpr std::array<std::string_view, kFirstUnknownFieldType> kNames = {
    "END",    "BYTE",    "SHORT",   "USHORT", "DATE",     "TIME",
    "LONG",   "ULONG",   "SREAL",   "REAL",   "DECIMAL",  "PDECIMAL",
    "DUM1",   "BFLOAT4", "BFLOAT8", "ANY",    "TEMPUFO",  "(17)",
    "STRING", "CSTRING", "PSTRING", "MEMO",   "GROUP",    "CLASS",
    "ARRAY",  "FIELD",   "QUEUE",   "BLOB",   "STACKSTR", "PICTURE",
    "STDNUM",
};

}  // namespace

std::string_view FieldTypeName(int code) {
  if (code < 0 || code >= kFirstUnknownFieldType) return "UNKNOWN";
  return kNames[static_cast<std::size_t>(code)];
}

std::uint32_t FixedFieldSize(FieldType type) {
  switch (type) {
    case FieldType::BYTE:
      return 1;
    case FieldType::SHORT:
    case FieldType::USHORT:
      return 2;
    case FieldType::DATE:
    case FieldType::TIME:
    case FieldType::LONG:
    case FieldType::ULONG:
    case FieldType::SREAL:
    case FieldType::BFLOAT4:
      return 4;
    case FieldType::REAL:
    case FieldType::BFLOAT8:
      return 8;
    default:
      return 0;
  }
}

bool IsTextType(FieldType type) {
  return type == FieldType::STRING || type == FieldType::CSTRING ||
         type == FieldType::PSTRING;
}

bool IsDecimalType(FieldType type) {
  return type == FieldType::DECIMAL || type == FieldType::PDECIMAL;
}

bool IsIntegerKeyType(FieldType type) {
  switch (type) {
    case FieldType::BYTE:
    case FieldType::SHORT:
    case FieldType::USHORT:
    case FieldType::LONG:
    case FieldType::ULONG:
      return true;
    default:
      return false;
  }
}

}  // namespace vantrel
