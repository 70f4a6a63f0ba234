// Several processes adding to one shared native file at once, through
// `tnltool sample` run as real programs.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tools/tnltool/tnl_tool.h"

extern char** environ;

namespace vantrel {
namespace {

namespace fs = std::filesystem;

pid_t Start(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(TNLTOOL_PATH));
  for (const std::string& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, TNLTOOL_PATH, nullptr, nullptr, argv.data(),
                  environ) != 0) {
    return -1;
  }
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Two writers interleave their commits on one file, each record committed
// alone (1,000 each) or in batches through LOGOUT and COMMIT (10,000 each);
// every record of both arrives and the file checks clean.
TEST(SampleProcessTest, TwoWritersShareOneFile) {
  const std::string path =
      (fs::path(::testing::TempDir()) /
       ("shared_" + std::to_string(::getpid()) + ".tnl"))
          .string();
  struct Case {
    const char* first_batch;
    const char* second_batch;
    int each;  // records added by each writer
  };
  for (const Case c : {Case{"0", "0", 1000}, Case{"100", "37", 10000}}) {
    SCOPED_TRACE(std::string("batches ") + c.first_batch + "/" +
                 c.second_batch);
    fs::remove(path);
    // The table exists before the writers race to append to it.
    std::ostringstream out, err;
    ASSERT_EQ(RunTnlTool({"sample", path, "--records", "0"}, out, err), 0)
        << err.str();

    const pid_t first =
        Start({"sample", path, "--records", std::to_string(c.each), "--seed",
               "1", "--batch", c.first_batch});
    const pid_t second =
        Start({"sample", path, "--records", std::to_string(c.each), "--seed",
               "2", "--batch", c.second_batch});
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_EQ(Wait(first), 0);
    EXPECT_EQ(Wait(second), 0);

    out.str("");
    EXPECT_EQ(RunTnlTool({"check", path}, out, err), kToolClean) << out.str();
    out.str("");
    ASSERT_EQ(RunTnlTool({"info", path}, out, err), 0);
    EXPECT_NE(out.str().find("table UNNAMED (1): " +
                             std::to_string(2 * c.each) + " records"),
              std::string::npos)
        << out.str();
  }
  fs::remove(path);
}

// Two runs started together on a file that does not exist yet: one creates
// the table, the other finds it and appends, and neither's records are lost
// to the other's creation. Repeated, since the window is narrow.
TEST(SampleProcessTest, TwoRunsCreatingOneNewFile) {
  const std::string path =
      (fs::path(::testing::TempDir()) /
       ("created_" + std::to_string(::getpid()) + ".tnl"))
          .string();
  for (int round = 0; round < 30; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    fs::remove(path);
    const pid_t first =
        Start({"sample", path, "--records", "20", "--seed", "21"});
    const pid_t second =
        Start({"sample", path, "--records", "20", "--seed", "22"});
    ASSERT_GT(first, 0);
    ASSERT_GT(second, 0);
    EXPECT_EQ(Wait(first), 0);
    EXPECT_EQ(Wait(second), 0);
    std::ostringstream out, err;
    EXPECT_EQ(RunTnlTool({"check", path}, out, err), kToolClean) << out.str();
    out.str("");
    ASSERT_EQ(RunTnlTool({"info", path}, out, err), 0);
    ASSERT_NE(out.str().find("table UNNAMED (1): 40 records"),
              std::string::npos)
        << out.str();
  }
  fs::remove(path);
}

}  // namespace
}  // namespace vantrel
