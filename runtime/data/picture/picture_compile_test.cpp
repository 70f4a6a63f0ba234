#include <gtest/gtest.h>

#include "runtime/data/picture/picture.h"
#include "runtime/data/text/locale.h"

namespace vantrel {
namespace {

class PictureCompileTest : public ::testing::Test {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings()); }
};

// The displayed characters of a picture's positions, for layout checks.
std::string Shape(const Picture& p) {
  std::string s;
  for (const PicturePosition& pos : p.positions) s += pos.ch;
  return s;
}

TEST_F(PictureCompileTest, NumericCounts) {
  struct Case {
    const char* text;
    int digit_positions, integer_digits, decimals;
    char grouping, decimal;
    const char* shape;
  } cases[] = {
      {"@N-12.2", 8, 7, 2, ',', '.', "-9999,999.99"},
      {"@N12.2", 8, 7, 2, ',', '.', "-9999,999.99"},
      {"@N12`2", 8, 7, 2, '.', ',', "-9999.999,99"},
      {"@N012", 11, 11, 0, 0, '.', "-99999999999"},
      {"@N012.", 11, 9, 0, '.', '.', "-999.999.999"},
      {"@N$10.2", 5, 4, 2, ',', '.', "$-9,999.99"},
      {"@N(10.2)", 5, 4, 2, ',', '.', "(9,999.99)"},
      {"@N8-", 7, 6, 0, ',', '.', "999,999-"},
      {"@N~EUR~9_", 5, 4, 0, ' ', '.', "EUR-9 999"},
      {"@N9~ kr~", 5, 4, 0, ',', '.', "-9,999 kr"},
      {"@N_6v2", 3, 3, 2, 0, 0, "-99999"},
      {"n5", 4, 4, 0, ',', '.', "-9999"},
  };
  for (const Case& c : cases) {
    Picture p = CompilePicture(c.text);
    ASSERT_EQ(p.kind, PictureKind::kNumeric) << c.text;
    EXPECT_EQ(p.digit_positions, c.digit_positions) << c.text;
    EXPECT_EQ(p.integer_digits, c.integer_digits) << c.text;
    EXPECT_EQ(p.decimals, c.decimals) << c.text;
    EXPECT_EQ(p.grouping, c.grouping) << c.text;
    EXPECT_EQ(p.decimal, c.decimal) << c.text;
    EXPECT_EQ(Shape(p), c.shape) << c.text;
    EXPECT_EQ(static_cast<int>(p.positions.size()), p.width) << c.text;
  }
  EXPECT_TRUE(CompilePicture("@N-12.2").flags & kPictureExplicitSign);
  EXPECT_FALSE(CompilePicture("@N12.2").flags & kPictureExplicitSign);
  EXPECT_TRUE(CompilePicture("@N12.2").flags & kPictureNoFill);
  EXPECT_TRUE(CompilePicture("@N12.2 b").blank_when_zero());
}

TEST_F(PictureCompileTest, InvalidPictures) {
  const char* cases[] = {
      "",        "@",       "@X5",       "@N",     "@N-12.2-", "@N12.2)",
      "@N(12.2", "@N$9$",   "@N~a~9~b~", "@N~abc", "@N~~9",    "@N3.2",
      "@N0",     "@N5.x",   "@N5 BB",    "@N5 x",  "@E8.2",    "@E",
      "@D0",     "@D21",    "@D",        "@D01x",  "@T0",      "@T9",
      "@S",      "@S0",     "@P###",     "@PabcP", "@K###",    "@K\\",
      "@N999",   "@N12..2", "@N12__2",
  };
  for (const char* text : cases) {
    Picture p = CompilePicture(text);
    EXPECT_EQ(p.kind, PictureKind::kInvalid) << text;
    EXPECT_TRUE(p.positions.empty()) << text;
    EXPECT_EQ(FormatPicture("1", p), "") << text;
  }
}

TEST_F(PictureCompileTest, DateAndTimeLayouts) {
  struct Case {
    const char* text;
    PictureKind kind;
    const char* shape;
    int window;
  } cases[] = {
      {"@D1", PictureKind::kDate, "Mm/dd/yy", 80},
      {"@D2.", PictureKind::kDate, "Mm.dd.yyyy", 80},
      {"@D6-", PictureKind::kDate, "Dd-mm-yyyy", 80},
      {"@D3_", PictureKind::kDate, "NNN Dd, yyyy", 80},
      {"@D4`", PictureKind::kDate, "NNNNNNNNN,Dd,,yyyy", 80},
      {"@D1<30", PictureKind::kDate, "Mm/dd/yy", 30},
      {"@D1>10", PictureKind::kDate, "Mm/dd/yy", 89},
      {"@D1>", PictureKind::kDate, "Mm/dd/yy", 19},
      {"@D017", PictureKind::kDate, "mm/dd/yy", 80},
      {"@D18", PictureKind::kDate, "NNNNNNNNN dd, yyyy", 80},
      {"@T3", PictureKind::kTime, "Hh:mmPP", 80},
      {"@T4", PictureKind::kTime, "hh:mm:ss", 80},
      {"@T1.", PictureKind::kTime, "hh.mm", 80},
      {"@T7", PictureKind::kTime, "hh:mm PP", 80},
      {"@T8", PictureKind::kTime, "hh:mm:ss PP", 80},
  };
  for (const Case& c : cases) {
    Picture p = CompilePicture(c.text);
    EXPECT_EQ(p.kind, c.kind) << c.text;
    EXPECT_EQ(Shape(p), c.shape) << c.text;
    EXPECT_EQ(p.year_window, c.window) << c.text;
  }
  Picture t3 = CompilePicture("@T3");
  EXPECT_EQ(t3.name_position, 5);
  EXPECT_EQ(t3.positions[5].kind, PositionKind::kAmPm);
  EXPECT_EQ(t3.positions[0].flags, kPositionValue | kPositionFieldStart |
                                       kPositionSuppressZero |
                                       kPositionFirstField);
  EXPECT_TRUE(t3.positions[6].flags & kPositionLastField);
  EXPECT_EQ(t3.positions[2].kind, PositionKind::kLiteral);
  EXPECT_EQ(CompilePicture("@T4").name_position, -1);
  Picture d3 = CompilePicture("@D3");
  EXPECT_EQ(d3.positions[0].kind, PositionKind::kMonthName);
  EXPECT_EQ(d3.name_position, 0);
}

TEST_F(PictureCompileTest, PatternsAndKeyIns) {
  Picture phone = CompilePicture("@P(###) ###-####P");
  ASSERT_EQ(phone.kind, PictureKind::kPattern);
  EXPECT_EQ(phone.digit_positions, 10);
  EXPECT_EQ(phone.width, 14);
  EXPECT_EQ(CompilePicture("@P# (###) ###-####P").digit_positions, 11);
  EXPECT_EQ(CompilePicture("@p<<#p").digit_positions, 3);

  Picture k = CompilePicture("@K^@|##\\#K");
  ASSERT_EQ(k.kind, PictureKind::kKeyIn);
  EXPECT_EQ(Shape(k), "|^@|###");
  EXPECT_EQ(k.positions.back().kind, PositionKind::kLiteral);
  EXPECT_EQ(k.width, 5);
  EXPECT_EQ(CompilePicture("@S20").width, 20);
  Picture e = CompilePicture("@E12.3");
  EXPECT_EQ(e.kind, PictureKind::kScientific);
  EXPECT_EQ(e.flags & (kPictureExplicitSign | kPictureScientificSign),
            kPictureExplicitSign | kPictureScientificSign);
}

}  // namespace
}  // namespace vantrel
