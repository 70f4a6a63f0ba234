#include "os/posix/process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "os/posix/os_error.h"

extern char** environ;

namespace vantrel {
namespace {

constexpr int kSignalExitBase = 128;

// Programs started without waiting whose exit has not been collected yet.
std::mutex started_mutex;
std::vector<pid_t> started_programs;

void CollectFinishedPrograms() {
  std::lock_guard lock(started_mutex);
  std::erase_if(started_programs, [](pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) != 0;
  });
}

int ExitCode(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return kSignalExitBase + WTERMSIG(status);
  return 0;
}

}  // namespace

std::optional<std::vector<std::string>> SplitCommandLine(
    std::string_view command_line) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = command_line.size();
  while (i < n) {
    while (i < n && (command_line[i] == ' ' || command_line[i] == '\t')) ++i;
    if (i == n) break;
    std::string arg;
    bool quoted = false;
    for (; i < n; ++i) {
      char c = command_line[i];
      if (c == '"') {
        if (quoted && i + 1 < n && command_line[i + 1] == '"') {
          arg += '"';
          ++i;
        } else {
          quoted = !quoted;
        }
      } else if (!quoted && (c == ' ' || c == '\t')) {
        break;
      } else {
        arg += c;
      }
    }
    if (quoted) return std::nullopt;
    args.push_back(std::move(arg));
  }
  return args;
}

ProgramRun StartProgram(std::string_view command_line, bool wait) {
  CollectFinishedPrograms();
  std::optional<std::vector<std::string>> args = SplitCommandLine(command_line);
  if (!args || args->empty()) {
    SetLastSystemError(kSysInvalidParameter);
    return {};
  }
  std::vector<char*> argv;
  for (std::string& arg : *args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int error =
      posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (error != 0) {
    SetLastSystemError(SystemErrorFromErrno(error));
    return {};
  }
  if (!wait) {
    std::lock_guard lock(started_mutex);
    started_programs.push_back(pid);
    return {true, 0};
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      RecordErrno();
      return {true, 0};
    }
  }
  return {true, ExitCode(status)};
}

bool ChangeDirectory(const std::string& path) {
  if (chdir(path.c_str()) == 0) return true;
  RecordErrno();
  return false;
}

}  // namespace vantrel
