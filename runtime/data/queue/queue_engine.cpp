#include "runtime/data/queue/queue_engine.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <new>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/queue/queue_sort.h"
#include "runtime/data/queue/queue_tails.h"
#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

std::unique_ptr<std::uint8_t[]> NewBytes(std::uint32_t count) {
  return std::unique_ptr<std::uint8_t[]>(new (std::nothrow)
                                             std::uint8_t[count ? count : 1]());
}

// An extracted key and its entry, sorted as one item so that the sort reads
// contiguous memory instead of chasing entries.
template <std::size_t kStride>
struct KeyedItem {
  std::uint8_t key[kStride - sizeof(QueueEntry*)];
  QueueEntry* entry;
};

// Puts sorted items' entries into the order's list. The entry pointers are
// packed to the front of the items array first: pointer i lands at or before
// item i, whose entry has been read by then.
template <typename Item>
void AssignSorted(QueueOrder& order, Item* items, std::uint32_t count) {
  static_assert(sizeof(Item) >= sizeof(QueueEntry*));
  auto* packed = reinterpret_cast<std::uint8_t*>(items);
  for (std::uint32_t i = 0; i < count; ++i) {
    QueueEntry* entry = items[i].entry;
    std::memcpy(packed + i * sizeof(QueueEntry*), &entry, sizeof(entry));
  }
  order.list.Assign(reinterpret_cast<QueueEntry**>(packed), count);
}

std::uint64_t RankOfEntry(const void* context, QueueEntry* entry) {
  const auto& rank = *static_cast<const QueueOrder::RankContext*>(context);
  const KeyComparator& comparator = *rank.comparator;
  return comparator.Rank(QueueEntryRecord(*entry, comparator.prefix_length(),
                                          rank.scratch.get()));
}

}  // namespace

void QueueOrder::DropKey() {
  keyed = false;
  key = QueueKey();
  list.SetRanker(nullptr, nullptr);
  rank_context = RankContext();
  comparator.reset();
  needs_sort = false;
  lookups = 0;
  index_tried = false;
  index.reset();
}

QueueEngine::QueueEngine(const Queue& queue)
    : buffer_(queue.buffer),
      descriptor_(queue.descriptor),
      record_length_(queue.record_length),
      changes_(static_cast<std::uint32_t>(Clock()) * kChangeCountFactor) {}

QueueEngine::~QueueEngine() {
  if (current_ != nullptr) current_->list.ForEach(&FreeQueueEntry);
}

std::unique_ptr<QueueEngine> QueueEngine::Create(const Queue& queue) {
  std::unique_ptr<QueueEngine> engine(new (std::nothrow) QueueEngine(queue));
  if (engine == nullptr || !engine->Allocate()) return nullptr;
  return engine;
}

bool QueueEngine::Allocate() {
  if (record_length_ >= kCompressFromLength) {
    encoding_ = QueueEncoding::kCompressed;
    if (descriptor_ != nullptr) {
      // A record without a usable map is still stored, only without the
      // tail normalisation; the map's own error is not the statement's.
      int pending = ErrorCode();
      map_ = RecordMap::Build(*descriptor_);
      if (map_) {
        encoding_ = QueueEncoding::kNormalised;
      } else if (pending == 0) {
        ClearError();
      }
    }
  }
  probe_ = NewBytes(record_length_);
  probe2_ = NewBytes(record_length_);
  old_ = NewBytes(record_length_);
  packed_ = NewBytes(record_length_);
  if (!probe_ || !probe2_ || !old_ || !packed_) return false;
  return NewOrderAtFront() != nullptr && (MakeCurrent(orders_[0].get()), true);
}

bool QueueEngine::current_entry_compressed() const {
  return current_entry_ != nullptr && current_entry_->compressed();
}

// --- Searches ---------------------------------------------------------------

int QueueEngine::CompareToEntry(const KeyComparator& comparator,
                                const std::uint8_t* record,
                                const QueueEntry* entry) {
  return comparator.Compare(
      record,
      QueueEntryRecord(*entry, comparator.prefix_length(), probe_.get()));
}

// The place after every entry whose key equals the record's.
std::uint32_t QueueEngine::KeyPlace(QueueOrder& order,
                                    const std::uint8_t* record) {
  const KeyComparator& comparator = *order.comparator;
  auto holds = [&](const QueueEntry* entry) {
    return CompareToEntry(comparator, record, entry) >= 0;
  };
  if (order.list.has_ranks()) {
    const std::uint64_t rank = comparator.Rank(record);
    return order.list.PartitionPoint(
        [rank](std::uint64_t first) { return rank >= first; }, holds);
  }
  return order.list.PartitionPoint(holds);
}

// The first entry whose key is not below the record's.
std::uint32_t QueueEngine::FirstNotBelow(QueueOrder& order,
                                         const std::uint8_t* record) {
  const KeyComparator& comparator = *order.comparator;
  auto holds = [&](const QueueEntry* entry) {
    return CompareToEntry(comparator, record, entry) > 0;
  };
  if (order.list.has_ranks()) {
    const std::uint64_t rank = comparator.Rank(record);
    return order.list.PartitionPoint(
        [rank](std::uint64_t first) { return rank > first; }, holds);
  }
  return order.list.PartitionPoint(holds);
}

// --- Order maintenance ------------------------------------------------------

void QueueEngine::EnsureSorted(QueueOrder& order) {
  if (order.needs_sort) SortOrder(order);
}

// Sorts the order through an array of items, each made from an entry's
// decoded record by `fill(item, record)` and holding the entry; false when
// the arrays cannot be allocated.
template <typename Item, typename Fill, typename Compare>
bool QueueEngine::SortThroughItems(QueueOrder& order, Fill fill,
                                   Compare compare) {
  std::uint32_t count = order.list.size();
  std::unique_ptr<Item[]> items(new (std::nothrow) Item[count]);
  std::unique_ptr<Item[]> scratch(new (std::nothrow) Item[count / 2 + 1]);
  if (!items || !scratch) return false;
  std::uint32_t prefix = order.comparator->prefix_length();
  std::uint32_t next = 0;
  order.list.ForEach([&](QueueEntry* entry) {
    Item& item = items[next++];
    fill(item, QueueEntryRecord(*entry, prefix, probe_.get()));
    item.entry = entry;
  });
  StableMergeSort(items.get(), count, scratch.get(), compare);
  AssignSorted(order, items.get(), count);
  return true;
}

template <std::size_t kStride>
void QueueEngine::SortByExtractedKeys(QueueOrder& order) {
  using Item = KeyedItem<kStride>;
  const KeyComparator& comparator = *order.comparator;
  bool sorted = SortThroughItems<Item>(
      order,
      [&](Item& item, const std::uint8_t* record) {
        comparator.ExtractKey(record, item.key);
      },
      [&](const Item& a, const Item& b) {
        return comparator.CompareKeys(a.key, b.key);
      });
  if (!sorted) SortByEntries(order);
}

void QueueEngine::SortByRank(QueueOrder& order) {
  struct Item {
    std::uint64_t rank;
    QueueEntry* entry;
  };
  const KeyComparator& comparator = *order.comparator;
  bool sorted = SortThroughItems<Item>(
      order,
      [&](Item& item, const std::uint8_t* record) {
        item.rank = comparator.Rank(record);
      },
      [](const Item& a, const Item& b) {
        return (a.rank > b.rank) - (a.rank < b.rank);
      });
  if (!sorted) SortByEntries(order);
}

void QueueEngine::SortByEntries(QueueOrder& order) {
  const KeyComparator& comparator = *order.comparator;
  std::uint32_t count = order.list.size();
  HesArray<QueueEntry*> entries;
  HesArray<QueueEntry*> scratch;
  std::vector<QueueEntry*> flat(count);
  order.list.CopyTo(flat.data());
  entries.Assign(flat.data(), count);
  scratch.Assign(flat.data(), count / 2 + (count > 0));
  StableMergeSort(entries.data(), count, scratch.data(),
                  [&](const QueueEntry* a, const QueueEntry* b) {
                    std::uint32_t prefix = comparator.prefix_length();
                    return comparator.Compare(
                        QueueEntryRecord(*a, prefix, probe_.get()),
                        QueueEntryRecord(*b, prefix, probe2_.get()));
                  });
  order.list.Assign(entries.data(), count);
}

void QueueEngine::SortOrder(QueueOrder& order) {
  order.needs_sort = false;
  order.hint_index = -1;
  if (order.list.size() < 2) return;
  if (order.comparator->has_rank()) return SortByRank(order);
  std::size_t need = order.comparator->key_length() + sizeof(QueueEntry*);
  if (need <= 16) return SortByExtractedKeys<16>(order);
  if (need <= 24) return SortByExtractedKeys<24>(order);
  if (need <= 32) return SortByExtractedKeys<32>(order);
  if (need <= 48) return SortByExtractedKeys<48>(order);
  if (need <= 64) return SortByExtractedKeys<64>(order);
  if (need <= 128) return SortByExtractedKeys<128>(order);
  SortByEntries(order);
}

void QueueEngine::InsertAt(QueueOrder& order, std::uint32_t index,
                           QueueEntry* entry, const std::uint8_t* record) {
  order.list.Insert(index, entry);
  if (order.hint_index >= index) ++order.hint_index;
  if (order.index) order.index->Added(record, entry);
}

std::uint32_t QueueEngine::InsertByKey(QueueOrder& order, QueueEntry* entry,
                                       const std::uint8_t* record) {
  EnsureSorted(order);
  std::uint32_t index =
      order.keyed ? KeyPlace(order, record) : order.list.size();
  InsertAt(order, index, entry, record);
  return index;
}

std::uint32_t QueueEngine::IndexIn(QueueOrder& order, QueueEntry* entry,
                                   const std::uint8_t* record) {
  if (order.hint_entry == entry && order.hint_index >= 0) {
    assert(order.list.At(static_cast<std::uint32_t>(order.hint_index)) ==
           entry);
    return static_cast<std::uint32_t>(order.hint_index);
  }
  std::uint32_t from = 0;
  if (order.keyed) {
    EnsureSorted(order);
    from = FirstNotBelow(order, record);
  }
  std::uint32_t index = order.list.IndexOf(entry, from);
  assert(index < order.list.size());
  return index;
}

std::uint32_t QueueEngine::Erase(QueueOrder& order, QueueEntry* entry,
                                 const std::uint8_t* record) {
  std::uint32_t index = IndexIn(order, entry, record);
  order.list.Erase(index);
  if (order.hint_index == index) {
    order.hint_index = -1;
  } else if (order.hint_index > index) {
    --order.hint_index;
  }
  if (order.index) {
    QueueEntry* next_equal = nullptr;
    if (index < order.list.size()) {
      QueueEntry* next = order.list.At(index);
      if (CompareToEntry(*order.comparator, record, next) == 0) {
        next_equal = next;
      }
    }
    order.index->Removed(record, entry, next_equal);
  }
  return index;
}

void QueueEngine::MaybeBuildIndex(QueueOrder& order) {
  if (order.index_tried || order.lookups <= kIndexAfterLookups ||
      order.list.size() <= kIndexMinEntries) {
    return;
  }
  order.index_tried = true;
  const KeyComparator& comparator = *order.comparator;
  const FieldInfo* single = comparator.single_field();
  bool small = single != nullptr && single->size <= kIndexMaxSmallKey;
  if (!small && comparator.key_length() <= kIndexMinLongKey) return;
  // Without memory for an index the order keeps using binary search.
  order.index = QueueAuxIndex::Make(comparator);
  if (!order.index) return;
  order.list.ForEach([&](QueueEntry* entry) {
    order.index->Added(
        QueueEntryRecord(*entry, comparator.prefix_length(), probe_.get()),
        entry);
  });
}

// --- Orders and the current entry ------------------------------------------

QueueOrder* QueueEngine::NewOrderAtFront() {
  auto order = std::unique_ptr<QueueOrder>(new (std::nothrow) QueueOrder);
  if (!order) return nullptr;
  std::move_backward(orders_.begin(), orders_.begin() + order_count_,
                     orders_.begin() + order_count_ + 1);
  orders_[0] = std::move(order);
  ++order_count_;
  return orders_[0].get();
}

void QueueEngine::MakeCurrent(QueueOrder* order) {
  current_ = order;
  if (order->hint_entry != current_entry_) {
    order->hint_entry = current_entry_;
    order->hint_index = -1;
  }
}

void QueueEngine::SetCurrentEntry(QueueEntry* entry, std::int64_t index) {
  current_entry_ = entry;
  current_->hint_entry = entry;
  current_->hint_index = index;
}

QueueOrder* QueueEngine::SelectOrder(const QueueKey& key) {
  for (std::size_t i = 0; i < order_count_; ++i) {
    if (orders_[i]->keyed && orders_[i]->key == key) {
      std::rotate(orders_.begin(), orders_.begin() + i,
                  orders_.begin() + i + 1);
      MakeCurrent(orders_[0].get());
      return current_;
    }
  }
  static const TypeDescriptor kNoFields;
  std::optional<KeyComparator> comparator = KeyComparator::Make(
      key, descriptor_ ? *descriptor_ : kNoFields, record_length_);
  if (!comparator) return nullptr;
  QueueOrder* order;
  if (order_count_ < kMaxQueueOrders) {
    order = NewOrderAtFront();
    if (order == nullptr) {
      PostError(kErrInsufficientMemory);
      return nullptr;
    }
  } else {
    // Reuse the least recently used order, never the current one.
    std::size_t victim = order_count_ - 1;
    if (orders_[victim].get() == current_) --victim;
    std::rotate(orders_.begin(), orders_.begin() + victim,
                orders_.begin() + victim + 1);
    order = orders_[0].get();
    order->DropKey();
    order->hint_entry = nullptr;
  }
  std::vector<QueueEntry*> entries(current_->list.size());
  current_->list.CopyTo(entries.data());
  order->list.Assign(entries.data(),
                     static_cast<std::uint32_t>(entries.size()));
  order->keyed = true;
  order->key = key;
  order->comparator = std::move(comparator);
  if (order->comparator->compares_ranks()) {
    order->rank_context.comparator = &*order->comparator;
    order->rank_context.scratch =
        NewBytes(order->comparator->prefix_length());
    // Without room to decode, searches read the entries themselves.
    if (order->rank_context.scratch) {
      order->list.SetRanker(&RankOfEntry, &order->rank_context);
    }
  }
  order->needs_sort = true;
  MakeCurrent(order);
  return order;
}

bool QueueEngine::CanGrow() {
  if (RecordCount() < kHesArrayMaxCount) return true;
  PostError(kErrInsufficientMemory);
  return false;
}

QueueEntry* QueueEngine::StoreBuffer() {
  std::span<std::uint8_t> record(buffer_, record_length_);
  if (encoding_ == QueueEncoding::kNormalised) {
    NormaliseStringTails(*map_, record);
  }
  QueueEntry* entry = MakeQueueEntry(record, encoding_ != QueueEncoding::kPlain,
                                     {packed_.get(), record_length_});
  if (entry == nullptr) PostError(kErrInsufficientMemory);
  return entry;
}

void QueueEngine::LoadInto(const QueueEntry* entry, std::uint8_t* out) {
  const std::uint8_t* record = QueueEntryRecord(*entry, record_length_, out);
  if (record != out) std::memcpy(out, record, record_length_);
}

void QueueEngine::LoadIntoBuffer(const QueueEntry* entry) {
  LoadInto(entry, buffer_);
}

const std::uint8_t* QueueEngine::LoadIntoOld(const QueueEntry* entry) {
  LoadInto(entry, old_.get());
  return old_.get();
}

// --- Statements -------------------------------------------------------------

void QueueEngine::AddAtPlace(std::optional<std::uint32_t> place) {
  if (!CanGrow()) return;
  QueueEntry* entry = StoreBuffer();
  if (entry == nullptr) return;
  QueueOrder& current = *current_;
  std::uint32_t index = std::min(place.value_or(RecordCount()), RecordCount());
  // A place off the current key's order turns the order into an unkeyed
  // one; other keyed orders are untouched.
  if (current.keyed) {
    EnsureSorted(current);
    if (KeyPlace(current, buffer_) != index) current.DropKey();
  }
  InsertAt(current, index, entry, buffer_);
  for (std::size_t i = 0; i < order_count_; ++i) {
    if (orders_[i].get() != current_) InsertByKey(*orders_[i], entry, buffer_);
  }
  SetCurrentEntry(entry, index);
  ++changes_;
}

void QueueEngine::Add() { AddAtPlace(std::nullopt); }

void QueueEngine::AddAt(std::int32_t position) {
  if (position < 1 ||
      static_cast<std::uint32_t>(position) > RecordCount() + 1) {
    AddAtPlace(std::nullopt);
  } else {
    AddAtPlace(static_cast<std::uint32_t>(position - 1));
  }
}

void QueueEngine::AddByKey(const QueueKey& key) {
  QueueOrder* order = SelectOrder(key);
  if (order == nullptr || !CanGrow()) return;
  EnsureSorted(*order);
  QueueEntry* entry = StoreBuffer();
  if (entry == nullptr) return;
  std::uint32_t index = 0;
  for (std::size_t i = 0; i < order_count_; ++i) {
    std::uint32_t at = InsertByKey(*orders_[i], entry, buffer_);
    if (orders_[i].get() == order) index = at;
  }
  SetCurrentEntry(entry, index);
  ++changes_;
}

void QueueEngine::GetAt(std::int32_t position) {
  if (position == 0) current_entry_ = nullptr;
  if (position < 1 || static_cast<std::uint32_t>(position) > RecordCount()) {
    PostError(kErrEntryNotFound);
    return;
  }
  std::uint32_t index = static_cast<std::uint32_t>(position - 1);
  QueueEntry* entry = current_->list.At(index);
  LoadIntoBuffer(entry);
  SetCurrentEntry(entry, index);
}

void QueueEngine::GetByKey(const QueueKey& key) {
  QueueOrder* order = SelectOrder(key);
  if (order == nullptr) return;
  EnsureSorted(*order);
  ++order->lookups;
  MaybeBuildIndex(*order);
  QueueEntry* found = nullptr;
  std::int64_t index = -1;
  if (order->index) {
    found = order->index->Find(buffer_);
  } else {
    std::uint32_t at = FirstNotBelow(*order, buffer_);
    if (at < order->list.size()) {
      QueueEntry* candidate = order->list.At(at);
      if (CompareToEntry(*order->comparator, buffer_, candidate) == 0) {
        found = candidate;
        index = at;
      }
    }
  }
  if (found == nullptr) {
    PostError(kErrEntryNotFound);
    return;
  }
  LoadIntoBuffer(found);
  SetCurrentEntry(found, index);
}

void QueueEngine::Put() {
  QueueEntry* old_entry = current_entry_;
  if (old_entry == nullptr) {
    PostError(kErrEntryNotFound);
    return;
  }
  QueueEntry* entry = StoreBuffer();
  if (entry == nullptr) return;
  const std::uint8_t* old_record = LoadIntoOld(old_entry);
  std::uint32_t current_index = 0;
  for (std::size_t i = 0; i < order_count_; ++i) {
    QueueOrder& order = *orders_[i];
    std::uint32_t index;
    if (order.keyed && order.comparator->Compare(old_record, buffer_) != 0) {
      Erase(order, old_entry, old_record);
      index = InsertByKey(order, entry, buffer_);
    } else {
      index = IndexIn(order, old_entry, old_record);
      order.list.Set(index, entry);
      if (order.index) order.index->Replaced(old_record, old_entry, entry);
      if (order.hint_entry == old_entry) order.hint_entry = entry;
    }
    if (&order == current_) current_index = index;
  }
  FreeQueueEntry(old_entry);
  SetCurrentEntry(entry, current_index);
  ++changes_;
}

void QueueEngine::Delete() {
  QueueEntry* entry = current_entry_;
  if (entry == nullptr) {
    PostError(kErrEntryNotFound);
    return;
  }
  const std::uint8_t* record = LoadIntoOld(entry);
  for (std::size_t i = 0; i < order_count_; ++i) {
    Erase(*orders_[i], entry, record);
  }
  FreeQueueEntry(entry);
  current_entry_ = nullptr;
  ++changes_;
}

void QueueEngine::Free() {
  current_->list.ForEach(&FreeQueueEntry);
  for (std::size_t i = 1; i < order_count_; ++i) orders_[i].reset();
  order_count_ = 1;
  QueueOrder& only = *orders_[0];
  only.list.Clear();
  only.DropKey();
  only.hint_entry = nullptr;
  only.hint_index = -1;
  current_ = &only;
  current_entry_ = nullptr;
  ++changes_;
}

void QueueEngine::Sort(const QueueKey& key) {
  QueueOrder* order = SelectOrder(key);
  if (order == nullptr) return;
  EnsureSorted(*order);
  ++changes_;
}

std::uint32_t QueueEngine::Pointer() {
  if (current_entry_ == nullptr) return 0;
  QueueOrder& order = *current_;
  if (order.hint_entry != current_entry_ || order.hint_index < 0) {
    const std::uint8_t* record = LoadIntoOld(current_entry_);
    order.hint_entry = current_entry_;
    order.hint_index = IndexIn(order, current_entry_, record);
  }
  return static_cast<std::uint32_t>(order.hint_index) + 1;
}

}  // namespace vantrel
