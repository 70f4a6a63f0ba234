// The managers against another process: a file another process holds, two
// processes numbering records at once, and a program that ends fatally.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "framework/error_manager_halt.h"
#include "framework/file_manager.h"
#include "framework/file_manager_test_tables.h"
#include "framework/manager_test_fixture.h"
#include "framework/relation_manager.h"
#include "runtime/data/driver/driver_entry.h"
#include "runtime/data/driver/driver_registry.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/driver/file_statements.h"
#include "storage/tnl/driver/tnl_driver.h"
#include "storage/tnl/pager/tnl_file.h"
#include "storage/tnl/table/file_check.h"

extern char** environ;

namespace vantrel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// A running framework_peer: its stdin and stdout are pipes, its stderr goes
// to a file. A peer still running when the test ends is killed.
class Peer {
 public:
  Peer(const std::vector<std::string>& args, const std::string& stderr_path) {
    ::signal(SIGPIPE, SIG_IGN);
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO,
                                     stderr_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv = {const_cast<char*>(FRAMEWORK_PEER_PATH)};
    for (const std::string& arg : args) {
      argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, FRAMEWORK_PEER_PATH, &actions, nullptr, argv.data(),
                    environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    to_peer_ = in[1];
    from_peer_ = out[0];
  }
  ~Peer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
    if (to_peer_ >= 0) ::close(to_peer_);
    if (from_peer_ >= 0) ::close(from_peer_);
  }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  // The next line of output; nothing at its end or after a minute of
  // silence, so that a hung peer fails the test instead of hanging it.
  std::optional<std::string> ReadLine() {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
      const std::size_t end = pending_.find('\n');
      if (end != std::string::npos) {
        std::string line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        return line;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (from_peer_ < 0 || left.count() <= 0) return std::nullopt;
      pollfd ready{from_peer_, POLLIN, 0};
      if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
        return std::nullopt;
      }
      char chunk[512];
      const ssize_t n = ::read(from_peer_, chunk, sizeof chunk);
      if (n <= 0) return std::nullopt;
      pending_.append(chunk, static_cast<std::size_t>(n));
    }
  }
  // Every line up to the end of the output.
  std::vector<std::string> ReadRest() {
    std::vector<std::string> lines;
    while (auto line = ReadLine()) lines.push_back(*line);
    return lines;
  }
  void Tell(const std::string& line) {
    const std::string text = line + "\n";
    (void)!::write(to_peer_, text.data(), text.size());
  }
  // The exit status, or 128 + the signal that ended the peer.
  int Wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  int to_peer_ = -1;
  int from_peer_ = -1;
  std::string pending_;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The native driver under another name, calling a hook before each ADD it
// is given (the moment between numbering a record and adding it, in which
// another process can take the number) and noting each OPEN and SEND.
std::function<void()> before_add;
std::vector<std::string> opens_and_sends;

class HookedInstance final : public DriverInstance {
 public:
  explicit HookedInstance(std::unique_ptr<DriverInstance> inner)
      : inner_(std::move(inner)) {}
  DriverResult Perform(DriverOp op, DriverArgs& args) override {
    if (op == DriverOp::kADD && before_add) before_add();
    if (op == DriverOp::kOPEN) {
      opens_and_sends.push_back("OPEN " + std::to_string(args.mode));
    }
    if (op == DriverOp::kSEND) {
      opens_and_sends.push_back("SEND " + std::string(args.text));
    }
    return inner_->Perform(op, args);
  }

 private:
  std::unique_ptr<DriverInstance> inner_;
};

MadeInstance MakeHooked(FileDeclaration& file) {
  MadeInstance made = TarnelDriverEntry().make_instance(file);
  if (made.ok() && made.value()) {
    made.value() = std::make_unique<HookedInstance>(std::move(made.value()));
  }
  return made;
}

void RegisterHookedDriver() {
  static const DriverEntry entry = [] {
    DriverEntry hooked = TarnelDriverEntry();
    hooked.name = "HOOKED";
    hooked.make_instance = &MakeHooked;
    return hooked;
  }();
  RegisterDriver(entry);
}

class FrameworkProcessTest : public ManagerTest {
 protected:
  ~FrameworkProcessTest() override { before_add = nullptr; }

  // Items "A 1" and "A 2" in a new file.
  void MakeItems(const std::string& path) {
    ItemsTable items(path);
    Create(items.file);
    Open(items.file, kManagerOpenMode);
    for (std::int32_t number : {1, 2}) {
      items.SetText(ItemsTable::kPrefix, "A");
      items.SetLong(ItemsTable::kNumber, number);
      items.SetText(ItemsTable::kName, "item " + std::to_string(number));
      Add(items.file);
      ASSERT_EQ(ErrorCode(), 0) << Error();
    }
    Close(items.file);
  }
  // Every item in key order as "PREFIX NUMBER NAME".
  static std::vector<std::string> Stored(const std::string& path) {
    ItemsTable items(path);
    Open(items.file, kOpenReadShared);
    std::vector<std::string> rows;
    Set(*items.number_key);
    for (Next(items.file); ErrorCode() == 0; Next(items.file)) {
      rows.push_back(items.Text(ItemsTable::kPrefix) + " " +
                     std::to_string(items.Long(ItemsTable::kNumber)) + " " +
                     items.Text(ItemsTable::kName));
    }
    return rows;
  }
  static std::vector<std::string> Problems(const std::string& path) {
    TnlFile file;
    if (!file.Open(path, kOpenReadShared)) {
      return {"cannot open " + path};
    }
    return CheckFileIntegrity(file);
  }
};

TEST_F(FrameworkProcessTest, FileHeldByAnotherProcessOpensReadOnly) {
  const std::string path = Path("items.TNL");
  MakeItems(path);
  Peer holder({"hold", path}, Path("holder.err"));
  ASSERT_EQ(holder.ReadLine(), "held") << ReadAll(Path("holder.err"));

  RegisterHookedDriver();
  opens_and_sends.clear();
  ItemsTable items(path);
  items.file.driver_name = "HOOKED";
  FileManager manager;
  manager.Init(items.file, errors);
  manager.AddKey(*items.number_key, "Number");
  manager.LAZYOPEN = 0;
  gui.AnswerMessageBox(kButtonOk);
  ASSERT_EQ(manager.Open(), Level::Proceed);
  // Refused, locks left by a dead station recovered, refused again, then
  // opened for reading with the same sharing.
  EXPECT_THAT(opens_and_sends,
              ElementsAre("OPEN 66", "SEND Recover=10", "OPEN 66", "OPEN 64"));
  EXPECT_THAT(Captions(), ElementsAre("Access Denied"));
  EXPECT_EQ(LastText(),
            "Could not get write access to " + path + " so trying read-only.");
  EXPECT_EQ(manager.OPENMODE, kOpenDenyNone);
  EXPECT_FALSE(items.file.control.state & kStateWrite);

  Set(*items.number_key);
  ASSERT_EQ(manager.Next(), Level::Proceed);
  EXPECT_EQ(items.Text(ItemsTable::kName), "item 1");
  // Writing is refused, and said so.
  items.SetLong(ItemsTable::kNumber, 9);
  gui.AnswerMessageBox(kButtonOk);
  EXPECT_EQ(manager.Insert(), Level::Notified);
  EXPECT_EQ(gui.message_boxes().back().caption, "Record Insert Error");
  manager.Close();

  holder.Tell("release");
  EXPECT_EQ(holder.ReadLine(), "closed");
  EXPECT_EQ(holder.Wait(), 0);
  EXPECT_THAT(Stored(path), ElementsAre("A 1 item 1", "A 2 item 2"));
}

TEST_F(FrameworkProcessTest, NumberTakenByAnotherProcessIsNumberedAfresh) {
  const std::string path = Path("items.TNL");
  MakeItems(path);
  RegisterHookedDriver();
  ItemsTable items(path);
  items.file.driver_name = "HOOKED";
  FileManager manager;
  manager.Init(items.file, errors);
  manager.AddKey(*items.number_key, "Number", ItemsTable::kNumber - 1);
  manager.Open();

  // The other process adds while this one has numbered its record 3 and
  // not yet added it; then once more while it adds 4.
  int adds = 0;
  std::vector<std::string> peer_said;
  before_add = [&] {
    if (++adds > 2) return;
    Peer other({"add", path, "A", "theirs " + std::to_string(adds)},
               Path("other.err"));
    for (const std::string& line : other.ReadRest()) peer_said.push_back(line);
    EXPECT_EQ(other.Wait(), 0) << ReadAll(Path("other.err"));
  };
  items.SetText(ItemsTable::kPrefix, "A");
  items.SetText(ItemsTable::kName, "mine");
  ASSERT_EQ(manager.Insert(), Level::Proceed);
  EXPECT_EQ(items.Long(ItemsTable::kNumber), 5);
  EXPECT_THAT(peer_said, ElementsAre("added 3", "added 4"));
  EXPECT_TRUE(gui.message_boxes().empty());
  manager.Close();
  before_add = nullptr;
  EXPECT_THAT(Stored(path),
              ElementsAre("A 1 item 1", "A 2 item 2", "A 3 theirs 1",
                          "A 4 theirs 2", "A 5 mine"));
}

TEST_F(FrameworkProcessTest, ThirdLostNumberAsksWhetherToTryAgain) {
  const std::string path = Path("items.TNL");
  MakeItems(path);
  RegisterHookedDriver();
  ItemsTable items(path);
  items.file.driver_name = "HOOKED";
  FileManager manager;
  manager.Init(items.file, errors);
  manager.AddKey(*items.number_key, "Number", ItemsTable::kNumber - 1);
  manager.Open();

  int adds = 0;
  before_add = [&] {
    if (++adds > 3) return;
    Peer other({"add", path, "A", "theirs " + std::to_string(adds)},
               Path("other.err"));
    const std::vector<std::string> said = other.ReadRest();
    EXPECT_EQ(other.Wait(), 0) << ::testing::PrintToString(said);
  };
  items.SetText(ItemsTable::kPrefix, "A");
  items.SetText(ItemsTable::kName, "mine");
  gui.AnswerMessageBox(kButtonYes);
  ASSERT_EQ(manager.Insert(), Level::Proceed);
  EXPECT_THAT(Captions(), ElementsAre("Auto Increment Error"));
  EXPECT_EQ(LastText(),
            "Attempts to automatically number this record have failed.  "
            "Error: Creates Duplicate Key (40). Try Again?");
  EXPECT_EQ(items.Long(ItemsTable::kNumber), 6);
  manager.Close();
  before_add = nullptr;
  EXPECT_EQ(Stored(path).back(), "A 6 mine");
}

TEST_F(FrameworkProcessTest, FatalConditionEndsTheProgramAndLeavesFilesSound) {
  const std::string path = Path("items.TNL");
  MakeItems(path);
  const std::string missing = Path("missing.TNL");
  Peer program({"fatal", path, missing}, Path("fatal.err"));
  const std::vector<std::string> said = program.ReadRest();
  EXPECT_EQ(program.Wait(), kHaltExitStatus);

  const std::string notice = "File (" + missing +
                             ") could not be opened.  Error: File Not Found "
                             "(2).";
  EXPECT_THAT(said, ElementsAre("in transaction",
                                "box File Access Error: " + notice +
                                    "  Press OK to end this application",
                                "box Halt: File Access Error"));
  EXPECT_EQ(ReadAll(Path("fatal.err")),
            "Halt: File Access Error\n" + notice + "\n");
  // The transaction the program was in when it ended is not committed, and
  // the file is sound.
  EXPECT_THAT(Problems(path), IsEmpty());
  EXPECT_THAT(Stored(path), ElementsAre("A 1 item 1", "A 2 item 2"));
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(FrameworkProcessTest, RecordHeldElsewhereEndsASequentialRead) {
  const std::string path = Path("items.TNL");
  MakeItems(path);
  Peer holder({"hold-first", path}, Path("holder.err"));
  ASSERT_EQ(holder.ReadLine(), "held") << ReadAll(Path("holder.err"));

  ItemsTable items(path);
  FileManager manager;
  manager.Init(items.file, errors);
  manager.AddKey(*items.number_key, "Number");
  manager.Open();
  ASSERT_EQ(manager.UseFile(), Level::Proceed);
  Set(*items.number_key);
  Hold(items.file, 0);
  gui.AnswerMessageBox(kButtonOk);
  EXPECT_EQ(manager.Next(), Level::Notified);
  EXPECT_THAT(Captions(), ElementsAre("Record not read"));
  EXPECT_EQ(LastText(),
            "A record held by another station was encountered reading from "
            "the " +
                path + " file.");
  EXPECT_EQ(manager.ThreadState().ATEOF, 0);
  manager.Close();
  holder.Tell("release");
  EXPECT_EQ(holder.ReadLine(), "released");
  EXPECT_EQ(holder.Wait(), 0);
}

TEST_F(FrameworkProcessTest, DeleteIsCancelledWhenTheTransactionCannotBegin) {
  const std::string path = Path("items.TNL");
  MakeItems(path);
  Peer other({"logout", path}, Path("other.err"));
  ASSERT_EQ(other.ReadLine(), "in transaction") << ReadAll(Path("other.err"));

  ItemsTable items(path);
  FileManager files;
  files.Init(items.file, errors);
  files.AddKey(*items.number_key, "Number");
  RelationManager relations;
  relations.Init(files, /*use_logout=*/true);
  ASSERT_EQ(relations.Open(), Level::Proceed);
  items.SetText(ItemsTable::kPrefix, "A");
  items.SetLong(ItemsTable::kNumber, 1);
  ASSERT_EQ(files.TryFetch(*items.number_key), Level::Proceed);
  gui.AnswerMessageBox(kButtonOk);  // the cancelled transaction
  gui.AnswerMessageBox(kButtonNo);  // "try to delete it again?"
  EXPECT_EQ(relations.Delete(/*ask=*/false), Level::Notified);
  EXPECT_THAT(Captions(),
              ElementsAre("Transaction cancelled", "Record Delete Error"));
  EXPECT_EQ(gui.message_boxes()[0].lines[0],
            "Error: (Access Denied (5)) attempting to frame the transaction "
            "on " +
                path + ".");
  relations.Close();
  EXPECT_FALSE(items.file.control.state & (kStateOpen | kStateLogout));
  relations.Kill();

  other.Tell("end");
  EXPECT_EQ(other.ReadLine(), "ended");
  EXPECT_EQ(other.Wait(), 0);
  EXPECT_THAT(Stored(path), ElementsAre("A 1 item 1", "A 2 item 2"));
}

}  // namespace
}  // namespace vantrel
