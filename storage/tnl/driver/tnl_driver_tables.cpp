// Whole-table operations: EMPTY.
#include "runtime/data/base/error_state.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {

// Every record of the table goes; the description and counters records are
// written afresh. The character tables (with the OEM flag) and the FLAGS
// word are kept: they describe how the table's strings are stored, not its
// contents.
DriverResult EmptyOp(TnlInstance& instance) {
  OpenTable& table = *instance.table;
  ReleaseHold(table);
  const int code = RunOnTable(table, Access::kChange, [&](BTree& tree) {
    const std::uint32_t t = table.number;
    const auto stream = ReadDescriptionStream(tree, t);
    const auto tables = tree.Find(CharTablesKey(t));
    const auto counters = ReadCountersOf(tree, t, kKindData);
    RemoveTableRecords(tree, t);
    const auto blocks = DescriptionBlocks(stream);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
      tree.Insert(MakeRecord(DescriptionKey(t, static_cast<std::uint16_t>(i)),
                             blocks[i]));
    }
    if (tables) tree.Insert(*tables);
    tree.Insert(
        CountersRecord(t, kKindData, 0, counters ? counters->flags : 0));
    for (std::size_t k = 0; k < table.description.keys.size(); ++k) {
      tree.Insert(CountersRecord(t, static_cast<std::uint8_t>(k), 0, 0));
    }
    return 0;
  });
  if (code == 0) {
    table.current = 0;
    table.position = {};
  }
  return {code};
}

}  // namespace vantrel
