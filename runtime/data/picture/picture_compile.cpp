// Compiling picture texts into Picture values.
#include <array>
#include <cctype>

#include "runtime/data/picture/picture.h"
#include "runtime/data/picture/picture_internal.h"
#include "runtime/data/text/locale.h"

namespace vantrel {
namespace {

constexpr int kMaxWidth = 255;
constexpr int kGroupSize = 3;
constexpr int kMinScientificExtra = 7;  // sign, digit, point, E, sign, 2 digits
constexpr int kShortDateLayout = 17;
constexpr int kLongDateLayout = 18;
constexpr int kShortTimeLayout = 7;
constexpr int kLongTimeLayout = 8;
constexpr int kMaxWindow = 99;
constexpr int kWindowWithoutNumber = 19;

constexpr std::array<const char*, 20> kDateLayouts = {"Mm/dd/yy",
                                                      "Mm/dd/yyyy",
                                                      "NNN Dd, yyyy",
                                                      "NNNNNNNNN Dd, yyyy",
                                                      "Dd/mm/yy",
                                                      "Dd/mm/yyyy",
                                                      "Dd NNN yy",
                                                      "Dd NNN yyyy",
                                                      "yy/mm/dd",
                                                      "yyyy/mm/dd",
                                                      "yymmdd",
                                                      "yyyymmdd",
                                                      "Mm/yy",
                                                      "Mm/yyyy",
                                                      "yy/mm",
                                                      "yyyy/mm",
                                                      nullptr,
                                                      nullptr,
                                                      "Dd NNNNNNNNN yyyy",
                                                      "NNNNNNNNN Dd yyyy"};

constexpr std::array<const char*, 8> kTimeLayouts = {
    "hh:mm",  "hhmm",       "Hh:mmPP", "hh:mm:ss",
    "hhmmss", "Hh:mm:ssPP", nullptr,   nullptr};

// Walks a picture text.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek(std::size_t ahead = 0) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
  }
  char Take() { return AtEnd() ? '\0' : text_[pos_++]; }
  bool TakeIf(char c) {
    if (AtEnd() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  bool TakeIfAny(std::string_view set, char* taken) {
    if (AtEnd() || set.find(text_[pos_]) == std::string_view::npos) {
      return false;
    }
    *taken = text_[pos_++];
    return true;
  }
  // A decimal number of at most three digits.
  bool Number(int* n) {
    std::size_t start = pos_;
    *n = 0;
    while (!AtEnd() && std::isdigit(static_cast<unsigned char>(Peek())) &&
           pos_ - start < 3) {
      *n = *n * 10 + (Take() - '0');
    }
    return pos_ > start;
  }
  bool NextIsDigit() const {
    return std::isdigit(static_cast<unsigned char>(Peek()));
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// The display character of a grouping or decimal code character.
char DisplayChar(char code) {
  switch (code) {
    case '_':
      return ' ';
    case '`':
      return ',';
    case 'v':
    case 'V':
      return 0;
    default:
      return code;
  }
}

char FillChar(char code) { return code == '_' ? ' ' : code; }

void Add(Picture* p, PositionKind kind, char ch, std::uint8_t flags = 0) {
  p->positions.push_back({kind, flags, ch});
}

enum class Currency { kNone, kRead, kBad };

// A currency text: '$' or ~text~ with ~~ for a tilde.
Currency ReadCurrency(Reader& r, std::string* currency) {
  if (r.TakeIf('$')) {
    currency->assign(1, '$');
    return Currency::kRead;
  }
  if (!r.TakeIf('~')) return Currency::kNone;
  currency->clear();
  for (;;) {
    if (r.AtEnd()) return Currency::kBad;
    char c = r.Take();
    if (c == '~' && !r.TakeIf('~')) {
      return currency->empty() ? Currency::kBad : Currency::kRead;
    }
    *currency += c;
  }
}

// A grouping code: one of "._`" not followed by a digit.
bool GroupingFollows(const Reader& r) {
  char c = r.Peek();
  return (c == '.' || c == '_' || c == '`') &&
         !std::isdigit(static_cast<unsigned char>(r.Peek(1)));
}

void AddCurrency(Picture* p) {
  for (char c : p->currency) Add(p, PositionKind::kCurrency, c);
}

// The integer area of a number: digits, with a grouping character after
// every three digits counted from the point, never in the first position.
void AddIntegerPositions(Picture* p) {
  std::vector<PicturePosition> area;
  for (int i = 0; i < p->digit_positions; ++i) {
    bool separator = p->grouping && i % (kGroupSize + 1) == kGroupSize &&
                     i != p->digit_positions - 1;
    area.push_back(
        separator ? PicturePosition{PositionKind::kLiteral, 0, p->grouping}
                  : PicturePosition{PositionKind::kDigit, kPositionValue, '9'});
  }
  p->positions.insert(p->positions.end(), area.rbegin(), area.rend());
}

bool CompileNumeric(Reader& r, Picture* p) {
  Currency prefix = ReadCurrency(r, &p->currency);
  if (prefix == Currency::kBad) return false;
  char sign = 0, fill = 0, code = 0;
  if (r.TakeIfAny("(-", &sign)) p->leading_sign = sign;
  if (r.TakeIfAny("0_*", &fill)) {
    p->fill = FillChar(fill);
  } else {
    p->flags |= kPictureNoFill;
  }
  if (!r.Number(&p->width) || p->width > kMaxWidth) return false;
  p->grouping = fill ? 0 : ',';
  if (GroupingFollows(r)) p->grouping = DisplayChar(r.Take());
  if (r.TakeIfAny(".vV_`", &code)) {
    if (!r.Number(&p->decimals)) return false;
    p->decimal = DisplayChar(code);
    if (p->decimal == ',' && p->grouping == ',') p->grouping = '.';
    // One character cannot both group and mark the decimals.
    if (p->decimals > 0 && p->grouping && p->grouping == p->decimal) {
      return false;
    }
  }
  if (r.TakeIfAny(")-", &sign)) {
    if ((sign == ')') != (p->leading_sign == '(')) return false;
    if (sign == '-' && p->leading_sign) return false;
    p->trailing_sign = sign;
  } else if (p->leading_sign == '(') {
    return false;
  }
  std::string suffix;
  Currency after = ReadCurrency(r, &suffix);
  if (after == Currency::kBad ||
      (after == Currency::kRead && prefix == Currency::kRead)) {
    return false;
  }
  if (after == Currency::kRead) {
    p->currency = suffix;
    p->currency_suffix = true;
  }
  if (p->leading_sign || p->trailing_sign) p->flags |= kPictureExplicitSign;
  // '(' takes two places; '-' before or after, or the floating minus, one.
  int signs = p->leading_sign == '(' ? 2 : 1;
  int point = p->decimals > 0 && p->decimal ? 1 : 0;
  p->digit_positions = p->width - static_cast<int>(p->currency.size()) - signs -
                       point - p->decimals;
  if (p->digit_positions <= 0) return false;
  int separators =
      p->grouping ? (p->digit_positions - 1) / (kGroupSize + 1) : 0;
  p->integer_digits = p->digit_positions - separators;

  if (!p->currency_suffix) AddCurrency(p);
  if (p->trailing_sign != '-') {
    Add(p, PositionKind::kSign, p->leading_sign ? p->leading_sign : '-');
  }
  AddIntegerPositions(p);
  if (point) Add(p, PositionKind::kLiteral, p->decimal);
  for (int i = 0; i < p->decimals; ++i) {
    Add(p, PositionKind::kDigit, '9', kPositionValue);
  }
  if (p->trailing_sign) Add(p, PositionKind::kSign, p->trailing_sign);
  if (p->currency_suffix) AddCurrency(p);
  return true;
}

bool CompileScientific(Reader& r, Picture* p) {
  p->flags |= kPictureNoFill | kPictureExplicitSign | kPictureScientificSign;
  if (!r.Number(&p->width) || p->width > kMaxWidth) return false;
  p->grouping = ',';
  char code = 0;
  if (GroupingFollows(r)) p->grouping = DisplayChar(r.Take());
  if (r.TakeIfAny(".`", &code)) {
    if (!r.Number(&p->decimals)) return false;
    p->decimal = DisplayChar(code);
    if (p->decimal == ',') p->grouping = '.';
  }
  if (p->width < p->decimals + kMinScientificExtra) return false;
  p->digit_positions = 1 + p->decimals;
  p->integer_digits = 1;
  for (int i = p->decimals + kMinScientificExtra; i < p->width; ++i) {
    Add(p, PositionKind::kLiteral, ' ');
  }
  Add(p, PositionKind::kSign, '-');
  Add(p, PositionKind::kDigit, '9', kPositionValue);
  Add(p, PositionKind::kLiteral, p->decimal);
  for (int i = 0; i < p->decimals; ++i) {
    Add(p, PositionKind::kDigit, '9', kPositionValue);
  }
  Add(p, PositionKind::kExponent, 'E');
  Add(p, PositionKind::kSign, '+');
  Add(p, PositionKind::kDigit, '9', kPositionValue);
  Add(p, PositionKind::kDigit, '9', kPositionValue);
  return true;
}

// The field kind of a layout letter, or kLiteral.
PositionKind FieldKind(char letter, bool time) {
  switch (std::tolower(static_cast<unsigned char>(letter))) {
    case 'm':
      return time ? PositionKind::kMinutes : PositionKind::kMonth;
    case 'd':
      return time ? PositionKind::kLiteral : PositionKind::kDay;
    case 'y':
      return time ? PositionKind::kLiteral : PositionKind::kYear;
    case 'n':
      return time ? PositionKind::kLiteral : PositionKind::kMonthName;
    case 'h':
      return time ? PositionKind::kHours : PositionKind::kLiteral;
    case 's':
      return time ? PositionKind::kSeconds : PositionKind::kLiteral;
    case 'p':
      return time ? PositionKind::kAmPm : PositionKind::kLiteral;
    default:
      return PositionKind::kLiteral;
  }
}

// Lays a date or time layout out as positions; `separator` (0: none)
// replaces every literal but commas.
void AddLayout(std::string_view layout, bool time, char separator, Picture* p) {
  std::size_t first_field = p->positions.size();
  std::size_t last_field_start = first_field;
  bool seen_field = false;
  for (std::size_t i = 0; i < layout.size();) {
    PositionKind kind = FieldKind(layout[i], time);
    if (kind == PositionKind::kLiteral) {
      char c = layout[i++];
      Add(p, kind, separator && c != ',' ? separator : c);
      continue;
    }
    std::size_t run = i;
    while (run < layout.size() &&
           std::tolower(static_cast<unsigned char>(layout[run])) ==
               std::tolower(static_cast<unsigned char>(layout[i]))) {
      ++run;
    }
    last_field_start = p->positions.size();
    if (kind == PositionKind::kMonthName || kind == PositionKind::kAmPm) {
      p->name_position = static_cast<int>(last_field_start);
    }
    bool suppress = std::isupper(static_cast<unsigned char>(layout[i])) &&
                    kind != PositionKind::kMonthName &&
                    kind != PositionKind::kAmPm;
    for (std::size_t j = i; j < run; ++j) {
      std::uint8_t flags = kPositionValue;
      if (j == i) flags |= kPositionFieldStart;
      if (j == i && suppress) flags |= kPositionSuppressZero;
      if (!seen_field) flags |= kPositionFirstField;
      Add(p, kind, layout[j], flags);
    }
    seen_field = true;
    i = run;
  }
  for (std::size_t j = last_field_start; j < p->positions.size(); ++j) {
    if (p->positions[j].flags & kPositionValue) {
      p->positions[j].flags |= kPositionLastField;
    }
  }
  p->width = static_cast<int>(p->positions.size());
}

// Fill and separator codes shared by dates and times.
bool ReadFillAndLayout(Reader& r, Picture* p, int* layout) {
  char fill = 0;
  if (r.TakeIfAny("0*_", &fill) && r.NextIsDigit()) {
    p->fill = FillChar(fill);
  } else if (fill) {
    return false;
  } else {
    p->flags |= kPictureNoFill;
  }
  return r.Number(layout);
}

char ReadSeparator(Reader& r) {
  char code = 0;
  return r.TakeIfAny(".-_`", &code) ? DisplayChar(code) : 0;
}

bool CompileDate(Reader& r, Picture* p) {
  int number = 0;
  if (!ReadFillAndLayout(r, p, &number) || number < 1 ||
      number > static_cast<int>(kDateLayouts.size())) {
    return false;
  }
  char separator = ReadSeparator(r);
  int window = 0;
  if (r.TakeIf('<')) {
    p->year_window =
        r.Number(&window) && window <= kMaxWindow ? window : kDefaultYearWindow;
  } else if (r.TakeIf('>')) {
    p->year_window = r.Number(&window) && window <= kMaxWindow
                         ? kMaxWindow - window
                         : kWindowWithoutNumber;
  }
  const RegionalSettings& regional = GetRegionalSettings();
  std::string_view layout =
      number == kShortDateLayout  ? std::string_view(regional.short_date_layout)
      : number == kLongDateLayout ? std::string_view(regional.long_date_layout)
                                  : std::string_view(kDateLayouts[number - 1]);
  AddLayout(layout, false, separator, p);
  return true;
}

bool CompileTime(Reader& r, Picture* p) {
  int number = 0;
  if (!ReadFillAndLayout(r, p, &number) || number < 1 ||
      number > static_cast<int>(kTimeLayouts.size())) {
    return false;
  }
  char separator = ReadSeparator(r);
  const RegionalSettings& regional = GetRegionalSettings();
  std::string_view layout =
      number == kShortTimeLayout  ? std::string_view(regional.short_time_layout)
      : number == kLongTimeLayout ? std::string_view(regional.long_time_layout)
                                  : std::string_view(kTimeLayouts[number - 1]);
  AddLayout(layout, true, separator, p);
  return true;
}

bool CompileString(Reader& r, Picture* p) {
  if (!r.Number(&p->width) || p->width == 0) return false;
  return true;
}

// "#" and "<" digit positions up to the closing letter; others literal.
bool CompilePattern(Reader& r, char close, Picture* p) {
  for (;;) {
    if (r.AtEnd()) return false;
    char c = r.Take();
    if (c == close) break;
    if (c == '#' || c == '<') {
      Add(p, PositionKind::kDigit, c,
          kPositionValue | (c == '<' ? kPositionSuppressZero : 0));
      ++p->digit_positions;
    } else {
      Add(p, PositionKind::kLiteral, c);
    }
  }
  p->width = static_cast<int>(p->positions.size());
  p->integer_digits = p->digit_positions;
  return p->digit_positions > 0;
}

bool CompileKeyIn(Reader& r, char close, Picture* p) {
  Add(p, PositionKind::kKeyIn, '|', kPositionFieldStart);
  for (;;) {
    if (r.AtEnd()) return false;
    char c = r.Take();
    if (c == close) break;
    if (c == '\\') {
      if (r.AtEnd()) return false;
      Add(p, PositionKind::kLiteral, r.Take());
    } else if (IsKeyInClass(c)) {
      Add(p, PositionKind::kKeyIn, c,
          c == '|' ? kPositionFieldStart : kPositionValue);
    } else {
      Add(p, PositionKind::kLiteral, c);
    }
  }
  p->width = DisplayWidth(*p);
  return p->width > 0;
}

bool CompileBody(Reader& r, Picture* p) {
  char letter = r.Take();
  switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'N':
      p->kind = PictureKind::kNumeric;
      return CompileNumeric(r, p);
    case 'E':
      p->kind = PictureKind::kScientific;
      return CompileScientific(r, p);
    case 'D':
      p->kind = PictureKind::kDate;
      return CompileDate(r, p);
    case 'T':
      p->kind = PictureKind::kTime;
      return CompileTime(r, p);
    case 'S':
      p->kind = PictureKind::kString;
      return CompileString(r, p);
    case 'P':
      p->kind = PictureKind::kPattern;
      return CompilePattern(r, letter, p);
    case 'K':
      p->kind = PictureKind::kKeyIn;
      return CompileKeyIn(r, letter, p);
    default:
      return false;
  }
}

}  // namespace

Picture CompilePicture(std::string_view text) {
  Reader r(text);
  r.TakeIf('@');
  Picture p;
  bool ok = CompileBody(r, &p);
  while (r.TakeIf(' ')) {
  }
  if (r.TakeIf('B') || r.TakeIf('b')) p.flags |= kPictureBlankWhenZero;
  while (r.TakeIf(' ')) {
  }
  if (!ok || !r.AtEnd()) return Picture();
  return p;
}

}  // namespace vantrel
