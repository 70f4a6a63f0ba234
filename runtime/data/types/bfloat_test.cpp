#include "runtime/data/types/bfloat.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

namespace vantrel {
namespace {

using Four = std::array<std::uint8_t, 4>;
using Eight = std::array<std::uint8_t, 8>;

TEST(BFloatTest, ConvertsToExactBytes) {
  const struct {
    double value;
    Four four;
    Eight eight;
  } kCases[] = {
      {1.0, {0, 0, 0, 0x81}, {0, 0, 0, 0, 0, 0, 0, 0x81}},
      {-1.0, {0, 0, 0x80, 0x81}, {0, 0, 0, 0, 0, 0, 0x80, 0x81}},
      {0.5, {0, 0, 0, 0x80}, {0, 0, 0, 0, 0, 0, 0, 0x80}},
      {10.0, {0, 0, 0x20, 0x84}, {0, 0, 0, 0, 0, 0, 0x20, 0x84}},
      // Mantissa bits beyond the field are cut off, not rounded.
      {1.0 / 3,
       {0xAA, 0xAA, 0x2A, 0x7F},
       {0xA8, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0x2A, 0x7F}},
      {0.0, {0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
      // Too small for the field's exponent: zero, whatever the sign.
      {-0.0, {0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
      {-1e-300, {0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}},
      // The smallest denormal keeps its bit pattern in a BFLOAT8.
      {std::numeric_limits<double>::denorm_min(),
       {0, 0, 0, 0},
       {1, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : kCases) {
    Four four{};
    Eight eight{};
    DoubleToBFloat4(c.value, four.data());
    DoubleToBFloat8(c.value, eight.data());
    EXPECT_EQ(four, c.four) << c.value;
    EXPECT_EQ(eight, c.eight) << c.value;
  }
}

TEST(BFloatTest, ReadsBack) {
  for (double value : {1.0, -1.0, 0.5, 10.0, -1234.5, std::ldexp(3.0, 90),
                       std::ldexp(-2.5, -100)}) {
    Four four{};
    Eight eight{};
    DoubleToBFloat4(value, four.data());
    DoubleToBFloat8(value, eight.data());
    EXPECT_EQ(BFloat4ToDouble(four.data()), value);
    EXPECT_EQ(BFloat8ToDouble(eight.data()), value);
  }
  // The low three mantissa bits of a double do not fit in a BFLOAT8.
  Eight eight{};
  DoubleToBFloat8(1.0 / 3, eight.data());
  EXPECT_NEAR(BFloat8ToDouble(eight.data()), 1.0 / 3, 1e-16);
  // Exponent byte 0 is zero whatever the other bytes hold.
  const Four zero_exponent = {0xFF, 0xFF, 0xFF, 0x00};
  EXPECT_EQ(BFloat4ToDouble(zero_exponent.data()), 0.0);
  const Eight denormal = {1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(BFloat8ToDouble(denormal.data()), 0.0);
}

TEST(BFloatTest, LargeExponentsSaturate) {
  Four four{};
  DoubleToBFloat4(-1e300, four.data());
  EXPECT_EQ(four[3], 0xFF);
  EXPECT_EQ(four[2] & 0x80, 0x80);
  EXPECT_LT(BFloat4ToDouble(four.data()), -1e37);
  Eight eight{};
  DoubleToBFloat8(std::numeric_limits<double>::infinity(), eight.data());
  EXPECT_EQ(eight[7], 0xFF);
  EXPECT_EQ(BFloat8ToDouble(eight.data()), std::ldexp(1.0, 126));
}

}  // namespace
}  // namespace vantrel
