#include <gtest/gtest.h>

#include <random>
#include <string>

#include "runtime/data/text/string_ops.h"
#include "runtime/data/text/string_search_internal.h"

namespace vantrel {
namespace {

using search_internal::kNotFound;

TEST(SearchTextTest, ResultRules) {
  struct Case {
    std::string_view haystack;
    std::string_view needle;
    std::int64_t step;
    std::int64_t start;
    std::int64_t result;
  };
  const Case cases[] = {
      {"ann", "n", 1, 1, 2},
      {"ann", "n", 2, 1, 2},  // offsets 0 and 2 tried; 2 is in slot 2
      {"ann", "", 1, 1, 0},
      {"", "", 1, 1, 0},
      {"ann", "n", 1, 0, 0},
      {"ann", "n", 1, -1, 0},
      {"ann", "n", -1, 1, 0},
      {"an", "ann", 1, 1, 0},
      {"ann", "x", 1, 1, 0},
      {"ann", "n", 1, 3, 3},
      {"ann", "n", 1, 4, 0},  // start past the last place the needle fits
      {"abcabc", "abc", 1, 2, 4},
      {"abcdef", "cd", 0, 1, 2},  // step 0: the needle's length
      {"abcdef", "bc", 0, 1, 0},  // offset 1 is never tried
      {"xxxxab", "ab", 3, 2, 2},  // offsets 1, 4: the match is in slot 2
      {"xxxxab", "ab", 3, 1, 0},  // offsets 0, 3
      {"aXbXcX", "X", 2, 2, 1},   // offset 1 lies in the first slot
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.haystack << "/" << c.needle << " step "
                                    << c.step << " start " << c.start);
    EXPECT_EQ(SearchText(c.haystack, c.needle, c.step, c.start), c.result);
  }
}

TEST(SearchTextTest, LongHaystackTakesTheFastPaths) {
  std::string haystack(1000, 'a');
  haystack.replace(700, 6, "needle");
  EXPECT_EQ(SearchText(haystack, "needle", 1, 1), 701);
  EXPECT_EQ(SearchText(haystack, "needle", 1, 702), 0);
  EXPECT_EQ(SearchText(haystack, "n", 1, 1), 701);
  EXPECT_EQ(SearchText(haystack, "ee", 1, 1), 702);
  EXPECT_EQ(SearchText(haystack, "needle", 7, 1), 101);  // slot of 7 bytes
}

// Every fast path must find exactly what the plain scan finds, and the plain
// scan what the standard library finds. Small alphabets make near misses and
// repeated characters common; needles beyond 255 characters exercise the
// skip table's cut-off tail.
TEST(SearchTextTest, FastPathsMatchThePlainScan) {
  std::mt19937 rng(11);
  for (int round = 0; round < 20000; ++round) {
    const std::string alphabet = round % 2 ? "ab" : "abcde\xFF";
    std::string haystack(rng() % (round % 10 == 0 ? 1200 : 300), 'a');
    for (char& c : haystack) c = alphabet[rng() % alphabet.size()];
    std::string needle;
    const std::size_t size = 1 + rng() % (round % 10 == 1 ? 400 : 12);
    if (rng() % 2 && size <= haystack.size()) {
      needle = haystack.substr(rng() % (haystack.size() - size + 1), size);
      if (rng() % 2) needle[rng() % size] = alphabet[rng() % alphabet.size()];
    } else {
      needle.resize(size);
      for (char& c : needle) c = alphabet[rng() % alphabet.size()];
    }
    if (needle.size() > haystack.size()) continue;
    const std::size_t from = rng() % (haystack.size() - needle.size() + 1);
    SCOPED_TRACE(testing::Message() << "haystack " << haystack << " needle "
                                    << needle << " from " << from);

    const std::size_t plain =
        search_internal::FindPlain(haystack, needle, from, 1);
    ASSERT_EQ(plain, std::string_view(haystack).find(needle, from));
    ASSERT_EQ(search_internal::FindWithSkipTable(haystack, needle, from),
              plain);
    ASSERT_EQ(search_internal::FindLongNeedle(haystack, needle, from), plain);
#if defined(__x86_64__)
    ASSERT_EQ(search_internal::FindByEndCharacters(haystack, needle, from),
              plain);
#endif
    if (needle.size() == 1) {
      ASSERT_EQ(search_internal::FindCharacter(haystack, needle, from), plain);
    }
    ASSERT_EQ(SearchText(haystack, needle, 1, from + 1),
              plain == kNotFound ? 0 : std::int64_t(plain) + 1);
  }
}

TEST(SearchTextTest, PlainScanStepsFromStart) {
  const std::string haystack = "abababab";
  // From offset 1 by 2: offsets 1, 3, 5 hold "ba"; "ab" is never met.
  EXPECT_EQ(search_internal::FindPlain(haystack, "ab", 1, 2), kNotFound);
  EXPECT_EQ(search_internal::FindPlain(haystack, "ba", 1, 2), 1u);
  EXPECT_EQ(search_internal::FindPlain(haystack, "ab", 0, 100), 0u);
  EXPECT_EQ(search_internal::FindPlain(haystack, "bb", 0, 100), kNotFound);
}

}  // namespace
}  // namespace vantrel
