#include "os/posix/process.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "os/posix/os_error.h"

namespace vantrel {
namespace {

TEST(ProcessTest, SplitCommandLine) {
  struct Case {
    const char* line;
    std::vector<std::string> args;
  } cases[] = {
      {"policy.exe /a  b", {"policy.exe", "/a", "b"}},
      {"\"my prog\" \"x \"\"y\"\"\"", {"my prog", "x \"y\""}},
      {"a\"b c\"d", {"ab cd"}},
      {"  \t ", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
  }
  EXPECT_FALSE(SplitCommandLine("\"unclosed"));
}

TEST(ProcessTest, WaitingGivesTheExitCode) {
  ProgramRun run = StartProgram("sh -c \"exit 7\"", /*wait=*/true);
  EXPECT_TRUE(run.started);
  EXPECT_EQ(run.exit_code, 7);
  run = StartProgram("sh -c \"kill -9 $$\"", /*wait=*/true);
  EXPECT_EQ(run.exit_code, 128 + 9);
}

TEST(ProcessTest, NotWaitingReturnsAtOnce) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / "vantrel_process_test";
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::path go = dir / "go", mark = dir / "mark";
  // The program cannot finish before the test lets it.
  ProgramRun run =
      StartProgram("sh -c \"while [ ! -e " + go.string() +
                       " ]; do sleep 0.01; done; touch " + mark.string() + "\"",
                   /*wait=*/false);
  ASSERT_TRUE(run.started);
  EXPECT_FALSE(fs::exists(mark));
  StartProgram("touch " + go.string(), /*wait=*/true);
  for (int i = 0; i < 1000 && !fs::exists(mark); ++i)
    StartProgram("sleep 0.01", /*wait=*/true);
  EXPECT_TRUE(fs::exists(mark));
  fs::remove_all(dir);
}

TEST(ProcessTest, ProgramThatCannotStart) {
  SetLastSystemError(kSysNone);
  EXPECT_FALSE(
      StartProgram("/nonexistent/vantrel-no-such-program", true).started);
  EXPECT_EQ(LastSystemError(), kSysFileNotFound);
  SetLastSystemError(kSysNone);
  EXPECT_FALSE(StartProgram("", false).started);
  EXPECT_EQ(LastSystemError(), kSysInvalidParameter);
}

}  // namespace
}  // namespace vantrel
