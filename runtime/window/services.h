// Help and outside programs.
#ifndef VANTREL_RUNTIME_WINDOW_SERVICES_H_
#define VANTREL_RUNTIME_WINDOW_SERVICES_H_

#include <string_view>

namespace vantrel {

// With a help file, makes it the program's help file; with a topic, shows
// that topic of the help file.
void ShowHelp(std::string_view help_file, std::string_view topic = {});

// Starts an outside program with the command line. Without `wait` it
// returns at once; with it, when the program has ended, and its exit code is
// then RunCode(). A program that cannot start posts the system error
// (ERRORCODE 300 + n) and returns false.
bool RunProgram(std::string_view command_line, bool wait = false);

// The exit code of the last program RunProgram waited for.
int RunCode();

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_SERVICES_H_
