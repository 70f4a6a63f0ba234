#include "runtime/data/text/char_tables.h"

#include "runtime/data/text/char_tables_internal.h"

namespace vantrel {
namespace {

constexpr std::uint8_t kCaseDistance = 'a' - 'A';

CharLookups Derive(const CharTables& tables) {
  CharLookups lookups{};
  lookups.tables = tables;
  if (lookups.tables.digraphs.size() > kMaxDigraphs) {
    lookups.tables.digraphs.resize(kMaxDigraphs);
  }
  for (std::size_t c = 0; c < kCharCount; ++c) {
    const std::uint8_t partner = tables.case_map[c];
    const bool lower = tables.classes[c] & kCharLower;
    lookups.identity[c] = static_cast<std::uint8_t>(c);
    lookups.upper[c] =
        (lower && partner != 0) ? partner : static_cast<std::uint8_t>(c);
    lookups.expansion[c] = {static_cast<std::uint8_t>(c), 0};
  }
  for (const Digraph& d : lookups.tables.digraphs) {
    if (lookups.is_digraph[d.code]) continue;
    lookups.is_digraph[d.code] = true;
    lookups.expansion[d.code] = {d.first, d.second};
  }
  return lookups;
}

CharLookups& Active() {
  static CharLookups lookups = Derive(CharTables::Defaults());
  return lookups;
}

}  // namespace

CharTables CharTables::Defaults() {
  CharTables t{};
  for (std::size_t c = 0; c < kCharCount; ++c) {
    t.weight[c] = static_cast<std::uint8_t>(c);
  }
  for (std::uint8_t c = 'A'; c <= 'Z'; ++c) {
    const std::uint8_t lower = c + kCaseDistance;
    t.case_map[c] = lower;
    t.case_map[lower] = c;
    t.classes[c] = kCharUpper;
    t.classes[lower] = kCharLower;
  }
  for (std::uint8_t c = '0'; c <= '9'; ++c) t.classes[c] = kCharDigit;
  return t;
}

const CharTables& GetCharTables() { return Active().tables; }

const CharLookups& GetCharLookups() { return Active(); }

void SetCharTables(const CharTables& tables) { Active() = Derive(tables); }

std::uint8_t UpperCaseOf(std::uint8_t c) { return Active().upper[c]; }

}  // namespace vantrel
