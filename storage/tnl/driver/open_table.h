// What the native driver keeps for one table opened by a FILE: the file it
// lives in (shared with the other tables of that file open in this process),
// its number, the tables built from the declaration, the current record,
// the sequential position, holds and watches, and its character tables.
#ifndef VANTREL_STORAGE_TNL_DRIVER_OPEN_TABLE_H_
#define VANTREL_STORAGE_TNL_DRIVER_OPEN_TABLE_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/base/value_or_code.h"
#include "runtime/data/text/char_tables.h"
#include "storage/tnl/format/description_stream.h"
#include "storage/tnl/format/key_encoding.h"
#include "storage/tnl/pager/tnl_file.h"
#include "storage/tnl/table/table_cursor.h"
#include "storage/tnl/table/table_name.h"

namespace vantrel {

// A native file open in this process. Byte-range locks belong to an open
// file description, so two descriptors of one file in one process would
// lock each other out: every table of the file shares this one.
struct SharedFile {
  ~SharedFile() { file.Close(); }

  TnlFile file;
  std::string path;   // as the first opener named it
  unsigned mode = 0;  // the open mode it was opened in
  bool writable() const { return (mode & kOpenAccessMask) != 0; }
  // Record holds and table locks taken by tables of this process: their
  // lock bytes alone would not keep two tables sharing the descriptor apart.
  std::set<std::uint32_t> locked_numbers;
};

// One spelling per file, so that "a/../CARDS.TNL" and "CARDS.TNL" match.
std::string FileIdentity(const std::string& path);

// Takes the lock byte of record or table number `n` without waiting; false
// when this process or another has it.
bool TakeNumberLock(SharedFile& shared, std::uint32_t n);
void ReleaseNumberLock(SharedFile& shared, std::uint32_t n);

// The shared file for `path`, opened in `mode` (enciphered with `password`
// when it is not empty) unless this process has it open already; or the
// runtime error of opening it (2, 3, 5 ...; 90 with the driver's texts for
// other system errors). A file already open without write access cannot
// serve a table that asks for it: 5.
ValueOrCode<std::shared_ptr<SharedFile>> AcquireFile(const std::string& path,
                                                     unsigned mode,
                                                     std::string_view password);

// Bits of OpenTable::bits.
enum TableBits : std::uint32_t {
  kTableOpen = 1u << 0,
  kTableHoldRequested = 1u << 1,
  kTableHeld = 1u << 2,  // the current record is held by this table
  kTableWatchRequested = 1u << 3,
  kTableWatched = 1u << 4,  // watched_copy holds the record as fetched
  kTableNoMemoRequested = 1u << 5,
  kTableMemosUnread = 1u << 6,  // PUT leaves the stored memos alone
};

// The requests a fetch or a failed step clears.
inline constexpr std::uint32_t kTableFetchRequests =
    kTableHoldRequested | kTableWatchRequested | kTableNoMemoRequested;

// A hold wait without a time limit.
inline constexpr std::int32_t kHoldNoLimit = -1;

struct OpenTable {
  TnlFile& file() { return shared->file; }
  // The rules that encode this table's key strings.
  KeyStringRules Rules() const { return {&tables, oem, false}; }

  std::shared_ptr<SharedFile> shared;
  TableName name;
  std::string message_name;  // name.MessageName()
  std::uint32_t number = 0;  // the table number
  // The field, memo and key tables of the declaration, as stored.
  TableDescription description;
  // The declaration's flags of each key (INDEX and runtime-built, which
  // the description does not keep).
  std::vector<std::uint16_t> key_flags;
  std::uint32_t current = 0;  // the current record number, 0 when none
  // The sequential position: a data-record key or a key entry, and its
  // order (set by the sequence operations).
  SequencePosition position;
  // A spare position whose buffer a step reuses, so that stepping does not
  // allocate.
  SequencePosition step_position;
  // The leaf the last step ended in, for the next step to go on from.
  LeafHint hint;
  std::uint32_t bits = kTableOpen;
  // Seconds a fetch with hold keeps retrying; kHoldNoLimit for no limit.
  std::int32_t hold_wait = kHoldNoLimit;
  std::vector<std::uint8_t> watched_copy;  // the watched record as fetched
  // The watched record's memos as fetched; none when they were not read.
  std::optional<std::vector<std::vector<std::uint8_t>>> watched_memos;
  // The BLOB contents of the current record, one block per memo of the
  // description (empty for the MEMOs).
  std::vector<std::vector<std::uint8_t>> blobs;
  // Per BLOB: its block was handed to the program or set by it since the
  // last operation that stored or fetched the record (TableBlob, BLOB_TAKE,
  // CLEAR), so it may differ from the file's.
  std::vector<bool> blobs_changed;
  // Per memo: BLOB_YIELD handed the BLOB's block to the program, so ADD and
  // PUT leave that BLOB as stored until a fetch, BLOB_TAKE or CLEAR.
  std::vector<bool> blobs_yielded;
  bool locked = false;  // this table holds its table lock (LOCK)
  CharTables tables;
  bool oem = false;  // strings are stored in the OEM code page
  // The state word of the FILE the table serves (its STREAM and building
  // bits decide whether an operation's commit is deferred); none for a
  // table the driver opened for itself.
  const std::uint32_t* file_state = nullptr;
  // The internal check that failed during an operation; from then on every
  // operation but CLOSE and NAME reports it again.
  int failed_check = 0;
};

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_DRIVER_OPEN_TABLE_H_
