// Operations on files by name: remove, rename, copy. Each returns false with
// the last system error set (os_error.h) when it fails.
#ifndef VANTREL_OS_POSIX_FILE_NAMES_H_
#define VANTREL_OS_POSIX_FILE_NAMES_H_

#include <string>

namespace vantrel {

bool RemoveFile(const std::string& path);
// Fails when `to` exists, rather than replacing it.
bool RenameFile(const std::string& from, const std::string& to);
// Copies the bytes of `from` into a new or emptied `to`.
bool CopyFile(const std::string& from, const std::string& to);

}  // namespace vantrel

#endif  // VANTREL_OS_POSIX_FILE_NAMES_H_
