#include "runtime/data/text/regional_settings.h"

#include <charconv>

#include "os/posix/profile_store.h"

namespace vantrel {
namespace {

constexpr char kIntlSection[] = "intl";
constexpr char kShortDateFallback[] = "mm/dd/yy";
constexpr char kLongDateFallback[] = "NNNNNNNNN dd, yyyy";

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string WithoutLetters(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (!IsAsciiLetter(c)) out += c;
  }
  return out;
}

// The layout field for a run of `count` letters `letter`; empty for day
// names and letters that have no field.
std::string_view FieldFor(char letter, std::size_t count) {
  switch (letter) {
    case 'd':
      return count == 1 ? "Dd" : count == 2 ? "dd" : "";
    case 'M':
      return count == 1   ? "Mm"
             : count == 2 ? "mm"
             : count == 3 ? "NNN"
                          : "NNNNNNNNN";
    case 'y':
      return count <= 2 ? "yy" : "yyyy";
    default:
      return "";
  }
}

int IntlNumber(const char* key, int fallback) {
  std::string text = GetIni(kIntlSection, key, "", "");
  int value = fallback;
  auto [end, ec] =
      std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() ? value
                                                               : fallback;
}

}  // namespace

std::string DateLayoutFromSystemFormat(std::string_view format,
                                       std::string_view fallback) {
  std::string layout;
  bool has_field = false;
  bool after_day_name = false;  // drops ", " after "dddd"
  for (std::size_t i = 0; i < format.size();) {
    char c = format[i];
    if (c == '\'') {
      std::size_t close = format.find('\'', i + 1);
      std::string_view quoted = format.substr(
          i + 1, close == std::string_view::npos ? std::string_view::npos
                                                 : close - i - 1);
      if (!after_day_name) layout += WithoutLetters(quoted);
      i = close == std::string_view::npos ? format.size() : close + 1;
      continue;
    }
    if (!IsAsciiLetter(c)) {
      if (!after_day_name) layout += c;
      ++i;
      continue;
    }
    std::size_t run = i;
    while (run < format.size() && format[run] == c) ++run;
    std::string_view field = FieldFor(c, run - i);
    layout += field;
    has_field = has_field || !field.empty();
    after_day_name = c == 'd' && run - i > 2;
    i = run;
  }
  if (!has_field) return std::string(fallback);
  std::size_t begin = layout.find_first_not_of(' ');
  return layout.substr(begin, layout.find_last_not_of(' ') - begin + 1);
}

void RegionalSettings::DeriveLayouts() {
  short_date_layout =
      DateLayoutFromSystemFormat(short_date_format, kShortDateFallback);
  long_date_layout =
      DateLayoutFromSystemFormat(long_date_format, kLongDateFallback);
  std::string separator = WithoutLetters(time_separator);
  short_time_layout = (hour_leading_zero ? "hh" : "Hh") + separator + "mm";
  long_time_layout = short_time_layout + separator + "ss";
  if (!clock_24_hour) {
    short_time_layout += " PP";
    long_time_layout += " PP";
  }
}

RegionalSettings ReadIntlSettings() {
  RegionalSettings s;
  s.clock_24_hour = IntlNumber("iTime", 0) == 1;
  s.hour_leading_zero = IntlNumber("iTLzero", 1) != 0;
  s.time_separator = GetIni(kIntlSection, "sTime", s.time_separator, "");
  s.am = GetIni(kIntlSection, "s1159", s.am, "").substr(0, kMaxAmPmLength);
  s.pm = GetIni(kIntlSection, "s2359", s.pm, "").substr(0, kMaxAmPmLength);
  s.short_date_format =
      GetIni(kIntlSection, "sShortDate", s.short_date_format, "");
  s.long_date_format =
      GetIni(kIntlSection, "sLongDate", s.long_date_format, "");
  s.DeriveLayouts();
  return s;
}

}  // namespace vantrel
