// Reading the binary number types out of record bytes (little-endian).
#ifndef VANTREL_RUNTIME_DATA_TYPES_FIELD_NUMBER_H_
#define VANTREL_RUNTIME_DATA_TYPES_FIELD_NUMBER_H_

#include <cstdint>
#include <optional>

#include "runtime/data/types/field_type.h"

namespace vantrel {

// BYTE, SHORT, USHORT, LONG, ULONG, and DATE and TIME as their raw 32-bit
// value (which orders them in time); nothing for other types.
std::optional<std::int64_t> LoadWholeNumber(FieldType type,
                                            const std::uint8_t* value);

// SREAL, REAL, BFLOAT4 and BFLOAT8; nothing for other types.
std::optional<double> LoadRealNumber(FieldType type, const std::uint8_t* value);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TYPES_FIELD_NUMBER_H_
