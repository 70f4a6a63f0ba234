#include "os/posix/file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <utility>

#include "os/posix/fault_injection.h"
#include "os/posix/os_error.h"

namespace vantrel {
namespace {

// Marker bytes of the sharing emulation, relative to kShareLockBase.
constexpr std::uint64_t kMarkRead = 1;
constexpr std::uint64_t kMarkWrite = 2;
constexpr std::uint64_t kMarkDenyRead = 3;
constexpr std::uint64_t kMarkDenyWrite = 4;

constexpr std::uint64_t kMaxOffset = std::numeric_limits<off_t>::max();

struct flock MakeLock(short type, std::uint64_t offset, std::uint64_t length) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(offset);
  lock.l_len = static_cast<off_t>(length);
  lock.l_pid = 0;  // required by F_OFD_*
  return lock;
}

// What the fault seam decided for a call that moves no bytes (a flush or a
// truncation): stops the process when told to; true, with the error
// recorded, when the call is to fail.
bool FailsByFault(const FaultDecision& fault) {
  if (fault.action == FaultAction::kStop) raise(SIGSTOP);
  if (fault.action != FaultAction::kFail &&
      fault.action != FaultAction::kShort) {
    return false;
  }
  errno = fault.error;
  RecordErrno();
  return true;
}

bool SetLock(int fd, short type, std::uint64_t offset, std::uint64_t length,
             LockWait wait) {
  if (length == 0 || offset > kMaxOffset || length > kMaxOffset - offset) {
    SetLastSystemError(kSysInvalidParameter);
    return false;
  }
  struct flock lock = MakeLock(type, offset, length);
  const int command = wait == LockWait::kWait ? F_OFD_SETLKW : F_OFD_SETLK;
  while (fcntl(fd, command, &lock) != 0) {
    if (errno == EINTR) continue;
    // A conflict with no wait reports EAGAIN or EACCES; both mean the lock is
    // held elsewhere.
    if (errno == EACCES) errno = EAGAIN;
    RecordErrno();
    return false;
  }
  return true;
}

// Whether any other open file holds a lock on the marker byte.
bool MarkedElsewhere(int fd, std::uint64_t marker, bool* failed) {
  struct flock lock = MakeLock(F_WRLCK, kShareLockBase + marker, 1);
  if (fcntl(fd, F_OFD_GETLK, &lock) != 0) {
    RecordErrno();
    *failed = true;
    return false;
  }
  return lock.l_type != F_UNLCK;
}

int OpenDescriptor(const std::string& path, const OpenOptions& options,
                   bool* writable) {
  const int create =
      options.create ? O_CREAT | (options.exclusive ? O_EXCL : 0) : 0;
  const int flags = O_CLOEXEC | create;
  // Read-write whenever possible, so that exclusive locks can be taken even
  // by an open that only reads.
  if (options.read_only_descriptor && !options.write) {
    // Not blocking: a FIFO in the file's place must not wait for a writer
    // (it is refused as not a regular file after the open).
    *writable = false;
    return open(path.c_str(), O_RDONLY | O_NONBLOCK | flags, 0666);
  }
  int fd = open(path.c_str(), O_RDWR | flags, 0666);
  *writable = fd >= 0;
  if (fd < 0 && !options.write && (errno == EACCES || errno == EROFS)) {
    fd = open(path.c_str(), O_RDONLY | flags, 0666);
  }
  return fd;
}

}  // namespace

OpenOptions OpenOptionsFromMode(unsigned mode) {
  OpenOptions options;
  const unsigned access = mode & kOpenAccessMask;
  options.read = access != 1;
  options.write = access != 0;
  switch (mode & kOpenShareMask) {
    case kOpenDenyAll:
      options.deny_read = options.deny_write = true;
      break;
    case kOpenDenyWrite:
      options.deny_write = true;
      break;
    case kOpenDenyRead:
      options.deny_read = true;
      break;
    default:  // compatibility, deny none
      break;
  }
  options.create = (mode & kOpenCreate) != 0;
  options.replace = (mode & kOpenReplace) != 0;
  return options;
}

std::unique_ptr<File> File::Open(const std::string& path,
                                 const OpenOptions& options) {
  if (path.empty()) {
    SetLastSystemError(kSysFileNotFound);
    return nullptr;
  }
  bool writable = false;
  const int fd = OpenDescriptor(path, options, &writable);
  if (fd < 0) {
    RecordErrno();
    return nullptr;
  }
  struct stat info;
  const bool known = fstat(fd, &info) == 0;
  if (!known || !S_ISREG(info.st_mode)) {
    if (known) errno = EISDIR;  // not a regular file: refused as access
    RecordErrno();
    close(fd);
    return nullptr;
  }
  std::unique_ptr<File> file(new File(fd, path, options, writable));
  if (!file->TakeShareMarkers()) return nullptr;
  // Emptying waits for the share check, so a denied open destroys nothing.
  if (options.replace && !file->Truncate(0)) return nullptr;
  return file;
}

File::File(int fd, std::string path, const OpenOptions& options,
           bool fd_writable)
    : fd_(fd),
      path_(std::move(path)),
      options_(options),
      fd_writable_(fd_writable) {}

File::~File() { close(fd_); }

bool File::TakeShareMarkers() {
  const std::pair<bool, std::uint64_t> mine[] = {
      {options_.read, kMarkRead},
      {options_.write, kMarkWrite},
      {options_.deny_read, kMarkDenyRead},
      {options_.deny_write, kMarkDenyWrite},
  };
  for (const auto& [wanted, marker] : mine) {
    if (wanted &&
        !SetLock(fd_, F_RDLCK, kShareLockBase + marker, 1, LockWait::kWait)) {
      return false;
    }
  }
  // Each of our intentions against the marker of the opposite intention.
  const std::pair<bool, std::uint64_t> conflicts[] = {
      {options_.read, kMarkDenyRead},
      {options_.write, kMarkDenyWrite},
      {options_.deny_read, kMarkRead},
      {options_.deny_write, kMarkWrite},
  };
  bool failed = false;
  for (const auto& [wanted, marker] : conflicts) {
    if (wanted && MarkedElsewhere(fd_, marker, &failed)) {
      SetLastSystemError(kSysSharingViolation);
      return false;
    }
    if (failed) return false;
  }
  return true;
}

IoResult File::ReadAt(std::uint64_t offset, void* buffer, std::size_t length) {
  IoResult result;
  if (offset > kMaxOffset) {
    result.error = kSysInvalidParameter;
    SetLastSystemError(result.error);
    return result;
  }
  const FaultDecision fault = FaultInjection::OnRead(path_);
  if (fault.action == FaultAction::kFail) {
    errno = fault.error;
    result.error = RecordErrno();
    return result;
  }
  if (fault.action == FaultAction::kStop) raise(SIGSTOP);
  if (fault.action == FaultAction::kShort && fault.short_bytes < length) {
    length = fault.short_bytes;
  }
  char* out = static_cast<char*>(buffer);
  while (result.bytes < length) {
    const ssize_t n = pread(fd_, out + result.bytes, length - result.bytes,
                            static_cast<off_t>(offset + result.bytes));
    if (n < 0) {
      if (errno == EINTR) continue;
      result.error = RecordErrno();
      break;
    }
    if (n == 0) break;  // end of file
    result.bytes += static_cast<std::size_t>(n);
  }
  return result;
}

IoResult File::WriteAt(std::uint64_t offset, const void* buffer,
                       std::size_t length) {
  IoResult result;
  if (!options_.write) {
    result.error = kSysAccessDenied;
    SetLastSystemError(result.error);
    return result;
  }
  if (offset > kMaxOffset || length > kMaxOffset - offset) {
    result.error = kSysInvalidParameter;
    SetLastSystemError(result.error);
    return result;
  }
  std::size_t limit = length;
  const FaultDecision fault = FaultInjection::OnWrite(path_, offset);
  if (fault.action == FaultAction::kFail) {
    errno = fault.error;
    result.error = RecordErrno();
    return result;
  }
  if (fault.action == FaultAction::kStop) raise(SIGSTOP);
  if ((fault.action == FaultAction::kShort ||
       fault.action == FaultAction::kCrash) &&
      fault.short_bytes < limit) {
    limit = fault.short_bytes;
  }
  const char* in = static_cast<const char*>(buffer);
  while (result.bytes < limit) {
    const ssize_t n = pwrite(fd_, in + result.bytes, limit - result.bytes,
                             static_cast<off_t>(offset + result.bytes));
    if (n < 0) {
      if (errno == EINTR) continue;
      result.error = RecordErrno();
      break;
    }
    if (n == 0) break;  // the device takes no more
    result.bytes += static_cast<std::size_t>(n);
  }
  if (fault.action == FaultAction::kCrash) _exit(kFaultCrashExitCode);
  return result;
}

bool File::Flush() {
  const FaultDecision fault = FaultInjection::OnFlush(path_);
  if (fault.action == FaultAction::kCrash) _exit(kFaultCrashExitCode);
  if (FailsByFault(fault)) return false;
  if (fault.skip_sync) return true;
  while (fdatasync(fd_) != 0) {
    if (errno == EINTR) continue;
    RecordErrno();
    return false;
  }
  return true;
}

std::int64_t File::Size() {
  struct stat info;
  if (fstat(fd_, &info) != 0) {
    RecordErrno();
    return -1;
  }
  return info.st_size;
}

bool File::Truncate(std::uint64_t size) {
  if (!options_.write) {
    SetLastSystemError(kSysAccessDenied);
    return false;
  }
  if (size > kMaxOffset) {
    SetLastSystemError(kSysInvalidParameter);
    return false;
  }
  if (FailsByFault(FaultInjection::OnTruncate(path_))) return false;
  while (ftruncate(fd_, static_cast<off_t>(size)) != 0) {
    if (errno == EINTR) continue;
    RecordErrno();
    return false;
  }
  return true;
}

bool File::Lock(std::uint64_t offset, std::uint64_t length, LockWait wait) {
  return SetLock(fd_, fd_writable_ ? F_WRLCK : F_RDLCK, offset, length, wait);
}

bool File::Unlock(std::uint64_t offset, std::uint64_t length) {
  return SetLock(fd_, F_UNLCK, offset, length, LockWait::kNoWait);
}

}  // namespace vantrel
