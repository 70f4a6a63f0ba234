#include "storage/tnl/table/external_sort.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "os/posix/fault_injection.h"
#include "os/posix/os_error.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using Record = std::vector<std::uint8_t>;

class ExternalSortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("sort_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    FaultInjection::Disarm();
    fs::remove_all(dir_);
  }

  ExternalSortOptions Options(std::size_t memory) const {
    return {memory, dir_.string()};
  }
  bool DirectoryEmpty() const { return fs::is_empty(dir_); }

  fs::path dir_;
};

// Records of 0..max_length random bytes over a small alphabet, so that
// prefixes, equal records and every length order occur often.
std::vector<Record> RandomRecords(std::size_t count, std::size_t max_length,
                                  unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<std::size_t> length(0, max_length);
  std::uniform_int_distribution<int> byte(0, 3);
  std::vector<Record> out(count);
  for (Record& r : out) {
    r.resize(length(random));
    for (auto& b : r) b = static_cast<std::uint8_t>(byte(random) * 0x55);
  }
  return out;
}

std::vector<Record> MergeAll(ExternalSorter& sorter) {
  std::vector<Record> out;
  EXPECT_TRUE(sorter.Merge([&](std::span<const std::uint8_t> r) {
    out.emplace_back(r.begin(), r.end());
    return true;
  }));
  return out;
}

TEST_F(ExternalSortTest, SortsLikeStdSortInMemoryAndThroughRuns) {
  struct Case {
    std::size_t count;
    std::size_t max_length;
    std::size_t memory;
    bool runs;
  };
  const Case cases[] = {
      {0, 8, 1024, false},       // nothing at all
      {500, 6, 1 << 20, false},  // fits: no file
      {5000, 6, 512, true},      // many short runs, many duplicates
      {3000, 40, 4096, true},    // records spanning read buffers
      {1, 0, 1, false},          // one empty record
  };
  unsigned seed = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.count << " records, memory " << c.memory);
    auto records = RandomRecords(c.count, c.max_length, seed++);
    ExternalSorter sorter(Options(c.memory));
    for (const Record& r : records) ASSERT_TRUE(sorter.Add(r));
    ASSERT_TRUE(sorter.Finish());
    EXPECT_EQ(sorter.run_count() > 1, c.runs);
    EXPECT_EQ(sorter.record_count(), c.count);
    std::sort(records.begin(), records.end());
    EXPECT_EQ(MergeAll(sorter), records);
    // The runs stay readable: a second merge gives the same.
    EXPECT_EQ(MergeAll(sorter), records);
    EXPECT_TRUE(DirectoryEmpty());
  }
}

TEST_F(ExternalSortTest, RecordLongerThanTheBufferAndEarlyStop) {
  const Record big(10000, 0x41);
  const Record small = {0x41, 0x42};
  ExternalSorter sorter(Options(64));
  ASSERT_TRUE(sorter.Add(small));
  ASSERT_TRUE(sorter.Add(big));
  ASSERT_TRUE(sorter.Add(Record{0x00}));
  ASSERT_TRUE(sorter.Finish());
  EXPECT_EQ(sorter.run_count(), 3u);
  EXPECT_EQ(MergeAll(sorter), (std::vector<Record>{{0x00}, big, small}));

  int visited = 0;
  EXPECT_TRUE(sorter.Merge(
      [&](std::span<const std::uint8_t>) { return ++visited < 2; }));
  EXPECT_EQ(visited, 2);
}

TEST_F(ExternalSortTest, FailedRunWriteFailsTheSorterAndLeavesNoFile) {
  FaultPlan plan = FaultAt(2, FaultAction::kFail);
  plan.error = ENOSPC;
  plan.path_suffix = ".tmp";
  FaultInjection::Arm(plan);
  ExternalSorter sorter(Options(16));
  bool added = true;
  for (int i = 0; i < 100 && added; ++i) {
    added = sorter.Add(Record(10, static_cast<std::uint8_t>(i)));
  }
  EXPECT_FALSE(added);
  EXPECT_EQ(sorter.error(), kSysHandleDiskFull);
  EXPECT_FALSE(sorter.Add(Record{1}));
  EXPECT_FALSE(sorter.Finish());
  EXPECT_FALSE(sorter.Merge([](std::span<const std::uint8_t>) {
    ADD_FAILURE() << "a failed sorter visited a record";
    return true;
  }));
  EXPECT_TRUE(DirectoryEmpty());
}

TEST_F(ExternalSortTest, MissingDirectoryIsReported) {
  ExternalSortOptions options = Options(8);
  options.directory = (dir_ / "absent").string();
  ExternalSorter sorter(options);
  EXPECT_TRUE(sorter.Add(Record{1}));
  EXPECT_FALSE(sorter.Add(Record(9, 2)));  // the first run cannot be written
  EXPECT_NE(sorter.error(), 0);
}

}  // namespace
}  // namespace vantrel
