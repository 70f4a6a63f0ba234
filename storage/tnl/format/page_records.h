// The records of one page in memory, in key order: one byte buffer holds
// every record's bytes, and a sorted table of slots says where each record
// lies, so that a decoded page costs two blocks of memory however many
// records it holds, and a search compares keys that lie close together.
//
// Order: two records compare by their key parts (the first key_length bytes)
// as unsigned bytes over the shorter key length; when that much is equal the
// shorter key sorts first.
#ifndef VANTREL_STORAGE_TNL_FORMAT_PAGE_RECORDS_H_
#define VANTREL_STORAGE_TNL_FORMAT_PAGE_RECORDS_H_

#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

namespace vantrel {

// In memory a page number may be negative: a page that has not been given a
// slot yet carries a temporary number.
using PageNumber = std::int64_t;

// <0, 0 or >0 as key a sorts before, with or after key b.
int CompareKeyBytes(std::span<const std::uint8_t> a,
                    std::span<const std::uint8_t> b);
// The same; the searches of a page call it for every step, and keys mostly
// differ in their first eight bytes, which are compared as one number.
inline int CompareKeys(std::span<const std::uint8_t> a,
                       std::span<const std::uint8_t> b) {
  if (a.size() >= sizeof(std::uint64_t) && b.size() >= sizeof(std::uint64_t)) {
    std::uint64_t x;
    std::uint64_t y;
    std::memcpy(&x, a.data(), sizeof x);
    std::memcpy(&y, b.data(), sizeof y);
    if constexpr (std::endian::native == std::endian::little) {
      x = __builtin_bswap64(x);
      y = __builtin_bswap64(y);
    }
    if (x != y) return x < y ? -1 : 1;
  }
  return CompareKeyBytes(a, b);
}

struct PageRecord;

// A record seen where it lies: in a page (valid until that page changes or
// is dropped) or in a PageRecord.
struct RecordRef {
  std::span<const std::uint8_t> bytes;  // the whole record: key, then data
  std::uint16_t key_length = 0;
  PageNumber child = 0;

  RecordRef() = default;
  RecordRef(std::span<const std::uint8_t> b, std::uint16_t k, PageNumber c)
      : bytes(b), key_length(k), child(c) {}
  RecordRef(const PageRecord& record);  // NOLINT: a record is seen as it is

  std::span<const std::uint8_t> Key() const { return bytes.first(key_length); }
  // A copy that owns its bytes.
  PageRecord Copy() const;
  bool operator==(const RecordRef& other) const;
};

// One record that owns its bytes: what is added to a page, and what is
// handed out of one to keep.
struct PageRecord {
  std::vector<std::uint8_t> bytes;  // the whole record: key part, then data
  std::uint16_t key_length = 0;     // leading bytes that take part in order
  PageNumber child = 0;             // inner pages: the child this record names

  std::span<const std::uint8_t> Key() const {
    return {bytes.data(), key_length};
  }
  bool operator==(const PageRecord&) const = default;
};

inline RecordRef::RecordRef(const PageRecord& record)
    : bytes(record.bytes), key_length(record.key_length), child(record.child) {}

class PageRecords {
 public:
  // A list of copies of `records`, which must be in key order.
  static PageRecords Of(std::span<const PageRecord> records);

  std::size_t size() const { return slots_.size(); }
  bool empty() const { return slots_.empty(); }

  // The record at 0-based position `rank` in key order (rank < size()).
  RecordRef At(std::size_t rank) const {
    const Slot& slot = slots_[rank];
    return {{Data() + slot.offset, slot.length}, slot.key_length, slot.child};
  }
  // The bytes of the record at `rank`, to change in place (never in length).
  std::span<std::uint8_t> MutableBytes(std::size_t rank) {
    const Slot& slot = slots_[rank];
    return {Data() + slot.offset, slot.length};
  }
  void SetChild(std::size_t rank, PageNumber child) {
    slots_[rank].child = child;
  }

  // The position of the first record whose key is not below `key`
  // (size() when every key is below it).
  std::size_t LowerBound(std::span<const std::uint8_t> key) const;
  // The position of the first record whose key sorts after `key`.
  std::size_t UpperBound(std::span<const std::uint8_t> key) const;

  // Adds a copy of the record at its place in key order (after records with
  // an equal key) and returns its position. `record` may lie in this page.
  std::size_t Insert(RecordRef record);
  // Adds a copy of the record after the last one; it must not sort before
  // it.
  void Append(RecordRef record);
  // Adds a record after the last one from its first `shared` bytes, which
  // it has in common with the last record, and the rest; the caller has
  // checked that shared is at most the last record's length.
  void AppendShared(std::size_t shared, std::span<const std::uint8_t> rest,
                    std::uint16_t key_length);
  // Takes out the record at position `rank`.
  void EraseAt(std::size_t rank);
  // Moves the records from position `rank` on into the list returned.
  PageRecords SplitOff(std::size_t rank);
  // Room for `count` more records of `bytes` bytes in all.
  void Reserve(std::size_t count, std::size_t bytes);
  // Gives back the room beyond the records: what growing record by record
  // left over, and the bytes of erased records. For a page that is to stay
  // as it is for a while (a page cache counts what the records hold).
  void ShrinkToFit();

  // Visits the records in key order.
  template <typename Visit>
  void ForEach(const Visit& visit) const {
    for (std::size_t i = 0; i < slots_.size(); ++i) visit(At(i));
  }

  // The memory the records hold.
  std::size_t MemoryBytes() const {
    return bytes_.capacity() + slots_.capacity() * sizeof(Slot);
  }

 private:
  struct Slot {
    std::uint32_t offset;
    std::uint16_t length;
    std::uint16_t key_length;
    PageNumber child;
  };
  std::span<const std::uint8_t> KeyOf(const Slot& slot) const {
    return {Data() + slot.offset, slot.key_length};
  }
  Slot Store(RecordRef record);
  // Keeps the records of the first `keep` slots only, rewriting the byte
  // buffer without the bytes of the others and of erased records.
  void Compact(std::size_t keep);

  // The bytes of every record, erased ones included until a compaction:
  // a block of `capacity` bytes of which the first `size` are in use. It
  // grows without setting the new bytes, which are written right after
  // they are made, and moves its bytes with one copy.
  class Buffer {
   public:
    Buffer() = default;
    Buffer(const Buffer& other);
    Buffer& operator=(const Buffer& other);
    Buffer(Buffer&& other) noexcept;
    Buffer& operator=(Buffer&& other) noexcept;

    std::uint8_t* data() { return data_.get(); }
    const std::uint8_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    // Room for `capacity` bytes in all, keeping those in use.
    void reserve(std::size_t capacity);
    // Shrinks to `size` bytes, or grows to it within the capacity.
    void resize(std::size_t size) {
      assert(size <= capacity_);
      size_ = size;
    }

   private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
  };
  std::uint8_t* Data() { return bytes_.data(); }
  const std::uint8_t* Data() const { return bytes_.data(); }
  // Makes room for `length` more bytes and returns where they go; the
  // buffer grows at least twofold, so a page filled record by record
  // moves its bytes only a few times.
  std::uint8_t* Extend(std::size_t length);
  void RoomForSlot();

  Buffer bytes_;
  std::vector<Slot> slots_;
  std::size_t dead_bytes_ = 0;  // bytes of erased records still in bytes_
};

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_PAGE_RECORDS_H_
