#include "app/phone_lines.h"

#include <gtest/gtest.h>

#include <string>

namespace vantrel {
namespace {

// Accepting the phones text: split, format, trim, join.
std::string Accept(const std::string& text) {
  PhoneLines lines = SplitPhones(text);
  FormatPhones(lines);
  TrimPhones(lines);
  return JoinPhones(lines);
}

TEST(PhoneLinesTest, FormatsLinesOfDigitsByTheirLength) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"5551234", "555-1234"},
      {"6175551234", "(617) 555-1234"},
      {"16175551234", "1 (617) 555-1234"},
      // Other lengths and lines that are not numbers stay as typed.
      {"55512345", "55512345"},
      {"555 1234", "555 1234"},
      {"555-1234", "555-1234"},
      {"Fax 5551234", "Fax 5551234"},
      {"(617) 555-1234", "(617) 555-1234"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Accept(c.in), c.out) << c.in;
}

TEST(PhoneLinesTest, KeepsLinesAndCutsThemToTwentyCharacters) {
  EXPECT_EQ(Accept("5551234\r\nhome\r\n6175551234"),
            "555-1234\r\nhome\r\n(617) 555-1234");
  // An empty line among others stays; empty lines at the end go.
  EXPECT_EQ(Accept("\r\nwork\r\n\r\n5551234\r\n\r\n\r\n"),
            "\r\nwork\r\n\r\n555-1234");
  EXPECT_EQ(Accept("an office line of thirty chars\r\nnext"),
            "an office line of th\r\nnext");
  EXPECT_EQ(Accept("a last line longer than twenty"), "a last line longer t");
  // Blanks at the ends of lines are dropped by the join.
  EXPECT_EQ(Accept("home   \r\nwork  "), "home\r\nwork");
  // A bare line feed from a text control separates lines too.
  EXPECT_EQ(Accept("5551234\nhome"), "555-1234\r\nhome");
}

TEST(PhoneLinesTest, KeepsAtMostElevenLines) {
  std::string text;
  for (int i = 1; i <= 13; ++i) text += "line " + std::to_string(i) + "\r\n";
  PhoneLines lines = SplitPhones(text);
  EXPECT_EQ(lines.count, kMaxPhoneLines);
  EXPECT_EQ(lines.lines[1], "line 1");
  EXPECT_EQ(lines.lines[11], "line 11");
  std::string expected;
  for (int i = 1; i <= 11; ++i)
    expected += (i > 1 ? "\r\n" : "") + std::string("line ") + std::to_string(i);
  EXPECT_EQ(Accept(text), expected);
}

TEST(PhoneLinesTest, SplitCountsTheLineTheTextEndsIn) {
  EXPECT_EQ(SplitPhones("").count, 1);
  EXPECT_EQ(SplitPhones("5551234").count, 1);
  EXPECT_EQ(SplitPhones("5551234\r\n").count, 2);
  PhoneLines lines = SplitPhones("a\r\nb\r\n");
  EXPECT_EQ(lines.count, 3);
  TrimPhones(lines);
  EXPECT_EQ(lines.count, 2);
  lines = SplitPhones("   ");
  TrimPhones(lines);
  EXPECT_EQ(lines.count, 0);
  EXPECT_EQ(JoinPhones(lines), "");
}

TEST(PhoneLinesTest, CaretMovesByWhatFormattingAddsBeforeIt) {
  // "5551234\r\n6175551234\r\n|" with the caret on the third line.
  const std::string text = "5551234\r\n6175551234\r\n";
  PhoneLines lines = SplitPhones(text);
  const int caret = static_cast<int>(text.size()) + 1;
  EXPECT_EQ(FormatPhones(lines, caret), caret + 1 + 4);
  EXPECT_EQ(JoinPhones(lines), "555-1234\r\n(617) 555-1234\r\n");
  // A line formatted after the caret does not move it.
  lines = SplitPhones(text);
  EXPECT_EQ(FormatPhones(lines, 3), 4);
  lines = SplitPhones("16175551234");
  EXPECT_EQ(FormatPhones(lines, 12), 17);
}

}  // namespace
}  // namespace vantrel
