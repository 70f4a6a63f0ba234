// The native driver's per-FILE instance and what its groups of operations
// share. The dispatch (tnl_driver.cpp) hands each operation to a function of
// its group: tnl_driver_open.cpp, tnl_driver_write.cpp,
// tnl_driver_fetch.cpp, tnl_driver_service.cpp ...
#ifndef VANTREL_STORAGE_TNL_DRIVER_TNL_DRIVER_INTERNAL_H_
#define VANTREL_STORAGE_TNL_DRIVER_TNL_DRIVER_INTERNAL_H_

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "runtime/data/base/function_ref.h"
#include "runtime/data/base/value_or_code.h"
#include "runtime/data/driver/driver_entry.h"
#include "runtime/data/driver/file_declaration.h"
#include "storage/tnl/driver/declaration_description.h"
#include "storage/tnl/driver/open_table.h"
#include "storage/tnl/format/record_kinds.h"
#include "storage/tnl/table/btree.h"

namespace vantrel {

class TnlInstance : public DriverInstance {
 public:
  explicit TnlInstance(FileDeclaration& declaration);
  ~TnlInstance() override;

  DriverResult Perform(DriverOp op, DriverArgs& args) override;

  // Fills the FILE's declaration from a stored description, with a record
  // buffer owned by this instance (the FILE had none). False when the
  // description cannot be declared.
  bool DeclareFromFile(const TableDescription& stored);
  // The password the file is enciphered with, empty when it is not.
  std::string Password() const;

  FileDeclaration& declaration;
  // The description of the program's declaration; none when the program
  // gave no record and the table's own description is used.
  std::optional<TableDescription> declared;
  std::unique_ptr<OpenTable> table;  // while the FILE is open
  // SEND "FULLBUILD=ON": a BUILD or PACK of the table also stores the
  // character tables in force, and BUILD rebuilds INDEX keys too.
  bool full_build = false;

 private:
  DriverResult Dispatch(DriverOp op, DriverArgs& args);

  // The buffers of a declaration taken from the file.
  std::vector<char> own_record_;
  std::vector<std::vector<char>> own_memos_;
};

// A table state for `name` on its shared file (opened in `mode` when this
// process does not have it open), or the error of opening it.
ValueOrCode<std::unique_ptr<OpenTable>> StartTableOn(const TableName& name,
                                                     unsigned mode,
                                                     std::string_view password);

// What an operation does to the file: only read, or change it. A lookup
// only reads, and changes nothing (no record buffer, no hold) before its
// last page read: on a file others may write it may begin without its
// reader slot and run again from the start when another process committed
// meanwhile.
enum class Access { kRead, kLookup, kChange };
// How an operation ends: committing unless the file defers its commits, or
// committing whatever is pending now.
enum class Ending { kAsUsual, kCommitNow };

// Runs `body` as one operation on the table's file: the file's mode for the
// access, its header brought up to date under its lock (5 when `wait` is
// kNoWait and the lock is taken), the body (which returns the operation's
// code), then FinishOperation. An internal check failing inside latches
// error 90 on the table and drops the operation's changes.
int RunOnTable(OpenTable& table, Access access, FunctionRef<int(BTree&)> body,
               Ending ending = Ending::kAsUsual,
               LockWait wait = LockWait::kWait);

// How every operation on a file ends: its changes are committed by the
// two-step write, its change ended, and the operation's locks given back.
// A member of the process's transaction keeps its changes for COMMIT; with
// Ending::kAsUsual the commit waits while the FILE builds, and under STREAM
// while fewer than 40 pages are dirty and fewer than 5,000 operations have
// been deferred. Returns 0 or the error of a failed commit (which leaves
// the file as it was).
int FinishOperation(OpenTable& table, Ending ending);

// Commits the changes the table's file deferred (none in a transaction):
// 0 or the runtime error of the failed commit.
int CommitDeferred(OpenTable& table);

// Gives up this table's hold on its current record, if it has one.
void ReleaseHold(OpenTable& table);
// Gives up the table lock of LOCK, if the table has it.
void ReleaseTableLock(OpenTable& table);

// The record buffer as the program has it.
std::span<const std::uint8_t> RecordImage(const FileDeclaration& file);
// The record buffer as stored: strings in the OEM code page when the table
// keeps them so.
ByteString StoredImage(const OpenTable& table, const FileDeclaration& file);
// The 0-based number of `key` in the table, or -1 when it is not one of the
// table's keys.
int KeyIndex(const TnlInstance& instance, const KeyDeclaration* key);

// Fetches data record `number` into the record buffer as the current
// record, honouring the table's hold, watch and NOMEMO requests (which it
// clears): 0, 43 when the hold cannot be had at once, 35 when there is no
// such record (the buffer is then left as it was).
// `image`, when given, is the data record as this operation has just read
// it, which spares looking it up again.
int FetchRecord(TnlInstance& instance, BTree& tree, std::uint32_t number,
                std::optional<std::span<const std::uint8_t>> image = {});
// Repeats `attempt` while it fails with 43, until the table's hold wait has
// passed (for ever with kHoldNoLimit).
int RetryWhileHeld(OpenTable& table, FunctionRef<int()> attempt);

// The program's contents of each memo of the table, as ADD and PUT store
// them: a MEMO's buffer, a BLOB's block; none for a MEMO without a buffer,
// which stays as stored. None at all when one would not fit in a record's
// chunks (nothing may be written then).
using ProgramMemoContents = std::vector<std::optional<ByteString>>;
std::optional<ProgramMemoContents> ProgramMemos(TnlInstance& instance);
// Stores them for record `number`; only chunks that differ are written.
void WriteProgramMemos(const OpenTable& table, BTree& tree,
                       std::uint32_t number,
                       const ProgramMemoContents& contents);
// Reads the memos of record `number` into the MEMO buffers and BLOB blocks;
// returns what was read, or none for a damaged BLOB.
std::optional<std::vector<ByteString>> ReadMemosIntoBuffers(
    TnlInstance& instance, BTree& tree, std::uint32_t number);

// Blanks the MEMO buffers and empties the BLOB blocks (all the program's
// again).
void ClearMemos(TnlInstance& instance);

// Removes every record of table `number` (the table-name record excepted).
void RemoveTableRecords(BTree& tree, std::uint32_t number);

// The operation groups.
DriverResult OpenTableOp(TnlInstance& instance, DriverArgs& args);
DriverResult CreateTableOp(TnlInstance& instance);
DriverResult CloseTableOp(TnlInstance& instance);

DriverResult AddRecordOp(TnlInstance& instance);
DriverResult PutRecordOp(TnlInstance& instance, DriverArgs& args);
DriverResult DeleteRecordOp(TnlInstance& instance);
DriverResult DuplicateOp(TnlInstance& instance, const KeyDeclaration* key);

DriverResult RequestOp(TnlInstance& instance, DriverOp op,
                       const DriverArgs& args);
DriverResult LockOp(TnlInstance& instance, DriverOp op, const DriverArgs& args);
DriverResult UnlockOp(TnlInstance& instance);

DriverResult GetByPointerOp(TnlInstance& instance, DriverArgs& args);
DriverResult GetByKeyOp(TnlInstance& instance, DriverArgs& args);
DriverResult RegetOp(TnlInstance& instance, DriverArgs& args);

DriverResult EmptyOp(TnlInstance& instance);
DriverResult RemoveOp(TnlInstance& instance);
DriverResult RenameOp(TnlInstance& instance, DriverOp op, DriverArgs& args);

DriverResult SendOp(TnlInstance& instance, DriverArgs& args);
// SET_PROPERTY and GET_PROPERTY: the settings of SEND by name.
DriverResult SetPropertyOp(TnlInstance& instance, DriverArgs& args);
DriverResult GetPropertyOp(TnlInstance& instance, DriverArgs& args);

// BLOB_TAKE: the BLOB numbered args.pointer takes the contents of
// args.block (left empty) for the next ADD or PUT. BLOB_YIELD: the BLOB's
// contents move into args.block; ADD and PUT then leave the stored BLOB as
// it is until it is given back. 78 for a number that names no BLOB, for no
// block or one of the table's own; 94 for contents too long to store (the
// block is kept).
DriverResult BlobTakeOp(TnlInstance& instance, DriverArgs& args);
DriverResult BlobYieldOp(TnlInstance& instance, DriverArgs& args);

// LOGOUT, COMMIT, ROLLBACK, FLUSH and STREAM (tnl_driver_transaction.cpp).
DriverResult TransactionOp(TnlInstance& instance, DriverOp op,
                           const DriverArgs& args);
// Rolls the process's transaction back after internal check `check` failed
// in an operation on one of its files; its COMMIT then fails with that
// check (90) instead of committing the other files alone.
void AbandonTransaction(int check);

// The sequence operations (tnl_driver_sequence.cpp): SET and RESET in all
// their forms, NEXT and PREVIOUS, SKIP, EOF and BOF, POSITION.
DriverResult SetSequenceOp(TnlInstance& instance, DriverOp op,
                           DriverArgs& args);
DriverResult StepOp(TnlInstance& instance, DriverOp op);
DriverResult SkipOp(TnlInstance& instance, DriverArgs& args);
DriverResult EndOfSequenceOp(TnlInstance& instance, DriverOp op);
DriverResult PositionOp(TnlInstance& instance, DriverArgs& args);

DriverResult NameOp(TnlInstance& instance, DriverArgs& args);
DriverResult BytesOp(TnlInstance& instance);
DriverResult PointerOp(TnlInstance& instance);
DriverResult RecordsOp(TnlInstance& instance, const KeyDeclaration* key);
// CLEAR: the record buffer cleared as for a new record (strings blank,
// numbers zero), the MEMO buffers blank and the BLOB blocks empty.
DriverResult ClearOp(TnlInstance& instance);
// QUERY_KEY: value 1 when the key holds an entry for the record buffer's
// value that names an existing record, else 0. Nothing else changes: not the
// buffer, the current record or the position.
DriverResult QueryKeyOp(TnlInstance& instance, const KeyDeclaration* key);

// BUILDfile, BUILDevent, PACK, BUILDkey, BUILDdyn, BUILDdynfilter.
DriverResult BuildOp(TnlInstance& instance, DriverOp op, DriverArgs& args);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_DRIVER_TNL_DRIVER_INTERNAL_H_
