#include "os/posix/profile_text.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

constexpr std::string_view kSample =
    "; settings\r\n"
    "[intl]\r\n"
    "  sTime = . \r\n"
    "junk line\r\n"
    "iTime=1\r\n"
    "\r\n"
    "[HWASCII]\r\n"
    "Profile=0\r\n"
    "[Intl]\r\n"
    "sTime=never\r\n";

TEST(ProfileTextTest, FindsFirstSectionAndEntryIgnoringCase) {
  struct Case {
    std::string_view section, entry;
    std::optional<std::string_view> value;
  } cases[] = {
      {"INTL", "STIME", "."},         {"intl", "itime", "1"},
      {"hwascii", "profile", "0"},    {"intl", "Profile", std::nullopt},
      {"missing", "x", std::nullopt}, {"intl", "junk line", std::nullopt},
  };
  ProfileIndex index{std::string(kSample)};
  for (const Case& c : cases) {
    EXPECT_EQ(FindProfileValue(kSample, c.section, c.entry), c.value)
        << c.section << "/" << c.entry;
    EXPECT_EQ(index.Find(c.section, c.entry), c.value)
        << c.section << "/" << c.entry;
  }
}

TEST(ProfileTextTest, EditsTouchOnlyTheirLines) {
  struct Case {
    const char* what;
    std::string result;
    std::string_view expected;
  } cases[] = {
      {"replace keeps spelling and CRLF",
       SetProfileValue(kSample, "INTL", "STIME", "/"),
       "; settings\r\n[intl]\r\nsTime=/\r\njunk line\r\niTime=1\r\n\r\n"
       "[HWASCII]\r\nProfile=0\r\n[Intl]\r\nsTime=never\r\n"},
      {"new entry after the section's last entry",
       SetProfileValue(kSample, "intl", "s1159", "am"),
       "; settings\r\n[intl]\r\n  sTime = . \r\njunk line\r\niTime=1\r\n"
       "s1159=am\r\n\r\n[HWASCII]\r\nProfile=0\r\n[Intl]\r\nsTime=never\r\n"},
      {"delete entry", DeleteProfileEntry(kSample, "intl", "itime"),
       "; settings\r\n[intl]\r\n  sTime = . \r\njunk line\r\n\r\n"
       "[HWASCII]\r\nProfile=0\r\n[Intl]\r\nsTime=never\r\n"},
      {"delete every section of the name",
       DeleteProfileSection(kSample, "INTL"),
       "; settings\r\n[HWASCII]\r\nProfile=0\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
}

TEST(ProfileTextTest, NewSectionAndEntryInEmptyOrUnterminatedText) {
  EXPECT_EQ(SetProfileValue("", "VantrelFile", "CurrentFile", "a.vtl"),
            "[VantrelFile]\nCurrentFile=a.vtl\n");
  EXPECT_EQ(SetProfileValue("x=1", "s", "e", "v"), "x=1\n[s]\ne=v\n");
  EXPECT_EQ(SetProfileValue("[s]\ne=1", "s", "f", "2"), "[s]\ne=1\nf=2\n");
  EXPECT_EQ(SetProfileValue("[s]\ne=1", "s", "e", "2"), "[s]\ne=2");
  EXPECT_EQ(SetProfileValue("[s]\n", "s", "e", ""), "[s]\ne=\n");
}

TEST(ProfileTextTest, EditsOfMissingThingsChangeNothing) {
  EXPECT_EQ(DeleteProfileEntry(kSample, "intl", "nothere"), kSample);
  EXPECT_EQ(DeleteProfileEntry(kSample, "nothere", "iTime"), kSample);
  EXPECT_EQ(DeleteProfileSection(kSample, "nothere"), kSample);
}

}  // namespace
}  // namespace vantrel
