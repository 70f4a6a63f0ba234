// ADD and APPEND: the record buffer as a new record of the table.
#include "runtime/data/base/error_state.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/table/key_maintenance.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {

std::span<const std::uint8_t> RecordImage(const FileDeclaration& file) {
  return {reinterpret_cast<const std::uint8_t*>(file.record.data()),
          file.record.size()};
}

DriverResult AddRecordOp(TnlInstance& instance) {
  OpenTable& table = *instance.table;
  const auto image = RecordImage(instance.declaration);
  ReleaseHold(table);
  const int code = RunOnTable(table, Access::kChange, [&](BTree& tree) {
    const auto memos = ProgramMemos(instance);
    if (!memos) return static_cast<int>(kErrRecordLimit);
    const std::vector<KeyUse> uses = KeyUsesOf(table.key_flags);
    const TableKeys keys{table.number, &table.description, uses, table.Rules()};
    const AddedRecord added = AddDataRecord(table.file(), tree, keys, image);
    if (added.error != kErrNone) return added.error;
    table.current = added.number;
    WriteProgramMemos(table, tree, table.current, *memos);
    return 0;
  });
  return {code};
}

}  // namespace vantrel
