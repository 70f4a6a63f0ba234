// The local wall clock: the one place that asks the system for the time.
#ifndef VANTREL_OS_POSIX_CLOCK_H_
#define VANTREL_OS_POSIX_CLOCK_H_

namespace vantrel {

// A local date and time of day.
struct LocalDateTime {
  int year = 0;         // e.g. 2024
  int month = 0;        // 1..12
  int day = 0;          // 1..31
  int hour = 0;         // 0..23
  int minute = 0;       // 0..59
  int second = 0;       // 0..59 (a leap second reads as 59)
  int millisecond = 0;  // 0..999
};

// The current local date and time, in the process's time zone.
LocalDateTime LocalNow();

}  // namespace vantrel

#endif  // VANTREL_OS_POSIX_CLOCK_H_
