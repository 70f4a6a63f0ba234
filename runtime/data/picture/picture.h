// Pictures: display and entry formats of numbers, dates, times, strings,
// patterns and key-in templates. A picture text is compiled once into a
// Picture (a kind, parameters and a list of positions) that formatting,
// reading back and typing walk.
#ifndef VANTREL_RUNTIME_DATA_PICTURE_PICTURE_H_
#define VANTREL_RUNTIME_DATA_PICTURE_PICTURE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/types/std_date.h"

namespace vantrel {

enum class PictureKind : std::uint8_t {
  kInvalid,
  kNumeric,
  kScientific,
  kTime,
  kDate,
  kString,
  kKeyIn,
  kPattern,
};

// Bits of Picture::flags.
enum PictureFlag : std::uint8_t {
  kPictureNoFill = 0x01,          // no fill character was given
  kPictureBlankWhenZero = 0x02,   // trailing B
  kPictureExplicitSign = 0x04,    // a sign or parentheses were given
  kPictureScientificSign = 0x08,  // with 0x04: scientific
};

enum class PositionKind : std::uint8_t {
  kDigit,
  kLiteral,
  kSign,
  kCurrency,
  kMonthName,
  kDay,
  kMonth,
  kYear,
  kHours,
  kMinutes,
  kSeconds,
  kAmPm,
  kExponent,
  kKeyIn,
};

// Bits of PicturePosition::flags.
enum PositionFlag : std::uint8_t {
  kPositionValue = 0x01,         // part of a value field
  kPositionSuppressZero = 0x04,  // leading zero suppressed
  kPositionFieldStart = 0x08,    // first position of a field
  kPositionLastField = 0x40,     // in the picture's last field
  kPositionFirstField = 0x80,    // in the picture's first field
};

struct PicturePosition {
  PositionKind kind;
  std::uint8_t flags;
  // The literal, sign or currency character; the class character of a
  // key-in position ('#', '<', '@', '^', '_', '?', '|').
  char ch;

  bool operator==(const PicturePosition&) const = default;
};

struct Picture {
  PictureKind kind = PictureKind::kInvalid;
  std::uint8_t flags = 0;
  char fill = ' ';          // fill character of numbers, dates and times
  char grouping = 0;        // grouping character of numbers; 0: none
  char decimal = '.';       // decimal character; 0: implied (v), not shown
  int width = 0;            // total width (numbers, strings)
  int digit_positions = 0;  // digit and grouping positions, or digits
  int integer_digits = 0;
  int decimals = 0;
  int name_position = -1;  // first position of a month name or AM/PM field
  int year_window = kDefaultYearWindow;  // two-digit years: C - w .. C - w + 99
  std::string currency;                  // currency text of numbers
  bool currency_suffix = false;
  char leading_sign = 0;   // '(' or '-' given before the number
  char trailing_sign = 0;  // ')' or '-' given after it
  std::vector<PicturePosition> positions;

  bool valid() const { return kind != PictureKind::kInvalid; }
  bool blank_when_zero() const { return flags & kPictureBlankWhenZero; }
};

// Compiles a picture text ("@N-12.2", "N12", "@D6-", "@P(###) ###-####P").
// A text that does not follow its kind's grammar gives the invalid kind.
Picture CompilePicture(std::string_view text);

// The result of reading text back by a picture.
struct Deformatted {
  bool ok = false;
  // The value: numbers as decimal text ("-1234.5"), dates as the
  // StandardDate and times as the StandardTime in decimal, strings and
  // key-in values as text.
  std::string value;
  // Why the text cannot be read, when !ok.
  std::string error;
};

// FORMAT: the value (in the form Deformatted::value describes) as text. An
// invalid picture gives no text.
std::string FormatPicture(std::string_view value, const Picture& picture);

// DEFORMAT: reads text typed or shown by the picture. Two-digit years are
// placed around `current_year` (0: this year).
Deformatted DeformatPicture(std::string_view text, const Picture& picture,
                            int current_year = 0);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_PICTURE_PICTURE_H_
