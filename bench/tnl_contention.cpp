// A writer's commits on a shared native file while other processes read it
// without pause, against the same commits with no reader.
//
//   tnl_contention [--commits=N] [--readers=R] [--dir=D]
//
// Each reader is this program run again with --reader=FILE: it checks the
// whole file in one operation (holding a reader slot throughout), over and
// over, until its stdin closes. The writer adds one record per committed
// operation. A committing writer must wait for the operations under way, but
// readers that begin new ones must not keep it out: the ratio is the time of
// the commits with readers over their time alone.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "storage/tnl/processes/peer_table.h"
#include "storage/tnl/table/file_check.h"

extern char** environ;

namespace vantrel {
namespace {

int RunReader(const std::string& path) {
  TnlFile file;
  if (!file.Open(path, kOpenReadShared)) return 1;
  file.SetReadingMode(true);
  bool said_ready = false;
  for (;;) {
    if (!CheckFileIntegrity(file, LockWait::kWait).empty()) return 1;
    if (!said_ready) {
      std::cout << "ready" << std::endl;
      said_ready = true;
    }
    pollfd in{STDIN_FILENO, POLLIN, 0};
    if (::poll(&in, 1, 0) > 0) return 0;  // the writer is done
  }
}

// A reader process with a pipe on its stdin (closed to stop it) and one on
// its stdout (its "ready").
struct Reader {
  pid_t pid = -1;
  int stop = -1;
};

Reader StartReader(const char* self, const std::string& path) {
  Reader reader;
  int in[2], out[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
    return reader;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  const std::string arg = "--reader=" + path;
  char* argv[] = {const_cast<char*>(self), const_cast<char*>(arg.c_str()),
                  nullptr};
  if (posix_spawn(&reader.pid, self, &actions, nullptr, argv, environ) != 0) {
    reader.pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  reader.stop = in[1];
  char ready[6];  // "ready\n"
  if (reader.pid > 0 && ::read(out[0], ready, sizeof ready) != sizeof ready) {
    reader.pid = -1;
  }
  ::close(out[0]);
  return reader;
}

// Adds `count` records, one committed operation each; the time in seconds.
double TimeCommits(PeerTable& table, std::int32_t first, long count) {
  const auto start = std::chrono::steady_clock::now();
  for (std::int32_t id = first; id < first + count; ++id) {
    table.Fill(id);
    Add(table.file);
    if (ErrorCode() != 0) {
      std::cerr << "add: " << ErrorCode() << " " << Error() << "\n";
      std::exit(1);
    }
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace
}  // namespace vantrel

int main(int argc, char** argv) {
  using namespace vantrel;
  long commits = 1000;
  int readers = 2;
  std::string dir = std::filesystem::temp_directory_path().string();
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.starts_with("--reader=")) return RunReader(argv[i] + 9);
    if (arg.starts_with("--commits=")) commits = std::stol(argv[i] + 10);
    if (arg.starts_with("--readers=")) readers = std::stoi(argv[i] + 10);
    if (arg.starts_with("--dir=")) dir = argv[i] + 6;
  }
  // Two files of `commits` records each; the same number of commits is
  // timed on the first alone and on the second with the readers.
  const std::string base =
      dir + "/tnl_contention_" + std::to_string(::getpid());
  const std::string alone_path = base + "_alone.vtl";
  const std::string path = base + "_shared.vtl";
  double alone = 0;
  double shared = 0;
  std::vector<Reader> running;
  for (const std::string& file : {alone_path, path}) {
    std::filesystem::remove(file);
    PeerTable table(file);
    if (table.Open() != 0) {
      std::cerr << "open " << file << ": " << Error() << "\n";
      return 1;
    }
    TimeCommits(table, 1, commits);
    if (file == alone_path) {
      alone =
          TimeCommits(table, static_cast<std::int32_t>(commits) + 1, commits);
      continue;
    }
    for (int r = 0; r < readers; ++r) {
      running.push_back(StartReader(argv[0], file));
      if (running.back().pid <= 0) {
        std::cerr << "cannot start a reader\n";
        return 1;
      }
    }
    shared =
        TimeCommits(table, static_cast<std::int32_t>(commits) + 1, commits);
  }
  int failed = 0;
  for (Reader& reader : running) {
    ::close(reader.stop);
    int status = 0;
    ::waitpid(reader.pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failed;
  }
  std::filesystem::remove(alone_path);
  std::filesystem::remove(path);
  std::printf("%ld commits alone: %.3f s; with %d readers: %.3f s\n", commits,
              alone, readers, shared);
  if (failed != 0) {
    std::fprintf(stderr, "%d readers found the file unsound\n", failed);
    return 1;
  }
  std::printf("ratio tnl_commit_with_readers %.3f\n", shared / alone);
  return 0;
}
