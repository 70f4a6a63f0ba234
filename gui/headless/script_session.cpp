#include "gui/headless/script_session.h"

#include <deque>
#include <filesystem>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "gui/headless/headless_backend.h"
#include "gui/headless/script_view.h"
#include "gui/headless/user_script.h"
#include "runtime/window/events.h"
#include "runtime/window/user_input.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

// Notes under a step are indented by this.
constexpr std::string_view kIndent = "    ";
// A program that opens a new window each time one is closed stops being
// asked after this many closes at the end of the script.
constexpr int kMaxCloseRequests = 64;

// The window the user acts on: the active one, else the waiting loop's.
Window* UserWindow() {
  Window* window = ActiveWindow();
  return window != nullptr ? window : TopWindow();
}

// A multi-line text takes a line break as CR LF.
std::string LineBreaksFor(const ControlState& control, std::string_view text) {
  if (control.kind() != ControlKind::kText) return std::string(text);
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// The 1-based position of the label among `labels` (by number when the step
// gives one); 0 when there is none.
int ChooseIndex(const ScriptStep& step,
                const std::vector<std::string>& labels) {
  if (step.number > 0)
    return step.number <= static_cast<int>(labels.size()) ? step.number : 0;
  std::string wanted = NormalizeLabel(step.text);
  for (std::size_t i = 0; i < labels.size(); ++i) {
    if (NormalizeLabel(labels[i]) == wanted) return static_cast<int>(i) + 1;
  }
  return 0;
}

// A control as messages name it: control 13 "Add".
std::string Describe(const ScriptView& view, const ControlState& control) {
  std::string label = view.Label(control);
  std::string text = "control " + std::to_string(control.number());
  return label.empty() ? text : text + " \"" + label + "\"";
}

class ScriptPlayer final : public HeadlessBackend::User {
 public:
  ScriptPlayer(std::vector<ScriptStep> steps, std::ostream& out,
               HeadlessBackend& gui)
      : steps_(std::move(steps)), out_(out), gui_(gui) {}

  bool Act() override;
  int AnswerMessageBox(const MessageBoxRequest& box) override;
  std::optional<std::vector<std::string>> AnswerFileDialog(
      const FileDialogRequest& dialog) override;
  void WindowOpened(const Window& window) override {
    out_ << kIndent << "window " << QuoteText(window.title) << " opens\n";
  }
  void WindowClosed(const Window& window) override;
  void HelpShown(std::string_view file, std::string_view topic) override {
    out_ << kIndent << "help " << QuoteText(file) << ", topic "
         << QuoteText(topic) << '\n';
  }

  // After the program has returned: the result.
  int Finish();

 private:
  // One user action of a step, on the step's window. False when it cannot
  // be carried out; the reason is recorded.
  using Action = std::function<bool(Window&)>;

  const ScriptStep* NextStep() const {
    return stopped_ || next_ >= steps_.size() ? nullptr : &steps_[next_];
  }
  void Echo(const ScriptStep& step) {
    out_ << '[' << step.line << "] " << step.source << '\n';
  }
  void Note(const std::string& text) {
    out_ << kIndent << ToUtf8(text) << '\n';
  }
  // Records a problem; unless it is a failed expect the script stops.
  void Fail(const ScriptStep& step, const std::string& why, bool stop = true);

  bool RunNextAction();
  bool EndOfScript();
  void Expect(const ScriptStep& step, Window& window);

  // Turn an input step into actions; false when it cannot be carried out.
  bool Plan(const ScriptStep& step, Window& window);
  ControlState* Target(const ScriptStep& step, const ScriptView& view);
  bool Reachable(const ScriptView& view, const ControlState& control);
  void FocusFirst(const ScriptView& view, std::int16_t control);
  void AddClick(std::int16_t control);
  bool PlanClick(const ScriptStep& step, const ScriptView& view);
  bool PlanFocus(const ScriptStep& step, const ScriptView& view);
  bool PlanType(const ScriptStep& step, const ScriptView& view);
  bool PlanSet(const ScriptStep& step, const ScriptView& view);
  bool PlanChoose(const ScriptStep& step, const ScriptView& view);
  bool PlanSelectTab(const ScriptStep& step, const ScriptView& view,
                     const ControlState& tab);
  bool PlanTab(const ScriptStep& step, const ScriptView& view);
  bool PlanLetter(const ScriptStep& step, const ScriptView& view);
  bool PlanKey(const ScriptStep& step, const ScriptView& view);

  std::vector<ScriptStep> steps_;
  std::size_t next_ = 0;  // the next step to take
  std::ostream& out_;
  HeadlessBackend& gui_;
  std::deque<Action> actions_;          // the rest of the step in progress
  const ScriptStep* acting_ = nullptr;  // the step in progress
  Window* acting_window_ = nullptr;     // its window; nullptr once closed
  bool stopped_ = false;                // a step could not be carried out
  bool end_announced_ = false;
  int problems_ = 0;
  std::string first_problem_;
  std::set<const Window*> asked_to_close_;  // at the end of the script
  int close_requests_ = 0;
};

void ScriptPlayer::Fail(const ScriptStep& step, const std::string& why,
                        bool stop) {
  std::string message = "line " + std::to_string(step.line) + ": " + why;
  if (problems_++ == 0) first_problem_ = message;
  out_ << "!! " << ToUtf8(message) << '\n';
  if (!stop) return;
  stopped_ = true;
  actions_.clear();
}

bool ScriptPlayer::Act() {
  if (!actions_.empty()) return RunNextAction();
  while (const ScriptStep* step = NextStep()) {
    Window* window = UserWindow();
    if (window == nullptr) return false;  // a loop waits without a window
    ++next_;
    Echo(*step);
    switch (step->command) {
      case ScriptCommand::kShow:
        ScriptView(*window, gui_).Print(out_, kIndent);
        continue;
      case ScriptCommand::kExpect:
        Expect(*step, *window);
        continue;
      case ScriptCommand::kAnswer:
        Fail(*step, "no message box is open");
        break;
      case ScriptCommand::kPick:
      case ScriptCommand::kCancel:
        Fail(*step, "no file dialog is open");
        break;
      default:
        if (!Plan(*step, *window)) break;
        if (actions_.empty()) continue;  // nothing happens; a note says why
        acting_ = step;
        acting_window_ = window;
        return RunNextAction();
    }
  }
  return EndOfScript();
}

bool ScriptPlayer::RunNextAction() {
  Action action = std::move(actions_.front());
  actions_.pop_front();
  if (acting_window_ == nullptr) {
    Fail(*acting_, "the window closed before the step was done");
  } else if (UserWindow() != acting_window_) {
    Fail(*acting_, "window \"" + UserWindow()->title +
                       "\" came up before the step was done");
  } else if (action(*acting_window_)) {
    return true;
  }
  return EndOfScript();
}

bool ScriptPlayer::EndOfScript() {
  actions_.clear();
  Window* window = UserWindow();
  if (window == nullptr) return false;
  if (!end_announced_) {
    out_ << (stopped_ ? "-- the script stops here\n"
                      : "-- end of the script\n");
    end_announced_ = true;
  }
  if (asked_to_close_.contains(window) ||
      close_requests_ >= kMaxCloseRequests) {
    out_ << "-- window " << QuoteText(window->title)
         << " stays open: no more input, its loop ends\n";
    return false;
  }
  asked_to_close_.insert(window);
  ++close_requests_;
  out_ << "-- window " << QuoteText(window->title)
       << " waits for input: closing it\n";
  UserCloseWindow(*window);
  return true;
}

void ScriptPlayer::WindowClosed(const Window& window) {
  out_ << kIndent << "window " << QuoteText(window.title) << " closes\n";
  if (&window == acting_window_) acting_window_ = nullptr;
  asked_to_close_.erase(&window);
}

int ScriptPlayer::AnswerMessageBox(const MessageBoxRequest& box) {
  out_ << kIndent << "message box " << QuoteText(box.caption) << '\n';
  for (const std::string& line : box.lines)
    out_ << kIndent << "  | " << ToUtf8(line) << '\n';
  std::string buttons;
  for (const MessageBoxButton& button : box.buttons)
    buttons += (buttons.empty() ? "" : ", ") + PlainLabel(button.text);
  out_ << kIndent << "  buttons " << ToUtf8(buttons);
  if (box.default_button < box.buttons.size())
    out_ << " (default "
         << ToUtf8(PlainLabel(box.buttons[box.default_button].text)) << ')';
  out_ << '\n';
  const ScriptStep* step = NextStep();
  if (step == nullptr) {
    Note("closed without a button: the script has ended");
    return 0;
  }
  if (step->command != ScriptCommand::kAnswer &&
      step->command != ScriptCommand::kClose) {
    Fail(*step, "message box \"" + box.caption +
                    "\" is open: the next step must answer it (answer "
                    "BUTTON, or close)");
    return 0;
  }
  ++next_;
  Echo(*step);
  if (step->command == ScriptCommand::kClose) return 0;
  std::string wanted = NormalizeLabel(step->text);
  for (const MessageBoxButton& button : box.buttons) {
    if (NormalizeLabel(button.text) == wanted) return button.mask;
  }
  Fail(*step, "the message box has no button \"" + step->text +
                  "\" (its buttons: " + buttons + ")");
  return 0;
}

std::optional<std::vector<std::string>> ScriptPlayer::AnswerFileDialog(
    const FileDialogRequest& dialog) {
  namespace fs = std::filesystem;
  out_ << kIndent << "file dialog " << QuoteText(dialog.title) << " ("
       << (dialog.directory ? "directory"
           : dialog.save    ? "save"
                            : "open");
  if (dialog.multi_select) out_ << ", several files";
  out_ << ')';
  for (std::size_t i = 0; i < dialog.filters.size(); ++i) {
    out_ << (i == 0 ? ", filter " : " | ")
         << ToUtf8(dialog.filters[i].description) << ' '
         << ToUtf8(dialog.filters[i].pattern);
  }
  if (!dialog.initial_file.empty())
    out_ << ", file " << QuoteText(dialog.initial_file);
  out_ << '\n';
  const ScriptStep* step = NextStep();
  if (step == nullptr) {
    Note("cancelled: the script has ended");
    return std::nullopt;
  }
  if (step->command != ScriptCommand::kPick &&
      step->command != ScriptCommand::kCancel &&
      step->command != ScriptCommand::kClose) {
    Fail(*step, "file dialog \"" + dialog.title +
                    "\" is open: the next step must answer it (pick PATH, "
                    "or cancel)");
    return std::nullopt;
  }
  ++next_;
  Echo(*step);
  if (step->command != ScriptCommand::kPick) return std::nullopt;
  // A name without a directory is taken in the dialog's directory, as the
  // dialog would take it.
  std::error_code ignored;
  fs::path base = dialog.initial_directory.empty()
                      ? fs::current_path(ignored)
                      : fs::absolute(dialog.initial_directory, ignored);
  std::vector<std::string> paths;
  std::string_view rest = step->text;
  for (;;) {
    std::size_t bar = dialog.multi_select ? rest.find('|') : rest.npos;
    fs::path path = (base / fs::path(rest.substr(0, bar))).lexically_normal();
    if (dialog.must_exist &&
        !(dialog.directory ? fs::is_directory(path, ignored)
                           : fs::is_regular_file(path, ignored))) {
      Fail(*step, "the dialog refuses \"" + path.string() + "\": no such " +
                      (dialog.directory ? "directory" : "file"));
      return std::nullopt;
    }
    paths.push_back(path.string());
    if (bar == rest.npos) break;
    rest.remove_prefix(bar + 1);
  }
  return paths;
}

void ScriptPlayer::Expect(const ScriptStep& step, Window& window) {
  ScriptView view(window, gui_);
  std::string problem;
  ControlState* control = view.Find(step.target, &problem);
  if (control == nullptr) return Fail(step, problem, /*stop=*/false);
  std::string shown = view.Value(*control);
  if (shown == step.text) return;
  Fail(step,
       "expected \"" + step.text + "\", the window shows \"" + shown + "\"",
       /*stop=*/false);
}

int ScriptPlayer::Finish() {
  if (!stopped_ && !actions_.empty()) {
    Fail(*acting_, "the program ended before the step was done");
  } else if (const ScriptStep* step = NextStep()) {
    Fail(*step, "the program ended before this step");
  }
  if (problems_ == 0) {
    out_ << "result 0: the script ran to its end\n";
    return kScriptPassed;
  }
  out_ << "result 1: " << problems_
       << (problems_ == 1 ? " problem" : " problems")
       << ", the first: " << ToUtf8(first_problem_) << '\n';
  return kScriptFailed;
}

// Planning the input steps.

ControlState* ScriptPlayer::Target(const ScriptStep& step,
                                   const ScriptView& view) {
  std::string problem;
  ControlState* control = view.Find(step.target, &problem);
  if (control == nullptr) Fail(step, problem);
  return control;
}

bool ScriptPlayer::Reachable(const ScriptView& view,
                             const ControlState& control) {
  if (view.window().Usable(control.number())) return true;
  Note(Describe(view, control) + " is disabled or hidden: nothing happens");
  return false;
}

void ScriptPlayer::FocusFirst(const ScriptView& view, std::int16_t control) {
  if (view.window().focus == control) return;
  actions_.push_back([control](Window& w) {
    UserFocus(w, control);
    return true;
  });
}

void ScriptPlayer::AddClick(std::int16_t control) {
  actions_.push_back([control](Window& w) {
    UserClick(w, control);
    return true;
  });
}

bool ScriptPlayer::Plan(const ScriptStep& step, Window& window) {
  ScriptView view(window, gui_);
  switch (step.command) {
    case ScriptCommand::kClick:
      return PlanClick(step, view);
    case ScriptCommand::kFocus:
      return PlanFocus(step, view);
    case ScriptCommand::kType:
      return PlanType(step, view);
    case ScriptCommand::kSet:
      return PlanSet(step, view);
    case ScriptCommand::kChoose:
      return PlanChoose(step, view);
    case ScriptCommand::kTab:
      return PlanTab(step, view);
    case ScriptCommand::kLetter:
      return PlanLetter(step, view);
    case ScriptCommand::kKey:
      return PlanKey(step, view);
    case ScriptCommand::kClose:
      actions_.push_back([](Window& w) {
        UserCloseWindow(w);
        return true;
      });
      return true;
    default:
      return true;
  }
}

// A pointer click: controls that take the focus take it first, as the
// press of the mouse button gives it to them before the click counts.
bool ScriptPlayer::PlanClick(const ScriptStep& step, const ScriptView& view) {
  ControlState* control = Target(step, view);
  if (control == nullptr) return false;
  std::string name = Describe(view, *control);
  switch (control->kind()) {
    case ControlKind::kMenu:
      Fail(step, name + " is a menu: click one of its items (" +
                     view.Label(*control) + "/ITEM)");
      return false;
    case ControlKind::kOption:
      Fail(step, name +
                     " is an option: click one of its radio buttons or "
                     "choose one by number");
      return false;
    case ControlKind::kTab:
      return PlanSelectTab(step, view, *control);
    default:
      break;
  }
  if (!Reachable(view, *control)) return true;
  std::int16_t number = control->number();
  if (KindTakesFocus(control->kind())) FocusFirst(view, number);
  switch (control->kind()) {
    case ControlKind::kButton:
    case ControlKind::kCheck:
    case ControlKind::kRadio:
    case ControlKind::kMenuItem:
    case ControlKind::kRegion:
    case ControlKind::kImage:
      AddClick(number);
      break;
    default:
      if (!KindTakesFocus(control->kind()))
        Note(name + " shows text only: nothing happens");
      break;
  }
  return true;
}

bool ScriptPlayer::PlanFocus(const ScriptStep& step, const ScriptView& view) {
  ControlState* control = Target(step, view);
  if (control == nullptr) return false;
  if (!KindTakesFocus(control->kind())) {
    Fail(step, Describe(view, *control) + " cannot take the focus");
    return false;
  }
  if (Reachable(view, *control)) FocusFirst(view, control->number());
  return true;
}

bool ScriptPlayer::PlanType(const ScriptStep& step, const ScriptView& view) {
  Window& window = view.window();
  ControlState* control = window.Find(window.focus);
  if (control == nullptr || !KindIsEditable(control->kind()) ||
      !window.Usable(control->number())) {
    Fail(step, "no field the user can type into has the focus");
    return false;
  }
  actions_.push_back([text = LineBreaksFor(*control, step.text)](Window& w) {
    UserTypeText(w, text);
    return true;
  });
  return true;
}

// Focus, replace the whole text, leave with the Tab key (Accepted).
bool ScriptPlayer::PlanSet(const ScriptStep& step, const ScriptView& view) {
  ControlState* control = Target(step, view);
  if (control == nullptr) return false;
  if (!KindIsEditable(control->kind())) {
    Fail(step, Describe(view, *control) +
                   " is not a field the user types into (click, choose or "
                   "letter act on other controls)");
    return false;
  }
  if (!Reachable(view, *control)) return true;
  std::int16_t number = control->number();
  FocusFirst(view, number);
  actions_.push_back(
      [this, number, text = LineBreaksFor(*control, step.text)](Window& w) {
        ControlState* field = w.Find(number);
        if (field == nullptr || w.focus != number) {
          Fail(*acting_, "the focus left the field before its text was set");
          return false;
        }
        UserSetText(w, number, text);
        gui_.ShowControlState(w, *field);  // the widget shows what was typed
        ScriptView view(w, gui_);
        std::int16_t next = view.NextInTabOrder(number);
        if (next == 0) {
          Note("no other control takes the focus: the text stays in the field");
        } else {
          UserFocus(w, next);
        }
        return true;
      });
  return true;
}

bool ScriptPlayer::PlanChoose(const ScriptStep& step, const ScriptView& view) {
  ControlState* control = Target(step, view);
  if (control == nullptr) return false;
  std::string name = Describe(view, *control);
  std::vector<std::string> labels;
  std::vector<const ControlState*> members;
  switch (control->kind()) {
    case ControlKind::kList:
    case ControlKind::kDropList:
    case ControlKind::kCombo:
      labels = view.Entries(*control);
      break;
    case ControlKind::kOption:
    case ControlKind::kSheet:
      members = view.Members(*control);
      for (const ControlState* member : members)
        labels.push_back(view.Label(*member));
      break;
    default:
      Fail(step, name + " has no entries to choose from");
      return false;
  }
  int index = ChooseIndex(step, labels);
  if (index == 0) {
    Fail(step, step.number > 0
                   ? name + " has " + std::to_string(labels.size()) + " entries"
                   : name + " has no entry \"" + step.text + "\"");
    return false;
  }
  if (control->kind() == ControlKind::kSheet)
    return PlanSelectTab(step, view, *members[index - 1]);
  const ControlState& chosen = members.empty() ? *control : *members[index - 1];
  if (!Reachable(view, chosen)) return true;
  FocusFirst(view, chosen.number());
  if (!members.empty()) {
    AddClick(chosen.number());
  } else {
    actions_.push_back([number = chosen.number(), index](Window& w) {
      UserChooseEntry(w, number, index);
      return true;
    });
  }
  return true;
}

bool ScriptPlayer::PlanSelectTab(const ScriptStep& step, const ScriptView& view,
                                 const ControlState& tab) {
  std::int16_t sheet = tab.description.parent;
  const ControlState* sheet_control = view.window().Find(sheet);
  std::vector<const ControlState*> tabs;
  if (sheet_control != nullptr) tabs = view.Members(*sheet_control);
  auto at = std::find(tabs.begin(), tabs.end(), &tab);
  if (at == tabs.end()) {
    Fail(step, Describe(view, tab) + " is on no sheet");
    return false;
  }
  if (!Reachable(view, tab)) return true;
  actions_.push_back(
      [sheet, index = static_cast<int>(at - tabs.begin()) + 1](Window& w) {
        UserSelectTab(w, sheet, index);
        return true;
      });
  return true;
}

bool ScriptPlayer::PlanTab(const ScriptStep& step, const ScriptView& view) {
  std::string wanted = NormalizeLabel(step.text);
  const ControlState* found = nullptr;
  for (const ControlState& c : view.window().controls()) {
    if (c.kind() != ControlKind::kTab ||
        NormalizeLabel(view.Label(c)) != wanted)
      continue;
    if (found == nullptr || view.window().Usable(c.number())) found = &c;
    if (view.window().Usable(c.number())) break;
  }
  if (found == nullptr) {
    Fail(step, "window \"" + view.window().title + "\" has no tab \"" +
                   step.text + "\"");
    return false;
  }
  return PlanSelectTab(step, view, *found);
}

// The letter selector: an option whose radio buttons are the letters.
bool ScriptPlayer::PlanLetter(const ScriptStep& step, const ScriptView& view) {
  const ControlState* radio = nullptr;
  bool selector = false;
  for (const ControlState& c : view.window().controls()) {
    if (c.kind() != ControlKind::kOption) continue;
    std::vector<const ControlState*> radios = view.Members(c);
    bool letters = !radios.empty();
    const ControlState* match = nullptr;
    for (const ControlState* r : radios) {
      std::string label = view.Label(*r);
      letters = letters && label.size() == 1 &&
                std::isalpha(static_cast<unsigned char>(label[0]));
      if (NormalizeLabel(label) == NormalizeLabel(step.text)) match = r;
    }
    if (!letters) continue;
    selector = true;
    if (match != nullptr) {
      radio = match;
      break;
    }
  }
  if (radio == nullptr) {
    Fail(step, selector ? "the letter selector has no letter " + step.text
                        : "window \"" + view.window().title +
                              "\" has no letter selector");
    return false;
  }
  if (!Reachable(view, *radio)) return true;
  FocusFirst(view, radio->number());
  AddClick(radio->number());
  return true;
}

// A key; a shortcut clicks the menu item that shows it.
bool ScriptPlayer::PlanKey(const ScriptStep& step, const ScriptView& view) {
  if (step.text.empty()) {
    actions_.push_back([code = step.number](Window& w) {
      UserPressKey(w, code);
      return true;
    });
    return true;
  }
  const ControlState* item = nullptr;
  for (const ControlState& c : view.window().controls()) {
    if (c.kind() != ControlKind::kMenuItem) continue;
    const std::string& text = c.description.text;
    std::size_t tab = text.find('\t');
    std::string shown = !c.description.shortcut.empty() ? c.description.shortcut
                        : tab == std::string::npos      ? std::string()
                                                        : text.substr(tab + 1);
    if (NormalizeShortcut(shown) != step.text) continue;
    if (item == nullptr || view.window().Usable(c.number())) item = &c;
    if (view.window().Usable(c.number())) break;
  }
  if (item == nullptr) {
    Fail(step, "no menu item of window \"" + view.window().title +
                   "\" has the shortcut " + step.text);
    return false;
  }
  if (Reachable(view, *item)) AddClick(item->number());
  return true;
}

}  // namespace

int RunScriptSession(std::istream& script, std::string_view script_name,
                     std::ostream& transcript,
                     const std::function<void()>& program) {
  std::string text{std::istreambuf_iterator<char>(script),
                   std::istreambuf_iterator<char>()};
  if (script.bad()) {
    transcript << script_name << ": the script cannot be read\n";
    return kScriptMalformed;
  }
  ParsedScript parsed = ParseUserScript(text);
  if (parsed.error_line != 0) {
    transcript << script_name << ':' << parsed.error_line << ": "
               << parsed.error << '\n';
    return kScriptMalformed;
  }
  transcript << "-- script " << script_name << '\n';
  HeadlessBackend gui;
  gui.OnScriptExhausted(nullptr);
  ScriptPlayer player(std::move(parsed.steps), transcript, gui);
  gui.SetUser(&player);
  program();
  // Windows the program left open are not the next session's.
  while (Window* window = TopWindow()) {
    transcript << "-- the program left window " << QuoteText(window->title)
               << " open\n";
    CloseWindow(window);
  }
  int result = player.Finish();
  gui.SetUser(nullptr);
  return result;
}

}  // namespace vantrel
