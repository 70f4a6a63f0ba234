#include "storage/tnl/table/transaction.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "os/posix/fault_injection.h"
#include "storage/tnl/format/test_hex.h"
#include "storage/tnl/pager/file_locks.h"
#include "storage/tnl/table/file_check.h"
#include "storage/tnl/table/test_hostile_files.h"
#include "storage/tnl/table/transaction_control.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

constexpr int kRecordsBefore = 20;
constexpr int kRecordsAdded = 150;

// CARDS: NAME STRING(4) at 0, ID LONG at 4; one unique key on ID.
TableDescription Cards() {
  TableDescription t;
  t.record_length = 8;
  t.fields = {TestField(FieldType::STRING, "NAME", 0, 4),
              TestField(FieldType::LONG, "ID", 4, 4)};
  t.keys = {{std::nullopt, "BYID", 0, {{1, 0}}}};
  return t;
}

void AddCards(TnlFile& file, BTree& tree, int first, int count) {
  const CharTables tables = CharTables::Defaults();
  const TableDescription cards = Cards();
  const TableKeys keys{
      *FindTable(tree, "CARDS"), &cards, {}, KeyStringRules{&tables}};
  for (int id = first; id < first + count; ++id) {
    std::vector<std::uint8_t> image = {'c', 'a', 'r', 'd'};
    for (int i = 0; i < 4; ++i) image.push_back(std::uint8_t(id >> (8 * i)));
    ASSERT_EQ(AddDataRecord(file, tree, keys, image).error, 0);
  }
}

// Runs `body` inside one operation on an open file.
template <typename Body>
void InOperation(TnlFile& file, Body body) {
  ASSERT_EQ(RunOperation(file.name(),
                         [&] {
                           ASSERT_EQ(file.LoadHeader(LockWait::kWait), kLoadOk);
                           body();
                         }),
            0);
  file.EndOperation();
}

// Every record of the file but the transaction marker, in key order.
std::vector<std::string> Records(TnlFile& file) {
  std::vector<std::string> out;
  InOperation(file, [&] {
    BTree tree(file);
    ByteString at;
    while (auto next = tree.FindFirstGreater(at)) {
      at.assign(next->Key().begin(), next->Key().end());
      if (at != ByteString{kTransactionByte}) {
        out.push_back(Hex(next->bytes.data(), next->bytes.size()));
      }
    }
  });
  return out;
}

std::optional<TransactionMarker> MarkerOf(const std::string& path) {
  TnlFile file;
  EXPECT_TRUE(file.Open(path, kOpenReadShared));
  std::optional<TransactionMarker> marker;
  InOperation(file, [&] {
    BTree tree(file);
    if (auto record = FindMarker(tree)) marker = ReadMarker(*record);
  });
  return marker;
}

// The number of records in a control file (none when it does not exist).
int ControlRecords(const std::string& path) {
  if (!fs::exists(path)) return -1;
  TnlFile file;
  EXPECT_TRUE(file.Open(path, kOpenReadShared));
  return static_cast<int>(Records(file).size());
}

// The bytes of a file, to tell whether anything changed it.
std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// What was done to one file while it is watched: opened, and opened for
// writing, changed or given new attributes.
class FileWatch {
 public:
  explicit FileWatch(const std::string& path)
      : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    EXPECT_GE(::inotify_add_watch(
                  fd_, path.c_str(),
                  IN_OPEN | IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB),
              0);
  }
  ~FileWatch() { ::close(fd_); }
  FileWatch(const FileWatch&) = delete;
  FileWatch& operator=(const FileWatch&) = delete;

  // The events seen since the last call, or-ed together.
  std::uint32_t Events() {
    std::uint32_t seen = 0;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n <= 0) return seen;
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        seen |= event->mask;
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
  }

 private:
  int fd_;
};

constexpr std::uint32_t kWritten = IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB;

class TransactionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("txn_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    UseDirectories("one", "one");
  }
  void TearDown() override {
    FaultInjection::Disarm();
    Transaction::OfProcess().SetControlFileName("");
    fs::remove_all(dir_);
  }

  // Places a.vtl and b.vtl (with 20 cards each) in the given directories.
  void UseDirectories(const std::string& a_dir, const std::string& b_dir) {
    fs::remove_all(dir_);
    paths_[0] = (dir_ / a_dir / "a.vtl").string();
    paths_[1] = (dir_ / b_dir / "b.vtl").string();
    for (const std::string& path : paths_) {
      fs::create_directories(fs::path(path).parent_path());
      std::ofstream(path).close();
      CommitChange(path, [](TnlFile& f, BTree& tree) {
        CreateTable(f, tree, "CARDS", Cards(), false, CharTables::Defaults());
        AddCards(f, tree, 0, kRecordsBefore);
      });
      fs::copy_file(path, path + ".old");
    }
  }

  std::string ControlPath(int file) const {
    return DefaultControlFilePath(paths_[file]);
  }

  // Puts both files back in their state from before and removes the
  // control files.
  void RestoreBefore() {
    for (int i = 0; i < 2; ++i) {
      fs::copy_file(paths_[i] + ".old", paths_[i],
                    fs::copy_options::overwrite_existing);
      fs::remove(ControlPath(i));
    }
  }

  // LOGOUT over both files, cards from `first_id` on (twice that in the
  // second file) added to those in `change`, COMMIT.
  // Returns what COMMIT returned.
  int RunTransaction(std::array<bool, 2> change = {true, true},
                     int first_id = 1000) {
    TnlFile files[2];
    Transaction& txn = Transaction::OfProcess();
    for (int i = 0; i < 2; ++i) {
      EXPECT_TRUE(files[i].Open(paths_[i], kOpenReadWriteShared));
      InOperation(files[i], [&] { EXPECT_EQ(txn.Logout(files[i]), 0); });
    }
    for (int i = 0; i < 2; ++i) {
      if (!change[i]) continue;
      InOperation(files[i], [&] {
        BTree tree(files[i]);
        AddCards(files[i], tree, first_id * (i + 1), kRecordsAdded);
      });
    }
    int result = -1;
    InOperation(files[0], [&] { result = txn.Commit(); });
    EXPECT_TRUE(txn.empty());
    return result;
  }

  // Both files' records after opening them for writing (which repairs an
  // interrupted write), each checked for integrity.
  std::array<std::vector<std::string>, 2> Reopened() {
    std::array<std::vector<std::string>, 2> state;
    for (int i = 0; i < 2; ++i) {
      TnlFile file;
      EXPECT_TRUE(file.Open(paths_[i], kOpenReadWriteShared));
      state[i] = Records(file);
      EXPECT_EQ(CheckFileIntegrity(file), std::vector<std::string>{})
          << paths_[i];
    }
    return state;
  }

  // Takes the states before and after one clean transaction and the path
  // of every write and flush it makes; leaves the files as before.
  void MeasureTransaction() {
    before_ = Reopened();
    FaultInjection::Arm(FaultPlan{});
    ASSERT_EQ(RunTransaction(), 0);
    step_paths_ = FaultInjection::StepPaths();
    FaultInjection::Disarm();
    after_ = Reopened();
    ASSERT_EQ(after_[0].size(), before_[0].size() + 2 * kRecordsAdded);
    RestoreBefore();
  }

  // Runs the transaction in a child process that ends at step `step`.
  void CrashAt(std::int64_t step) {
    CrashAt(step, [&] { RunTransaction(); });
  }
  // Runs `body` in a child process that ends at step `step`.
  template <typename Body>
  void CrashAt(std::int64_t step, Body body) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      FaultInjection::Arm(FaultAt(step, FaultAction::kCrash, 100));
      body();
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kFaultCrashExitCode);
  }

  // The first step at or after `from` that writes or flushes a file whose
  // path satisfies `match`.
  template <typename Match>
  std::int64_t FirstStep(std::int64_t from, Match match) const {
    for (std::int64_t i = from; i < std::ssize(step_paths_); ++i) {
      if (match(step_paths_[i])) return i + 1;
    }
    ADD_FAILURE() << "no such step";
    return 0;
  }
  bool IsData(const std::string& path) const {
    return path == paths_[0] || path == paths_[1];
  }
  static bool IsControl(const std::string& path) {
    return path.ends_with(kControlFileName);
  }

  // Leaves `path` as a commit stopped after its phase one leaves it: the
  // change made by `change` is durable but not yet at home. Returns the
  // file's records before and after that change.
  template <typename Change>
  static std::array<std::vector<std::string>, 2> WritePendingChange(
      const std::string& path, Change change) {
    std::array<std::vector<std::string>, 2> states;
    {
      TnlFile file;
      EXPECT_TRUE(file.Open(path, kOpenReadWriteShared));
      states[0] = Records(file);
    }
    LeaveInterruptedWrite(path, change,
                          [&](TnlFile& file) { states[1] = Records(file); });
    EXPECT_NE(states[0], states[1]);
    return states;
  }
  // The same for a commit of several files: cards from `first_id` on added
  // under `marker`.
  static std::array<std::vector<std::string>, 2> WritePending(
      const std::string& path, const TransactionMarker& marker,
      int first_id = 7000) {
    return WritePendingChange(path, [&](TnlFile& file, BTree& tree) {
      AddCards(file, tree, first_id, 10);
      ReplaceMarker(tree, marker);
    });
  }

  // The records a reader and then a writer (which repairs) see, each
  // checked for integrity by the writer.
  static std::array<std::vector<std::string>, 2> ReadThenRepair(
      const std::string& path) {
    std::array<std::vector<std::string>, 2> seen;
    {
      TnlFile reader;
      EXPECT_TRUE(reader.Open(path, kOpenReadShared));
      seen[0] = Records(reader);
    }
    TnlFile writer;
    EXPECT_TRUE(writer.Open(path, kOpenReadWriteShared));
    seen[1] = Records(writer);
    EXPECT_EQ(CheckFileIntegrity(writer), std::vector<std::string>{});
    return seen;
  }

  // A control file at `path` holding the record of `number` (or, when
  // `holds` is false, only another one), naming `first` as the first.
  static void MakeControl(const std::string& path, std::uint32_t number,
                          bool holds, const std::string& first = "") {
    ControlFile control;
    ASSERT_EQ(control.Open(path, /*create=*/true, /*retry_sharing=*/false), 0);
    ASSERT_EQ(control.Insert(holds ? number : number + 1, first), 0);
  }

  fs::path dir_;
  std::array<std::string, 2> paths_;
  std::array<std::vector<std::string>, 2> before_;
  std::array<std::vector<std::string>, 2> after_;
  std::vector<std::string> step_paths_;
};

TEST_F(TransactionTest, MarkerAndControlRecordBytes) {
  EXPECT_EQ(Hex(ControlRecordKey(0x01020304).data(), 4), "01020304");
  const PageRecord marker = MarkerRecord({0x01020304, "C:\\tArNeL.TCF"});
  EXPECT_EQ(marker.key_length, 1);
  EXPECT_EQ(Hex(marker.bytes.data(), marker.bytes.size()),
            "ff"
            "01020304"
            "433a5c7441724e654c2e544346"
            "00");
  EXPECT_EQ(ReadMarker(marker)->control_name, "C:\\tArNeL.TCF");
  // A marker without its terminating zero is not read as one.
  PageRecord cut = marker;
  cut.bytes.pop_back();
  EXPECT_FALSE(ReadMarker(cut));
}

TEST_F(TransactionTest, SeveralFilesCommitWithMarkersAndEmptyControlFiles) {
  const struct {
    const char* a_dir;
    const char* b_dir;
    bool set_name;
  } cases[] = {
      {"one", "one", false},
      {"one", "two", false},
      {"one", "two", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a_dir) + " " + c.b_dir);
    UseDirectories(c.a_dir, c.b_dir);
    const auto before = Reopened();
    const std::string own = (dir_ / "own.tcf").string();
    Transaction::OfProcess().SetControlFileName(c.set_name ? own : "");
    ASSERT_EQ(RunTransaction(), 0);
    const auto state = Reopened();
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(state[i].size(), before[i].size() + 2 * kRecordsAdded);
    }
    const auto a = MarkerOf(paths_[0]);
    const auto b = MarkerOf(paths_[1]);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->number, b->number);
    // A name the process set counts by its last part, beside each file.
    const std::string stored = c.set_name ? "own.tcf" : "C:\\tArNeL.TCF";
    EXPECT_EQ(a->control_name, stored);
    EXPECT_EQ(b->control_name, stored);
    EXPECT_FALSE(fs::exists(own));
    // Every control file used was created and is empty again.
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(ControlRecords(*ControlFilePath(stored, paths_[i])), 0);
    }
    EXPECT_EQ(fs::exists(ControlPath(0)), !c.set_name);
  }
}

TEST_F(TransactionTest, OneChangedFileCommitsAloneWithoutControlRecord) {
  ASSERT_EQ(RunTransaction({false, true}), 0);
  EXPECT_FALSE(fs::exists(ControlPath(0)));
  EXPECT_FALSE(MarkerOf(paths_[1]));
  const auto state = Reopened();
  EXPECT_EQ(state[0].size(), state[1].size() - 2 * kRecordsAdded);
}

TEST_F(TransactionTest, RollbackForgetsEveryFileAndFreesItsWriterByte) {
  before_ = Reopened();
  TnlFile files[2];
  Transaction& txn = Transaction::OfProcess();
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(files[i].Open(paths_[i], kOpenReadWriteShared));
    InOperation(files[i], [&] { EXPECT_EQ(txn.Logout(files[i]), 0); });
    InOperation(files[i], [&] {
      BTree tree(files[i]);
      AddCards(files[i], tree, 5000, 30);
    });
  }
  // Held across operations until the transaction ends.
  TnlFile other;
  ASSERT_TRUE(other.Open(paths_[0], kOpenReadWriteShared));
  EXPECT_FALSE(TakeWriterByte(other.channel(), LockWait::kNoWait));
  txn.Rollback();
  EXPECT_TRUE(txn.empty());
  EXPECT_TRUE(TakeWriterByte(other.channel(), LockWait::kNoWait));
  ReleaseWriterByte(other.channel());
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(files[i].dirty());
    EXPECT_EQ(Records(files[i]), before_[i]);
  }
  EXPECT_EQ(Reopened(), before_);
}

TEST_F(TransactionTest, MoreThanAHundredControlFilesIsAnInternalCheck) {
  std::vector<std::unique_ptr<TnlFile>> files;
  Transaction& txn = Transaction::OfProcess();
  int check = 0;
  for (std::size_t i = 0; i <= kMaxControlFiles && check == 0; ++i) {
    const fs::path path = dir_ / ("d" + std::to_string(i)) / "x.vtl";
    fs::create_directories(path.parent_path());
    std::ofstream(path).close();
    files.push_back(std::make_unique<TnlFile>());
    ASSERT_TRUE(files.back()->Open(path.string(), kOpenReadWriteShared));
    check = RunOperation(path.string(), [&] { txn.Logout(*files.back()); });
  }
  EXPECT_EQ(check, kCheckTooManyControlFiles);
  EXPECT_EQ(files.size(), kMaxControlFiles + 1);
  txn.Rollback();
}

// Fails or stops the process at every write and flush of a transaction
// over two files in turn: each time, reopening gives both files exactly as
// before or both exactly as after, and a failure reported by COMMIT means
// before.
TEST_F(TransactionTest, EveryStepOfATransactionGivesBeforeOrAfterForBoth) {
  for (const char* b_dir : {"one", "two"}) {
    SCOPED_TRACE(b_dir);
    UseDirectories("one", b_dir);
    MeasureTransaction();
    for (FaultAction action :
         {FaultAction::kFail, FaultAction::kShort, FaultAction::kCrash}) {
      SCOPED_TRACE(static_cast<int>(action));
      bool saw_before = false;
      bool saw_after = false;
      for (std::int64_t step = 1; step <= std::ssize(step_paths_); ++step) {
        SCOPED_TRACE("step " + std::to_string(step) + " " +
                     step_paths_[step - 1]);
        RestoreBefore();
        int result = 0;
        if (action == FaultAction::kCrash) {
          CrashAt(step);
        } else {
          FaultInjection::Arm(FaultAt(step, action, 100));
          result = RunTransaction();
          FaultInjection::Disarm();
        }
        const auto state = Reopened();
        EXPECT_TRUE(state == before_ || state == after_);
        if (result != 0) {
          EXPECT_EQ(state, before_);
        }
        saw_before |= state == before_;
        saw_after |= state == after_;
      }
      EXPECT_TRUE(saw_before && saw_after);
    }
  }
}

// Stops the process at chosen points of a transaction over files in two
// directories and looks at what recovery makes of it.
TEST_F(TransactionTest, CommitPointDecidesForBothFiles) {
  UseDirectories("one", "two");
  MeasureTransaction();
  const auto is_data = [&](const std::string& p) { return IsData(p); };
  const auto is_first_control = [&](const std::string& p) {
    return p == ControlPath(0);
  };
  // The first control file's removal begins at its first step after the
  // data files' phase one.
  const std::int64_t phase_one = FirstStep(0, is_data);
  const std::int64_t removal = FirstStep(phase_one, is_first_control);
  const std::int64_t second_removal =
      FirstStep(removal, [&](const auto& p) { return p == ControlPath(1); });
  const std::int64_t phase_two = FirstStep(second_removal, is_data);
  const struct {
    const char* name;
    std::int64_t step;
    int first_control_records;
    int second_control_records;
    bool after;
  } cases[] = {
      {"markers written, record still in both control files", removal, 1, 1,
       false},
      {"record gone from the first control file only", second_removal, 0, 1,
       true},
      {"commit point passed, phase two not begun", phase_two, 0, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RestoreBefore();
    CrashAt(c.step);
    EXPECT_EQ(ControlRecords(ControlPath(0)), c.first_control_records);
    EXPECT_EQ(ControlRecords(ControlPath(1)), c.second_control_records);
    // Readers see the same outcome through the shadow copies before any
    // writer repairs the files.
    for (int i = 0; i < 2; ++i) {
      TnlFile reader;
      ASSERT_TRUE(reader.Open(paths_[i], kOpenReadShared));
      EXPECT_EQ(Records(reader), c.after ? after_[i] : before_[i]);
    }
    EXPECT_EQ(Reopened(), c.after ? after_ : before_);
  }
}

// The default control file is looked for beside the data file, wherever
// that now is.
TEST_F(TransactionTest, MovedFileLooksForTheControlFileBesideIt) {
  MeasureTransaction();
  // The control file's last step: its record is gone, no data file has
  // begun phase two.
  const std::int64_t committed =
      FirstStep(
          FirstStep(FirstStep(0, [&](const auto& p) { return IsData(p); }),
                    [](const auto& p) { return IsControl(p); }),
          [&](const auto& p) { return IsData(p); }) -
      1;
  const fs::path moved = dir_ / "moved";
  const struct {
    const char* name;
    bool control_beside;
    bool after;
  } cases[] = {
      {"an empty control file beside it: committed", true, true},
      // The old directory's control file is empty too; it is not asked.
      {"no control file beside it: not committed", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RestoreBefore();
    CrashAt(committed);
    ASSERT_EQ(ControlRecords(ControlPath(0)), 0);
    fs::remove_all(moved);
    fs::create_directories(moved);
    const std::string a_moved = (moved / "a.vtl").string();
    fs::copy_file(paths_[0], a_moved);
    if (c.control_beside) {
      fs::copy_file(ControlPath(0), DefaultControlFilePath(a_moved));
    }
    TnlFile file;
    ASSERT_TRUE(file.Open(a_moved, kOpenReadWriteShared));
    EXPECT_EQ(Records(file), c.after ? after_[0] : before_[0]);
    EXPECT_EQ(CheckFileIntegrity(file), std::vector<std::string>{});
  }
}

// A file stopped in phase two of a commit of several files and then moved
// away from its control file (here: the control file is gone) recovers to
// a sound state: rolled forward from the moment its header says that phase
// two may begin, so never discarded over pages already home.
TEST_F(TransactionTest, PhaseTwoRollsForwardWithoutTheControlFile) {
  MeasureTransaction();
  const auto is_a = [&](const std::string& p) { return p == paths_[0]; };
  const auto is_b = [&](const std::string& p) { return p == paths_[1]; };
  const std::int64_t removal =
      FirstStep(FirstStep(0, is_a), [](const auto& p) { return IsControl(p); });
  const std::int64_t a_marked = FirstStep(removal, is_a);
  const std::int64_t b_marked = FirstStep(a_marked, is_b);
  ASSERT_LT(b_marked, FirstStep(b_marked, is_a));  // both before any page
  for (std::int64_t step = a_marked; step <= std::ssize(step_paths_); ++step) {
    SCOPED_TRACE("step " + std::to_string(step) + " " +
                 step_paths_[step - 1]);
    RestoreBefore();
    CrashAt(step);
    fs::remove(ControlPath(0));
    const auto state = Reopened();  // checks both files' integrity
    EXPECT_EQ(state[0], after_[0]);
    if (step >= b_marked) {
      EXPECT_EQ(state[1], after_[1]);
    } else {
      // Not yet marked: without its control file it cannot know.
      EXPECT_EQ(state[1], before_[1]);
    }
  }
}

// A file keeps the marker of its last commit with others. When the control
// file it names is gone (deleted, or the file moved without it), a later
// commit of the file alone that stops anywhere, phase two included, must
// still recover to before or after: its write left the marker as it was,
// which no commit of several files does.
TEST_F(TransactionTest, CommitAloneUnderAnOldMarkerRecoversWithoutItsControlFile) {
  ASSERT_EQ(RunTransaction(), 0);
  fs::remove(ControlPath(0));
  const std::string& path = paths_[0];
  fs::copy_file(path, path + ".base", fs::copy_options::overwrite_existing);
  const auto commit_alone = [&] {
    TnlFile file;
    ASSERT_TRUE(file.Open(path, kOpenReadWriteShared));
    InOperation(file, [&] {
      BTree tree(file);
      AddCards(file, tree, 5000, kRecordsAdded);
      file.Commit();
    });
  };
  const auto before = Reopened()[0];
  FaultInjection::Arm(FaultPlan{});
  commit_alone();
  const std::int64_t steps = FaultInjection::Steps();
  FaultInjection::Disarm();
  const auto after = Reopened()[0];
  ASSERT_EQ(after.size(), before.size() + 2 * kRecordsAdded);

  bool saw_after = false;
  for (std::int64_t step = 1; step <= steps; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    fs::copy_file(path + ".base", path, fs::copy_options::overwrite_existing);
    CrashAt(step, commit_alone);
    const auto state = Reopened()[0];
    EXPECT_TRUE(state == before || state == after);
    saw_after |= state == after;
  }
  EXPECT_TRUE(saw_after);
}

// Two commits of the same files within one second still write different
// transaction numbers, so a marker never looks like an older one.
TEST_F(TransactionTest, EachCommitOfSeveralFilesWritesANewNumber) {
  ASSERT_EQ(RunTransaction(), 0);
  const auto first = MarkerOf(paths_[0]);
  ASSERT_EQ(RunTransaction({true, true}, 3000), 0);
  const auto second = MarkerOf(paths_[0]);
  ASSERT_TRUE(first && second);
  EXPECT_NE(second->number, first->number);
  EXPECT_EQ(MarkerOf(paths_[1])->number, second->number);
}

// A marker selects a control file only by its name's last part, beside the
// data file; a name with a directory part reaches nothing else, the data
// file itself and anything but a native file count as no control file (the
// write is discarded), and neither a reader nor a writer ever hangs or
// touches a file outside the data file's directory.
TEST_F(TransactionTest, HostileMarkerNamesReachOnlyNativeFilesBesideTheData) {
  constexpr std::uint32_t kNumber = 0x12345678;
  const fs::path outside = dir_ / "outside";
  const std::string data = paths_[0];
  const fs::path beside = fs::path(data).parent_path();
  const std::string outside_control = (outside / "ctl.tcf").string();
  const std::string beside_control = (beside / "ctl.tcf").string();
  const struct {
    const char* name;
    std::string marker;
    // -1: no such file; else whether it holds the transaction's record.
    int beside_holds;
    int outside_holds;
    std::string first;  // the first control file the beside one names
    bool after;
  } cases[] = {
      {"the data file itself", "a.vtl", -1, -1, "", false},
      {"itself, by a path", data, -1, -1, "", false},
      {"an absolute path outside, not beside", outside_control, -1, 0, "",
       false},
      {"an absolute path outside, beside too", outside_control, 1, 0, "",
       false},
      {"a relative path outside", "../outside/ctl.tcf", 0, 1, "", true},
      {"a Windows path", "D:\\outside\\ctl.tcf", 0, 1, "", true},
      {"a file that is not native", "passwd", -1, -1, "", false},
      {"a FIFO", "pipe", -1, -1, "", false},
      {"only a directory", "../", -1, -1, "", false},
      {"a first control file of another name", "ctl.tcf", 1, 0,
       (outside / "other.tcf").string(), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    UseDirectories("one", "one");
    fs::create_directories(outside);
    const auto states = WritePending(data, {kNumber, c.marker});
    if (c.beside_holds >= 0) {
      MakeControl(beside_control, kNumber, c.beside_holds == 1, c.first);
    }
    if (c.outside_holds >= 0) {
      MakeControl(outside_control, kNumber, c.outside_holds == 1);
    }
    // What it must not open: the outside control file or the first one
    // named (a control file without the record, so it would say
    // committed), and a file beside that is no native file.
    MakeControl((outside / "other.tcf").string(), kNumber, false);
    std::ofstream(beside / "passwd") << "root:x:0:0:root:/root:/bin/sh\n";
    ASSERT_EQ(::mkfifo((beside / "pipe").c_str(), 0600), 0);
    std::ofstream(outside / "passwd") << "root:x:0:0:root:/root:/bin/sh\n";
    std::vector<std::string> watched = {(outside / "other.tcf").string(),
                                        (beside / "passwd").string(),
                                        (outside / "passwd").string()};
    if (c.outside_holds >= 0) watched.push_back(outside_control);
    std::vector<std::string> kept;
    std::vector<std::unique_ptr<FileWatch>> watches;
    for (const std::string& path : watched) {
      kept.push_back(Bytes(path));
      watches.push_back(std::make_unique<FileWatch>(path));
    }

    const auto seen = ReadThenRepair(data);
    const char* expected = c.after ? "rolled forward" : "discarded";
    EXPECT_TRUE(seen[0] == states[c.after ? 1 : 0]) << "reader: " << expected;
    EXPECT_TRUE(seen[1] == states[c.after ? 1 : 0]) << "writer: " << expected;
    for (std::size_t i = 0; i < watched.size(); ++i) {
      SCOPED_TRACE(watched[i]);
      const std::uint32_t events = watches[i]->Events();
      EXPECT_EQ(Bytes(watched[i]), kept[i]);
      EXPECT_EQ(events & kWritten, 0u);
      // Only a name beside the data file may be opened at all.
      if (fs::path(watched[i]).parent_path() != beside) {
        EXPECT_EQ(events, 0u);
      }
    }
  }
}

// Two files whose pending writes name each other, and a file whose control
// file has a pending write of its own: each control file is read once, as
// committed, and left as it is.
TEST_F(TransactionTest, ControlFilesAreConsultedOneLevelDeep) {
  const std::string a = paths_[0];
  const std::string b = paths_[1];
  const auto a_states = WritePending(a, {0x1111, "b.vtl"});
  const auto b_states = WritePending(b, {0x2222, "a.vtl"}, 8000);
  const std::string b_pending = Bytes(b);
  {
    FileWatch watch_b(b);
    // b is a native file without the record of a's transaction.
    const auto seen = ReadThenRepair(a);
    EXPECT_EQ(seen[0], a_states[1]);
    EXPECT_EQ(seen[1], a_states[1]);
    EXPECT_EQ(watch_b.Events() & kWritten, 0u);
    EXPECT_EQ(Bytes(b), b_pending);
  }
  const auto seen = ReadThenRepair(b);
  EXPECT_EQ(seen[1], b_states[1]);

  // A control file stopped in the middle of a commit that removes the
  // record, under a marker that names the data file: its committed state
  // still holds the record, so the data file's write is discarded.
  UseDirectories("one", "one");
  const auto states = WritePending(a, {0x3333, "C:\\tArNeL.TCF"});
  const std::string control = ControlPath(0);
  MakeControl(control, 0x3333, true);
  WritePendingChange(control, [](TnlFile&, BTree& tree) {
    tree.Remove(ControlRecordKey(0x3333));
    ReplaceMarker(tree, {0x4444, "a.vtl"});
  });
  const std::string control_pending = Bytes(control);
  EXPECT_EQ(ReadThenRepair(a)[1], states[0]);
  EXPECT_EQ(Bytes(control), control_pending);

  // The same commit of the control file without a marker of its own (how
  // a commit removes a transaction's record): its own recovery rolls the
  // removal forward, so the transaction reached its end and the data file's
  // write stands, for a reader and a writer alike.
  fs::remove(control);
  const auto states_after = WritePending(a, {0x5555, "C:\\tArNeL.TCF"}, 8000);
  MakeControl(control, 0x5555, true);
  WritePendingChange(control, [](TnlFile&, BTree& tree) {
    tree.Remove(ControlRecordKey(0x5555));
  });
  const std::string removal_pending = Bytes(control);
  const auto seen_after = ReadThenRepair(a);
  EXPECT_EQ(seen_after[0], states_after[1]);
  EXPECT_EQ(seen_after[1], states_after[1]);
  EXPECT_EQ(Bytes(control), removal_pending);
}

// A control file that stays opened for exclusive use (here by this very
// process, which would otherwise wait for itself for ever) leaves the write
// undecided: the header load fails as locked, and nothing is repaired until
// the control file can be read.
TEST_F(TransactionTest, ControlFileKeptFromUsLeavesTheWriteUndecided) {
  const std::string data = paths_[0];
  const auto states = WritePending(data, {0x6666, "C:\\tArNeL.TCF"});
  MakeControl(ControlPath(0), 0x6666, false);
  const std::string pending = Bytes(data);
  {
    TnlFile exclusive;
    ASSERT_TRUE(
        exclusive.Open(ControlPath(0), kOpenReadWrite | kOpenDenyAll));
    for (const unsigned mode : {kOpenReadShared, kOpenReadWriteShared}) {
      TnlFile file;
      ASSERT_TRUE(file.Open(data, mode));
      EXPECT_EQ(RunOperation(data,
                             [&] {
                               EXPECT_EQ(file.LoadHeader(LockWait::kWait),
                                         kLoadLocked);
                             }),
                0);
      file.EndOperation();
    }
    EXPECT_EQ(Bytes(data), pending);
  }
  EXPECT_EQ(ReadThenRepair(data)[1], states[1]);
}

TEST(TnlFileModeTest, ChangeHoldsTheWriterByteAndReaderSlotGoesFirst) {
  const fs::path path = fs::path(::testing::TempDir()) /
                        ("modes_" + std::to_string(::getpid()) + ".vtl");
  std::ofstream(path).close();
  CommitChange(path.string(), [](TnlFile& f, BTree& tree) {
    CreateTable(f, tree, "CARDS", Cards(), false, CharTables::Defaults());
  });
  TnlFile file;
  TnlFile other;
  ASSERT_TRUE(file.Open(path.string(), kOpenReadWriteShared));
  ASSERT_TRUE(other.Open(path.string(), kOpenReadWriteShared));
  file.SetReadingMode(true);
  ASSERT_EQ(
      RunOperation(
          path.string(),
          [&] {
            ASSERT_EQ(file.LoadHeader(LockWait::kWait), kLoadOk);
            // A reader slot keeps a committer out ...
            EXPECT_FALSE(TakeCommitLock(other.channel(), LockWait::kNoWait));
            // ... until the change begins.
            ASSERT_TRUE(file.BeginChange());
            EXPECT_TRUE(TakeCommitLock(other.channel(), LockWait::kNoWait));
            ReleaseCommitLock(other.channel());
            ASSERT_EQ(file.LoadHeader(LockWait::kWait), kLoadOk);
            BTree tree(file);
            AddCards(file, tree, 0, 3);
          }),
      0);
  file.EndOperation();
  // The change outlives the operation; the writer byte with it.
  EXPECT_TRUE(file.in_change());
  EXPECT_FALSE(TakeWriterByte(other.channel(), LockWait::kNoWait));
  EXPECT_EQ(file.EndChange(), 0);
  EXPECT_TRUE(file.reading_mode());
  EXPECT_TRUE(TakeWriterByte(other.channel(), LockWait::kNoWait));
  ReleaseWriterByte(other.channel());
  EXPECT_EQ(Records(other).size(), Records(file).size());
  EXPECT_EQ(CheckFileIntegrity(other), std::vector<std::string>{});
  fs::remove(path);
}

}  // namespace
}  // namespace vantrel
