// The byte-range locks of a native file. Each is a lock on bytes far beyond
// any data, at kLockBase + offset:
//
//   0x000 .. 0x3FE   reader slots: a user in reading mode of a shared file
//                    holds one from its header load to the end of its
//                    operation
//   0x3FF            writer byte: held by a user in writing mode from the
//                    beginning of a change until it is committed
//   0x000 .. 0x3FE   as one range: the commit lock; a committing writer
//                    takes every reader slot, so no reader sees a
//                    half-written file
//   0x400 + n + 1    record hold or table lock of number n
#ifndef VANTREL_STORAGE_TNL_PAGER_FILE_LOCKS_H_
#define VANTREL_STORAGE_TNL_PAGER_FILE_LOCKS_H_

#include <cstdint>

#include "os/posix/file.h"
#include "storage/tnl/pager/io_channel.h"

namespace vantrel {

inline constexpr std::uint64_t kLockBase = 0x80000000;
inline constexpr int kReaderSlots = 1023;
inline constexpr std::uint64_t kWriterByte = 0x3FF;
inline constexpr std::uint64_t kHoldBase = 0x400;

// The lock position of reader slot `slot` and of the hold of number `n`.
constexpr std::uint64_t ReaderSlotPosition(int slot) {
  return kLockBase + static_cast<std::uint64_t>(slot);
}
constexpr std::uint64_t HoldPosition(std::uint32_t n) {
  return kLockBase + kHoldBase + n + 1;
}

// A time-dependent first reader slot, 0..1022, so that users starting at
// different moments rarely try the same slot.
int StartingReaderSlot();

// Takes a reader slot, starting with the channel's current slot; every
// failed attempt advances it by one (mod 1023). Without waiting one attempt
// is made; a waiting request tries the next slots until one is free, and
// once every slot has failed in a row (a writer is committing) it waits for
// the next one.
bool TakeReaderSlot(IoChannel& channel, LockWait wait);
void ReleaseReaderSlot(IoChannel& channel);

bool TakeWriterByte(IoChannel& channel, LockWait wait);
void ReleaseWriterByte(IoChannel& channel);

// The commit lock: every reader slot at once.
bool TakeCommitLock(IoChannel& channel, LockWait wait);
void ReleaseCommitLock(IoChannel& channel);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_PAGER_FILE_LOCKS_H_
