#include "runtime/data/text/regional_settings.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(RegionalSettingsTest, SystemDateFormatsBecomeLayouts) {
  struct Case {
    std::string_view format, layout;
  } cases[] = {
      {"MM/dd/yy", "mm/dd/yy"},
      {"ddd', 'MMMM' 'dd', 'yyyy", "NNNNNNNNN dd, yyyy"},
      {"dddd, d. MMMM yyyy", "Dd. NNNNNNNNN yyyy"},
      {"d.M.yyyy", "Dd.Mm.yyyy"},
      {"yyyy-MM-dd", "yyyy-mm-dd"},
      {"dd MMM yy", "dd NNN yy"},
      {"'Day' d 'of' MMMM", "Dd  NNNNNNNNN"},  // quoted letters dropped
      {"gg y/M/d", "yy/Mm/Dd"},                // unknown fields dropped
      {"dddd", "FALLBACK"},
      {"", "FALLBACK"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateLayoutFromSystemFormat(c.format, "FALLBACK"), c.layout)
        << c.format;
  }
}

TEST(RegionalSettingsTest, TimeLayoutsFollowClockZeroAndSeparator) {
  struct Case {
    bool clock_24, leading_zero;
    const char* separator;
    const char* short_layout;
    const char* long_layout;
  } cases[] = {
      {false, true, ":", "hh:mm PP", "hh:mm:ss PP"},
      {true, true, ":", "hh:mm", "hh:mm:ss"},
      {true, false, ".", "Hh.mm", "Hh.mm.ss"},
      {false, false, "h", "Hhmm PP", "Hhmmss PP"},
  };
  for (const Case& c : cases) {
    RegionalSettings s;
    s.clock_24_hour = c.clock_24;
    s.hour_leading_zero = c.leading_zero;
    s.time_separator = c.separator;
    s.DeriveLayouts();
    EXPECT_EQ(s.short_time_layout, c.short_layout);
    EXPECT_EQ(s.long_time_layout, c.long_layout);
  }
}

}  // namespace
}  // namespace vantrel
