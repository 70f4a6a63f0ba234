#include "os/posix/mapped_head.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "os/posix/open_mode.h"

namespace vantrel {
namespace {

class MappedHeadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("vantrel_mapped_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / "data.bin").string();
    OpenOptions options;
    options.write = true;
    options.create = true;
    file_ = File::Open(path_, options);
    ASSERT_NE(file_, nullptr);
  }
  void TearDown() override {
    file_.reset();
    std::filesystem::remove_all(dir_);
  }

  void Write(std::uint64_t at, const std::string& text) {
    ASSERT_EQ(file_->WriteAt(at, text.data(), text.size()).bytes, text.size());
  }
  std::string Read(const MappedHead& head, std::size_t at, std::size_t n) {
    std::string out(n, '\0');
    if (!head.Read(at, out.data(), n)) return "<failed>";
    return out;
  }

  std::filesystem::path dir_;
  std::string path_;
  std::unique_ptr<File> file_;
};

// What another open of the file writes shows at once; a file shorter than
// the mapping is refused.
TEST_F(MappedHeadTest, ShowsLaterWritesAndRefusesShortFiles) {
  MappedHead head;
  Write(0, "abc");
  EXPECT_FALSE(head.Map(*file_, 64));
  EXPECT_FALSE(head.mapped());
  Write(0, std::string(64, 'x'));
  ASSERT_TRUE(head.Map(*file_, 64));
  EXPECT_EQ(Read(head, 0, 4), "xxxx");

  OpenOptions options;
  options.write = true;
  auto other = File::Open(path_, options);
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(other->WriteAt(2, "new", 3).bytes, 3u);
  EXPECT_EQ(Read(head, 0, 6), "xxnewx");
  // Out of the mapped range.
  EXPECT_EQ(Read(head, 60, 5), "<failed>");
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTREL_TEST_UNDER_ASAN 1
#endif
#endif

// A file emptied under the mapping makes the read fail, not the program;
// afterwards a fault elsewhere still ends the program as it would have.
TEST_F(MappedHeadTest, FileCutShortFailsTheRead) {
  Write(0, std::string(4096, 'y'));
  MappedHead head;
  ASSERT_TRUE(head.Map(*file_, 4096));
  ASSERT_TRUE(file_->Truncate(0));
  EXPECT_EQ(Read(head, 0, 8), "<failed>");
  EXPECT_EQ(Read(head, 100, 8), "<failed>");
  Write(0, std::string(4096, 'z'));
  EXPECT_EQ(Read(head, 0, 3), "zzz");

  const auto foreign_fault = [&] {
    ASSERT_TRUE(file_->Truncate(0));
    raise(SIGBUS);
  };
#if defined(__SANITIZE_ADDRESS__) || defined(VANTREL_TEST_UNDER_ASAN)
  // AddressSanitizer's handler was in place before ours: it reports the
  // fault and ends the program.
  EXPECT_DEATH(foreign_fault(), "AddressSanitizer: BUS");
#else
  EXPECT_EXIT(foreign_fault(), ::testing::KilledBySignal(SIGBUS), "");
#endif
}

}  // namespace
}  // namespace vantrel
