// The script player run against a small contacts window: a name entry with
// its prompt, a check box, a notes text, a list with alert keys, a sheet, a
// letter selector, buttons, menus with a shortcut, a message box, a file
// dialog and a modal find window.
#include "gui/headless/script_session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/data/types/descriptor_builder.h"
#include "runtime/data/queue/queue.h"
#include "runtime/data/text/string_ops.h"
#include "runtime/window/accept_loop.h"
#include "runtime/window/events.h"
#include "runtime/window/file_dialog.h"
#include "runtime/window/message_box.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr std::int16_t kNamePrompt = 1;
constexpr std::int16_t kNameEntry = 2;
constexpr std::int16_t kActiveCheck = 3;
constexpr std::int16_t kNotesText = 4;
constexpr std::int16_t kNameList = 5;
constexpr std::int16_t kSheet = 6;
constexpr std::int16_t kAllTab = 7;
constexpr std::int16_t kWorkTab = 8;
constexpr std::int16_t kLetters = 9;
constexpr std::int16_t kLetterA = 10;  // B and C follow
constexpr std::int16_t kAddButton = 13;
constexpr std::int16_t kDeleteButton = 14;
constexpr std::int16_t kFileMenu = 100;
constexpr std::int16_t kOpenItem = 101;
constexpr std::int16_t kExitItem = 102;
constexpr std::int16_t kEditMenu = 110;
constexpr std::int16_t kFindItem = 111;
constexpr std::int16_t kFindPrompt = 20;
constexpr std::int16_t kFindEntry = 21;
constexpr std::int16_t kFindOk = 22;
constexpr std::int16_t kFindCancel = 23;
constexpr std::int32_t kInsertKey = 0x2D;
constexpr std::int32_t kDoubleClick = 5;
constexpr std::size_t kNameLength = 20;

ControlDescription Control(std::int16_t number, ControlKind kind,
                           std::string text = {}, std::int16_t parent = 0) {
  ControlDescription control;
  control.number = number;
  control.kind = kind;
  control.text = std::move(text);
  control.parent = parent;
  return control;
}

std::string Clipped(const char* text, std::size_t size) {
  return std::string(ClipText(std::string_view(text, size)));
}

// The contacts window. What it does goes to `log`.
struct Contacts {
  char name[kNameLength];
  std::uint8_t active = 0;
  char notes[40];
  std::int32_t letter = 1;
  char file[200];
  char find[kNameLength];
  std::uint8_t record[kNameLength] = {};
  TypeDescriptor descriptor =
      DescriptorBuilder().String("N:NAME", kNameLength).Descriptor();
  Queue names{record, &descriptor, kNameLength};
  bool confirm_close = true;  // the close box asks first
  std::vector<std::string> log;

  Contacts() {
    std::memset(name, ' ', sizeof name);
    std::memset(notes, ' ', sizeof notes);
    std::memset(file, ' ', sizeof file);
    std::memset(find, ' ', sizeof find);
  }
  ~Contacts() { Free(&names); }

  WindowDescription Description() {
    ControlDescription entry = Control(kNameEntry, ControlKind::kEntry);
    entry.variable = Variable::Of(name);
    entry.picture = "@s20";
    ControlDescription check =
        Control(kActiveCheck, ControlKind::kCheck, "&Active");
    check.variable = Variable::Of(active);
    ControlDescription notes_text = Control(kNotesText, ControlKind::kText);
    notes_text.variable = Variable::Of(notes);
    ControlDescription list = Control(kNameList, ControlKind::kList);
    list.list = {&names, 1};
    list.alert_keys = {kInsertKey, kDoubleClick};
    ControlDescription option = Control(kLetters, ControlKind::kOption);
    option.variable = Variable::Of(letter);
    ControlDescription add = Control(kAddButton, ControlKind::kButton, "&Add");
    add.disabled = true;
    ControlDescription del = Control(kDeleteButton, ControlKind::kButton);
    del.icon = "DELETE.ICO";
    del.tip = "Delete Name";
    ControlDescription open =
        Control(kOpenItem, ControlKind::kMenuItem, "&Open...", kFileMenu);
    open.shortcut = "Ctrl O";
    WindowDescription window;
    window.title = "Contacts";
    window.controls = {Control(kNamePrompt, ControlKind::kPrompt, "&Name:"),
                       entry,
                       check,
                       notes_text,
                       list,
                       Control(kSheet, ControlKind::kSheet),
                       Control(kAllTab, ControlKind::kTab, "All", kSheet),
                       Control(kWorkTab, ControlKind::kTab, "Work", kSheet),
                       option};
    for (int i = 0; i < 3; ++i) {
      ControlDescription radio =
          Control(kLetterA + i, ControlKind::kRadio, {}, kLetters);
      radio.icon = std::string(1, static_cast<char>('A' + i)) + ".ICO";
      window.controls.push_back(radio);
    }
    window.controls.insert(
        window.controls.end(),
        {add, del, Control(kFileMenu, ControlKind::kMenu, "&File"), open,
         Control(kExitItem, ControlKind::kMenuItem, "E&xit", kFileMenu),
         Control(kEditMenu, ControlKind::kMenu, "&Edit"),
         Control(kFindItem, ControlKind::kMenuItem, "&Find...", kEditMenu)});
    return window;
  }

  void Run() {
    OpenWindow(Description());
    AcceptLoop([this] {
      switch (CurrentEvent()) {
        case kEventAccepted:
          return OnAccepted(AcceptedField());
        case kEventNewSelection:
          log.push_back((EventField() == kSheet ? "tab " : "picked ") +
                        std::to_string(Choice(EventField())));
          break;
        case kEventAlertKey:
          log.push_back("key " + std::to_string(EventKeyCode()));
          break;
        case kEventCloseWindow:
          if (confirm_close &&
              ShowMessage("Leave the contacts?", "Contacts", {},
                          kButtonYes + kButtonNo, kButtonNo) != kButtonYes)
            return SkipDefault();
          break;
      }
    });
    CloseWindow();
  }

  void OnAccepted(std::int16_t field) {
    switch (field) {
      case kNameEntry:
        log.push_back("name " + Clipped(name, sizeof name));
        Enable(kAddButton);
        break;
      case kActiveCheck:
        log.push_back("active " + std::to_string(active));
        break;
      case kLetters:
        log.push_back("letter " + std::to_string(letter));
        break;
      case kAddButton:
        std::memcpy(record, name, kNameLength);
        Add(&names);
        Display(kNameList);
        log.push_back("added " + Clipped(name, sizeof name));
        break;
      case kDeleteButton:
        DeleteChosen();
        break;
      case kOpenItem:
        log.push_back(FileDialog("Open Names", Variable::Of(file),
                                 "Names|*.txt|All|*.*", kFileKeepDirectory)
                          ? "opened " + Clipped(file, sizeof file)
                          : "open cancelled");
        break;
      case kExitItem:
        EndLoop();
        break;
      case kFindItem:
        RunFind();
        break;
    }
  }

  void DeleteChosen() {
    int chosen = Choice(kNameList);
    if (chosen == 0) return;
    if (ShowMessage("Delete the name?|It cannot be undone.", "Delete", {},
                    kButtonYes + kButtonNo, kButtonNo) != kButtonYes)
      return log.push_back("kept");
    Get(&names, chosen);
    Delete(&names);
    Display(kNameList);
    log.push_back("deleted " + std::to_string(chosen));
  }

  // A modal window with its own loop, as the application's small dialogs.
  void RunFind() {
    WindowDescription dialog;
    dialog.title = "Find";
    ControlDescription entry = Control(kFindEntry, ControlKind::kEntry);
    entry.variable = Variable::Of(find);
    dialog.controls = {
        Control(kFindPrompt, ControlKind::kPrompt, "Find &what:"), entry,
        Control(kFindOk, ControlKind::kButton, "&OK"),
        Control(kFindCancel, ControlKind::kButton, "&Cancel")};
    OpenWindow(dialog);
    bool ok = false;
    AcceptLoop([&] {
      if (AcceptedField() == kFindOk) {
        ok = true;
        EndLoop();
      } else if (AcceptedField() == kFindCancel) {
        EndLoop();
      }
    });
    CloseWindow();
    log.push_back(ok ? "find " + Clipped(find, sizeof find) : "find cancelled");
  }
};

struct Session {
  int result = -1;
  std::string transcript;
  std::vector<std::string> log;
  std::string notes;
};

Session Play(const std::string& script, bool confirm_close = true) {
  Contacts contacts;
  contacts.confirm_close = confirm_close;
  std::istringstream in(script);
  std::ostringstream out;
  Session session;
  session.result =
      RunScriptSession(in, "contacts.script", out, [&] { contacts.Run(); });
  session.transcript = out.str();
  session.log = contacts.log;
  session.notes = Clipped(contacts.notes, sizeof contacts.notes);
  EXPECT_EQ(TopWindow(), nullptr) << "a window was left open";
  return session;
}

TEST(ScriptSessionTest, FieldsAreSetTypedAndChecked) {
  Session s = Play(
      "click Add\n"  // disabled: nothing happens
      "expect Add disabled\n"
      "set Name Ann\n"  // the prompt names the entry; Tab leaves it
      "expect 2 Ann\n"
      "expect Add enabled\n"
      "click Active\n"
      "expect Active on\n"
      "focus 4\n"
      "type first\\nsecond \\\\ end\n"
      "focus Name\n"
      "expect 4 first\\nsecond \\\\ end\n"
      "click Add\n"
      "click File/Exit\n");
  EXPECT_EQ(s.result, kScriptPassed) << s.transcript;
  EXPECT_THAT(s.log, ElementsAre("name Ann", "active 1", "added Ann"));
  EXPECT_EQ(s.notes, "first\r\nsecond \\ end");
  EXPECT_THAT(s.transcript,
              HasSubstr("[1] click Add\n    control 13 \"Add\" is disabled or "
                        "hidden: nothing happens\n"));
  EXPECT_THAT(s.transcript, HasSubstr("result 0: the script ran to its end\n"));
}

TEST(ScriptSessionTest, ListsTabsLettersAndKeys) {
  Session s = Play(
      "set Name Ann\nclick Add\nset Name Bob\nclick Add\n"
      "choose 5 2\n"
      "expect 5 Bob\n"
      "choose 5 ann\n"  // by the entry's text
      "tab Work\n"
      "expect 6 Work\n"
      "click All\n"  // a tab by its label
      "choose 6 2\n"
      "letter b\n"
      "expect 9 B\n"
      "choose 9 3\n"
      "focus 5\n"
      "key Insert\n"
      "key DoubleClick\n"
      "key Enter\n"  // not alerted: nothing reaches the program
      "click File/Exit\n");
  EXPECT_EQ(s.result, kScriptPassed) << s.transcript;
  EXPECT_THAT(s.log,
              ElementsAre("name Ann", "added Ann", "name Bob", "added Bob",
                          "picked 2", "picked 1", "tab 2", "tab 1", "tab 2",
                          "letter 2", "letter 3", "key 45", "key 5"));
}

TEST(ScriptSessionTest, DialogsAreAnsweredByTheStepsAfterTheirOpening) {
  namespace fs = std::filesystem;
  fs::path names = fs::temp_directory_path() / "vantrel_script_names.txt";
  std::ofstream(names) << "Ann\n";
  Session s = Play(
      "set Name Ann\nclick Add\nchoose 5 1\n"
      "click Delete Name\n"  // by its tip
      "answer No\n"
      "click Delete Name\n"
      "answer &yes\n"
      "key Ctrl+O\n"  // the Open item's shortcut
      "cancel\n"
      "click File/Open\n"
      "pick " +
      names.string() +
      "\n"
      "click Edit/Find\n"
      "set \"Find what\" Bob\n"
      "click OK\n"
      "close\n"
      "answer Yes\n");
  fs::remove(names);
  EXPECT_EQ(s.result, kScriptPassed) << s.transcript;
  EXPECT_THAT(s.log, ElementsAre("name Ann", "added Ann", "picked 1", "kept",
                                 "deleted 1", "open cancelled",
                                 "opened " + names.string(), "find Bob"));
  EXPECT_THAT(s.transcript, HasSubstr("[4] click Delete Name\n"
                                      "    message box \"Delete\"\n"
                                      "      | Delete the name?\n"
                                      "      | It cannot be undone.\n"
                                      "      buttons Yes, No (default No)\n"
                                      "[5] answer No\n"));
  EXPECT_THAT(s.transcript,
              HasSubstr("    file dialog \"Open Names\" (open), filter "
                        "Names *.txt | All *.*\n[9] cancel\n"));
  EXPECT_THAT(s.transcript, HasSubstr("    window \"Find\" opens\n"));
  EXPECT_THAT(s.transcript, HasSubstr("    window \"Contacts\" closes\n"
                                      "result 0"));
}

TEST(ScriptSessionTest, ShowPrintsTheActiveWindow) {
  Session s = Play(
      "set Name Ann\nclick Add\nchoose 5 1\nletter C\ntab Work\n"
      "focus Name\ntype x\nshow\nclick File/Exit\n");
  EXPECT_EQ(s.result, kScriptPassed) << s.transcript;
  EXPECT_THAT(
      s.transcript,
      HasSubstr("[8] show\n"
                "    window \"Contacts\"\n"
                "      1 prompt \"Name:\"\n"
                "      2 entry = \"x\" [focus]\n"
                "      3 check \"Active\" = off\n"
                "      4 text = \"\"\n"
                "      5 list, entry 1 of 1\n"
                "        * 1 Ann\n"
                "      6 sheet = \"Work\", tabs 7 \"All\", 8 \"Work\"\n"
                "      9 option = \"C\", radios 10 \"A\", 11 \"B\", 12 \"C\"\n"
                "      13 button \"Add\"\n"
                "      14 button \"Delete Name\"\n"
                "      100 menu \"File\"\n"
                "      101 menu item \"File/Open...\" (Ctrl O)\n"
                "      102 menu item \"File/Exit\"\n"
                "      110 menu \"Edit\"\n"
                "      111 menu item \"Edit/Find...\"\n"
                "[9] click File/Exit\n"));
}

TEST(ScriptSessionTest, FailedExpectIsReportedAndTheScriptGoesOn) {
  Session s = Play(
      "set Name Ann\n"
      "expect Name Bob\n"
      "expect 99 x\n"
      "click Add\n"
      "click File/Exit\n");
  EXPECT_EQ(s.result, kScriptFailed);
  EXPECT_THAT(s.log, ElementsAre("name Ann", "added Ann"));
  EXPECT_THAT(s.transcript,
              HasSubstr("!! line 2: expected \"Bob\", the window shows "
                        "\"Ann\"\n"));
  EXPECT_THAT(s.transcript,
              HasSubstr("!! line 3: window \"Contacts\" has no control 99\n"));
  EXPECT_THAT(s.transcript,
              HasSubstr("result 1: 2 problems, the first: line 2: expected"));
}

TEST(ScriptSessionTest, StepThatCannotBeDoneStopsAndClosesTheWindows) {
  struct Case {
    std::string script;
    std::string problem;
  } cases[] = {
      {"click Nothing\nclick Add\n",
       "line 1: window \"Contacts\" has no control labelled \"Nothing\""},
      {"click File/Nothing\n", "line 1: menu \"File\" has no item \"Nothing\""},
      {"click File\n", "line 1: control 100 \"File\" is a menu"},
      {"answer Yes\n", "line 1: no message box is open"},
      {"cancel\n", "line 1: no file dialog is open"},
      {"type abc\n", "line 1: no field the user can type into has the focus"},
      {"set Active on\n",
       "line 1: control 3 \"Active\" is not a field the user types"},
      {"choose 5 1\n", "line 1: control 5 has 0 entries"},
      {"tab Home\n", "line 1: window \"Contacts\" has no tab \"Home\""},
      {"key Ctrl+Q\n",
       "line 1: no menu item of window \"Contacts\" has the "
       "shortcut Ctrl+Q"},
      {"set Name Ann\nclick Add\nchoose 5 1\nclick Delete Name\nclick Add\n",
       "line 5: message box \"Delete\" is open: the next step must answer it"},
      {"set Name Ann\nclick Add\nchoose 5 1\nclick Delete Name\nanswer Maybe\n",
       "line 5: the message box has no button \"Maybe\" (its buttons: Yes, "
       "No)"},
      {"click File/Open\npick /no/such/dir/names.txt\n",
       "line 2: the dialog refuses \"/no/such/dir/names.txt\": no such file"},
      {"click File/Open\nclick Add\n",
       "line 2: file dialog \"Open Names\" is open"},
  };
  for (const Case& c : cases) {
    // The steps after the one that fails are not carried out.
    Session s = Play(c.script + "set Name Zed\n");
    EXPECT_EQ(s.result, kScriptFailed) << c.script;
    EXPECT_THAT(s.transcript, HasSubstr("!! " + c.problem)) << s.transcript;
    EXPECT_THAT(s.log, Not(Contains("name Zed"))) << c.script;
    // The close is asked and, unanswered, refused: the loop is ended.
    EXPECT_THAT(s.transcript,
                HasSubstr("-- the script stops here\n"
                          "-- window \"Contacts\" waits for input: closing it\n"
                          "    message box \"Contacts\"\n"))
        << s.transcript;
    EXPECT_THAT(s.transcript,
                HasSubstr("    closed without a button: the script has ended\n"
                          "-- window \"Contacts\" stays open: no more input, "
                          "its loop ends\n"))
        << s.transcript;
  }
}

TEST(ScriptSessionTest, ScriptEndingWhileTheProgramWaitsClosesItsWindows) {
  // The find window is closed first, then the main window.
  Session s = Play("set Name Ann\nclick Edit/Find\n", /*confirm_close=*/false);
  EXPECT_EQ(s.result, kScriptPassed) << s.transcript;
  EXPECT_THAT(s.log, ElementsAre("name Ann", "find cancelled"));
  EXPECT_THAT(s.transcript,
              HasSubstr("-- end of the script\n"
                        "-- window \"Find\" waits for input: closing it\n"
                        "    window \"Find\" closes\n"
                        "-- window \"Contacts\" waits for input: closing it\n"
                        "    window \"Contacts\" closes\n"
                        "result 0: the script ran to its end\n"));
}

TEST(ScriptSessionTest, ProgramEndingBeforeTheScriptFails) {
  Session s = Play("click File/Exit\nshow\n");
  EXPECT_EQ(s.result, kScriptFailed);
  EXPECT_THAT(s.transcript,
              HasSubstr("!! line 2: the program ended before this step\n"));
}

TEST(ScriptSessionTest, MalformedScriptIsRefusedWithItsLineBeforeRunning) {
  struct Case {
    std::string script;
    std::string message;
  } cases[] = {
      {"# comment\n\n  show\nclik 5\n", "4: unknown command \"clik\""},
      {"set\n", "1: a target is missing"},
      {"set \"Name Ann\n", "1: the quoted target has no closing quote"},
      {"set \"Name\"Ann\n", "1: a blank must follow the quoted target"},
      {"type\n", "1: the text is missing"},
      {"type a\\qb\n", "1: unknown escape \\q"},
      {"type abc\\\n", "1: a backslash ends the line"},
      {"choose 5 0\n", "1: entry 0 is out of range"},
      {"letter AB\n", "1: letter takes one letter A to Z"},
      {"key Hyper\n", "1: unknown key \"Hyper\""},
      {"show now\n", "1: nothing may follow this command"},
      {"click 40000\n", "1: control number 40000 is out of range"},
      {"type \xFF\n", "1: "},
      {"type \xE6\x97\xA5\n", "1: "},  // U+65E5 has no Windows-1252 code
      {"type a\x01"
       "b\n",
       "1: a control character is in the line"},
  };
  for (const Case& c : cases) {
    bool ran = false;
    std::istringstream in(c.script);
    std::ostringstream out;
    EXPECT_EQ(RunScriptSession(in, "bad.script", out, [&] { ran = true; }),
              kScriptMalformed)
        << c.script;
    EXPECT_FALSE(ran) << c.script;
    EXPECT_THAT(out.str(), ::testing::StartsWith("bad.script:" + c.message))
        << out.str();
  }
}

}  // namespace
}  // namespace vantrel
