#include "storage/tnl/pager/io_channel.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "os/posix/fault_injection.h"
#include "os/posix/os_error.h"
#include "storage/tnl/format/internal_check.h"

namespace vantrel {
namespace {

using Bytes = std::vector<unsigned char>;

class IoChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() /
             ("vantrel_io_" + std::to_string(getpid()) + ".tnl"))
                .string();
    ASSERT_TRUE(channel_.Open(
        path_, OpenOptionsFromMode(kOpenReadWriteShared | kOpenCreate)));
  }
  void TearDown() override {
    FaultInjection::Disarm();
    channel_.Close();
    std::filesystem::remove(path_);
  }

  Bytes Block(unsigned char fill, std::size_t length = kCipherBlockSize) {
    return Bytes(length, fill);
  }
  Bytes OnDisk(std::uint64_t position, std::size_t length) {
    Bytes out(length);
    out.resize(channel_.file()->ReadAt(position, out.data(), length).bytes);
    return out;
  }

  std::string path_;
  IoChannel channel_;
};

TEST_F(IoChannelTest, EnciphersOnDiskAndLeavesCallersBufferAlone) {
  channel_.SetPassword("pw");
  Bytes data(2 * kCipherBlockSize);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = i;
  const Bytes original = data;
  channel_.WriteBlock(128, data.size(), data.data());
  EXPECT_EQ(data, original);
  EXPECT_NE(OnDisk(128, data.size()), original);

  Bytes back(data.size());
  EXPECT_EQ(channel_.ReadBlock(back.size(), back.data(), 128), back.size());
  EXPECT_EQ(back, original);
  // Past the end: a shorter count.
  EXPECT_EQ(channel_.ReadBlock(back.size(), back.data(), 192), 64u);

  channel_.SetPassword("");
  Bytes plain = Block('p');
  channel_.WriteBlock(0, plain.size(), plain.data());
  EXPECT_EQ(OnDisk(0, 64), plain);
}

TEST_F(IoChannelTest, StickyErrorKeepsTheFirstFailureAndSkipsLaterWrites) {
  const Bytes a = Block('a'), b = Block('b');
  FaultInjection::Arm(FaultAt(1, FaultAction::kFail));  // EIO
  channel_.WriteBlock(0, a.size(), a.data());
  EXPECT_EQ(channel_.error(), kSysWriteFault);
  FaultInjection::Arm(FaultAt(1, FaultAction::kShort, 10));
  channel_.WriteBlock(64, b.size(), b.data());  // skipped: no step counted
  EXPECT_EQ(FaultInjection::Writes(), 0);
  EXPECT_EQ(channel_.error(), kSysWriteFault);
  EXPECT_EQ(channel_.file()->Size(), 0);

  channel_.ClearError();
  channel_.WriteBlock(64, b.size(), b.data());  // now stopped short
  EXPECT_EQ(channel_.error(), kShortWriteError);

  channel_.ClearError();
  FaultInjection::Arm(FaultAt(1, FaultAction::kFail));
  EXPECT_FALSE(channel_.Flush());
  EXPECT_EQ(channel_.error(), kSysWriteFault);
}

TEST_F(IoChannelTest, PartialBlocksFailTheirChecks) {
  Bytes data = Block('x', 100);
  EXPECT_EQ(
      RunOperation(path_,
                   [&] { channel_.WriteBlock(0, data.size(), data.data()); }),
      kCheckWriteBlockLength);
  EXPECT_EQ(
      RunOperation(path_,
                   [&] { channel_.ReadBlock(data.size(), data.data(), 0); }),
      kCheckReadBlockLength);
  EXPECT_EQ(
      RunOperation(path_,
                   [&] { channel_.ReadBlock(64, data.data(), ~0ull - 10); }),
      kCheckReadPosition);
}

TEST_F(IoChannelTest, ReadOnlyChannelReportsWritesAsAccessDenied) {
  IoChannel reader;
  ASSERT_TRUE(reader.Open(path_, OpenOptionsFromMode(kOpenReadShared)));
  const Bytes a = Block('a');
  reader.WriteBlock(0, a.size(), a.data());
  EXPECT_EQ(reader.error(), kSysAccessDenied);
}

}  // namespace
}  // namespace vantrel
