// A tnl_peer program run by a test as a separate process: its stdin and
// stdout are pipes, so the test tells it when to go on and reads its
// reports line by line; it can be stopped, killed and waited for.
#ifndef VANTREL_STORAGE_TNL_PROCESSES_PEER_PROCESS_H_
#define VANTREL_STORAGE_TNL_PROCESSES_PEER_PROCESS_H_

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

class PeerProcess {
 public:
  // Starts tnl_peer with `args`; started() tells whether it ran.
  explicit PeerProcess(const std::vector<std::string>& args);
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;
  // Kills a peer still running, so that no test leaves one behind.
  ~PeerProcess();

  bool started() const { return pid_ > 0; }

  // The next line the peer wrote; nothing when it ended its output or
  // wrote nothing for `patience` (a hung peer fails the test, never hangs
  // it).
  std::optional<std::string> ReadLine(
      std::chrono::milliseconds patience = std::chrono::seconds(60));
  // Reads lines until one starts with `prefix`; returns it, or nothing.
  std::optional<std::string> ReadUntil(const std::string& prefix);
  // Every line left, up to the end of its output (after it ended).
  std::vector<std::string> ReadRest();

  // Sends one line to the peer's stdin.
  void Tell(const std::string& line);
  // Closes the peer's stdin.
  void CloseInput();

  // Waits until the peer has stopped itself (SIGSTOP); false when it ended
  // instead.
  bool AwaitStopped();
  void Kill();
  // Waits for the end: the exit status, or 128 + the signal that ended it.
  int Wait();

 private:
  pid_t pid_ = -1;
  int to_peer_ = -1;
  int from_peer_ = -1;
  std::string pending_;  // read but not yet returned
  bool output_ended_ = false;
};

// The number after `prefix` at the start of a report line such as
// "committed 12" or "held 250"; -1 when the line does not start so.
long NumberAfter(const std::string& line, const std::string& prefix);

// What a `tnl_peer read` run saw, from its last lines and its exit.
struct ReadReport {
  bool clean = false;  // it ended normally, without an error line
  std::string error;   // its error line, if any
  long rounds = 0;     // rounds of check and scans
  long counts = 0;     // different record counts seen
  long last = -1;      // the record count of its last round
};

// A new empty directory for the running test, under the test temp dir.
std::string ScratchDir();

// Tells a reading peer to stop and collects its report.
ReadReport FinishReading(PeerProcess& reader);
// Runs one round of `tnl_peer read` (with --loose when asked) on `path` in
// a new process.
ReadReport ReadOnce(const std::string& path, bool loose = false);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_PROCESSES_PEER_PROCESS_H_
