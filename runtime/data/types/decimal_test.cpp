#include "runtime/data/types/decimal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr DecimalField Dec(std::uint32_t digits, std::uint32_t places) {
  return DecimalField{FieldType::DECIMAL, digits / 2 + 1, places};
}
constexpr DecimalField PDec(std::uint32_t digits, std::uint32_t places) {
  return DecimalField{FieldType::PDECIMAL, digits / 2 + 1, places};
}

Bytes Store(std::string_view text, const DecimalField& shape) {
  Bytes field(shape.bytes, 0xEE);
  EXPECT_TRUE(DecimalFromText(text, shape, field.data())) << text;
  return field;
}

TEST(DecimalTest, StoresExactBytes) {
  const struct {
    std::string_view text;
    DecimalField shape;
    Bytes bytes;
    std::string_view reads_back;
  } kCases[] = {
      {"-123.45", Dec(5, 2), {0xF1, 0x23, 0x45}, "-123.45"},
      {"-123.45", PDec(5, 2), {0x12, 0x34, 0x5D}, "-123.45"},
      {"123.45", Dec(5, 2), {0x01, 0x23, 0x45}, "123.45"},
      {"12.5", PDec(3, 1), {0x12, 0x5F}, "12.5"},
      {"0.125", Dec(5, 2), {0x00, 0x00, 0x13}, "0.13"},
      {"-0.125", Dec(5, 2), {0xF0, 0x00, 0x13}, "-0.13"},
      {"-0.125", PDec(5, 2), {0x00, 0x01, 0x3D}, "-0.13"},
      {"0.124", Dec(5, 2), {0x00, 0x00, 0x12}, "0.12"},
      {"99.995", Dec(5, 2), {0x01, 0x00, 0x00}, "100.00"},
      // High digits are lost without an error.
      {"123456", Dec(5, 0), {0x02, 0x34, 0x56}, "23456"},
      {"-123456", PDec(5, 0), {0x23, 0x45, 0x6D}, "-23456"},
      // Rounding carries into a digit the field cannot hold; the written
      // digits are zero, so no negative zero is left behind.
      {"-999.995", Dec(5, 2), {0x00, 0x00, 0x00}, "0.00"},
      {"-0.001", PDec(3, 2), {0x00, 0x0F}, "0.00"},
      {"  +7 ", Dec(1, 0), {0x07}, "7"},
      {"", Dec(3, 1), {0x00, 0x00}, "0.0"},
      {".5", Dec(1, 0), {0x01}, "1"},
  };
  for (const auto& c : kCases) {
    const Bytes field = Store(c.text, c.shape);
    EXPECT_EQ(field, c.bytes) << c.text;
    EXPECT_EQ(DecimalToText(c.shape, field.data()), c.reads_back) << c.text;
  }
}

TEST(DecimalTest, SignNibblesAsRead) {
  const struct {
    DecimalField shape;
    Bytes bytes;
    std::string_view text;
  } kCases[] = {
      {Dec(3, 0), {0x11, 0x23}, "-123"},  // any non-zero sign is negative
      {Dec(3, 0), {0x01, 0x23}, "123"},
      {PDec(3, 0), {0x12, 0x3C}, "123"},  // only 0xD is negative
      {PDec(3, 0), {0x12, 0x30}, "123"},
      {PDec(3, 0), {0x12, 0x3D}, "-123"},
      {Dec(3, 0), {0x0A, 0xFF}, "999"},  // damaged digits read as 9
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(DecimalToText(c.shape, c.bytes.data()), c.text);
  }
}

TEST(DecimalTest, StackMovesValuesBetweenShapes) {
  const Bytes source = Store("-123.45", Dec(5, 2));
  DecimalStack stack;
  ASSERT_TRUE(stack.PushField(Dec(5, 2), source.data()));
  EXPECT_EQ(stack.Top().lowest, 30);   // 32 - places
  EXPECT_EQ(stack.Top().highest, 34);  // 2 * bytes - places + 30
  EXPECT_DOUBLE_EQ(stack.TopAsDouble(), -123.45);
  EXPECT_EQ(stack.TopSign(), -1);
  Bytes wider(4, 0);
  ASSERT_TRUE(stack.PopToField(PDec(7, 3), wider.data()));
  EXPECT_EQ(wider, (Bytes{0x01, 0x23, 0x45, 0x0D}));
  EXPECT_EQ(stack.depth(), 0u);
  EXPECT_FALSE(stack.PopToField(Dec(5, 2), wider.data()));
  EXPECT_FALSE(
      stack.PushField(DecimalField{FieldType::DECIMAL, 17, 0}, source.data()));
}

TEST(DecimalTest, ArithmeticOnTheTopTwo) {
  const struct {
    std::string_view a, b, sum, difference;
    int compare;
  } kCases[] = {
      {"0.5", "0.75", "1.25", "-0.25", -1},
      {"1", "-2.5", "-1.5", "3.5", 1},
      {"-3", "-3", "-6", "0", 0},
      {"999.99", "0.01", "1000", "999.98", 1},
      {"-0.000", "0", "0", "0", 0},
      {"-10", "-9.99", "-19.99", "-0.01", -1},
  };
  const DecimalField wide = Dec(15, 4);
  for (const auto& c : kCases) {
    DecimalStack stack;
    ASSERT_TRUE(stack.PushText(c.a) && stack.PushText(c.b));
    EXPECT_EQ(stack.CompareTop(), c.compare) << c.a << " vs " << c.b;
    DecimalStack copy = stack;
    ASSERT_TRUE(stack.Add());
    ASSERT_TRUE(copy.Subtract());
    Bytes field(wide.bytes);
    ASSERT_TRUE(stack.PopToField(wide, field.data()));
    DecimalStack expected;
    ASSERT_TRUE(expected.PushText(c.sum));
    ASSERT_TRUE(expected.PushField(wide, field.data()));
    EXPECT_EQ(expected.CompareTop(), 0) << c.a << " + " << c.b;
    EXPECT_DOUBLE_EQ(copy.TopAsDouble(), std::stod(std::string(c.difference)))
        << c.a << " - " << c.b;
  }
}

TEST(DecimalTest, FieldsCompareByValue) {
  const DecimalField shape = PDec(5, 2);
  const struct {
    std::string_view a, b;
    int expected;
  } kCases[] = {
      {"1.5", "1.5", 0}, {"-1", "1", -1},    {"-2", "-1", -1},
      {"10", "9.99", 1}, {"0", "-0.001", 0}, {"-0.5", "0", -1},
  };
  for (const auto& c : kCases) {
    const Bytes a = Store(c.a, shape);
    const Bytes b = Store(c.b, shape);
    EXPECT_EQ(CompareDecimalFields(shape, a.data(), b.data()), c.expected)
        << c.a << " vs " << c.b;
    EXPECT_EQ(CompareDecimalFields(shape, b.data(), a.data()), -c.expected);
  }
  // A stored negative zero equals zero.
  const Bytes negative_zero = {0x00, 0x00, 0x0D};
  const Bytes zero = {0x00, 0x00, 0x0F};
  EXPECT_EQ(CompareDecimalFields(shape, negative_zero.data(), zero.data()), 0);
}

TEST(DecimalTest, RejectsBadTextAndKeepsTheField) {
  const DecimalField shape = Dec(5, 2);
  for (std::string_view text : {"abc", "1.2.3", "-", ".", "1e5", "12 3", "--1",
                                "123456789012345678901234567890123"}) {
    Bytes field = {0x01, 0x02, 0x03};
    EXPECT_FALSE(DecimalFromText(text, shape, field.data())) << text;
    EXPECT_EQ(field, (Bytes{0x01, 0x02, 0x03})) << text;
  }
}

TEST(DecimalTest, StackDepthIsBounded) {
  DecimalStack stack;
  for (std::size_t i = 0; i < kDecimalStackDepth; ++i) {
    ASSERT_TRUE(stack.PushText("1"));
  }
  EXPECT_FALSE(stack.PushText("2"));
  EXPECT_EQ(stack.depth(), kDecimalStackDepth);
  EXPECT_EQ(stack.TopAsDouble(), 1.0);
}

}  // namespace
}  // namespace vantrel
