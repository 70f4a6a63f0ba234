// QueueEngine: the state behind one queue and the statements' algorithms.
//
// Entries are shared by all orders; each order (QueueOrder) lists every
// entry once. Up to kMaxQueueOrders orders are kept in most-recently-used
// order, each keyed order sorted by its key at all times, so switching back
// to a recent key costs no sort.
#ifndef VANTREL_RUNTIME_DATA_QUEUE_QUEUE_ENGINE_H_
#define VANTREL_RUNTIME_DATA_QUEUE_QUEUE_ENGINE_H_

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "runtime/data/queue/queue.h"
#include "runtime/data/queue/queue_aux_index.h"
#include "runtime/data/queue/queue_compare.h"
#include "runtime/data/queue/queue_entry.h"
#include "runtime/data/queue/queue_entry_list.h"
#include "runtime/data/queue/queue_key.h"
#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

inline constexpr std::size_t kMaxQueueOrders = 16;
// Records this long or longer are stored compressed.
inline constexpr std::uint32_t kCompressFromLength = 128;
inline constexpr std::uint32_t kChangeCountFactor = 25781083;
// An order builds an auxiliary index after more lookups than this, when it
// holds more entries than kIndexMinEntries and its key is one component of
// at most kIndexMaxSmallKey bytes or longer than kIndexMinLongKey bytes.
inline constexpr std::uint32_t kIndexAfterLookups = 64;
inline constexpr std::uint32_t kIndexMinEntries = 32;
inline constexpr std::uint32_t kIndexMaxSmallKey = 4;
inline constexpr std::uint32_t kIndexMinLongKey = 16;

enum class QueueEncoding : std::uint8_t {
  kPlain = 0,       // short records: plain copies
  kCompressed = 1,  // no RecordMap: compressed as they are
  kNormalised = 2,  // string tails normalised, then compressed
};

// One ordering of all entries.
struct QueueOrder {
  EntryList list;
  bool keyed = false;  // false: insertion order and explicit positions
  QueueKey key;
  std::optional<KeyComparator> comparator;  // set when keyed
  bool needs_sort = false;
  // The engine's current entry as last seen here and its index (-1: not
  // known); kept right across inserts and removals.
  QueueEntry* hint_entry = nullptr;
  std::int64_t hint_index = -1;
  std::uint32_t lookups = 0;  // GETs by key
  bool index_tried = false;   // an index was built or found impossible
  std::unique_ptr<QueueAuxIndex> index;
  // What ranks the list's entries while the key compares by ranks
  // (EntryList::SetRanker): the comparator and room to decode an entry.
  struct RankContext {
    const KeyComparator* comparator = nullptr;
    std::unique_ptr<std::uint8_t[]> scratch;
  };
  RankContext rank_context;

  void DropKey();
};

class QueueEngine {
 public:
  // Null (nothing posted) when memory is short.
  static std::unique_ptr<QueueEngine> Create(const Queue& queue);
  ~QueueEngine();
  QueueEngine(const QueueEngine&) = delete;
  QueueEngine& operator=(const QueueEngine&) = delete;

  void Add();
  void AddAt(std::int32_t position);
  void AddByKey(const QueueKey& key);
  void GetAt(std::int32_t position);
  void GetByKey(const QueueKey& key);
  void Put();
  void Delete();
  void Free();
  void Sort(const QueueKey& key);
  std::uint32_t RecordCount() const { return current_->list.size(); }
  std::uint32_t Pointer();
  std::uint32_t ChangeCount() const { return changes_; }

  // State that tests look at.
  QueueEncoding encoding() const { return encoding_; }
  std::size_t order_count() const { return order_count_; }
  bool current_order_keyed() const { return current_->keyed; }
  bool current_order_indexed() const { return current_->index != nullptr; }
  // The current entry is stored compressed; false when there is none.
  bool current_entry_compressed() const;

 private:
  explicit QueueEngine(const Queue& queue);
  bool Allocate();

  // Statement steps.
  void AddAtPlace(std::optional<std::uint32_t> place);
  QueueOrder* SelectOrder(const QueueKey& key);
  QueueOrder* NewOrderAtFront();
  void MakeCurrent(QueueOrder* order);
  void SetCurrentEntry(QueueEntry* entry, std::int64_t index);
  bool CanGrow();
  QueueEntry* StoreBuffer();
  void LoadInto(const QueueEntry* entry, std::uint8_t* out);
  void LoadIntoBuffer(const QueueEntry* entry);
  // Decodes `entry` into old_ and returns it.
  const std::uint8_t* LoadIntoOld(const QueueEntry* entry);

  // Order maintenance.
  void EnsureSorted(QueueOrder& order);
  void SortOrder(QueueOrder& order);
  template <std::size_t kStride>
  void SortByExtractedKeys(QueueOrder& order);
  template <typename Item, typename Fill, typename Compare>
  bool SortThroughItems(QueueOrder& order, Fill fill, Compare compare);
  void SortByRank(QueueOrder& order);
  void SortByEntries(QueueOrder& order);
  std::uint32_t InsertByKey(QueueOrder& order, QueueEntry* entry,
                            const std::uint8_t* record);
  void InsertAt(QueueOrder& order, std::uint32_t index, QueueEntry* entry,
                const std::uint8_t* record);
  std::uint32_t Erase(QueueOrder& order, QueueEntry* entry,
                      const std::uint8_t* record);
  std::uint32_t IndexIn(QueueOrder& order, QueueEntry* entry,
                        const std::uint8_t* record);
  void MaybeBuildIndex(QueueOrder& order);

  // Searches.
  int CompareToEntry(const KeyComparator& comparator,
                     const std::uint8_t* record, const QueueEntry* entry);
  std::uint32_t KeyPlace(QueueOrder& order, const std::uint8_t* record);
  std::uint32_t FirstNotBelow(QueueOrder& order, const std::uint8_t* record);

  std::uint8_t* buffer_;              // the queue's record buffer
  const TypeDescriptor* descriptor_;  // its fields (may be null)
  std::uint32_t record_length_;
  QueueEncoding encoding_ = QueueEncoding::kPlain;
  std::optional<RecordMap> map_;            // for tail normalisation
  std::unique_ptr<std::uint8_t[]> probe_;   // entries decoded for compares
  std::unique_ptr<std::uint8_t[]> probe2_;  // the other side of a compare
  std::unique_ptr<std::uint8_t[]> old_;     // the current entry, decoded
  std::unique_ptr<std::uint8_t[]> packed_;  // compression output
  std::uint32_t changes_ = 0;               // the change counter
  // Orders, most recently used first; orders_[0..order_count_) in use.
  std::array<std::unique_ptr<QueueOrder>, kMaxQueueOrders> orders_;
  std::size_t order_count_ = 0;
  QueueOrder* current_ = nullptr;
  QueueEntry* current_entry_ = nullptr;  // set by GET, ADD and PUT
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_QUEUE_QUEUE_ENGINE_H_
