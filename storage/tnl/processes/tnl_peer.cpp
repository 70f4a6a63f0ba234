// tnl_peer: the other process of the multi-process tests. It works on the
// shared peer table (peer_table.h) through the driver, as a program would,
// and reports on stdout, one flushed line per event, so that a test can
// follow it, wait for it, and kill it at a chosen moment.
//
//   tnl_peer hold FILE ID [SECONDS]   "trying", then fetches record ID
//       with hold (HOLD, or HOLD with a time limit): "held MS" or
//       "error CODE MS"; a held record is kept until a line (or the end of
//       input) arrives on stdin, then released: "released"
//   tnl_peer lock FILE [SECONDS]      "trying", then LOCK (or LOCK with a
//       time limit): "locked MS" or "error CODE MS"; kept until stdin says,
//       then UNLOCK: "unlocked"
//   tnl_peer put FILE ID              renames record ID to "changed ID" by
//       PUT: "put"
//   tnl_peer add FILE COUNT [FIRST]   adds COUNT records, one committed
//       operation each, with the IDs from FIRST or else after the table's
//       count: "committed ID"
//   tnl_peer txn FILE_A FILE_B COUNT [FIRST] [--stop-at STEP] [--steps]
//                [--logout-wait SECONDS]
//       COUNT transactions, each adding one record to both files (LOGOUT,
//       ADD, ADD, COMMIT), with the IDs from FIRST or else after the files'
//       equal counts: "committed ID". --stop-at stops the process
//       (SIGSTOP) at that write or flush of each COMMIT; --steps lists each
//       COMMIT's writes and flushes: "step N PATH"; --logout-wait gives
//       LOGOUT that time limit, and a LOGOUT that runs out of it rolls the
//       transaction back and begins it again after a short pause: "retry ID"
//   tnl_peer read FILE [--loose]      until a line arrives on stdin: checks
//       the file's integrity in one operation, scans it in record order and
//       in ID key order, and checks every record seen (IDs 1..n, or with
//       --loose only sound and ascending in key order); "ready" after the
//       first round, "error ..." on the first problem, at the end
//       "rounds N counts K last L" (K: how many different record counts it
//       saw, L: the count of the last scan)
//
// MS is the time from before "trying" to the answer, in milliseconds. The exit
// status is 0 when everything went as asked, 1 on an error, 2 on a bad command
// line.
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "os/posix/fault_injection.h"
#include "storage/tnl/pager/tnl_file.h"
#include "storage/tnl/processes/peer_table.h"
#include "storage/tnl/table/file_check.h"

namespace vantrel {
namespace {

constexpr int kUsage = 2;

void Say(const std::string& line) {
  std::cout << line << std::endl;  // flushed: the test reads it at once
}

int Fail(const std::string& what) {
  Say("error " + what);
  return 1;
}

std::string LastError() {
  return std::to_string(ErrorCode()) + " " + std::string(Error());
}

class Stopwatch {
 public:
  long long Ms() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now() - start_)
        .count();
  }

 private:
  std::chrono::steady_clock::time_point start_ =
      std::chrono::steady_clock::now();
};

// Blocks until the test says to go on (a line, or its end of our stdin).
void AwaitWord() {
  std::string line;
  std::getline(std::cin, line);
}

// True when stdin has a line or has ended.
bool WordArrived() {
  pollfd in{STDIN_FILENO, POLLIN, 0};
  return ::poll(&in, 1, 0) > 0;
}

// Reports the outcome of a timed request: "<done> MS" or "error CODE MS".
bool ReportTimed(const char* done, const Stopwatch& watch) {
  const std::string ms = std::to_string(watch.Ms());
  if (ErrorCode() != 0) {
    Say("error " + std::to_string(ErrorCode()) + " " + ms);
    return false;
  }
  Say(std::string(done) + " " + ms);
  return true;
}

int HoldRecord(const std::string& path, std::int32_t id,
               std::optional<std::int32_t> seconds) {
  PeerTable table(path);
  if (table.Open() != 0) return Fail("open " + LastError());
  const Stopwatch watch;
  Say("trying");
  seconds ? Hold(table.file, *seconds) : Hold(table.file);
  table.SetId(id);
  Get(table.file, *table.id_key);
  if (!ReportTimed("held", watch)) return 1;
  AwaitWord();
  Release(table.file);
  if (ErrorCode() != 0) return Fail("release " + LastError());
  Say("released");
  return 0;
}

int LockTable(const std::string& path, std::optional<std::int32_t> seconds) {
  PeerTable table(path);
  if (table.Open() != 0) return Fail("open " + LastError());
  const Stopwatch watch;
  Say("trying");
  seconds ? Lock(table.file, *seconds) : Lock(table.file);
  if (!ReportTimed("locked", watch)) return 1;
  AwaitWord();
  Unlock(table.file);
  if (ErrorCode() != 0) return Fail("unlock " + LastError());
  Say("unlocked");
  return 0;
}

int ChangeRecord(const std::string& path, std::int32_t id) {
  PeerTable table(path);
  if (table.Open() != 0) return Fail("open " + LastError());
  table.SetId(id);
  Get(table.file, *table.id_key);
  if (ErrorCode() != 0) return Fail("get " + LastError());
  table.SetName("changed " + std::to_string(id));
  Put(table.file);
  if (ErrorCode() != 0) return Fail("put " + LastError());
  Say("put");
  return 0;
}

// The ID of the next record: the IDs of a table run from 1 without gaps.
std::int32_t NextId(PeerTable& table) {
  return static_cast<std::int32_t>(Records(table.file)) + 1;
}

int AddRecords(const std::string& path, long count,
               std::optional<std::int32_t> from) {
  PeerTable table(path);
  if (table.Open() != 0) return Fail("open " + LastError());
  const std::int32_t first = from ? *from : NextId(table);
  for (std::int32_t id = first; id < first + count; ++id) {
    table.Fill(id);
    Add(table.file);
    if (ErrorCode() != 0) return Fail("add " + LastError());
    Say("committed " + std::to_string(id));
  }
  return 0;
}

struct TxnOptions {
  std::int64_t stop_at = 0;  // 0: no stop
  bool steps = false;
  std::int32_t logout_wait = 0;  // seconds; 0: no limit
};

int RunTransactions(const std::string& path_a, const std::string& path_b,
                    long count, std::optional<std::int32_t> from,
                    const TxnOptions& options) {
  PeerTable a(path_a), b(path_b);
  if (a.Open() != 0) return Fail("open " + LastError());
  if (b.Open() != 0) return Fail("open " + LastError());
  const std::int32_t first = from ? *from : NextId(a);
  if (!from && NextId(b) != first) return Fail("files hold different counts");
  for (std::int32_t id = first; id < first + count; ++id) {
    bool logged_out = true;
    for (PeerTable* table : {&a, &b}) {
      Logout(table->file, options.logout_wait);
      if (ErrorCode() == kErrAccessDenied && options.logout_wait > 0) {
        logged_out = false;
        break;
      }
      if (ErrorCode() != 0) return Fail("logout " + LastError());
    }
    if (!logged_out) {
      // Another process has the other file: give back the one taken, so
      // that it can finish, and begin again.
      Rollback(a.file);
      Say("retry " + std::to_string(id));
      std::this_thread::sleep_for(std::chrono::milliseconds(5 + id % 37));
      --id;
      continue;
    }
    for (PeerTable* table : {&a, &b}) {
      table->Fill(id);
      Add(table->file);
      if (ErrorCode() != 0) return Fail("add " + LastError());
    }
    if (options.stop_at != 0) {
      FaultInjection::Arm(FaultAt(options.stop_at, FaultAction::kStop));
    } else if (options.steps) {
      FaultInjection::Arm(FaultPlan{});
    }
    Commit(a.file);
    const int code = ErrorCode();
    const std::vector<std::string> steps = FaultInjection::StepPaths();
    FaultInjection::Disarm();
    if (code != 0) return Fail("commit " + LastError());
    // COMMIT ends the LOGOUT state of the FILE it names only; the other
    // FILE's ends with a COMMIT of the now empty transaction.
    Commit(b.file);
    if (ErrorCode() != 0) return Fail("commit " + LastError());
    if (options.steps) {
      for (std::size_t i = 0; i < steps.size(); ++i) {
        Say("step " + std::to_string(i + 1) + " " + steps[i]);
      }
    }
    Say("committed " + std::to_string(id));
  }
  return 0;
}

// Scans the table in one order and checks every record. Strictly, the
// table must hold the records 1..n in ID order both ways (the single
// writers of these tests add IDs in ascending order); loosely (several
// writers) only the key order must ascend. Returns the count, or nothing
// after reporting.
std::optional<std::int32_t> Scan(PeerTable& table, KeyDeclaration* key,
                                 bool loose) {
  key ? Set(*key) : Set(table.file);
  if (ErrorCode() != 0) {
    Fail("set " + LastError());
    return std::nullopt;
  }
  const char* order = key ? "key order" : "record order";
  std::int32_t count = 0;
  std::int32_t last = 0;
  for (;; ++count) {
    Next(table.file);
    if (ErrorCode() == kErrRecordNotAvailable) return count;
    if (ErrorCode() != 0) {
      Fail(std::string("next in ") + order + ": " + LastError());
      return std::nullopt;
    }
    const std::int32_t id = table.Id();
    const bool in_order = loose ? key == nullptr || id > last : id == last + 1;
    if (!table.Sound() || !in_order) {
      Fail(std::string("record ") + std::to_string(id) + " after " +
           std::to_string(last) + " in " + order +
           (table.Sound() ? "" : " is not sound"));
      return std::nullopt;
    }
    last = id;
  }
}

int ReadLoop(const std::string& path, bool loose) {
  PeerTable table(path);
  if (table.Open() != 0) return Fail("open " + LastError());
  TnlFile raw;
  if (!raw.Open(path, kOpenReadShared)) return Fail("open for the check");
  raw.SetReadingMode(true);
  long rounds = 0;
  std::set<std::int32_t> counts;
  std::int32_t last = 0;
  do {
    const std::vector<std::string> problems =
        CheckFileIntegrity(raw, LockWait::kWait);
    if (!problems.empty()) return Fail("check: " + problems.front());
    const auto by_record = Scan(table, nullptr, loose);
    if (!by_record) return 1;
    const auto by_key = Scan(table, table.id_key, loose);
    if (!by_key) return 1;
    // Records are only added, so the later scan sees at least as many.
    if (*by_key < *by_record) {
      return Fail("key order saw " + std::to_string(*by_key) +
                  " records after record order saw " +
                  std::to_string(*by_record));
    }
    counts.insert(*by_record);
    counts.insert(*by_key);
    last = *by_key;
    if (++rounds == 1) Say("ready");
  } while (!WordArrived());
  Say("rounds " + std::to_string(rounds) + " counts " +
      std::to_string(counts.size()) + " last " + std::to_string(last));
  return 0;
}

// A whole decimal number, else nothing.
std::optional<long> Number(const std::string& text) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0') return std::nullopt;
  return value;
}

int Usage() {
  std::cerr << "usage: tnl_peer hold FILE ID [SECONDS] | lock FILE [SECONDS]"
               " | put FILE ID"
               " | add FILE COUNT | txn FILE_A FILE_B COUNT [--stop-at STEP]"
               " [--steps] [--logout-wait SECONDS] | read FILE\n";
  return kUsage;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() < 2) return Usage();
  const std::string& command = args[0];
  const std::string& path = args[1];
  std::vector<long> numbers;
  TxnOptions txn;
  bool loose = false;
  std::vector<std::string> names;
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--steps") {
      txn.steps = true;
    } else if (args[i] == "--loose") {
      loose = true;
    } else if (args[i] == "--logout-wait" && i + 1 < args.size()) {
      const auto seconds = Number(args[++i]);
      if (!seconds || *seconds <= 0) return Usage();
      txn.logout_wait = static_cast<std::int32_t>(*seconds);
    } else if (args[i] == "--stop-at" && i + 1 < args.size()) {
      const auto step = Number(args[++i]);
      if (!step || *step <= 0) return Usage();
      txn.stop_at = *step;
    } else if (const auto number = Number(args[i])) {
      numbers.push_back(*number);
    } else {
      names.push_back(args[i]);
    }
  }
  auto number_at = [&](std::size_t at) -> std::optional<std::int32_t> {
    if (numbers.size() <= at) return std::nullopt;
    return static_cast<std::int32_t>(numbers[at]);
  };
  if (command == "hold" && names.empty() && !numbers.empty() &&
      numbers.size() <= 2) {
    return HoldRecord(path, static_cast<std::int32_t>(numbers[0]),
                      number_at(1));
  }
  if (command == "put" && names.empty() && numbers.size() == 1) {
    return ChangeRecord(path, static_cast<std::int32_t>(numbers[0]));
  }
  if (command == "lock" && names.empty() && numbers.size() <= 1) {
    return LockTable(path, number_at(0));
  }
  if (command == "add" && names.empty() && !numbers.empty() &&
      numbers.size() <= 2) {
    return AddRecords(path, numbers[0], number_at(1));
  }
  if (command == "txn" && names.size() == 1 && !numbers.empty() &&
      numbers.size() <= 2) {
    return RunTransactions(path, names[0], numbers[0], number_at(1), txn);
  }
  if (command == "read" && names.empty() && numbers.empty()) {
    return ReadLoop(path, loose);
  }
  return Usage();
}

}  // namespace
}  // namespace vantrel

int main(int argc, char** argv) {
  return vantrel::Run(std::vector<std::string>(argv + 1, argv + argc));
}
