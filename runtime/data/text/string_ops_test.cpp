#include "runtime/data/text/string_ops.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/data/text/char_tables.h"

namespace vantrel {
namespace {

using namespace std::string_literals;

TEST(ClipTextTest, RemovesTrailingBlanksOnly) {
  EXPECT_EQ(ClipText("    "), "");
  EXPECT_EQ(ClipText(""), "");
  EXPECT_EQ(ClipText("  ab c  "), "  ab c");
  EXPECT_EQ(ClipText("ab \0"s), "ab \0"s);
  EXPECT_EQ(ClipText("ab\t "), "ab\t");
}

TEST(UpperCaseTextTest, FollowsTheCharacterTables) {
  EXPECT_EQ(UpperCaseText("Smith, j. 12\xE9"), "SMITH, J. 12\xE9");
  CharTables t = CharTables::Defaults();
  t.case_map[0xE9] = 0xC9;
  t.classes[0xE9] = kCharLower;
  t.classes['q'] = 0;  // no longer a lower-case letter
  SetCharTables(t);
  EXPECT_EQ(UpperCaseText("q\xE9z"), "q\xC9Z");
  SetCharTables(CharTables::Defaults());
}

TEST(PieceOfTest, StartRules) {
  struct Case {
    std::int64_t start;
    std::int64_t length;
    std::string_view piece;
  };
  const Case cases[] = {
      {-1, 1, "C"},       {0, 2, "AB"}, {2, 10, "BC"}, {1, 3, "ABC"},
      {3, 1, "C"},        {4, 1, ""},   {-3, 2, "AB"}, {-9, 2, "AB"},
      {-2, 5, "BC"},      {2, 0, ""},   {2, -1, ""},   {INT64_MIN, 1, "A"},
      {INT64_MAX, 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << "," << c.length);
    EXPECT_EQ(PieceOf("ABC", c.start, c.length), c.piece);
  }
  EXPECT_EQ(PieceOf("", 0, 5), "");
}

TEST(IsNumericTextTest, ReadsOneWholeNumber) {
  struct Case {
    std::string text;
    bool numeric;
  };
  const Case cases[] = {
      {"1234567", true},
      {"123 4567", false},
      {"", false},
      {"     ", false},
      {"1e5", true},
      {"  -12.5E-3   ", true},
      {"+.5", true},
      {"7.", true},
      {".", false},
      {"-", false},
      {"1e", false},
      {"1e+", false},
      {"e5", false},
      {"12a", false},
      {"\t 42", true},
      {"42\t", false},
      {"0x1A", false},
      {"inf", false},
      {"1,5", false},
      // Only the first 39 characters count.
      {std::string(39, '9') + "x", true},
      {std::string(38, '9') + "x", false},
      {"1"s + '\0', false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    EXPECT_EQ(IsNumericText(c.text), c.numeric);
  }
}

TEST(NumberToTextTest, PlainDecimal) {
  EXPECT_EQ(NumberToText(std::int64_t{0}), "0");
  EXPECT_EQ(NumberToText(std::int64_t{-42}), "-42");
  EXPECT_EQ(NumberToText(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(NumberToText(2.5), "2.5");
  EXPECT_EQ(NumberToText(-0.125), "-0.125");
  EXPECT_EQ(NumberToText(1e20), "100000000000000000000");
  EXPECT_EQ(NumberToText(3.0), "3");
  EXPECT_EQ(NumberToText(1.7976931348623157e308).size(), 309u);
}

TEST(StoreTextTest, PadsOrCutsToTheField) {
  std::string field(8, '#');
  StoreText(field, "abc");
  EXPECT_EQ(field, "abc     ");
  StoreText(field, "0123456789");
  EXPECT_EQ(field, "01234567");
  StoreText(field, {});
  EXPECT_EQ(field, "        ");
  StoreText(std::span<char>(), "abc");  // an empty field takes nothing
}

TEST(ClearTextFieldTest, FillsWithTheChosenValue) {
  std::string field = "abc";
  ClearTextField(field);
  EXPECT_EQ(field, "   ");
  ClearTextField(field, FieldFill::kLowValues);
  EXPECT_EQ(field, std::string(3, '\0'));
  ClearTextField(field, FieldFill::kHighValues);
  EXPECT_EQ(field, std::string(3, '\xFF'));
}

}  // namespace
}  // namespace vantrel
