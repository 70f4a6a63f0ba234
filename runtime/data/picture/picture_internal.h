// Helpers shared by the picture compiler, formatters and typing engine.
#ifndef VANTREL_RUNTIME_DATA_PICTURE_PICTURE_INTERNAL_H_
#define VANTREL_RUNTIME_DATA_PICTURE_PICTURE_INTERNAL_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/data/picture/picture.h"

namespace vantrel {

// A decimal number as digit texts: `integer` without leading zeros (empty
// for zero), `fraction` as many digits as it has.
struct DecimalText {
  bool negative = false;
  std::string integer;
  std::string fraction;

  bool IsZero() const;
};

// Reads "-123.45", "+7", ".5", "1.5E-3" (blanks around allowed). Nothing
// when the text is not such a number.
bool ParseDecimalText(std::string_view text, DecimalText* number);

// "-123.45", without leading zeros or trailing fraction zeros; "0" for zero.
std::string ToText(const DecimalText& number);

// Rounds to `places` fraction digits, half away from zero; the fraction then
// has exactly `places` digits.
DecimalText RoundTo(const DecimalText& number, int places);

// A text of `width` '#' characters, shown when a value does not fit.
std::string Overflow(int width);

// Key-in position classes.
bool IsKeyInClass(char c);

// The characters a picture's positions show (key-in field marks take none).
int DisplayWidth(const Picture& picture);

// Per-kind formatting and reading.
std::string FormatNumeric(std::string_view value, const Picture& picture);
std::string FormatScientific(std::string_view value, const Picture& picture);
Deformatted DeformatNumeric(std::string_view text, const Picture& picture);
Deformatted DeformatScientific(std::string_view text, const Picture& picture);
std::string FormatPattern(std::string_view value, const Picture& picture);
Deformatted DeformatPattern(std::string_view text, const Picture& picture);
std::string FormatKeyIn(std::string_view value, const Picture& picture);
Deformatted DeformatKeyIn(std::string_view text, const Picture& picture);
std::string FormatDate(std::string_view value, const Picture& picture);
Deformatted DeformatDate(std::string_view text, const Picture& picture,
                         int current_year);
std::string FormatTime(std::string_view value, const Picture& picture);
Deformatted DeformatTime(std::string_view text, const Picture& picture);

// Whether `name` starts with `typed` (not empty), ignoring case.
bool StartsWithIgnoringCase(std::string_view name, std::string_view typed);

// The month (1..12) whose name or abbreviation starts with `typed`; 0: none.
int MonthNamed(std::string_view typed);

// Results of reading.
Deformatted ReadAs(std::string value);
Deformatted CannotRead(std::string_view text, std::string_view why);

// Whether a character may fill a key-in position of class `cls`, and the
// character it becomes there (case conversion, blank to 0). Letters are
// characters with a case partner in the character tables.
bool KeyInAccepts(char cls, char c, char* stored);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_PICTURE_PICTURE_INTERNAL_H_
