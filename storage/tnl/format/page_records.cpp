#include "storage/tnl/format/page_records.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>

#include "storage/tnl/format/internal_check.h"

namespace vantrel {

int CompareKeys(std::span<const std::uint8_t> a,
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

PageRecords::Slot PageRecords::Store(RecordRef record) {
  const std::size_t length = record.bytes.size();
  Check(length <= std::numeric_limits<std::uint16_t>::max() &&
            record.key_length <= length &&
            bytes_.size() + length <= std::numeric_limits<std::uint32_t>::max(),
        kCheckRecordTooLong);
  const std::size_t offset = bytes_.size();
  const std::uint8_t* source = record.bytes.data();
  const bool inside = length != 0 && source >= bytes_.data() &&
                      source < bytes_.data() + bytes_.size();
  const std::size_t source_offset =
      inside ? static_cast<std::size_t>(source - bytes_.data()) : 0;
  bytes_.resize(offset + length);
  // Growing may have moved a source that lies in this page.
  if (inside) source = bytes_.data() + source_offset;
  if (length != 0) std::memcpy(bytes_.data() + offset, source, length);
  return {static_cast<std::uint32_t>(offset),
          static_cast<std::uint16_t>(length), record.key_length, record.child};
}

std::size_t PageRecords::Insert(RecordRef record) {
  const std::size_t rank = UpperBound(record.Key());
  const Slot slot = Store(record);
  slots_.insert(slots_.begin() + static_cast<std::ptrdiff_t>(rank), slot);
  return rank;
}

void PageRecords::Append(RecordRef record) {
  assert(slots_.empty() ||
         CompareKeys(KeyOf(slots_.back()), record.Key()) <= 0);
  slots_.push_back(Store(record));
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
  bytes_.resize(offset + length);
  if (shared != 0) {
    std::memcpy(bytes_.data() + offset, bytes_.data() + from, shared);
  }
  if (!rest.empty()) {
    std::memcpy(bytes_.data() + offset + shared, rest.data(), rest.size());
  }
  slots_.push_back({static_cast<std::uint32_t>(offset),
                    static_cast<std::uint16_t>(length), key_length, 0});
}

void PageRecords::EraseAt(std::size_t rank) {
  assert(rank < slots_.size());
  dead_bytes_ += slots_[rank].length;
  slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(rank));
  // Erased bytes are taken back once they are most of the buffer.
  if (dead_bytes_ > 1024 && dead_bytes_ * 2 > bytes_.size()) Compact();
}

void PageRecords::Compact() {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(bytes_.size() - dead_bytes_);
  for (Slot& slot : slots_) {
    const std::size_t offset = bytes.size();
    bytes.insert(bytes.end(), bytes_.begin() + slot.offset,
                 bytes_.begin() + slot.offset + slot.length);
    slot.offset = static_cast<std::uint32_t>(offset);
  }
  bytes_ = std::move(bytes);
  dead_bytes_ = 0;
}

PageRecords PageRecords::SplitOff(std::size_t rank) {
  assert(rank <= slots_.size());
  PageRecords kept;
  PageRecords moved;
  std::size_t kept_bytes = 0;
  for (std::size_t i = 0; i < rank; ++i) kept_bytes += slots_[i].length;
  kept.Reserve(rank, kept_bytes);
  moved.Reserve(slots_.size() - rank, bytes_.size() - dead_bytes_ - kept_bytes);
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    PageRecords& to = i < rank ? kept : moved;
    to.slots_.push_back(to.Store(At(i)));
  }
  *this = std::move(kept);
  return moved;
}

void PageRecords::Reserve(std::size_t count, std::size_t bytes) {
  slots_.reserve(slots_.size() + count);
  bytes_.reserve(bytes_.size() + bytes);
}

}  // namespace vantrel
