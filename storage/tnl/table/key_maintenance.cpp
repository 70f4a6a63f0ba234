#include "storage/tnl/table/key_maintenance.h"

#include <algorithm>
#include <cassert>

#include "runtime/data/base/byte_order.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_declaration.h"

namespace vantrel {

namespace {

// Key numbers share the byte after the table number with the other record
// kinds, so only numbers below the first of those are keys.
constexpr std::size_t kMaxKeys = kKindData;

// What one key needs for one record.
struct KeyStep {
  std::uint8_t key = 0;
  bool index = false;
  std::optional<PageRecord> insert;
  std::optional<PageRecord> remove;
  bool unique = false;  // the insert must find no equal entry stored
};

KeyUse UseOf(const TableKeys& keys, std::size_t key) {
  return key < keys.uses.size() ? keys.uses[key] : KeyUse{};
}

bool IsDup(const TableKeys& keys, std::size_t key) {
  return (keys.description->keys[key].flags & kDescribedDup) != 0;
}

std::optional<PageRecord> EntryOf(const TableKeys& keys, std::uint8_t key,
                                  OptionalImage image, std::uint32_t number) {
  if (!image) return std::nullopt;
  return BuildKeyEntry(keys.table, key, *keys.description, *image, number,
                       keys.rules);
}

std::uint32_t NamedRecord(const RecordRef& entry) {
  return ReadBe32(RecordData(entry));
}

// The stored entry of another record with the same key part as `entry` in
// a key without DUP; none in a DUP key, whose key parts end in the number.
bool TakenByOther(BTree& tree, const TableKeys& keys, std::uint8_t key,
                  const PageRecord& entry,
                  std::optional<std::uint32_t> current) {
  if (IsDup(keys, key)) return false;
  const auto found = tree.FindView(entry.Key());
  return found && (!current || NamedRecord(*found) != *current);
}

// False, changing nothing, when a unique step's entry is taken.
bool ApplyStep(BTree& tree, std::uint32_t table, KeyStep& step,
               std::uint32_t number) {
  if (step.index) {
    LowerPendingNumber(tree, table, step.key, number);
    return true;
  }
  std::int64_t delta = 0;
  if (step.insert && step.unique) {
    if (!tree.InsertUnique(std::move(*step.insert))) return false;
    ++delta;
  } else if (step.insert) {
    tree.Insert(std::move(*step.insert));
    ++delta;
  }
  if (step.remove) {
    const auto stored = tree.FindView(step.remove->Key());
    if (stored && NamedRecord(*stored) == number) {
      tree.Remove(step.remove->Key());
      --delta;
    }
  }
  if (delta == 0) return true;
  AdjustCountersOf(tree, table, step.key, [&](Counters& counters) {
    // A count already wrong on disk must not wrap below zero.
    counters.count = delta < 0 && counters.count == 0
                         ? 0
                         : static_cast<std::uint32_t>(counters.count + delta);
  });
  return true;
}

}  // namespace

std::vector<KeyUse> KeyUsesOf(std::span<const std::uint16_t> key_flags) {
  std::vector<KeyUse> uses;
  for (const std::uint16_t flags : key_flags) {
    uses.push_back(
        {(flags & kKeyIsIndex) != 0, (flags & kKeyRuntimeBuilt) != 0});
  }
  return uses;
}

ByteString StoredImage(const TableKeys& keys,
                       std::span<const std::uint8_t> image) {
  ByteString stored(image.begin(), image.end());
  if (keys.rules.oem) ConvertRecordStrings(*keys.description, stored, true);
  return stored;
}

int MaintainKeys(BTree& tree, const TableKeys& keys, OptionalImage new_image,
                 OptionalImage old_image, std::uint32_t number) {
  assert(keys.description != nullptr);
  const std::size_t count = keys.description->keys.size();
  if (count > kMaxKeys) return kErrInvalidRecordDeclaration;
  // Everything is decided first, so that a collision in a later key finds
  // the earlier keys untouched. The first insert that must be unique is
  // checked as it is made, and made first: its descent serves both.
  std::vector<KeyStep> steps;
  std::optional<std::size_t> checked_as_made;
  for (std::size_t k = 0; k < count; ++k) {
    const KeyUse use = UseOf(keys, k);
    if (use.runtime_built) continue;
    const auto key = static_cast<std::uint8_t>(k);
    KeyStep step{key, use.index, EntryOf(keys, key, new_image, number),
                 EntryOf(keys, key, old_image, number)};
    if (step.insert == step.remove) continue;  // both none, or equal
    if (!step.index && step.insert && !IsDup(keys, key)) {
      if (!checked_as_made && !step.remove) {
        step.unique = true;
        checked_as_made = steps.size();
      } else if (TakenByOther(tree, keys, key, *step.insert, std::nullopt)) {
        return kErrDuplicateKey;
      }
    }
    steps.push_back(std::move(step));
  }
  if (checked_as_made &&
      !ApplyStep(tree, keys.table, steps[*checked_as_made], number)) {
    return kErrDuplicateKey;
  }
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (i != checked_as_made) ApplyStep(tree, keys.table, steps[i], number);
  }
  return kErrNone;
}

bool CollidesInKey(BTree& tree, const TableKeys& keys, std::uint8_t key,
                   std::span<const std::uint8_t> image,
                   std::optional<std::uint32_t> current) {
  if (key >= keys.description->keys.size() || key >= kMaxKeys ||
      UseOf(keys, key).runtime_built) {
    return false;
  }
  const ByteString stored = StoredImage(keys, image);
  const auto entry = EntryOf(keys, key, OptionalImage(stored), 0);
  return entry && TakenByOther(tree, keys, key, *entry, current);
}

bool CollidesInAnyKey(BTree& tree, const TableKeys& keys,
                      std::span<const std::uint8_t> image,
                      std::optional<std::uint32_t> current) {
  const std::size_t count = std::min(keys.description->keys.size(), kMaxKeys);
  for (std::size_t k = 0; k < count; ++k) {
    if (CollidesInKey(tree, keys, static_cast<std::uint8_t>(k), image,
                      current)) {
      return true;
    }
  }
  return false;
}

}  // namespace vantrel
