// Fetching a record into the record buffer, with the hold, watch and NOMEMO
// requests of the table.
#include <chrono>
#include <cstring>
#include <thread>

#include "runtime/data/error_state.h"
#include "storage/tnl/file_locks.h"
#include "storage/tnl/record_kinds.h"
#include "storage/tnl/table_catalog.h"
#include "storage/tnl/tnl_driver_internal.h"

namespace vantrel {
namespace {

constexpr auto kHoldRetryPause = std::chrono::milliseconds(10);
constexpr std::uint32_t kRequestBits =
    kTableHoldRequested | kTableWatchRequested | kTableNoMemoRequested;

// Copies a stored data record into the record buffer (from the OEM code
// page when the table keeps it); bytes the stored record lacks are zero.
void CopyToBuffer(const OpenTable& table, std::span<const std::uint8_t> data,
                  FileDeclaration& file) {
  std::span<char> buffer = file.record;
  const std::size_t n = std::min(buffer.size(), data.size());
  std::memcpy(buffer.data(), data.data(), n);
  std::memset(buffer.data() + n, 0, buffer.size() - n);
  if (table.oem) {
    ConvertRecordStrings(
        table.description,
        {reinterpret_cast<std::uint8_t*>(buffer.data()), buffer.size()}, false);
  }
}

}  // namespace

int FetchRecord(TnlInstance& instance, BTree& tree, std::uint32_t number) {
  OpenTable& table = *instance.table;
  File* file = table.file().channel().file();
  const bool hold = (table.bits & kTableHoldRequested) != 0;
  // Holding the current record again needs no second lock.
  const bool already_held =
      (table.bits & kTableHeld) && table.current == number;
  if (hold && !already_held &&
      !file->LockByte(HoldPosition(number), LockWait::kNoWait)) {
    return kErrRecordHeld;
  }
  const auto found = tree.Find(DataKey(table.number, number));
  if (!found) {
    if (hold && !already_held) file->UnlockByte(HoldPosition(number));
    return kErrRecordNotFound;
  }
  if (!already_held) ReleaseHold(table);
  CopyToBuffer(table, RecordData(*found), instance.declaration);
  table.current = number;
  if (hold) table.bits |= kTableHeld;
  table.bits &= ~(kTableWatched | kTableMemosUnread);
  if (table.bits & kTableWatchRequested) {
    table.bits |= kTableWatched;
    const auto data = RecordData(*found);
    table.watched_copy.assign(data.begin(), data.end());
  }
  if (table.bits & kTableNoMemoRequested) table.bits |= kTableMemosUnread;
  table.bits &= ~kRequestBits;
  return 0;
}

int RetryWhileHeld(OpenTable& table, const std::function<int()>& attempt) {
  const auto started = std::chrono::steady_clock::now();
  for (;;) {
    const int code = attempt();
    if (code != kErrRecordHeld) return code;
    const bool limited = table.hold_wait != kHoldNoLimit;
    if (limited && std::chrono::steady_clock::now() - started >=
                       std::chrono::seconds(table.hold_wait)) {
      table.bits &= ~kRequestBits;
      return code;
    }
    std::this_thread::sleep_for(kHoldRetryPause);
  }
}

DriverResult GetByPointerOp(TnlInstance& instance, DriverArgs& args) {
  OpenTable& table = *instance.table;
  if (args.pointer <= 0 || args.pointer > 0xFFFFFFFF) {
    table.bits &= ~kRequestBits;
    return {kErrRecordNotFound};
  }
  const auto number = static_cast<std::uint32_t>(args.pointer);
  const int code = RetryWhileHeld(table, [&] {
    return RunOnTable(table, Access::kRead, [&](BTree& tree) {
      return FetchRecord(instance, tree, number);
    });
  });
  if (code != 0) table.bits &= ~kRequestBits;
  return {code};
}

}  // namespace vantrel
