// Ending the program after a condition it cannot go on from. The end is
// orderly: the message is reported on standard error and in a box captioned
// "Halt", the steps registered with AtHalt run (the file managers roll back
// open transactions and close their files, so nothing is left half-written),
// and the process exits with a failure status.
#ifndef VANTREL_FRAMEWORK_ERROR_MANAGER_HALT_H_
#define VANTREL_FRAMEWORK_ERROR_MANAGER_HALT_H_

#include <string_view>

namespace vantrel {

// The exit status of a halted program: a failure, so that whoever started
// it can tell a fatal end from a normal one.
inline constexpr int kHaltExitStatus = 3;
inline constexpr char kHaltCaption[] = "Halt";

using HaltStep = void (*)();

// Registers a step to run before the program ends; steps run in the
// reverse order of registration, each once. Registering one twice does
// nothing.
void AtHalt(HaltStep step);

// Ends the program: `message` is the halt message (shown in the box),
// `detail` adds to what standard error shows. A halt started while one is
// running ends the process at once.
[[noreturn]] void HaltProgram(std::string_view message,
                              std::string_view detail = {});

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_ERROR_MANAGER_HALT_H_
