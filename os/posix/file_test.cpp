#include "os/posix/file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "os/posix/fault_injection.h"
#include "os/posix/os_error.h"

namespace vantrel {
namespace {

constexpr std::uint64_t kFormatLocks = 0x80000000;

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("vantrel_file_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / "data.bin").string();
  }
  void TearDown() override {
    FaultInjection::Disarm();
    std::filesystem::remove_all(dir_);
  }

  std::unique_ptr<File> OpenMode(unsigned mode) {
    return File::Open(path_, OpenOptionsFromMode(mode));
  }

  std::filesystem::path dir_;
  std::string path_;
};

// Runs `body` in a child process; returns its exit status (body's result).
int InChild(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(FileTest, ReadsWritesSizesAndTruncates) {
  EXPECT_EQ(OpenMode(0x42), nullptr);
  EXPECT_EQ(LastSystemError(), kSysFileNotFound);

  auto file = OpenMode(0x42 | kOpenCreate);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), 0);
  const char text[] = "0123456789";
  IoResult w = file->WriteAt(1000, text, 10);
  EXPECT_EQ(w.bytes, 10u);
  EXPECT_EQ(w.error, kSysNone);
  EXPECT_EQ(file->Size(), 1010);

  char buffer[32] = {};
  IoResult r = file->ReadAt(1005, buffer, sizeof buffer);
  EXPECT_EQ(r.bytes, 5u);  // short at the end of the file
  EXPECT_EQ(std::string(buffer, 5), "56789");
  EXPECT_EQ(file->ReadAt(5000, buffer, 4).bytes, 0u);

  EXPECT_TRUE(file->Truncate(1002));
  EXPECT_EQ(file->Size(), 1002);
  EXPECT_TRUE(file->Flush());

  // Replace empties an existing file.
  file.reset();
  file = OpenMode(0x42 | kOpenReplace);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), 0);
}

// An exclusive create makes a missing file and refuses an existing one,
// leaving its bytes alone.
TEST_F(FileTest, ExclusiveCreateRefusesAnExistingFile) {
  OpenOptions options;
  options.write = options.create = options.exclusive = true;
  auto file = File::Open(path_, options);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->WriteAt(0, "kept", 4).bytes, 4u);
  file.reset();
  EXPECT_EQ(File::Open(path_, options), nullptr);
  EXPECT_EQ(LastSystemError(), kSysFileExists);
  EXPECT_EQ(std::filesystem::file_size(path_), 4u);
}

TEST_F(FileTest, ReadOnlyOpenRefusesWrites) {
  { auto create = OpenMode(0x42 | kOpenCreate); }
  auto file = OpenMode(0x40);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->WriteAt(0, "x", 1).error, kSysAccessDenied);
  EXPECT_FALSE(file->Truncate(0));
  EXPECT_EQ(LastSystemError(), kSysAccessDenied);
}

TEST_F(FileTest, ShareModesRefuseConflictingOpens) {
  struct Case {
    unsigned first, second;
    bool second_opens;
  } cases[] = {
      {0x42, 0x42, true},   // deny none both
      {0x22, 0x40, true},   // deny write lets a reader in
      {0x22, 0x42, false},  // ... but no writer
      {0x40, 0x22, true},   // a reader does not stop deny write
      {0x42, 0x22, false},  // a writer does stop it
      {0x12, 0x40, false},  // deny all
      {0x40, 0x10, false},  // deny all against a reader
      {0x31, 0x40, false},  // deny read against a reader
      {0x31, 0x41, true},   // ... not against a writer
      {0x20, 0x20, true},   // two read-only deny-write opens
      {0x22, 0x20, false},  // deny write against a writer
  };
  { auto create = OpenMode(0x42 | kOpenCreate); }
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << std::hex << c.first << " then " << c.second);
    auto first = OpenMode(c.first);
    ASSERT_NE(first, nullptr);
    auto second = OpenMode(c.second);
    EXPECT_EQ(second != nullptr, c.second_opens);
    if (!c.second_opens) {
      EXPECT_EQ(LastSystemError(), kSysSharingViolation);
    }
  }
}

TEST_F(FileTest, DeniedReplaceLeavesTheFileAlone) {
  auto holder = OpenMode(0x22 | kOpenCreate);
  ASSERT_NE(holder, nullptr);
  ASSERT_EQ(holder->WriteAt(0, "keep", 4).bytes, 4u);
  EXPECT_EQ(OpenMode(0x42 | kOpenReplace), nullptr);
  EXPECT_EQ(holder->Size(), 4);
}

TEST_F(FileTest, ShareModesHoldAcrossProcesses) {
  auto holder = OpenMode(0x12 | kOpenCreate);
  ASSERT_NE(holder, nullptr);
  const std::string path = path_;
  EXPECT_EQ(InChild([&] {
              auto other = File::Open(path, OpenOptionsFromMode(0x40));
              return other == nullptr ? LastSystemError() : 0;
            }),
            kSysSharingViolation);
  holder.reset();
  EXPECT_EQ(InChild([&] {
              return File::Open(path, OpenOptionsFromMode(0x40)) ? 0 : 1;
            }),
            0);
}

TEST_F(FileTest, ByteLocksExcludeOtherProcessesAndSurviveOtherCloses) {
  auto holder = OpenMode(0x42 | kOpenCreate);
  ASSERT_NE(holder, nullptr);
  const std::uint64_t offsets[] = {kFormatLocks + 0x3FF,
                                   kFormatLocks + 0x400 + (1ull << 40)};
  for (std::uint64_t offset : offsets) {
    ASSERT_TRUE(holder->LockByte(offset, LockWait::kNoWait));
  }
  // Closing another descriptor of the same file keeps the holder's locks.
  { auto second = OpenMode(0x42); }

  const std::string path = path_;
  auto try_lock = [&](std::uint64_t offset) {
    return InChild([&] {
      auto other = File::Open(path, OpenOptionsFromMode(0x40));
      if (!other) return 2;
      if (other->LockByte(offset, LockWait::kNoWait)) return 0;
      return LastSystemError() == kSysLockViolation ? 1 : 3;
    });
  };
  for (std::uint64_t offset : offsets) {
    EXPECT_EQ(try_lock(offset), 1) << std::hex << offset;
    EXPECT_EQ(try_lock(offset + 1), 0) << "one byte only";
  }
  EXPECT_TRUE(holder->UnlockByte(offsets[0]));
  EXPECT_EQ(try_lock(offsets[0]), 0);
  EXPECT_EQ(try_lock(offsets[1]), 1);
}

TEST_F(FileTest, WaitingLockProceedsWhenReleased) {
  auto holder = OpenMode(0x42 | kOpenCreate);
  ASSERT_NE(holder, nullptr);
  const std::uint64_t range = kFormatLocks;
  ASSERT_TRUE(holder->Lock(range, 0x3FF, LockWait::kNoWait));

  int to_parent[2];
  ASSERT_EQ(pipe(to_parent), 0);
  const std::string path = path_;
  const pid_t pid = fork();
  if (pid == 0) {
    auto other = File::Open(path, OpenOptionsFromMode(0x40));
    char ready = 'r';
    if (write(to_parent[1], &ready, 1) != 1 || !other) _exit(2);
    const bool locked = other->LockByte(range + 7, LockWait::kWait);
    char done = locked ? 'l' : 'f';
    _exit(write(to_parent[1], &done, 1) == 1 ? 0 : 2);
  }
  close(to_parent[1]);
  char c = 0;
  ASSERT_EQ(read(to_parent[0], &c, 1), 1);
  EXPECT_EQ(c, 'r');
  usleep(100 * 1000);
  EXPECT_TRUE(holder->Unlock(range, 0x3FF));
  ASSERT_EQ(read(to_parent[0], &c, 1), 1);
  EXPECT_EQ(c, 'l');
  int status = 0;
  waitpid(pid, &status, 0);
  close(to_parent[0]);
}

TEST_F(FileTest, FaultSeamFailsShortensAndCountsSteps) {
  auto file = OpenMode(0x42 | kOpenCreate);
  ASSERT_NE(file, nullptr);
  char block[64];
  std::memset(block, 'a', sizeof block);

  FaultInjection::Arm(FaultAt(2, FaultAction::kFail));
  EXPECT_EQ(file->WriteAt(0, block, 64).bytes, 64u);
  IoResult failed = file->WriteAt(64, block, 64);
  EXPECT_EQ(failed.bytes, 0u);
  EXPECT_EQ(failed.error, kSysWriteFault);
  EXPECT_TRUE(file->Flush());
  EXPECT_EQ(FaultInjection::Writes(), 2);
  EXPECT_EQ(FaultInjection::Flushes(), 1);
  EXPECT_EQ(file->Size(), 64);

  FaultInjection::Arm(FaultAt(1, FaultAction::kShort, 10));
  IoResult short_write = file->WriteAt(64, block, 64);
  EXPECT_EQ(short_write.bytes, 10u);
  EXPECT_EQ(short_write.error, kSysNone);
  EXPECT_EQ(file->Size(), 74);

  FaultPlan elsewhere = FaultAt(1, FaultAction::kFail);
  elsewhere.path_suffix = "other.bin";
  FaultInjection::Arm(elsewhere);
  EXPECT_TRUE(file->Flush());  // another file's plan
  FaultInjection::Arm(FaultAt(1, FaultAction::kFail));
  EXPECT_FALSE(file->Flush());
  EXPECT_EQ(LastSystemError(), kSysWriteFault);
}

TEST_F(FileTest, FaultSeamCrashEndsTheProcessMidWrite) {
  const std::string path = path_;
  const int status = InChild([&] {
    auto file = File::Open(path, OpenOptionsFromMode(0x42 | kOpenCreate));
    FaultInjection::Arm(FaultAt(1, FaultAction::kCrash, 3));
    file->WriteAt(0, "abcdef", 6);
    return 0;
  });
  EXPECT_EQ(status, kFaultCrashExitCode);
  auto file = OpenMode(0x40);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), 3);
}

}  // namespace
}  // namespace vantrel
