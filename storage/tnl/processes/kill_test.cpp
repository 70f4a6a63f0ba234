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
#include "storage/tnl/processes/peer_table.h"

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
    points.push_back({1 + i * 7 % 13, i * 1373 % 20000});
  }
  return points;
}

// Runs `args` (a writer that reports "committed ID" and would go on for
// long), kills it at `point`, and returns the IDs it reported.
std::vector<long> KillWriterAt(const std::vector<std::string>& args,
                               KillPoint point) {
  PeerProcess writer(args);
  EXPECT_TRUE(writer.started());
  std::vector<long> reported;
  for (int i = 0; i < point.commits; ++i) {
    const auto line = writer.ReadUntil("committed ");
    if (!line) {
      ADD_FAILURE() << "the writer stopped reporting";
      return reported;
    }
    reported.push_back(NumberAfter(*line, "committed "));
  }
  std::this_thread::sleep_for(std::chrono::microseconds(point.delay_us));
  writer.Kill();
  EXPECT_EQ(writer.Wait(), 128 + SIGKILL);
  // Reports written before the kill still count.
  for (const std::string& line : writer.ReadRest()) {
    if (line.starts_with("committed ")) {
      reported.push_back(NumberAfter(line, "committed "));
    }
  }
  return reported;
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
    const long reported = KillWriterAt({"add", path, "100000"}, point).back();
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
    const long reported = KillWriterAt({"txn", a, b, "100000"}, point).back();
    EXPECT_EQ(ExpectCommitted(a, reported), ExpectCommitted(b, reported));
  }
  fs::remove_all(dir);
}

// A writer is killed again and again while another writer and a reader
// work on the same file: the live writer takes over the dead one's writer
// byte and repairs its interrupted commit, the reader never meets an error,
// and every commit either writer reported is there.
TEST(KillTest, LiveWriterAndReaderCarryOnPastKilledWriters) {
  const std::string path = ScratchDir() + "/cards.vtl";
  {
    PeerProcess seed({"add", path, "10"});
    ASSERT_EQ(seed.Wait(), 0);
  }
  constexpr long kSteadyFirst = 1000001, kSteadyCount = 3000;
  PeerProcess reader({"read", path, "--loose"});
  ASSERT_TRUE(reader.ReadUntil("ready"));
  PeerProcess steady({"add", path, std::to_string(kSteadyCount),
                      std::to_string(kSteadyFirst)});
  std::vector<long> killed_ids;
  const std::vector<KillPoint> points = KillPoints();
  for (std::size_t i = 0; i < points.size(); i += 2) {
    const std::vector<long> ids =
        KillWriterAt({"add", path, "100000"}, points[i]);
    killed_ids.insert(killed_ids.end(), ids.begin(), ids.end());
  }
  EXPECT_TRUE(steady.ReadUntil(
      "committed " + std::to_string(kSteadyFirst + kSteadyCount - 1)));
  EXPECT_EQ(steady.Wait(), 0);
  const ReadReport during = FinishReading(reader);
  EXPECT_TRUE(during.clean) << during.error;

  PeerTable table(path);
  ASSERT_EQ(table.Open(), 0) << Error();
  for (long id : killed_ids) {
    table.SetId(static_cast<std::int32_t>(id));
    Get(table.file, *table.id_key);
    EXPECT_EQ(ErrorCode(), 0) << "reported record " << id << " lost";
  }
  // Each killed writer may have committed one record it did not report.
  const long reported = 10 + kSteadyCount + std::ssize(killed_ids);
  EXPECT_GE(Records(table.file), reported);
  EXPECT_LE(Records(table.file), reported + std::ssize(points) / 2);
  const ReadReport after = ReadOnce(path, /*loose=*/true);
  EXPECT_TRUE(after.clean) << after.error;
  fs::remove_all(fs::path(path).parent_path());
}

// A transaction over two directories stopped at chosen steps of its COMMIT
// and killed there: before the first control file has lost its record both
// files stay as they were; from then on both are rolled forward, even with
// the second control file still holding the record or phase two half done.
// The next writer repairs both and goes on.
TEST(KillTest, TransactionKilledAroundItsCommitPoint) {
  const std::string dir = ScratchDir();
  const std::string a = dir + "/one/a.vtl", b = dir + "/two/b.vtl";
  const std::string control_a = dir + "/one/tarnel.tcf";
  const std::string control_b = dir + "/two/tarnel.tcf";
  fs::create_directories(dir + "/one");
  fs::create_directories(dir + "/two");
  constexpr long kBefore = 3;
  {
    PeerProcess setup({"txn", a, b, std::to_string(kBefore)});
    ASSERT_EQ(setup.Wait(), 0);
  }
  const std::vector<std::string> files = {a, b, control_a, control_b};
  for (const std::string& file : files) fs::copy_file(file, file + ".before");
  auto restore = [&] {
    for (const std::string& file : files) {
      fs::copy_file(file + ".before", file,
                    fs::copy_options::overwrite_existing);
    }
  };

  // The writes and flushes of one COMMIT, in order.
  std::vector<std::string> steps;
  {
    PeerProcess measure({"txn", a, b, "1", "--steps"});
    for (const std::string& line : measure.ReadRest()) {
      if (line.starts_with("step "))
        steps.push_back(line.substr(line.find(' ', 5) + 1));
    }
    ASSERT_EQ(measure.Wait(), 0);
  }
  auto first_step = [&](std::size_t from, const std::string& path) {
    for (std::size_t i = from; i < steps.size(); ++i) {
      if (steps[i] == path) return i + 1;
    }
    ADD_FAILURE() << "no step on " << path << " after step " << from;
    return steps.size();
  };
  const std::size_t phase_one = first_step(0, a);
  const std::size_t removal = first_step(phase_one, control_a);
  const std::size_t second_removal = first_step(removal, control_b);
  const std::size_t phase_two = first_step(second_removal, a);
  const std::size_t phase_two_b = first_step(phase_two, b);
  const struct {
    const char* name;
    std::size_t step;
    long count;
  } cases[] = {
      {"both marked, both control files hold the record", removal, kBefore},
      {"the first control file's record is gone", second_removal, kBefore + 1},
      {"commit point passed, phase two not begun", phase_two, kBefore + 1},
      {"phase two done on the first file only", phase_two_b, kBefore + 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ", step " + std::to_string(c.step));
    restore();
    PeerProcess writer({"txn", a, b, "1", "--stop-at", std::to_string(c.step)});
    ASSERT_TRUE(writer.AwaitStopped());
    writer.Kill();
    EXPECT_EQ(writer.Wait(), 128 + SIGKILL);
    // Readers see the outcome through the pending writes.
    for (const std::string& file : {a, b}) {
      const ReadReport report = ReadOnce(file);
      EXPECT_TRUE(report.clean) << file << ": " << report.error;
      EXPECT_EQ(report.last, c.count) << file;
    }
    // A writer repairs both files and adds to them.
    PeerProcess next({"txn", a, b, "1"});
    EXPECT_TRUE(next.ReadUntil("committed " + std::to_string(c.count + 1)));
    EXPECT_EQ(next.Wait(), 0);
    for (const std::string& file : {a, b}) {
      const ReadReport report = ReadOnce(file);
      EXPECT_TRUE(report.clean) << file << ": " << report.error;
      EXPECT_EQ(report.last, c.count + 1) << file;
    }
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vantrel
