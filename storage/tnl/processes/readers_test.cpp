// A reader process scanning and checking a file while a writer process
// commits to it, over and over.
#include <gtest/gtest.h>

#include <filesystem>

#include "storage/tnl/processes/peer_process.h"

namespace vantrel {
namespace {

// Enough commits that the writer's page moves and splits happen while the
// reader works, few enough to stay quick while the reader keeps the file
// busy.
constexpr int kCommits = 1000;

// Every round of the reader checks the whole file in one operation and
// scans it in record order and in key order between the writer's commits:
// no round may meet a half-written page, a torn record or a key entry
// without its record.
TEST(ReadersTest, ReaderNeverSeesAHalfWrittenCommit) {
  const std::string path = ScratchDir() + "/cards.vtl";
  PeerProcess seed({"add", path, "10"});
  ASSERT_TRUE(seed.ReadUntil("committed 10"));
  ASSERT_EQ(seed.Wait(), 0);

  PeerProcess reader({"read", path});
  ASSERT_TRUE(reader.ReadUntil("ready"));
  PeerProcess writer({"add", path, std::to_string(kCommits)});
  EXPECT_TRUE(writer.ReadUntil("committed " + std::to_string(10 + kCommits)));
  EXPECT_EQ(writer.Wait(), 0);

  const ReadReport report = FinishReading(reader);
  EXPECT_TRUE(report.clean) << report.error;
  // It saw the writer at work, not just the file before and after.
  EXPECT_GE(report.counts, 3);
  EXPECT_EQ(report.last, 10 + kCommits);
  std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}

}  // namespace
}  // namespace vantrel
