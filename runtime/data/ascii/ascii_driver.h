// The ASCII driver: a plain text file used as a FILE, one record per line.
// A program that reads text files registers it once, under the name "ASCII".
#ifndef VANTREL_RUNTIME_DATA_ASCII_ASCII_DRIVER_H_
#define VANTREL_RUNTIME_DATA_ASCII_ASCII_DRIVER_H_

#include "runtime/data/driver/driver_entry.h"

namespace vantrel {

const DriverEntry& AsciiDriverEntry();
void RegisterAsciiDriver();

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_ASCII_ASCII_DRIVER_H_
