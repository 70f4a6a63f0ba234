// The driver's service and query operations: NAME, BYTES, POINTER,
// RECORDS, CLEAR.
#include "runtime/data/base/error_state.h"
#include "runtime/data/types/record_clear.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/format/record_kinds.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {

DriverResult NameOp(TnlInstance& instance, DriverArgs& args) {
  args.result_text =
      instance.table ? instance.table->message_name : instance.declaration.name;
  return {};
}

// The size of the table's file in bytes.
DriverResult BytesOp(TnlInstance& instance) {
  File* file = instance.table->file().channel().file();
  const std::int64_t size = file ? file->Size() : -1;
  if (size < 0) return {SystemFailureCode(instance.table->message_name)};
  return {0, size};
}

DriverResult PointerOp(TnlInstance& instance) {
  return {0, instance.table->current};
}

// The entry count of the data records (no key) or of the key.
DriverResult RecordsOp(TnlInstance& instance, const KeyDeclaration* key) {
  OpenTable& table = *instance.table;
  std::uint8_t counted = kKindData;
  if (key != nullptr) {
    const int number = instance.declaration.KeyNumber(*key);
    if (number == 0) return {kErrInvalidKeyFile};
    counted = static_cast<std::uint8_t>(number - 1);
  }
  std::int64_t count = 0;
  const int code = RunOnTable(table, Access::kRead, [&](BTree& tree) {
    const auto counters = ReadCountersOf(tree, table.number, counted);
    if (!counters) return static_cast<int>(kErrAccessDenied);
    count = counters->count;
    return 0;
  });
  return {code, count};
}

DriverResult ClearOp(TnlInstance& instance) {
  FileDeclaration& file = instance.declaration;
  if (!ClearRecord(file.descriptor,
                   {reinterpret_cast<std::uint8_t*>(file.record.data()),
                    file.record.size()})) {
    return {kErrInvalidDescriptor};
  }
  ClearMemos(instance);
  return {};
}

}  // namespace vantrel
