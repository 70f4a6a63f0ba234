#include "runtime/data/types/decimal.h"

#include <algorithm>
#include <charconv>

namespace vantrel {
namespace {

constexpr std::uint32_t kMaxBytes = 16;
constexpr std::uint32_t kMaxPlaces = 31;
constexpr int kTopCell = kDecimalCells - 1;
constexpr std::uint8_t kMaxDigit = 9;
constexpr std::uint8_t kRoundUpDigit = 5;
constexpr int kBase = 10;
constexpr int kNibbleBits = 4;
constexpr std::uint8_t kNibbleMask = 0x0F;
constexpr std::uint8_t kDecimalNegativeWritten = 0xF;
constexpr std::uint8_t kPDecimalNegative = 0xD;
constexpr std::uint8_t kPDecimalPositive = 0xF;

// The n-th nibble of a field, high nibble of each byte first.
std::uint8_t Nibble(const std::uint8_t* field, std::uint32_t n) {
  const std::uint8_t byte = field[n / 2];
  return (n % 2 == 0) ? static_cast<std::uint8_t>(byte >> kNibbleBits)
                      : static_cast<std::uint8_t>(byte & kNibbleMask);
}

void SetNibble(std::uint8_t* field, std::uint32_t n, std::uint8_t value) {
  std::uint8_t& byte = field[n / 2];
  if (n % 2 == 0) {
    byte = static_cast<std::uint8_t>((byte & kNibbleMask) |
                                     (value << kNibbleBits));
  } else {
    byte = static_cast<std::uint8_t>((byte & ~kNibbleMask) | value);
  }
}

// The nibble holding digit 0 (the most significant) and the sign nibble.
std::uint32_t FirstDigitNibble(const DecimalField& shape) {
  return shape.type == FieldType::DECIMAL ? 1 : 0;
}
std::uint32_t SignNibble(const DecimalField& shape) {
  return shape.type == FieldType::DECIMAL ? 0 : 2 * shape.bytes - 1;
}

int LowCell(const DecimalField& shape) {
  return kDecimalUnitCell - static_cast<int>(shape.places);
}
int TopCellOf(const DecimalField& shape) {
  return static_cast<int>(2 * shape.bytes) - static_cast<int>(shape.places) +
         30;
}

DecimalAccumulator FromDigits(const DecimalField& shape,
                              const std::uint8_t* digits, bool negative) {
  DecimalAccumulator acc;
  acc.lowest = LowCell(shape);
  acc.highest = TopCellOf(shape);
  for (int cell = acc.highest, i = 0; cell >= acc.lowest; --cell, ++i) {
    acc.cells[cell] = digits[i];
  }
  acc.negative = negative;
  return acc;
}

// Adds one at `cell` and carries upwards; a carry past the top cell is lost.
void AddOneAt(DecimalAccumulator& acc, int cell) {
  for (; cell <= kTopCell; ++cell) {
    acc.highest = std::max(acc.highest, cell);
    if (++acc.cells[cell] < kBase) return;
    acc.cells[cell] = 0;
  }
}

// Rounds half away from zero so that no digit is left below `low`.
void RoundAt(DecimalAccumulator& acc, int low) {
  if (acc.lowest >= low) return;
  const bool round_up = acc.cells[low - 1] >= kRoundUpDigit;
  for (int cell = acc.lowest; cell < low; ++cell) acc.cells[cell] = 0;
  acc.lowest = low;
  acc.highest = std::max(acc.highest, low);
  if (round_up) AddOneAt(acc, low);
}

int CompareMagnitudes(const DecimalAccumulator& a,
                      const DecimalAccumulator& b) {
  for (int cell = kTopCell; cell >= 0; --cell) {
    if (a.cells[cell] != b.cells[cell]) {
      return a.cells[cell] < b.cells[cell] ? -1 : 1;
    }
  }
  return 0;
}

int SignOf(const DecimalAccumulator& acc) {
  if (acc.IsZero()) return 0;
  return acc.negative ? -1 : 1;
}

// |a| + |b|, or |a| - |b| when |a| >= |b|, with a's sign.
DecimalAccumulator CombineMagnitudes(const DecimalAccumulator& a,
                                     const DecimalAccumulator& b,
                                     bool subtract) {
  DecimalAccumulator result;
  result.negative = a.negative;
  result.lowest = std::min(a.lowest, b.lowest);
  result.highest = std::max(a.highest, b.highest);
  int carry = 0;
  for (int cell = result.lowest; cell <= kTopCell; ++cell) {
    int digit =
        a.cells[cell] + (subtract ? -b.cells[cell] : b.cells[cell]) + carry;
    carry = 0;
    if (digit >= kBase) {
      digit -= kBase;
      carry = 1;
    } else if (digit < 0) {
      digit += kBase;
      carry = -1;
    }
    result.cells[cell] = static_cast<std::uint8_t>(digit);
    if (digit != 0) result.highest = std::max(result.highest, cell);
  }
  return result;
}

// The signed sum of two accumulators.
DecimalAccumulator AddSigned(const DecimalAccumulator& a,
                             const DecimalAccumulator& b) {
  if (a.negative == b.negative) return CombineMagnitudes(a, b, false);
  return CompareMagnitudes(a, b) >= 0 ? CombineMagnitudes(a, b, true)
                                      : CombineMagnitudes(b, a, true);
}

// Plain text with `places` fraction digits (cells below are not shown).
std::string AccumulatorText(const DecimalAccumulator& acc, int places) {
  std::string text;
  if (SignOf(acc) < 0) text.push_back('-');
  int top = std::max(acc.highest, kDecimalUnitCell);
  while (top > kDecimalUnitCell && acc.cells[top] == 0) --top;
  for (int cell = top; cell >= kDecimalUnitCell; --cell) {
    text.push_back(static_cast<char>('0' + acc.cells[cell]));
  }
  if (places > 0) {
    text.push_back('.');
    for (int cell = kDecimalUnitCell - 1; cell >= kDecimalUnitCell - places;
         --cell) {
      text.push_back(static_cast<char>('0' + acc.cells[cell]));
    }
  }
  return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool DecimalField::Valid() const {
  return IsDecimalType(type) && bytes >= 1 && bytes <= kMaxBytes &&
         places <= kMaxPlaces;
}

bool DecimalAccumulator::IsZero() const {
  return std::all_of(cells.begin(), cells.end(),
                     [](std::uint8_t digit) { return digit == 0; });
}

bool ReadDecimalDigits(const DecimalField& shape, const std::uint8_t* field,
                       std::uint8_t* digits) {
  const std::uint32_t first = FirstDigitNibble(shape);
  for (std::uint32_t i = 0; i < shape.Digits(); ++i) {
    digits[i] = std::min(Nibble(field, first + i), kMaxDigit);
  }
  const std::uint8_t sign = Nibble(field, SignNibble(shape));
  return shape.type == FieldType::DECIMAL ? sign != 0
                                          : sign == kPDecimalNegative;
}

bool DecimalStack::Push(const DecimalAccumulator& accumulator) {
  if (stack_.size() >= kDecimalStackDepth) return false;
  stack_.push_back(accumulator);
  return true;
}

bool DecimalStack::PushField(const DecimalField& shape,
                             const std::uint8_t* field) {
  if (!shape.Valid()) return false;
  std::uint8_t digits[2 * kMaxBytes];
  const bool negative = ReadDecimalDigits(shape, field, digits);
  return Push(FromDigits(shape, digits, negative));
}

bool DecimalStack::PushText(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  std::size_t end = text.size();
  while (end > pos && IsBlank(text[end - 1])) --end;
  text = text.substr(pos, end - pos);
  DecimalAccumulator acc;
  if (text.empty()) return Push(acc);
  if (text[0] == '-' || text[0] == '+') {
    acc.negative = text[0] == '-';
    text.remove_prefix(1);
  }
  const std::size_t point = text.find('.');
  std::string_view whole = text.substr(0, point);
  std::string_view fraction = point == std::string_view::npos
                                  ? std::string_view{}
                                  : text.substr(point + 1);
  auto all_digits = [](std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
  };
  if (whole.empty() && fraction.empty()) return false;
  if (!all_digits(whole) || !all_digits(fraction)) return false;
  while (whole.size() > 1 && whole[0] == '0') whole.remove_prefix(1);
  if (whole.size() > static_cast<std::size_t>(kDecimalUnitCell)) return false;
  fraction = fraction.substr(
      0, std::min<std::size_t>(fraction.size(), kDecimalUnitCell));
  acc.highest = kDecimalUnitCell + std::max<int>(1, whole.size()) - 1;
  acc.lowest = kDecimalUnitCell - static_cast<int>(fraction.size());
  int cell = kDecimalUnitCell + static_cast<int>(whole.size()) - 1;
  for (char c : whole) acc.cells[cell--] = static_cast<std::uint8_t>(c - '0');
  cell = kDecimalUnitCell - 1;
  for (char c : fraction)
    acc.cells[cell--] = static_cast<std::uint8_t>(c - '0');
  return Push(acc);
}

bool DecimalStack::PopToField(const DecimalField& shape, std::uint8_t* field) {
  if (stack_.empty() || !shape.Valid()) return false;
  DecimalAccumulator acc = stack_.back();
  stack_.pop_back();
  const int low = LowCell(shape);
  RoundAt(acc, low);
  // Cells above the field's top are simply not written: high digits are lost.
  const int top = TopCellOf(shape);
  const std::uint32_t first = FirstDigitNibble(shape);
  bool all_zero = true;
  for (int cell = top, i = 0; cell >= low; --cell, ++i) {
    const std::uint8_t digit = acc.cells[cell];
    all_zero = all_zero && digit == 0;
    SetNibble(field, first + static_cast<std::uint32_t>(i), digit);
  }
  const bool negative = acc.negative && !all_zero;
  std::uint8_t sign;
  if (shape.type == FieldType::DECIMAL) {
    sign = negative ? kDecimalNegativeWritten : 0;
  } else {
    sign = negative ? kPDecimalNegative : kPDecimalPositive;
  }
  SetNibble(field, SignNibble(shape), sign);
  return true;
}

double DecimalStack::TopAsDouble() const {
  if (stack_.empty()) return 0;
  const DecimalAccumulator& top = stack_.back();
  const std::string text =
      AccumulatorText(top, std::max(0, kDecimalUnitCell - top.lowest));
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

int DecimalStack::TopSign() const {
  return stack_.empty() ? 0 : SignOf(stack_.back());
}

bool DecimalStack::Add() {
  if (stack_.size() < 2) return false;
  const DecimalAccumulator top = stack_.back();
  stack_.pop_back();
  stack_.back() = AddSigned(stack_.back(), top);
  return true;
}

bool DecimalStack::Subtract() {
  if (stack_.size() < 2) return false;
  stack_.back().negative = !stack_.back().negative;
  return Add();
}

int DecimalStack::CompareTop() const {
  if (stack_.size() < 2) return 0;
  const DecimalAccumulator& second = stack_[stack_.size() - 2];
  const DecimalAccumulator& top = stack_.back();
  const int second_sign = SignOf(second);
  const int top_sign = SignOf(top);
  if (second_sign != top_sign) return second_sign < top_sign ? -1 : 1;
  const int magnitude = CompareMagnitudes(second, top);
  return second_sign < 0 ? -magnitude : magnitude;
}

void DecimalStack::Drop() {
  if (!stack_.empty()) stack_.pop_back();
}

std::string DecimalToText(const DecimalField& shape,
                          const std::uint8_t* field) {
  if (!shape.Valid()) return {};
  std::uint8_t digits[2 * kMaxBytes];
  const bool negative = ReadDecimalDigits(shape, field, digits);
  return AccumulatorText(FromDigits(shape, digits, negative),
                         static_cast<int>(shape.places));
}

bool DecimalFromText(std::string_view text, const DecimalField& shape,
                     std::uint8_t* field) {
  DecimalStack stack;
  return shape.Valid() && stack.PushText(text) &&
         stack.PopToField(shape, field);
}

int CompareDecimalFields(const DecimalField& shape, const std::uint8_t* a,
                         const std::uint8_t* b) {
  if (!shape.Valid()) return 0;
  std::uint8_t digits_a[2 * kMaxBytes];
  std::uint8_t digits_b[2 * kMaxBytes];
  const std::uint32_t count = shape.Digits();
  auto sign = [count](bool negative, const std::uint8_t* digits) {
    if (std::all_of(digits, digits + count,
                    [](std::uint8_t d) { return d == 0; })) {
      return 0;
    }
    return negative ? -1 : 1;
  };
  const int sign_a = sign(ReadDecimalDigits(shape, a, digits_a), digits_a);
  const int sign_b = sign(ReadDecimalDigits(shape, b, digits_b), digits_b);
  if (sign_a != sign_b) return sign_a < sign_b ? -1 : 1;
  const auto [ia, ib] = std::mismatch(digits_a, digits_a + count, digits_b);
  if (ia == digits_a + count) return 0;
  const int magnitude = *ia < *ib ? -1 : 1;
  return sign_a < 0 ? -magnitude : magnitude;
}

}  // namespace vantrel
