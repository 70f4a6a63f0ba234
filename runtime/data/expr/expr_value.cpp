#include "runtime/data/expr/expr_value.h"

#include <locale.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "runtime/data/text/string_ops.h"

namespace vantrel {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

ExprValue ExprValue::Integer(std::int64_t v) {
  ExprValue r;
  r.kind = ExprKind::kInteger;
  r.integer = v;
  return r;
}

ExprValue ExprValue::Real(double v) {
  ExprValue r;
  r.kind = ExprKind::kReal;
  r.real = v;
  return r;
}

ExprValue ExprValue::String(std::string v) {
  ExprValue r;
  r.kind = ExprKind::kString;
  r.text = std::move(v);
  return r;
}

ExprValue ExprValue::PictureText(std::string v) {
  ExprValue r;
  r.kind = ExprKind::kPicture;
  r.text = std::move(v);
  return r;
}

namespace {

// The length of the plain decimal number `text` starts with (sign, digits,
// a point and digits, an exponent with at least one digit), 0 when it does
// not start with one; `integral` tells whether it is digits only.
std::size_t DecimalPrefix(std::string_view text, bool* integral) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  *integral = digits > 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    *integral = false;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t p = i + 1;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) ++p;
    if (p < text.size() && IsDigit(text[p])) {
      while (p < text.size() && IsDigit(text[p])) ++p;
      i = p;
      *integral = false;
    }
  }
  return i;
}

// Reads the number at the start of `text`; `overflow` tells a number too
// large for a double, which reads as 0.
ExprValue ReadNumber(std::string_view text, bool* overflow) {
  *overflow = false;
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  text.remove_prefix(i);
  bool integral = false;
  std::size_t length = DecimalPrefix(text, &integral);
  if (length == 0) return ExprValue::Integer(0);
  std::string number(text.substr(0, length));
  if (integral) {
    errno = 0;
    long long v = std::strtoll(number.c_str(), nullptr, 10);
    if (errno == 0) return ExprValue::Integer(v);
  }
  // In the C locale, whatever the program's locale says about the point.
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", nullptr);
  errno = 0;
  double d = strtod_l(number.c_str(), nullptr, c_locale);
  if (!std::isfinite(d) || (errno == ERANGE && std::fabs(d) >= 1)) {
    *overflow = true;
    return ExprValue::Integer(0);
  }
  return ExprValue::Real(d);
}

thread_local std::string expr_problem;

}  // namespace

ExprValue NumberFromText(std::string_view text) {
  bool overflow = false;
  return ReadNumber(text, &overflow);
}

std::optional<ExprValue> NumberLiteral(std::string_view text) {
  bool overflow = false;
  ExprValue v = ReadNumber(text, &overflow);
  if (overflow) return std::nullopt;
  return v;
}

void SetExprProblem(std::string_view problem) { expr_problem = problem; }

std::string TakeExprProblem() { return std::exchange(expr_problem, {}); }

ExprValue AsNumber(const ExprValue& v) {
  if (v.IsNumber()) return v;
  return NumberFromText(v.text);
}

std::int64_t AsInteger(const ExprValue& v) {
  ExprValue n = AsNumber(v);
  if (n.kind == ExprKind::kInteger) return n.integer;
  double r = std::round(n.real);
  if (!(r > -9.2e18)) return std::numeric_limits<std::int64_t>::min();
  if (!(r < 9.2e18)) return std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(r);
}

double AsReal(const ExprValue& v) {
  ExprValue n = AsNumber(v);
  return n.kind == ExprKind::kInteger ? static_cast<double>(n.integer) : n.real;
}

std::string AsText(const ExprValue& v) {
  switch (v.kind) {
    case ExprKind::kInteger:
      return NumberToText(v.integer);
    case ExprKind::kReal:
      return NumberToText(v.real);
    default:
      return v.text;
  }
}

bool AsBool(const ExprValue& v) {
  switch (v.kind) {
    case ExprKind::kInteger:
      return v.integer != 0;
    case ExprKind::kReal:
      return v.real != 0;
    default:
      return !ClipText(v.text).empty();
  }
}

}  // namespace vantrel
