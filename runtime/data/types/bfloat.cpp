#include "runtime/data/types/bfloat.h"

#include <bit>
#include <cstring>

#include "runtime/data/base/byte_order.h"

namespace vantrel {
namespace {

constexpr int kIeeeExponentShift = 52;
constexpr std::uint64_t kIeeeExponentMask = 0x7FF;
constexpr std::uint64_t kIeeeMantissaMask = (std::uint64_t{1} << 52) - 1;
constexpr int kIeeeSignShift = 63;
constexpr int kExponentBias = 894;  // IEEE biased exponent - field exponent
constexpr std::int64_t kMaxFieldExponent = 255;
// Bit patterns up to here (+0 and the smallest denormals) are stored as they
// are in a BFLOAT8, which reads back as zero.
constexpr std::uint64_t kStoredAsIs = 0xFFFFFFFFFFFF;

constexpr int kShort = 4;  // BFLOAT4
constexpr int kShortExponentShift = 24;
constexpr int kShortSignShift = 23;
constexpr int kShortMantissaBits = 23;
constexpr int kLongExponentShift = 56;  // BFLOAT8
constexpr int kLongSignShift = 55;
constexpr int kLongMantissaBits = 55;

struct Parts {
  std::uint64_t sign;
  std::int64_t exponent;   // field exponent, before range checks
  std::uint64_t mantissa;  // the double's 52 bits
};

Parts Split(double value) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  return Parts{bits >> kIeeeSignShift,
               static_cast<std::int64_t>((bits >> kIeeeExponentShift) &
                                         kIeeeExponentMask) -
                   kExponentBias,
               bits & kIeeeMantissaMask};
}

double Join(std::uint64_t sign, std::uint64_t exponent,
            std::uint64_t mantissa) {
  if (exponent == 0) return 0.0;
  return std::bit_cast<double>(
      (sign << kIeeeSignShift) |
      ((exponent + kExponentBias) << kIeeeExponentShift) | mantissa);
}

// The field exponent to store, or -1 for a value that stores as zero.
std::int64_t FieldExponent(const Parts& parts) {
  if (parts.exponent < 0) return -1;
  return parts.exponent > kMaxFieldExponent ? kMaxFieldExponent
                                            : parts.exponent;
}

}  // namespace

double BFloat4ToDouble(const std::uint8_t* field) {
  const std::uint32_t v = LoadLe32(field);
  const std::uint64_t mantissa = v & ((1u << kShortMantissaBits) - 1);
  return Join((v >> kShortSignShift) & 1, v >> kShortExponentShift,
              mantissa << (kIeeeExponentShift - kShortMantissaBits));
}

double BFloat8ToDouble(const std::uint8_t* field) {
  const std::uint64_t v = LoadLe64(field);
  const std::uint64_t mantissa =
      v & ((std::uint64_t{1} << kLongMantissaBits) - 1);
  return Join((v >> kLongSignShift) & 1, v >> kLongExponentShift,
              mantissa >> (kLongMantissaBits - kIeeeExponentShift));
}

void DoubleToBFloat4(double value, std::uint8_t* field) {
  const Parts parts = Split(value);
  const std::int64_t exponent = FieldExponent(parts);
  if (std::bit_cast<std::uint64_t>(value) <= kStoredAsIs || exponent < 0) {
    std::memset(field, 0, kShort);
    return;
  }
  StoreLe32(field,
            static_cast<std::uint32_t>(
                (static_cast<std::uint64_t>(exponent) << kShortExponentShift) |
                (parts.sign << kShortSignShift) |
                (parts.mantissa >> (kIeeeExponentShift - kShortMantissaBits))));
}

void DoubleToBFloat8(double value, std::uint8_t* field) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  if (bits <= kStoredAsIs) {
    StoreLe64(field, bits);
    return;
  }
  const Parts parts = Split(value);
  const std::int64_t exponent = FieldExponent(parts);
  if (exponent < 0) {
    StoreLe64(field, 0);
    return;
  }
  StoreLe64(field,
            (static_cast<std::uint64_t>(exponent) << kLongExponentShift) |
                (parts.sign << kLongSignShift) |
                (parts.mantissa << (kLongMantissaBits - kIeeeExponentShift)));
}

}  // namespace vantrel
