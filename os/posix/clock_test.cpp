#include "os/posix/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace vantrel {
namespace {

TEST(ClockTest, LocalNowFollowsTheTimeZone) {
  const char* saved = std::getenv("TZ");
  const std::string previous = saved ? saved : "";
  auto read_in = [](const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
    return LocalNow();
  };
  const LocalDateTime utc = read_in("UTC0");
  const LocalDateTime ahead = read_in("XYZ-5");  // five hours east
  if (saved) {
    setenv("TZ", previous.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  for (const LocalDateTime& t : {utc, ahead}) {
    EXPECT_GE(t.month, 1);
    EXPECT_LE(t.month, 12);
    EXPECT_GE(t.day, 1);
    EXPECT_LE(t.day, 31);
    EXPECT_LT(t.hour, 24);
    EXPECT_LT(t.minute, 60);
    EXPECT_LT(t.second, 60);
    EXPECT_LT(t.millisecond, 1000);
    EXPECT_GE(t.year, 2020);
  }
  // Unless the two readings straddle an hour, the zone shifts the hour by 5.
  if (utc.minute == ahead.minute) {
    EXPECT_EQ(ahead.hour, (utc.hour + 5) % 24);
  }
}

}  // namespace
}  // namespace vantrel
