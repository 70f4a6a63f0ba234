#include "storage/tnl/file_locks.h"

#include <chrono>

namespace vantrel {

int StartingReaderSlot() {
  const auto ticks =
      std::chrono::steady_clock::now().time_since_epoch().count();
  return static_cast<int>(static_cast<std::uint64_t>(ticks) % kReaderSlots);
}

bool TakeReaderSlot(IoChannel& channel, LockWait wait) {
  if (channel.file() == nullptr) return false;
  for (int failed = 0;; ++failed) {
    const LockWait this_try = wait == LockWait::kWait && failed >= kReaderSlots
                                  ? LockWait::kWait
                                  : LockWait::kNoWait;
    if (channel.file()->LockByte(ReaderSlotPosition(channel.reader_slot()),
                                 this_try)) {
      return true;
    }
    channel.set_reader_slot((channel.reader_slot() + 1) % kReaderSlots);
    if (wait == LockWait::kNoWait) return false;
  }
}

void ReleaseReaderSlot(IoChannel& channel) {
  if (channel.file() == nullptr) return;
  channel.file()->UnlockByte(ReaderSlotPosition(channel.reader_slot()));
}

bool TakeWriterByte(IoChannel& channel, LockWait wait) {
  return channel.file() != nullptr &&
         channel.file()->LockByte(kLockBase + kWriterByte, wait);
}

void ReleaseWriterByte(IoChannel& channel) {
  if (channel.file() == nullptr) return;
  channel.file()->UnlockByte(kLockBase + kWriterByte);
}

bool TakeCommitLock(IoChannel& channel, LockWait wait) {
  return channel.file() != nullptr &&
         channel.file()->Lock(kLockBase, kReaderSlots, wait);
}

void ReleaseCommitLock(IoChannel& channel) {
  if (channel.file() == nullptr) return;
  channel.file()->Unlock(kLockBase, kReaderSlots);
}

}  // namespace vantrel
