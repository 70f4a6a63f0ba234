// Forms over a real native data file: the change, insert and delete
// requests of the window manager with their questions, and a change that
// meets another process's change of the same record (the other process is
// tnl_peer, a program of its own).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/file_manager.h"
#include "framework/relation_manager.h"
#include "framework/window_manager.h"
#include "os/posix/process.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/window/message_box.h"
#include "runtime/window/window_test_fixture.h"
#include "storage/tnl/processes/peer_table.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;

constexpr std::int16_t kId = 1;
constexpr std::int16_t kName = 2;
constexpr std::int16_t kOk = 3;
constexpr std::int16_t kCancel = 4;
constexpr std::int32_t kDittoKey = 0x2DE;
constexpr char kTitle[] = "Card";

// A form over the peer table's records: the ID shown, the NAME edited.
class CardForm : public WindowManager {
 public:
  CardForm(ErrorManager& errors, RelationManager& cards, PeerTable& table)
      : cards_(cards), table_(table) {
    ERRORS = &errors;
  }

  Level Init() override {
    Level level = WindowManager::Init();
    if (level != Level::Proceed) return level;
    PRIMARY = &cards_;
    OKCONTROL = kOk;
    FIRSTFIELD = kName;
    if (insert_action) INSERTACTION = *insert_action;
    if (delete_action) DELETEACTION = *delete_action;
    if (cancel_action) CANCELACTION = *cancel_action;
    HISTORYKEY = history_key;
    AddButton(kCancel, kRequestCancelled);
    AddHistoryField(kName, NameVariable());
    cards_.Open();
    level = PrimeUpdate();
    if (level != Level::Proceed) return level;
    window_ = &OpenWindow(Description());
    OPENED = 1;
    SetAlerts();
    return Level::Proceed;
  }
  void Kill() override {
    if (DEAD) return;
    if (window_ != nullptr) CloseWindow(window_);
    window_ = nullptr;
    WindowManager::Kill();
    cards_.Close();
  }

  std::optional<std::uint8_t> insert_action;
  std::optional<std::uint8_t> delete_action;
  std::optional<std::uint8_t> cancel_action;
  std::int32_t history_key = 0;

 private:
  Variable NameVariable() {
    return {FieldType::STRING,
            reinterpret_cast<std::uint8_t*>(table_.file.record.data() +
                                            PeerTable::kNameAt),
            PeerTable::kNameSize, 0};
  }
  WindowDescription Description() {
    WindowDescription window;
    window.title = kTitle;
    ControlDescription id;
    id.number = kId;
    id.kind = ControlKind::kString;
    id.variable = {FieldType::LONG,
                   reinterpret_cast<std::uint8_t*>(table_.file.record.data() +
                                                   PeerTable::kIdAt),
                   4, 0};
    ControlDescription name;
    name.number = kName;
    name.kind = ControlKind::kEntry;
    name.variable = NameVariable();
    ControlDescription ok;
    ok.number = kOk;
    ok.kind = ControlKind::kButton;
    ok.text = "OK";
    ControlDescription cancel = ok;
    cancel.number = kCancel;
    cancel.text = "Cancel";
    window.controls = {id, name, ok, cancel};
    return window;
  }

  RelationManager& cards_;
  PeerTable& table_;
  Window* window_ = nullptr;
};

class FormTest : public WindowTest {
 protected:
  FormTest() {
    char pattern[] = "/tmp/vantrel_forms_XXXXXX";
    dir_ = mkdtemp(pattern);
    path_ = (dir_ / "cards.tnl").string();
    table = std::make_unique<PeerTable>(path_);
    EXPECT_EQ(table->Open(), 0);
    for (std::int32_t id = 1; id <= 3; ++id) {
      table->Fill(id);
      Add(table->file);
      EXPECT_EQ(ErrorCode(), 0);
    }
    Close(table->file);
    errors.Init();
    manager.Init(table->file, errors);
    manager.AddKey(*table->id_key, "By ID", 1);
    cards.Init(manager, /*use_logout=*/true);
    manager.Open();
  }
  ~FormTest() override {
    manager.Close();
    cards.Kill();
    errors.Kill();
    GlobalRequest() = GlobalResponse() = 0;
    std::filesystem::remove_all(dir_);
  }

  // Reads record `id` into the buffer, watched, as a list does before it
  // calls a form to change it.
  void ReadForChange(std::int32_t id) {
    ASSERT_EQ(manager.UseFile(), Level::Proceed);
    table->SetId(id);
    Watch(table->file);
    Get(table->file, *table->id_key);
    ASSERT_EQ(ErrorCode(), 0);
  }

  // The NAME of record `id` as another handle reads it from the disk; empty
  // when there is no such record.
  std::string NameOnDisk(std::int32_t id) {
    PeerTable other(path_);
    EXPECT_EQ(other.Open(), 0);
    other.SetId(id);
    Get(other.file, *other.id_key);
    return ErrorCode() == 0 ? other.Name() : std::string();
  }
  std::int64_t RecordsOnDisk() {
    PeerTable other(path_);
    EXPECT_EQ(other.Open(), 0);
    return Records(other.file);
  }

  std::uint8_t RunForm(std::uint8_t request, CardForm& form) {
    GlobalRequest() = request;
    return form.Run();
  }

  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const MessageBoxRequest& box : gui.message_boxes())
      captions.push_back(box.caption);
    return captions;
  }
  std::string ShownName() const {
    return gui.Shown(kTitle)->controls.at(kName).value;
  }
  const std::string& path() const { return path_; }

  ErrorManager errors;
  std::unique_ptr<PeerTable> table;
  FileManager manager;
  RelationManager cards;

 private:
  std::filesystem::path dir_;
  std::string path_;
};

TEST_F(FormTest, UnchangedCloseAsksNothing) {
  ReadForChange(2);
  CardForm form(errors, cards, *table);
  gui.Close();
  EXPECT_EQ(RunForm(kChangeRecord, form), kRequestCancelled);
  EXPECT_TRUE(gui.message_boxes().empty());
  EXPECT_EQ(NameOnDisk(2), "name 2");
}

TEST_F(FormTest, ChangedCloseAsksSaveRecord) {
  ReadForChange(2);
  CardForm form(errors, cards, *table);
  gui.AnswerMessageBox(kButtonCancel);
  gui.AnswerMessageBox(kButtonYes);
  gui.Focus(kName)
      .Type("Zed")
      .Focus(kOk)
      .Close()  // Cancel: the form stays, focus on its first field
      .Then([&] {
        EXPECT_EQ(gui.Shown(kTitle)->focus, kName);
        EXPECT_EQ(NameOnDisk(2), "name 2");
      })
      .Close();  // Yes: saved as if OK had been pressed
  EXPECT_EQ(RunForm(kChangeRecord, form), kRequestCompleted);
  EXPECT_THAT(Captions(), ElementsAre("Save Record", "Save Record"));
  const MessageBoxRequest& box = gui.message_boxes().front();
  ASSERT_EQ(box.buttons.size(), 3u);
  EXPECT_EQ(box.buttons[box.default_button].mask, kButtonCancel);
  EXPECT_EQ(NameOnDisk(2), "Zed");
  EXPECT_EQ(gui.steps_left(), 0u);
}

TEST_F(FormTest, InsertThatAsksForAnother) {
  ASSERT_EQ(manager.PrimeRecord(), Level::Proceed);  // numbered 4, added
  CardForm form(errors, cards, *table);
  form.insert_action = kInsertAsksForAnother;
  gui.AnswerMessageBox(kButtonYes);
  gui.Focus(kName)
      .Type("Ann")
      .Click(kOk)
      .Then([&] {
        // Open for another: the starting values and a new number.
        EXPECT_EQ(ShownName(), "");
        EXPECT_EQ(gui.Shown(kTitle)->controls.at(kId).value, "5");
        EXPECT_EQ(gui.Shown(kTitle)->focus, kName);
        EXPECT_EQ(NameOnDisk(4), "Ann");
      })
      .Close();
  EXPECT_EQ(RunForm(kInsertRecord, form), kRequestCompleted);
  EXPECT_THAT(Captions(), ElementsAre("Record Added"));
  // The caller finds the last record inserted; the numbered record of the
  // cancelled second insert is gone.
  EXPECT_EQ(table->Id(), 4);
  EXPECT_EQ(table->Name(), "Ann");
  EXPECT_EQ(RecordsOnDisk(), 4);
  EXPECT_EQ(NameOnDisk(5), "");
}

TEST_F(FormTest, InsertActions) {
  struct Case {
    std::uint8_t action;
    std::vector<int> answers;
    bool stays_open;  // for another record, then closed
    std::vector<std::string> captions;
  } cases[] = {
      {kInsertEndsWindow, {}, false, {}},
      {kInsertAsksForAnother, {kButtonNo}, false, {"Record Added"}},
      {kInsertPrimesAnother, {}, true, {}},
      // A value without a meaning ends the window: the record is written.
      {1, {}, false, {}},
  };
  std::int32_t id = 3;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.action));
    HeadlessBackend gui;
    gui.OnScriptExhausted(
        [](const std::string& message) { ADD_FAILURE() << message; });
    ASSERT_EQ(manager.PrimeRecord(), Level::Proceed);
    ++id;
    CardForm form(errors, cards, *table);
    form.insert_action = c.action;
    for (int answer : c.answers) gui.AnswerMessageBox(answer);
    gui.Focus(kName).Type("Bea").Click(kOk);
    if (c.stays_open) gui.Close();
    EXPECT_EQ(RunForm(kInsertRecord, form), kRequestCompleted);
    std::vector<std::string> captions;
    for (const MessageBoxRequest& box : gui.message_boxes())
      captions.push_back(box.caption);
    EXPECT_EQ(captions, c.captions);
    EXPECT_EQ(gui.steps_left(), 0u);
    EXPECT_EQ(table->Id(), id);
    EXPECT_EQ(NameOnDisk(id), "Bea");
    EXPECT_EQ(RecordsOnDisk(), id);
  }
}

TEST_F(FormTest, DeleteRequestNeverShowsItsForm) {
  struct Case {
    std::int32_t id;
    int answer;
    std::uint8_t response;
    std::int64_t records;
  } cases[] = {{3, kButtonNo, kRequestCancelled, 3},
               {3, kButtonYes, kRequestCompleted, 2}};
  for (const Case& c : cases) {
    ReadForChange(c.id);
    gui.AnswerMessageBox(c.answer);
    CardForm form(errors, cards, *table);
    EXPECT_EQ(RunForm(kDeleteRecord, form), c.response);
    EXPECT_EQ(gui.Shown(kTitle), nullptr);
    EXPECT_EQ(RecordsOnDisk(), c.records);
    EXPECT_EQ(NameOnDisk(c.id).empty(), c.answer == kButtonYes);
  }
  EXPECT_THAT(Captions(), ElementsAre("Confirm Delete", "Confirm Delete"));
}

TEST_F(FormTest, DeleteOnCompletionShowsTheForm) {
  ReadForChange(3);
  CardForm form(errors, cards, *table);
  form.delete_action = 1;
  gui.Then([&] { EXPECT_EQ(ShownName(), "name 3"); }).Click(kOk);
  EXPECT_EQ(RunForm(kDeleteRecord, form), kRequestCompleted);
  EXPECT_TRUE(gui.message_boxes().empty());
  EXPECT_EQ(NameOnDisk(3), "");
}

TEST_F(FormTest, ClosingAChangedFormByCancelAction) {
  struct Case {
    std::uint8_t cancel_action;
    std::vector<int> answers;
    std::vector<std::string> captions;
    std::uint8_t response;
    const char* on_disk;
  } cases[] = {
      // Nothing asked, nothing saved.
      {0, {}, {}, kRequestCancelled, "name 2"},
      // "Changes will be lost!": No keeps the form, Yes leaves unsaved.
      {kCancelAsks,
       {kButtonNo, kButtonYes},
       {"Changes will be lost!", "Changes will be lost!"},
       kRequestCancelled,
       "name 2"},
      // Saved without a question.
      {kCancelSaves, {}, {}, kRequestCompleted, "Zed"},
      // "Save Record": No leaves unsaved.
      {kCancelSaves | kCancelAsks,
       {kButtonNo},
       {"Save Record"},
       kRequestCancelled,
       "name 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.cancel_action));
    HeadlessBackend gui;
    gui.OnScriptExhausted(
        [](const std::string& message) { ADD_FAILURE() << message; });
    ReadForChange(2);
    CardForm form(errors, cards, *table);
    form.cancel_action = c.cancel_action;
    for (int answer : c.answers) gui.AnswerMessageBox(answer);
    gui.Focus(kName).Type("Zed").Focus(kOk);
    for (std::size_t i = 0; i < std::max<std::size_t>(c.answers.size(), 1); ++i)
      gui.Close();
    EXPECT_EQ(RunForm(kChangeRecord, form), c.response);
    std::vector<std::string> captions;
    for (const MessageBoxRequest& box : gui.message_boxes())
      captions.push_back(box.caption);
    EXPECT_EQ(captions, c.captions);
    EXPECT_EQ(NameOnDisk(2), c.on_disk);
    EXPECT_EQ(gui.steps_left(), 0u);
    // Put the record back for the next case.
    ReadForChange(2);
    table->SetName("name 2");
    Put(table->file);
    ASSERT_EQ(ErrorCode(), 0);
  }
}

TEST_F(FormTest, FailedChangeAsksToTryAgain) {
  ReadForChange(2);
  CardForm form(errors, cards, *table);
  // Giving record 2 the ID of record 1 duplicates the unique key.
  for (int answer :
       {kButtonOk, kButtonYes, kButtonOk, kButtonCancel, kButtonNo})
    gui.AnswerMessageBox(answer);
  gui.Then([&] { table->SetId(1); })
      .Click(kOk)  // fails, Yes tries again, fails, Cancel stays
      .Then([&] { EXPECT_EQ(gui.Shown(kTitle)->focus, kName); })
      .Click(kCancel);  // "Save Record": No
  EXPECT_EQ(RunForm(kChangeRecord, form), kRequestCancelled);
  EXPECT_THAT(Captions(),
              ElementsAre("Record was not updated", "Record Update Error",
                          "Record was not updated", "Record Update Error",
                          "Save Record"));
  EXPECT_EQ(NameOnDisk(1), "name 1");
  EXPECT_EQ(NameOnDisk(2), "name 2");
}

// Another process renames record 2 while the form shows it.
void PeerChangesRecord(const std::string& path, std::int32_t id) {
  ProgramRun run = StartProgram(std::string(TNL_PEER_PATH) + " put \"" + path +
                                    "\" " + std::to_string(id),
                                /*wait=*/true);
  ASSERT_TRUE(run.started);
  ASSERT_EQ(run.exit_code, 0);
}

TEST_F(FormTest, ChangeMeetingAnotherProcessShowsItsVersionAndDittoRecalls) {
  ReadForChange(2);
  CardForm form(errors, cards, *table);
  form.history_key = kDittoKey;
  gui.AnswerMessageBox(kButtonOk);
  gui.Focus(kName)
      .Type("Mine")
      .Then([&] { PeerChangesRecord(path(), 2); })
      .Click(kOk)
      .Then([&] {
        // The form stays open with the other station's values.
        EXPECT_EQ(ShownName(), "changed 2");
        EXPECT_EQ(gui.Shown(kTitle)->focus, kName);
        EXPECT_EQ(NameOnDisk(2), "changed 2");
      })
      .PressKey(kDittoKey)
      .Then([&] { EXPECT_EQ(ShownName(), "Mine"); })
      .Click(kOk);
  EXPECT_EQ(RunForm(kChangeRecord, form), kRequestCompleted);
  ASSERT_EQ(gui.message_boxes().size(), 1u);
  const MessageBoxRequest& box = gui.message_boxes().front();
  EXPECT_EQ(box.caption, "Record Was Not Updated");
  EXPECT_EQ(box.lines.front(),
            "This record was changed by another station. Those changes will "
            "now be displayed. Use the Ditto Button or Ctrl+' to recall your "
            "changes.");
  EXPECT_EQ(NameOnDisk(2), "Mine");
}

TEST_F(FormTest, ChangeMeetingAnotherProcessWithoutHistoryKey) {
  ReadForChange(2);
  CardForm form(errors, cards, *table);
  gui.AnswerMessageBox(kButtonOk);
  gui.AnswerMessageBox(kButtonNo);  // "Save Record" when leaving
  gui.Focus(kName)
      .Type("Mine")
      .Then([&] { PeerChangesRecord(path(), 2); })
      .Click(kOk)
      .Then([&] { EXPECT_EQ(ShownName(), "changed 2"); })
      .Click(kCancel);
  EXPECT_EQ(RunForm(kChangeRecord, form), kRequestCancelled);
  ASSERT_EQ(gui.message_boxes().size(), 2u);
  EXPECT_EQ(gui.message_boxes()[0].lines.front(),
            "This record was changed by another station.");
  EXPECT_EQ(NameOnDisk(2), "changed 2");
}

}  // namespace
}  // namespace vantrel
