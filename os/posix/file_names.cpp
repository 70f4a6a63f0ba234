#include "os/posix/file_names.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "os/posix/file.h"
#include "os/posix/os_error.h"

namespace vantrel {
namespace {

constexpr std::size_t kCopyChunk = 1 << 16;

}  // namespace

bool RemoveFile(const std::string& path) {
  if (unlink(path.c_str()) == 0) return true;
  RecordErrno();
  return false;
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                RENAME_NOREPLACE) == 0) {
    return true;
  }
  RecordErrno();
  return false;
}

bool CopyFile(const std::string& from, const std::string& to) {
  OpenOptions read;
  std::unique_ptr<File> source = File::Open(from, read);
  if (!source) return false;
  OpenOptions write;
  write.write = true;
  write.create = true;
  write.replace = true;
  std::unique_ptr<File> target = File::Open(to, write);
  if (!target) return false;
  std::vector<char> chunk(kCopyChunk);
  for (std::uint64_t offset = 0;; offset += chunk.size()) {
    IoResult got = source->ReadAt(offset, chunk.data(), chunk.size());
    if (got.error != kSysNone) return false;
    IoResult put = target->WriteAt(offset, chunk.data(), got.bytes);
    if (put.error != kSysNone) return false;
    if (put.bytes != got.bytes) {
      SetLastSystemError(kSysHandleDiskFull);
      return false;
    }
    if (got.bytes < chunk.size()) break;
  }
  return target->Flush();
}

}  // namespace vantrel
