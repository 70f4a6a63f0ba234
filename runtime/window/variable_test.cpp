#include "runtime/window/variable.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

TEST(VariableTest, StoreAndReadBackByType) {
  struct Case {
    FieldType type;
    std::uint32_t size;
    std::uint8_t places;
    const char* stored;
    const char* read;  // nullptr: refused
  } cases[] = {
      {FieldType::BYTE, 1, 0, "255", "255"},
      {FieldType::BYTE, 1, 0, "256", nullptr},
      {FieldType::SHORT, 2, 0, " -32768 ", "-32768"},
      {FieldType::USHORT, 2, 0, "-1", nullptr},
      {FieldType::LONG, 4, 0, "+12", "12"},
      {FieldType::LONG, 4, 0, "12a", nullptr},
      {FieldType::LONG, 4, 0, "", nullptr},
      {FieldType::ULONG, 4, 0, "4294967295", "4294967295"},
      {FieldType::REAL, 8, 0, "1234.5", "1234.5"},
      {FieldType::SREAL, 4, 0, "0.5", "0.5"},
      {FieldType::REAL, 8, 0, "1e999", nullptr},
      {FieldType::DECIMAL, 4, 2, "-12.34", "-12.34"},
      {FieldType::PDECIMAL, 3, 1, "x", nullptr},
      {FieldType::STRING, 4, 0, "abcdef", "abcd"},
      {FieldType::CSTRING, 4, 0, "abcdef", "abc"},
      {FieldType::PSTRING, 4, 0, "abcdef", "abc"},
  };
  for (const Case& c : cases) {
    std::array<std::uint8_t, 16> bytes{};
    Variable v{c.type, bytes.data(), c.size, c.places};
    ASSERT_TRUE(StoreVariableValue(v, "0")) << c.stored;
    std::array<std::uint8_t, 16> before = bytes;
    EXPECT_EQ(StoreVariableValue(v, c.stored), c.read != nullptr) << c.stored;
    if (c.read != nullptr) {
      EXPECT_EQ(VariableValue(v), c.read) << c.stored;
    } else {
      EXPECT_EQ(bytes, before) << c.stored;  // a refused value changes nothing
    }
  }
}

TEST(VariableTest, DateAndTimeFieldsAreStandardValues) {
  std::uint8_t date[4] = {}, time[4] = {};
  Variable d{FieldType::DATE, date, 4, 0}, t{FieldType::TIME, time, 4, 0};
  std::int32_t day = StandardDateFrom(5, 3, 2026);
  std::int32_t moment = StandardTimeFrom(9, 30, 0, 0);
  ASSERT_TRUE(StoreVariableValue(d, std::to_string(day)));
  ASSERT_TRUE(StoreVariableValue(t, std::to_string(moment)));
  EXPECT_EQ(date[0], 5);  // the DATE layout: day, month, year
  EXPECT_EQ(date[1], 3);
  EXPECT_EQ(VariableValue(d), std::to_string(day));
  EXPECT_EQ(VariableValue(t), std::to_string(moment));
  EXPECT_FALSE(StoreVariableValue(d, "-5"));
}

TEST(VariableTest, UnboundVariable) {
  Variable none;
  EXPECT_FALSE(none.bound());
  EXPECT_FALSE(StoreVariableValue(none, "1"));
  EXPECT_EQ(VariableValue(none), "");
}

}  // namespace
}  // namespace vantrel
