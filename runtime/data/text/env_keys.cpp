// The keys of the environment file and how each value is applied.
#include <algorithm>
#include <cstdint>

#include "runtime/data/text/ascii_case.h"
#include "runtime/data/text/locale.h"

namespace vantrel {
namespace {

constexpr std::size_t kCasePairLength = 2;
constexpr std::size_t kDigraphLength = 3;
constexpr std::size_t kAmPmCount = 2;

using Items = std::vector<std::string>;

std::string Joined(const Items& items) {
  std::string all;
  for (const std::string& item : items) all += item;
  return all;
}

std::uint8_t Byte(char c) { return static_cast<std::uint8_t>(c); }

// HESCOLSEQ: the listed characters, in the listed order, take the weights
// that the same characters have in code order; all others keep theirs.
bool ApplyCollatingSequence(const Items& items, Locale* locale) {
  std::string order;
  for (char c : Joined(items)) {
    if (order.find(c) == std::string::npos) order += c;
  }
  if (order.empty()) return false;
  std::string weights = order;
  std::sort(weights.begin(), weights.end(),
            [](char a, char b) { return Byte(a) < Byte(b); });
  for (std::size_t i = 0; i < order.size(); ++i) {
    locale->tables.weight[Byte(order[i])] = Byte(weights[i]);
  }
  return true;
}

// HESCASE: pairs of an upper-case letter and its lower-case partner.
bool ApplyCasePairs(const Items& items, Locale* locale) {
  std::string pairs = Joined(items);
  if (pairs.empty() || pairs.size() % kCasePairLength != 0) return false;
  for (std::size_t i = 0; i < pairs.size(); i += kCasePairLength) {
    if (pairs[i] == pairs[i + 1]) return false;
  }
  CharTables& t = locale->tables;
  for (std::size_t i = 0; i < pairs.size(); i += kCasePairLength) {
    std::uint8_t upper = Byte(pairs[i]), lower = Byte(pairs[i + 1]);
    t.case_map[upper] = lower;
    t.case_map[lower] = upper;
    t.classes[upper] = (t.classes[upper] & ~kCharLower) | kCharUpper;
    t.classes[lower] = (t.classes[lower] & ~kCharUpper) | kCharLower;
  }
  return true;
}

// HESDIGRAPH: triples of a character and the two characters it sorts as.
bool ApplyDigraphs(const Items& items, Locale* locale) {
  std::string triples = Joined(items);
  if (triples.empty() || triples.size() % kDigraphLength != 0 ||
      triples.size() / kDigraphLength > kMaxDigraphs) {
    return false;
  }
  std::vector<Digraph> digraphs;
  for (std::size_t i = 0; i < triples.size(); i += kDigraphLength) {
    digraphs.push_back(
        {Byte(triples[i]), Byte(triples[i + 1]), Byte(triples[i + 2])});
  }
  locale->tables.digraphs = std::move(digraphs);
  return true;
}

bool ApplyNames(const Items& items,
                std::array<std::string, kMonthCount>* names) {
  if (items.size() != kMonthCount ||
      std::any_of(items.begin(), items.end(),
                  [](const std::string& s) { return s.empty(); })) {
    return false;
  }
  std::copy(items.begin(), items.end(), names->begin());
  return true;
}

bool ApplyAmPm(const Items& items, Locale* locale) {
  if (items.size() != kAmPmCount || items[0].empty() || items[1].empty()) {
    return false;
  }
  locale->regional.am = items[0].substr(0, kMaxAmPmLength);
  locale->regional.pm = items[1].substr(0, kMaxAmPmLength);
  return true;
}

// HESBUTTON: up to eight texts in mask order; an empty item keeps its text.
bool ApplyButtons(const Items& items, Locale* locale) {
  if (items.empty() || items.size() > kMessageButtonCount) return false;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!items[i].empty()) locale->options.button_texts[i] = items[i];
  }
  return true;
}

bool ApplyCharset(const Items& items, Locale* locale) {
  if (items.size() != 1) return false;
  if (EqualIgnoringAsciiCase(items[0], "WINDOWS")) {
    locale->options.charset = DataCharset::kWindows;
  } else if (EqualIgnoringAsciiCase(items[0], "OEM")) {
    locale->options.charset = DataCharset::kOem;
  } else {
    return false;
  }
  return true;
}

bool ApplyLongFileNames(const Items& items, Locale* locale) {
  if (items.size() != 1) return false;
  bool on = EqualIgnoringAsciiCase(items[0], "on");
  if (!on && !EqualIgnoringAsciiCase(items[0], "off")) return false;
  locale->options.long_file_names = on;
  return true;
}

// Applies one key; false when its value cannot be used (unknown keys are
// left to other parts of the program and count as used).
bool ApplyKey(std::string_view key, const Items& items, Locale* locale) {
  if (key == "HESCHARSET") return ApplyCharset(items, locale);
  if (key == "HESCOLSEQ") return ApplyCollatingSequence(items, locale);
  if (key == "HESCASE") return ApplyCasePairs(items, locale);
  if (key == "HESMONTH")
    return ApplyNames(items, &locale->regional.month_names);
  if (key == "HESMON") {
    return ApplyNames(items, &locale->regional.month_abbreviations);
  }
  if (key == "HESAMPM") return ApplyAmPm(items, locale);
  if (key == "HESDIGRAPH") return ApplyDigraphs(items, locale);
  if (key == "HESBUTTON") return ApplyButtons(items, locale);
  if (key == "HESLFN") return ApplyLongFileNames(items, locale);
  return true;
}

}  // namespace

std::optional<std::vector<std::string>> SplitEnvList(std::string_view value) {
  Items items;
  std::size_t i = 0;
  for (;;) {
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
    std::string item;
    if (i < value.size() && value[i] == '"') {
      for (++i;; ++i) {
        if (i >= value.size()) return std::nullopt;  // not closed
        if (value[i] != '"') {
          item += value[i];
        } else if (i + 1 < value.size() && value[i + 1] == '"') {
          item += value[++i];
        } else {
          break;
        }
      }
      ++i;
      while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
      if (i < value.size() && value[i] != ',') return std::nullopt;
    } else {
      std::size_t comma = std::min(value.find(',', i), value.size());
      std::string_view raw = value.substr(i, comma - i);
      std::size_t end = raw.find_last_not_of(" \t");
      item = raw.substr(0, end == std::string_view::npos ? 0 : end + 1);
      i = comma;
    }
    items.push_back(std::move(item));
    if (i >= value.size()) return items;
    ++i;  // the comma
  }
}

std::vector<std::string> ApplyEnvironment(const std::vector<EnvEntry>& entries,
                                          Locale* locale) {
  std::vector<std::string> problems;
  for (const EnvEntry& entry : entries) {
    std::optional<Items> items = SplitEnvList(entry.value);
    if (!items || !ApplyKey(entry.key, *items, locale)) {
      problems.push_back(entry.key + ": value not usable: " + entry.value);
    }
  }
  return problems;
}

}  // namespace vantrel
