// Text between the outside world (UTF-8) and the card record (blank-padded
// Windows-1252 fields), with every loss put into words for the import
// summary; and the card's stamps written as dates and times.
#ifndef VANTREL_APP_INTERCHANGE_CARD_TEXT_H_
#define VANTREL_APP_INTERCHANGE_CARD_TEXT_H_

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/card_record.h"

namespace vantrel {

// Whether the bytes are well-formed UTF-8.
bool IsUtf8(std::string_view text);

// The text in Windows-1252; each character the set cannot hold becomes '?'
// and is named in `notes` under `field`.
std::string ToWindows1252(std::string_view utf8, std::string_view field,
                          std::vector<std::string>* notes);

// Stores UTF-8 text into a field: converted as above, cut to the field's
// length with the whole text named in `notes`.
void FitField(std::span<char> field, std::string_view utf8,
              std::string_view name, std::vector<std::string>* notes);
template <std::size_t N>
void FitField(char (&field)[N], std::string_view utf8, std::string_view name,
              std::vector<std::string>* notes) {
  FitField(std::span<char>(field, N), utf8, name, notes);
}

// A field's text in UTF-8, trailing blanks removed.
template <std::size_t N>
std::string FieldText(const char (&field)[N]);
std::string FieldText(std::string_view windows1252);

// Line breaks of outside text ("\n", "\r\n", "\r") as the record keeps
// them (CR LF), and back to "\n".
std::string ToRecordLines(std::string_view text);
std::string FromRecordLines(std::string_view text);

// A card's stamp: a standard date and a standard time.
struct CardStamp {
  std::int32_t date = 0;
  std::int32_t time = 0;
  bool operator==(const CardStamp&) const = default;
  auto operator<=>(const CardStamp&) const = default;
};

// "YYYY-MM-DD HH:MM:SS.hh"; parsing takes that form back exactly.
std::string StampText(CardStamp stamp);
std::optional<CardStamp> ParseStampText(std::string_view text);

// The first stamp from `start` on, a hundredth of a second at a time,
// that no card in `taken` has; it is added to `taken`.
CardStamp TakeFreeStamp(std::set<CardStamp>& taken, CardStamp start);

template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
  return FieldText(Clipped(field));
}

}  // namespace vantrel

#endif  // VANTREL_APP_INTERCHANGE_CARD_TEXT_H_
