#include "os/posix/os_error.h"

#include <cerrno>

namespace vantrel {
namespace {
thread_local int last_system_error = kSysNone;
}  // namespace

int SystemErrorFromErrno(int errno_value) {
  switch (errno_value) {
    case 0:
      return kSysNone;
    case ENOENT:
      return kSysFileNotFound;
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
      return kSysPathNotFound;
    case EMFILE:
    case ENFILE:
      return kSysTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EISDIR:
      return kSysAccessDenied;
    case EROFS:
      return kSysWriteProtect;
    case EBADF:
      return kSysInvalidHandle;
    case ENOMEM:
      return kSysNotEnoughMemory;
    case EIO:
      return kSysWriteFault;
    case EBUSY:
    case ETXTBSY:
      return kSysSharingViolation;
    case EAGAIN:
    case EDEADLK:
      return kSysLockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kSysHandleDiskFull;
    case EEXIST:
      return kSysFileExists;
    case EINVAL:
      return kSysInvalidParameter;
    case ENOSYS:
    case EOPNOTSUPP:
      return kSysInvalidFunction;
    default:
      return kSysUnknown;
  }
}

int LastSystemError() { return last_system_error; }

void SetLastSystemError(int system_error) { last_system_error = system_error; }

int RecordErrno() {
  last_system_error = SystemErrorFromErrno(errno);
  return last_system_error;
}

}  // namespace vantrel
