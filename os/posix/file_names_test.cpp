#include "os/posix/file_names.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "os/posix/os_error.h"

namespace vantrel {
namespace {

class FileNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel_names_XXXXXX";
    dir_ = mkdtemp(pattern);
  }
  void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }
  std::string Path(const char* name) { return dir_ + "/" + name; }
  void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string dir_;
};

TEST_F(FileNamesTest, CopyRenameRemove) {
  std::string big(200000, 'x');
  big[123456] = 'y';
  Write(Path("a"), big);
  ASSERT_TRUE(CopyFile(Path("a"), Path("b")));
  EXPECT_EQ(Read(Path("b")), big);

  Write(Path("c"), "keep");
  EXPECT_FALSE(RenameFile(Path("a"), Path("c")));  // never replaces
  EXPECT_EQ(Read(Path("c")), "keep");
  ASSERT_TRUE(RenameFile(Path("a"), Path("d")));
  EXPECT_EQ(Read(Path("d")), big);

  ASSERT_TRUE(RemoveFile(Path("d")));
  EXPECT_FALSE(RemoveFile(Path("d")));
  EXPECT_EQ(LastSystemError(), kSysFileNotFound);
  EXPECT_FALSE(CopyFile(Path("d"), Path("e")));
}

}  // namespace
}  // namespace vantrel
