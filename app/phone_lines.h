// The phones text of a card as lines: up to 11 lines of 20 characters,
// separated in the record by carriage return + line feed.
//
//   PhoneLines lines = SplitPhones(card.PHONES);
//   int caret = FormatPhones(lines, caret_before);
//   TrimPhones(lines);
//   Assign(card.PHONES, JoinPhones(lines));
//
// Split also takes a bare line feed or carriage return as a separator,
// since a text control may hand them in; Join always writes CR LF.
#ifndef VANTREL_APP_PHONE_LINES_H_
#define VANTREL_APP_PHONE_LINES_H_

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

inline constexpr std::size_t kPhoneLineLength = 20;
inline constexpr int kMaxPhoneLines = 11;
inline constexpr std::string_view kPhoneSeparator = "\r\n";

struct PhoneLines {
  // lines[1] .. lines[count] are counted (index 0 unused); each at most
  // kPhoneLineLength characters.
  std::array<std::string, kMaxPhoneLines + 1> lines;
  // Where each line began in the text it was split from (1-based).
  std::array<int, kMaxPhoneLines + 1> starts{};
  int count = 0;
};

// Splits the text into lines: ten lines ended by separators, then the
// rest (up to its next separator) as an eleventh. An empty line between
// separators is kept; the count is the index of the line the text ended in.
PhoneLines SplitPhones(std::string_view text);

// Drops empty lines from the end.
void TrimPhones(PhoneLines& phones);

// Reformats each counted line that reads as a number, by its clipped
// length: 7 as ###-####, 10 as (###) ###-####, 11 as # (###) ###-####.
// Returns `caret` moved on by the characters added to lines that began
// before it.
int FormatPhones(PhoneLines& phones, int caret = 0);

// Line 1, then each further counted line after a separator, each clipped.
std::string JoinPhones(const PhoneLines& phones);

}  // namespace vantrel

#endif  // VANTREL_APP_PHONE_LINES_H_
