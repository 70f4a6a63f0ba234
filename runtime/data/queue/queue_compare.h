// KeyComparator: how a queue order compares records.
//
// A keyed order compares its key components in turn with the comparison of
// each field's type, negated for descending components; the first non-zero
// result decides. An order keyed on no components compares whole records
// byte by byte. Sorting works on extracted keys: the components' bytes laid
// end to end, which compare exactly like the records they came from.
#ifndef VANTREL_RUNTIME_DATA_QUEUE_QUEUE_COMPARE_H_
#define VANTREL_RUNTIME_DATA_QUEUE_QUEUE_COMPARE_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/data/queue/queue_key.h"
#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

class KeyComparator {
 public:
  // Resolves `key` against the record's fields. Posts error 75 and returns
  // nothing when a component names a field beyond the record's fields.
  static std::optional<KeyComparator> Make(const QueueKey& key,
                                           const TypeDescriptor& descriptor,
                                           std::uint32_t record_length);

  // <0, 0 or >0 as record `a` sorts before, with or after record `b`.
  int Compare(const std::uint8_t* a, const std::uint8_t* b) const;

  // The leading bytes of a record that Compare reads.
  std::uint32_t prefix_length() const { return prefix_length_; }

  // Extracted keys: key_length() bytes each.
  std::uint32_t key_length() const { return key_length_; }
  void ExtractKey(const std::uint8_t* record, std::uint8_t* key) const;
  int CompareKeys(const std::uint8_t* a, const std::uint8_t* b) const;

  // Keys of integer components (BYTE, SHORT, USHORT, LONG, ULONG) of at
  // most eight bytes in all map to a number that orders records exactly as
  // Compare does; sorting on it needs no field comparisons.
  bool has_rank() const { return has_rank_; }
  // Compare itself compares ranks (whole integers of their type's size).
  bool compares_ranks() const { return compares_ranks_; }
  std::uint64_t Rank(const std::uint8_t* record) const;

  // A single component: its field. Null for other keys.
  const FieldInfo* single_field() const {
    return parts_.size() == 1 ? &parts_[0].field : nullptr;
  }
  bool whole_record() const { return parts_.empty(); }
  // The components' fields in key order.
  std::vector<const FieldInfo*> fields() const {
    std::vector<const FieldInfo*> fields;
    for (const Part& part : parts_) fields.push_back(&part.field);
    return fields;
  }

 private:
  struct Part {
    FieldInfo field;           // offset: in the record
    std::uint32_t key_offset;  // in an extracted key
    bool descending;
  };
  // Compares one part's values starting at `a` and `b`.
  static int ComparePart(const Part& part, const std::uint8_t* a,
                         const std::uint8_t* b);

  std::vector<Part> parts_;          // empty: whole-record comparison
  std::uint32_t prefix_length_ = 0;  // end of the last byte compared
  std::uint32_t key_length_ = 0;     // bytes of an extracted key
  bool has_rank_ = false;            // see has_rank()
  // Compare compares ranks: every part is a whole integer of its type's
  // size, whose rank orders it as its field comparison does.
  bool compares_ranks_ = false;
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_QUEUE_QUEUE_COMPARE_H_
