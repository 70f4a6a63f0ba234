// BFLOAT4 and BFLOAT8 fields: binary floating point with the exponent in the
// top byte (bytes little-endian):
//   BFLOAT4  byte 3     exponent e (0: the value is zero)
//            byte 2     bit 7 sign, bits 0-6 the top of the mantissa
//            bytes 0-1  the rest of the 23-bit mantissa
//   BFLOAT8  byte 7     exponent e
//            byte 6     bit 7 sign, bits 0-6 the top of the mantissa
//            bytes 0-5  the rest of the 55-bit mantissa
// The mantissa omits its leading one; e is the IEEE double's biased exponent
// minus 894.
#ifndef VANTREL_RUNTIME_DATA_TYPES_BFLOAT_H_
#define VANTREL_RUNTIME_DATA_TYPES_BFLOAT_H_

#include <cstdint>

namespace vantrel {

double BFloat4ToDouble(const std::uint8_t* field);
double BFloat8ToDouble(const std::uint8_t* field);

// Mantissa bits beyond the field's are cut off. Exponents above the field's
// range store exponent 255; values too small for it (zero, denormals, and
// magnitudes below 2^-129 of either sign) store zero.
void DoubleToBFloat4(double value, std::uint8_t* field);
void DoubleToBFloat8(double value, std::uint8_t* field);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TYPES_BFLOAT_H_
