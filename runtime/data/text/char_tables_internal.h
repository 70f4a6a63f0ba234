// Lookups derived from the character tables in force, rebuilt whenever the
// tables are replaced, so that comparisons read one array per byte.
#ifndef VANTREL_RUNTIME_DATA_TEXT_CHAR_TABLES_INTERNAL_H_
#define VANTREL_RUNTIME_DATA_TEXT_CHAR_TABLES_INTERNAL_H_

#include <array>
#include <cstdint>

#include "runtime/data/text/char_tables.h"

namespace vantrel {

struct CharLookups {
  // The tables these lookups were derived from.
  CharTables tables;
  // Every character to itself.
  std::array<std::uint8_t, kCharCount> identity;
  // UpperCaseOf for every character.
  std::array<std::uint8_t, kCharCount> upper;
  // Whether each character is a digraph, and its two-character form.
  std::array<bool, kCharCount> is_digraph;
  std::array<std::array<std::uint8_t, 2>, kCharCount> expansion;
};

const CharLookups& GetCharLookups();

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TEXT_CHAR_TABLES_INTERNAL_H_
