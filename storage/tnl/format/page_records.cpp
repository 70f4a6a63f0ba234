#include "storage/tnl/format/page_records.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <utility>

#include "storage/tnl/format/internal_check.h"

namespace vantrel {

int CompareKeyBytes(std::span<const std::uint8_t> a,
                    std::span<const std::uint8_t> b) {
  const std::size_t common = std::min(a.size(), b.size());
  // memcmp compares as unsigned bytes, as the order wants.
  if (common != 0) {
    const int order = std::memcmp(a.data(), b.data(), common);
    if (order != 0) return order < 0 ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

PageRecord RecordRef::Copy() const {
  PageRecord record;
  record.bytes.assign(bytes.begin(), bytes.end());
  record.key_length = key_length;
  record.child = child;
  return record;
}

bool RecordRef::operator==(const RecordRef& other) const {
  return key_length == other.key_length && child == other.child &&
         std::equal(bytes.begin(), bytes.end(), other.bytes.begin(),
                    other.bytes.end());
}

PageRecords PageRecords::Of(std::span<const PageRecord> records) {
  PageRecords list;
  std::size_t bytes = 0;
  for (const PageRecord& r : records) bytes += r.bytes.size();
  list.Reserve(records.size(), bytes);
  for (const PageRecord& r : records) list.Append(r);
  return list;
}

std::size_t PageRecords::LowerBound(std::span<const std::uint8_t> key) const {
  std::size_t low = 0;
  std::size_t high = slots_.size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (CompareKeys(KeyOf(slots_[middle]), key) < 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

std::size_t PageRecords::UpperBound(std::span<const std::uint8_t> key) const {
  std::size_t low = 0;
  std::size_t high = slots_.size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (CompareKeys(KeyOf(slots_[middle]), key) <= 0) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

namespace {

// The smallest buffer a page that grows record by record starts with, and
// the fewest slots.
constexpr std::size_t kFirstBytes = 4096;
constexpr std::size_t kFirstSlots = 16;

// Scratch for rewriting a page's bytes without a new buffer.
std::vector<std::uint8_t>& Scratch() {
  thread_local std::vector<std::uint8_t> scratch;
  return scratch;
}

}  // namespace

PageRecords::Buffer::Buffer(const Buffer& other) { *this = other; }

PageRecords::Buffer& PageRecords::Buffer::operator=(const Buffer& other) {
  if (this == &other) return *this;
  size_ = 0;
  reserve(other.size_);
  if (other.size_ != 0) std::memcpy(data_.get(), other.data_.get(), other.size_);
  size_ = other.size_;
  return *this;
}

PageRecords::Buffer::Buffer(Buffer&& other) noexcept
    : data_(std::move(other.data_)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

PageRecords::Buffer& PageRecords::Buffer::operator=(Buffer&& other) noexcept {
  data_ = std::move(other.data_);
  size_ = std::exchange(other.size_, 0);
  capacity_ = std::exchange(other.capacity_, 0);
  return *this;
}

void PageRecords::Buffer::reserve(std::size_t capacity) {
  if (capacity <= capacity_) return;
  auto grown = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
  if (size_ != 0) std::memcpy(grown.get(), data_.get(), size_);
  data_ = std::move(grown);
  capacity_ = capacity;
}

std::uint8_t* PageRecords::Extend(std::size_t length) {
  const std::size_t offset = bytes_.size();
  if (offset + length > bytes_.capacity()) {
    bytes_.reserve(
        std::max({offset + length, 2 * bytes_.capacity(), kFirstBytes}));
  }
  bytes_.resize(offset + length);
  return Data() + offset;
}

void PageRecords::RoomForSlot() {
  if (slots_.size() == slots_.capacity()) {
    slots_.reserve(std::max(2 * slots_.capacity(), kFirstSlots));
  }
}

PageRecords::Slot PageRecords::Store(RecordRef record) {
  const std::size_t length = record.bytes.size();
  Check(length <= std::numeric_limits<std::uint16_t>::max() &&
            record.key_length <= length &&
            bytes_.size() + length <= std::numeric_limits<std::uint32_t>::max(),
        kCheckRecordTooLong);
  const std::size_t offset = bytes_.size();
  const std::uint8_t* source = record.bytes.data();
  const bool inside = length != 0 && std::less_equal<>()(Data(), source) &&
                      std::less<>()(source, Data() + bytes_.size());
  const std::size_t source_offset =
      inside ? static_cast<std::size_t>(source - Data()) : 0;
  std::uint8_t* to = Extend(length);
  // Growing may have moved a source that lies in this page.
  if (inside) source = Data() + source_offset;
  if (length != 0) std::memcpy(to, source, length);
  return {static_cast<std::uint32_t>(offset),
          static_cast<std::uint16_t>(length), record.key_length, record.child};
}

std::size_t PageRecords::Insert(RecordRef record) {
  const std::size_t rank = UpperBound(record.Key());
  const Slot slot = Store(record);
  RoomForSlot();
  slots_.insert(slots_.begin() + static_cast<std::ptrdiff_t>(rank), slot);
  return rank;
}

void PageRecords::Append(RecordRef record) {
  assert(slots_.empty() ||
         CompareKeys(KeyOf(slots_.back()), record.Key()) <= 0);
  const Slot slot = Store(record);
  RoomForSlot();
  slots_.push_back(slot);
}

void PageRecords::AppendShared(std::size_t shared,
                               std::span<const std::uint8_t> rest,
                               std::uint16_t key_length) {
  const std::size_t length = shared + rest.size();
  Check(
      length <= std::numeric_limits<std::uint16_t>::max() &&
          key_length <= length &&
          (shared == 0 || (!slots_.empty() && shared <= slots_.back().length)),
      kCheckRecordTooLong);
  const std::size_t offset = bytes_.size();
  const std::size_t from = shared != 0 ? slots_.back().offset : 0;
  std::uint8_t* to = Extend(length);
  if (shared != 0) std::memcpy(to, Data() + from, shared);
  if (!rest.empty()) std::memcpy(to + shared, rest.data(), rest.size());
  RoomForSlot();
  slots_.push_back({static_cast<std::uint32_t>(offset),
                    static_cast<std::uint16_t>(length), key_length, 0});
}

void PageRecords::EraseAt(std::size_t rank) {
  assert(rank < slots_.size());
  dead_bytes_ += slots_[rank].length;
  slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(rank));
  // Erased bytes are taken back once they are most of the buffer.
  if (dead_bytes_ > 1024 && dead_bytes_ * 2 > bytes_.size()) {
    Compact(slots_.size());
  }
}

// The records of the first `keep` slots, in slot order from offset 0; the
// other slots go. The buffer keeps its block. Records that lie in slot
// order (all of them in a page filled in key order) move down in place;
// otherwise those already in place stay and the rest are rewritten.
void PageRecords::Compact(std::size_t keep) {
  bool ascending = true;
  for (std::size_t i = 1; i < keep && ascending; ++i) {
    ascending = slots_[i].offset >= slots_[i - 1].offset + slots_[i - 1].length;
  }
  std::size_t placed = 0;
  std::size_t end = 0;
  // Moving down never reaches a later record's bytes when they lie in
  // order: each lies above the one before it.
  while (placed < keep && (ascending || slots_[placed].offset == end)) {
    Slot& slot = slots_[placed];
    if (slot.offset != end && slot.length != 0) {
      std::memmove(Data() + end, Data() + slot.offset, slot.length);
    }
    slot.offset = static_cast<std::uint32_t>(end);
    end += slot.length;
    ++placed;
  }
  std::vector<std::uint8_t>& scratch = Scratch();
  scratch.clear();
  for (std::size_t i = placed; i < keep; ++i) {
    Slot& slot = slots_[i];
    const std::size_t offset = end + scratch.size();
    scratch.insert(scratch.end(), Data() + slot.offset,
                   Data() + slot.offset + slot.length);
    slot.offset = static_cast<std::uint32_t>(offset);
  }
  slots_.resize(keep);
  // The records placed cover [0, end), so the others' bytes lay above it.
  if (!scratch.empty()) {
    std::memcpy(Data() + end, scratch.data(), scratch.size());
  }
  bytes_.resize(end + scratch.size());
  dead_bytes_ = 0;
}

// The records from `rank` on keep the block: a page that grows at its end
// (records added in key order) goes on growing in the new page, and the
// records left behind get a block of their size, holding no room they may
// never use.
PageRecords PageRecords::SplitOff(std::size_t rank) {
  assert(rank <= slots_.size());
  PageRecords left;
  std::size_t left_bytes = 0;
  for (std::size_t i = 0; i < rank; ++i) left_bytes += slots_[i].length;
  left.Reserve(rank, left_bytes);
  for (std::size_t i = 0; i < rank; ++i) left.Append(At(i));
  slots_.erase(slots_.begin(),
               slots_.begin() + static_cast<std::ptrdiff_t>(rank));
  Compact(slots_.size());
  PageRecords right = std::move(*this);
  *this = std::move(left);
  return right;
}

void PageRecords::ShrinkToFit() {
  std::size_t live = 0;
  for (const Slot& slot : slots_) live += slot.length;
  // A little room left over is not worth a copy.
  if (bytes_.capacity() - live > live / 8 + 256) {
    Buffer fitted;
    fitted.reserve(live);
    fitted.resize(live);
    std::size_t offset = 0;
    for (Slot& slot : slots_) {
      if (slot.length != 0) {
        std::memcpy(fitted.data() + offset, Data() + slot.offset, slot.length);
      }
      slot.offset = static_cast<std::uint32_t>(offset);
      offset += slot.length;
    }
    bytes_ = std::move(fitted);
    dead_bytes_ = 0;
  }
  if (slots_.capacity() - slots_.size() > slots_.size() / 8 + 4) {
    slots_.shrink_to_fit();
  }
}

void PageRecords::Reserve(std::size_t count, std::size_t bytes) {
  slots_.reserve(slots_.size() + count);
  bytes_.reserve(bytes_.size() + bytes);
}

}  // namespace vantrel
