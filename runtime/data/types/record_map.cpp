#include <algorithm>
#include <new>

#include "runtime/data/base/error_state.h"
#include "runtime/data/types/type_descriptor.h"

namespace vantrel {
namespace {

std::uint8_t KindOf(FieldType type) {
  switch (type) {
    case FieldType::CSTRING:
    case FieldType::PSTRING:
    case FieldType::GROUP:
      return static_cast<std::uint8_t>(type);
    default:
      return 0;
  }
}

}  // namespace

std::optional<RecordMap> RecordMap::Build(const TypeDescriptor& descriptor) {
  const std::optional<std::vector<FieldInfo>> fields = descriptor.Fields();
  if (!fields) return std::nullopt;
  const std::size_t count = fields->size() + 1;
  std::unique_ptr<RecordMapEntry[]> entries(new (std::nothrow)
                                                RecordMapEntry[count]);
  if (!entries) {
    PostError(kErrInsufficientMemory);
    return std::nullopt;
  }
  std::uint64_t covered = 0;  // end of the storage laid out so far
  for (std::size_t i = 0; i < fields->size(); ++i) {
    const FieldInfo& field = (*fields)[i];
    RecordMapEntry& entry = entries[i + 1];
    entry.offset = field.offset;
    entry.size = field.size;
    entry.element_count = field.ElementCount();
    entry.member_count = field.member_count;
    entry.kind = KindOf(field.type);
    if (field.offset < covered) entry.kind |= kOverlap;
    covered = std::max(covered, field.offset + field.Extent());
  }
  RecordMapEntry& header = entries[0];
  header.offset = 0;
  header.size = static_cast<std::uint32_t>(covered);
  header.element_count = 1;
  header.member_count = static_cast<std::uint32_t>(fields->size());
  header.kind = static_cast<std::uint8_t>(FieldType::GROUP);
  return RecordMap(std::move(entries), count);
}

}  // namespace vantrel
