#include "runtime/data/text/pattern_match.h"

#include <gtest/gtest.h>

#include <string>

namespace vantrel {
namespace {

struct Case {
  const char* pattern;
  const char* text;
  bool found;
};

void ExpectFound(std::initializer_list<Case> cases, bool no_case) {
  for (const Case& c : cases) {
    std::string problem;
    std::optional<bool> found =
        PatternFound(c.text, c.pattern, no_case, &problem);
    ASSERT_TRUE(found.has_value()) << c.pattern << ": " << problem;
    EXPECT_EQ(*found, c.found) << "'" << c.pattern << "' in '" << c.text << "'";
  }
}

TEST(PatternMatch, ExtendedSyntaxFoundAnywhere) {
  ExpectFound(
      {
          {"", "", true},
          {"an.r", "Vantrel", true},
          {"^Van", "Vantrel", true},
          {"^an", "Vantrel", false},
          {"rel$", "Vantrel", true},
          {"a^b", "a^b", false},  // anchors anywhere, never literal
          {"^$", "", true},
          {"^a|b$", "xb", true},
          {"(cat|dog)s?$", "hotdogs", true},
          {"(cat|dog)s?$", "dogsx", false},
          {"a(|b)c", "ac", true},
          {"colou?r", "color", true},
          {"ab+c", "ac", false},
          {"ab*c", "ac", true},
          {"(ab)+$", "xababab", true},
          {"^a{3}$", "aaa", true},
          {"^a{3}$", "aaaa", false},
          {"^a{2,}$", "aaaaa", true},
          {"^a{2,3}$", "aaaa", false},
          {"^a{,2}$", "aa", true},
          {"^(a|ab)(c|bcd)$", "abcd", true},
          {"^(a*)*$", "aaaa", true},
          {"^(a*)*b$", "aaaa", false},
          {"^a**$", "aa", true},
          {"x)", "x)", true},  // a ')' outside a group stands for itself
          {"a}", "a}", true},
          {"[abc]", "xbx", true},
          {"[^abc]", "abc", false},
          {"^[]a]+$", "]a]", true},
          {"^[^]a]$", "]", false},
          {"^[a-c-]+$", "b-a", true},
          {"[[:digit:]][[:alpha:]]", "x1y", true},
          {"^[[:upper:][:space:]]+$", "AB C", true},
          {"^[[:punct:]]+$", "_!-", true},
          {"[[.-.]]", "a-b", true},
          {"[[=e=]]", "yes", true},
          {"[\\]", "a\\b", true},  // no escapes inside brackets
          {"\\.", "ab", false},
          {"a\\*b", "a*b", true},
          {"^\\w+\\s\\W$", "a_1 !", true},
          {"\\bcat\\b", "a cat.", true},
          {"\\bcat\\b", "concat", false},
          {"\\Bcat", "concat", true},
          {"\\<in", "tin in", true},
          {"in\\>", "into", false},
          {"caf\xE9", "caf\xE9", true},  // bytes past ASCII match themselves
          {"^.$", "\xFF", true},
      },
      false);
}

TEST(PatternMatch, IgnoringCaseFoldsLettersAndClasses) {
  ExpectFound(
      {
          {"^TREL", "Vantrel", false},
          {"TREL$", "Vantrel", true},
          {"[A-C]x", "bX", true},
          {"[^a]", "A", false},
          {"[[:lower:]]", "Q", true},
      },
      true);
  ExpectFound({{"TREL$", "Vantrel", false}, {"[[:lower:]]", "Q", false}},
              false);
}

TEST(PatternMatch, MalformedOrCostlyPatternsAreRefused) {
  struct Refusal {
    std::string pattern;
    const char* problem;
  };
  const Refusal cases[] = {
      {"(", "unmatched '('"},
      {"(a|b", "unmatched '('"},
      {"[a", "unmatched '['"},
      {"[z-a]", "invalid range"},
      {"[[:nope:]]", "invalid bracket expression"},
      {"[[.ab.]]", "invalid bracket expression"},
      {"*a", "repeat with nothing to repeat"},
      {"a|+", "repeat with nothing to repeat"},
      {"a{", "invalid repeat count"},
      {"a{x}", "invalid repeat count"},
      {"a{3,2}", "invalid repeat count"},
      {"a{256}", "repeat count over 255"},
      {"a{99999999999}", "repeat count over 255"},
      {"a\\", "trailing backslash"},
      {"(a)\\1", "back-references are not supported"},
      {std::string(257, 'a'), "pattern longer than 256 characters"},
      {"((a*){1,100}){1,100}b", "pattern too complex"},
      {"(((a{0,20}){0,20}){0,20})", "pattern too complex"},
  };
  for (const Refusal& c : cases) {
    std::string problem;
    EXPECT_FALSE(PatternFound("aaa", c.pattern, false, &problem).has_value())
        << c.pattern;
    EXPECT_EQ(problem, c.problem) << c.pattern;
  }
}

// Patterns that make a backtracking search take exponential time are
// answered here in one pass over the text.
TEST(PatternMatch, NestedRepeatsAnswerOnLongTexts) {
  std::string text(10000, 'a');
  for (const char* pattern : {"(a*)*b", "(a|aa)+b", "^(a?){100}a{100}$",
                              "(a{0,40}){0,40}b", "(.*a){20}b"}) {
    std::string problem;
    std::optional<bool> found = PatternFound(text, pattern, false, &problem);
    ASSERT_TRUE(found.has_value()) << pattern << ": " << problem;
    EXPECT_FALSE(*found) << pattern;
  }
  std::string problem;
  EXPECT_EQ(PatternFound(text + "b", "(a|aa)+b$", false, &problem), true);
  // The largest patterns on long texts stop at the step budget.
  EXPECT_FALSE(PatternFound(std::string(65535, 'a'), "(a{0,40}){0,40}b", false,
                            &problem));
  EXPECT_EQ(problem, "pattern search too long");
}

}  // namespace
}  // namespace vantrel
