// Requests for the next fetch (HOLD, WATCH, NOMEMO), RELEASE, and the table
// lock (LOCK, UNLOCK).
#include <chrono>
#include <thread>

#include "runtime/data/base/error_state.h"
#include "storage/tnl/driver/tnl_driver_internal.h"

namespace vantrel {
namespace {

constexpr auto kLockRetryPause = std::chrono::milliseconds(10);

}  // namespace

DriverResult RequestOp(TnlInstance& instance, DriverOp op,
                       const DriverArgs& args) {
  OpenTable& table = *instance.table;
  switch (op) {
    case DriverOp::kHOLDfile:
      table.bits |= kTableHoldRequested;
      table.hold_wait = kHoldNoLimit;
      break;
    case DriverOp::kHOLDfilesec:
      table.bits |= kTableHoldRequested;
      table.hold_wait = args.seconds < 0 ? kHoldNoLimit : args.seconds;
      break;
    case DriverOp::kWATCH:
      table.bits |= kTableWatchRequested;
      break;
    case DriverOp::kNOMEMO:
      table.bits |= kTableNoMemoRequested;
      break;
    default:  // RELEASE
      ReleaseHold(table);
      break;
  }
  return {};
}

// LOCK waits for no one; LOCK with a time retries until that many seconds
// have passed (-1: for ever).
DriverResult LockOp(TnlInstance& instance, DriverOp op,
                    const DriverArgs& args) {
  OpenTable& table = *instance.table;
  if (table.locked) return {kErrFileLocked};
  const auto started = std::chrono::steady_clock::now();
  while (!TakeNumberLock(*table.shared, table.number)) {
    const bool waits = op == DriverOp::kLOCKfilesec;
    const bool timed_out =
        args.seconds >= 0 && std::chrono::steady_clock::now() - started >=
                                 std::chrono::seconds(args.seconds);
    if (!waits || timed_out) return {kErrFileLocked};
    std::this_thread::sleep_for(kLockRetryPause);
  }
  table.locked = true;
  return {};
}

DriverResult UnlockOp(TnlInstance& instance) {
  ReleaseTableLock(*instance.table);
  return {};
}

void ReleaseTableLock(OpenTable& table) {
  if (!table.locked) return;
  ReleaseNumberLock(*table.shared, table.number);
  table.locked = false;
}

}  // namespace vantrel
