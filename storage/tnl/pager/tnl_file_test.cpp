#include "storage/tnl/pager/tnl_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "os/posix/fault_injection.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/table/structure_check.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

std::string Key(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "k%05d", i);
  return buf;
}

// A record "k00042" + 40 bytes without runs, so pages do not compress much.
PageRecord Leaf(int i) {
  PageRecord r;
  const std::string key = Key(i);
  r.bytes.assign(key.begin(), key.end());
  for (int j = 0; j < 40; ++j) {
    r.bytes.push_back(static_cast<std::uint8_t>('a' + (i * 7 + j * 3) % 26));
  }
  r.key_length = static_cast<std::uint16_t>(key.size());
  return r;
}

PageRecord Separator(const Page* child) {
  PageRecord r;
  const auto key = child->records.At(0).Key();
  r.bytes.assign(key.begin(), key.end());
  r.key_length = static_cast<std::uint16_t>(key.size());
  r.child = child->number;
  return r;
}

// Every leaf record of the tree in order, as "key/data" strings.
std::vector<std::string> Contents(TnlFile& file, Page* page) {
  std::vector<std::string> out;
  std::vector<PageNumber> children;
  page->records.ForEach([&](const RecordRef& r) {
    if (page->level == 0)
      out.emplace_back(r.bytes.begin(), r.bytes.end());
    else
      children.push_back(r.child);
  });
  for (PageNumber child : children) {
    for (auto& s : Contents(file, file.GetPage(child))) out.push_back(s);
  }
  return out;
}

class TnlFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("tnl_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "pages.vtl").string();
    std::ofstream(path_).close();  // a new file is empty
  }
  void TearDown() override {
    FaultInjection::Disarm();
    fs::remove_all(dir_);
  }

  // Runs `body` as one operation on a fresh open of the file; returns the
  // failed check number or 0. The file is closed afterwards.
  template <typename Body>
  int WithFile(unsigned mode, Body body) {
    TnlFile file;
    EXPECT_TRUE(file.Open(path_, mode));
    const int check = RunOperation(path_, [&] {
      ASSERT_EQ(file.LoadHeader(LockWait::kWait), kLoadOk);
      body(file);
    });
    file.EndOperation();
    file.Close();
    return check;
  }

  // Reopens the file (repairing it when it was interrupted), checks its
  // structure and returns its contents.
  std::vector<std::string> Reopened(unsigned mode = kOpenReadWriteShared) {
    std::vector<std::string> contents;
    EXPECT_EQ(WithFile(mode,
                       [&](TnlFile& f) {
                         EXPECT_EQ(CheckStructure(f), "");
                         contents = Contents(f, f.RootPage());
                       }),
              0);
    return contents;
  }

  // The old state: a root over three leaves of 5 records each.
  void BuildOldState() {
    ASSERT_EQ(WithFile(kOpenReadWriteShared,
                       [&](TnlFile& f) {
                         Page* root = f.RootPage();
                         root->level = 1;
                         for (int leaf = 0; leaf < 3; ++leaf) {
                           Page* page = f.NewPage(0);
                           for (int i = 0; i < 5; ++i) {
                             page->records.Insert(Leaf(leaf * 100 + i));
                           }
                           root->records.Insert(Separator(page));
                         }
                         ASSERT_EQ(f.Commit(), 0);
                       }),
              0);
  }

  // The change: leaf 0 grows into a larger size class, leaf 1 changes in
  // place, leaf 2 is freed and a new leaf is added at the end.
  static void Change(TnlFile& f) {
    Page* root = f.RootPage();
    Page* leaves[3];
    for (std::size_t i = 0; i < 3; ++i) {
      leaves[i] = f.GetPage(root->records.At(i).child);
    }
    for (int i = 5; i < 40; ++i) leaves[0]->records.Insert(Leaf(i));
    leaves[1]->records.EraseAt(0);
    leaves[1]->records.Insert(Leaf(199));
    for (Page* p : {leaves[0], leaves[1]}) {
      p->used = UsedMeasure(p->level, p->records);
      f.MarkDirty(p);
    }
    root->records.EraseAt(1);
    root->records.Insert(Separator(leaves[1]));
    root->records.EraseAt(2);
    f.FreePage(leaves[2]);
    Page* added = f.NewPage(0);
    for (int i = 0; i < 3; ++i) added->records.Insert(Leaf(300 + i));
    added->used = UsedMeasure(0, added->records);
    root->records.Insert(Separator(added));
    root->used = UsedMeasure(1, root->records);
    f.MarkDirty(root);
  }

  fs::path dir_;
  std::string path_;
};

TEST_F(TnlFileTest, EmptyFileGetsARootAndOneCommitAddsTwo) {
  ASSERT_EQ(WithFile(kOpenReadWriteShared,
                     [](TnlFile& f) {
                       EXPECT_EQ(f.header().change_counter, 0u);
                       Page* root = f.RootPage();
                       EXPECT_EQ(root->level, 0);
                       EXPECT_TRUE(root->records.empty());
                       EXPECT_EQ(f.header().change_counter, 1u);
                       EXPECT_EQ(f.IssueNumber(), 1u);
                       ASSERT_EQ(f.Commit(), 0);
                       EXPECT_EQ(f.header().change_counter, 3u);
                     }),
            0);
  std::ifstream in(path_, std::ios::binary);
  std::vector<unsigned char> disk((std::istreambuf_iterator<char>(in)), {});
  ASSERT_GE(disk.size(), 0x300u);
  // Committed end = shadow end = 0x300: the root leaf is page 0, one unit.
  const std::vector<unsigned char> ends = {0x00, 0x03, 0, 0, 0x00, 0x03, 0, 0};
  EXPECT_EQ(std::vector<unsigned char>(disk.begin() + 6, disk.begin() + 14),
            ends);
  EXPECT_EQ(disk[0x14 + 3], 1);    // last issued number, big-endian
  EXPECT_EQ(disk[0x18], 3);        // change counter
  EXPECT_EQ(disk[0x110 + 4], 1);   // zone 1 ends after page 0
  EXPECT_EQ(disk[0x200 + 4], 13);  // the empty root's stored length
  EXPECT_EQ(Reopened(), std::vector<std::string>{});
}

// A lookup that starts without its reader slot works on what it has
// cached; its first page read finds out whether another open of the file
// committed meanwhile (then it is to be run again), and a lookup started
// after such a commit sees it: no page of the state before is kept.
TEST_F(TnlFileTest, UnlockedLookupsNeverMixOrKeepAnOldState) {
  BuildOldState();
  std::vector<std::string> old_state = Reopened();
  TnlFile reader;
  ASSERT_TRUE(reader.Open(path_, kOpenReadShared));
  // Reads `leaves` of the root's children as one lookup; false when the
  // lookup has to run again.
  auto lookup = [&](std::vector<std::size_t> leaves,
                    const std::function<void()>& meanwhile = {}) {
    bool outdated = false;
    EXPECT_EQ(RunOperation(path_,
                           [&] {
                             reader.AllowUnlockedRead();
                             ASSERT_EQ(reader.LoadHeader(LockWait::kWait),
                                       kLoadOk);
                             Page* root = reader.RootPage();
                             if (meanwhile) meanwhile();
                             try {
                               for (std::size_t i : leaves) {
                                 reader.GetPage(root->records.At(i).child);
                               }
                             } catch (const UnlockedReadOutdated&) {
                               outdated = true;
                             }
                           }),
              0);
    reader.EndOperation();
    return !outdated;
  };
  TnlFile writer;
  ASSERT_TRUE(writer.Open(path_, kOpenReadWriteShared));
  auto commit = [&](const std::function<void(TnlFile&)>& change) {
    ASSERT_EQ(RunOperation(path_,
                           [&] {
                             ASSERT_EQ(writer.LoadHeader(LockWait::kWait),
                                       kLoadOk);
                             change(writer);
                             ASSERT_EQ(writer.Commit(), 0);
                           }),
              0);
    writer.EndOperation();
  };
  auto erase_first = [](TnlFile& f) {
    Page* leaf = f.GetPage(f.RootPage()->records.At(0).child);
    leaf->records.EraseAt(0);
    leaf->used = UsedMeasure(0, leaf->records);
    f.MarkDirty(leaf);
  };
  auto contents = [&] {
    std::vector<std::string> seen;
    EXPECT_EQ(RunOperation(path_,
                           [&] {
                             reader.AllowUnlockedRead();
                             ASSERT_EQ(reader.LoadHeader(LockWait::kWait),
                                       kLoadOk);
                             seen = Contents(reader, reader.RootPage());
                           }),
              0);
    reader.EndOperation();
    return seen;
  };

  // The first load is taken under the slot; then pages not yet cached are
  // read as long as nothing was committed.
  EXPECT_TRUE(lookup({0}));
  EXPECT_TRUE(lookup({0, 1}));
  // Leaf 2, freed by a commit made meanwhile, is not read from the new
  // state.
  EXPECT_FALSE(lookup({2}, [&] { commit(Change); }));
  // The next lookup takes the commit in.
  std::vector<std::string> seen = contents();
  EXPECT_NE(seen, old_state);
  EXPECT_EQ(seen, Reopened());
  // Cached pages alone need no look at the disk, even after a commit; the
  // lookup after it sees the commit.
  EXPECT_TRUE(lookup({0, 1}, [&] { commit(erase_first); }));
  const std::vector<std::string> before = seen;
  seen = contents();
  EXPECT_EQ(seen.size() + 1, before.size());
  EXPECT_EQ(seen, Reopened());
}

// A reader of a file that has no root yet sees an empty tree and leaves
// nothing to commit: a reader committing would do so without the writer
// byte, and two of them on one new file waited for each other for ever.
TEST_F(TnlFileTest, ReaderOfAFileWithoutRootWritesNothing) {
  for (const bool writer_mode : {false, true}) {
    SCOPED_TRACE(writer_mode ? "opened for writing, reading" : "read-only");
    const unsigned mode = writer_mode ? kOpenReadWriteShared : kOpenReadShared;
    ASSERT_EQ(WithFile(mode,
                       [](TnlFile& f) {
                         f.SetReadingMode(true);
                         Page* root = f.RootPage();
                         EXPECT_EQ(root->level, 0);
                         EXPECT_TRUE(root->records.empty());
                         EXPECT_FALSE(f.dirty());
                         EXPECT_EQ(f.header().change_counter, 0u);
                         EXPECT_EQ(f.Commit(), 0);
                       }),
              0);
    EXPECT_EQ(fs::file_size(path_), 0u);
  }
}

TEST_F(TnlFileTest, InvalidFilesAreRefused) {
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"short header", std::string(100, '\0')},
      {"wrong magic", std::string(512, '\0')},
      {"zones out of order",
       [] {
         std::string h(512, '\0');
         h.replace(0x0E, 4, "tArN");
         h[0x20 + 4 * 2] = 5;  // zone 2 starts at 5, ends at 0
         return h;
       }()},
  };
  for (const auto& c : cases) {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << c.bytes;
    TnlFile file;
    ASSERT_TRUE(file.Open(path_, kOpenReadWriteShared));
    EXPECT_EQ(file.LoadHeader(LockWait::kWait), kLoadInvalidFile) << c.name;
  }
}

// The change counter at 0x018 never wraps to 0 (a file without a root to
// every reader): a commit that cannot raise it by two is refused before
// anything is written, and the file stays readable as it was.
TEST_F(TnlFileTest, CommitThatWouldWrapTheChangeCounterIsRefused) {
  const auto set_counter = [&](std::uint32_t counter) {
    std::fstream io(path_, std::ios::binary | std::ios::in | std::ios::out);
    io.seekp(0x18);
    for (int i = 0; i < 4; ++i) io.put(static_cast<char>(counter >> (8 * i)));
  };
  const auto bytes = [&] {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const auto add_leaf = [](TnlFile& f, int i) {
    Page* root = f.RootPage();
    root->records.Insert(Leaf(i));
    root->used = UsedMeasure(0, root->records);
    f.MarkDirty(root);
    return f.Commit();
  };
  const struct {
    std::uint32_t counter;
    int error;
    std::uint32_t after;
  } cases[] = {
      {0xFFFFFFFD, 0, 0xFFFFFFFF},
      {0xFFFFFFFE, kCounterExhaustedError, 0xFFFFFFFE},
      {0xFFFFFFFF, kCounterExhaustedError, 0xFFFFFFFF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.counter);
    std::ofstream(path_, std::ios::trunc).close();
    ASSERT_EQ(WithFile(kOpenReadWriteShared,
                       [&](TnlFile& f) { ASSERT_EQ(add_leaf(f, 1), 0); }),
              0);
    set_counter(c.counter);
    const std::string before = bytes();
    for (const unsigned mode :
         {kOpenReadWriteShared, kOpenReadWrite | kOpenDenyAll}) {
      ASSERT_EQ(WithFile(mode,
                         [&](TnlFile& f) {
                           EXPECT_EQ(add_leaf(f, 2), c.error);
                           EXPECT_EQ(f.header().change_counter, c.after);
                           EXPECT_FALSE(f.dirty());
                         }),
                0);
      if (c.error == 0) break;
      EXPECT_EQ(bytes(), before);
    }
    EXPECT_EQ(Reopened().size(), c.error == 0 ? 2u : 1u);
  }
}

TEST_F(TnlFileTest, CommitMovesPagesAndKeepsTheTreeSound) {
  BuildOldState();
  const std::vector<std::string> old_state = Reopened();
  ASSERT_EQ(old_state.size(), 15u);
  ASSERT_EQ(WithFile(kOpenReadWriteShared,
                     [](TnlFile& f) {
                       Change(f);
                       ASSERT_EQ(f.Commit(), 0);
                       EXPECT_EQ(CheckStructure(f), "");
                     }),
            0);
  const std::vector<std::string> new_state = Reopened();
  EXPECT_EQ(new_state.size(), 40u + 5 + 3);
  EXPECT_NE(new_state, old_state);
}

TEST_F(TnlFileTest, CorruptPageIsAnInternalCheck) {
  BuildOldState();
  {
    std::fstream io(path_, std::ios::binary | std::ios::in | std::ios::out);
    io.seekp(0x200 + 10);  // the record count of page 0
    io.put(static_cast<char>(0x7F));
  }
  TnlFile file;
  ASSERT_TRUE(file.Open(path_, kOpenReadWriteShared));
  const int check = RunOperation(path_, [&] {
    ASSERT_EQ(file.LoadHeader(LockWait::kWait), kLoadOk);
    Contents(file, file.RootPage());
  });
  // Page 0 is the root, an inner page: 127 children would take more than
  // its stored length.
  EXPECT_EQ(check, kCheckPageBodyBounds);
}

// Fails (or stops the process at) each write and flush of one commit in
// turn. Reopening must give exactly the old or exactly the new contents.
class CrashTest : public TnlFileTest {
 protected:
  void SetUp() override {
    TnlFileTest::SetUp();
    BuildOldState();
    old_state_ = Reopened();
    fs::copy_file(path_, dir_ / "old.vtl");
    FaultPlan count;
    count.path_suffix = "pages.vtl";
    FaultInjection::Arm(count);
    CommitChange();
    steps_ = FaultInjection::Steps();
    FaultInjection::Disarm();
    new_state_ = Reopened();
    ASSERT_NE(new_state_, old_state_);
    ASSERT_GT(steps_, 4);
  }

  void CommitChange() {
    WithFile(kOpenReadWriteShared, [](TnlFile& f) {
      Change(f);
      f.Commit();
    });
  }

  void RestoreOld() {
    fs::copy_file(dir_ / "old.vtl", path_,
                  fs::copy_options::overwrite_existing);
  }

  FaultPlan PlanAt(std::int64_t step, FaultAction action) {
    FaultPlan plan = FaultAt(step, action, 100);
    plan.path_suffix = "pages.vtl";
    return plan;
  }

  std::vector<std::string> old_state_;
  std::vector<std::string> new_state_;
  std::int64_t steps_ = 0;
};

TEST_F(CrashTest, FailedWriteOrFlushLeavesOldOrNewState) {
  for (FaultAction action : {FaultAction::kFail, FaultAction::kShort}) {
    bool saw_new = false;
    for (std::int64_t step = 1; step <= steps_; ++step) {
      SCOPED_TRACE("step " + std::to_string(step));
      RestoreOld();
      FaultInjection::Arm(PlanAt(step, action));
      CommitChange();
      FaultInjection::Disarm();
      const auto state = Reopened();
      EXPECT_TRUE(state == old_state_ || state == new_state_);
      saw_new |= state == new_state_;
      EXPECT_EQ(Reopened(), state);  // repaired for good
    }
    EXPECT_TRUE(saw_new);  // failures after the durable point keep the change
  }
}

TEST_F(CrashTest, ProcessStoppedMidCommitLeavesOldOrNewState) {
  bool saw_old = false;
  bool saw_new = false;
  for (std::int64_t step = 1; step <= steps_; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    RestoreOld();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      FaultInjection::Arm(PlanAt(step, FaultAction::kCrash));
      CommitChange();
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kFaultCrashExitCode);
    // A reader sees a consistent state (through the shadow copies when the
    // write was durable) and leaves the repair to the writer.
    const auto seen_by_reader = Reopened(kOpenReadShared);
    const auto state = Reopened();
    EXPECT_EQ(seen_by_reader, state);
    EXPECT_TRUE(state == old_state_ || state == new_state_);
    saw_old |= state == old_state_;
    saw_new |= state == new_state_;
  }
  EXPECT_TRUE(saw_old && saw_new);
}

// A write interrupted after phase one whose header at 0 claims a shadow end
// past the area, where an old header image lies (a cut write of the header
// mixes the bytes of two ends; the file's tail holds stale images). The
// walk must not take that old header for the change's: the write is
// discarded and the old state stands.
TEST_F(TnlFileTest, ShadowEndPastTheAreaDoesNotRollAnOldHeaderForward) {
  BuildOldState();
  const std::vector<std::string> old_state = Reopened();
  std::string old_header(kHeaderSize, '\0');
  std::ifstream(path_, std::ios::binary).read(old_header.data(), kHeaderSize);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Phase one only, then the process ends without a word.
    WithFile(kOpenReadWriteShared, [](TnlFile& f) {
      Change(f);
      if (f.CommitPhaseOne() == 0) ::_exit(0);
    });
    ::_exit(1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  std::fstream io(path_, std::ios::binary | std::ios::in | std::ios::out);
  Header pending;
  std::array<unsigned char, kHeaderSize> image;
  io.read(reinterpret_cast<char*>(image.data()), image.size());
  ASSERT_TRUE(DecodeHeader(image, &pending));
  ASSERT_NE(pending.committed_end, pending.shadow_end);
  io.seekp(pending.shadow_end);
  io.write(old_header.data(), kHeaderSize);
  pending.shadow_end += kHeaderSize;
  EncodeHeader(pending, image);
  io.seekp(0);
  io.write(reinterpret_cast<const char*>(image.data()), image.size());
  io.close();

  EXPECT_EQ(Reopened(kOpenReadShared), old_state);
  EXPECT_EQ(Reopened(), old_state);
}

// A new file's first commit cut off by the end of its process before each
// write and flush in turn: the file opens again, empty or with everything,
// and the next commit builds on it.
TEST_F(TnlFileTest, NewFileStoppedInItsFirstCommitOpensEmptyOrWhole) {
  FaultPlan count;
  count.path_suffix = "pages.vtl";
  FaultInjection::Arm(count);
  BuildOldState();
  const std::int64_t steps = FaultInjection::Steps();
  FaultInjection::Disarm();
  const std::vector<std::string> built = Reopened();
  ASSERT_FALSE(built.empty());
  for (std::int64_t step = 1; step <= steps; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    std::ofstream(path_, std::ios::trunc).close();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      FaultPlan plan = FaultAt(step, FaultAction::kCrash, 0);
      plan.path_suffix = "pages.vtl";
      FaultInjection::Arm(plan);
      BuildOldState();
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const auto state = Reopened();
    EXPECT_TRUE(state.empty() || state == built);
    if (state.empty()) {
      BuildOldState();
      EXPECT_EQ(Reopened(), built);
    }
  }
}

}  // namespace
}  // namespace vantrel
