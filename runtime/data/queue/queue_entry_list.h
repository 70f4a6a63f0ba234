// EntryList: the entries of one queue order, in that order.
//
// Entry pointers are kept in blocks of at most kEntryBlockCapacity, each a
// HesArray, listed in a directory that also keeps every block's first entry
// (so searches touch one block) and a Fenwick tree of block sizes (so a
// position finds its block in O(log n)). Inserting or removing moves at most
// one block's pointers; blocks split when full and merge when sparse.
#ifndef VANTREL_RUNTIME_DATA_QUEUE_QUEUE_ENTRY_LIST_H_
#define VANTREL_RUNTIME_DATA_QUEUE_QUEUE_ENTRY_LIST_H_

#include <cassert>
#include <cstdint>

#include "runtime/data/queue/hes_array.h"
#include "runtime/data/queue/queue_entry.h"

namespace vantrel {

inline constexpr std::uint32_t kEntryBlockCapacity = 256;

class EntryList {
 public:
  using Item = QueueEntry*;

  EntryList() = default;
  EntryList(const EntryList&) = delete;
  EntryList& operator=(const EntryList&) = delete;
  ~EntryList() { Clear(); }

  std::uint32_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  Item At(std::uint32_t index) const;
  void Set(std::uint32_t index, Item item);
  // Inserts before `index` (<= size()).
  void Insert(std::uint32_t index, Item item);
  void Erase(std::uint32_t index);
  void Clear();

  // Replaces the contents with `count` items in the order given.
  void Assign(const Item* items, std::uint32_t count);
  // Writes all items, in order, to `out` (size() of them).
  void CopyTo(Item* out) const;

  // For a predicate that holds for a leading part of the list and fails for
  // the rest: the index of the first item for which it fails.
  template <typename Pred>
  std::uint32_t PartitionPoint(Pred pred) const;

  // The rank of an item, a number that orders items as the list's order
  // does. A list given one keeps the rank of every block's first item, so
  // that a search of its directory reads no item: each item it would read
  // lies elsewhere in memory.
  using Ranker = std::uint64_t (*)(const void* context, Item item);
  // Sets the ranker (nullptr: none) and ranks the first items.
  void SetRanker(Ranker ranker, const void* context);
  bool has_ranks() const { return ranker_ != nullptr; }
  // PartitionPoint for a list with ranks: `on_rank(rank)` is the predicate
  // on the rank of an item, `pred(item)` the same predicate on the item.
  template <typename RankPred, typename Pred>
  std::uint32_t PartitionPoint(RankPred on_rank, Pred pred) const;

  // Calls `visit(item)` for every item in order.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (std::uint32_t b = 0; b < slots_.size(); ++b) {
      const HesArray<Item>& items = slots_[b].block->items;
      for (std::uint32_t i = 0; i < items.size(); ++i) visit(items[i]);
    }
  }

  // The index of the first `item` at or after `from`, or size().
  std::uint32_t IndexOf(Item item, std::uint32_t from = 0) const;

 private:
  struct Block {
    HesArray<Item> items;
  };
  // One directory slot per block.
  struct Slot {
    Block* block;
    Item first;  // block->items[0], kept here so searches skip the block
    std::uint64_t first_rank;  // its rank when the list has a ranker
  };
  void SetFirst(Slot& slot, Item item) {
    slot.first = item;
    slot.first_rank = ranker_ != nullptr ? ranker_(rank_context_, item) : 0;
  }
  // The index of the first item failing `pred` when the first item of
  // every block before `block` holds and that of `block` (if any) fails.
  template <typename Pred>
  std::uint32_t PartitionInBlock(std::uint32_t block, Pred pred) const;
  // The first slot for which `holds` fails (slots_.size() when none does);
  // `holds` must hold for a prefix of the slots.
  template <typename SlotPred>
  std::uint32_t FirstSlotFailing(SlotPred holds) const;

  struct Place {
    std::uint32_t block;
    std::uint32_t offset;
  };
  Place Locate(std::uint32_t index) const;
  std::uint32_t BlockStart(std::uint32_t block) const;
  void AddToCount(std::uint32_t block, std::int32_t delta);
  void RebuildCounts();
  Block* NewBlock();
  void InsertSlot(std::uint32_t at, Block* block);
  void RemoveSlot(std::uint32_t at);
  void SplitBlock(std::uint32_t block);
  void MergeIfSparse(std::uint32_t block);
  void Forget() { cache_valid_ = false; }

  Ranker ranker_ = nullptr;
  const void* rank_context_ = nullptr;
  HesArray<Slot> slots_;
  HesArray<std::uint32_t> counts_;  // Fenwick tree of block sizes, 1-based
  std::uint32_t size_ = 0;          // items in all blocks
  // The block last reached by position, for runs of neighbouring reads.
  mutable bool cache_valid_ = false;
  mutable std::uint32_t cache_block_ = 0;
  mutable std::uint32_t cache_start_ = 0;
};

template <typename SlotPred>
std::uint32_t EntryList::FirstSlotFailing(SlotPred holds) const {
  std::uint32_t low = 0;
  std::uint32_t high = slots_.size();
  while (low < high) {
    std::uint32_t mid = low + (high - low) / 2;
    if (holds(slots_[mid])) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return low;
}

template <typename Pred>
std::uint32_t EntryList::PartitionPoint(Pred pred) const {
  // The first block whose first item fails; the boundary lies in the block
  // before it.
  return PartitionInBlock(
      FirstSlotFailing([&](const Slot& slot) { return pred(slot.first); }),
      pred);
}

template <typename RankPred, typename Pred>
std::uint32_t EntryList::PartitionPoint(RankPred on_rank, Pred pred) const {
  assert(has_ranks());
  return PartitionInBlock(FirstSlotFailing([&](const Slot& slot) {
                            return on_rank(slot.first_rank);
                          }),
                          pred);
}

template <typename Pred>
std::uint32_t EntryList::PartitionInBlock(std::uint32_t after,
                                          Pred pred) const {
  if (after == 0) return 0;
  std::uint32_t block = after - 1;
  const HesArray<Item>& items = slots_[block].block->items;
  std::uint32_t first = 1;  // items[0] is known to hold
  std::uint32_t last = items.size();
  while (first < last) {
    std::uint32_t mid = first + (last - first) / 2;
    if (pred(items[mid])) {
      first = mid + 1;
    } else {
      last = mid;
    }
  }
  return BlockStart(block) + first;
}

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_QUEUE_QUEUE_ENTRY_LIST_H_
