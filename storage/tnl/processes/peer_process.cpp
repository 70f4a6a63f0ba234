#include "storage/tnl/processes/peer_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sstream>

extern char** environ;

namespace vantrel {

PeerProcess::PeerProcess(const std::vector<std::string>& args) {
  // A peer that died must not take the test with it when the test writes.
  ::signal(SIGPIPE, SIG_IGN);
  int in[2], out[2];
  // Close-on-exec, so that no other peer keeps these pipes open and the
  // ends of input and output are seen.
  if (::pipe2(in, O_CLOEXEC) != 0) return;
  if (::pipe2(out, O_CLOEXEC) != 0) {
    ::close(in[0]);
    ::close(in[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(TNL_PEER_PATH));
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, TNL_PEER_PATH, &actions, nullptr, argv.data(),
                  environ) == 0) {
    pid_ = pid;
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  to_peer_ = in[1];
  from_peer_ = out[0];
}

PeerProcess::~PeerProcess() {
  if (pid_ > 0) {
    Kill();
    Wait();
  }
  if (to_peer_ >= 0) ::close(to_peer_);
  if (from_peer_ >= 0) ::close(from_peer_);
}

std::optional<std::string> PeerProcess::ReadLine(
    std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    const std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    if (output_ended_ || from_peer_ < 0) return std::nullopt;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd ready{from_peer_, POLLIN, 0};
    const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return std::nullopt;
    char buffer[4096];
    const ssize_t n = ::read(from_peer_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      output_ended_ = true;
      continue;
    }
    pending_.append(buffer, static_cast<std::size_t>(n));
  }
}

std::optional<std::string> PeerProcess::ReadUntil(const std::string& prefix) {
  while (auto line = ReadLine()) {
    if (line->starts_with(prefix)) return line;
  }
  return std::nullopt;
}

std::vector<std::string> PeerProcess::ReadRest() {
  std::vector<std::string> lines;
  while (auto line = ReadLine()) lines.push_back(*line);
  return lines;
}

void PeerProcess::Tell(const std::string& line) {
  const std::string text = line + "\n";
  if (to_peer_ >= 0) {
    [[maybe_unused]] const ssize_t n =
        ::write(to_peer_, text.data(), text.size());
  }
}

void PeerProcess::CloseInput() {
  if (to_peer_ >= 0) ::close(to_peer_);
  to_peer_ = -1;
}

bool PeerProcess::AwaitStopped() {
  if (pid_ <= 0) return false;
  int status = 0;
  pid_t got;
  do {
    got = ::waitpid(pid_, &status, WUNTRACED);
  } while (got < 0 && errno == EINTR);
  if (got != pid_) return false;
  if (WIFSTOPPED(status)) return true;
  pid_ = -1;  // it ended; its status is gone with this wait
  return false;
}

void PeerProcess::Kill() {
  if (pid_ > 0) ::kill(pid_, SIGKILL);
}

int PeerProcess::Wait() {
  if (pid_ <= 0) return -1;
  int status = 0;
  pid_t got;
  do {
    got = ::waitpid(pid_, &status, 0);
  } while (got < 0 && errno == EINTR);
  pid_ = -1;
  if (got < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

long NumberAfter(const std::string& line, const std::string& prefix) {
  if (!line.starts_with(prefix)) return -1;
  return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
}

std::string ScratchDir() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::filesystem::path dir =
      std::filesystem::path(::testing::TempDir()) /
      ("procs_" + std::to_string(::getpid()) + "_" + test->name());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

ReadReport FinishReading(PeerProcess& reader) {
  reader.CloseInput();
  ReadReport report;
  for (const std::string& line : reader.ReadRest()) {
    if (line.starts_with("error")) report.error = line;
    if (!line.starts_with("rounds ")) continue;
    std::istringstream words(line);
    std::string word;
    words >> word >> report.rounds >> word >> report.counts >> word >>
        report.last;
  }
  report.clean =
      reader.Wait() == 0 && report.error.empty() && report.rounds > 0;
  return report;
}

ReadReport ReadOnce(const std::string& path, bool loose) {
  std::vector<std::string> args = {"read", path};
  if (loose) args.push_back("--loose");
  PeerProcess reader(args);
  return FinishReading(reader);
}

}  // namespace vantrel
