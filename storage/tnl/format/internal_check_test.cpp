#include "storage/tnl/format/internal_check.h"

#include <gtest/gtest.h>

#include "runtime/data/base/error_state.h"

namespace vantrel {
namespace {

TEST(InternalCheck, InsideAnOperationPostsError90AndAbandonsIt) {
  ClearError();
  bool went_on = false;
  const int failed = RunOperation("cards.vtl", [&] {
    Check(true, 1);
    FailCheck(1602);
    went_on = true;
  });
  EXPECT_EQ(failed, 1602);
  EXPECT_FALSE(went_on);
  EXPECT_FALSE(OperationScope::Active());
  EXPECT_EQ(ErrorCode(), kErrFileSystem);
  EXPECT_EQ(FileErrorCode(), "1602");
  EXPECT_EQ(FileError(), "Possible data corruption in file");
  EXPECT_EQ(ErrorFile(), "cards.vtl");

  SetCorruptionTranslation("Datei beschaedigt");
  EXPECT_EQ(RunOperation("", [] { FailCheck(522); }), 522);
  EXPECT_EQ(FileError(), "Tarnel File Driver Error");
  RunOperation("a.tnl", [] { FailCheck(530); });
  EXPECT_EQ(FileError(), "Datei beschaedigt");
  SetCorruptionTranslation("");

  ClearError();
  EXPECT_EQ(RunOperation("a.tnl", [] {}), 0);
  EXPECT_EQ(ErrorCode(), kErrNone);
}

TEST(InternalCheckDeathTest, OutsideAnOperationEndsTheProgram) {
  EXPECT_DEATH(FailCheck(1735), "Possible data corruption in file \\(1735\\)");
}

}  // namespace
}  // namespace vantrel
