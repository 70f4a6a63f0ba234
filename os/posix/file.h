// Files for the runtime: open with access and sharing, positioned reads and
// writes, flush, size, truncate, and one-byte (or ranged) byte-range locks.
//
// Sharing between opens (deny read, deny write) is emulated with
// open-file-description locks on five bytes just below 0x80000000, so it
// holds between processes and between two opens in one process alike:
//
//   0x7FFFFFF0  reserved (not used; kept free for a future guard byte)
//   0x7FFFFFF1  held shared by every open with read access
//   0x7FFFFFF2  held shared by every open with write access
//   0x7FFFFFF3  held shared by every open that denies reading to others
//   0x7FFFFFF4  held shared by every open that denies writing to others
//
// An open first takes its own marker bytes, then looks for a conflicting
// marker held by any other open; finding one, it gives up with
// kSysSharingViolation. Because every open marks before it looks, two racing
// opens that conflict can never both succeed.
//
// Byte-range locks belong to the open file (F_OFD_*), not to the process:
// closing another descriptor of the same file never drops them, and they go
// away when this File is closed.
#ifndef VANTREL_OS_POSIX_FILE_H_
#define VANTREL_OS_POSIX_FILE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "os/posix/open_mode.h"

namespace vantrel {

// First byte of the sharing-emulation area; see the table above.
inline constexpr std::uint64_t kShareLockBase = 0x7FFFFFF0;

// How a file is opened: what this open does and what it denies to others.
struct OpenOptions {
  bool read = true;
  bool write = false;
  bool deny_read = false;   // others may not open for reading
  bool deny_write = false;  // others may not open for writing
  bool create = false;      // create the file when it is missing
  bool exclusive = false;   // with create: fail (kSysFileExists) when it exists
  bool replace = false;     // empty an existing file (after the share check)
  // Open the descriptor read-only even when the file could be written (an
  // open that only inspects a file it was pointed at); its locks are then
  // taken shared.
  bool read_only_descriptor = false;
};

// The options of an open in the runtime's open mode (open_mode.h). The
// whole sharing field decides here: 0x10 deny all, 0x20 deny write, 0x30 deny
// read; every other value denies nothing.
OpenOptions OpenOptionsFromMode(unsigned mode);

// Whether a lock request waits for a conflicting lock to go away.
enum class LockWait { kNoWait, kWait };

// The outcome of a read or write: bytes transferred and, when the system
// reported a failure, its system error (kSysNone otherwise). A write with
// error kSysNone and fewer bytes than asked was stopped short by the device.
struct IoResult {
  std::size_t bytes = 0;
  int error = 0;
};

// One open file. Every failing call records the system error
// (LastSystemError()); a sharing conflict records kSysSharingViolation and a
// lock conflict kSysLockViolation.
class File {
 public:
  // Opens `path`; nullptr on failure.
  static std::unique_ptr<File> Open(const std::string& path,
                                    const OpenOptions& options);
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  const std::string& path() const { return path_; }
  bool can_write() const { return options_.write; }
  // The system's descriptor, for a mapping (os/posix/mapped_head.h).
  int descriptor() const { return fd_; }

  // Reads up to `length` bytes at `offset`; fewer only at the end of file or
  // on failure. Retries interrupted and partial reads.
  IoResult ReadAt(std::uint64_t offset, void* buffer, std::size_t length);
  // Writes `length` bytes at `offset`, retrying interrupted and partial
  // writes. A file opened without write access refuses with kSysAccessDenied.
  IoResult WriteAt(std::uint64_t offset, const void* buffer,
                   std::size_t length);
  // Asks the system to put the file's data on the device.
  bool Flush();
  // The file's size in bytes, or -1.
  std::int64_t Size();
  bool Truncate(std::uint64_t size);

  // Locks [offset, offset + length); kNoWait fails at once on a conflict.
  // Offsets up to 2^63 - 1 - length.
  bool Lock(std::uint64_t offset, std::uint64_t length, LockWait wait);
  bool Unlock(std::uint64_t offset, std::uint64_t length);
  bool LockByte(std::uint64_t offset, LockWait wait) {
    return Lock(offset, 1, wait);
  }
  bool UnlockByte(std::uint64_t offset) { return Unlock(offset, 1); }

 private:
  File(int fd, std::string path, const OpenOptions& options, bool fd_writable);
  bool TakeShareMarkers();

  int fd_;
  std::string path_;
  OpenOptions options_;
  // Exclusive POSIX locks need a writable descriptor. The descriptor is
  // opened read-write whenever the file allows it; when it does not, locks
  // are taken shared, which still excludes every writable open.
  bool fd_writable_;
};

}  // namespace vantrel

#endif  // VANTREL_OS_POSIX_FILE_H_
