#include "storage/tnl/pager/file_locks.h"

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
  // The next operation starts at the next slot, so that it does not take
  // back at once the slot a waiting writer has just been given (see
  // TakeCommitLock).
  channel.set_reader_slot((channel.reader_slot() + 1) % kReaderSlots);
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
  File* file = channel.file();
  if (file == nullptr) return false;
  if (file->Lock(kLockBase, kReaderSlots, LockWait::kNoWait)) return true;
  if (wait == LockWait::kNoWait) return false;
  // Waiting for the whole range at once lets busy readers starve the
  // writer: the range is granted only at a moment when no slot is held, and
  // a reader beginning its next operation takes a slot regardless of the
  // waiting writer. So the writer takes the slots one by one, from the top
  // down, and keeps each one it has. Readers move up to the next slot after
  // every operation, into slots the writer already holds, and wrap round to
  // the slots below it; the writer meets each reader at most a few times.
  for (int slot = kReaderSlots - 1; slot >= 0; --slot) {
    if (!file->LockByte(ReaderSlotPosition(slot), LockWait::kWait)) {
      const int held = kReaderSlots - 1 - slot;
      if (held > 0) file->Unlock(ReaderSlotPosition(slot + 1), held);
      return false;
    }
  }
  return true;
}

void ReleaseCommitLock(IoChannel& channel) {
  if (channel.file() == nullptr) return;
  channel.file()->Unlock(kLockBase, kReaderSlots);
}

}  // namespace vantrel
