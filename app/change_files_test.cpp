// Change files: export since the last export stamp, import where the newer
// version wins, the last-export dialog, and what a failure leaves behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <iterator>
#include <fstream>

#include "app/card_window_test_support.h"
#include "os/posix/fault_injection.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/data/types/std_date.h"
#include "runtime/window/message_box.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

// The last-export dialog's controls.
constexpr std::int16_t kStampOk = 3;
constexpr std::int16_t kStampCancel = 4;
constexpr std::int16_t kDateEntry = 5;
constexpr std::int16_t kTimeEntry = 7;

// A later day than the fixture's cards, for edits made behind the window.
constexpr std::int32_t kEditDate = kHeaderDate + 1;

class ChangeFilesTest : public CardWindowTest {
 protected:
  void SetUp() override {
    CardWindowTest::SetUp();
    a = Path("a.vtl");
    b = Path("b.vtl");
    changes = Path("changes.vtl");
    // Both copies hold the same cards under the same stamps.
    for (const std::string& path : {a, b}) {
      MakeCardFile(path, {
                             {"Brown", "Bob", "", 0, "Family"},
                             {"Smith", "Ann", "Acme", 1, "Work"},
                             {"Young", "Yves", "", 0, "Work"},
                             {"Gone", "", "", 0, "Work", "", "", 1},
                         });
    }
  }

  // A save made on another day: the live version of the card retired and
  // the edited one added with the given changed stamp.
  static void EditBehind(const std::string& path, const std::string& last,
                         const std::string& first, std::int32_t time) {
    CardRecord record{};
    FileDeclaration file;
    DeclareCardFile(file, "VTL", record);
    file.name = path;
    Open(file, kDefaultOpenMode);
    ASSERT_EQ(ErrorCode(), 0) << Error();
    Logout(file);
    Set(file);
    std::int64_t found = 0;
    for (Next(file); ErrorCode() == 0; Next(file)) {
      if (record.DELETED == 0 && Clipped(record.LASTNAME) == last)
        found = Pointer(file);
    }
    ASSERT_NE(found, 0) << last;
    Get(file, found);
    record.DELETED = 1;
    Put(file);
    record.DELETED = 0;
    Assign(record.FIRSTNAME, first);
    ComposeListKeys(record);
    record.CHANGEDDATE = kEditDate;
    record.CHANGEDTIME = time;
    Add(file);
    ASSERT_EQ(ErrorCode(), 0) << Error();
    Commit(file);
    Close(file);
  }

  // The header's changed stamp: the last export stamp.
  static void SetStamp(const std::string& path, std::int32_t date,
                       std::int32_t time) {
    CardRecord record{};
    FileDeclaration file;
    DeclareCardFile(file, "VTL", record);
    file.name = path;
    Open(file, kDefaultOpenMode);
    Set(file);
    Next(file);
    record.CHANGEDDATE = date;
    record.CHANGEDTIME = time;
    Put(file);
    ASSERT_EQ(ErrorCode(), 0) << Error();
    Close(file);
  }

  // Live cards as "Last First" with their changed stamps.
  static std::vector<std::string> Live(const std::string& path) {
    std::vector<std::string> cards;
    std::vector<CardRecord> records = Records(path);
    for (std::size_t i = 1; i < records.size(); ++i) {
      const CardRecord& r = records[i];
      if (r.DELETED != 0) continue;
      cards.push_back(std::string(Clipped(r.LASTNAME)) + " " +
                      std::string(Clipped(r.FIRSTNAME)) + " " +
                      std::to_string(r.CHANGEDDATE) + "/" +
                      std::to_string(r.CHANGEDTIME));
    }
    std::sort(cards.begin(), cards.end());
    return cards;
  }

  // Runs the window on `path` for the script queued, answering every
  // message box with OK.
  void RunOn(const std::string& path) {
    user.Exit();
    for (int i = 0; i < 8; ++i) gui.AnswerMessageBox(kButtonOk);
    box_base_ = gui.message_boxes().size();
    Run(path);
    while (Window* window = TopWindow()) CloseWindow(window);
  }

  void Export(const std::string& to) {
    gui.AnswerFileDialog({to});
    user.Click(kExportButton);
  }
  void Import(const std::string& from) {
    gui.AnswerFileDialog({from});
    user.Click(kImportButton);
  }

  // The text of message box i of the last run, its lines joined by "|".
  std::string Box(std::size_t i) {
    i += box_base_;
    EXPECT_LT(i, gui.message_boxes().size());
    if (i >= gui.message_boxes().size()) return {};
    std::string text;
    for (const std::string& line : gui.message_boxes()[i].lines)
      text += (text.empty() ? "" : "|") + line;
    return text;
  }
  std::string Caption(std::size_t i) {
    i += box_base_;
    return i < gui.message_boxes().size() ? gui.message_boxes()[i].caption
                                          : std::string("(no box)");
  }
  std::size_t Boxes() const { return gui.message_boxes().size() - box_base_; }
  std::size_t box_base_ = 0;

  CardRecord Header(const std::string& path) { return Records(path).at(0); }

  std::string a;
  std::string b;
  std::string changes;
};

TEST_F(ChangeFilesTest, TwoCopiesKeptInStepOverSeveralRounds) {
  // Round 1: a card edited in A reaches B; the same file twice adds nothing.
  user.Pick(2).Enter(kFirstNameEntry, "Robert").Click(kSaveButton);
  Export(changes);
  user.Then([&] {
    EXPECT_EQ(Caption(0), "Export Complete");
    // Every record since the stamp, retired and deleted ones too.
    EXPECT_EQ(Box(0), "Records Read: 4\r\n\r\nRecords Exported: 4");
  });
  RunOn(a);
  Import(changes);
  Import(changes);
  user.Then([&] {
    EXPECT_EQ(Box(0), "Records Read: 4\r\n\r\nRecords Imported: 1");
    EXPECT_EQ(Box(1), "Records Read: 4\r\n\r\nRecords Imported: 0");
    // The card file was opened again: the list shows the import.
    EXPECT_EQ(ListShown()[1], "Brown, Robert");
  });
  RunOn(b);
  EXPECT_EQ(Live(a), Live(b));
  EXPECT_THAT(LiveNames(b), UnorderedElementsAre("Smith", "Young", "Brown"));

  // Round 2: both sides edit Smith, B later; A also edits Young.
  SetStamp(a, kEditDate, 0);
  SetStamp(b, kEditDate, 0);
  EditBehind(a, "Smith", "Ann-A", 500);
  EditBehind(b, "Smith", "Ann-B", 600);
  EditBehind(a, "Young", "Yvo", 700);
  Export(changes);
  RunOn(a);
  Import(changes);
  user.Then([&] {
    // Smith and Young are exported; B's newer Smith stays.
    EXPECT_EQ(Box(0), "Records Read: 3\r\n\r\nRecords Imported: 1");
  });
  RunOn(b);
  // And back from B to A: B's Smith wins there too.
  Export(changes);
  RunOn(b);
  Import(changes);
  RunOn(a);
  EXPECT_EQ(Live(a), Live(b));
  EXPECT_THAT(Live(a), ::testing::Contains("Smith Ann-B " +
                                           std::to_string(kEditDate) + "/600"));
  EXPECT_THAT(Live(a), ::testing::Contains("Young Yvo " +
                                           std::to_string(kEditDate) + "/700"));
}

TEST_F(ChangeFilesTest, ImportAddsCardsNeverSeenAndSkipsDeletedOnes) {
  const std::string empty = Path("empty.vtl");
  MakeCardFile(empty, {});
  Export(changes);
  RunOn(a);
  Import(changes);
  RunOn(empty);
  EXPECT_EQ(Live(empty), Live(a));
  EXPECT_EQ(Box(0), "Records Read: 3\r\n\r\nRecords Imported: 3");
}

TEST_F(ChangeFilesTest, ExportOnACategoryTabCarriesOnlyThatCategory) {
  user.SelectTab(3);  // ALL, Family, Work
  Export(changes);
  Export(Path("again.vtl"));
  RunOn(a);
  EXPECT_EQ(Box(0), "Records Read: 2\r\n\r\nRecords Exported: 2");
  // Right after an export nothing has changed, but everything is read.
  EXPECT_EQ(Box(1), "Records Read: 2\r\n\r\nRecords Exported: 0");
  std::vector<CardRecord> records = Records(changes);
  ASSERT_EQ(records.size(), 3u);
  for (std::size_t i = 1; i < records.size(); ++i)
    EXPECT_EQ(Clipped(records[i].CATEGORY), "Work");
  // The stamp moved for the whole file: the Family card is not exported.
  const CardRecord header = Header(a);
  EXPECT_EQ(header.CHANGEDDATE, Today());
  Export(Path("family.vtl"));
  RunOn(a);
  EXPECT_EQ(Box(0), "Records Read: 3\r\n\r\nRecords Exported: 0");
}

TEST_F(ChangeFilesTest, LastExportDialogStoresOnOkAndRestoresOnCancel) {
  user.Click(kLastExportItem)
      .Focus(kDateEntry)
      .Then([] { UserSetText(*TopWindow(), kDateEntry, "3/4/2021"); })
      .Focus(kTimeEntry)
      .Then([] { UserSetText(*TopWindow(), kTimeEntry, "10:30"); })
      .Click(kStampOk)
      .Click(kLastExportItem)
      .Focus(kDateEntry)
      .Then([] { UserSetText(*TopWindow(), kDateEntry, "1/1/2000"); })
      .Focus(kTimeEntry)
      .Click(kStampCancel)
      .Then([&] {
        EXPECT_EQ(data.state.LastExportDate, StandardDateFrom(4, 3, 2021));
      });
  RunOn(a);
  const CardRecord header = Header(a);
  EXPECT_EQ(header.CHANGEDDATE, StandardDateFrom(4, 3, 2021));
  EXPECT_EQ(header.CHANGEDTIME, StandardTimeFrom(10, 30, 0, 0));
  // The header's creation stamp is not touched.
  EXPECT_EQ(header.CREATEDDATE, kHeaderDate);
}

// A failed export leaves no change file and keeps the stamp, so that the
// next export carries the same cards.
TEST_F(ChangeFilesTest, FailedExportRemovesTheFileAndKeepsTheStamp) {
  const std::vector<std::string> cards = Live(a);
  Export(Path("no-such-dir/changes.vtl"));
  Export(a);  // the card file in use: never overwritten
  RunOn(a);
  EXPECT_EQ(Caption(0), "Can't Create Export File");
  EXPECT_EQ(Caption(1), "Can't Create Export File");
  EXPECT_EQ(Live(a), cards);
  EXPECT_EQ(Header(a).CHANGEDDATE, kHeaderDate);

  // Count the export's writes, then fail each in turn.
  user.Then([] {
    FaultPlan plan;
    plan.path_suffix = "changes.vtl";
    FaultInjection::Arm(plan);
  });
  Export(changes);
  std::int64_t steps = 0;
  user.Then([&] {
    steps = FaultInjection::Steps();

    FaultInjection::Disarm();
  });
  RunOn(a);
  ASSERT_GT(steps, 0);
  SetStamp(a, kHeaderDate, kHeaderTime);
  int failed = 0;
  for (std::int64_t step = 1; step <= steps; ++step) {
    SCOPED_TRACE(step);
    ::unlink(changes.c_str());
    user.Then([&] {
      FaultPlan plan = FaultAt(step, FaultAction::kFail);
      plan.path_suffix = "changes.vtl";
      FaultInjection::Arm(plan);
    });
    Export(changes);
    user.Then([] { FaultInjection::Disarm(); });
    RunOn(a);
    if (Caption(0) == "Export Complete") {
      // The pager got past the failed write: the export is whole.
      TnlFile file;
      ASSERT_TRUE(file.Open(changes, kOpenReadShared));
      EXPECT_THAT(CheckFileIntegrity(file), ::testing::IsEmpty());
      EXPECT_EQ(Records(changes).size(), 4u);
      SetStamp(a, kHeaderDate, kHeaderTime);
      continue;
    }
    ++failed;
    EXPECT_NE(::access(changes.c_str(), F_OK), 0);
    EXPECT_EQ(Header(a).CHANGEDDATE, kHeaderDate);
  }
  EXPECT_GT(failed, 0);
}

TEST_F(ChangeFilesTest, ImportOfAMissingOrForeignFileChangesNothing) {
  const std::vector<std::string> before = Live(b);
  const std::string text = Path("notes.vtl");
  std::ofstream(text) << "not a card file at all\n";
  // A native file of another layout: one short text field, one record.
  const std::string other = Path("other.vtl");
  {
    std::array<char, 30> bytes{};
    FileDeclaration file;
    file.label = "OTH";
    file.driver_name = "TARNEL";
    file.name = other;
    file.descriptor = DescriptorBuilder()
                          .Group("OTH:RECORD")
                          .String("OTH:NOTE", bytes.size())
                          .End()
                          .Descriptor();
    file.record = std::span<char>(bytes);
    Create(file);
    ASSERT_EQ(ErrorCode(), 0) << Error();
    Open(file, kDefaultOpenMode);
    Add(file);
    Close(file);
    ASSERT_EQ(ErrorCode(), 0) << Error();
  }
  const auto bytes_of = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string other_bytes = bytes_of(other);
  Import(Path("missing.vtl"));
  Import(text);
  Import(other);
  RunOn(b);
  ASSERT_EQ(Boxes(), 3u);
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(Caption(i), "Can't Open Import File") << i;
  EXPECT_THAT(Box(1), ::testing::HasSubstr("is not a Vantrel change file"));
  EXPECT_THAT(Box(2), ::testing::HasSubstr("is not a Vantrel change file"));
  EXPECT_EQ(Live(b), before);
  EXPECT_EQ(bytes_of(other), other_bytes);
}

// An import is taken whole or not at all, whether a write fails or the
// process dies part-way.
TEST_F(ChangeFilesTest, FailedOrKilledImportLeavesTheCardFileAsBefore) {
  const std::string empty = Path("empty.vtl");
  MakeCardFile(empty, {});
  Export(changes);
  RunOn(a);
  const std::vector<std::string> before = Live(empty);
  const std::vector<std::string> after = Live(a);

  auto import_under = [&](const FaultPlan& plan) {
    user.Then([plan] { FaultInjection::Arm(plan); });
    Import(changes);
    user.Then([] { FaultInjection::Disarm(); });
    RunOn(empty);
  };
  FaultPlan count;
  count.path_suffix = "empty.vtl";
  const std::string saved = Path("empty.saved");
  std::system(("cp " + empty + " " + saved).c_str());
  std::int64_t steps = 0;
  user.Then([&] { FaultInjection::Arm(count); });
  Import(changes);
  user.Then([&] {
    steps = FaultInjection::Steps();
    FaultInjection::Disarm();
  });
  RunOn(empty);
  ASSERT_GT(steps, 0);
  ASSERT_EQ(Live(empty), after);

  for (std::int64_t step = 1; step <= steps; ++step) {
    SCOPED_TRACE(step);
    std::system(("cp " + saved + " " + empty).c_str());
    FaultPlan fail = FaultAt(step, FaultAction::kFail);
    fail.path_suffix = "empty.vtl";
    import_under(fail);
    const std::vector<std::string> state = Live(empty);
    EXPECT_TRUE(state == before || state == after);
    if (Caption(0) != "Import Complete") {
      EXPECT_EQ(state, before);
    }

    std::system(("cp " + saved + " " + empty).c_str());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      FaultPlan crash = FaultAt(step, FaultAction::kCrash, 100);
      crash.path_suffix = "empty.vtl";
      import_under(crash);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    const std::vector<std::string> recovered = Live(empty);
    EXPECT_TRUE(recovered == before || recovered == after);
    if (WEXITSTATUS(status) == kFaultCrashExitCode && step == 1) {
      EXPECT_EQ(recovered, before);
    }
  }
}

}  // namespace
}  // namespace vantrel
