// A GUI backend without a display, for tests. The test scripts a user as a
// list of steps; each time a loop waits for input, the next step runs. Modal
// dialogs take their answers from queues. Everything the runtime shows is
// recorded and can be read back.
//
//   HeadlessBackend gui;
//   gui.OnScriptExhausted([](const std::string& m) { ADD_FAILURE() << m; });
//   gui.Type("Smith").Focus(kListControl).ChooseEntry(kListControl, 2).Close();
//   gui.AnswerMessageBox(kButtonYes);
//   RunMyWindowProcedure();
//   EXPECT_EQ(gui.Shown("Cards")->controls.at(kNameEntry).value, "Smith");
//
// When a loop waits and no step is left, the exhausted handler is called
// with a message naming the waiting window and the loop ends, so a test
// never hangs. A dialog without a queued answer is reported the same way and
// is cancelled.
//
// A User (SetUser) decides instead while the program runs: it is asked to
// act whenever a loop waits with no step queued, and to answer dialogs that
// have no queued answer (the script player of script_session.h is one).
#ifndef VANTREL_GUI_HEADLESS_HEADLESS_BACKEND_H_
#define VANTREL_GUI_HEADLESS_HEADLESS_BACKEND_H_

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "runtime/window/gui_backend.h"

namespace vantrel {

class HeadlessBackend final : public GuiBackend {
 public:
  // What a control showed last.
  struct ShownControl {
    ControlKind kind = ControlKind::kPrompt;
    std::string value;
    bool enabled = true;
    bool hidden = false;
    int choice = 0;
    int selection_start = 0;
    int selection_end = 0;
    std::vector<std::string> entries;  // lists
  };
  // What a window showed last.
  struct ShownWindow {
    std::string title;
    std::string icon;
    bool open = true;
    int timer = 0;  // hundredths; 0: stopped
    std::int16_t focus = 0;
    std::map<std::int16_t, ShownControl> controls;
  };
  struct HelpShown {
    std::string file;
    std::string topic;
  };
  using Handler = std::function<void(const std::string& message)>;

  // A user acting while the program runs.
  class User {
   public:
    virtual ~User() = default;
    // A loop waits for input: act through user_input.h. False when no
    // input comes any more; the waiting loop ends.
    virtual bool Act() = 0;
    // The mask of the button pressed; 0 closes the box without one.
    virtual int AnswerMessageBox(const MessageBoxRequest& request) = 0;
    // The chosen full paths; nothing cancels.
    virtual std::optional<std::vector<std::string>> AnswerFileDialog(
        const FileDialogRequest& request) = 0;
    // What the program shows besides its windows' contents.
    virtual void WindowOpened(const Window&) {}
    virtual void WindowClosed(const Window&) {}
    virtual void HelpShown(std::string_view /*file*/,
                           std::string_view /*topic*/) {}
  };

  // Installs itself as the runtime's backend; the destructor puts back the
  // one it replaced.
  HeadlessBackend();
  ~HeadlessBackend() override;
  HeadlessBackend(const HeadlessBackend&) = delete;
  HeadlessBackend& operator=(const HeadlessBackend&) = delete;

  // Script steps. Each acts on the active window, or on the window with the
  // title given by On() just before it.
  HeadlessBackend& On(std::string title);
  HeadlessBackend& Focus(std::int16_t control);
  HeadlessBackend& Type(std::string text);
  HeadlessBackend& PressKey(std::int32_t key_code, std::uint8_t key_state = 0,
                            std::uint8_t key_char = 0);
  HeadlessBackend& Click(std::int16_t control);
  HeadlessBackend& ChooseEntry(std::int16_t control, int entry);
  HeadlessBackend& SelectTab(std::int16_t sheet, int tab);
  HeadlessBackend& MoveMouse(std::int32_t x, std::int32_t y);
  HeadlessBackend& Activate();
  HeadlessBackend& Close();
  // Any other field event of a control, or a window event (see
  // UserFieldAction and UserWindowAction).
  HeadlessBackend& Act(std::int16_t control, std::int32_t event);
  HeadlessBackend& ActOnWindow(std::int32_t event);
  // Timer ticks; a window whose timer is stopped gets none.
  HeadlessBackend& TickTimer(int ticks = 1);
  // Any other action at this point of the script.
  HeadlessBackend& Then(std::function<void()> action);

  // Answers for the next dialogs, in order.
  void AnswerMessageBox(int mask);
  void AnswerFileDialog(std::vector<std::string> paths);
  void CancelFileDialog();

  void OnScriptExhausted(Handler handler) {
    on_exhausted_ = std::move(handler);
  }
  // nullptr: no user; the script and the queued answers alone.
  void SetUser(User* user) { user_ = user; }
  std::size_t steps_left() const { return steps_.size(); }

  // What was shown. Shown() gives the latest window with the title.
  const ShownWindow* Shown(std::string_view title) const;
  const ShownWindow* Shown(const Window& window) const;
  const std::vector<MessageBoxRequest>& message_boxes() const {
    return message_boxes_;
  }
  const std::vector<FileDialogRequest>& file_dialogs() const {
    return file_dialogs_;
  }
  const std::vector<HelpShown>& help_shown() const { return help_shown_; }
  int beeps() const { return beeps_; }

  // GuiBackend.
  void OpenNativeWindow(Window& window) override;
  void CloseNativeWindow(Window& window) override;
  void ShowWindowState(Window& window) override;
  void ShowControlState(Window& window, const ControlState& control) override;
  void ControlCreated(Window& window, const ControlState& control) override;
  void ControlDestroyed(Window& window, std::int16_t number) override;
  void ShowFocus(Window& window, std::int16_t control) override;
  void SetTimer(Window& window, int hundredths) override;
  bool WaitForInput() override;
  int RunMessageBox(const MessageBoxRequest& request) override;
  std::optional<std::vector<std::string>> RunFileDialog(
      const FileDialogRequest& request) override;
  void ShowHelp(std::string_view help_file, std::string_view topic) override;
  void Beep() override { ++beeps_; }

 private:
  struct Step {
    std::string target;  // window title; empty: the active window
    std::string what;    // for messages
    std::function<void(Window&)> action;
  };

  HeadlessBackend& Add(std::string what, std::function<void(Window&)> action);
  Window* Target(const std::string& title) const;
  ShownWindow& Record(Window& window);
  void Fail(const std::string& message);

  GuiBackend* previous_;
  std::deque<Step> steps_;
  std::string next_target_;
  std::deque<int> message_answers_;
  struct FileAnswer {
    bool confirmed = false;
    std::vector<std::string> paths;
  };
  std::deque<FileAnswer> file_answers_;
  Handler on_exhausted_;
  User* user_ = nullptr;
  std::vector<Window*> open_windows_;                 // in opening order
  std::map<const Window*, std::size_t> shown_index_;  // into shown_
  std::deque<ShownWindow> shown_;  // every window ever opened
  std::vector<MessageBoxRequest> message_boxes_;
  std::vector<FileDialogRequest> file_dialogs_;
  std::vector<HelpShown> help_shown_;
  int beeps_ = 0;
};

}  // namespace vantrel

#endif  // VANTREL_GUI_HEADLESS_HEADLESS_BACKEND_H_
