// FORMAT and DEFORMAT of date (@D) and time (@T) pictures.
//
// Values are StandardDate / StandardTime numbers; 0 (no date, no time) shows
// as empty text and empty text reads as 0. A suppressed leading zero is
// dropped, or replaced by the picture's fill character when one was given.
//
// Reading is forgiving: fields may be separated by any characters that are
// not letters or digits, days and months may have one digit, a date typed
// without its year gets the current year, and digits typed without any
// separator are split by the widths of the layout's fields.
#include <charconv>
#include <optional>
#include <vector>

#include "runtime/data/picture/picture_internal.h"
#include "runtime/data/text/locale.h"

namespace vantrel {
namespace {

constexpr int kFullNameMinLength = 4;  // NNNN or more: full month names
constexpr int kHoursPerHalfDay = 12;

// One field of a layout: its kind and how many positions it takes.
struct Field {
  PositionKind kind;
  int width;
  bool suppress;
};

std::vector<Field> FieldsOf(const Picture& p) {
  std::vector<Field> fields;
  for (const PicturePosition& pos : p.positions) {
    if (pos.flags & kPositionFieldStart) {
      fields.push_back({pos.kind, 0, (pos.flags & kPositionSuppressZero) != 0});
    }
    if ((pos.flags & kPositionValue) && !fields.empty()) ++fields.back().width;
  }
  return fields;
}

bool HasAmPm(const std::vector<Field>& fields) {
  for (const Field& f : fields) {
    if (f.kind == PositionKind::kAmPm) return true;
  }
  return false;
}

// A two-digit number, its leading zero dropped or filled when suppressed.
std::string TwoDigits(int n, bool suppress, const Picture& p) {
  std::string text = std::to_string(n);
  if (text.size() >= 2) return text;
  if (!suppress) return "0" + text;
  if (p.flags & kPictureNoFill) return text;
  return p.fill + text;
}

std::string FieldText(const Field& f, const DateParts& d, const TimeParts& t,
                      bool twelve_hour, const Picture& p) {
  const RegionalSettings& r = GetRegionalSettings();
  switch (f.kind) {
    case PositionKind::kDay:
      return TwoDigits(d.day, f.suppress, p);
    case PositionKind::kMonth:
      return TwoDigits(d.month, f.suppress, p);
    case PositionKind::kYear: {
      std::string year = std::to_string(d.year);
      return f.width >= kFullNameMinLength ? year
                                           : year.substr(year.size() - 2);
    }
    case PositionKind::kMonthName:
      return f.width >= kFullNameMinLength ? r.month_names[d.month - 1]
                                           : r.month_abbreviations[d.month - 1];
    case PositionKind::kHours: {
      int h = t.hours;
      if (twelve_hour)
        h = h % kHoursPerHalfDay == 0 ? kHoursPerHalfDay : h % kHoursPerHalfDay;
      return TwoDigits(h, f.suppress, p);
    }
    case PositionKind::kMinutes:
      return TwoDigits(t.minutes, f.suppress, p);
    case PositionKind::kSeconds:
      return TwoDigits(t.seconds, f.suppress, p);
    case PositionKind::kAmPm:
      return t.hours < kHoursPerHalfDay ? r.am : r.pm;
    default:
      return {};
  }
}

// Walks the positions, writing literals and each field once.
std::string Render(const Picture& p, const DateParts& d, const TimeParts& t) {
  std::vector<Field> fields = FieldsOf(p);
  bool twelve_hour = HasAmPm(fields);
  std::string text;
  std::size_t field = 0;
  for (const PicturePosition& pos : p.positions) {
    if (pos.flags & kPositionFieldStart) {
      text += FieldText(fields[field++], d, t, twelve_hour, p);
    } else if (!(pos.flags & kPositionValue)) {
      text += pos.ch;
    }
  }
  return text;
}

std::optional<std::int32_t> WholeNumber(std::string_view value) {
  DecimalText n;
  if (!ParseDecimalText(value, &n) || n.negative) return std::nullopt;
  std::int32_t v = 0;
  std::string digits = RoundTo(n, 0).integer;
  auto [end, ec] =
      std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (digits.empty()) return 0;
  if (ec != std::errc() || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return v;
}

// The digit runs and letter runs of a text, in order.
struct Token {
  bool digits;
  std::string text;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordChar(char c) {
  auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u >= 0x80;
}

std::vector<Token> Tokens(std::string_view text) {
  std::vector<Token> tokens;
  for (std::size_t i = 0; i < text.size();) {
    bool digit = IsDigit(text[i]);
    if (!digit && !IsWordChar(text[i])) {
      ++i;
      continue;
    }
    std::size_t j = i;
    while (j < text.size() &&
           (digit ? IsDigit(text[j]) : IsWordChar(text[j]))) {
      ++j;
    }
    tokens.push_back({digit, std::string(text.substr(i, j - i))});
    i = j;
  }
  return tokens;
}

int Number(std::string_view digits) {
  int n = 0;
  for (char c : digits.substr(0, 6)) n = n * 10 + (c - '0');
  return n;
}

// Splits one run of digits by the widths of the numeric fields; a four-digit
// year may be typed with two.
std::optional<std::vector<Token>> SplitByWidths(
    const std::string& digits, const std::vector<Field>& fields) {
  int total = 0;
  bool long_year = false;
  for (const Field& f : fields) {
    int width = f.kind == PositionKind::kMonthName ? 2 : f.width;
    if (f.kind == PositionKind::kAmPm) continue;
    total += width;
    long_year = long_year || (f.kind == PositionKind::kYear && width == 4);
  }
  int length = static_cast<int>(digits.size());
  if (length != total && !(long_year && length == total - 2)) {
    return std::nullopt;
  }
  std::vector<Token> parts;
  std::size_t at = 0;
  for (const Field& f : fields) {
    if (f.kind == PositionKind::kAmPm) continue;
    int width = f.kind == PositionKind::kMonthName ? 2 : f.width;
    if (f.kind == PositionKind::kYear && length != total) width = 2;
    parts.push_back({true, digits.substr(at, width)});
    at += width;
  }
  return parts;
}

}  // namespace

bool StartsWithIgnoringCase(std::string_view name, std::string_view typed) {
  if (typed.empty() || typed.size() > name.size()) return false;
  for (std::size_t i = 0; i < typed.size(); ++i) {
    if (UpperCaseOf(static_cast<std::uint8_t>(name[i])) !=
        UpperCaseOf(static_cast<std::uint8_t>(typed[i]))) {
      return false;
    }
  }
  return true;
}

// The month (1..12) whose name or abbreviation starts with the text; 0: none.
int MonthNamed(std::string_view typed) {
  const RegionalSettings& r = GetRegionalSettings();
  for (std::size_t m = 0; m < kMonthCount; ++m) {
    if (StartsWithIgnoringCase(r.month_names[m], typed) ||
        StartsWithIgnoringCase(r.month_abbreviations[m], typed)) {
      return static_cast<int>(m) + 1;
    }
  }
  return 0;
}

std::string FormatDate(std::string_view value, const Picture& p) {
  std::optional<std::int32_t> date = WholeNumber(value);
  if (!date || *date == 0) return {};
  std::optional<DateParts> parts = DateFromStandard(*date);
  if (!parts) return {};
  return Render(p, *parts, TimeParts());
}

std::string FormatTime(std::string_view value, const Picture& p) {
  std::optional<std::int32_t> time = WholeNumber(value);
  if (!time || *time == 0) return {};
  std::optional<TimeParts> parts = TimeFromStandard(*time);
  if (!parts) return {};
  return Render(p, DateParts(), *parts);
}

Deformatted DeformatDate(std::string_view text, const Picture& p,
                         int current_year) {
  std::vector<Token> tokens = Tokens(text);
  if (tokens.empty()) {
    if (text.find_first_not_of(' ') == std::string_view::npos)
      return ReadAs("0");
    return CannotRead(text, "no day, month or year");
  }
  std::vector<Field> fields = FieldsOf(p);
  if (tokens.size() == 1 && tokens[0].digits && fields.size() > 1) {
    auto parts = SplitByWidths(tokens[0].text, fields);
    if (!parts)
      return CannotRead(text, "the digits do not fit the date's layout");
    tokens = *parts;
  }
  YearWindow window{p.year_window, current_year};
  if (window.current_year == 0) {
    window.current_year =
        DateFromStandard(Today()).value_or(DateParts{1, 1, 2000}).year;
  }
  DateParts d{1, 0, window.current_year};
  std::size_t next = 0;
  for (const Field& f : fields) {
    if (next == tokens.size()) {
      if (f.kind == PositionKind::kYear) break;  // the current year
      return CannotRead(text, "the date is incomplete");
    }
    const Token& t = tokens[next++];
    if (f.kind == PositionKind::kMonthName && !t.digits) {
      d.month = MonthNamed(t.text);
      if (d.month == 0)
        return CannotRead(text, "'" + t.text + "' is not a month");
      continue;
    }
    if (!t.digits)
      return CannotRead(text, "'" + t.text + "' where digits are expected");
    int n = Number(t.text);
    if (f.kind == PositionKind::kDay) d.day = n;
    if (f.kind == PositionKind::kMonth || f.kind == PositionKind::kMonthName) {
      d.month = n;
    }
    if (f.kind == PositionKind::kYear) {
      if (t.text.size() > 4)
        return CannotRead(text, "the year has too many digits");
      d.year = t.text.size() <= 2
                   ? ExpandTwoDigitYear(n, window.current_year, window.window)
                   : n;
    }
  }
  if (next != tokens.size()) return CannotRead(text, "more than a date");
  std::int32_t date = StandardDateFrom(d.day, d.month, d.year, window);
  if (date == kInvalidDateTime) return CannotRead(text, "no such date");
  return ReadAs(std::to_string(date));
}

Deformatted DeformatTime(std::string_view text, const Picture&) {
  std::vector<std::string> runs;
  int half = 0;  // 1: the morning text was typed, 2: the afternoon text
  const RegionalSettings& r = GetRegionalSettings();
  for (const Token& t : Tokens(text)) {
    if (t.digits) {
      runs.push_back(t.text);
    } else if (!half && StartsWithIgnoringCase(r.am, t.text)) {
      half = 1;
    } else if (!half && StartsWithIgnoringCase(r.pm, t.text)) {
      half = 2;
    } else {
      return CannotRead(text, "'" + t.text + "' is not a time");
    }
  }
  if (runs.empty()) {
    if (text.find_first_not_of(' ') == std::string_view::npos) {
      return ReadAs("0");
    }
    return CannotRead(text, "no hours");
  }
  if (runs.size() == 1 && runs[0].size() > 2) {
    // One run of digits: hmm, hhmm, hmmss or hhmmss.
    std::string digits = runs[0];
    if (digits.size() > 6) return CannotRead(text, "too many digits");
    std::size_t h = digits.size() % 2 == 1 ? 1 : 2;
    runs = {digits.substr(0, h), digits.substr(h, 2)};
    if (digits.size() > 4) runs.push_back(digits.substr(h + 2));
  }
  if (runs.size() > 3) {
    return CannotRead(text, "more than hours, minutes and seconds");
  }
  int parts[3] = {0, 0, 0};
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (runs[i].size() > 2) return CannotRead(text, "too many digits");
    parts[i] = Number(runs[i]);
  }
  int hours = parts[0];
  if (half && (hours < 1 || hours > kHoursPerHalfDay)) {
    return CannotRead(text,
                      "hours must be 1 to 12 with a morning or "
                      "afternoon text");
  }
  if (half == 1 && hours == kHoursPerHalfDay) hours = 0;
  if (half == 2 && hours < kHoursPerHalfDay) hours += kHoursPerHalfDay;
  std::int32_t time = StandardTimeFrom(hours, parts[1], parts[2], 0);
  if (time == kInvalidDateTime) return CannotRead(text, "no such time");
  // Midnight typed is a time of day, not "no time" (which is empty text).
  if (time == kNoTime) time = kNoTime + 1;
  return ReadAs(std::to_string(time));
}

}  // namespace vantrel
