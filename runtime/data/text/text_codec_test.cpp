#include "runtime/data/text/text_codec.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(TextCodec, RoundTripsWhatWindows1252Holds) {
  struct Case {
    const char* utf8;
    const char* windows;
  } cases[] = {
      {"plain", "plain"},
      {"caf\xC3\xA9", "caf\xE9"},  // e acute
      {"\xE2\x82\xAC"
       "5",
       "\x80"
       "5"},                                       // euro sign
      {"\xE2\x80\x9Cq\xE2\x80\x9D", "\x93q\x94"},  // curly quotes
      {"\xC3\xBF", "\xFF"},
  };
  for (const Case& c : cases) {
    std::string problem;
    std::optional<std::string> w = Utf8ToWindows1252(c.utf8, &problem);
    ASSERT_TRUE(w) << c.utf8 << ": " << problem;
    EXPECT_EQ(*w, c.windows);
    EXPECT_EQ(Windows1252ToUtf8(*w), c.utf8);
  }
  EXPECT_EQ(Windows1252ToUtf8("\x81"), "\xEF\xBF\xBD");
}

TEST(TextCodec, RefusesWhatItCannotHold) {
  struct Case {
    const char* utf8;
    const char* problem;
  } cases[] = {
      {"a\xE2\x88\x9E",
       "character U+221E at column 2 has no Windows-1252 code"},
      {"\xF0\x9F\x98\x80",
       "character U+1F600 at column 1 has no Windows-1252 code"},
      {"\xEF\xBF\xBD", "character U+FFFD at column 1 has no Windows-1252 code"},
      {"ab\xE9", "not UTF-8 text at column 3"},        // Latin-1 byte
      {"\xC0\x80", "not UTF-8 text at column 1"},      // overlong
      {"\xED\xA0\x80", "not UTF-8 text at column 1"},  // surrogate
      {"\xE2\x82", "not UTF-8 text at column 1"},      // cut short
  };
  for (const Case& c : cases) {
    std::string problem;
    EXPECT_FALSE(Utf8ToWindows1252(c.utf8, &problem)) << c.utf8;
    EXPECT_EQ(problem, c.problem);
  }
}

}  // namespace
}  // namespace vantrel
