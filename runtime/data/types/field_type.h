// Field type codes: the one-byte type of each field in a record and the name
// the declarations and the structure dump use for it.
#ifndef VANTREL_RUNTIME_DATA_TYPES_FIELD_TYPE_H_
#define VANTREL_RUNTIME_DATA_TYPES_FIELD_TYPE_H_

#include <cstdint>
#include <string_view>

namespace vantrel {

enum class FieldType : std::uint8_t {
  END = 0,  // ends a field list; no storage
  BYTE,
  SHORT,
  USHORT,
  DATE,
  TIME,
  LONG,
  ULONG,
  SREAL,
  REAL,
  DECIMAL,
  PDECIMAL,
  DUM1,
  BFLOAT4,
  BFLOAT8,
  ANY,
  TEMPUFO,
  RESERVED17,
  STRING,
  CSTRING,
  PSTRING,
  MEMO,
  GROUP,
  CLASS,
  ARRAY,
  FIELD,
  QUEUE,
  BLOB,
  STACKSTR,
  PICTURE,
  STDNUM,
};

// The first code without a type; it and every code above print "UNKNOWN".
inline constexpr int kFirstUnknownFieldType = 31;

// The dump name of a code: "END", "BYTE", ... "STDNUM"; "(17)" for the
// unnamed reserved code and "UNKNOWN" for codes outside 0..30.
std::string_view FieldTypeName(int code);

// The storage size a type has by itself (BYTE 1, SHORT 2, LONG 4, REAL 8 ...);
// 0 for types whose size the descriptor gives or that take no record bytes.
std::uint32_t FixedFieldSize(FieldType type);

// STRING, CSTRING and PSTRING: the fixed-size text types.
bool IsTextType(FieldType type);

// DECIMAL and PDECIMAL.
bool IsDecimalType(FieldType type);

// BYTE, SHORT, USHORT, LONG and ULONG: integers, whose values are equal
// exactly when their bytes are, so a key may compare them as bytes.
bool IsIntegerKeyType(FieldType type);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TYPES_FIELD_TYPE_H_
