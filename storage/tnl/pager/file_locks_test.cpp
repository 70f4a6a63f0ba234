#include "storage/tnl/pager/file_locks.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "storage/tnl/pager/header_load.h"

namespace vantrel {
namespace {

// Locks belong to an open file, so separate opens in one process contend
// as separate processes would.
class FileLocksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::path(::testing::TempDir()) /
             ("locks_" + std::to_string(::getpid()) + ".tnl"))
                .string();
    std::ofstream(path_).close();
    for (IoChannel* channel : {&reader_, &late_reader_, &writer_, &probe_}) {
      ASSERT_TRUE(
          channel->Open(path_, NativeOpenOptions(kOpenReadWriteShared)));
    }
  }
  void TearDown() override {
    for (IoChannel* channel : {&reader_, &late_reader_, &writer_, &probe_}) {
      channel->Close();
    }
    std::filesystem::remove(path_);
  }

  // True once someone else holds reader slot `slot`.
  bool SlotTaken(int slot) {
    File& file = *probe_.file();
    if (!file.LockByte(ReaderSlotPosition(slot), LockWait::kNoWait)) {
      return true;
    }
    file.UnlockByte(ReaderSlotPosition(slot));
    return false;
  }
  // Waits (boundedly, so a fault fails rather than hangs) until `slot` is
  // taken.
  bool AwaitTaken(int slot) {
    const auto give_up =
        std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!SlotTaken(slot)) {
      if (std::chrono::steady_clock::now() > give_up) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  std::string path_;
  IoChannel reader_, late_reader_, writer_, probe_;
};

// A writer waiting for the commit lock behind a reader keeps every slot it
// has won: a reader that comes later cannot take one of them, and the
// reader in the way moves on to another slot for its next operation, so
// the writer is not starved by readers that never pause.
TEST_F(FileLocksTest, WaitingWriterKeepsTheSlotsItHasWon) {
  constexpr int kInTheWay = 500;
  reader_.set_reader_slot(kInTheWay);
  ASSERT_TRUE(TakeReaderSlot(reader_, LockWait::kNoWait));

  auto commit = std::async(std::launch::async, [&] {
    return TakeCommitLock(writer_, LockWait::kWait);
  });
  // (No ASSERT until the reader lets go: the writer's thread waits for it.)
  EXPECT_TRUE(AwaitTaken(kInTheWay + 1));
  late_reader_.set_reader_slot(kInTheWay + 200);
  EXPECT_FALSE(TakeReaderSlot(late_reader_, LockWait::kNoWait));

  ReleaseReaderSlot(reader_);
  EXPECT_EQ(reader_.reader_slot(), kInTheWay + 1);
  ASSERT_TRUE(commit.get());
  EXPECT_FALSE(TakeReaderSlot(reader_, LockWait::kNoWait));
  for (int slot : {0, kInTheWay, kReaderSlots - 1}) {
    EXPECT_TRUE(SlotTaken(slot)) << slot;
  }

  ReleaseCommitLock(writer_);
  EXPECT_TRUE(TakeReaderSlot(reader_, LockWait::kNoWait));
}

}  // namespace
}  // namespace vantrel
