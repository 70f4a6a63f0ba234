// How one operation of the native driver runs on a table's file, and how it
// ends.
#include "os/posix/os_error.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_state_table.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/format/record_kinds.h"
#include "storage/tnl/pager/file_locks.h"

namespace vantrel {
namespace {

// Under STREAM a commit waits while fewer pages than this are dirty and
// fewer operations than this have been deferred.
constexpr std::size_t kStreamDirtyPages = 40;
constexpr int kStreamDeferredOperations = 5000;

int BeginOperation(OpenTable& table, Access access, LockWait wait,
                   bool unlocked) {
  TnlFile& file = table.file();
  if (access == Access::kChange) {
    if (!table.shared->writable()) return kErrAccessDenied;
    file.SetReadingMode(false);
  } else if (!file.dirty() && !file.in_change()) {
    // A file with a begun change or uncommitted pages stays in writing
    // mode: its writer byte is what keeps other writers out meanwhile.
    file.SetReadingMode(true);
  }
  if (access == Access::kLookup && unlocked) file.AllowUnlockedRead();
  switch (file.LoadHeader(wait)) {
    case kLoadOk:
      return 0;
    case kLoadLocked:
      file.EndOperation();
      return kErrAccessDenied;
    default:
      return kErrInvalidDataFile;
  }
}

// Whether the changes of the operation now ending may wait for a later
// commit: while the FILE builds, and under STREAM until the dirty pages or
// the deferred operations reach their bounds.
bool DefersCommit(const OpenTable& table) {
  const TnlFile& file = table.shared->file;
  if (table.file_state == nullptr || !file.dirty()) return false;
  const std::uint32_t state = *table.file_state;
  if (state & kStateBuilding) return true;
  return (state & kStateStream) && file.dirty_pages() < kStreamDirtyPages &&
         file.deferred_operations() < kStreamDeferredOperations;
}

}  // namespace

int FinishOperation(OpenTable& table, Ending ending) {
  TnlFile& file = table.file();
  // The transaction's COMMIT writes a member's changes.
  if (file.in_transaction()) {
    file.EndOperation();
    return 0;
  }
  if (ending == Ending::kAsUsual && DefersCommit(table)) {
    file.NoteDeferredOperation();
    file.EndOperation();
    return 0;
  }
  const int error = file.in_change() ? file.EndChange() : file.Commit();
  file.EndOperation();
  if (error == 0) return 0;
  SetLastSystemError(error);
  return SystemFailureCode(table.message_name);
}

int RunOnTable(OpenTable& table, Access access, FunctionRef<int(BTree&)> body,
               Ending ending, LockWait wait) {
  int code = 0;
  int check = 0;
  for (bool unlocked = access == Access::kLookup;; unlocked = false) {
    try {
      check = RunOperation(table.message_name, [&] {
        code = BeginOperation(table, access, wait, unlocked);
        if (code != 0) return;
        BTree tree(table.file());
        code = body(tree);
        const int finished = FinishOperation(table, ending);
        if (code == 0) code = finished;
      });
      break;
    } catch (const UnlockedReadOutdated&) {
      // Another process committed while the lookup went without its lock:
      // once more under the lock, which takes that commit in.
      table.file().EndOperation();
    }
  }
  if (check == 0) return code;
  table.failed_check = check;
  if (table.file().in_transaction()) {
    // The file's part of the transaction is lost with the operation: none
    // of the transaction may commit.
    AbandonTransaction(check);
  } else {
    table.file().DiscardChanges();
  }
  return kErrFileSystem;
}

int CommitDeferred(OpenTable& table) {
  const TnlFile& file = table.shared->file;
  if (!file.dirty() || file.in_transaction()) return 0;
  return RunOnTable(
      table, Access::kRead, [](BTree&) { return 0; }, Ending::kCommitNow);
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
