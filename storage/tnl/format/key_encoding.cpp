#include "storage/tnl/format/key_encoding.h"

#include <algorithm>

#include "runtime/data/text/charset.h"

namespace vantrel {

namespace {

constexpr std::uint8_t kTopBit = 0x80;
constexpr std::uint8_t kSignNibble = 0xF0;

// The collating transform: each character by its weight, a digraph by the
// weights of its two characters; cut to the field's size.
// The character whose weight a byte takes: its case partner when the key is
// NOCASE and it is an upper-case letter, then in the platform set.
std::uint8_t CollatedChar(std::uint8_t c, const CharTables& tables,
                          const KeyStringRules& rules) {
  if (rules.nocase && tables.IsUpper(c) && tables.case_map[c] != 0) {
    c = tables.case_map[c];
  }
  return rules.oem ? OemToWindows(c) : c;
}

void Collate(std::span<std::uint8_t> text, const KeyStringRules& rules) {
  const CharTables& tables = rules.tables ? *rules.tables : GetCharTables();
  if (!tables.HasDigraphs()) {
    // One weight per character: the text keeps its length, so it is
    // collated in place.
    for (std::uint8_t& c : text) c = tables.weight[CollatedChar(c, tables, rules)];
    return;
  }
  std::vector<std::uint8_t> out;
  out.reserve(text.size());
  for (std::uint8_t c : text) {
    if (out.size() >= text.size()) break;
    const std::uint8_t platform = CollatedChar(c, tables, rules);
    const auto digraph =
        std::find_if(tables.digraphs.begin(), tables.digraphs.end(),
                     [&](const Digraph& d) { return d.code == platform; });
    if (digraph != tables.digraphs.end()) {
      out.push_back(tables.weight[digraph->first]);
      out.push_back(tables.weight[digraph->second]);
    } else {
      out.push_back(tables.weight[platform]);
    }
  }
  std::copy_n(out.begin(), text.size(), text.begin());
}

}  // namespace

void EncodeKeyField(FieldType type, std::span<const std::uint8_t> field,
                    bool descending, const KeyStringRules& rules,
                    std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  out.insert(out.end(), field.begin(), field.end());
  std::span<std::uint8_t> bytes(out.data() + start, field.size());
  if (bytes.empty()) return;
  bool complement = descending;
  switch (type) {
    case FieldType::CSTRING: {
      auto zero = std::find(bytes.begin(), bytes.end(), 0);
      std::fill(zero, bytes.end(), 0);
      Collate(bytes, rules);
      break;
    }
    case FieldType::PSTRING: {
      const std::size_t count =
          std::min<std::size_t>(bytes[0], bytes.size() - 1);
      std::copy_n(field.begin() + 1, count, bytes.begin());
      std::fill(bytes.begin() + count, bytes.end(), 0);
      Collate(bytes, rules);
      break;
    }
    case FieldType::STRING:
    case FieldType::GROUP:
      Collate(bytes, rules);
      break;
    case FieldType::USHORT:
    case FieldType::ULONG:
    case FieldType::DATE:
    case FieldType::TIME:
      std::reverse(bytes.begin(), bytes.end());
      break;
    case FieldType::SHORT:
    case FieldType::LONG:
      std::reverse(bytes.begin(), bytes.end());
      bytes[0] ^= kTopBit;
      break;
    case FieldType::SREAL:
    case FieldType::REAL:
      std::reverse(bytes.begin(), bytes.end());
      if (bytes[0] & kTopBit) {
        complement = !complement;
      } else {
        bytes[0] |= kTopBit;
      }
      break;
    case FieldType::DECIMAL:
      if (bytes[0] & kSignNibble) {
        bytes[0] &= static_cast<std::uint8_t>(~kSignNibble);
        complement = !complement;
      }
      bytes[0] ^= kTopBit;
      break;
    default:
      break;
  }
  if (complement) {
    for (auto& b : bytes) b = static_cast<std::uint8_t>(0xFF - b);
  }
}

std::vector<std::uint8_t> EncodeKeyValue(
    std::span<const KeyComponent> components,
    std::span<const std::uint8_t> record, const KeyStringRules& rules) {
  std::vector<std::uint8_t> out;
  AppendKeyValue(components, record, rules, out);
  return out;
}

void AppendKeyValue(std::span<const KeyComponent> components,
                    std::span<const std::uint8_t> record,
                    const KeyStringRules& rules,
                    std::vector<std::uint8_t>& out) {
  std::size_t length = out.size();
  for (const KeyComponent& c : components) length += c.size;
  out.reserve(length);
  std::vector<std::uint8_t> field;
  for (const KeyComponent& c : components) {
    if (std::size_t{c.offset} + c.size <= record.size()) {
      EncodeKeyField(c.type, record.subspan(c.offset, c.size), c.descending,
                     rules, out);
      continue;
    }
    field.assign(c.size, 0);
    if (c.offset < record.size()) {
      const std::size_t n =
          std::min<std::size_t>(c.size, record.size() - c.offset);
      std::copy_n(record.begin() + c.offset, n, field.begin());
    }
    EncodeKeyField(c.type, field, c.descending, rules, out);
  }
}

}  // namespace vantrel
