// The window manager's event handling on windows without a primary file:
// the request and response bytes, the dispatcher, window events, buttons,
// history recall and the life of Run. Forms over real files are in
// window_form_test.cpp.
#include "framework/window_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/window/user_input.h"
#include "runtime/window/window_test_fixture.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;

constexpr std::int16_t kName = 1;
constexpr std::int16_t kOk = 2;
constexpr std::int16_t kCancel = 3;
constexpr std::int32_t kDittoKey = 0x2DE;  // any key code will do

// A browse list that records what the window asked of it.
struct RecordingList : BrowseList {
  std::vector<std::string> calls;
  bool wants_refresh = false;
  void Kill() override { calls.push_back("Kill"); }
  void ResetList(bool force) override {
    calls.push_back(force ? "Reset(force)" : "Reset");
    wants_refresh = false;
  }
  Level TakeEvent() override {
    calls.push_back("Event " + std::to_string(CurrentEvent()));
    return Level::Proceed;
  }
  bool NeedsRefresh() override { return wants_refresh; }
  void SetAlerts() override { calls.push_back("SetAlerts"); }
};

struct RecordingTranslator : Translator {
  int translations = 0;
  void TranslateWindow() override { ++translations; }
};

// A window procedure with a name entry, OK and Cancel.
class NameWindow : public WindowManager {
 public:
  explicit NameWindow(ErrorManager& errors) {
    ERRORS = &errors;
    std::memset(name, ' ', sizeof name);
  }

  Level Init() override {
    Level level = WindowManager::Init();
    if (level != Level::Proceed || fail_init) return Level::Notified;
    WindowDescription description;
    description.title = "Names";
    ControlDescription entry;
    entry.number = kName;
    entry.kind = ControlKind::kEntry;
    entry.variable = Variable::Of(name);
    ControlDescription ok;
    ok.number = kOk;
    ok.kind = ControlKind::kButton;
    ControlDescription cancel = ok;
    cancel.number = kCancel;
    description.controls = {entry, ok, cancel};
    window = &OpenWindow(description);
    OPENED = 1;
    OKCONTROL = kOk;
    FIRSTFIELD = kName;
    TRANSLATOR = &translator;
    BROWSES->push_back(&list);
    AddButton(kCancel, kRequestCancelled);
    AddHistoryField(kName, Variable::Of(name));
    HISTORYKEY = kDittoKey;
    SetAlerts();
    return Level::Proceed;
  }
  void Ask() override {
    ++asks;
    WindowManager::Ask();
  }
  void Kill() override {
    if (window != nullptr) CloseWindow(window);
    window = nullptr;
    WindowManager::Kill();
  }
  Level TakeCompleted() override {
    ++completions;
    return WindowManager::TakeCompleted();
  }

  std::string Name() const {
    std::string text(name, sizeof name);
    return text.substr(0, text.find_last_not_of(' ') + 1);
  }

  char name[20];
  bool fail_init = false;
  int asks = 0;
  int completions = 0;
  Window* window = nullptr;
  RecordingList list;
  RecordingTranslator translator;
};

class WindowManagerTest : public WindowTest {
 protected:
  WindowManagerTest() { errors.Init(); }
  ~WindowManagerTest() override {
    errors.Kill();
    GlobalRequest() = GlobalResponse() = 0;
  }
  ErrorManager errors;
};

TEST_F(WindowManagerTest, RequestByteIsTakenAndResponseLeft) {
  NameWindow window(errors);
  GlobalRequest() = kChangeRecord;
  GlobalResponse() = 9;
  gui.Then([&] {
       EXPECT_EQ(window.REQUEST, kChangeRecord);
       EXPECT_EQ(window.ORIGINALREQUEST, kChangeRecord);
       EXPECT_EQ(GlobalRequest(), 0);
       EXPECT_EQ(GlobalResponse(), 0);
       // The defaults.
       EXPECT_EQ(window.INSERTACTION, kInsertEndsWindow);
       EXPECT_EQ(window.DELETEACTION, kDeleteAtOnceConfirmed);
       EXPECT_EQ(window.CANCELACTION, kCancelSaves | kCancelAsks);
       EXPECT_EQ(window.CHANGEACTION, 1);
       EXPECT_EQ(window.AUTOREFRESH, 1);
       EXPECT_EQ(window.AUTOTOOLBAR, 1);
     })
      // A change request without a primary file completes harmlessly.
      .Click(kOk)
      .Then([&] { EXPECT_EQ(window.completions, 1); })
      .Click(kCancel);
  EXPECT_EQ(window.Run(), kRequestCancelled);
  EXPECT_EQ(GlobalResponse(), kRequestCancelled);
  EXPECT_EQ(window.DEAD, 1);
  EXPECT_EQ(TopWindow(), nullptr);
}

TEST_F(WindowManagerTest, FailedInitSkipsTheLoop) {
  NameWindow window(errors);
  window.fail_init = true;
  EXPECT_EQ(window.Run(), kRequestCancelled);
  EXPECT_EQ(window.asks, 0);
  window.Kill();  // once dead, nothing more happens
  EXPECT_THAT(window.list.calls, ElementsAre());
}

TEST_F(WindowManagerTest, OpeningTranslatesOnceAndFocusesTheFirstField) {
  NameWindow window(errors);
  gui.Then([&] {
       EXPECT_EQ(window.translator.translations, 1);
       EXPECT_EQ(window.INITED & kInitedOpened, kInitedOpened);
       EXPECT_EQ(gui.Shown("Names")->focus, kName);
     })
      .Click(kCancel);
  window.Run();
  EXPECT_EQ(window.translator.translations, 1);
  // Opened: reset once by Open; GainFocus after opening resets again.
  EXPECT_EQ(window.list.calls.front(), "SetAlerts");
  EXPECT_EQ(window.list.calls.back(), "Kill");
}

TEST_F(WindowManagerTest, SizingLosingFocusAndRefreshesResetTheLists) {
  NameWindow window(errors);
  window.RESETONGAINFOCUS = 1;
  auto resets = [&] {
    std::vector<std::string> r;
    for (const std::string& call : window.list.calls)
      if (call.starts_with("Reset")) r.push_back(call);
    return r;
  };
  std::size_t before = 0;
  gui.Then([&] { before = resets().size(); })
      .ActOnWindow(kEventSized)  // the first only marks the window sized
      .Then([&] {
        EXPECT_EQ(resets().size(), before);
        EXPECT_EQ(window.INITED & kInitedFirstSized, kInitedFirstSized);
      })
      .ActOnWindow(kEventSized)
      .Then([&] { EXPECT_EQ(resets().size(), before + 1); })
      .Then([&] {
        PostEvent(kEventLoseFocus);
        PostEvent(kEventGainFocus);
      })
      .Then([&] { EXPECT_EQ(resets().back(), "Reset(force)"); })
      .Then([&] { window.list.wants_refresh = true; })
      .Focus(kOk)  // any event: the list asks for a refresh
      .Then([&] {
        EXPECT_FALSE(window.list.wants_refresh);
        EXPECT_EQ(resets().back(), "Reset");
      })
      .Click(kCancel);
  window.Run();
}

TEST_F(WindowManagerTest, OkOfAViewWindowCompletesAtOnce) {
  NameWindow window(errors);
  gui.Click(kOk).Then([&] { EXPECT_EQ(window.completions, 1); }).Click(kCancel);
  window.Run();
}

TEST_F(WindowManagerTest, HistoryKeyRecallsTheLastCompletedValue) {
  NameWindow window(errors);
  gui.Focus(kName)
      .Type("Ann")
      .Focus(kOk)
      .Click(kOk)  // completes: "Ann" becomes the history value
      .Focus(kName)
      .Type("Bob")
      .Focus(kOk)
      .Then([&] { EXPECT_EQ(window.Name(), "Bob"); })
      .Focus(kName)
      .PressKey(kDittoKey)
      .Then([&] {
        EXPECT_EQ(window.Name(), "Ann");
        EXPECT_EQ(gui.Shown("Names")->controls.at(kName).value, "Ann");
      })
      .Click(kCancel);
  window.Run();
}

struct RecordingToolbar : Toolbar {
  std::vector<std::string> calls;
  void Init() override { calls.push_back("Init"); }
  void Kill() override { calls.push_back("Kill"); }
  void TakeEvent(std::int32_t* vcr_request, WindowManager&) override {
    calls.push_back("Event " + std::to_string(AcceptedField()));
    *vcr_request = 7;  // a record button asked to move on
  }
  void SetTarget(std::int16_t control) override {
    calls.push_back("Target " + std::to_string(control));
  }
};

TEST_F(WindowManagerTest, ToolbarDrivesTheWindow) {
  NameWindow window(errors);
  RecordingToolbar toolbar;
  std::int32_t vcr_request = 0;
  window.VCRREQUEST = &vcr_request;
  window.SetToolbar(&toolbar);
  gui.Focus(kName)
      .Type("Ann")
      .Focus(kOk)
      .Click(kOk)  // a view window completes; "Ann" is the history value
      .Focus(kName)
      .Type("Bob")
      .Focus(kOk)
      .Focus(kName)
      .Then([] { PostEvent(kEventAccepted, kToolbarHistoryButton); })
      .Then([&] { EXPECT_EQ(window.Name(), "Ann"); })
      .Then([] { PostEvent(kEventNewSelection, kName); })
      .Click(kCancel);
  window.Run();
  EXPECT_EQ(vcr_request, 0);  // cancelled: no navigation pending
  EXPECT_EQ(toolbar.calls.front(), "Init");
  EXPECT_THAT(toolbar.calls, ::testing::Contains("Event 2011"));
  EXPECT_THAT(toolbar.calls, ::testing::Contains("Target 1"));
  EXPECT_EQ(toolbar.calls.back(), "Kill");
  EXPECT_EQ(window.TOOLBAR, nullptr);
}

TEST_F(WindowManagerTest, RejectedValueBeepsAndKeepsTheFocus) {
  NameWindow window(errors);
  gui.Focus(kOk)
      .Then([] { PostEvent(kEventRejected, kName); })
      .Then([&] {
        EXPECT_EQ(gui.beeps(), 1);
        EXPECT_EQ(gui.Shown("Names")->focus, kName);
      })
      .Click(kCancel);
  window.Run();
}

TEST_F(WindowManagerTest, HandlerLevelsDriveTheLoop) {
  // A handler's 3 ends the loop; 5 refuses a close.
  struct Stubborn : NameWindow {
    using NameWindow::NameWindow;
    int closes = 0;
    Level TakeCloseEvent() override {
      return ++closes == 1 ? kLevelConsumed : kLevelLeaveLoop;
    }
  } window(errors);
  gui.Close().Then([&] { EXPECT_EQ(window.closes, 1); }).Close();
  EXPECT_EQ(window.Run(), kRequestCancelled);
  EXPECT_EQ(window.closes, 2);
  EXPECT_EQ(gui.steps_left(), 0u);
}

}  // namespace
}  // namespace vantrel
