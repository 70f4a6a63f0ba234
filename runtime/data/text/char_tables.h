// The process's character tables: collating weights, case map, character
// classes and digraphs. Every string comparison, case conversion and key
// encoding reads them; the environment file and data files may replace them.
#ifndef VANTREL_RUNTIME_DATA_TEXT_CHAR_TABLES_H_
#define VANTREL_RUNTIME_DATA_TEXT_CHAR_TABLES_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel {

inline constexpr std::size_t kCharCount = 256;

// Bits of CharTables::classes. A character's class is a mask, not a
// number: data files store these bytes as they are (one byte per character
// in the character-tables record), so the values are fixed.
enum CharClass : std::uint8_t {
  kCharUpper = 0x01,
  kCharLower = 0x02,
  kCharDigit = 0x04,
};

// A character that sorts as the two characters `first`, `second`.
struct Digraph {
  std::uint8_t code;
  std::uint8_t first;
  std::uint8_t second;

  bool operator==(const Digraph&) const = default;
};

// Data files keep room for this many digraphs.
inline constexpr std::size_t kMaxDigraphs = 128;

struct CharTables {
  // Collating weight of each character.
  std::array<std::uint8_t, kCharCount> weight;
  // Case partner of each letter (lower -> upper, upper -> lower); 0 = none.
  std::array<std::uint8_t, kCharCount> case_map;
  // CharClass bits of each character.
  std::array<std::uint8_t, kCharCount> classes;
  // Characters that expand into two before comparing; at most kMaxDigraphs.
  std::vector<Digraph> digraphs;

  // Weight = code; a-z <-> A-Z; classes A-Z, a-z, 0-9; no digraphs.
  static CharTables Defaults();

  bool HasDigraphs() const { return !digraphs.empty(); }
  bool IsUpper(std::uint8_t c) const { return classes[c] & kCharUpper; }
  bool IsLower(std::uint8_t c) const { return classes[c] & kCharLower; }
  bool IsDigit(std::uint8_t c) const { return classes[c] & kCharDigit; }

  bool operator==(const CharTables&) const = default;
};

// The tables in force. The reference stays valid; SetCharTables changes what
// it refers to.
const CharTables& GetCharTables();

// Replaces the tables in force. Digraphs beyond kMaxDigraphs are dropped;
// when a code is listed twice its first entry counts.
void SetCharTables(const CharTables& tables);

// The upper-case form of `c` under the tables in force: its case partner when
// it is classed as a lower-case letter and has one, otherwise `c` itself.
std::uint8_t UpperCaseOf(std::uint8_t c);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TEXT_CHAR_TABLES_H_
