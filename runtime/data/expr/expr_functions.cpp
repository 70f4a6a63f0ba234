#include "runtime/data/expr/expr_functions.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "os/posix/profile_store.h"
#include "runtime/data/picture/picture.h"
#include "runtime/data/text/char_tables.h"
#include "runtime/data/text/pattern_match.h"
#include "runtime/data/text/string_compare.h"
#include "runtime/data/text/string_ops.h"
#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

using Args = std::span<const ExprValue>;
using Result = std::optional<ExprValue>;

constexpr int kAllDefaultLength = 255;
constexpr std::size_t kMaxBuiltLength = 65535;  // ALL, CENTER, LEFT, RIGHT
constexpr int kShiftLimit = 63;
constexpr int kMonthsPerYear = 12;
constexpr int kAgeYearsFrom = 2;   // AGE in years from 2 years on
constexpr int kAgeMonthsFrom = 2;  // in months from 2 months on
constexpr unsigned kMatchRegex = 1;
constexpr unsigned kMatchNoCase = 2;

Result Real(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  return ExprValue::Real(v);
}
Result Int(std::int64_t v) { return ExprValue::Integer(v); }
Result Str(std::string v) { return ExprValue::String(std::move(v)); }

std::int64_t IntArg(Args a, std::size_t i, std::int64_t fallback) {
  return i < a.size() ? AsInteger(a[i]) : fallback;
}

template <double (*F)(double)>
Result Math(Args a) {
  return Real(F(AsReal(a[0])));
}

std::size_t LengthArg(Args a, std::size_t i, std::size_t fallback) {
  std::int64_t n = IntArg(a, i, static_cast<std::int64_t>(fallback));
  if (n < 0) n = 0;
  return std::min(static_cast<std::size_t>(n), kMaxBuiltLength);
}

// Text without leading and trailing blanks.
std::string_view Trimmed(std::string_view s) {
  s = ClipText(s);
  std::size_t i = s.find_first_not_of(' ');
  return i == std::string_view::npos ? std::string_view{} : s.substr(i);
}

std::string Fit(std::string_view text, std::size_t length, std::size_t left) {
  std::string out(length, ' ');
  std::size_t n = std::min(text.size(), length - std::min(left, length));
  std::copy_n(text.begin(), n, out.begin() + std::min(left, length));
  return out;
}

// Dates ----------------------------------------------------------------------

std::optional<DateParts> DateArg(const ExprValue& v) {
  std::int64_t d = AsInteger(v);
  if (d < kMinStandardDate || d > kMaxStandardDate) return std::nullopt;
  return DateFromStandard(static_cast<std::int32_t>(d));
}

Result Day(Args a) {
  auto p = DateArg(a[0]);
  return Int(p ? p->day : 0);
}
Result Month(Args a) {
  auto p = DateArg(a[0]);
  return Int(p ? p->month : 0);
}
Result Year(Args a) {
  auto p = DateArg(a[0]);
  return Int(p ? p->year : 0);
}

// DATE(month, day, year); 0 for a day that does not exist.
Result Date(Args a) {
  std::int64_t m = AsInteger(a[0]), d = AsInteger(a[1]), y = AsInteger(a[2]);
  constexpr std::int64_t kLimit = 100000;
  auto outside = [](std::int64_t v) { return v < -kLimit || v > kLimit; };
  if (outside(m) || outside(d) || outside(y)) {
    return Int(0);
  }
  std::int32_t date = StandardDateFrom(static_cast<int>(d), static_cast<int>(m),
                                       static_cast<int>(y));
  return Int(date == kInvalidDateTime ? 0 : date);
}

Result TodayFn(Args) { return Int(Today()); }
Result ClockFn(Args) { return Int(Clock()); }

// AGE(birth, base = TODAY): "N YRS" from two full years, "N MOS" from two
// full months, "N DAYS" below that.
Result Age(Args a) {
  auto birth = DateArg(a[0]);
  auto base = DateArg(a.size() > 1 ? a[1] : ExprValue::Integer(Today()));
  if (!birth || !base) return Str("");
  int months = (base->year - birth->year) * kMonthsPerYear +
               (base->month - birth->month) - (base->day < birth->day ? 1 : 0);
  if (months >= kAgeYearsFrom * kMonthsPerYear) {
    return Str(std::to_string(months / kMonthsPerYear) + " YRS");
  }
  if (months >= kAgeMonthsFrom) return Str(std::to_string(months) + " MOS");
  return Str(std::to_string(
                 AsInteger(a.size() > 1 ? a[1] : ExprValue::Integer(Today())) -
                 AsInteger(a[0])) +
             " DAYS");
}

// Numbers --------------------------------------------------------------------

Result Abs(Args a) { return Real(std::fabs(AsReal(a[0]))); }

// INT truncates towards zero.
Result IntFn(Args a) {
  ExprValue n = AsNumber(a[0]);
  if (n.kind == ExprKind::kInteger) return n;
  return Int(AsInteger(ExprValue::Real(std::trunc(n.real))));
}

// ROUND(value, step): the nearest multiple of step, halves away from zero.
Result Round(Args a) {
  double x = AsReal(a[0]);
  double step = std::fabs(AsReal(a[1]));
  if (step == 0) return Real(x);
  double q = x / step;
  double r = std::round(q);
  constexpr double kHalfTolerance = 1e-9;
  if (std::fabs(std::fabs(q - std::trunc(q)) - 0.5) < kHalfTolerance) {
    r = std::trunc(q) + std::copysign(1.0, q);
  }
  double inverse = 1 / step;
  if (step < 1 && std::fabs(inverse - std::round(inverse)) < kHalfTolerance) {
    return Real(r / std::round(inverse));
  }
  return Real(r * step);
}

Result Band(Args a) { return Int(AsInteger(a[0]) & AsInteger(a[1])); }
Result Bor(Args a) { return Int(AsInteger(a[0]) | AsInteger(a[1])); }
Result Bxor(Args a) { return Int(AsInteger(a[0]) ^ AsInteger(a[1])); }

// BSHIFT(value, count): left for a positive count, right (logical) for a
// negative one.
Result Bshift(Args a) {
  auto v = static_cast<std::uint64_t>(AsInteger(a[0]));
  std::int64_t n = AsInteger(a[1]);
  if (n > kShiftLimit || n < -kShiftLimit) return Int(0);
  v = n >= 0 ? v << n : v >> -n;
  return Int(static_cast<std::int64_t>(v));
}

Result InRange(Args a) {
  double v = AsReal(a[0]);
  return Int(v >= AsReal(a[1]) && v <= AsReal(a[2]));
}

Result Numeric(Args a) { return Int(IsNumericText(AsText(a[0]))); }

thread_local std::mt19937_64 random_source{std::random_device{}()};

Result Random(Args a) {
  std::int64_t lo = AsInteger(a[0]), hi = AsInteger(a[1]);
  if (lo > hi) std::swap(lo, hi);
  std::uniform_int_distribution<std::int64_t> pick(lo, hi);
  return Int(pick(random_source));
}

// MEMORY(0): bytes of physical memory free now; MEMORY(1): in all.
Result Memory(Args a) {
  long pages =
      sysconf(IntArg(a, 0, 0) == 1 ? _SC_PHYS_PAGES : _SC_AVPHYS_PAGES);
  long size = sysconf(_SC_PAGESIZE);
  if (pages < 0 || size < 0) return Int(0);
  return Int(static_cast<std::int64_t>(pages) * size);
}

// Strings --------------------------------------------------------------------

Result All(Args a) {
  std::string unit = AsText(a[0]);
  std::size_t length = LengthArg(a, 1, kAllDefaultLength);
  std::string out;
  if (unit.empty()) return Str(std::string(length, ' '));
  while (out.size() < length) out += unit;
  out.resize(length);
  return Str(out);
}

Result Center(Args a) {
  std::string s = AsText(a[0]);
  std::string_view t = Trimmed(s);
  std::size_t length = LengthArg(a, 1, s.size());
  std::size_t left = length > t.size() ? (length - t.size()) / 2 : 0;
  return Str(Fit(t, length, left));
}

Result Left(Args a) {
  std::string s = AsText(a[0]);
  return Str(Fit(Trimmed(s), LengthArg(a, 1, s.size()), 0));
}

Result Right(Args a) {
  std::string s = AsText(a[0]);
  std::string_view t = Trimmed(s);
  std::size_t length = LengthArg(a, 1, s.size());
  if (t.size() > length) t = t.substr(t.size() - length);
  return Str(Fit(t, length, length - t.size()));
}

Result Chr(Args a) {
  return Str(std::string(1, static_cast<char>(AsInteger(a[0]) & 0xFF)));
}
Result Val(Args a) {
  std::string s = AsText(a[0]);
  return Int(s.empty() ? 0 : static_cast<unsigned char>(s[0]));
}
Result Clip(Args a) { return Str(std::string(ClipText(AsText(a[0])))); }
Result Len(Args a) {
  return Int(static_cast<std::int64_t>(AsText(a[0]).size()));
}
Result Upper(Args a) { return Str(UpperCaseText(AsText(a[0]))); }

Result Lower(Args a) {
  std::string s = AsText(a[0]);
  const CharTables& tables = GetCharTables();
  for (char& c : s) {
    auto u = static_cast<std::uint8_t>(c);
    if (tables.IsUpper(u) && tables.case_map[u] != 0) {
      c = static_cast<char>(tables.case_map[u]);
    }
  }
  return Str(s);
}

Result Sub(Args a) {
  std::string s = AsText(a[0]);
  return Str(std::string(PieceOf(s, AsInteger(a[1]), AsInteger(a[2]))));
}

// INSTRING(needle, haystack, step = 1, start = 1).
Result InString(Args a) {
  return Int(
      SearchText(AsText(a[1]), AsText(a[0]), IntArg(a, 2, 1), IntArg(a, 3, 1)));
}

bool SameValue(const ExprValue& x, const ExprValue& y) {
  if (x.IsNumber() && y.IsNumber()) return AsReal(x) == AsReal(y);
  return CompareStrings(ClipText(AsText(x)), ClipText(AsText(y))) == 0;
}

// INLIST(value, item, ...): the position of the first equal item, or 0.
Result InList(Args a) {
  for (std::size_t i = 1; i < a.size(); ++i) {
    if (SameValue(a[0], a[i])) return Int(static_cast<std::int64_t>(i));
  }
  return Int(0);
}

// CHOOSE(n, item, ...): the n-th item; the last item when n is out of range.
Result Choose(Args a) {
  std::int64_t n = AsInteger(a[0]);
  std::size_t count = a.size() - 1;
  if (n < 1 || static_cast<std::size_t>(n) > count) n = count;
  return Str(AsText(a[n]));
}

// NULL(value): 1 for an empty or blank string.
Result Null(Args a) {
  return Int(!a[0].IsNumber() && ClipText(a[0].text).empty());
}

Result Format(Args a) {
  Picture picture = CompilePicture(AsText(a[1]));
  if (!picture.valid()) return std::nullopt;
  return Str(FormatPicture(AsText(a[0]), picture));
}

// DEFORMAT(text, picture): the value; text the picture cannot read gives
// an empty string.
Result Deformat(Args a) {
  Picture picture = CompilePicture(AsText(a[1]));
  if (!picture.valid()) return std::nullopt;
  Deformatted d = DeformatPicture(AsText(a[0]), picture);
  return Str(d.ok ? d.value : std::string());
}

// GETINI(section, entry, default = '', file = the system profile).
Result GetIniFn(Args a) {
  std::string def = a.size() > 2 ? AsText(a[2]) : std::string();
  std::string file = a.size() > 3 ? AsText(a[3]) : std::string();
  return Str(GetIni(AsText(a[0]), AsText(a[1]), def, ClipText(file)));
}

// Wildcards: '*' any run of characters, '?' any one; the whole text must
// match.
bool WildcardMatch(std::string_view text, std::string_view pattern,
                   bool no_case) {
  auto same = [no_case](char x, char y) {
    if (!no_case) return x == y;
    return UpperCaseOf(static_cast<std::uint8_t>(x)) ==
           UpperCaseOf(static_cast<std::uint8_t>(y));
  };
  std::size_t t = 0, p = 0;
  std::size_t star = std::string_view::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || same(pattern[p], text[t]))) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// MATCH(text, pattern, mode = 0): mode 1 reads the pattern as a POSIX
// extended regular expression found anywhere in the text (see
// pattern_match.h); mode 2 is added to ignore case. A pattern that is
// malformed or too complex is an error.
Result Match(Args a) {
  std::string text = AsText(a[0]);
  std::string pattern = AsText(a[1]);
  auto mode = static_cast<unsigned>(IntArg(a, 2, 0));
  bool no_case = mode & kMatchNoCase;
  if (!(mode & kMatchRegex)) {
    return Int(WildcardMatch(ClipText(text), ClipText(pattern), no_case));
  }
  std::string problem;
  std::optional<bool> found = PatternFound(text, pattern, no_case, &problem);
  if (!found) {
    SetExprProblem(problem);
    return std::nullopt;
  }
  return Int(*found);
}

constexpr ExprKind kI = ExprKind::kInteger;
constexpr ExprKind kR = ExprKind::kReal;
constexpr ExprKind kS = ExprKind::kString;

// Sorted by name for the binary search.
constexpr BuiltinFunction kBuiltins[] = {
    {"ABS", 1, 1, kR, Abs},
    {"ACOS", 1, 1, kR, Math<std::acos>},
    {"AGE", 1, 2, kS, Age},
    {"ALL", 1, 2, kS, All},
    {"ASIN", 1, 1, kR, Math<std::asin>},
    {"ATAN", 1, 1, kR, Math<std::atan>},
    {"BAND", 2, 2, kI, Band},
    {"BOR", 2, 2, kI, Bor},
    {"BSHIFT", 2, 2, kI, Bshift},
    {"BXOR", 2, 2, kI, Bxor},
    {"CENTER", 1, 2, kS, Center},
    {"CHOOSE", 2, kExprListArgs, kS, Choose},
    {"CHR", 1, 1, kS, Chr},
    {"CLIP", 1, 1, kS, Clip},
    {"CLOCK", 0, 0, kI, ClockFn},
    {"COS", 1, 1, kR, Math<std::cos>},
    {"DATE", 3, 3, kI, Date},
    {"DAY", 1, 1, kI, Day},
    {"DEFORMAT", 2, 2, kS, Deformat},
    {"FORMAT", 2, 2, kS, Format},
    {"GETINI", 2, 4, kS, GetIniFn},
    {"INLIST", 2, kExprListArgs, kI, InList},
    {"INRANGE", 3, 3, kI, InRange},
    {"INSTRING", 2, 4, kI, InString},
    {"INT", 1, 1, kI, IntFn},
    {"LEFT", 1, 2, kS, Left},
    {"LEN", 1, 1, kI, Len},
    {"LOG10", 1, 1, kR, Math<std::log10>},
    {"LOGE", 1, 1, kR, Math<std::log>},
    {"LOWER", 1, 1, kS, Lower},
    {"MATCH", 2, 3, kI, Match},
    {"MEMORY", 0, 1, kI, Memory},
    {"MONTH", 1, 1, kI, Month},
    {"NULL", 1, 1, kI, Null},
    {"NUMERIC", 1, 1, kI, Numeric},
    {"RANDOM", 2, 2, kI, Random},
    {"RIGHT", 1, 2, kS, Right},
    {"ROUND", 2, 2, kR, Round},
    {"SIN", 1, 1, kR, Math<std::sin>},
    {"SQRT", 1, 1, kR, Math<std::sqrt>},
    {"SUB", 3, 3, kS, Sub},
    {"TAN", 1, 1, kR, Math<std::tan>},
    {"TODAY", 0, 0, kI, TodayFn},
    {"UPPER", 1, 1, kS, Upper},
    {"VAL", 1, 1, kI, Val},
    {"YEAR", 1, 1, kI, Year},
};

}  // namespace

const BuiltinFunction* FindBuiltin(std::string_view name) {
  auto it = std::lower_bound(
      std::begin(kBuiltins), std::end(kBuiltins), name,
      [](const BuiltinFunction& f, std::string_view n) { return f.name < n; });
  if (it == std::end(kBuiltins) || it->name != name) return nullptr;
  return &*it;
}

void SeedExprRandom(std::uint64_t seed) { random_source.seed(seed); }

}  // namespace vantrel
