// ADD and APPEND: the record buffer as a new record of the table.
#include "runtime/data/error_state.h"
#include "storage/tnl/record_kinds.h"
#include "storage/tnl/table_catalog.h"
#include "storage/tnl/tnl_driver_internal.h"

namespace vantrel {
namespace {

std::span<const std::uint8_t> RecordImage(const FileDeclaration& file) {
  return {reinterpret_cast<const std::uint8_t*>(file.record.data()),
          file.record.size()};
}

// True when a key without DUP already holds the entry `image` would make.
bool CollidesOnAdd(const OpenTable& table, BTree& tree,
                   std::span<const std::uint8_t> image) {
  const TableDescription& description = table.description;
  std::vector<std::uint8_t> stored(image.begin(), image.end());
  if (table.oem) ConvertRecordStrings(description, stored, true);
  for (std::size_t k = 0; k < description.keys.size(); ++k) {
    if (description.keys[k].flags & kDescribedDup) continue;
    const auto entry = BuildKeyEntry(table.number, static_cast<std::uint8_t>(k),
                                     description, stored, 0, table.Rules());
    if (entry && tree.Find(entry->Key())) return true;
  }
  return false;
}

}  // namespace

DriverResult AddRecordOp(TnlInstance& instance) {
  OpenTable& table = *instance.table;
  const auto image = RecordImage(instance.declaration);
  ReleaseHold(table);
  const int code = RunOnTable(table, Access::kChange, [&](BTree& tree) {
    if (!ReadCountersOf(tree, table.number, kKindData)) {
      return static_cast<int>(kErrAccessDenied);
    }
    const auto memos = ProgramMemos(instance);
    if (!memos) return static_cast<int>(kErrRecordLimit);
    if (CollidesOnAdd(table, tree, image)) {
      return static_cast<int>(kErrDuplicateKey);
    }
    table.current = AddDataRecord(table.file(), tree, table.number,
                                  table.description, image, table.Rules());
    WriteProgramMemos(table, tree, table.current, *memos);
    return 0;
  });
  return {code};
}

}  // namespace vantrel
