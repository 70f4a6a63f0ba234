// PUT, DELETE and DUPLICATE: changing and deleting the current record with
// its key entries and memos kept in step.
#include "runtime/data/base/error_state.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/format/record_kinds.h"
#include "storage/tnl/table/key_maintenance.h"
#include "storage/tnl/table/memo_store.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {
namespace {

// Keeps every key in step with record `number` going from `old_image` to
// `new_image` (either none). Collisions are looked for before any key is
// touched, so a change refused with 40 leaves every key as it was.
int MaintainTableKeys(OpenTable& table, BTree& tree,
                      const std::optional<ByteString>& new_image,
                      const std::optional<ByteString>& old_image,
                      std::uint32_t number) {
  const std::vector<KeyUse> uses = KeyUsesOf(table.key_flags);
  const TableKeys keys{table.number, &table.description, uses, table.Rules()};
  const auto image = [](const std::optional<ByteString>& bytes) {
    return bytes ? OptionalImage(*bytes) : std::nullopt;
  };
  return MaintainKeys(tree, keys, image(new_image), image(old_image), number);
}

std::optional<ByteString> StoredRecord(const OpenTable& table, BTree& tree,
                                       std::uint32_t number) {
  const auto found = tree.Find(DataKey(table.number, number));
  if (!found) return std::nullopt;
  const auto data = RecordData(*found);
  return ByteString(data.begin(), data.end());
}

// Takes the record lock of `number` unless this table holds it; false when
// another table or process has it. `taken` says whether it must be given
// back.
bool LockRecord(OpenTable& table, std::uint32_t number, bool& taken) {
  taken = false;
  if ((table.bits & kTableHeld) && table.current == number) return true;
  taken = TakeNumberLock(*table.shared, number);
  return taken;
}

int ChangeRecord(TnlInstance& instance, BTree& tree, std::uint32_t number,
                 const ProgramMemoContents& memos) {
  OpenTable& table = *instance.table;
  const auto stored = StoredRecord(table, tree, number);
  if (!stored) return kErrRecordNotAvailable;
  if (table.bits & kTableWatched) {
    const bool memos_changed =
        table.watched_memos &&
        !StoredMemosEqual(tree, table.number, number, table.description,
                          *table.watched_memos, table.oem);
    if (*stored != table.watched_copy || memos_changed) {
      return kErrRecordChanged;
    }
  }
  const ByteString image = StoredImage(table, instance.declaration);
  if (image != *stored) {
    if (const int code = MaintainTableKeys(table, tree, image, stored, number);
        code != 0) {
      return code;
    }
    tree.Remove(DataKey(table.number, number));
    tree.Insert(MakeRecord(DataKey(table.number, number), image));
  }
  if (!(table.bits & kTableMemosUnread)) {
    WriteProgramMemos(table, tree, number, memos);
  }
  return 0;
}

}  // namespace

DriverResult PutRecordOp(TnlInstance& instance, DriverArgs& args) {
  OpenTable& table = *instance.table;
  const std::uint32_t number =
      args.pointer > 0 && args.pointer <= kLastIssuableNumber
          ? static_cast<std::uint32_t>(args.pointer)
          : table.current;
  if (number == 0) return {kErrRecordNotAvailable};
  const auto memos = ProgramMemos(instance);
  if (!memos) return {kErrRecordLimit};
  bool taken = false;
  if (!LockRecord(table, number, taken)) return {kErrAccessDenied};
  const int code = RunOnTable(table, Access::kChange, [&](BTree& tree) {
    return ChangeRecord(instance, tree, number, *memos);
  });
  if (taken) ReleaseNumberLock(*table.shared, number);
  if (code == 0) {
    table.current = number;
    ReleaseHold(table);
    table.bits &= ~kTableWatched;
  }
  return {code};
}

DriverResult DeleteRecordOp(TnlInstance& instance) {
  OpenTable& table = *instance.table;
  const std::uint32_t number = table.current;
  bool taken = false;
  if (number == 0 || !LockRecord(table, number, taken)) {
    return {kErrRecordNotAvailable};
  }
  const int code = RunOnTable(table, Access::kChange, [&](BTree& tree) {
    const auto stored = StoredRecord(table, tree, number);
    if (!stored) return static_cast<int>(kErrRecordNotAvailable);
    tree.Remove(DataKey(table.number, number));
    MaintainTableKeys(table, tree, std::nullopt, stored, number);
    auto counters =
        ReadCountersOf(tree, table.number, kKindData).value_or(Counters{});
    if (counters.count > 0) --counters.count;
    WriteCountersOf(tree, table.number, kKindData, counters);
    RemoveRecordMemos(tree, table.number, number);
    return 0;
  });
  if (taken) ReleaseNumberLock(*table.shared, number);
  if (code == 0) {
    ReleaseHold(table);
    table.current = 0;
    table.bits &= ~kTableWatched;
  }
  return {code};
}

// Value 1 when the record buffer would collide with another record's entry
// in the given key, or in any key; the current record's own entries do not
// count.
DriverResult DuplicateOp(TnlInstance& instance, const KeyDeclaration* key) {
  OpenTable& table = *instance.table;
  int only = -1;
  if (key != nullptr) {
    only = KeyIndex(instance, key);
    if (only < 0) return {kErrInvalidKeyFile};
  }
  const auto image = RecordImage(instance.declaration);
  const std::optional<std::uint32_t> current =
      table.current != 0 ? std::optional(table.current) : std::nullopt;
  bool duplicate = false;
  const int code = RunOnTable(table, Access::kRead, [&](BTree& tree) {
    const std::vector<KeyUse> uses = KeyUsesOf(table.key_flags);
    const TableKeys keys{table.number, &table.description, uses, table.Rules()};
    duplicate = only >= 0
                    ? CollidesInKey(tree, keys, static_cast<std::uint8_t>(only),
                                    image, current)
                    : CollidesInAnyKey(tree, keys, image, current);
    return 0;
  });
  return {code, duplicate ? 1 : 0};
}

}  // namespace vantrel
