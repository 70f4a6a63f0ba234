// vantrel-eval: evaluates run-time expressions given on the command line or
// read from standard input.
#ifndef VANTREL_TOOLS_VANTREL_EVAL_EVAL_TOOL_H_
#define VANTREL_TOOLS_VANTREL_EVAL_EVAL_TOOL_H_

#include <iosfwd>
#include <span>
#include <string>

namespace vantrel {

inline constexpr int kEvalExitOk = 0;
inline constexpr int kEvalExitError = 1;  // the expression failed
inline constexpr int kEvalExitUsage = 2;  // bad options or text

// Runs the tool with its arguments (without the program name) and returns
// the exit status.
int RunEvalTool(std::span<const std::string> args, std::istream& in,
                std::ostream& out, std::ostream& err);

// The --help text.
const char* EvalToolHelp();

}  // namespace vantrel

#endif  // VANTREL_TOOLS_VANTREL_EVAL_EVAL_TOOL_H_
