#include "runtime/data/text/char_tables.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

class CharTablesTest : public ::testing::Test {
 protected:
  void TearDown() override { SetCharTables(CharTables::Defaults()); }
};

TEST_F(CharTablesTest, DefaultsPairAsciiLettersOnly) {
  const CharTables t = CharTables::Defaults();
  for (int c = 0; c < 256; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(t.weight[c], c);
    const bool upper = c >= 'A' && c <= 'Z';
    const bool lower = c >= 'a' && c <= 'z';
    const bool digit = c >= '0' && c <= '9';
    EXPECT_EQ(t.case_map[c], upper ? c + 32 : lower ? c - 32 : 0);
    EXPECT_EQ(t.classes[c], upper   ? kCharUpper
                            : lower ? kCharLower
                            : digit ? kCharDigit
                                    : 0);
  }
  EXPECT_FALSE(t.HasDigraphs());
  EXPECT_EQ(GetCharTables(), t);
}

TEST_F(CharTablesTest, ReplacedTablesDriveUpperCase) {
  CharTables t = CharTables::Defaults();
  // A pair beyond A-Z, as an environment file adds them.
  t.case_map[0xE9] = 0xC9;
  t.case_map[0xC9] = 0xE9;
  t.classes[0xE9] = kCharLower;
  t.classes[0xC9] = kCharUpper;
  // Classed lower but without a partner: stays as it is.
  t.classes[0xF0] = kCharLower;
  SetCharTables(t);
  EXPECT_EQ(UpperCaseOf(0xE9), 0xC9);
  EXPECT_EQ(UpperCaseOf(0xC9), 0xC9);
  EXPECT_EQ(UpperCaseOf(0xF0), 0xF0);
  EXPECT_EQ(UpperCaseOf('q'), 'Q');
  EXPECT_EQ(UpperCaseOf('1'), '1');
  EXPECT_EQ(GetCharTables(), t);
}

TEST_F(CharTablesTest, DigraphsAreCappedAndFirstEntryWins) {
  CharTables t = CharTables::Defaults();
  t.digraphs.push_back({0xE6, 'a', 'e'});
  t.digraphs.push_back({0xE6, 'x', 'x'});
  for (std::size_t i = t.digraphs.size(); i < kMaxDigraphs + 5; ++i) {
    t.digraphs.push_back({static_cast<std::uint8_t>(i), 'z', 'z'});
  }
  SetCharTables(t);
  ASSERT_EQ(GetCharTables().digraphs.size(), kMaxDigraphs);
  EXPECT_TRUE(GetCharTables().HasDigraphs());
  EXPECT_EQ(GetCharTables().digraphs[0], (Digraph{0xE6, 'a', 'e'}));
}

}  // namespace
}  // namespace vantrel
