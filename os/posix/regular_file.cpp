#include "os/posix/regular_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "os/posix/os_error.h"

namespace vantrel {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

ReadFileResult Failure(ReadFileError error, int system_error) {
  SetLastSystemError(system_error);
  ReadFileResult result;
  result.error = error;
  return result;
}

ReadFileResult FailureFromErrno() {
  int e = errno;
  return Failure(e == ENOENT || e == ENOTDIR ? ReadFileError::kMissing
                                             : ReadFileError::kFailed,
                 SystemErrorFromErrno(e));
}

}  // namespace

FileStamp FileStamp::Of(const struct stat& st) {
  FileStamp s;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.size = st.st_size;
  s.modified = st.st_mtim;
  s.changed = st.st_ctim;
  return s;
}

bool FileStamp::operator==(const FileStamp& o) const {
  return device == o.device && inode == o.inode && size == o.size &&
         modified.tv_sec == o.modified.tv_sec &&
         modified.tv_nsec == o.modified.tv_nsec &&
         changed.tv_sec == o.changed.tv_sec &&
         changed.tv_nsec == o.changed.tv_nsec;
}

ReadFileResult ReadRegularFile(const std::string& path, std::size_t max_size) {
  // Looked at before opening, since opening a FIFO waits for a writer and
  // opening some devices has effects of its own.
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return FailureFromErrno();
  if (!S_ISREG(st.st_mode)) {
    return Failure(ReadFileError::kNotRegular, kSysAccessDenied);
  }
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return FailureFromErrno();
  // The file may have been replaced between the two looks.
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return Failure(ReadFileError::kNotRegular, kSysAccessDenied);
  }
  auto too_large = [&] {
    close(fd);
    return Failure(ReadFileError::kTooLarge, kSysNotEnoughMemory);
  };
  if (static_cast<std::uintmax_t>(st.st_size) > max_size) return too_large();
  ReadFileResult result;
  result.stamp = FileStamp::Of(st);
  result.text.reserve(static_cast<std::size_t>(st.st_size));
  // Read one byte past the limit at most, to see a file that grew.
  for (;;) {
    std::size_t room = max_size + 1 - result.text.size();
    std::size_t old_size = result.text.size();
    result.text.resize(old_size + std::min(room, kReadChunk));
    ssize_t n =
        read(fd, result.text.data() + old_size, result.text.size() - old_size);
    if (n < 0 && errno == EINTR) {
      result.text.resize(old_size);
      continue;
    }
    if (n < 0) {
      ReadFileResult failure = FailureFromErrno();
      close(fd);
      return failure;
    }
    result.text.resize(old_size + static_cast<std::size_t>(n));
    if (result.text.size() > max_size) return too_large();
    if (n == 0) break;
  }
  close(fd);
  return result;
}

std::string ReadFileProblem(ReadFileError error, std::size_t max_size) {
  switch (error) {
    case ReadFileError::kNone:
      return {};
    case ReadFileError::kMissing:
      return "does not exist";
    case ReadFileError::kNotRegular:
      return "is not a regular file";
    case ReadFileError::kTooLarge:
      return "is larger than " + std::to_string(max_size) + " bytes";
    case ReadFileError::kFailed:
      return "cannot be read";
  }
  return {};
}

}  // namespace vantrel
