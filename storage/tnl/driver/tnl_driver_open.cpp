// OPEN, SHARE, CREATE and CLOSE of a native table.
#include "os/posix/file.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/text/locale.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/pager/file_locks.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {
namespace {

// CREATE opens the file for reading and writing, shared with others for
// both, and makes it when it is missing.
constexpr unsigned kCreateOpenMode = kOpenReadWriteShared | kOpenCreate;

ValueOrCode<std::unique_ptr<OpenTable>> StartTable(TnlInstance& instance,
                                                   unsigned mode) {
  return StartTableOn(SplitTableName(instance.declaration.name), mode,
                      instance.Password());
}

// Takes the table's description from the declaration (compared with the
// stored one) or, for a FILE without a record, declares it from the file.
int TakeDescription(TnlInstance& instance, OpenTable& table, BTree& tree) {
  const auto stream = ReadDescriptionStream(tree, table.number);
  if (instance.declared) {
    if (CompareDescription(*instance.declared, stream) ==
        DescriptionMatch::kStructural) {
      return kErrInvalidRecordDeclaration;
    }
    table.description = *instance.declared;
  } else {
    auto stored = ReadDescription(stream);
    if (!stored || !instance.DeclareFromFile(*stored)) {
      return kErrInvalidRecordDeclaration;
    }
    table.description = std::move(*stored);
  }
  // The key flags come from the FILE's declaration: a program declaration
  // says which keys are INDEX keys, which the description cannot; a FILE
  // declared from the file makes every key a KEY.
  table.key_flags.clear();
  for (const KeyDeclaration& key : instance.declaration.keys) {
    table.key_flags.push_back(key.flags);
  }
  return 0;
}

}  // namespace

ValueOrCode<std::unique_ptr<OpenTable>> StartTableOn(
    const TableName& name, unsigned mode, std::string_view password) {
  if (name.path.empty()) return FailureCode{kErrInvalidFilename};
  auto acquired = AcquireFile(name.path, mode, password);
  if (!acquired.ok()) return FailureCode{acquired.code()};
  auto table = std::make_unique<OpenTable>();
  table->shared = std::move(acquired.value());
  table->message_name = name.MessageName();
  table->name = name;
  table->tables = GetCharTables();
  return table;
}

DriverResult OpenTableOp(TnlInstance& instance, DriverArgs& args) {
  auto started = StartTable(instance, args.mode);
  if (!started.ok()) return {started.code()};
  OpenTable& table = *started.value();
  const int code = RunOnTable(table, Access::kRead, [&](BTree& tree) {
    const auto number = FindTable(tree, table.name.table);
    if (!number) return static_cast<int>(kErrFileNotFound);
    table.number = *number;
    if (const int taken = TakeDescription(instance, table, tree); taken != 0) {
      return taken;
    }
    if (const auto stored = TableCharTables(tree, table.number)) {
      table.tables = stored->tables;
      table.oem = stored->oem;
    }
    return 0;
  });
  if (code != 0) return {code};
  table.file_state = &instance.declaration.control.state;
  instance.table = std::move(started.value());
  return {};
}

DriverResult CreateTableOp(TnlInstance& instance) {
  if (!instance.declared) return {kErrInvalidRecordDeclaration};
  auto started = StartTable(instance, kCreateOpenMode);
  if (!started.ok()) return {started.code()};
  OpenTable& table = *started.value();
  const int code = RunOnTable(table, Access::kChange, [&](BTree& tree) {
    const std::string& name = table.name.table;
    if (const auto old = FindTable(tree, name)) {
      RemoveTableRecords(tree, *old);
      tree.Remove(TableNameKey(name));
    }
    CreateTable(table.file(), tree, name, *instance.declared, DataIsOem(),
                GetCharTables());
    return 0;
  });
  // The table is closed again: `started` goes, and with it the file unless
  // another table of it is open.
  return {code};
}

// Deferred changes are committed first; a commit that fails keeps the table
// open, with the error. A file of the transaction leaves it when its last
// table closes (TnlFile::Close), its changes uncommitted.
DriverResult CloseTableOp(TnlInstance& instance) {
  if (instance.table) {
    if (const int code = CommitDeferred(*instance.table); code != 0) {
      return {code};
    }
    ReleaseHold(*instance.table);
    ReleaseTableLock(*instance.table);
  }
  instance.table.reset();
  return {};
}

}  // namespace vantrel
