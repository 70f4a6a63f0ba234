// tnltool recover: salvages what can still be read from a damaged native
// file into a new one (storage/tnl/table/salvage.h) and reports what was
// recovered and what was lost.
#ifndef VANTREL_TOOLS_TNLTOOL_RECOVER_COMMAND_H_
#define VANTREL_TOOLS_TNLTOOL_RECOVER_COMMAND_H_

#include <ostream>
#include <string>
#include <vector>

namespace vantrel {

// The help text of the command.
extern const char kRecoverHelp[];

// `args` begins with "recover"; returns the tool's exit status: 0 when
// everything read was written and nothing is known to be lost, 1 when the
// new file was written but something was lost, 2 when no file was written.
int RunRecover(const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err);

}  // namespace vantrel

#endif  // VANTREL_TOOLS_TNLTOOL_RECOVER_COMMAND_H_
