// Fetching a record into the record buffer, with the hold, watch and NOMEMO
// requests of the table.
#include <chrono>
#include <cstring>
#include <thread>

#include "runtime/data/base/byte_order.h"
#include "runtime/data/base/error_state.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/format/record_kinds.h"
#include "storage/tnl/pager/file_locks.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {
namespace {

constexpr auto kHoldRetryPause = std::chrono::milliseconds(10);

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

// The record number that key `key`'s entry for the record buffer names:
// the equal entry of a key without DUP; in a DUP key the first entry of
// that value. None when there is none (or the buffer has no entry in an
// OPT key).
std::optional<std::uint32_t> FindByKey(const TnlInstance& instance, BTree& tree,
                                       std::uint8_t key) {
  const OpenTable& table = *instance.table;
  // Only a table kept in the OEM set stores other bytes than the buffer's.
  ByteString converted;
  std::span<const std::uint8_t> image = RecordImage(instance.declaration);
  if (table.oem) {
    converted = StoredImage(table, instance.declaration);
    image = converted;
  }
  const auto entry = BuildKeyEntry(table.number, key, table.description, image,
                                   0, table.Rules());
  if (!entry) return std::nullopt;
  const auto wanted = entry->Key();
  if (!(table.description.keys[key].flags & kDescribedDup)) {
    const auto found = tree.FindView(wanted);
    if (!found) return std::nullopt;
    return ReadBe32(RecordData(*found));
  }
  // The entry built with record number 0 sorts before every entry of its
  // value; the first one after it must have the same value.
  const auto found = tree.FindFirstGreaterView(wanted);
  const std::size_t value_end = wanted.size() - kTableNumberBytes;
  if (!found || found->Key().size() != wanted.size() ||
      !std::equal(wanted.begin(), wanted.begin() + value_end,
                  found->Key().begin())) {
    return std::nullopt;
  }
  return ReadBe32(RecordData(*found));
}

// Fetches record `number` (none: not found) with the hold retries.
DriverResult FetchWithRetries(
    TnlInstance& instance,
    FunctionRef<std::optional<std::uint32_t>(BTree&)> locate) {
  OpenTable& table = *instance.table;
  // Without a hold the fetch changes nothing before its last page read.
  const Access access =
      (table.bits & kTableHoldRequested) ? Access::kRead : Access::kLookup;
  const int code = RetryWhileHeld(table, [&] {
    return RunOnTable(table, access, [&](BTree& tree) {
      const auto number = locate(tree);
      if (!number) return static_cast<int>(kErrRecordNotFound);
      return FetchRecord(instance, tree, *number);
    });
  });
  if (code != 0) table.bits &= ~kTableFetchRequests;
  return {code};
}

}  // namespace

ByteString StoredImage(const OpenTable& table, const FileDeclaration& file) {
  // As bytes, so the copy is one block move rather than a conversion of
  // each character.
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(file.record.data());
  ByteString image(bytes, bytes + file.record.size());
  if (table.oem) ConvertRecordStrings(table.description, image, true);
  return image;
}

int KeyIndex(const TnlInstance& instance, const KeyDeclaration* key) {
  const int number = key == nullptr ? 0 : instance.declaration.KeyNumber(*key);
  if (number == 0 ||
      number > static_cast<int>(instance.table->description.keys.size())) {
    return -1;
  }
  return number - 1;
}

int FetchRecord(TnlInstance& instance, BTree& tree, std::uint32_t number,
                std::optional<std::span<const std::uint8_t>> image) {
  OpenTable& table = *instance.table;
  const bool hold = (table.bits & kTableHoldRequested) != 0;
  // Holding the current record again needs no second lock.
  const bool already_held =
      (table.bits & kTableHeld) && table.current == number;
  if (hold && !already_held && !TakeNumberLock(*table.shared, number)) {
    return kErrRecordHeld;
  }
  std::optional<RecordRef> found;
  if (!image) {
    found = tree.FindView(DataKeyOf(table.number, number));
    if (!found) {
      if (hold && !already_held) ReleaseNumberLock(*table.shared, number);
      return kErrRecordNotFound;
    }
    image = RecordData(*found);
  }
  // A fetch ends the hold on the record before, unless it holds it again.
  std::optional<std::vector<ByteString>> memos;
  if (!(table.bits & kTableNoMemoRequested)) {
    memos = ReadMemosIntoBuffers(instance, tree, number);
    if (!memos) {
      if (hold && !already_held) ReleaseNumberLock(*table.shared, number);
      return kErrInvalidMemoFile;
    }
  }
  if (!(hold && already_held)) ReleaseHold(table);
  CopyToBuffer(table, *image, instance.declaration);
  table.current = number;
  if (hold) table.bits |= kTableHeld;
  table.bits &= ~(kTableWatched | kTableMemosUnread);
  if (table.bits & kTableWatchRequested) {
    table.bits |= kTableWatched;
    table.watched_copy.assign(image->begin(), image->end());
    table.watched_memos = memos;
  }
  if (!memos) table.bits |= kTableMemosUnread;
  table.bits &= ~kTableFetchRequests;
  return 0;
}

int RetryWhileHeld(OpenTable& table, FunctionRef<int()> attempt) {
  // The clock is read once a first attempt has found the record held.
  std::optional<std::chrono::steady_clock::time_point> started;
  for (;;) {
    const int code = attempt();
    if (code != kErrRecordHeld) return code;
    if (!started) started = std::chrono::steady_clock::now();
    const bool limited = table.hold_wait != kHoldNoLimit;
    if (limited && std::chrono::steady_clock::now() - *started >=
                       std::chrono::seconds(table.hold_wait)) {
      table.bits &= ~kTableFetchRequests;
      return code;
    }
    std::this_thread::sleep_for(kHoldRetryPause);
  }
}

DriverResult GetByPointerOp(TnlInstance& instance, DriverArgs& args) {
  const std::int64_t pointer = args.pointer;
  return FetchWithRetries(instance,
                          [&](BTree&) -> std::optional<std::uint32_t> {
                            if (pointer <= 0 || pointer > kLastIssuableNumber)
                              return std::nullopt;
                            return static_cast<std::uint32_t>(pointer);
                          });
}

DriverResult GetByKeyOp(TnlInstance& instance, DriverArgs& args) {
  const int key = KeyIndex(instance, args.key);
  if (key < 0) return {kErrInvalidKeyFile};
  return FetchWithRetries(instance, [&](BTree& tree) {
    return FindByKey(instance, tree, static_cast<std::uint8_t>(key));
  });
}

DriverResult QueryKeyOp(TnlInstance& instance, const KeyDeclaration* key) {
  const int k = KeyIndex(instance, key);
  if (k < 0) return {kErrInvalidKeyFile};
  OpenTable& table = *instance.table;
  bool found = false;
  const int code = RunOnTable(table, Access::kLookup, [&](BTree& tree) {
    const auto number = FindByKey(instance, tree, static_cast<std::uint8_t>(k));
    found = number && tree.FindView(DataKeyOf(table.number, *number));
    return 0;
  });
  return {code, found ? 1 : 0};
}

// The position's first four bytes are the record number (big-endian).
DriverResult RegetOp(TnlInstance& instance, DriverArgs& args) {
  if (args.text.size() < kTableNumberBytes) return {kErrRecordNotFound};
  const std::uint32_t number =
      ReadBe32({reinterpret_cast<const std::uint8_t*>(args.text.data()),
                kTableNumberBytes});
  return FetchWithRetries(instance,
                          [&](BTree&) -> std::optional<std::uint32_t> {
                            if (number == 0) return std::nullopt;
                            return number;
                          });
}

}  // namespace vantrel
