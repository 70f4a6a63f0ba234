#include <gtest/gtest.h>

#include "runtime/data/picture/picture.h"
#include "runtime/data/text/locale.h"
#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

class PictureFormatTest : public ::testing::Test {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings()); }
};

struct FormatCase {
  const char* picture;
  const char* value;
  const char* text;
};

void ExpectFormats(const std::vector<FormatCase>& cases) {
  for (const FormatCase& c : cases) {
    Picture p = CompilePicture(c.picture);
    ASSERT_TRUE(p.valid()) << c.picture;
    EXPECT_EQ(FormatPicture(c.value, p), c.text) << c.picture << " " << c.value;
  }
}

// Every formatted text reads back as the value it came from.
void ExpectRoundTrips(const std::vector<FormatCase>& cases) {
  for (const FormatCase& c : cases) {
    Picture p = CompilePicture(c.picture);
    Deformatted d = DeformatPicture(c.text, p, 2026);
    EXPECT_TRUE(d.ok) << c.picture << " " << c.text << ": " << d.error;
    EXPECT_EQ(d.value, c.value) << c.picture << " " << c.text;
  }
}

const std::vector<FormatCase> kNumbers = {
    {"@N-12.2", "-1234567.5", "-1234,567.50"},
    {"@N-12.2", "1234.5", "    1,234.50"},
    {"@N12.2", "-1234.5", "   -1,234.50"},
    {"@N12.2", "0.125", "        0.13"},
    {"@N12.2", "-0.125", "       -0.13"},
    {"@N12`2", "1234567.891", " 1234.567,89"},
    {"@N012", "-1234", "-00000001234"},
    {"@N012", "1234", "000000001234"},
    {"@N012.", "1234", "0000.001.234"},
    {"@N*8", "-42", "-*****42"},
    {"@N_8", "42", "      42"},
    {"@N$10.2", "-12.3", "$   -12.30"},
    {"@N(10.2)", "-1234.5", "(1,234.50)"},
    {"@N(10.2)", "1234.5", " 1,234.50 "},
    {"@N8-", "-1234", "  1,234-"},
    {"@N~EUR ~10_", "1234", "EUR  1 234"},
    {"@N9~ kr~", "-1234", "-1,234 kr"},
    {"@N6v2", "123.45", " 12345"},
    {"@N10", "123456789012345678901234567890", "##########"},
    {"@N31", "12345678901234567890123", " 12,345,678,901,234,567,890,123"},
    {"@N31", "123456789012345678901234", "###############################"},
};

TEST_F(PictureFormatTest, Numbers) {
  ExpectFormats(kNumbers);
  ExpectFormats({
      {"@N8.2B", "0", "        "},
      {"@N8.2B", "-0.001", "        "},
      {"@N8.2", "0", "    0.00"},
      {"@N5", "not a number", "    0"},
      {"@E12.3", "12345.678", "   1.235E+04"},
      {"@E12.3", "-0.000999999", "  -1.000E-03"},
      {"@E12`3", "0", "   0,000E+00"},
      {"@E9.2", "1e99", " 1.00E+99"},
      {"@E9.2", "1e399", "#########"},
      {"@E9.2", "1e400", " 0.00E+00"},
  });
}

TEST_F(PictureFormatTest, NumbersRoundTrip) {
  std::vector<FormatCase> exact;
  for (const FormatCase& c : kNumbers) {
    std::string_view v = c.value;
    // Values that rounding or overflow changed cannot come back.
    if (v == "0.125" || v == "-0.125" || v == "1234567.891" || v.size() > 20) {
      continue;
    }
    exact.push_back(c);
  }
  ExpectRoundTrips(exact);
  ExpectRoundTrips({{"@E12.3", "12350", "   1.235E+04"},
                    {"@E12`3", "-0.001", "  -1,000E-03"}});
}

TEST_F(PictureFormatTest, NumbersAreReadForgivingly) {
  struct Case {
    const char* picture;
    const char* text;
    const char* value;  // nullptr: cannot be read
  } cases[] = {
      {"@N12.2", " 1234.5 ", "1234.5"},
      {"@N12.2", "1,2,3,4", "1234"},
      {"@N12.2", "-.5", "-0.5"},
      {"@N12.2", "(12)", "-12"},
      {"@N12.2", "", "0"},
      {"@N12.2", "1.2.3", nullptr},
      {"@N12.2", "12a", nullptr},
      {"@N12`2", "1.234,5", "1234.5"},
      {"@N$10.2", "$ 12", "12"},
      {"@N~29~9", "29  2,929", "2929"},
      {"@N9~EUR~", "1,234EUR", "1234"},
      {"@N9~EUR~", "EUR1", nullptr},
      {"@N10~ kr ~", "   12 kr ", "12"},
      {"@N6v2", "12345", "123.45"},
      {"@N6v2", "1.5", "1.5"},
      {"@E12.3", "1.5e3", "1500"},
      {"@E12.3", "e3", nullptr},
  };
  for (const Case& c : cases) {
    Deformatted d = DeformatPicture(c.text, CompilePicture(c.picture));
    EXPECT_EQ(d.ok, c.value != nullptr) << c.picture << " " << c.text;
    if (c.value) {
      EXPECT_EQ(d.value, c.value) << c.picture << " " << c.text;
    }
    if (!c.value) {
      EXPECT_NE(d.error.find("cannot be read"), std::string::npos);
    }
  }
}

std::string Date(int day, int month, int year) {
  return std::to_string(StandardDateFrom(day, month, year));
}

std::string Time(int h, int m, int s) {
  return std::to_string(StandardTimeFrom(h, m, s, 0));
}

TEST_F(PictureFormatTest, DatesAndTimes) {
  std::string d = Date(5, 3, 2026), d2 = Date(25, 12, 1999);
  std::string morning = Time(9, 5, 0), evening = Time(21, 45, 0);
  std::string seconds = Time(9, 5, 7);
  std::vector<FormatCase> cases = {
      {"@D1", d.c_str(), "3/05/26"},
      {"@D01", d.c_str(), "03/05/26"},
      {"@D_1", d.c_str(), " 3/05/26"},
      {"@D2.", d.c_str(), "3.05.2026"},
      {"@D6-", d.c_str(), "5-03-2026"},
      {"@D3", d.c_str(), "Mar 5, 2026"},
      {"@D4", d2.c_str(), "December 25, 1999"},
      {"@D7", d.c_str(), "5 Mar 26"},
      {"@D10", d.c_str(), "2026/03/05"},
      {"@D12", d.c_str(), "20260305"},
      {"@D17", d.c_str(), "03/05/26"},
      {"@D18", d.c_str(), "March 05, 2026"},
      {"@D19", d2.c_str(), "25 December 1999"},
      {"@D20", d2.c_str(), "December 25 1999"},
      {"@T1", morning.c_str(), "09:05"},
      {"@T2", evening.c_str(), "2145"},
      {"@T3", morning.c_str(), "9:05AM"},
      {"@T3", evening.c_str(), "9:45PM"},
      {"@T4", evening.c_str(), "21:45:00"},
      {"@T5", seconds.c_str(), "090507"},
      {"@T6", evening.c_str(), "9:45:00PM"},
      {"@T7", evening.c_str(), "09:45 PM"},
      {"@T8", seconds.c_str(), "09:05:07 AM"},
      {"@T04.", seconds.c_str(), "09.05.07"},
  };
  ExpectFormats(cases);
  ExpectRoundTrips(cases);
  ExpectFormats({{"@D1", "0", ""}, {"@T1", "0", ""}, {"@D1", "-5", ""}});
}

TEST_F(PictureFormatTest, DatesAreReadForgivingly) {
  std::string d = Date(5, 3, 2026);
  struct Case {
    const char* picture;
    const char* text;
    std::string value;  // empty: cannot be read
  } cases[] = {
      {"@D2", "3/5/2026", d},     {"@D2", "3-5-26", d},
      {"@D2", "03052026", d},     {"@D2", "030526", d},
      {"@D2", "3 5", d},          {"@D6", "5.3.2026", d},
      {"@D3", "mar 5 2026", d},   {"@D3", "MARCH 5, 26", d},
      {"@D8", "5 march 2026", d}, {"@D3", "3 5 2026", d},
      {"@D1", "", "0"},           {"@D1", "2/30/26", ""},
      {"@D1", "13/1/26", ""},     {"@D3", "Foo 5 2026", ""},
      {"@D1", "1/2/3/4", ""},     {"@D1", "12345", ""},
      {"@D1", "--", ""},          {"@D13", "3/26", Date(1, 3, 2026)},
  };
  for (const Case& c : cases) {
    Deformatted r = DeformatPicture(c.text, CompilePicture(c.picture), 2026);
    EXPECT_EQ(r.ok, !c.value.empty()) << c.picture << " " << c.text;
    if (r.ok) {
      EXPECT_EQ(r.value, c.value) << c.picture << " " << c.text;
    }
  }
}

TEST_F(PictureFormatTest, TwoDigitYearsFollowTheWindow) {
  struct Case {
    const char* picture;
    const char* text;
    int year;
  } cases[] = {
      {"@D1", "1/1/03", 2003},    {"@D1", "1/1/50", 1950},
      {"@D1", "1/1/45", 2045},    {"@D1", "1/1/46", 1946},
      {"@D1>10", "1/1/30", 2030}, {"@D1>10", "1/1/40", 1940},
      {"@D1<0", "1/1/25", 2125},  {"@D1<0", "1/1/26", 2026},
  };
  for (const Case& c : cases) {
    Deformatted r = DeformatPicture(c.text, CompilePicture(c.picture), 2026);
    ASSERT_TRUE(r.ok) << c.picture << " " << c.text;
    EXPECT_EQ(DateFromStandard(std::stoi(r.value))->year, c.year)
        << c.picture << " " << c.text;
  }
}

TEST_F(PictureFormatTest, TimesAreReadForgivingly) {
  struct Case {
    const char* picture;
    const char* text;
    std::string value;  // empty: cannot be read
  } cases[] = {
      {"@T1", "9:05", Time(9, 5, 0)},
      {"@T1", "905", Time(9, 5, 0)},
      {"@T4", "210507", Time(21, 5, 7)},
      {"@T3", "9:05 pm", Time(21, 5, 0)},
      {"@T3", "12:30a", Time(0, 30, 0)},
      {"@T3", "12:30 P", Time(12, 30, 0)},
      {"@T1", "7", Time(7, 0, 0)},
      {"@T3", "12:00am", "1"},
      {"@T1", "00:00", "1"},
      {"@T1", "", "0"},
      {"@T1", "24:00", ""},
      {"@T1", "9:60", ""},
      {"@T3", "13:00 PM", ""},
      {"@T1", "9:05 xm", ""},
      {"@T1", "1:2:3:4", ""},
      {"@T1", "1234567", ""},
  };
  for (const Case& c : cases) {
    Deformatted r = DeformatPicture(c.text, CompilePicture(c.picture));
    EXPECT_EQ(r.ok, !c.value.empty()) << c.picture << " " << c.text;
    if (r.ok) {
      EXPECT_EQ(r.value, c.value) << c.picture << " " << c.text;
    }
  }
}

TEST_F(PictureFormatTest, RegionalTextsAreUsed) {
  RegionalSettings r;
  r.am = "vm";
  r.pm = "nm";
  r.month_abbreviations[2] = "Mrt";
  SetRegionalSettings(r);
  std::string t = Time(15, 0, 0), d = Date(5, 3, 2026);
  ExpectFormats(
      {{"@T3", t.c_str(), "3:00nm"}, {"@D3", d.c_str(), "Mrt 5, 2026"}});
  ExpectRoundTrips(
      {{"@T3", t.c_str(), "3:00nm"}, {"@D3", d.c_str(), "Mrt 5, 2026"}});
}

TEST_F(PictureFormatTest, TextPictures) {
  std::vector<FormatCase> cases = {
      {"@S5", "abc", "abc  "},
      {"@P(###) ###-####P", "5551234567", "(555) 123-4567"},
      {"@P###-####P", "5551234", "555-1234"},
      {"@P# (###) ###-####P", "15551234567", "1 (555) 123-4567"},
      {"@P<<#-##P", "1234", " 12-34"},
      {"@P###-####P", "12", "000-0012"},
      {"@K^^-##K", "AB12", "AB-12"},
      {"@K@@@K", "ab", "ab "},
  };
  ExpectFormats(cases);
  ExpectFormats({{"@S3", "abcdef", "abc"},
                 {"@P###P", "12345", "###"},
                 {"@K^^_K", "abC", "ABc"},
                 {"@K##K", "1", "10"}});
  ExpectRoundTrips({{"@P(###) ###-####P", "5551234567", "(555) 123-4567"},
                    {"@P###-####P", "12", "000-0012"},
                    {"@K^^-##K", "AB12", "AB-12"},
                    {"@K@@@K", "ab", "ab "}});
  struct Case {
    const char* picture;
    const char* text;
    const char* value;  // nullptr: cannot be read
  } reads[] = {
      {"@P(###) ###-####P", "555 123 4567", "5551234567"},
      {"@P(###) ###-####P", "555-CALL", nullptr},
      {"@P###P", "1234", nullptr},
      {"@P1-###P", "1-234", "234"},
      {"@Pext ###P", "ext 123", "123"},
      {"@K^^-##K", "ab12", "AB12"},
      {"@K^^-##K", "AB-1x", nullptr},
      {"@K##K", "123", nullptr},
  };
  for (const Case& c : reads) {
    Deformatted d = DeformatPicture(c.text, CompilePicture(c.picture));
    EXPECT_EQ(d.ok, c.value != nullptr) << c.picture << " " << c.text;
    if (c.value) {
      EXPECT_EQ(d.value, c.value) << c.picture << " " << c.text;
    }
  }
}

}  // namespace
}  // namespace vantrel
