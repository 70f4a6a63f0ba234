// The operations of string expressions on plain texts: clip, upper case,
// pieces, search, the numeric test, numbers as text, and storing texts into
// fixed-length, blank-padded fields. The string stack applies them to its
// entries; anyone may call them directly.
#ifndef VANTREL_RUNTIME_DATA_TEXT_STRING_OPS_H_
#define VANTREL_RUNTIME_DATA_TEXT_STRING_OPS_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

// The text without its trailing blanks (0x20 only).
std::string_view ClipText(std::string_view text);

// A copy with every character that the character tables class as a
// lower-case letter replaced by its upper-case partner.
std::string UpperCaseText(std::string_view text);

// At most `length` characters from the 1-based `start`. A start of 0 counts
// as 1; a negative start counts from the end (-1 is the last character) and
// stops at the first; a start past the end gives an empty piece.
std::string_view PieceOf(std::string_view text, std::int64_t start,
                         std::int64_t length);

// Looks for `needle` in `haystack` at the 1-based positions start,
// start + step, ... (step 0: the needle's length). Returns 0 when there is no
// match, the needle is empty, start is below 1 or step is negative;
// otherwise the match's offset / step + 1, which for step 1 is its position
// and for larger steps the number of the step-sized slot it begins in.
std::int64_t SearchText(std::string_view haystack, std::string_view needle,
                        std::int64_t step, std::int64_t start);

// Whether the clipped text, cut to its first kNumericTestLimit characters, is
// not empty and reads completely as one floating-point number: white space,
// an optional sign, digits with an optional decimal point, an optional
// exponent (e or E, an optional sign, digits).
inline constexpr std::size_t kNumericTestLimit = 39;
bool IsNumericText(std::string_view text);

// A number in plain decimal: no exponent, no padding, "-" when negative.
std::string NumberToText(std::int64_t value);
std::string NumberToText(double value);

// Copies as much of `text` as fits into `field` and fills the rest of the
// field with blanks.
void StoreText(std::span<char> field, std::string_view text);

// What a field is cleared to.
enum class FieldFill : unsigned char {
  kBlanks = 0x20,
  kLowValues = 0x00,
  kHighValues = 0xFF,
};
void ClearTextField(std::span<char> field, FieldFill fill = FieldFill::kBlanks);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TEXT_STRING_OPS_H_
