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
//
// Control file: a native file whose tree holds one record per transaction
// being committed, from before the first data file is written until the
// transaction's commit point:
//   key   number   u32 big-endian  (so records sort by number)
//   data  nothing in the first control file of the transaction; in every
//         other one the first one's path and a zero byte. The record in the
//         first control file alone decides: it is removed first, and a data
//         file whose marker names another control file still holding the
//         record asks the first one, so files in different directories can
//         never take different decisions.
#ifndef VANTREL_STORAGE_TNL_TABLE_TRANSACTION_CONTROL_H_
#define VANTREL_STORAGE_TNL_TABLE_TRANSACTION_CONTROL_H_

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
// The control file a marker's name stands for, seen from `data_path`.
std::string ControlFilePath(std::string_view marker_name,
                            std::string_view data_path);

ByteString ControlRecordKey(std::uint32_t number);

// One open control file. Every call runs its own header load and ends its
// operation; internal checks unwind to the caller's operation.
class ControlFile {
 public:
  // Opens (creating it when `create`) for shared use; 0 or a system error.
  // A sharing violation is retried while `retry_sharing` holds.
  int Open(const std::string& path, bool create, bool retry_sharing);
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

// The decision of recovery for an interrupted write whose tree the file now
// shows: true to roll it forward, false to discard it. No marker: a commit
// of this file alone, which rolls forward. A marker: rolls forward unless
// its transaction's record is still in the control file (asking the first
// control file when the record names it), or that control file cannot be
// opened.
bool RecoveredWriteCommitted(TnlFile& file);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_TRANSACTION_CONTROL_H_
