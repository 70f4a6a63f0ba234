// The process's transaction: the files that change together between LOGOUT
// and COMMIT or ROLLBACK, and the control files that make their commit
// atomic (transaction_control.h).
//
// A commit of several changed files runs in five steps:
//   1. (one changed file or none: its own two-step write, and done)
//   2. open the control files of the changed files, choose a transaction
//      number that none of them holds, insert its record into each (the
//      first control file first) and commit each;
//   3. in every changed file, replace the marker and run phase one; a
//      failure discards what the earlier files wrote and ends the commit;
//   4. remove the record, from the first control file first: its removal
//      is the commit point of the whole transaction;
//   5. run phase two everywhere.
// A crash before the commit point leaves files that recovery discards, a
// crash after it files that recovery rolls forward.
#ifndef VANTREL_STORAGE_TNL_TABLE_TRANSACTION_H_
#define VANTREL_STORAGE_TNL_TABLE_TRANSACTION_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "storage/tnl/pager/tnl_file.h"

namespace vantrel {

// More distinct control file names in one transaction than this fails
// internal check 2183.
inline constexpr std::size_t kMaxControlFiles = 100;

class Transaction {
 public:
  // The one transaction of this process.
  static Transaction& OfProcess();

  // The control file name set by the program (empty: "tarnel.tcf" beside
  // each data file). Only its last part counts: the control file of that
  // name beside each data file, named so in the markers. A name without a
  // usable last part ("/", "..") counts as none.
  void SetControlFileName(std::string name) {
    control_file_name_ = std::move(name);
  }
  const std::string& control_file_name() const { return control_file_name_; }

  // LOGOUT for one open file, inside an operation on it: the file joins the
  // transaction (once), its control file is noted and a change is begun on
  // it, with the writer byte of a shared file taken now and held until the
  // transaction ends. Returns 0, a LoadHeader result, or 5 when the file is
  // not open for writing.
  int Logout(TnlFile& file);

  bool empty() const { return members_.empty(); }
  bool Contains(const TnlFile& file) const;

  // Commits every file of the transaction together, ends their changes and
  // empties the transaction. Returns 0, or what stopped it (a system error,
  // or a LoadHeader result for a control file that could not be loaded), in
  // which case every file holds its state from before the transaction.
  int Commit();
  // Forgets every file's uncommitted changes, ends their changes and
  // empties the transaction.
  void Rollback();

  // Takes a file that is being closed out of the transaction.
  void Forget(TnlFile& file);

  // The transaction number derived from the local time (before any raise).
  static std::uint32_t NumberFromLocalTime();

 private:
  struct Member {
    TnlFile* file;
    std::size_t control;  // index into controls_
  };
  // A noted control file: where it is and what markers call it.
  struct ControlName {
    std::string path;
    std::string marker_name;
  };

  ControlName ControlNameFor(const TnlFile& file) const;
  int CommitSeveral(const std::vector<const Member*>& changed);
  void EndAll();

  std::string control_file_name_;
  std::vector<Member> members_;
  std::vector<ControlName> controls_;
};

// Called when a file of the transaction is closed.
void LeaveTransaction(TnlFile& file);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_TRANSACTION_H_
