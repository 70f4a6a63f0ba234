#include "os/posix/clock.h"

#include <ctime>

namespace vantrel {
namespace {

constexpr int kTmYearBase = 1900;
constexpr int kNanosPerMilli = 1000000;
constexpr int kLastSecond = 59;

}  // namespace

LocalDateTime LocalNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  LocalDateTime result;
  result.year = local.tm_year + kTmYearBase;
  result.month = local.tm_mon + 1;
  result.day = local.tm_mday;
  result.hour = local.tm_hour;
  result.minute = local.tm_min;
  result.second = local.tm_sec > kLastSecond ? kLastSecond : local.tm_sec;
  result.millisecond = static_cast<int>(now.tv_nsec / kNanosPerMilli);
  return result;
}

}  // namespace vantrel
