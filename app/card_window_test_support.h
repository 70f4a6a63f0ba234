// The card window's test fixture: card files written and read as the
// program lays them out, the window run under a scripted user on the
// headless backend, and the integrity check of the card file after every
// step of the script.
#ifndef VANTREL_APP_CARD_WINDOW_TEST_SUPPORT_H_
#define VANTREL_APP_CARD_WINDOW_TEST_SUPPORT_H_

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/card_data.h"
#include "app/card_file_reader.h"
#include "app/card_window.h"
#include "app/card_window_controls.h"
#include "app/list_keys.h"
#include "gui/headless/headless_backend.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/queue/queue.h"
#include "runtime/window/events.h"
#include "runtime/window/properties.h"
#include "runtime/window/user_input.h"
#include "runtime/window/window_statements.h"
#include "storage/tnl/driver/tnl_driver.h"
#include "storage/tnl/pager/tnl_file.h"
#include "storage/tnl/table/file_check.h"

namespace vantrel {

struct CardSpec {
  CardSpec(std::string last, std::string first = {}, std::string company = {},
           std::uint8_t list_by_company = 0, std::string category = {},
           std::string phones = {}, std::string contents = {},
           std::uint8_t deleted = 0)
      : last(std::move(last)),
        first(std::move(first)),
        company(std::move(company)),
        list_by_company(list_by_company),
        category(std::move(category)),
        phones(std::move(phones)),
        contents(std::move(contents)),
        deleted(deleted) {}

  std::string last;
  std::string first;
  std::string company;
  std::uint8_t list_by_company = 0;
  std::string category;
  std::string phones;
  std::string contents;
  std::uint8_t deleted = 0;
};

// The creation stamp of the header of the files the tests write; cards
// follow it one hundredth of a second apart.
inline constexpr std::int32_t kHeaderDate = 80000;
inline constexpr std::int32_t kHeaderTime = 100;

class CardWindowTest : public ::testing::Test {
 protected:
  // The script of the user. Every step is followed by the integrity check
  // of the card file in use.
  class Script {
   public:
    explicit Script(CardWindowTest& test) : test_(test) {}
    Script& Focus(std::int16_t c) { return Checked(test_.gui.Focus(c)); }
    Script& Type(std::string text) { return Checked(test_.gui.Type(text)); }
    Script& Click(std::int16_t c) { return Checked(test_.gui.Click(c)); }
    Script& Pick(int entry) {
      test_.gui.Focus(kCardList);
      return Checked(test_.gui.ChooseEntry(kCardList, entry));
    }
    Script& SelectTab(int tab) {
      return Checked(test_.gui.SelectTab(kSheet, tab));
    }
    Script& PressKey(std::int32_t key) {
      return Checked(test_.gui.PressKey(key));
    }
    Script& TickTimer() { return Checked(test_.gui.TickTimer()); }
    // Types into a field, replacing its text, and leaves it for the list.
    Script& Enter(std::int16_t field, std::string text) {
      test_.gui.Focus(field).Type(std::move(text));
      return Focus(kCardList);
    }
    Script& Then(std::function<void()> action) {
      test_.gui.Then(std::move(action));
      return *this;
    }
    // The window's close box.
    Script& Close() {
      test_.gui.Close();
      return *this;
    }
    Script& Exit() {
      test_.gui.Click(kExitItem);
      return *this;
    }

   private:
    Script& Checked(HeadlessBackend&) {
      test_.gui.Then([this] { test_.ExpectCleanFile(); });
      return *this;
    }
    CardWindowTest& test_;
  };

  void SetUp() override {
    RegisterTarnelDriver();
    char pattern[] = "/tmp/vantrel_app_XXXXXX";
    dir_ = mkdtemp(pattern);
    setenv("VANTREL_CONFIG_DIR", dir_.c_str(), 1);
    if (const char* path = getenv("PATH")) saved_path_ = path;
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) != nullptr) saved_cwd_ = cwd;
    ClearError();
    gui.OnScriptExhausted(
        [](const std::string& message) { ADD_FAILURE() << message; });
  }

  void TearDown() override {
    while (Window* window = TopWindow()) CloseWindow(window);
    Close(data.card_file);
    setenv("PATH", saved_path_.c_str(), 1);
    // The file dialogs make the chosen file's directory the current one.
    if (chdir(saved_cwd_.c_str()) != 0) ADD_FAILURE() << saved_cwd_;
    std::system(("rm -rf " + dir_).c_str());
  }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  // Writes a card file: its header, `padding` records that the next open
  // purges (so that the cards get record numbers beyond them), the cards.
  void MakeCardFile(const std::string& path, const std::vector<CardSpec>& cards,
                    int padding = 0) {
    CardRecord record{};
    FileDeclaration file;
    DeclareCardFile(file, "VTL", record);
    file.name = path;
    Create(file);
    ASSERT_EQ(ErrorCode(), 0) << Error();
    Open(file, kDefaultOpenMode);
    ASSERT_EQ(ErrorCode(), 0) << Error();
    Logout(file);
    ClearCard(record);
    record.CREATEDDATE = record.CHANGEDDATE = kHeaderDate;
    record.CREATEDTIME = record.CHANGEDTIME = kHeaderTime;
    Add(file);
    for (int i = 0; i < padding; ++i) {
      ClearCard(record);
      record.DELETED = 1;
      Add(file);
    }
    std::int32_t time = kHeaderTime;
    for (const CardSpec& card : cards) {
      Fill(record, card, ++time);
      Add(file);
      ASSERT_EQ(ErrorCode(), 0) << Error();
    }
    Commit(file);
    Close(file);
  }

  static void Fill(CardRecord& record, const CardSpec& card,
                   std::int32_t time) {
    ClearCard(record);
    Assign(record.LASTNAME, card.last);
    Assign(record.FIRSTNAME, card.first);
    Assign(record.COMPANY, card.company);
    record.LISTBYCOMPANY = card.list_by_company;
    Assign(record.CATEGORY, card.category);
    Assign(record.PHONES, card.phones);
    Assign(record.CONTENTS, card.contents);
    ComposeListKeys(record);
    record.DELETED = card.deleted;
    record.CREATEDDATE = record.CHANGEDDATE = kHeaderDate;
    record.CREATEDTIME = record.CHANGEDTIME = time;
  }

  // Every record of the file in file order, the header first; read while
  // the window may have the file open.
  static std::vector<CardRecord> Records(const std::string& path) {
    const int saved_error = ErrorCode();
    std::vector<CardRecord> records = ReadCardRecords(path);
    EXPECT_FALSE(records.empty()) << path << ": " << Error();
    if (saved_error == 0) ClearError();
    return records;
  }

  // The live cards' last names, in file order.
  static std::vector<std::string> LiveNames(const std::string& path) {
    return LiveLastNames(Records(path));
  }

  void ExpectCleanFile() {
    const std::string path(Clipped(data.state.current_file_name));
    if (!(data.card_file.control.state & kStateOpen)) return;
    TnlFile file;
    ASSERT_TRUE(file.Open(path, kOpenReadShared)) << path;
    std::vector<std::string> problems = CheckFileIntegrity(file);
    EXPECT_TRUE(problems.empty()) << problems.front();
  }

  void Run(const std::string& path, CardWindowCommands commands = {}) {
    CardWindow window(data, std::move(commands));
    window.OpenFileAtStart(path);
    window.Run();
    EXPECT_EQ(gui.steps_left(), 0u);
  }

  // What the window shows now; inside a script step.
  const HeadlessBackend::ShownWindow& Shown() {
    return *gui.Shown(*TopWindow());
  }
  const HeadlessBackend::ShownControl& Shown(std::int16_t control) {
    return Shown().controls.at(control);
  }
  std::vector<std::string> ListShown() { return Shown(kCardList).entries; }
  // The texts of the sheet's tabs, in order.
  std::vector<std::string> TabsShown() {
    std::vector<std::string> tabs;
    for (const ControlState* tab : TopWindow()->TabsOf(kSheet))
      tabs.push_back(tab->value);
    return tabs;
  }
  std::string Field(std::int16_t control) {
    std::string value = Shown(control).value;
    value.erase(value.find_last_not_of(' ') + 1);
    return value;
  }
  bool Enabled(std::int16_t control) { return Shown(control).enabled; }

  std::string dir_;
  std::string saved_path_;  // PATH, which tests may change
  std::string saved_cwd_;   // the current directory, which dialogs change
  HeadlessBackend gui;
  Script user{*this};
  CardData data;
};

}  // namespace vantrel

#endif  // VANTREL_APP_CARD_WINDOW_TEST_SUPPORT_H_
