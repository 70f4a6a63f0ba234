#include "os/posix/os_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

namespace vantrel {
namespace {

TEST(OsError, MapsErrnoOntoSystemErrors) {
  struct Case {
    int errno_value;
    int expected;
  } cases[] = {
      {0, kSysNone},
      {ENOENT, kSysFileNotFound},
      {ENOTDIR, kSysPathNotFound},
      {EACCES, kSysAccessDenied},
      {EPERM, kSysAccessDenied},
      {ENOSPC, kSysHandleDiskFull},
      {EEXIST, kSysFileExists},
      {EAGAIN, kSysLockViolation},
      {EMFILE, kSysTooManyOpenFiles},
      {ENOMEM, kSysNotEnoughMemory},
      {EXDEV, kSysUnknown},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SystemErrorFromErrno(c.errno_value), c.expected) << c.errno_value;
  }
}

TEST(OsError, LastErrorIsPerThread) {
  errno = ENOENT;
  EXPECT_EQ(RecordErrno(), kSysFileNotFound);
  std::thread other([] {
    EXPECT_EQ(LastSystemError(), kSysNone);
    SetLastSystemError(kSysAccessDenied);
  });
  other.join();
  EXPECT_EQ(LastSystemError(), kSysFileNotFound);
}

}  // namespace
}  // namespace vantrel
