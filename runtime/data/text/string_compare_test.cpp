#include "runtime/data/text/string_compare.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "runtime/data/text/char_tables.h"

namespace vantrel {
namespace {

using namespace std::string_literals;

int Sign(int v) { return (v > 0) - (v < 0); }

struct CompareCase {
  std::string a;
  std::string b;
  int sign;
};

class StringCompareTest : public ::testing::Test {
 protected:
  void TearDown() override { SetCharTables(CharTables::Defaults()); }

  // Checks both argument orders, so either side may be the shorter.
  static void ExpectOrder(int (*compare)(std::string_view, std::string_view),
                          const std::vector<CompareCase>& cases) {
    for (const CompareCase& c : cases) {
      SCOPED_TRACE("\"" + c.a + "\" vs \"" + c.b + "\"");
      EXPECT_EQ(Sign(compare(c.a, c.b)), c.sign);
      EXPECT_EQ(Sign(compare(c.b, c.a)), -c.sign);
    }
  }
};

TEST_F(StringCompareTest, BlankPaddingAndDefaultWeights) {
  ExpectOrder(CompareStrings,
              {
                  {"ab", "ab   ", 0},
                  {"ab", "ab!", -1},  // the padding blank weighs below '!'
                  {"", "   ", 0},
                  {"", "a", -1},
                  {"abc", "abd", -1},
                  {"B", "a", -1},
                  {"ab"s + '\0', "ab", -1},  // a zero byte weighs below blank
                  // Differences beyond the first eight bytes.
                  {"0123456789abcdefX", "0123456789abcdefY", -1},
                  {"0123456789abcdef", "0123456789abcdef \x01", 1},
                  {"smith", "SMITH", 1},
              });
}

TEST_F(StringCompareTest, NoCaseFoldsLowerCaseLetters) {
  ExpectOrder(CompareStringsNoCase, {
                                        {"smith", "SMITH", 0},
                                        {"SmItH", "sMiTh  ", 0},
                                        {"smith", "SMITI", -1},
                                        {"[", "a", 1},  // 'A' < '[' < 'a'
                                        {"abc1", "ABC2", -1},
                                    });
}

TEST_F(StringCompareTest, ZeroTerminatedTextsEndAtTheirZeroByte) {
  EXPECT_EQ(CompareZeroTerminated(nullptr, "  "), 0);
  EXPECT_EQ(CompareZeroTerminated("ab", "ab "), 0);
  EXPECT_LT(CompareZeroTerminated("ab", "ac"), 0);
  EXPECT_EQ(CompareZeroTerminatedNoCase("Jones", "JONES"), 0);
  EXPECT_GT(CompareZeroTerminatedNoCase("b", nullptr), 0);
}

TEST_F(StringCompareTest, WeightsDecideAndEqualWeightsDoNot) {
  CharTables t = CharTables::Defaults();
  t.weight['!'] = 1;    // now below the blank
  t.weight['a'] = 'A';  // a and A sort alike
  SetCharTables(t);
  ExpectOrder(CompareStrings, {
                                  {"ab", "ab!", 1},
                                  {"a", "A", 0},
                                  // The walk goes past a tie of weights.
                                  {"aX", "AY", -1},
                                  {"abcdefghaX", "abcdefghAY", -1},
                              });
}

TEST_F(StringCompareTest, DigraphsExpandOnEitherSide) {
  CharTables t = CharTables::Defaults();
  t.digraphs.push_back({0xE6, 'a', 'e'});
  t.digraphs.push_back({0xDF, 's', 's'});
  SetCharTables(t);
  ExpectOrder(CompareStrings, {
                                  {"\xE6", "ae", 0},
                                  {"\xE6z", "aez", 0},
                                  {"\xE6", "ae  ", 0},
                                  {"\xE6", "ad", 1},
                                  {"a", "\xE6", -1},
                                  {"\xE6\xDF", "aess", 0},
                                  {"\xDF\xE6", "\xE6\xDF", 1},
                                  {"b", "\xE6", 1},
                              });
  ExpectOrder(CompareStringsNoCase, {
                                        {"\xE6", "AE", 0},
                                        {"Stra\xDF"
                                         "e",
                                         "STRASSE", 0},
                                    });
}

// The word-at-a-time path without digraphs must order exactly as the
// character walk that digraphs force; a digraph on a byte the texts never
// hold switches paths without changing any result.
TEST_F(StringCompareTest, FastPathMatchesCharacterWalk) {
  std::mt19937 rng(7);
  auto text = [&] {
    std::string s(rng() % 24, ' ');
    for (char& c : s) c = " !Aaz\x01\xFE"[rng() % 7];
    return s;
  };
  CharTables with_digraph = CharTables::Defaults();
  with_digraph.weight['z'] = 'A';
  with_digraph.digraphs.push_back({0xFF, 'a', 'b'});
  CharTables without = with_digraph;
  without.digraphs.clear();
  for (int i = 0; i < 4000; ++i) {
    std::string a = text();
    std::string b = rng() % 2 ? a.substr(0, rng() % (a.size() + 1)) : text();
    if (rng() % 2) b += std::string(rng() % 3, ' ');
    SetCharTables(without);
    const int fast = Sign(CompareStrings(a, b));
    const int fast_nocase = Sign(CompareStringsNoCase(a, b));
    SetCharTables(with_digraph);
    ASSERT_EQ(fast, Sign(CompareStrings(a, b))) << a << "|" << b;
    ASSERT_EQ(fast_nocase, Sign(CompareStringsNoCase(a, b))) << a << "|" << b;
  }
}

}  // namespace
}  // namespace vantrel
