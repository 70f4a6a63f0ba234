// How one operation of the native driver runs on a table's file, and how it
// ends.
#include "platform/posix/os_error.h"
#include "runtime/data/error_state.h"
#include "storage/tnl/file_locks.h"
#include "storage/tnl/internal_check.h"
#include "storage/tnl/record_kinds.h"
#include "storage/tnl/tnl_driver_internal.h"

namespace vantrel {
namespace {

int BeginOperation(OpenTable& table, Access access) {
  TnlFile& file = table.file();
  if (access == Access::kChange) {
    if (!table.shared->writable()) return kErrAccessDenied;
    file.SetReadingMode(false);
  } else if (!file.dirty()) {
    file.SetReadingMode(true);
  }
  switch (file.LoadHeader(LockWait::kWait)) {
    case kLoadOk:
      return 0;
    case kLoadLocked:
      return kErrAccessDenied;
    default:
      return kErrInvalidDataFile;
  }
}

}  // namespace

int FinishOperation(OpenTable& table) {
  TnlFile& file = table.file();
  const int error = file.Commit();
  file.EndOperation();
  if (error == 0) return 0;
  SetLastSystemError(error);
  return SystemFailureCode(table.message_name);
}

int RunOnTable(OpenTable& table, Access access,
               const std::function<int(BTree&)>& body) {
  int code = 0;
  const int check = RunOperation(table.message_name, [&] {
    code = BeginOperation(table, access);
    if (code != 0) return;
    BTree tree(table.file());
    code = body(tree);
    const int finished = FinishOperation(table);
    if (code == 0) code = finished;
  });
  if (check == 0) return code;
  table.failed_check = check;
  table.file().DiscardChanges();
  return kErrFileSystem;
}

void ReleaseHold(OpenTable& table) {
  if (!(table.bits & kTableHeld)) return;
  ReleaseNumberLock(*table.shared, table.current);
  table.bits &= ~kTableHeld;
}

void RemoveTableRecords(BTree& tree, std::uint32_t number) {
  const ByteString prefix = TablePrefix(number);
  for (;;) {
    const auto next = tree.FindFirstAtOrAbove(prefix);
    if (!next) return;
    const auto key = next->Key();
    if (key.size() < prefix.size() ||
        !std::equal(prefix.begin(), prefix.end(), key.begin())) {
      return;
    }
    const ByteString copy(key.begin(), key.end());
    tree.Remove(copy);
  }
}

}  // namespace vantrel
