// A full integrity check of a native file, for the inspector and for tests:
// the header loads, the page tree is sound (structure_check.h), every
// table-named group of records has a description that parses, its counters
// equal its data records and key entries, every data record has exactly the
// key entries it should (OPT omissions honoured), every key entry names
// an existing data record, and memo chunks belong to an existing record and
// a described memo, run from 0 without gaps and are cut as written. Damage
// ends in problem lines, never a crash.
#ifndef VANTREL_STORAGE_TNL_TABLE_FILE_CHECK_H_
#define VANTREL_STORAGE_TNL_TABLE_FILE_CHECK_H_

#include <string>
#include <vector>

#include "storage/tnl/pager/tnl_file.h"

namespace vantrel {

// One line per problem; empty when the file is clean. Runs its own
// operation on an open file and changes nothing. Without waiting, a file
// that another process is committing is reported as locked.
std::vector<std::string> CheckFileIntegrity(TnlFile& file,
                                            LockWait wait = LockWait::kNoWait);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_FILE_CHECK_H_
