#include "runtime/window/services.h"

#include <string>

#include "os/posix/process.h"
#include "runtime/data/base/error_state.h"
#include "runtime/window/gui_backend.h"

namespace vantrel {
namespace {

std::string help_file_in_use;
int run_code = 0;

}  // namespace

void ShowHelp(std::string_view help_file, std::string_view topic) {
  if (!help_file.empty()) help_file_in_use = std::string(help_file);
  if (!topic.empty()) Backend().ShowHelp(help_file_in_use, topic);
}

bool RunProgram(std::string_view command_line, bool wait) {
  ClearError();
  ProgramRun run = StartProgram(command_line, wait);
  if (!run.started) {
    PostError(0);
    return false;
  }
  if (wait) run_code = run.exit_code;
  return true;
}

int RunCode() { return run_code; }

}  // namespace vantrel
