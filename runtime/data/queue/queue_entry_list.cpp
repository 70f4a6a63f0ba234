#include "runtime/data/queue/queue_entry_list.h"

#include <algorithm>
#include <bit>
#include <new>

#include "runtime/data/base/fatal_report.h"

namespace vantrel {
namespace {

// A block that falls below this size is merged with a neighbour when the two
// fit in kMergedLimit; merged blocks stay well below the split size.
constexpr std::uint32_t kSparseBlock = kEntryBlockCapacity / 4;
constexpr std::uint32_t kMergedLimit = kEntryBlockCapacity * 3 / 4;
// Blocks filled by Assign leave room for inserts before they split.
constexpr std::uint32_t kAssignFill = kEntryBlockCapacity * 3 / 4;

}  // namespace

EntryList::Block* EntryList::NewBlock() {
  Block* block = new (std::nothrow) Block;
  if (block == nullptr) {
    ReportFatalError(kHesArrayFatalCode, kHesArrayFatalText);
  }
  return block;
}

void EntryList::Clear() {
  for (std::uint32_t i = 0; i < slots_.size(); ++i) delete slots_[i].block;
  slots_.Clear();
  counts_.Clear();
  size_ = 0;
  Forget();
}

void EntryList::SetRanker(Ranker ranker, const void* context) {
  ranker_ = ranker;
  rank_context_ = context;
  for (std::uint32_t i = 0; i < slots_.size(); ++i) {
    SetFirst(slots_[i], slots_[i].first);
  }
}

void EntryList::RebuildCounts() {
  std::uint32_t n = slots_.size();
  counts_.Clear();
  counts_.Append(0);  // index 0 is unused
  for (std::uint32_t i = 0; i < n; ++i) {
    counts_.Append(slots_[i].block->items.size());
  }
  for (std::uint32_t i = 1; i <= n; ++i) {
    std::uint32_t parent = i + (i & (0 - i));
    if (parent <= n) counts_[parent] += counts_[i];
  }
  Forget();
}

void EntryList::AddToCount(std::uint32_t block, std::int32_t delta) {
  std::uint32_t n = slots_.size();
  for (std::uint32_t i = block + 1; i <= n; i += i & (0 - i)) {
    counts_[i] += static_cast<std::uint32_t>(delta);
  }
  Forget();
}

std::uint32_t EntryList::BlockStart(std::uint32_t block) const {
  std::uint32_t sum = 0;
  for (std::uint32_t i = block; i > 0; i -= i & (0 - i)) sum += counts_[i];
  return sum;
}

EntryList::Place EntryList::Locate(std::uint32_t index) const {
  assert(index < size_);
  if (cache_valid_ && index >= cache_start_ &&
      index - cache_start_ < slots_[cache_block_].block->items.size()) {
    return {cache_block_, index - cache_start_};
  }
  // Descend the Fenwick tree to the last block starting at or before index.
  std::uint32_t n = slots_.size();
  std::uint32_t block = 0;
  std::uint32_t rest = index;
  for (std::uint32_t step = std::bit_floor(n); step > 0; step >>= 1) {
    if (block + step <= n && counts_[block + step] <= rest) {
      block += step;
      rest -= counts_[block];
    }
  }
  cache_valid_ = true;
  cache_block_ = block;
  cache_start_ = index - rest;
  return {block, rest};
}

EntryList::Item EntryList::At(std::uint32_t index) const {
  Place place = Locate(index);
  return slots_[place.block].block->items[place.offset];
}

void EntryList::Set(std::uint32_t index, Item item) {
  Place place = Locate(index);
  slots_[place.block].block->items[place.offset] = item;
  if (place.offset == 0) SetFirst(slots_[place.block], item);
}

void EntryList::InsertSlot(std::uint32_t at, Block* block) {
  Slot slot{block, nullptr, 0};
  if (!block->items.empty()) SetFirst(slot, block->items[0]);
  slots_.Insert(at, slot);
}

void EntryList::RemoveSlot(std::uint32_t at) {
  delete slots_[at].block;
  slots_.RemoveAt(at);
}

void EntryList::SplitBlock(std::uint32_t block) {
  HesArray<Item>& items = slots_[block].block->items;
  std::uint32_t half = items.size() / 2;
  Block* upper = NewBlock();
  upper->items.Assign(items.data() + half, items.size() - half);
  items.Truncate(half);
  InsertSlot(block + 1, upper);
  RebuildCounts();
}

void EntryList::MergeIfSparse(std::uint32_t block) {
  std::uint32_t count = slots_[block].block->items.size();
  if (count >= kSparseBlock) return;
  auto fits = [&](std::uint32_t other) {
    return other < slots_.size() &&
           count + slots_[other].block->items.size() <= kMergedLimit;
  };
  std::uint32_t into;
  if (block > 0 && fits(block - 1)) {
    into = block - 1;
  } else if (fits(block + 1)) {
    into = block;
    ++block;
  } else {
    return;
  }
  HesArray<Item>& target = slots_[into].block->items;
  const HesArray<Item>& source = slots_[block].block->items;
  for (std::uint32_t i = 0; i < source.size(); ++i) {
    target.Append(source[i]);
  }
  RemoveSlot(block);
  RebuildCounts();
}

void EntryList::Insert(std::uint32_t index, Item item) {
  assert(index <= size_);
  if (slots_.empty()) {
    InsertSlot(0, NewBlock());
    RebuildCounts();
  }
  Place place;
  if (index == size_) {
    place.block = slots_.size() - 1;
    place.offset = slots_[place.block].block->items.size();
  } else {
    place = Locate(index);
  }
  bool full = slots_[place.block].block->items.size() == kEntryBlockCapacity;
  if (full && index == size_) {
    // Appending: start a new block and leave the full one full.
    InsertSlot(slots_.size(), NewBlock());
    RebuildCounts();
    place = {slots_.size() - 1, 0};
  } else if (full) {
    SplitBlock(place.block);
    std::uint32_t half = kEntryBlockCapacity / 2;
    if (place.offset > half) {
      ++place.block;
      place.offset -= half;
    }
  }
  Slot& slot = slots_[place.block];
  slot.block->items.Insert(place.offset, item);
  if (place.offset == 0) SetFirst(slot, item);
  ++size_;
  AddToCount(place.block, 1);
}

void EntryList::Erase(std::uint32_t index) {
  Place place = Locate(index);
  Slot& slot = slots_[place.block];
  slot.block->items.RemoveAt(place.offset);
  --size_;
  if (slot.block->items.empty()) {
    RemoveSlot(place.block);
    RebuildCounts();
    return;
  }
  if (place.offset == 0) SetFirst(slot, slot.block->items[0]);
  AddToCount(place.block, -1);
  MergeIfSparse(place.block);
}

void EntryList::Assign(const Item* items, std::uint32_t count) {
  Clear();
  for (std::uint32_t done = 0; done < count;) {
    std::uint32_t take = std::min(kAssignFill, count - done);
    Block* block = NewBlock();
    block->items.Assign(items + done, take);
    InsertSlot(slots_.size(), block);
    done += take;
  }
  size_ = count;
  RebuildCounts();
}

void EntryList::CopyTo(Item* out) const {
  for (std::uint32_t i = 0; i < slots_.size(); ++i) {
    const HesArray<Item>& items = slots_[i].block->items;
    std::copy(items.data(), items.data() + items.size(), out);
    out += items.size();
  }
}

std::uint32_t EntryList::IndexOf(Item item, std::uint32_t from) const {
  if (from >= size_) return size_;
  Place place = Locate(from);
  std::uint32_t index = from;
  for (std::uint32_t b = place.block; b < slots_.size(); ++b) {
    const HesArray<Item>& items = slots_[b].block->items;
    for (std::uint32_t i = (b == place.block ? place.offset : 0);
         i < items.size(); ++i, ++index) {
      if (items[i] == item) return index;
    }
  }
  return size_;
}

}  // namespace vantrel
