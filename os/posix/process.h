// Starting outside programs and the process's current directory.
#ifndef VANTREL_OS_POSIX_PROCESS_H_
#define VANTREL_OS_POSIX_PROCESS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// The arguments of a command line: blanks and tabs separate them, double
// quotes group blanks into one ("" inside quotes is a quote). Nothing when a
// quote is not closed.
std::optional<std::vector<std::string>> SplitCommandLine(
    std::string_view command_line);

// The outcome of StartProgram.
struct ProgramRun {
  bool started = false;
  // With waiting: the program's exit status, or 128 + the signal that ended
  // it. Without waiting: 0.
  int exit_code = 0;
};

// Starts the program the command line names (searched for in PATH).
// With `wait`, returns when it has ended; without, at once (its exit is
// collected by a later call, so no finished program lingers). A program that
// cannot be started returns started = false with the last system error set.
ProgramRun StartProgram(std::string_view command_line, bool wait);

// Makes `path` the current directory; false with the last system error set
// when it cannot.
bool ChangeDirectory(const std::string& path);

}  // namespace vantrel

#endif  // VANTREL_OS_POSIX_PROCESS_H_
