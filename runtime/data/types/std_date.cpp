#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

constexpr int kMinYear = 1801;
constexpr int kMaxYear = 9999;
constexpr int kMonthsPerYear = 12;
constexpr int kCentury = 100;
constexpr int kFebruary = 2;

constexpr std::int32_t kPerHour = 360000;  // hundredths
constexpr std::int32_t kPerMinute = 6000;
constexpr std::int32_t kPerSecond = 100;
constexpr int kHoursPerDay = 24;
constexpr int kMinutesPerHour = 60;
constexpr int kSecondsPerMinute = 60;
constexpr int kHundredthsPerSecond = 100;
constexpr int kMillisPerHundredth = 10;

constexpr std::uint32_t kByteMask = 0xFF;
constexpr int kDateYearShift = 16;
constexpr int kDateMonthShift = 8;
constexpr int kTimeHourShift = 24;
constexpr int kTimeMinuteShift = 16;
constexpr int kTimeSecondShift = 8;

// Days from 1 March of year 0 style civil counting (proleptic Gregorian);
// only differences between two results matter here.
constexpr std::int64_t kDaysPer400Years = 146097;

constexpr std::int64_t DaysFromCivil(int year, int month, int day) {
  const std::int64_t y = year - (month <= kFebruary ? 1 : 0);
  const std::int64_t era = y / 400;
  const std::int64_t year_of_era = y - era * 400;
  const std::int64_t shifted_month = month > kFebruary ? month - 3 : month + 9;
  const std::int64_t day_of_year = (153 * shifted_month + 2) / 5 + day - 1;
  const std::int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * kDaysPer400Years + day_of_era;
}

// Day 0 of the StandardDate count: 28 December 1800.
constexpr std::int64_t kDayZero = DaysFromCivil(1800, 12, 28);
static_assert(DaysFromCivil(1801, 1, 1) - kDayZero == kMinStandardDate);
static_assert(DaysFromCivil(9999, 12, 31) - kDayZero == kMaxStandardDate);

DateParts CivilFromDays(std::int64_t days) {
  const std::int64_t era = days / kDaysPer400Years;
  const std::int64_t day_of_era = days - era * kDaysPer400Years;
  const std::int64_t year_of_era = (day_of_era - day_of_era / 1460 +
                                    day_of_era / 36524 - day_of_era / 146096) /
                                   365;
  const std::int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;
  DateParts parts;
  parts.day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  parts.month = static_cast<int>(shifted_month < 10 ? shifted_month + 3
                                                    : shifted_month - 9);
  parts.year = static_cast<int>(year_of_era + era * 400 +
                                (parts.month <= kFebruary ? 1 : 0));
  return parts;
}

// The StandardDate of a full year, or kInvalidDateTime.
std::int32_t CheckedStandardDate(int day, int month, int year) {
  if (year < kMinYear || year > kMaxYear) return kInvalidDateTime;
  if (day < 1 || day > DaysInMonth(month, year)) return kInvalidDateTime;
  return static_cast<std::int32_t>(DaysFromCivil(year, month, day) - kDayZero);
}

}  // namespace

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int month, int year) {
  static constexpr int kDays[kMonthsPerYear] = {31, 28, 31, 30, 31, 30,
                                                31, 31, 30, 31, 30, 31};
  if (month < 1 || month > kMonthsPerYear) return 0;
  if (month == kFebruary && IsLeapYear(year)) return 29;
  return kDays[month - 1];
}

int ExpandTwoDigitYear(int year, int current_year, int window) {
  if (year < 0 || year >= kCentury) return year;
  const int in_century = current_year % kCentury;
  int expanded = current_year - in_century + year;
  const int distance = in_century - year;
  if (distance <= window - kCentury) {
    expanded -= kCentury;
  } else if (distance > window) {
    expanded += kCentury;
  }
  return expanded;
}

std::optional<DateParts> DateFromStandard(std::int32_t date) {
  if (date < kMinStandardDate || date > kMaxStandardDate) return std::nullopt;
  return CivilFromDays(kDayZero + date);
}

std::int32_t StandardDateFrom(int day, int month, int year,
                              const YearWindow& window) {
  if (year >= 0 && year < kCentury) {
    const int current =
        window.current_year != 0 ? window.current_year : LocalNow().year;
    year = ExpandTwoDigitYear(year, current, window.window);
  }
  return CheckedStandardDate(day, month, year);
}

std::int32_t StandardTimeFrom(int hours, int minutes, int seconds,
                              int hundredths) {
  if (hours == 0 && minutes == 0 && seconds == 0 && hundredths == 0) {
    return kNoTime;
  }
  if (hours < 0 || hours >= kHoursPerDay || minutes < 0 ||
      minutes >= kMinutesPerHour || seconds < 0 ||
      seconds >= kSecondsPerMinute || hundredths < 0 ||
      hundredths >= kHundredthsPerSecond) {
    return kInvalidDateTime;
  }
  return hours * kPerHour + minutes * kPerMinute + seconds * kPerSecond +
         hundredths + 1;
}

std::optional<TimeParts> TimeFromStandard(std::int32_t time) {
  if (time < 1 || time > kMaxStandardTime) return std::nullopt;
  std::int32_t rest = time - 1;
  TimeParts parts;
  parts.hours = rest / kPerHour;
  rest %= kPerHour;
  parts.minutes = rest / kPerMinute;
  rest %= kPerMinute;
  parts.seconds = rest / kPerSecond;
  parts.hundredths = rest % kPerSecond;
  return parts;
}

std::int32_t StandardDateOf(const LocalDateTime& now) {
  return CheckedStandardDate(now.day, now.month, now.year);
}

std::int32_t StandardTimeOf(const LocalDateTime& now) {
  return now.hour * kPerHour + now.minute * kPerMinute +
         now.second * kPerSecond + now.millisecond / kMillisPerHundredth + 1;
}

std::int32_t Today() { return StandardDateOf(LocalNow()); }
std::int32_t Clock() { return StandardTimeOf(LocalNow()); }

std::uint32_t PackDateField(const DateParts& parts) {
  return (static_cast<std::uint32_t>(parts.year) << kDateYearShift) |
         ((static_cast<std::uint32_t>(parts.month) & kByteMask)
          << kDateMonthShift) |
         (static_cast<std::uint32_t>(parts.day) & kByteMask);
}

DateParts UnpackDateField(std::uint32_t value) {
  DateParts parts;
  parts.day = static_cast<int>(value & kByteMask);
  parts.month = static_cast<int>((value >> kDateMonthShift) & kByteMask);
  parts.year = static_cast<int>(value >> kDateYearShift);
  return parts;
}

std::int32_t DateFieldToStandard(std::uint32_t value) {
  if (value == 0) return 0;
  const DateParts parts = UnpackDateField(value);
  return CheckedStandardDate(parts.day, parts.month, parts.year);
}

std::uint32_t StandardToDateField(std::int32_t date) {
  const std::optional<DateParts> parts = DateFromStandard(date);
  return parts ? PackDateField(*parts) : 0;
}

std::uint32_t PackTimeField(const TimeParts& parts) {
  auto byte = [](int v) { return static_cast<std::uint32_t>(v) & kByteMask; };
  return (byte(parts.hours) << kTimeHourShift) |
         (byte(parts.minutes) << kTimeMinuteShift) |
         (byte(parts.seconds) << kTimeSecondShift) | byte(parts.hundredths);
}

TimeParts UnpackTimeField(std::uint32_t value) {
  auto byte = [value](int shift) {
    return static_cast<int>((value >> shift) & kByteMask);
  };
  TimeParts parts;
  parts.hours = byte(kTimeHourShift);
  parts.minutes = byte(kTimeMinuteShift);
  parts.seconds = byte(kTimeSecondShift);
  parts.hundredths = byte(0);
  return parts;
}

std::int32_t TimeFieldToStandard(std::uint32_t value) {
  const TimeParts parts = UnpackTimeField(value);
  return StandardTimeFrom(parts.hours, parts.minutes, parts.seconds,
                          parts.hundredths);
}

std::uint32_t StandardToTimeField(std::int32_t time) {
  const std::optional<TimeParts> parts = TimeFromStandard(time);
  return parts ? PackTimeField(*parts) : 0;
}

}  // namespace vantrel
