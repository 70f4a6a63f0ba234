// StandardDate and StandardTime, and the DATE and TIME field layouts.
//
// StandardDate: a LONG counting days; day 0 is 28 December 1800, so
// 1 January 1801 is day 4 and 31 December 9999 is day 2994626. Gregorian
// leap rule throughout.
//
// StandardTime: a LONG, hours * 360000 + minutes * 6000 + seconds * 100 +
// hundredths + 1 (so 23:59:59.99 is 8640000); 0 means no time.
//
// DATE field, 4 bytes little-endian:  TIME field, 4 bytes little-endian:
//   bits 0-7    day                      bits 0-7    hundredths
//   bits 8-15   month                    bits 8-15   seconds
//   bits 16-31  year                     bits 16-23  minutes
//                                        bits 24-31  hours
#ifndef VANTREL_RUNTIME_DATA_TYPES_STD_DATE_H_
#define VANTREL_RUNTIME_DATA_TYPES_STD_DATE_H_

#include <cstdint>
#include <optional>

#include "os/posix/clock.h"

namespace vantrel {

inline constexpr std::int32_t kMinStandardDate = 4;        // 1 January 1801
inline constexpr std::int32_t kMaxStandardDate = 2994626;  // 31 Dec 9999
inline constexpr std::int32_t kMaxStandardTime = 8640000;  // 23:59:59.99
inline constexpr std::int32_t kInvalidDateTime = -1;       // rejected input
inline constexpr std::int32_t kNoTime = 0;

// Two-digit years are placed in the century window [C - w, C - w + 99] around
// the current year C. The default window of 80 reads them as falling within
// the last 80 and the next 19 years.
inline constexpr int kDefaultYearWindow = 80;

struct DateParts {
  int day = 0;
  int month = 0;
  int year = 0;
};

struct TimeParts {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  int hundredths = 0;
};

// How two-digit years are expanded.
struct YearWindow {
  int window = kDefaultYearWindow;
  int current_year = 0;  // 0: the current local year
};

bool IsLeapYear(int year);
// Days of `month` (1..12) in `year`; 0 for a month outside 1..12.
int DaysInMonth(int month, int year);

// A year of 0..99 placed in the window around `current_year`; other years
// unchanged.
int ExpandTwoDigitYear(int year, int current_year, int window);

// Day, month and year; nothing outside kMinStandardDate..kMaxStandardDate.
std::optional<DateParts> DateFromStandard(std::int32_t date);

// The StandardDate of a day, month and year (years 0..99 expanded first);
// kInvalidDateTime for a year outside 1801..9999, a month outside 1..12 or a
// day outside the month.
std::int32_t StandardDateFrom(int day, int month, int year,
                              const YearWindow& window = {});

// The StandardTime of its parts: kNoTime when all four are 0,
// kInvalidDateTime when any lies outside 0..23, 0..59, 0..59, 0..99.
std::int32_t StandardTimeFrom(int hours, int minutes, int seconds,
                              int hundredths);
// The parts of a StandardTime; nothing outside 1..kMaxStandardTime.
std::optional<TimeParts> TimeFromStandard(std::int32_t time);

// TODAY() and CLOCK(): the local date and time of day. CLOCK() is 1 (not "no
// time") at midnight exactly.
std::int32_t Today();
std::int32_t Clock();
std::int32_t StandardDateOf(const LocalDateTime& now);
std::int32_t StandardTimeOf(const LocalDateTime& now);

// DATE field value <-> parts (no range check) and <-> StandardDate. A field
// that is not a valid date reads as kInvalidDateTime, an all-zero one as 0;
// a StandardDate outside the valid range writes an all-zero field.
std::uint32_t PackDateField(const DateParts& parts);
DateParts UnpackDateField(std::uint32_t value);
std::int32_t DateFieldToStandard(std::uint32_t value);
std::uint32_t StandardToDateField(std::int32_t date);

// TIME field value <-> parts (no range check) and <-> StandardTime, with the
// same conventions.
std::uint32_t PackTimeField(const TimeParts& parts);
TimeParts UnpackTimeField(std::uint32_t value);
std::int32_t TimeFieldToStandard(std::uint32_t value);
std::uint32_t StandardToTimeField(std::int32_t time);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TYPES_STD_DATE_H_
