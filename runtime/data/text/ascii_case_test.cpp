#include "runtime/data/text/ascii_case.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(AsciiCaseTest, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(AsciiUpper('a'), 'A');
  EXPECT_EQ(AsciiUpper('z'), 'Z');
  EXPECT_EQ(AsciiUpper('Q'), 'Q');
  EXPECT_EQ(AsciiUpper('{'), '{');        // just past 'z'
  EXPECT_EQ(AsciiUpper('`'), '`');        // just before 'a'
  EXPECT_EQ(AsciiUpper('\xE9'), '\xE9');  // e acute stays

  EXPECT_TRUE(EqualIgnoringAsciiCase("FullBuild", "FULLBUILD"));
  EXPECT_TRUE(EqualIgnoringAsciiCase("", ""));
  EXPECT_FALSE(EqualIgnoringAsciiCase("ON", "ONE"));
  EXPECT_FALSE(EqualIgnoringAsciiCase("\xE9", "\xC9"));
  EXPECT_FALSE(EqualIgnoringAsciiCase("@", "`"));
}

}  // namespace
}  // namespace vantrel
