// Regional settings: the texts and layouts that pictures use, taken from the
// [intl] section of the system profile and then from the environment file.
#ifndef VANTREL_RUNTIME_DATA_TEXT_REGIONAL_SETTINGS_H_
#define VANTREL_RUNTIME_DATA_TEXT_REGIONAL_SETTINGS_H_

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

inline constexpr std::size_t kMonthCount = 12;
inline constexpr std::size_t kMaxAmPmLength = 2;

struct RegionalSettings {
  // [intl] as read (or its defaults).
  bool clock_24_hour = false;                                 // iTime = 1
  bool hour_leading_zero = true;                              // iTLzero
  std::string time_separator = ":";                           // sTime
  std::string short_date_format = "MM/dd/yy";                 // sShortDate
  std::string long_date_format = "ddd', 'MMMM' 'dd', 'yyyy";  // sLongDate
  // Morning and afternoon texts, at most kMaxAmPmLength characters each.
  std::string am = "AM";
  std::string pm = "PM";
  std::array<std::string, kMonthCount> month_names = {
      "January", "February", "March",     "April",   "May",      "June",
      "July",    "August",   "September", "October", "November", "December"};
  std::array<std::string, kMonthCount> month_abbreviations = {
      "Jan", "Feb", "Mar", "Apr", "May", "Jun",
      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

  // The layouts of the system's short and long date (@D17, @D18) and short
  // and long time (@T7, @T8), in the layout language of date and time
  // pictures. Derived from the fields above by DeriveLayouts().
  std::string short_date_layout = "mm/dd/yy";
  std::string long_date_layout = "NNNNNNNNN dd, yyyy";
  std::string short_time_layout = "hh:mm PP";
  std::string long_time_layout = "hh:mm:ss PP";

  void DeriveLayouts();
};

// The settings read from [intl] of the system profile, layouts derived.
RegionalSettings ReadIntlSettings();

// A system date format ("MM/dd/yy", "dddd, MMMM d, yyyy") as a layout:
// d -> Dd, dd -> dd, M -> Mm, MM -> mm, MMM -> NNN, MMMM -> NNNNNNNNN,
// y/yy -> yy, yyy/yyyy -> yyyy. Day names are dropped with the literal text
// that follows them; quoted text is literal; letters in literal text are
// dropped, since a layout reads them as fields. A format without day, month
// or year fields gives `fallback`.
std::string DateLayoutFromSystemFormat(std::string_view format,
                                       std::string_view fallback);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TEXT_REGIONAL_SETTINGS_H_
