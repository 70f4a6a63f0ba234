#include "runtime/data/text/string_ops.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

#include "runtime/data/text/char_tables_internal.h"

namespace vantrel {
namespace {

constexpr char kBlank = ' ';

bool IsWhiteSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');  // as the C locale's isspace
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// Consumes a run of digits from `s` at `*i`; returns how many there were.
std::size_t SkipDigits(std::string_view s, std::size_t* i) {
  const std::size_t from = *i;
  while (*i < s.size() && IsDecimalDigit(s[*i])) ++*i;
  return *i - from;
}

void SkipSign(std::string_view s, std::size_t* i) {
  if (*i < s.size() && (s[*i] == '+' || s[*i] == '-')) ++*i;
}

// Whether all of `s` is one floating-point number after leading white space.
bool ReadsAsOneNumber(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsWhiteSpace(s[i])) ++i;
  SkipSign(s, &i);
  std::size_t digits = SkipDigits(s, &i);
  if (i < s.size() && s[i] == '.') {
    ++i;
    digits += SkipDigits(s, &i);
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    SkipSign(s, &i);
    if (SkipDigits(s, &i) == 0) return false;
  }
  return i == s.size();
}

}  // namespace

std::string_view ClipText(std::string_view text) {
  const std::size_t last = text.find_last_not_of(kBlank);
  return text.substr(0, last == std::string_view::npos ? 0 : last + 1);
}

std::string UpperCaseText(std::string_view text) {
  const auto& upper = GetCharLookups().upper;
  std::string result(text);
  for (char& c : result) {
    c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
  }
  return result;
}

std::string_view PieceOf(std::string_view text, std::int64_t start,
                         std::int64_t length) {
  const auto size = static_cast<std::int64_t>(text.size());
  if (start < 0) start = std::max<std::int64_t>(size + start + 1, 1);
  if (start == 0) start = 1;
  if (start > size || length <= 0) return {};
  const std::int64_t offset = start - 1;
  return text.substr(offset, std::min(length, size - offset));
}

bool IsNumericText(std::string_view text) {
  const std::string_view clipped = ClipText(text).substr(0, kNumericTestLimit);
  return !clipped.empty() && ReadsAsOneNumber(clipped);
}

std::string NumberToText(std::int64_t value) { return std::to_string(value); }

std::string NumberToText(double value) {
  // Fixed notation with the fewest digits that read back as the same value.
  std::array<char, 400> buffer;  // room for DBL_MAX written out in full
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                    std::chars_format::fixed);
  return std::string(buffer.data(), result.ptr);
}

void StoreText(std::span<char> field, std::string_view text) {
  const std::size_t n = std::min(field.size(), text.size());
  if (n > 0) std::memmove(field.data(), text.data(), n);
  std::fill(field.begin() + n, field.end(), kBlank);
}

void ClearTextField(std::span<char> field, FieldFill fill) {
  std::fill(field.begin(), field.end(), static_cast<char>(fill));
}

}  // namespace vantrel
