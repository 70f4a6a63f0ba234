// A full integrity check of a native file, for the inspector and for tests:
//
//   header   the address, size and reserved words hold their fixed values;
//            the committed end, the shadow end and the page space lie within
//            the file, and a settled file's committed end is the end of its
//            page space; no number in use is above the last issued number
//   pages    every zone slot holds an image that decodes, whose home word
//            names the slot and whose used word is its records' measure;
//            strict: whose bytes are exactly those a writer encodes for its
//            records, which shows damage inside record bytes
//   tree     the page tree is sound (structure_check.h)
//   tables   every table-named group of records has a description a reader
//            accepts (DescriptionFault) and whole character tables, its
//            counters equal its data records and key entries, every data
//            record has exactly the key entries it should (OPT omissions
//            honoured), every key entry is the one its record builds, and
//            memo chunks belong to an existing record and a described memo,
//            run from 0 without gaps and are cut as written
//
// Damage ends in problem lines, never a crash. The check reads one page at
// a time and trims the page cache as it goes, so its memory stays within the
// cache's budget whatever the size of the file.
#ifndef VANTREL_STORAGE_TNL_TABLE_FILE_CHECK_H_
#define VANTREL_STORAGE_TNL_TABLE_FILE_CHECK_H_

#include <string>
#include <vector>

#include "storage/tnl/pager/tnl_file.h"

namespace vantrel {

enum class CheckDepth {
  kStructure,  // everything but the re-encoding of pages
  kStrict,     // also every page encoded again and compared byte for byte
};

// One line per problem; empty when the file is clean. Runs its own
// operation on an open file and changes nothing. Without waiting, a file
// that another process is committing is reported as locked.
std::vector<std::string> CheckFileIntegrity(
    TnlFile& file, LockWait wait = LockWait::kNoWait,
    CheckDepth depth = CheckDepth::kStructure);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_FILE_CHECK_H_
