#include "runtime/data/types/std_date.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(StdDateTest, RangeEnds) {
  EXPECT_EQ(StandardDateFrom(1, 1, 1801), kMinStandardDate);
  EXPECT_EQ(StandardDateFrom(31, 12, 9999), kMaxStandardDate);
  const auto first = DateFromStandard(4);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->day, 1);
  EXPECT_EQ(first->month, 1);
  EXPECT_EQ(first->year, 1801);
  const auto last = DateFromStandard(2994626);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->day, 31);
  EXPECT_EQ(last->month, 12);
  EXPECT_EQ(last->year, 9999);
  EXPECT_FALSE(DateFromStandard(3));
  EXPECT_FALSE(DateFromStandard(2994627));
  EXPECT_FALSE(DateFromStandard(-5));
}

// Walks every day of the valid range by hand and checks both directions.
TEST(StdDateTest, EveryDayRoundTrips) {
  int day = 1, month = 1, year = 1801;
  for (std::int32_t date = kMinStandardDate; date <= kMaxStandardDate; ++date) {
    const auto parts = DateFromStandard(date);
    ASSERT_TRUE(parts);
    ASSERT_TRUE(parts->day == day && parts->month == month &&
                parts->year == year)
        << date;
    ASSERT_EQ(StandardDateFrom(day, month, year), date);
    if (++day > DaysInMonth(month, year)) {
      day = 1;
      if (++month > 12) month = 1, ++year;
    }
  }
  EXPECT_EQ(year, 10000);
}

TEST(StdDateTest, LeapRuleAndMonthLengths) {
  const struct {
    int year;
    bool leap;
  } kYears[] = {{1900, false}, {2000, true},  {2004, true},
                {2023, false}, {2100, false}, {2400, true}};
  for (const auto& c : kYears) {
    EXPECT_EQ(IsLeapYear(c.year), c.leap) << c.year;
    EXPECT_EQ(DaysInMonth(2, c.year), c.leap ? 29 : 28) << c.year;
    EXPECT_EQ(StandardDateFrom(29, 2, c.year) != kInvalidDateTime, c.leap);
  }
  EXPECT_EQ(DaysInMonth(4, 2001), 30);
  EXPECT_EQ(DaysInMonth(13, 2001), 0);
}

TEST(StdDateTest, RejectsOutOfRangeParts) {
  const struct {
    int day, month, year;
  } kCases[] = {{31, 12, 1800}, {1, 1, 10000}, {0, 5, 2001}, {32, 1, 2001},
                {31, 4, 2001},  {1, 0, 2001},  {1, 13, 2001}};
  for (const auto& c : kCases) {
    EXPECT_EQ(StandardDateFrom(c.day, c.month, c.year), kInvalidDateTime)
        << c.day << "/" << c.month << "/" << c.year;
  }
}

TEST(StdDateTest, TwoDigitYearsLandInTheWindow) {
  const struct {
    int yy, current, window, expected;
  } kCases[] = {
      {30, 2024, 80, 2030}, {43, 2024, 80, 2043}, {44, 2024, 80, 1944},
      {99, 2024, 80, 1999}, {0, 2024, 80, 2000},  {24, 2024, 0, 2024},
      {23, 2024, 0, 2123},  {25, 2024, 99, 1925}, {24, 2024, 99, 2024},
      {5, 1999, 50, 2005},  {49, 1999, 50, 1949}, {48, 1999, 50, 2048},
      {50, 2000, 50, 1950}, {49, 2000, 50, 2049},
  };
  for (const auto& c : kCases) {
    const int expanded = ExpandTwoDigitYear(c.yy, c.current, c.window);
    EXPECT_EQ(expanded, c.expected)
        << c.yy << " in " << c.current << " window " << c.window;
    EXPECT_GE(expanded, c.current - c.window);
    EXPECT_LE(expanded, c.current - c.window + 99);
  }
  EXPECT_EQ(ExpandTwoDigitYear(1850, 2024, 80), 1850);
  EXPECT_EQ(StandardDateFrom(1, 1, 1, YearWindow{80, 2024}),
            StandardDateFrom(1, 1, 2001));
}

TEST(StdTimeTest, FromPartsZeroAndInvalidRules) {
  const struct {
    int h, m, s, hs;
    std::int32_t expected;
  } kCases[] = {
      {0, 0, 0, 0, 0},    {0, 0, 0, 1, 2},      {0, 0, 1, 0, 101},
      {0, 1, 0, 0, 6001}, {1, 0, 0, 0, 360001}, {23, 59, 59, 99, 8640000},
      {24, 0, 0, 0, -1},  {0, 60, 0, 0, -1},    {0, 0, 60, 0, -1},
      {0, 0, 0, 100, -1}, {-1, 0, 0, 0, -1},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(StandardTimeFrom(c.h, c.m, c.s, c.hs), c.expected)
        << c.h << ":" << c.m << ":" << c.s << "." << c.hs;
  }
  const auto parts = TimeFromStandard(8640000);
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->hours, 23);
  EXPECT_EQ(parts->hundredths, 99);
  EXPECT_FALSE(TimeFromStandard(0));
  EXPECT_FALSE(TimeFromStandard(8640001));
}

TEST(StdDateTest, DateAndTimeFieldLayouts) {
  const std::uint32_t date = PackDateField({7, 3, 2024});
  EXPECT_EQ(date, 0x07E80307u);  // year 0x07E8, month 3, day 7
  EXPECT_EQ(DateFieldToStandard(date), StandardDateFrom(7, 3, 2024));
  EXPECT_EQ(StandardToDateField(StandardDateFrom(7, 3, 2024)), date);
  EXPECT_EQ(DateFieldToStandard(0), 0);
  EXPECT_EQ(DateFieldToStandard(PackDateField({30, 2, 2024})),
            kInvalidDateTime);
  EXPECT_EQ(DateFieldToStandard(PackDateField({1, 1, 24})), kInvalidDateTime);
  EXPECT_EQ(StandardToDateField(3), 0u);

  const std::uint32_t time = PackTimeField({13, 45, 30, 12});
  EXPECT_EQ(time, 0x0D2D1E0Cu);
  EXPECT_EQ(TimeFieldToStandard(time), StandardTimeFrom(13, 45, 30, 12));
  EXPECT_EQ(StandardToTimeField(StandardTimeFrom(13, 45, 30, 12)), time);
  EXPECT_EQ(TimeFieldToStandard(PackTimeField({24, 0, 0, 0})),
            kInvalidDateTime);
  EXPECT_EQ(StandardToTimeField(0), 0u);
}

TEST(StdDateTest, ClockReadingsConvert) {
  LocalDateTime now;
  now.year = 2024;
  now.month = 2;
  now.day = 29;
  now.hour = 0;
  now.minute = 0;
  now.second = 0;
  now.millisecond = 0;
  EXPECT_EQ(StandardDateOf(now), StandardDateFrom(29, 2, 2024));
  EXPECT_EQ(StandardTimeOf(now), 1);  // midnight is a time, not "no time"
  now.hour = 12;
  now.millisecond = 999;
  EXPECT_EQ(StandardTimeOf(now), StandardTimeFrom(12, 0, 0, 99));
  // The live clock gives a valid date and time.
  EXPECT_TRUE(DateFromStandard(Today()));
  EXPECT_TRUE(TimeFromStandard(Clock()));
}

}  // namespace
}  // namespace vantrel
