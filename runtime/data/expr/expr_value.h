// Values of run-time expressions: integers, reals, picture literals and
// strings, with the conversions between them.
#ifndef VANTREL_RUNTIME_DATA_EXPR_EXPR_VALUE_H_
#define VANTREL_RUNTIME_DATA_EXPR_EXPR_VALUE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The longest string an expression may build; an operation that would make
// a longer one fails (see SetExprProblem) before it allocates.
inline constexpr std::size_t kMaxExprStringLength = 16u << 20;  // 16 MiB

enum class ExprKind : unsigned char { kInteger, kReal, kPicture, kString };

struct ExprValue {
  ExprKind kind = ExprKind::kInteger;
  std::int64_t integer = 0;
  double real = 0;
  std::string text;  // strings and picture literals

  static ExprValue Integer(std::int64_t v);
  static ExprValue Real(double v);
  static ExprValue String(std::string v);
  static ExprValue PictureText(std::string v);
  static ExprValue Bool(bool v) { return Integer(v ? 1 : 0); }

  bool IsNumber() const {
    return kind == ExprKind::kInteger || kind == ExprKind::kReal;
  }
};

// A text read as a number: an integer when it is a plain run of digits with
// an optional sign that fits, a real otherwise (every digit counts, rounded
// to the nearest double). Text that is not a number reads as its leading
// numeric part, or 0; so does a number too large for a double.
ExprValue NumberFromText(std::string_view text);

// A number literal of an expression, read as NumberFromText does; nothing
// when it is too large for a double. A value too small for one reads as the
// nearest, possibly 0.
std::optional<ExprValue> NumberLiteral(std::string_view text);

// Why the last operation on this thread gave no value, when it was refused
// for passing a limit; EVALUATE adds it to its error text. Set by the
// operation that refuses, taken (and cleared) by the one that reports.
void SetExprProblem(std::string_view problem);
std::string TakeExprProblem();

// The value as a number (strings and pictures read as above).
ExprValue AsNumber(const ExprValue& v);
// The value as an integer: reals rounded to the nearest, half away from
// zero, and clamped to the 64-bit range.
std::int64_t AsInteger(const ExprValue& v);
double AsReal(const ExprValue& v);
// The value as text: numbers in plain decimal.
std::string AsText(const ExprValue& v);
// Truth: a number that is not 0, a string that is not blank.
bool AsBool(const ExprValue& v);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_EXPR_EXPR_VALUE_H_
