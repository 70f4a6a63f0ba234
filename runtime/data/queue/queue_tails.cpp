#include "runtime/data/queue/queue_tails.h"

#include <cstring>
#include <limits>

#include "runtime/data/types/field_type.h"

namespace vantrel {
namespace {

constexpr std::uint8_t kKindMask =
    static_cast<std::uint8_t>(~RecordMap::kOverlap);

void NormaliseValue(std::uint8_t kind, std::uint8_t* value,
                    std::uint32_t size) {
  if (kind == static_cast<std::uint8_t>(FieldType::CSTRING)) {
    auto* end = static_cast<std::uint8_t*>(std::memchr(value, 0, size));
    if (end != nullptr) std::memset(end, 0, size - (end - value));
  } else if (kind == static_cast<std::uint8_t>(FieldType::PSTRING)) {
    // Byte 0 is the length; the characters follow it.
    std::uint32_t length = value[0];
    if (length > 0 && length + 1 < size) {
      std::memset(value + length + 1, value[length], size - length - 1);
    }
  }
}

// Walks `count` sibling rows from `row` on, each `shift` bytes further into
// the record than the map says (the element of an enclosing array), and
// returns the row after them and their members. `apply` false only skips.
class TailWalker {
 public:
  TailWalker(std::span<const RecordMapEntry> rows,
             std::span<std::uint8_t> record)
      : rows_(rows), record_(record) {}

  std::size_t Siblings(std::size_t row, std::size_t count, std::uint64_t shift,
                       bool apply) {
    for (std::size_t done = 0; done < count && row < rows_.size(); ++done) {
      const RecordMapEntry& entry = rows_[row];
      std::uint8_t kind = entry.kind & kKindMask;
      // Elements beyond the first of a zero-size field hold nothing.
      std::uint32_t elements = entry.size == 0 ? 1 : entry.element_count;
      if (kind == static_cast<std::uint8_t>(FieldType::GROUP)) {
        std::size_t next = Siblings(row + 1, entry.member_count, 0, false);
        for (std::uint32_t e = 0; apply && e < elements; ++e) {
          Siblings(row + 1, entry.member_count,
                   shift + std::uint64_t{e} * entry.size, true);
        }
        row = next;
        continue;
      }
      for (std::uint32_t e = 0; apply && kind != 0 && e < elements; ++e) {
        std::uint64_t at = entry.offset + shift + std::uint64_t{e} * entry.size;
        if (at + entry.size > record_.size()) break;
        NormaliseValue(kind, record_.data() + at, entry.size);
      }
      ++row;
    }
    return row;
  }

 private:
  std::span<const RecordMapEntry> rows_;
  std::span<std::uint8_t> record_;
};

}  // namespace

void NormaliseStringTails(const RecordMap& map,
                          std::span<std::uint8_t> record) {
  TailWalker walker(map.entries(), record);
  walker.Siblings(1, std::numeric_limits<std::size_t>::max(), 0, true);
}

}  // namespace vantrel
