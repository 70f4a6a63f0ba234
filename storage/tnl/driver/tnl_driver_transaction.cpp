// LOGOUT, COMMIT, ROLLBACK, FLUSH and STREAM of the native driver: the
// table's file in the process's transaction (transaction.h), and writing out
// what an operation left uncommitted.
//
// The process has one transaction. COMMIT or ROLLBACK through any FILE of it
// ends all of it; the same statement on its other FILEs then finds nothing
// left and only ends their LOGOUT. A failed internal check in an operation
// on a member file rolls the whole transaction back at once; its COMMIT
// then fails with 90 and that check (ROLLBACK ends it quietly), so no part
// commits alone.
//
// The runtime's state word refuses a second LOGOUT (56) and a COMMIT or
// ROLLBACK without LOGOUT before the driver is called, so these operations
// do not check for them again.
#include <chrono>
#include <thread>
#include <utility>

#include "os/posix/os_error.h"
#include "runtime/data/base/error_state.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/table/transaction.h"

namespace vantrel {
namespace {

// The check that made this process abandon its transaction, until the
// program's COMMIT or ROLLBACK ends it; 0 when none did.
int abandoned_check = 0;

// How often LOGOUT with a time limit tries the file's lock again.
constexpr auto kLogoutRetryPause = std::chrono::milliseconds(20);

// The file joins the transaction with its change begun and its writer byte
// held. Changes it deferred before are committed first: they were made
// outside the transaction and must not go with a ROLLBACK. With `seconds`
// above 0 the writer byte is waited for that long at most, then 5: two
// processes taking the same files in opposite orders would otherwise wait
// for each other for ever.
int Logout(OpenTable& table, std::int32_t seconds) {
  if (const int code = CommitDeferred(table); code != 0) return code;
  const auto join = [&](BTree&) {
    const int error = Transaction::OfProcess().Logout(table.file());
    return error == 0 ? 0 : static_cast<int>(kErrAccessDenied);
  };
  if (seconds <= 0 || !table.shared->writable()) {
    return RunOnTable(table, Access::kChange, join);
  }
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    const int code = RunOnTable(table, Access::kChange, join,
                                Ending::kAsUsual, LockWait::kNoWait);
    if (code != kErrAccessDenied ||
        std::chrono::steady_clock::now() >= deadline) {
      return code;
    }
    std::this_thread::sleep_for(kLogoutRetryPause);
  }
}

// Commits every file of the transaction together; a failure leaves each of
// them as it was before the transaction.
int Commit(OpenTable& table) {
  Transaction& transaction = Transaction::OfProcess();
  if (const int check = std::exchange(abandoned_check, 0); check != 0) {
    transaction.Rollback();  // files that joined since
    PostCheckFailure(check, table.message_name);
    return kErrFileSystem;
  }
  const int code = RunOnTable(table, Access::kRead, [&](BTree&) {
    const int error = transaction.Commit();
    if (error == 0) return 0;
    SetLastSystemError(error);
    return SystemFailureCode(table.message_name);
  });
  // An internal check stopped the commit half-way: nothing of it stands.
  if (!transaction.empty()) transaction.Rollback();
  return code;
}

}  // namespace

void AbandonTransaction(int check) {
  Transaction::OfProcess().Rollback();
  abandoned_check = check;
}

DriverResult TransactionOp(TnlInstance& instance, DriverOp op,
                           const DriverArgs& args) {
  OpenTable& table = *instance.table;
  switch (op) {
    case DriverOp::kLOGOUT:
      return {Logout(table, args.seconds)};
    case DriverOp::kCOMMIT:
      return {Commit(table)};
    case DriverOp::kROLLBACK:
      abandoned_check = 0;
      Transaction::OfProcess().Rollback();
      return {};
    case DriverOp::kFLUSH:
      // A member's changes wait for the transaction's COMMIT.
      if (table.file().in_transaction()) return {};
      return {RunOnTable(
          table, Access::kRead, [](BTree&) { return 0; }, Ending::kCommitNow)};
    default:
      // STREAM: the FILE's state word now defers this file's commits.
      return {};
  }
}

}  // namespace vantrel
