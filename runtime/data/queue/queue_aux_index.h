// QueueAuxIndex: a lookup index beside a much-searched keyed order.
//
// It maps a key to the first entry of the order with an equal key, the same
// entry a binary search would find, and is kept exact as entries come and
// go. Two forms:
//   - a single one-byte component: a direct table of 256 slots, one per
//     byte value, where values that compare equal share one slot;
//   - integer components (BYTE, SHORT, USHORT, LONG, ULONG), whose values
//     are equal exactly when their bytes are: a hash table on the key bytes.
// Other keys have no index and stay with binary search.
#ifndef VANTREL_RUNTIME_DATA_QUEUE_QUEUE_AUX_INDEX_H_
#define VANTREL_RUNTIME_DATA_QUEUE_QUEUE_AUX_INDEX_H_

#include <cstdint>
#include <memory>

#include "runtime/data/queue/queue_compare.h"
#include "runtime/data/queue/queue_entry.h"

namespace vantrel {

class QueueAuxIndex {
 public:
  virtual ~QueueAuxIndex() = default;

  // An index for orders compared by `comparator`, or null when the key has
  // no index form or the index cannot be allocated.
  static std::unique_ptr<QueueAuxIndex> Make(const KeyComparator& comparator);

  // The first entry whose key equals that of `record`; null when none.
  virtual QueueEntry* Find(const std::uint8_t* record) const = 0;

  // `entry` (with key record `record`) was inserted after every equal entry.
  virtual void Added(const std::uint8_t* record, QueueEntry* entry) = 0;
  // `entry` was removed; `next_equal` is the entry that followed it when its
  // key is equal, else null.
  virtual void Removed(const std::uint8_t* record, QueueEntry* entry,
                       QueueEntry* next_equal) = 0;
  // `entry` was replaced in place by `replacement` with an equal key.
  virtual void Replaced(const std::uint8_t* record, QueueEntry* entry,
                        QueueEntry* replacement) = 0;
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_QUEUE_QUEUE_AUX_INDEX_H_
