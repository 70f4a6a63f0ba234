// Operating-system error numbers as the runtime reports them.
//
// The runtime's error texts (codes 300 + n) assume the Windows system error
// numbers, so the platform layer translates POSIX errno values into them and
// keeps the last one per thread, the way the system's own "last error" works.
#ifndef VANTREL_OS_POSIX_OS_ERROR_H_
#define VANTREL_OS_POSIX_OS_ERROR_H_

namespace vantrel {

// System error numbers the runtime's texts know (300 + n is posted).
enum SystemError : int {
  kSysNone = 0,
  kSysInvalidFunction = 1,
  kSysFileNotFound = 2,
  kSysPathNotFound = 3,
  kSysTooManyOpenFiles = 4,
  kSysAccessDenied = 5,
  kSysInvalidHandle = 6,
  kSysNotEnoughMemory = 8,
  kSysInvalidAccess = 12,
  kSysWriteProtect = 19,
  kSysWriteFault = 29,
  kSysReadFault = 30,
  kSysSharingViolation = 32,
  kSysLockViolation = 33,
  kSysHandleDiskFull = 39,
  kSysFileExists = 80,
  kSysInvalidPassword = 86,
  kSysInvalidParameter = 87,
  kSysUnknown = 91,
};

// The system error number for a POSIX errno value (kSysUnknown when none fits).
int SystemErrorFromErrno(int errno_value);

// The calling thread's last system error, as set by the platform layer.
int LastSystemError();
void SetLastSystemError(int system_error);

// Records errno (translated) as the last system error and returns it.
int RecordErrno();

}  // namespace vantrel

#endif  // VANTREL_OS_POSIX_OS_ERROR_H_
