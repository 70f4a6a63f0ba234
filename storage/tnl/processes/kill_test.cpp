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
// later, so that the kill lands at varied points of the next commit (or,
// after none, of the start, which repairs what the last kill left).
struct KillPoint {
  int commits;
  int delay_us;
};
std::vector<KillPoint> KillPoints() {
  std::vector<KillPoint> points;
  for (int i = 0; i < 24; ++i) {
    points.push_back({i * 7 % 13, i * 1373 % 20000});
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

// The file's count after a kill: clean, all reported commits there (up to
// ID `reported`), and at most the one under way besides.
long ExpectCommitted(const std::string& path, long reported) {
  const ReadReport report = ReadOnce(path);
  EXPECT_TRUE(report.clean) << path << ": " << report.error;
  EXPECT_GE(report.last, reported) << path;
  EXPECT_LE(report.last, reported + 1) << path;
  return report.last;
}

TEST(KillTest, SingleFileCommitsSurviveKills) {
  const std::string path = ScratchDir() + "/cards.vtl";
  long count = 0;
  for (const KillPoint& point : KillPoints()) {
    SCOPED_TRACE("after " + std::to_string(point.commits) + " commits and " +
                 std::to_string(point.delay_us) + " us");
    const auto ids = KillWriterAt({"add", path, "100000"}, point);
    count = ExpectCommitted(path, ids.empty() ? count : ids.back());
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
  long count = 0;
  for (const KillPoint& point : KillPoints()) {
    SCOPED_TRACE("after " + std::to_string(point.commits) + " commits and " +
                 std::to_string(point.delay_us) + " us");
    const auto ids = KillWriterAt({"txn", a, b, "100000"}, point);
    const long reported = ids.empty() ? count : ids.back();
    count = ExpectCommitted(a, reported);
    EXPECT_EQ(ExpectCommitted(b, reported), count);
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
  constexpr long kSteadyFirst = 1000001, kSteadyCount = 1500;
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

// Two files in two directories, each with its own control file, and a
// writer process stopped at a chosen write or flush of a COMMIT and killed
// there.
class StoppedTransactionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string dir = ScratchDir();
    fs::create_directories(dir + "/one");
    fs::create_directories(dir + "/two");
    a_ = dir + "/one/a.vtl";
    b_ = dir + "/two/b.vtl";
    control_a_ = dir + "/one/tarnel.tcf";
    control_b_ = dir + "/two/tarnel.tcf";
  }
  void TearDown() override {
    fs::remove_all(fs::path(a_).parent_path().parent_path());
  }

  // Commits `count` transactions (none: both tables created, empty), then
  // keeps the files as they are, to start every case from.
  void Prepare(long count) {
    if (count == 0) {
      for (const std::string& file : {a_, b_}) {
        PeerProcess create({"add", file, "0"});
        ASSERT_EQ(create.Wait(), 0);
      }
    } else {
      PeerProcess setup({"txn", a_, b_, std::to_string(count)});
      ASSERT_EQ(setup.Wait(), 0);
    }
    before_ = count;
    for (const std::string& file : {a_, b_, control_a_, control_b_}) {
      if (fs::exists(file)) fs::copy_file(file, file + ".before");
    }
    MeasureSteps();
  }
  // Puts every file back as Prepare left it (control files that did not
  // exist are removed).
  void Restore() {
    for (const std::string& file : {a_, b_, control_a_, control_b_}) {
      fs::remove(file);
      if (fs::exists(file + ".before")) fs::copy_file(file + ".before", file);
    }
  }

  // The paths of the writes and flushes of one COMMIT, in order.
  void MeasureSteps() {
    PeerProcess measure({"txn", a_, b_, "1", "--steps"});
    for (const std::string& line : measure.ReadRest()) {
      if (line.starts_with("step ")) {
        steps_.push_back(line.substr(line.find(' ', 5) + 1));
      }
    }
    ASSERT_EQ(measure.Wait(), 0);
    Restore();
  }
  // The first step on `path` after step `from`.
  std::size_t FirstStep(std::size_t from, const std::string& path) const {
    for (std::size_t i = from; i < steps_.size(); ++i) {
      if (steps_[i] == path) return i + 1;
    }
    ADD_FAILURE() << "no step on " << path << " after step " << from;
    return steps_.size();
  }

  // Restores the prepared files and runs one transaction that is stopped
  // at `step` and killed there.
  void StopAndKill(std::size_t step) {
    Restore();
    PeerProcess writer({"txn", a_, b_, "1", "--stop-at", std::to_string(step)});
    EXPECT_TRUE(writer.AwaitStopped());
    writer.Kill();
    EXPECT_EQ(writer.Wait(), 128 + SIGKILL);
  }

  // Runs one transaction stopped at `step`, kills it, and checks what
  // readers see through the pending writes, then that the next writer
  // repairs both files and adds to them. Returns the count readers saw
  // (the same in both files), or -1.
  long KillAtStep(std::size_t step) {
    StopAndKill(step);
    const ReadReport seen_a = ReadOnce(a_), seen_b = ReadOnce(b_);
    EXPECT_TRUE(seen_a.clean && seen_b.clean)
        << seen_a.error << " / " << seen_b.error;
    EXPECT_EQ(seen_a.last, seen_b.last);
    PeerProcess next({"txn", a_, b_, "1"});
    EXPECT_TRUE(next.ReadUntil("committed " + std::to_string(seen_a.last + 1)));
    EXPECT_EQ(next.Wait(), 0);
    for (const std::string& file : {a_, b_}) {
      const ReadReport report = ReadOnce(file);
      EXPECT_TRUE(report.clean) << file << ": " << report.error;
      EXPECT_EQ(report.last, seen_a.last + 1) << file;
    }
    return seen_a.clean && seen_a.last == seen_b.last ? seen_a.last : -1;
  }

  std::string a_, b_, control_a_, control_b_;
  long before_ = 0;
  std::vector<std::string> steps_;
};

// Before the first control file has lost the transaction's record both
// files stay as they were; from then on both are rolled forward, even with
// the second control file still holding the record or phase two half done.
TEST_F(StoppedTransactionTest, KilledAroundTheCommitPoint) {
  Prepare(3);
  const std::size_t phase_one = FirstStep(0, a_);
  const std::size_t removal = FirstStep(phase_one, control_a_);
  const std::size_t second_removal = FirstStep(removal, control_b_);
  const std::size_t phase_two = FirstStep(second_removal, a_);
  const std::size_t phase_two_b = FirstStep(phase_two, b_);
  const struct {
    const char* name;
    std::size_t step;
    bool after;
  } cases[] = {
      {"both marked, both control files hold the record", removal, false},
      {"the first control file's record is gone", second_removal, true},
      {"commit point passed, phase two not begun", phase_two, true},
      {"phase two done on the first file only", phase_two_b, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ", step " + std::to_string(c.step));
    EXPECT_EQ(KillAtStep(c.step), before_ + (c.after ? 1 : 0));
  }
}

// The first transaction of two new files makes their control files; killed
// at any of its writes and flushes, including those that make the control
// files, it leaves files that every later transaction can use.
TEST_F(StoppedTransactionTest, FirstTransactionKilledAtEveryStep) {
  Prepare(0);
  ASSERT_FALSE(fs::exists(control_a_));
  for (std::size_t step = 1; step <= steps_.size(); ++step) {
    SCOPED_TRACE("step " + std::to_string(step) + " " + steps_[step - 1]);
    const long seen = KillAtStep(step);
    EXPECT_TRUE(seen == 0 || seen == 1) << seen;
  }
}

// After a transaction killed before or after its commit point, readers of
// both files and a writer of new transactions start at once: the readers
// see the files through the pending writes and then through the writer's
// repair and commits without an error, and both files end alike.
TEST_F(StoppedTransactionTest, ReadersAndWriterCarryOnPastAKilledTransaction) {
  Prepare(3);
  const std::size_t removal = FirstStep(FirstStep(0, a_), control_a_);
  const std::size_t phase_two = FirstStep(FirstStep(removal, control_b_), a_);
  constexpr long kMore = 100;
  for (const auto& [step, after] :
       {std::pair{removal, false}, std::pair{phase_two, true}}) {
    SCOPED_TRACE("step " + std::to_string(step));
    StopAndKill(step);
    PeerProcess reader_a({"read", a_}), reader_b({"read", b_});
    PeerProcess writer({"txn", a_, b_, std::to_string(kMore)});
    const long count = before_ + (after ? 1 : 0) + kMore;
    EXPECT_TRUE(writer.ReadUntil("committed " + std::to_string(count)));
    EXPECT_EQ(writer.Wait(), 0);
    for (PeerProcess* reader : {&reader_a, &reader_b}) {
      const ReadReport report = FinishReading(*reader);
      EXPECT_TRUE(report.clean) << report.error;
      EXPECT_EQ(report.last, count);
    }
  }
}

}  // namespace
}  // namespace vantrel
