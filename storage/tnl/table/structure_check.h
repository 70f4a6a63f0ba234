// A full structural check of a native file's page tree, for tests, tools and
// recovery checks: the zones are well formed, every page is reachable from
// the root exactly once, every zone slot holds a reachable page of its size
// class, levels fall by one from parent to child, records are in strictly
// ascending key order, every record of a child sorts below the next
// separator of its parent and, past the first child, at or above its own,
// and no page but the root is empty. The walk holds no page while it
// descends and trims the cache as it goes, so a file of any size is checked
// within the cache's memory budget.
#ifndef VANTREL_STORAGE_TNL_TABLE_STRUCTURE_CHECK_H_
#define VANTREL_STORAGE_TNL_TABLE_STRUCTURE_CHECK_H_

#include <string>

#include "storage/tnl/pager/tnl_file.h"

namespace vantrel {

// Empty when the structure is sound, else a description of the first fault.
// Reads pages, so it runs inside an operation after the header is loaded.
std::string CheckStructure(TnlFile& file);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_STRUCTURE_CHECK_H_
