// The driver entry of views: views are not found by a DRIVER name; every
// ViewDeclaration uses this entry, whose instance is the view engine.
#ifndef VANTREL_RUNTIME_DATA_VIEW_VIEW_DRIVER_H_
#define VANTREL_RUNTIME_DATA_VIEW_VIEW_DRIVER_H_

#include "runtime/data/driver/driver_entry.h"

namespace vantrel {

const DriverEntry& ViewDriverEntry();

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_VIEW_VIEW_DRIVER_H_
