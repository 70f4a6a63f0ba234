#include "runtime/data/queue/queue_compare.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "runtime/data/base/error_state.h"
#include "runtime/data/types/field_compare.h"
#include "runtime/data/types/field_type.h"

namespace vantrel {
namespace {

constexpr std::uint32_t kMaxRankBytes = 8;

bool IsSigned(FieldType type) {
  return type == FieldType::SHORT || type == FieldType::LONG;
}

}  // namespace

std::optional<KeyComparator> KeyComparator::Make(
    const QueueKey& key, const TypeDescriptor& descriptor,
    std::uint32_t record_length) {
  KeyComparator comparator;
  if (key.empty()) {
    comparator.prefix_length_ = record_length;
    comparator.key_length_ = record_length;
    return comparator;
  }
  std::size_t field_count = descriptor.FieldCount();
  for (int component : key.components()) {
    std::size_t number = static_cast<std::size_t>(std::abs(component));
    std::optional<FieldInfo> field;
    if (number <= field_count) field = descriptor.Field(number);
    if (!field || field->offset + std::uint64_t{field->size} > record_length) {
      PostError(kErrInvalidDescriptor);
      return std::nullopt;
    }
    field->dims.clear();  // an array key compares its first element
    std::uint32_t end = field->offset + field->size;
    comparator.prefix_length_ = std::max(comparator.prefix_length_, end);
    comparator.parts_.push_back(
        Part{std::move(*field), comparator.key_length_, component < 0});
    comparator.key_length_ += comparator.parts_.back().field.size;
  }
  comparator.has_rank_ = comparator.key_length_ <= kMaxRankBytes;
  for (const Part& part : comparator.parts_) {
    if (!IsIntegerKeyType(part.field.type)) comparator.has_rank_ = false;
  }
  // A field narrower than its type compares its bytes as they lie, which
  // is not the order of its value.
  comparator.compares_ranks_ = comparator.has_rank_;
  for (const Part& part : comparator.parts_) {
    if (part.field.size != FixedFieldSize(part.field.type)) {
      comparator.compares_ranks_ = false;
    }
  }
  return comparator;
}

int KeyComparator::ComparePart(const Part& part, const std::uint8_t* a,
                               const std::uint8_t* b) {
  int result = CompareFieldValues(part.field, a, b);
  return part.descending ? -result : result;
}

int KeyComparator::Compare(const std::uint8_t* a, const std::uint8_t* b) const {
  if (parts_.empty()) return std::memcmp(a, b, prefix_length_);
  if (compares_ranks_) {
    // Every keyed search compares this way, so whole integers skip the
    // general field comparison.
    const std::uint64_t x = Rank(a);
    const std::uint64_t y = Rank(b);
    return x < y ? -1 : (y < x ? 1 : 0);
  }
  for (const Part& part : parts_) {
    std::uint32_t at = part.field.offset;
    if (int result = ComparePart(part, a + at, b + at)) return result;
  }
  return 0;
}

std::uint64_t KeyComparator::Rank(const std::uint8_t* record) const {
  std::uint64_t rank = 0;
  for (const Part& part : parts_) {
    // Little-endian value; signed ones get their sign bit flipped so that
    // unsigned order is numeric order; descending ones are inverted.
    std::uint32_t bits = 8 * part.field.size;
    std::uint64_t value = 0;
    for (std::uint32_t i = 0; i < part.field.size; ++i) {
      value |= std::uint64_t{record[part.field.offset + i]} << (8 * i);
    }
    std::uint64_t mask =
        bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
    if (IsSigned(part.field.type)) value ^= std::uint64_t{1} << (bits - 1);
    if (part.descending) value = ~value & mask;
    rank = bits == 64 ? value : (rank << bits) | value;
  }
  return rank;
}

void KeyComparator::ExtractKey(const std::uint8_t* record,
                               std::uint8_t* key) const {
  if (parts_.empty()) {
    std::memcpy(key, record, key_length_);
    return;
  }
  for (const Part& part : parts_) {
    std::memcpy(key + part.key_offset, record + part.field.offset,
                part.field.size);
  }
}

int KeyComparator::CompareKeys(const std::uint8_t* a,
                               const std::uint8_t* b) const {
  if (parts_.empty()) return std::memcmp(a, b, key_length_);
  for (const Part& part : parts_) {
    std::uint32_t at = part.key_offset;
    if (int result = ComparePart(part, a + at, b + at)) return result;
  }
  return 0;
}

}  // namespace vantrel
