#include "runtime/data/expr/expr_value.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "runtime/data/text/string_ops.h"

namespace vantrel {
namespace {

constexpr std::size_t kMaxNumberText = 64;

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

ExprValue NumberFromText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits_start = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  bool integral = i > digits_start;
  // The longest prefix that strtod accepts decides a real.
  std::string copy(text.substr(start, kMaxNumberText));
  const char* begin = copy.c_str();
  char* end = nullptr;
  double d = std::strtod(begin, &end);
  std::size_t real_length = static_cast<std::size_t>(end - begin);
  // strtod also reads "inf", "nan" and hex; only plain decimal counts.
  for (std::size_t k = 0; k < real_length; ++k) {
    char c = copy[k];
    if (!(IsDigit(c) || c == '.' || c == '+' || c == '-' || c == 'e' ||
          c == 'E')) {
      return ExprValue::Integer(0);
    }
  }
  if (integral && real_length == i - start) {
    errno = 0;
    long long v = std::strtoll(begin, nullptr, 10);
    if (errno == 0) return ExprValue::Integer(v);
  }
  if (real_length == 0 || !std::isfinite(d)) return ExprValue::Integer(0);
  return ExprValue::Real(d);
}

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
