// The records that make a commit of several files atomic, and the recovery
// decision they drive.
//
// Transaction marker, in every data file written by a commit of several
// files (replaced by the next such commit, kept otherwise):
//   key   FF
//   data  number   u32 big-endian  the transaction number
//         name     bytes           the control file's name, then a zero byte;
//                                  "C:\tArNeL.TCF" stands for "tarnel.tcf"
//                                  in the data file's own directory
// Only the name's last part (after the last '/' or '\\') counts, and it is
// looked for in the data file's directory: a marker cannot send recovery to
// any other place, nor to the data file itself. Written markers hold that
// part alone.
//
// Control file: a native file whose tree holds one record per transaction
// being committed, from before the first data file is written until the
// transaction's commit point:
//   key   number   u32 big-endian  (so records sort by number)
//   data  nothing in the first control file of the transaction; in every
//         other one the first one's absolute path and a zero byte. The
//         record in the first control file alone decides: it is removed
//         first, and a data file whose marker names another control file
//         still holding the record asks the first one, so files in
//         different directories can never take different decisions.
//
// That reading is deliberate, and another reader of these files must share
// it. Were each data file to ask only the control file its marker names, a
// crash after the record's removal from the first control file is durable
// and before its removal from the others is would roll the files beside the
// first control file forward and discard the others: crashing a commit of
// two files in two directories (74 writes and flushes, the two control
// files created by it) at each step in turn tears the pair at 10 steps.
//
// Consulting a control file is one level deep: it is opened read-only, must
// be a native file, and is read as committed; a pending write in it is
// decided in memory as its own recovery decides it, except that it asks no
// control file of its own (under a marker it counts as discarded). A first control file's path is
// followed once, and only to a file of the same name.
#ifndef VANTREL_STORAGE_TNL_TABLE_TRANSACTION_CONTROL_H_
#define VANTREL_STORAGE_TNL_TABLE_TRANSACTION_CONTROL_H_

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "storage/tnl/format/record_kinds.h"
#include "storage/tnl/pager/tnl_file.h"
#include "storage/tnl/table/btree.h"

namespace vantrel {

inline constexpr std::string_view kControlFileName = "tarnel.tcf";
// The name a marker stores for the default control file.
inline constexpr std::string_view kDefaultControlMarkerName = "C:\\tArNeL.TCF";
inline constexpr std::size_t kTransactionNumberBytes = 4;

struct TransactionMarker {
  std::uint32_t number = 0;
  std::string control_name;  // as stored
};

PageRecord MarkerRecord(const TransactionMarker& marker);
// None when the data is shorter than a number and a terminated name.
std::optional<TransactionMarker> ReadMarker(const RecordRef& record);
// The marker of the file's tree, if any. Runs inside an operation with the
// header loaded.
std::optional<PageRecord> FindMarker(BTree& tree);
// Replaces the file's marker.
void ReplaceMarker(BTree& tree, const TransactionMarker& marker);

// "tarnel.tcf" in the directory of `data_path`.
std::string DefaultControlFilePath(std::string_view data_path);
// The last part of a control file's name (after the last '/' or '\\'); the
// default marker name gives "tarnel.tcf". None when no file can be named by
// it (empty, "." or "..").
std::optional<std::string> ControlFileNamePart(std::string_view name);
// The control file a name (a marker's, or the one the process set) stands
// for beside `data_path`: its last part in the data file's directory. None
// as above.
std::optional<std::string> ControlFilePath(std::string_view name,
                                           std::string_view data_path);

ByteString ControlRecordKey(std::uint32_t number);

// One open control file. Every call runs its own header load and ends its
// operation; internal checks unwind to the caller's operation.
class ControlFile {
 public:
  // Opens (creating it when `create`) for shared use; 0 or a system error.
  // A sharing violation is retried while `retry_sharing` holds.
  int Open(const std::string& path, bool create, bool retry_sharing);
  // Opens the file only to look records up, as TnlFile::OpenCommittedState
  // does; a sharing violation is retried for up to kConsultPatience (no
  // writer of ours ever keeps a control file from readers, so only a
  // foreign open, or one of this process's own, does). 0 or a system error.
  int OpenToConsult(const std::string& path);
  const std::string& path() const { return file_.name(); }

  // Looks for the record of `number`: sets *present and, when present, the
  // first control file's path its data names (empty in the first one).
  // Returns a LoadHeader result.
  int Lookup(std::uint32_t number, bool* present, std::string* first);
  // Adds or removes the record of `number` and commits; 0, 5 when the file
  // could not be loaded, or the commit's error.
  int Insert(std::uint32_t number, std::string_view first_path);
  int Remove(std::uint32_t number);

 private:
  template <typename Change>
  int CommitChange(Change change);

  TnlFile file_;
};

inline constexpr auto kConsultPatience = std::chrono::seconds(2);

// The decision of recovery for an interrupted write whose tree the file now
// shows. No marker: a commit of this file alone, which rolls forward. A
// marker: rolls forward unless its transaction's record is still in the
// control file (asking the first control file when the record names it), or
// that control file cannot be opened or read, or is the data file itself.
// Undecided while a control file stays opened exclusively elsewhere.
WriteDecision RecoveredWriteCommitted(TnlFile& file);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_TRANSACTION_CONTROL_H_
