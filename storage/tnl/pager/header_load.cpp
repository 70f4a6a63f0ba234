#include "storage/tnl/pager/header_load.h"

#include <array>

#include "storage/tnl/pager/file_locks.h"

namespace vantrel {
namespace {

bool TakeOperationLock(IoChannel& channel, HeaderLoadState& state,
                       LockWait wait, bool* taken) {
  *taken = false;
  if (state.sharing != Sharing::kOthersWrite) return true;
  bool& held =
      state.reading_mode ? state.holds_reader_slot : state.holds_writer_byte;
  if (held) return true;
  const bool locked = state.reading_mode ? TakeReaderSlot(channel, wait)
                                         : TakeWriterByte(channel, wait);
  held = *taken = locked;
  return locked;
}

void GiveBackOperationLock(IoChannel& channel, HeaderLoadState& state) {
  if (state.reading_mode) {
    ReleaseReaderSlot(channel);
    state.holds_reader_slot = false;
  } else {
    ReleaseWriterByte(channel);
    state.holds_writer_byte = false;
  }
}

// Reads the disk header; kLoadOk with *empty set for a new (empty) file.
int ReadDiskHeader(IoChannel& channel, Header* disk, bool* empty) {
  std::array<unsigned char, kHeaderSize> image;
  const std::size_t got = channel.ReadBlock(image.size(), image.data(), 0);
  *empty = IsCutNewFileHeader(std::span(image).first(got));
  if (*empty) return kLoadOk;
  return DecodeHeader(std::span(image).first(got), disk) ? kLoadOk
                                                         : kLoadInvalidFile;
}

}  // namespace

Sharing SharingOfOpenMode(unsigned mode) {
  switch (OpenDenyBits(mode)) {
    case 0:
      return Sharing::kOthersWrite;
    case kOpenDenyWrite:
      return Sharing::kOthersRead;
    default:
      return Sharing::kExclusive;
  }
}

OpenOptions NativeOpenOptions(unsigned mode) {
  OpenOptions options;
  options.write = (mode & kOpenAccessMask) != 0;
  const Sharing sharing = SharingOfOpenMode(mode);
  options.deny_write = sharing != Sharing::kOthersWrite;
  options.deny_read = sharing == Sharing::kExclusive;
  options.create = (mode & kOpenCreate) != 0;
  options.replace = (mode & kOpenReplace) != 0;
  return options;
}

int LoadHeader(IoChannel& channel, HeaderLoadState& state, LockWait wait,
               HeaderLoadCache& cache) {
  if (state.header_loaded) return kLoadOk;
  bool taken = false;
  if (!TakeOperationLock(channel, state, wait, &taken)) return kLoadLocked;
  if (state.sharing != Sharing::kOthersWrite && state.header.has_magic) {
    // This process is the only writer: its copy is the file's.
    state.header_loaded = true;
    return kLoadOk;
  }
  Header disk;
  bool empty = false;
  int result = ReadDiskHeader(channel, &disk, &empty);
  if (result == kLoadOk && empty) {
    state.header.has_magic = true;  // a new file
  } else if (result == kLoadOk &&
             (!state.header.has_magic ||
              state.header.change_counter < disk.change_counter)) {
    cache.DropCachedPages();
    state.header = disk;
    if (disk.committed_end != disk.shadow_end) result = cache.Recover();
  }
  if (result != kLoadOk) {
    if (taken) GiveBackOperationLock(channel, state);
    return result;
  }
  if (!empty && state.header.change_counter == disk.change_counter &&
      state.header.committed_end == state.header.shadow_end &&
      disk.committed_end == disk.shadow_end) {
    cache.DiskHeaderConfirmed();
  }
  state.header_loaded = true;
  return kLoadOk;
}

void EndHeaderOperation(IoChannel& channel, HeaderLoadState& state) {
  if (state.holds_reader_slot) {
    ReleaseReaderSlot(channel);
    state.holds_reader_slot = false;
  }
  state.header_loaded = false;
}

}  // namespace vantrel
