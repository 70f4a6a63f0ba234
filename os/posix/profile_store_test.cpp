#include "os/posix/profile_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "os/posix/os_error.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

class ProfileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel_profile_XXXXXX";
    root_ = mkdtemp(pattern);
    config_ = root_ / "config";
    setenv("VANTREL_CONFIG_DIR", config_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VANTREL_CONFIG_DIR");
    fs::remove_all(root_);
  }

  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void Write(const fs::path& path, std::string_view text) {
    std::ofstream(path, std::ios::binary) << text;
  }

  fs::path root_;
  fs::path config_;
};

TEST_F(ProfileStoreTest, WritesReadsAndCreatesTheConfigDirectory) {
  EXPECT_EQ(GetIni("VantrelFile", "CurrentFile", "", "VANTREL.INI"), "");
  ASSERT_TRUE(
      PutIni("VantrelFile", "CurrentFile", "/cards/a.vtl", "VANTREL.INI"));
  EXPECT_EQ(Read(config_ / "VANTREL.INI"),
            "[VantrelFile]\nCurrentFile=/cards/a.vtl\n");
  // Another spelling of the name reaches the same file.
  EXPECT_EQ(GetIni("vantrelfile", "currentfile", "-", "vantrel.INI"),
            "/cards/a.vtl");
  ASSERT_TRUE(PutIni("VantrelFile", "CurrentFile", "b.vtl", "vantrel.INI"));
  EXPECT_EQ(fs::directory_iterator(config_)->path().filename(), "VANTREL.INI");
  EXPECT_EQ(GetIni("VantrelFile", "CurrentFile", "", "VANTREL.INI"), "b.vtl");
}

TEST_F(ProfileStoreTest, EmptyFileNameIsTheSystemProfile) {
  fs::create_directories(config_);
  Write(config_ / "WIN.INI", "[intl]\nsTime=.\n");
  EXPECT_EQ(GetIni("intl", "sTime", ":"), ".");
  EXPECT_EQ(ResolveProfilePath(""), (config_ / "WIN.INI").string());
}

TEST_F(ProfileStoreTest, DeletesEntryAndSectionKeepingTheRest) {
  fs::path file = root_ / "app.ini";
  Write(file, ";top\n[a]\nx=1\ny=2\n[b]\nz=3\n");
  ASSERT_TRUE(PutIni("A", "X", std::nullopt, file.string()));
  EXPECT_EQ(Read(file), ";top\n[a]\ny=2\n[b]\nz=3\n");
  ASSERT_TRUE(PutIni("b", std::nullopt, std::nullopt, file.string()));
  EXPECT_EQ(Read(file), ";top\n[a]\ny=2\n");
  EXPECT_EQ(GetIni("b", "z", "gone", file.string()), "gone");
}

TEST_F(ProfileStoreTest, LimitsAndMalformedInputFailWithoutWriting) {
  fs::path file = root_ / "limits.ini";
  Write(file, "[s]\ne=old\n");
  std::string long_value(kMaxIniValueLength + 1, 'v');
  struct Case {
    std::string section, entry, value, file;
  } cases[] = {
      {std::string(kMaxIniSectionLength + 1, 's'), "e", "v", file.string()},
      {"s", std::string(kMaxIniEntryLength + 1, 'e'), "v", file.string()},
      {"s", "e", long_value, file.string()},
      {"s", "e", "two\nlines", file.string()},
      {"s", "a=b", "v", file.string()},
      {"s]", "e", "v", file.string()},
      {" ", "e", "v", file.string()},
      {"s", "e", "v", std::string(kMaxIniFileNameLength + 1, 'f')},
  };
  for (const Case& c : cases) {
    SetLastSystemError(kSysNone);
    EXPECT_FALSE(PutIni(c.section, c.entry, c.value, c.file)) << c.section;
    EXPECT_NE(LastSystemError(), kSysNone);
    EXPECT_EQ(Read(file), "[s]\ne=old\n");
  }
  // The largest value fits exactly and reads back whole.
  std::string largest(kMaxIniValueLength, 'v');
  ASSERT_TRUE(PutIni("s", "e", largest, file.string()));
  EXPECT_EQ(GetIni("s", "e", "", file.string()), largest);
}

TEST_F(ProfileStoreTest, ReadValueIsCutToTheLimit) {
  fs::path file = root_ / "big.ini";
  Write(file, "[s]\ne=" + std::string(3000, 'x') + "\n");
  EXPECT_EQ(GetIni("s", "e", "", file.string()).size(), kMaxIniValueLength);
}

TEST_F(ProfileStoreTest, WriteLeavesNoTemporaryFilesAndKeepsTheMode) {
  fs::path file = root_ / "mode.ini";
  Write(file, "[s]\n");
  chmod(file.c_str(), 0640);
  ASSERT_TRUE(PutIni("s", "e", "v", file.string()));
  struct stat st;
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(root_)) {
    files += entry.is_regular_file();
  }
  EXPECT_EQ(files, 1);
}

TEST_F(ProfileStoreTest, WriteThroughASymlinkReplacesTheTarget) {
  fs::path target = root_ / "real.ini";
  fs::path link = root_ / "link.ini";
  Write(target, "[s]\n");
  fs::create_symlink(target, link);
  ASSERT_TRUE(PutIni("s", "e", "v", link.string()));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Read(target), "[s]\ne=v\n");
}

TEST_F(ProfileStoreTest, MissingDirectoryFailsAndReadsTheDefault) {
  std::string file = (root_ / "no" / "such" / "x.ini").string();
  EXPECT_FALSE(PutIni("s", "e", "v", file));
  EXPECT_EQ(LastSystemError(), kSysFileNotFound);
  EXPECT_EQ(GetIni("s", "e", "dflt", file), "dflt");
}

TEST_F(ProfileStoreTest, SpecialAndHugeFilesReadAsMissingAndRefuseEdits) {
  fs::path fifo = root_ / "fifo.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  fs::path huge = root_ / "huge.ini";
  Write(huge, "[s]\ne=v\n" + std::string(kMaxProfileFileSize, ';'));
  for (const fs::path& file : {root_, fifo, huge, fs::path("/dev/zero")}) {
    EXPECT_EQ(GetIni("s", "e", "dflt", file.string()), "dflt") << file;
    EXPECT_FALSE(PutIni("s", "e", "v", file.string())) << file;
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(fs::file_size(huge), kMaxProfileFileSize + 8);
}

// A parsed file is kept between look-ups; any change to it is seen.
TEST_F(ProfileStoreTest, LookUpsSeeEveryChangeToTheFile) {
  fs::path file = root_ / "kept.ini";
  Write(file, "[s]\ne=one\n");
  EXPECT_EQ(GetIni("s", "e", "", file.string()), "one");
  Write(file, "[s]\ne=three\n");  // in place, another size
  EXPECT_EQ(GetIni("s", "e", "", file.string()), "three");
  ASSERT_TRUE(PutIni("s", "e", "two", file.string()));
  EXPECT_EQ(GetIni("s", "e", "", file.string()), "two");
  fs::remove(file);
  EXPECT_EQ(GetIni("s", "e", "gone", file.string()), "gone");
}

TEST(ConfigDirectoryTest, FollowsTheEnvironmentInOrder) {
  const char* saved_home = std::getenv("HOME");
  std::string home = saved_home ? saved_home : "";
  unsetenv("VANTREL_CONFIG_DIR");
  setenv("HOME", "/home/u", 1);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(ConfigDirectory(), "/home/u/.config/vantrel");
  setenv("XDG_CONFIG_HOME", "/xdg", 1);
  EXPECT_EQ(ConfigDirectory(), "/xdg/vantrel");
  setenv("VANTREL_CONFIG_DIR", "/own", 1);
  EXPECT_EQ(ConfigDirectory(), "/own");
  EXPECT_EQ(ResolveProfilePath("sub/X.INI"), "sub/X.INI");
  unsetenv("VANTREL_CONFIG_DIR");
  unsetenv("XDG_CONFIG_HOME");
  if (saved_home) setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace vantrel
