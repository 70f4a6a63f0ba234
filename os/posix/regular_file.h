// Reading a whole configuration file safely: only a regular file is read,
// and only up to a size limit, so that a directory, a device, a FIFO or a
// huge file named by a user gives an error instead of a hang or an abort.
#ifndef VANTREL_OS_POSIX_REGULAR_FILE_H_
#define VANTREL_OS_POSIX_REGULAR_FILE_H_

#include <sys/stat.h>

#include <cstddef>
#include <string>

namespace vantrel {

// What identifies one version of a file: when any of it differs, the file
// was replaced or changed.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  static FileStamp Of(const struct stat& st);
  bool operator==(const FileStamp& other) const;
};

enum class ReadFileError : unsigned char {
  kNone,
  kMissing,     // no such file (or a component of its path is missing)
  kNotRegular,  // a directory, device, FIFO or socket
  kTooLarge,    // over the limit
  kFailed,      // another system error (permissions, I/O)
};

struct ReadFileResult {
  ReadFileError error = ReadFileError::kNone;
  std::string text;
  FileStamp stamp;  // of the file that was read
};

// Reads the whole file at `path` (following links) when it is a regular file
// of at most `max_size` bytes. On an error the last system error is set and
// the text is empty. Never waits for a writer: FIFOs are refused unopened.
ReadFileResult ReadRegularFile(const std::string& path, std::size_t max_size);

// A short English description of the error, for messages ("is not a regular
// file", "is larger than 1048576 bytes", ...).
std::string ReadFileProblem(ReadFileError error, std::size_t max_size);

}  // namespace vantrel

#endif  // VANTREL_OS_POSIX_REGULAR_FILE_H_
