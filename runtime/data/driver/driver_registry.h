// The drivers known to the program, found by the name a FILE's DRIVER
// attribute gives.
#ifndef VANTREL_RUNTIME_DATA_DRIVER_DRIVER_REGISTRY_H_
#define VANTREL_RUNTIME_DATA_DRIVER_DRIVER_REGISTRY_H_

#include <string_view>

#include "runtime/data/driver/driver_entry.h"

namespace vantrel {

// Registers a driver; the entry must live as long as the program. A later
// entry with the same name replaces the earlier one. Each driver offers its
// own Register function, which the program calls at start.
void RegisterDriver(const DriverEntry& entry);

// The driver of that name (letters in either case), or nullptr.
const DriverEntry* FindDriver(std::string_view name);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_DRIVER_DRIVER_REGISTRY_H_
