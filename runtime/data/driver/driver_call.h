// One call of a file's driver: the single path by which every file statement
// reaches storage. It builds the driver-side instance on first use, checks
// the file's state against the operation's row of the state table, performs
// the operation, traces it, updates the state and posts the outcome.
#ifndef VANTREL_RUNTIME_DATA_DRIVER_DRIVER_CALL_H_
#define VANTREL_RUNTIME_DATA_DRIVER_DRIVER_CALL_H_

#include "runtime/data/driver/driver_entry.h"
#include "runtime/data/driver/driver_op.h"
#include "runtime/data/driver/file_declaration.h"

namespace vantrel {

// Returns the outcome; its code is also the file's last result and, unless 0
// or -1, has been posted to the error state. The operation's string arguments
// are popped off the runtime's string stack (StringArgumentCount) into
// args.text and args.value, which show them for the length of the call and
// are empty again when it returns; an operation with a string result pushes
// it (an empty text when it failed) and also leaves it in args.result_text.
DriverResult CallDriver(FileDeclaration& file, DriverOp op, DriverArgs& args);

// The state check alone: 0 when the operation may go ahead, else its error
// code or -1 for a silent refusal.
int CheckState(const FileDeclaration& file, DriverOp op,
               const KeyDeclaration* key, std::string_view position);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_DRIVER_DRIVER_CALL_H_
