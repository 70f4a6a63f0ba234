// The ASCII driver: a plain text file used as a FILE, one record per line.
// It is registered under the name "ASCII".
#ifndef VANTREL_RUNTIME_DATA_ASCII_DRIVER_H_
#define VANTREL_RUNTIME_DATA_ASCII_DRIVER_H_

#include "runtime/data/driver_entry.h"

namespace vantrel {

const DriverEntry& AsciiDriverEntry();

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_ASCII_DRIVER_H_
