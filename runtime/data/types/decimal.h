// DECIMAL and PDECIMAL fields and the decimal accumulator stack.
//
// A field of n bytes (1..16) holds 2n - 1 digits, the last one being the
// lowest decimal place:
//   DECIMAL   byte 0: high nibble sign (0 positive, anything else negative;
//             0xF written), low nibble the most significant digit;
//             bytes 1..n-1: two digits each, high nibble first.
//   PDECIMAL  bytes 0..n-1: two digits each, high nibble first, most
//             significant first; the low nibble of byte n-1 is the sign
//             (0xD negative, anything else positive; 0xF written positive).
// A digit nibble above 9 in a damaged field reads as 9.
//
// An accumulator has one digit per cell for 10^-32 (cell 0) up to 10^31
// (cell 63). A field of n bytes and p places occupies cells 32 - p up to
// 2n - p + 30.
#ifndef VANTREL_RUNTIME_DATA_TYPES_DECIMAL_H_
#define VANTREL_RUNTIME_DATA_TYPES_DECIMAL_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/types/field_type.h"

namespace vantrel {

inline constexpr int kDecimalCells = 64;
inline constexpr int kDecimalUnitCell = 32;             // the cell of 10^0
inline constexpr std::size_t kDecimalStackDepth = 255;  // one-byte depth

// The shape of a decimal field: its layout, bytes and places.
struct DecimalField {
  FieldType type = FieldType::DECIMAL;  // DECIMAL or PDECIMAL
  std::uint32_t bytes = 0;              // 1..16
  std::uint32_t places = 0;             // 0..31

  bool Valid() const;
  std::uint32_t Digits() const { return 2 * bytes - 1; }
};

// One accumulator: digit cells, sign, and the cells in use.
struct DecimalAccumulator {
  std::array<std::uint8_t, kDecimalCells> cells{};  // 0..9 each
  bool negative = false;
  int lowest = kDecimalUnitCell;   // lowest cell in use
  int highest = kDecimalUnitCell;  // highest cell in use

  bool IsZero() const;
};

// Reads the digits of a field, most significant first (Digits() of them);
// true when the field's sign reads as negative.
bool ReadDecimalDigits(const DecimalField& shape, const std::uint8_t* field,
                       std::uint8_t* digits);

// The stack the runtime evaluates decimal arithmetic on.
class DecimalStack {
 public:
  std::size_t depth() const { return stack_.size(); }
  const DecimalAccumulator& Top() const { return stack_.back(); }

  // Pushes a field's value. False (nothing pushed) when the stack is full or
  // the shape is invalid.
  bool PushField(const DecimalField& shape, const std::uint8_t* field);
  // Pushes a plain decimal text: blanks, an optional sign, digits with an
  // optional point, blanks. All blanks read as 0. False on any other text,
  // more than 32 whole digits, or a full stack; fraction digits beyond the
  // 32nd are dropped.
  bool PushText(std::string_view text);

  // Pops the top into a field, rounded half away from zero at its places;
  // whole digits beyond the field are lost without an error. A result whose
  // written digits are all zero is written as positive zero. False (nothing
  // popped) on an empty stack or invalid shape.
  bool PopToField(const DecimalField& shape, std::uint8_t* field);

  // The top as a double (the nearest one); 0 on an empty stack.
  double TopAsDouble() const;
  // 0 for zero, 1 for positive, -1 for negative; 0 on an empty stack.
  int TopSign() const;

  // Replace the two top accumulators with second + top, resp. second - top.
  // False when fewer than two are stacked. Digits carried beyond 10^31 are
  // lost.
  bool Add();
  bool Subtract();
  // Sign of second - top; both stay stacked. 0 when fewer than two.
  int CompareTop() const;
  void Drop();

 private:
  bool Push(const DecimalAccumulator& accumulator);

  std::vector<DecimalAccumulator> stack_;
};

// A field's value as plain decimal text: "-123.45", "0.13", "7" (places
// digits after the point, no leading zeros, no sign for zero).
std::string DecimalToText(const DecimalField& shape, const std::uint8_t* field);
// Stores a plain decimal text (see PushText) into a field; false and the field
// unchanged when the text is not a number.
bool DecimalFromText(std::string_view text, const DecimalField& shape,
                     std::uint8_t* field);

// Compares two fields of the same shape by value: < 0, 0, > 0.
int CompareDecimalFields(const DecimalField& shape, const std::uint8_t* a,
                         const std::uint8_t* b);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TYPES_DECIMAL_H_
