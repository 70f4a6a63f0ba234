// vantrel-cli: card files for scripts. Every command reads and writes
// through the card application's own layer (app/card_store.h and the
// interchange), and opens card files as the card window does: a command
// that writes fails with a plain message, changing nothing, while another
// program (the window) has the file open.
//
// Text on the terminal and in vCard and CSV files is UTF-8. Errors go to
// stderr with exit status 1; bad usage gives status 2.
#ifndef VANTREL_TOOLS_VANTREL_CLI_CLI_H_
#define VANTREL_TOOLS_VANTREL_CLI_CLI_H_

#include <ostream>
#include <string>
#include <vector>

namespace vantrel {

inline constexpr int kCliOk = 0;
inline constexpr int kCliError = 1;
inline constexpr int kCliUsage = 2;

int RunCli(const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err);

}  // namespace vantrel

#endif  // VANTREL_TOOLS_VANTREL_CLI_CLI_H_
