#include "os/posix/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "os/posix/os_error.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

class RegularFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel_regular_XXXXXX";
    dir_ = mkdtemp(pattern);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const char* name, std::string_view text) {
    std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  fs::path dir_;
};

// Each of these once hung, grew without end or aborted when named as a
// configuration file.
TEST_F(RegularFileTest, AnythingButASmallRegularFileIsRefused) {
  std::string fifo = (dir_ / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct Case {
    std::string path;
    ReadFileError error;
  } cases[] = {
      {dir_.string(), ReadFileError::kNotRegular},
      {fifo, ReadFileError::kNotRegular},
      {"/dev/zero", ReadFileError::kNotRegular},
      {"/dev/urandom", ReadFileError::kNotRegular},
      {(dir_ / "missing").string(), ReadFileError::kMissing},
      {(dir_ / "missing" / "deeper").string(), ReadFileError::kMissing},
      {Write("eleven", "0123456789a"), ReadFileError::kTooLarge},
  };
  for (const Case& c : cases) {
    SetLastSystemError(kSysNone);
    ReadFileResult r = ReadRegularFile(c.path, 10);
    EXPECT_EQ(r.error, c.error) << c.path;
    EXPECT_TRUE(r.text.empty()) << c.path;
    EXPECT_NE(LastSystemError(), kSysNone) << c.path;
  }
  EXPECT_EQ(ReadFileProblem(ReadFileError::kTooLarge, 10),
            "is larger than 10 bytes");
}

TEST_F(RegularFileTest, ReadsUpToTheLimitAndStampsTheVersion) {
  std::string path = Write("ten", "0123456789");
  ReadFileResult first = ReadRegularFile(path, 10);
  ASSERT_EQ(first.error, ReadFileError::kNone);
  EXPECT_EQ(first.text, "0123456789");
  EXPECT_EQ(ReadRegularFile(path, 10).stamp, first.stamp);
  // Replaced the way the profile store replaces files: a new file renamed
  // over the old one.
  std::string next = Write("next", "0123456789");
  ASSERT_EQ(std::rename(next.c_str(), path.c_str()), 0);
  EXPECT_FALSE(ReadRegularFile(path, 10).stamp == first.stamp);
  EXPECT_EQ(ReadRegularFile(Write("empty", ""), 0).error, ReadFileError::kNone);
}

}  // namespace
}  // namespace vantrel
