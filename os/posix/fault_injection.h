// A seam through which tests make file writes, flushes, reads and
// truncations fail.
//
// Every File::WriteAt and File::Flush (and, when the plan counts them,
// every File::ReadAt and File::Truncate) on a file whose path ends with the
// armed plan's suffix is one step, numbered from 1 after Arm(). At the
// planned step the seam acts instead of the system: a write fails with the
// plan's errno (nothing written), stops short after `short_bytes`, or the
// process ends (_exit) right after writing `short_bytes` of it, which stands
// for a power loss in a child process. A flush at the planned step fails or
// ends the process. A read fails with the errno or returns only
// `short_bytes`; a truncation fails with the errno. Either call may instead stop the process (SIGSTOP) before it
// runs, so that a test can kill it at that point with a real signal while
// it holds its locks. Crash tests count the steps of an operation once
// (Steps()), then repeat it failing at each step k in turn.
#ifndef VANTREL_OS_POSIX_FAULT_INJECTION_H_
#define VANTREL_OS_POSIX_FAULT_INJECTION_H_

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

enum class FaultAction {
  kNone,
  kFail,   // the call fails with `error`
  kShort,  // a write stops after `short_bytes`, reporting no error
  kCrash,  // the process ends after `short_bytes` of a write (or at a flush)
  kStop,   // the process stops (SIGSTOP) before the call, for another
           // process to watch it or kill it there; continued, it goes on
  kCut,    // a write stops after `short_bytes`, and every later write and
           // flush fails: a crash there, in a process that goes on only to
           // close (what it then tries never reaches the disk)
};

// Exit status of a process ended by kCrash.
inline constexpr int kFaultCrashExitCode = 86;

// The calls that a plan counts as steps.
inline constexpr unsigned kFaultWrites = 1;
inline constexpr unsigned kFaultFlushes = 2;
inline constexpr unsigned kFaultReads = 4;
inline constexpr unsigned kFaultTruncates = 8;

struct FaultPlan {
  std::int64_t at_step = 0;  // 1-based step to act on; 0 only counts steps
  FaultAction action = FaultAction::kNone;
  std::size_t short_bytes = 0;
  int error = EIO;
  std::string path_suffix;  // empty: every file
  // Act at every step from `at_step` on (a disk that stays broken), not
  // only at that one.
  bool persistent = false;
  unsigned counts = kFaultWrites | kFaultFlushes;
  // At or above 0: only writes at this offset are steps.
  std::int64_t write_offset = -1;
  // Flushes the plan lets through return at once instead of waiting for the
  // device: a test that reopens the file in the same process needs no
  // durability, and a sweep of thousands of runs would wait on the disk.
  bool skip_sync = false;
};

// A plan acting at `step` on every file.
inline FaultPlan FaultAt(std::int64_t step, FaultAction action,
                         std::size_t short_bytes = 0) {
  FaultPlan plan;
  plan.at_step = step;
  plan.action = action;
  plan.short_bytes = short_bytes;
  return plan;
}

// What the seam tells a write or flush to do.
struct FaultDecision {
  FaultAction action = FaultAction::kNone;
  std::size_t short_bytes = 0;
  int error = 0;
  bool skip_sync = false;  // a flush let through returns at once
};

class FaultInjection {
 public:
  // Starts counting from step 0 under `plan`.
  static void Arm(const FaultPlan& plan);
  // Stops acting and counting.
  static void Disarm();
  // Steps, writes and flushes counted since Arm().
  static std::int64_t Steps();
  static std::int64_t Writes();
  static std::int64_t Flushes();
  static std::int64_t Reads();
  static std::int64_t Truncates();
  // The path of every step since Arm(), in order, so a test can find the
  // step at which one file's part of a larger operation begins.
  static std::vector<std::string> StepPaths();

  // Called by File; counts the step and says what to do.
  static FaultDecision OnWrite(const std::string& path, std::uint64_t offset);
  static FaultDecision OnFlush(const std::string& path);
  static FaultDecision OnRead(const std::string& path);
  static FaultDecision OnTruncate(const std::string& path);
};

}  // namespace vantrel

#endif  // VANTREL_OS_POSIX_FAULT_INJECTION_H_
