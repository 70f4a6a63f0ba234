// The native file driver, registered as "TARNEL": every numbered file
// operation of a FILE declared with DRIVER('TARNEL') on a table of a native
// data file.
#ifndef VANTREL_STORAGE_TNL_DRIVER_TNL_DRIVER_H_
#define VANTREL_STORAGE_TNL_DRIVER_TNL_DRIVER_H_

#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/driver/driver_entry.h"

namespace vantrel {

const DriverEntry& TarnelDriverEntry();

// Adds the driver to the registry (driver_registry.h); call once before
// the first FILE on it is used. Calling it again does no harm.
void RegisterTarnelDriver();

// The block holding BLOB `memo` (0-based among the FILE's memos) of a FILE
// open on this driver: a fetch fills it, ADD and PUT store it. Null when the
// FILE is not open here or that memo is no BLOB. Taking it marks the BLOB
// changed.
std::vector<std::uint8_t>* TableBlob(FileDeclaration& file, std::size_t memo);
// Whether BLOB `memo` was taken through TableBlob since the last ADD,
// APPEND, DELETE, GET, REGET, NEXT, PREVIOUS or PUT of the FILE, after
// which every BLOB of the table counts as unchanged.
bool BlobChanged(const FileDeclaration& file, std::size_t memo);

// The transaction control file this process names through SEND "TCF=name";
// empty for the default, "tarnel.tcf" beside each data file.
std::string ControlFileNameSetting();
void SetControlFileNameSetting(std::string_view name);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_DRIVER_TNL_DRIVER_H_
