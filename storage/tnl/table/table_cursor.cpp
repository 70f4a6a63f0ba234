#include "storage/tnl/table/table_cursor.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdlib>
#include <vector>

#include "runtime/data/base/byte_order.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {

namespace {

constexpr std::uint32_t kLowestNumber = 0;
constexpr std::uint32_t kHighestNumber = 0xFFFFFFFF;
constexpr std::size_t kKeyNumberAt = kTableNumberBytes;

bool IsDup(const TableDescription& description, std::uint8_t key) {
  return (description.keys.at(key).flags & kDescribedDup) != 0;
}

ByteString AppendNumber(ByteString bytes, std::uint32_t number) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    bytes.push_back(static_cast<std::uint8_t>(number >> shift));
  }
  return bytes;
}

// The records of one table and kind: data records (T F3) or the entries of
// one key (T k). Every record of that kind begins with these bytes.
using RangeKey = std::array<std::uint8_t, kTableNumberBytes + 1>;

RangeKey RangePrefix(std::uint32_t table, std::uint8_t kind) {
  RangeKey prefix;
  for (int i = 0; i < 4; ++i) {
    prefix[i] = static_cast<std::uint8_t>(table >> (24 - 8 * i));
  }
  prefix[kTableNumberBytes] = kind;
  return prefix;
}

bool StartsWith(std::span<const std::uint8_t> key, const RangeKey& prefix) {
  return key.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), key.begin());
}

std::optional<RecordRef> InRange(std::optional<RecordRef> found,
                                 const RangeKey& prefix) {
  if (!found || !StartsWith(found->Key(), prefix)) return std::nullopt;
  return found;
}

// The range's first (forward) or last (backward) record.
std::optional<RecordRef> RangeEnd(BTree& tree, const RangeKey& prefix,
                                  StepDirection direction) {
  if (direction == StepDirection::kForward) {
    return InRange(tree.FindFirstAtOrAboveView(prefix), prefix);
  }
  // The kind byte is below 0xFF, so the prefix has a successor of its length.
  RangeKey above = prefix;
  ++above.back();
  return InRange(tree.FindLastBelowView(above), prefix);
}

// The range's record after (forward) or before (backward) `key`, or at it
// when `inclusive`. A step past a key goes on in the leaf `hint` names.
std::optional<RecordRef> Beyond(BTree& tree, const RangeKey& prefix,
                                std::span<const std::uint8_t> key,
                                StepDirection direction, bool inclusive,
                                LeafHint& hint) {
  std::optional<RecordRef> found;
  if (direction == StepDirection::kForward) {
    found = inclusive ? tree.FindFirstAtOrAboveView(key)
                      : tree.FindFirstGreaterView(key, hint);
  } else {
    found = inclusive ? tree.FindLastAtOrBelowView(key)
                      : tree.FindLastBelowView(key, hint);
  }
  return InRange(found, prefix);
}

// The key's value for a record image as it is stored (no OEM conversion).
ByteString EncodeStored(const TableDescription& description, std::uint8_t key,
                        std::span<const std::uint8_t> image,
                        const KeyStringRules& rules) {
  std::vector<KeyComponent> components;
  for (const DescribedComponent& c : description.keys.at(key).components) {
    if (c.field >= description.fields.size()) continue;
    const DescribedField& f = description.fields[c.field];
    components.push_back({f.type, f.offset, f.size, c.flags != 0});
  }
  KeyStringRules key_rules = rules;
  key_rules.nocase = (description.keys[key].flags & kDescribedNoCase) != 0;
  return EncodeKeyValue(components, image, key_rules);
}

}  // namespace

ByteString StoredKeyValue(const TableDescription& description, std::uint8_t key,
                          std::span<const std::uint8_t> buffer,
                          const KeyStringRules& rules) {
  if (key >= description.keys.size()) return {};
  if (!rules.oem) return EncodeStored(description, key, buffer, rules);
  ByteString image(buffer.begin(), buffer.end());
  ConvertRecordStrings(description, image, true);
  return EncodeStored(description, key, image, rules);
}

ByteString PositionBytes(std::uint32_t record_number) {
  return AppendNumber({}, record_number);
}

ByteString PositionBytes(std::uint32_t record_number,
                         const TableDescription& description, std::uint8_t key,
                         std::span<const std::uint8_t> buffer,
                         const KeyStringRules& rules) {
  ByteString bytes = PositionBytes(record_number);
  const ByteString value = StoredKeyValue(description, key, buffer, rules);
  bytes.insert(bytes.end(), value.begin(), value.end());
  return bytes;
}

void TableCursor::SetFile() { position_ = SequencePosition{}; }

void TableCursor::SetFilePointer(std::uint32_t record_number) {
  position_ = SequencePosition{};
  position_.kind = SequencePosition::Kind::kDataRecord;
  position_.key = DataKey(table_, record_number);
  position_.inclusive = true;
}

bool TableCursor::ResetFile(std::span<const std::uint8_t> position) {
  if (position.size() < kPositionNumberBytes) return false;
  SetFilePointer(ReadBe32(position));
  return true;
}

void TableCursor::SetKey(std::uint8_t key) {
  position_ = SequencePosition{};
  position_.by_key = true;
  position_.key_number = key;
}

ByteString TableCursor::EntryKey(
    std::uint8_t key, std::span<const std::uint8_t> buffer,
    std::optional<std::uint32_t> record_number) const {
  const ByteString value = StoredKeyValue(*description_, key, buffer, rules_);
  return KeyEntryKey(table_, key, value, record_number.value_or(0),
                     record_number.has_value() && IsDup(*description_, key));
}

void TableCursor::SetEntry(std::uint8_t key, bool by_key,
                           std::span<const std::uint8_t> buffer,
                           std::optional<std::uint32_t> record_number) {
  assert(key < description_->keys.size());
  position_ = SequencePosition{};
  position_.kind = SequencePosition::Kind::kKeyEntry;
  position_.key = EntryKey(key, buffer, record_number);
  position_.inclusive = true;
  position_.open_number = !record_number && IsDup(*description_, key);
  position_.by_key = by_key;
  position_.key_number = key;
}

void TableCursor::SetFileKey(std::uint8_t key,
                             std::span<const std::uint8_t> buffer) {
  SetEntry(key, false, buffer, std::nullopt);
}

void TableCursor::SetKeyKey(std::uint8_t key,
                            std::span<const std::uint8_t> buffer) {
  SetEntry(key, true, buffer, std::nullopt);
}

void TableCursor::SetKeyKeyPointer(std::uint8_t key,
                                   std::span<const std::uint8_t> buffer,
                                   std::uint32_t record_number) {
  SetEntry(key, true, buffer, record_number);
}

bool TableCursor::ResetKey(std::uint8_t key,
                           std::span<const std::uint8_t> position) {
  assert(key < description_->keys.size());
  // The value has the length of an encoding of any image, an empty one too.
  const std::size_t value_length =
      EncodeStored(*description_, key, {}, rules_).size();
  if (position.size() < kPositionNumberBytes + value_length) return false;
  const std::uint32_t number = ReadBe32(position);
  position_ = SequencePosition{};
  position_.kind = SequencePosition::Kind::kKeyEntry;
  position_.key = KeyEntryKey(
      table_, key, position.subspan(kPositionNumberBytes, value_length), number,
      IsDup(*description_, key));
  position_.inclusive = true;
  position_.by_key = true;
  position_.key_number = key;
  return true;
}

void TableCursor::SetKeyPointer(std::uint8_t key, std::uint32_t record_number) {
  SetFilePointer(record_number);
  position_.by_key = true;
  position_.key_number = key;
}

std::optional<TableCursor::Candidate> TableCursor::FindCandidate(
    BTree& tree, StepDirection direction) const {
  using Kind = SequencePosition::Kind;
  const RangeKey data_range = RangePrefix(table_, kKindData);
  // The position searched from: the cursor's own, or once an entry naming
  // a vanished record has been stepped past, that entry.
  const SequencePosition* at = &position_;
  SequencePosition past;
  ByteString probe;
  for (;;) {
    std::optional<RecordRef> found;
    if (at->kind == Kind::kNone) {
      found = RangeEnd(
          tree, at->by_key ? RangePrefix(table_, at->key_number) : data_range,
          direction);
    } else if (at->kind == Kind::kDataRecord && at->inclusive) {
      // Set by record number: that record, else (key order) the key's last
      // entry, else (record order) the record beyond it or the table's last.
      found = tree.FindView(at->key);
      if (!found && at->by_key) {
        found = RangeEnd(tree, RangePrefix(table_, at->key_number),
                         StepDirection::kBackward);
      } else if (!found) {
        found = Beyond(tree, data_range, at->key, direction, false, hint_);
        if (!found)
          found = RangeEnd(tree, data_range, StepDirection::kBackward);
      }
    } else if (at->kind == Kind::kDataRecord) {
      found = Beyond(tree, data_range, at->key, direction, false, hint_);
    } else {
      std::span<const std::uint8_t> from = at->key;
      if (at->open_number) {
        probe = AppendNumber(at->key, direction == StepDirection::kForward
                                          ? kLowestNumber
                                          : kHighestNumber);
        from = probe;
      }
      const RangeKey entry_range = RangePrefix(table_, at->key[kKeyNumberAt]);
      found = Beyond(tree, entry_range, from, direction, at->inclusive, hint_);
    }
    if (!found) return std::nullopt;

    Candidate candidate;
    const bool is_entry = !StartsWith(found->Key(), data_range);
    std::optional<RecordRef> data = found;
    if (is_entry) {
      candidate.result.record_number = ReadBe32(RecordData(*found));
      data = tree.FindView(DataKeyOf(table_, candidate.result.record_number));
      if (!data) {
        // The entry names a record that no longer exists: step past it.
        // (`at` may be `past` itself: its order is read first.)
        const bool by_key = at->by_key;
        const std::uint8_t key_number = at->key_number;
        past = SequencePosition{};
        past.by_key = by_key;
        past.key_number = key_number;
        past.kind = Kind::kKeyEntry;
        past.key.assign(found->Key().begin(), found->Key().end());
        at = &past;
        continue;
      }
    } else {
      candidate.result.record_number =
          ReadBe32(found->Key().subspan(kTableNumberBytes + 1));
    }
    candidate.result.image = RecordData(*data);

    if (!at->by_key) {
      candidate.kind = Kind::kDataRecord;
      candidate.key = data->Key();
    } else if (is_entry) {
      candidate.kind = Kind::kKeyEntry;
      candidate.key = found->Key();
    } else {
      // A data record found by number in key order: go on from its entry,
      // which an OPT key may have left out but whose place is the same.
      candidate.kind = Kind::kKeyEntry;
      candidate.built_key = KeyEntryKey(
          table_, at->key_number,
          EncodeStored(*description_, at->key_number, candidate.result.image,
                       rules_),
          candidate.result.record_number, IsDup(*description_, at->key_number));
    }
    return candidate;
  }
}

// The position moves onto the candidate in place: its key keeps its
// buffer from step to step.
void TableCursor::MoveTo(const Candidate& candidate) {
  position_.kind = candidate.kind;
  if (candidate.key.empty()) {
    position_.key = candidate.built_key;
  } else {
    position_.key.assign(candidate.key.begin(), candidate.key.end());
  }
  position_.inclusive = false;
  position_.open_number = false;
}

std::optional<StepResult> TableCursor::Step(BTree& tree,
                                            StepDirection direction) {
  auto candidate = FindCandidate(tree, direction);
  if (!candidate) return std::nullopt;
  MoveTo(*candidate);
  return candidate->result;
}

bool TableCursor::CanStep(BTree& tree, StepDirection direction) const {
  return FindCandidate(tree, direction).has_value();
}

bool TableCursor::Skip(BTree& tree, std::int32_t count) {
  const StepDirection direction =
      count < 0 ? StepDirection::kBackward : StepDirection::kForward;
  for (std::int64_t left = std::abs(static_cast<std::int64_t>(count)); left > 0;
       --left) {
    auto candidate = FindCandidate(tree, direction);
    if (!candidate) return false;
    MoveTo(*candidate);
  }
  return true;
}

}  // namespace vantrel
