// The native file driver, registered as "TARNEL": every numbered file
// operation of a FILE declared with DRIVER('TARNEL') on a table of a native
// data file.
#ifndef VANTREL_STORAGE_TNL_TNL_DRIVER_H_
#define VANTREL_STORAGE_TNL_TNL_DRIVER_H_

#include "runtime/data/driver_entry.h"

namespace vantrel {

const DriverEntry& TarnelDriverEntry();

// Adds the driver to the registry (driver_registry.h); call once before
// the first FILE on it is used. Calling it again does no harm.
void RegisterTarnelDriver();

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TNL_DRIVER_H_
