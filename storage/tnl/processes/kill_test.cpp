// Writer processes killed with SIGKILL in the middle of their work: every
// commit they reported survives, at most the one under way is added, and
// the files check clean, both when read through the pending write and after
// the next writer has repaired it.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "storage/tnl/processes/peer_process.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// When to kill: after this many "committed" lines of the run, and this much
// later, so that the kill lands at varied points of the next commit.
struct KillPoint {
  int commits;
  int delay_us;
};
std::vector<KillPoint> KillPoints() {
  std::vector<KillPoint> points;
  for (int i = 0; i < 24; ++i) {
    points.push_back({1 + i * 7 % 13, i * 373 % 2000});
  }
  return points;
}

// Runs `args` (a writer that reports "committed ID" and would go on for
// long), kills it at `point`, and returns the last ID it reported.
long KillWriterAt(const std::vector<std::string>& args, KillPoint point) {
  PeerProcess writer(args);
  EXPECT_TRUE(writer.started());
  long last = -1;
  for (int i = 0; i < point.commits; ++i) {
    const auto line = writer.ReadUntil("committed ");
    if (!line) {
      ADD_FAILURE() << "the writer stopped reporting";
      return last;
    }
    last = NumberAfter(*line, "committed ");
  }
  std::this_thread::sleep_for(std::chrono::microseconds(point.delay_us));
  writer.Kill();
  EXPECT_EQ(writer.Wait(), 128 + SIGKILL);
  // Reports written before the kill still count.
  for (const std::string& line : writer.ReadRest()) {
    if (line.starts_with("committed ")) last = NumberAfter(line, "committed ");
  }
  return last;
}

// The file's count after a kill: clean, all reported commits there, and at
// most the one under way besides.
long ExpectCommitted(const std::string& path, long reported) {
  const ReadReport report = ReadOnce(path);
  EXPECT_TRUE(report.clean) << path << ": " << report.error;
  EXPECT_GE(report.last, reported) << path;
  EXPECT_LE(report.last, reported + 1) << path;
  return report.last;
}

TEST(KillTest, SingleFileCommitsSurviveKills) {
  const std::string path = ScratchDir() + "/cards.vtl";
  for (const KillPoint& point : KillPoints()) {
    SCOPED_TRACE("after " + std::to_string(point.commits) + " commits and " +
                 std::to_string(point.delay_us) + " us");
    const long reported = KillWriterAt({"add", path, "100000"}, point);
    ExpectCommitted(path, reported);
  }
  fs::remove_all(fs::path(path).parent_path());
}

// Each transaction adds one record to each of two files in two directories
// (two control files); after every kill both files hold the same count.
TEST(KillTest, TwoFileTransactionsSurviveKillsAllOrNothing) {
  const std::string dir = ScratchDir();
  fs::create_directories(dir + "/one");
  fs::create_directories(dir + "/two");
  const std::string a = dir + "/one/a.vtl", b = dir + "/two/b.vtl";
  for (const KillPoint& point : KillPoints()) {
    SCOPED_TRACE("after " + std::to_string(point.commits) + " commits and " +
                 std::to_string(point.delay_us) + " us");
    const long reported = KillWriterAt({"txn", a, b, "100000"}, point);
    EXPECT_EQ(ExpectCommitted(a, reported), ExpectCommitted(b, reported));
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vantrel
