// Scope tracking: which procedure uses which file. A procedure that reads a
// file opened by its caller leaves the caller's record and position as they
// were: the file's state is saved at the procedure's first use and put back
// at its last logical close.
//
// A process-wide list holds, per thread, procedure (the error manager's
// current procedure) and file manager: the highest use level seen, the
// saved file state, and a count of the procedure's nested opens.
#ifndef VANTREL_FRAMEWORK_FILE_MANAGER_SCOPE_H_
#define VANTREL_FRAMEWORK_FILE_MANAGER_SCOPE_H_

#include "framework/file_manager.h"

namespace vantrel {

// A use of the file at `level` by the current procedure.
void NoteUse(FileManager& manager, UseLevel level);
// A logical open by the current procedure.
void NoteOpen(FileManager& manager);
// A logical close by the current procedure.
void NoteClose(FileManager& manager);
// Drops every entry of a manager that goes.
void ForgetScopes(const FileManager& manager);

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_FILE_MANAGER_SCOPE_H_
