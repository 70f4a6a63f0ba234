#include "runtime/data/base/error_state.h"

#include <gtest/gtest.h>

#include "os/posix/os_error.h"

namespace vantrel {
namespace {

class ErrorStateTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearError(); }
};

TEST_F(ErrorStateTest, PostsCodeTextAndFile) {
  PostError(kErrRecordNotAvailable, "CARDS.VTL");
  EXPECT_EQ(ErrorCode(), 33);
  EXPECT_EQ(Error(), "Record Not Available");
  EXPECT_EQ(ErrorFile(), "CARDS.VTL");
  ASSERT_EQ(ErrorBuffer().size(), 80u);
  EXPECT_EQ(ErrorBuffer().substr(20), std::string(60, ' '));
}

TEST_F(ErrorStateTest, CodeWithoutTextIsUnknown) {
  PostError(97);
  EXPECT_EQ(ErrorCode(), 97);
  EXPECT_EQ(Error(), "Unknown Error Posted : 97");
}

TEST_F(ErrorStateTest, TextKeepsItsOwnTrailingBlankButNoMoreThan79) {
  EXPECT_EQ(ErrorMessageFor(78), "Invalid Number Of Parameters ");
  PostError(78);
  EXPECT_EQ(ErrorBuffer().substr(0, 29), "Invalid Number Of Parameters ");
}

TEST_F(ErrorStateTest, CodeZeroPostsTheLastSystemError) {
  struct Case {
    int system_error;
    int code;
    const char* text;
  } cases[] = {
      {kSysFileNotFound, 302, "File Not Found"},
      {kSysAccessDenied, 305, "Access Denied"},
      {kSysSharingViolation, 332, "Sharing Violation"},
      {kSysLockViolation, 333, "Lock Violation"},
      {kSysHandleDiskFull, 339, "Handle Disk Full"},
      {kSysFileExists, 380, "File Already Exists"},
  };
  for (const Case& c : cases) {
    SetLastSystemError(c.system_error);
    PostError(0, "X");
    EXPECT_EQ(ErrorCode(), c.code);
    EXPECT_EQ(Error(), c.text);
  }
}

TEST_F(ErrorStateTest, FileErrorCarriesDriverTexts) {
  PostFileError("  E17", std::string(300, 'x'), "F");
  EXPECT_EQ(ErrorCode(), 90);
  EXPECT_EQ(Error(), "File System Error");
  EXPECT_EQ(FileErrorCode(), "E17");
  EXPECT_EQ(FileError().size(), 255u);
}

TEST_F(ErrorStateTest, ClearResetsEverything) {
  PostFileError("1", "bad", "F");
  ClearError();
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(ErrorBuffer(), std::string(80, ' '));
  EXPECT_EQ(FileErrorCode(), "");
  EXPECT_EQ(FileError(), "");
  EXPECT_EQ(ErrorFile(), "");
}

}  // namespace
}  // namespace vantrel
