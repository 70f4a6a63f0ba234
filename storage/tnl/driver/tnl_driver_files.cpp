// REMOVE, RENAME and COPY of files and of single tables.
//
// A name without a "\!" selector names the whole file: the operating-system
// file is removed, renamed or copied. A name with one names a table:
//   REMOVE  takes the table and all its records out of its file;
//   COPY    writes a copy of the table into the target file (created when
//           missing) under the target's table name, replacing a table of
//           that name there;
//   RENAME  within one file renames the table (refused with 5 when the new
//           name is taken); into another file it copies the table and then
//           removes it from its old file: two commits, so a crash between
//           them leaves both copies rather than none.
// A copied table gets a table number and record numbers from its new file's
// counter, so that its holds never share a lock byte with another table's.
#include <algorithm>

#include "os/posix/file_names.h"
#include "runtime/data/base/byte_order.h"
#include "runtime/data/base/error_state.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {
namespace {

constexpr std::size_t kKindOffset = kTableNumberBytes;
constexpr std::size_t kRecordNumberOffset = kKindOffset + 1;

// Old record number -> new, ascending in both (numbers are issued in the
// order of the old ones, so key order is kept).
using NumberMap = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

std::optional<std::uint32_t> Renumber(const NumberMap& map,
                                      std::uint32_t old_number) {
  const auto at = std::lower_bound(
      map.begin(), map.end(), std::make_pair(old_number, std::uint32_t{0}));
  if (at == map.end() || at->first != old_number) return std::nullopt;
  return at->second;
}

bool HasPrefix(std::span<const std::uint8_t> key, const ByteString& prefix) {
  return key.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), key.begin());
}

// Calls `visit` with every record whose key begins with `prefix`, in order.
template <typename Visit>
void ForEachWithPrefix(BTree& tree, const ByteString& prefix, Visit visit) {
  for (auto r = tree.FindFirstAtOrAbove(prefix);
       r && HasPrefix(r->Key(), prefix);) {
    const ByteString key(r->Key().begin(), r->Key().end());
    visit(*r);
    r = tree.FindFirstGreater(key);
  }
}

bool ReplaceNumberAt(ByteString& bytes, std::size_t at, const NumberMap& map) {
  if (bytes.size() < at + kTableNumberBytes) return false;
  const auto renumbered = Renumber(map, LoadBe32(bytes.data() + at));
  if (!renumbered) return false;
  StoreBe32(bytes.data() + at, *renumbered);
  return true;
}

// Copies table `from_table` of `from` into `to` as table `name` (replacing
// one of that name). Both trees may be one.
class TableCopier {
 public:
  TableCopier(BTree& from, std::uint32_t from_table, TnlFile& to_file,
              BTree& to)
      : from_(from), from_table_(from_table), to_file_(to_file), to_(to) {}

  int CopyAs(const std::string& name) {
    const auto description =
        ReadDescription(ReadDescriptionStream(from_, from_table_));
    if (!description) return kErrInvalidRecordDeclaration;
    if (const auto old = FindTable(to_, name)) {
      if (*old == from_table_) return 0;  // a table copied onto itself
      RemoveTableRecords(to_, *old);
      to_.Remove(TableNameKey(name));
    }
    table_ = to_file_.IssueNumber();
    IssueRecordNumbers();
    dropped_.assign(description->keys.size(), 0);
    ForEachWithPrefix(from_, TablePrefix(from_table_),
                      [&](const PageRecord& r) {
                        if (auto copy = Copied(r, *description))
                          to_.Insert(std::move(*copy));
                      });
    FixKeyCounters();
    to_.Insert(TableNameRecord(name, table_));
    return 0;
  }

 private:
  void IssueRecordNumbers() {
    ByteString prefix = TablePrefix(from_table_);
    prefix.push_back(kKindData);
    ForEachWithPrefix(from_, prefix, [&](const PageRecord& r) {
      const auto key = r.Key();
      if (key.size() < kDataKeyLength) return;
      numbers_.push_back(
          {LoadBe32(key.data() + kRecordNumberOffset), to_file_.IssueNumber()});
    });
  }

  // The record under the new numbers; none for a key entry whose record is
  // gone (an INDEX key waiting for its build), which is counted.
  std::optional<PageRecord> Copied(const PageRecord& r,
                                   const TableDescription& description) {
    ByteString key(r.Key().begin(), r.Key().end());
    ByteString data(RecordData(r).begin(), RecordData(r).end());
    StoreBe32(key.data(), table_);
    const std::uint8_t kind = key[kKindOffset];
    if (kind == kKindData || kind == kKindMemo) {
      if (!ReplaceNumberAt(key, kRecordNumberOffset, numbers_)) {
        return std::nullopt;
      }
    } else if (kind == kKindCounters && key.size() == kCountersKeyLength &&
               key[kKindOffset + 1] < description.keys.size()) {
      RenumberPending(data);
    } else if (kind < description.keys.size()) {
      const bool dup = description.keys[kind].flags & kDescribedDup;
      if (!ReplaceNumberAt(data, 0, numbers_) ||
          (dup &&
           !ReplaceNumberAt(key, key.size() - kTableNumberBytes, numbers_))) {
        ++dropped_[kind];
        return std::nullopt;
      }
    }
    return MakeRecord(key, data);
  }

  // An INDEX key's pending number names the first record not yet looked
  // at: it becomes the new number of the first record from there on.
  void RenumberPending(ByteString& data) {
    if (data.size() < kCountersDataLength) return;
    const std::uint32_t pending = LoadLe32(data.data() + kTableNumberBytes);
    if (pending == 0) return;
    const auto at = std::lower_bound(numbers_.begin(), numbers_.end(),
                                     std::make_pair(pending, std::uint32_t{0}));
    StoreLe32(data.data() + kTableNumberBytes,
              at == numbers_.end() ? 0 : at->second);
  }

  void FixKeyCounters() {
    for (std::size_t k = 0; k < dropped_.size(); ++k) {
      if (dropped_[k] == 0) continue;
      const auto key = static_cast<std::uint8_t>(k);
      auto counters = ReadCountersOf(to_, table_, key);
      if (!counters) continue;
      counters->count -= std::min(counters->count, dropped_[k]);
      WriteCountersOf(to_, table_, key, *counters);
    }
  }

  BTree& from_;
  const std::uint32_t from_table_;
  TnlFile& to_file_;
  BTree& to_;
  std::uint32_t table_ = 0;
  NumberMap numbers_;
  std::vector<std::uint32_t> dropped_;  // per key
};

// Runs `body` with the source table's number on `source`'s tree and the
// target's tree, as one change of the target. When both are one file there
// is one operation; otherwise the source is read inside the target's
// change, and a failure there drops everything the target had done.
int WithSourceAndTarget(
    OpenTable& source, OpenTable& target,
    const std::function<int(BTree&, std::uint32_t, BTree&)>& body) {
  auto with_source = [&](BTree& from, BTree& to) {
    const auto number = FindTable(from, source.name.table);
    if (!number) return static_cast<int>(kErrFileNotFound);
    return body(from, *number, to);
  };
  if (source.shared == target.shared) {
    return RunOnTable(target, Access::kChange,
                      [&](BTree& tree) { return with_source(tree, tree); });
  }
  return RunOnTable(target, Access::kChange, [&](BTree& to) {
    const int code = RunOnTable(source, Access::kRead, [&](BTree& from) {
      return with_source(from, to);
    });
    if (code != 0) target.file().DiscardChanges();
    return code;
  });
}

int RemoveTable(OpenTable& table) {
  return RunOnTable(table, Access::kChange, [&](BTree& tree) {
    const auto number = FindTable(tree, table.name.table);
    if (!number) return static_cast<int>(kErrFileNotFound);
    RemoveTableRecords(tree, *number);
    tree.Remove(TableNameKey(table.name.table));
    return 0;
  });
}

int RenameWithinFile(OpenTable& table, const std::string& new_name) {
  return RunOnTable(table, Access::kChange, [&](BTree& tree) {
    const auto number = FindTable(tree, table.name.table);
    if (!number) return static_cast<int>(kErrFileNotFound);
    if (new_name == table.name.table) return 0;
    if (FindTable(tree, new_name)) return static_cast<int>(kErrAccessDenied);
    tree.Remove(TableNameKey(table.name.table));
    tree.Insert(TableNameRecord(new_name, *number));
    return 0;
  });
}

int WholeFile(DriverOp op, const TableName& from, const TableName& to) {
  bool done = false;
  switch (op) {
    case DriverOp::kREMOVE:
      done = RemoveFile(from.path);
      break;
    case DriverOp::kRENAME:
      done = RenameFile(from.path, to.path);
      break;
    default:
      done = CopyFile(from.path, to.path);
      break;
  }
  return done ? 0 : SystemFailureCode(from.path);
}

}  // namespace

DriverResult RemoveOp(TnlInstance& instance) {
  const TableName name = SplitTableName(instance.declaration.name);
  if (name.path.empty()) return {kErrInvalidFilename};
  if (!name.selected) return {WholeFile(DriverOp::kREMOVE, name, name)};
  auto started = StartTableOn(name, kOpenReadWriteShared, instance.Password());
  if (!started.ok()) return {started.code()};
  return {RemoveTable(*started.value())};
}

DriverResult RenameOp(TnlInstance& instance, DriverOp op, DriverArgs& args) {
  const TableName from = SplitTableName(instance.declaration.name);
  const TableName to = SplitTableName(args.text);
  if (from.path.empty() || to.path.empty()) return {kErrInvalidFilename};
  if (!from.selected && !to.selected) return {WholeFile(op, from, to)};
  // A source that is also the target is written to.
  const bool writes_source = op == DriverOp::kRENAME ||
                             FileIdentity(from.path) == FileIdentity(to.path);
  auto started_source =
      StartTableOn(from, writes_source ? kOpenReadWriteShared : kOpenReadShared,
                   instance.Password());
  if (!started_source.ok()) return {started_source.code()};
  auto started_target =
      StartTableOn(to, kOpenReadWriteShared | kOpenCreate, instance.Password());
  if (!started_target.ok()) return {started_target.code()};
  OpenTable& source = *started_source.value();
  OpenTable& target = *started_target.value();
  if (op == DriverOp::kRENAME && source.shared == target.shared) {
    return {RenameWithinFile(source, to.table)};
  }
  int code = WithSourceAndTarget(
      source, target,
      [&](BTree& from_tree, std::uint32_t number, BTree& to_tree) {
        return TableCopier(from_tree, number, target.file(), to_tree)
            .CopyAs(to.table);
      });
  if (code == 0 && op == DriverOp::kRENAME) code = RemoveTable(source);
  return {code};
}

}  // namespace vantrel
