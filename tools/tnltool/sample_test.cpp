#include "tools/tnltool/sample.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "tools/tnltool/tnl_tool.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

class SampleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (fs::path(::testing::TempDir()) /
             ("sample_" + std::to_string(::getpid()) + ".tnl"))
                .string();
    fs::remove(path_);
  }
  void TearDown() override { fs::remove(path_); }

  int Tool(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return RunTnlTool(args, out_, err_);
  }

  std::string path_;
  std::ostringstream out_;
  std::ostringstream err_;
};

// Later runs append to the table the first one created, and the file
// checks clean with every key, memo and counter in step.
TEST_F(SampleTest, CreatesThenAppendsAndChecksClean) {
  ASSERT_EQ(Tool({"sample", path_, "--records", "150", "--seed", "3"}), 0)
      << err_.str();
  EXPECT_EQ(out_.str(), "added 150 records; table holds 150\n");
  ASSERT_EQ(Tool({"sample", path_, "--records", "120", "--seed", "3"}), 0)
      << err_.str();
  EXPECT_EQ(out_.str(), "added 120 records; table holds 270\n");
  // In transactions of 20, the last one shorter.
  ASSERT_EQ(Tool({"sample", path_, "--records", "45", "--batch", "20"}), 0)
      << err_.str();
  EXPECT_EQ(out_.str(), "added 45 records; table holds 315\n");
  EXPECT_EQ(Tool({"check", path_}), kToolClean) << out_.str();
}

// A named table sits beside the unnamed one; an enciphered file needs its
// password to be read.
TEST_F(SampleTest, NamedTableInEncipheredFile) {
  ASSERT_EQ(Tool({"sample", path_, "--records", "40", "--table", "cards",
                  "--password", "geheim"}),
            0)
      << err_.str();
  ASSERT_EQ(Tool({"sample", path_, "--records", "10", "--password", "geheim"}),
            0)
      << err_.str();
  EXPECT_EQ(Tool({"check", path_, "--password", "geheim"}), kToolClean)
      << out_.str();
  EXPECT_NE(Tool({"check", path_}), kToolClean);
  ASSERT_EQ(Tool({"tables", path_, "--password", "geheim"}), 0);
  EXPECT_NE(out_.str().find("CARDS"), std::string::npos) << out_.str();
  EXPECT_NE(out_.str().find("UNNAMED"), std::string::npos) << out_.str();
}

TEST_F(SampleTest, UsageErrorsTouchNothing) {
  const std::vector<std::vector<std::string>> cases = {
      {"sample", path_},
      {"sample", path_, "--records", "ten"},
      {"sample", path_, "--records", "-5"},
      {"sample", path_, "--records", "5", "--seed", "99999999999"},
  };
  for (const auto& args : cases) {
    EXPECT_EQ(Tool(args), kToolUsage) << args.back();
    EXPECT_FALSE(fs::exists(path_)) << args.back();
  }
}

}  // namespace
}  // namespace vantrel
