#include "runtime/data/queue/queue_aux_index.h"

#include <array>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/data/types/field_type.h"

namespace vantrel {
namespace {

constexpr std::size_t kByteValues = 256;

// Keeps the first entry per key; shared by both index forms, which differ
// only in how a record's key becomes a slot.
template <typename Slot, typename Table>
class FirstEntryIndex : public QueueAuxIndex {
 public:
  QueueEntry* Find(const std::uint8_t* record) const override {
    return table_.Get(SlotOf(record));
  }
  void Added(const std::uint8_t* record, QueueEntry* entry) override {
    Slot slot = SlotOf(record);
    if (table_.Get(slot) == nullptr) table_.Set(slot, entry);
  }
  void Removed(const std::uint8_t* record, QueueEntry* entry,
               QueueEntry* next_equal) override {
    Slot slot = SlotOf(record);
    if (table_.Get(slot) == entry) table_.Set(slot, next_equal);
  }
  void Replaced(const std::uint8_t* record, QueueEntry* entry,
                QueueEntry* replacement) override {
    Slot slot = SlotOf(record);
    if (table_.Get(slot) == entry) table_.Set(slot, replacement);
  }

 protected:
  virtual Slot SlotOf(const std::uint8_t* record) const = 0;
  Table table_;
};

struct DirectTable {
  std::array<QueueEntry*, kByteValues> first{};
  QueueEntry* Get(std::uint8_t slot) const { return first[slot]; }
  void Set(std::uint8_t slot, QueueEntry* entry) { first[slot] = entry; }
};

// One-byte keys: byte values that compare equal (a collation giving two
// characters one weight, +0 and -0 of a one-byte decimal ...) share the slot
// of the smallest of them.
class ByteIndex : public FirstEntryIndex<std::uint8_t, DirectTable> {
 public:
  ByteIndex(const KeyComparator& comparator, std::uint32_t offset)
      : offset_(offset) {
    std::vector<std::uint8_t> a(comparator.prefix_length());
    std::vector<std::uint8_t> b(comparator.prefix_length());
    for (std::size_t v = 0; v < kByteValues; ++v) {
      slot_of_[v] = static_cast<std::uint8_t>(v);
      a[offset] = static_cast<std::uint8_t>(v);
      for (std::size_t w = 0; w < v; ++w) {
        b[offset] = static_cast<std::uint8_t>(w);
        if (comparator.Compare(a.data(), b.data()) == 0) {
          slot_of_[v] = slot_of_[w];
          break;
        }
      }
    }
  }

 private:
  std::uint8_t SlotOf(const std::uint8_t* record) const override {
    return slot_of_[record[offset_]];
  }
  std::uint32_t offset_;  // of the key byte in the record
  std::array<std::uint8_t, kByteValues> slot_of_;
};

struct HashTable {
  std::unordered_map<std::string, QueueEntry*> first;
  QueueEntry* Get(const std::string& key) const {
    auto found = first.find(key);
    return found == first.end() ? nullptr : found->second;
  }
  void Set(const std::string& key, QueueEntry* entry) {
    if (entry == nullptr) {
      first.erase(key);
    } else {
      first[key] = entry;
    }
  }
};

class BytesIndex : public FirstEntryIndex<std::string, HashTable> {
 public:
  explicit BytesIndex(const KeyComparator& comparator)
      : comparator_(comparator) {}

 private:
  std::string SlotOf(const std::uint8_t* record) const override {
    std::string key(comparator_.key_length(), '\0');
    comparator_.ExtractKey(record, reinterpret_cast<std::uint8_t*>(key.data()));
    return key;
  }
  KeyComparator comparator_;
};

}  // namespace

std::unique_ptr<QueueAuxIndex> QueueAuxIndex::Make(
    const KeyComparator& comparator) {
  const FieldInfo* single = comparator.single_field();
  if (single != nullptr && single->size == 1) {
    return std::unique_ptr<QueueAuxIndex>(
        new (std::nothrow) ByteIndex(comparator, single->offset));
  }
  if (comparator.whole_record()) return nullptr;
  for (const FieldInfo* field : comparator.fields()) {
    if (!IsIntegerKeyType(field->type)) return nullptr;
  }
  return std::unique_ptr<QueueAuxIndex>(new (std::nothrow)
                                            BytesIndex(comparator));
}

}  // namespace vantrel
