#include "storage/tnl/pager/header_load.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>

#include "storage/tnl/pager/file_locks.h"

namespace vantrel {
namespace {

class CountingCache : public HeaderLoadCache {
 public:
  void DropCachedPages() override { ++drops; }
  int Recover() override {
    ++recoveries;
    return recover_result;
  }
  int drops = 0;
  int recoveries = 0;
  int recover_result = kLoadOk;
};

// A child process that holds one lock range of the file until told to let go.
class LockHolder {
 public:
  // With `hold_us`, the child lets go by itself after that long.
  LockHolder(const std::string& path, std::uint64_t offset,
             std::uint64_t length, unsigned hold_us = 0) {
    int ready[2], go[2];
    if (pipe(ready) != 0 || pipe(go) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(go[1]);
      auto file = File::Open(path, NativeOpenOptions(kOpenReadWrite));
      const char ok =
          file && file->Lock(offset, length, LockWait::kNoWait) ? 'y' : 'n';
      if (write(ready[1], &ok, 1) != 1) _exit(2);
      char c;
      if (hold_us > 0) {
        usleep(hold_us);
      } else if (read(go[0], &c, 1) < 0) {
        _exit(2);
      }
      _exit(0);
    }
    close(ready[1]);
    close(go[0]);
    go_ = go[1];
    char c = 0;
    locked_ = read(ready[0], &c, 1) == 1 && c == 'y';
    close(ready[0]);
  }
  ~LockHolder() { Release(); }
  bool locked() const { return locked_; }
  void Release() {
    if (pid_ <= 0) return;
    close(go_);  // the child's read returns
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int go_ = -1;
  bool locked_ = false;
};

// Every value of the sharing field, named or not, with and without write
// access: the native sharing and the platform open it asks for.
TEST(SharingOfOpenModeTest, ReadsWhatTheModeDenies) {
  const struct {
    unsigned share;
    Sharing sharing;
  } cases[] = {
      {0x00, Sharing::kOthersWrite}, {0x10, Sharing::kExclusive},
      {0x20, Sharing::kOthersRead},  {0x30, Sharing::kExclusive},
      {0x40, Sharing::kOthersWrite}, {0x50, Sharing::kExclusive},
      {0x60, Sharing::kOthersRead},  {0x70, Sharing::kExclusive},
  };
  for (const auto& c : cases) {
    for (const unsigned access : {kOpenReadOnly, kOpenReadWrite}) {
      SCOPED_TRACE(testing::Message() << std::hex << (c.share | access));
      EXPECT_EQ(SharingOfOpenMode(c.share | access), c.sharing);
      const OpenOptions options = NativeOpenOptions(c.share | access);
      EXPECT_EQ(options.write, access == kOpenReadWrite);
      EXPECT_EQ(options.deny_write, c.sharing != Sharing::kOthersWrite);
      EXPECT_EQ(options.deny_read, c.sharing == Sharing::kExclusive);
    }
  }
}

class HeaderLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() /
             ("vantrel_hl_" + std::to_string(getpid()) + ".tnl"))
                .string();
    std::filesystem::remove(path_);
  }
  void TearDown() override {
    channel_.Close();
    std::filesystem::remove(path_);
  }

  void Open(unsigned mode) {
    ASSERT_TRUE(channel_.Open(path_, NativeOpenOptions(mode | kOpenCreate)));
    state_ = HeaderLoadState();
    state_.sharing = SharingOfOpenMode(mode);
  }
  void WriteDiskHeader(const Header& header) {
    std::array<unsigned char, kHeaderSize> image;
    EncodeHeader(header, image);
    channel_.WriteBlock(0, image.size(), image.data());
    ASSERT_EQ(channel_.error(), 0);
  }
  int Load(LockWait wait = LockWait::kNoWait) {
    return LoadHeader(channel_, state_, wait, cache_);
  }

  static Header Disk(std::uint32_t counter, std::uint32_t root) {
    Header h;
    h.has_magic = true;
    h.change_counter = counter;
    h.root_page = root;
    h.committed_end = h.shadow_end = 0x300;
    return h;
  }

  std::string path_;
  IoChannel channel_;
  HeaderLoadState state_;
  CountingCache cache_;
};

TEST_F(HeaderLoadTest, EmptyFileIsANewFileAndBadHeadersAreInvalid) {
  Open(kOpenReadWrite);
  EXPECT_EQ(Load(), kLoadOk);
  EXPECT_TRUE(state_.header.has_magic);
  EXPECT_EQ(state_.header.change_counter, 0u);
  EXPECT_EQ(cache_.drops, 0);

  std::array<unsigned char, 128> part{};
  channel_.WriteBlock(0, part.size(), part.data());
  for (const bool short_header : {true, false}) {
    if (!short_header) WriteDiskHeader(Header());  // no magic
    EndHeaderOperation(channel_, state_);
    state_.header = Header();
    EXPECT_EQ(Load(), kLoadInvalidFile) << short_header;
  }
}

TEST_F(HeaderLoadTest, ChangeCounterDecidesWhetherTheCacheIsDropped) {
  Open(kOpenReadWrite);
  WriteDiskHeader(Disk(4, 9));
  struct Step {
    std::uint32_t memory_counter;
    bool has_magic;
    bool dropped;
  } steps[] = {
      {0, false, true},  // nothing loaded yet
      {4, true, false},  // equal: still valid
      {5, true, false},  // ours is newer (uncommitted)
      {3, true, true},   // another process committed
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.memory_counter);
    state_.header = Disk(s.memory_counter, 1);
    state_.header.has_magic = s.has_magic;
    const int drops = cache_.drops;
    ASSERT_EQ(Load(), kLoadOk);
    EXPECT_EQ(cache_.drops - drops, s.dropped ? 1 : 0);
    EXPECT_EQ(state_.header.root_page, s.dropped ? 9u : 1u);
    EXPECT_EQ(Load(), kLoadOk);  // loaded for this operation: no re-read
    EXPECT_EQ(cache_.drops - drops, s.dropped ? 1 : 0);
    EndHeaderOperation(channel_, state_);
  }
  EXPECT_EQ(cache_.recoveries, 0);

  Header pending = Disk(6, 9);
  pending.shadow_end = 0x500;
  WriteDiskHeader(pending);
  cache_.recover_result = kLoadInvalidFile;
  EXPECT_EQ(Load(), kLoadInvalidFile);
  EXPECT_EQ(cache_.recoveries, 1);
  EXPECT_FALSE(state_.holds_reader_slot);  // given back on failure
}

TEST_F(HeaderLoadTest, OnlyWriterReadsTheDiskOnce) {
  for (const unsigned mode :
       {kOpenReadWrite | kOpenDenyWrite, kOpenReadWrite | kOpenDenyAll}) {
    SCOPED_TRACE(mode);
    Open(mode);
    WriteDiskHeader(Disk(2, 7));
    ASSERT_EQ(Load(), kLoadOk);
    EXPECT_FALSE(state_.holds_reader_slot);
    EndHeaderOperation(channel_, state_);
    WriteDiskHeader(Disk(8, 3));  // never happens under this sharing
    ASSERT_EQ(Load(), kLoadOk);
    EXPECT_EQ(state_.header.root_page, 7u);
    channel_.Close();
  }
}

TEST_F(HeaderLoadTest, SharedFileLocksForEachOperation) {
  Open(kOpenReadWrite);
  WriteDiskHeader(Disk(1, 1));

  // A committing writer (all reader slots) keeps a reader out; the failed
  // attempt moves the reader on to the next slot.
  {
    LockHolder commit(path_, kLockBase, kReaderSlots);
    ASSERT_TRUE(commit.locked());
    const int slot = channel_.reader_slot();
    EXPECT_EQ(Load(), kLoadLocked);
    EXPECT_EQ(channel_.reader_slot(), (slot + 1) % kReaderSlots);
  }
  ASSERT_EQ(Load(), kLoadOk);
  EXPECT_TRUE(state_.holds_reader_slot);
  {
    LockHolder same_slot(path_, ReaderSlotPosition(channel_.reader_slot()), 1);
    EXPECT_FALSE(same_slot.locked());
  }
  EndHeaderOperation(channel_, state_);
  {
    LockHolder same_slot(path_, ReaderSlotPosition(channel_.reader_slot()), 1);
    EXPECT_TRUE(same_slot.locked());
  }

  // Writing mode takes the writer byte instead.
  state_.reading_mode = false;
  {
    LockHolder writer(path_, kLockBase + kWriterByte, 1);
    ASSERT_TRUE(writer.locked());
    EXPECT_EQ(Load(), kLoadLocked);
  }
  ASSERT_EQ(Load(), kLoadOk);
  EXPECT_TRUE(state_.holds_writer_byte);
  LockHolder other_writer(path_, kLockBase + kWriterByte, 1);
  EXPECT_FALSE(other_writer.locked());
}

TEST_F(HeaderLoadTest, WaitingReaderGetsInAfterTheCommit) {
  Open(kOpenReadWrite);
  WriteDiskHeader(Disk(1, 1));
  LockHolder commit(path_, kLockBase, kReaderSlots, 200 * 1000);
  ASSERT_TRUE(commit.locked());
  EXPECT_EQ(Load(LockWait::kWait), kLoadOk);
  EXPECT_TRUE(state_.holds_reader_slot);
}

}  // namespace
}  // namespace vantrel
