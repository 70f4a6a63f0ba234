#include "runtime/data/types/type_descriptor.h"

#include <algorithm>
#include <limits>

#include "runtime/data/base/error_state.h"

namespace vantrel {
namespace {

// Walks a field list in order, placing each entry in the record. Group
// nesting is kept on an explicit stack so that hostile nesting depth cannot
// exhaust the call stack.
class FieldWalker {
 public:
  explicit FieldWalker(std::span<const std::uint8_t> bytes) : reader_(bytes) {
    levels_.push_back(Level{0, 0, std::numeric_limits<std::uint64_t>::max(),
                            kMaxRecordBytes});
  }

  // The next field, or false at the end of the list or on a malformed entry
  // (then failed() is true).
  bool Next(FieldInfo& field) {
    while (levels_.size() > 1 && levels_.back().remaining == 0) {
      levels_.pop_back();
    }
    const bool in_group = levels_.size() > 1;
    if (!in_group && reader_.AtEnd()) return false;
    if (!reader_.ReadEntry(field)) return false;
    if (field.type == FieldType::END) {
      // END closes the whole list; inside a group members are still owed.
      if (in_group) reader_.ReportMalformed();
      return false;
    }
    return Place(field);
  }

  bool failed() const { return reader_.failed(); }

 private:
  // One level of nesting: the record itself or an open group.
  struct Level {
    std::uint64_t base;       // offset of the group in the record
    std::uint64_t running;    // end of the storage laid out at this level
    std::uint64_t remaining;  // member entries still to come
    std::uint64_t limit;      // members must end within this (group size)
  };

  bool Place(FieldInfo& field) {
    Level& level = levels_.back();
    const std::uint64_t relative =
        field.HasExplicitOffset() ? field.offset : level.running;
    const std::uint64_t end = relative + field.Extent();
    // Members stay inside their group, so the elements of a dimensioned
    // group never overlap and walks over them stay bounded by the record.
    if (end > level.limit || level.base + end > kMaxRecordBytes) {
      reader_.ReportMalformed();
      return false;
    }
    field.offset = static_cast<std::uint32_t>(level.base + relative);
    field.depth = static_cast<std::uint32_t>(levels_.size() - 1);
    // A field laid over earlier ones never moves the running offset back.
    level.running = std::max(level.running, end);
    --level.remaining;
    if (field.type == FieldType::GROUP && field.member_count > 0) {
      levels_.push_back(Level{field.offset, 0, field.member_count, field.size});
    }
    return true;
  }

  DescriptorReader reader_;
  std::vector<Level> levels_;  // [0] the record, then the open groups
};

}  // namespace

std::optional<FieldInfo> TypeDescriptor::Field(std::size_t n) const {
  if (n == 0) return std::nullopt;
  FieldWalker walker(bytes_);
  FieldInfo field;
  for (std::size_t i = 1; walker.Next(field); ++i) {
    if (i == n) return field;
  }
  return std::nullopt;
}

std::size_t TypeDescriptor::FieldCount() const {
  if (!field_count_) {
    FieldWalker walker(bytes_);
    FieldInfo field;
    std::size_t count = 0;
    while (walker.Next(field)) ++count;
    field_count_ = count;
  }
  return *field_count_;
}

std::optional<std::vector<FieldInfo>> TypeDescriptor::Fields() const {
  FieldWalker walker(bytes_);
  std::vector<FieldInfo> fields;
  FieldInfo field;
  while (walker.Next(field)) fields.push_back(field);
  if (walker.failed()) return std::nullopt;
  if (!field_count_) field_count_ = fields.size();
  return fields;
}

}  // namespace vantrel
