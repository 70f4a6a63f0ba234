#include "gui/headless/headless_backend.h"

#include <algorithm>
#include <iostream>

#include "runtime/window/events.h"
#include "runtime/window/list_source.h"
#include "runtime/window/user_input.h"

namespace vantrel {

HeadlessBackend::HeadlessBackend() : previous_(SetGuiBackend(this)) {
  on_exhausted_ = [](const std::string& message) {
    std::cerr << "headless backend: " << message << '\n';
  };
}

HeadlessBackend::~HeadlessBackend() { SetGuiBackend(previous_); }

HeadlessBackend& HeadlessBackend::Add(std::string what,
                                      std::function<void(Window&)> action) {
  steps_.push_back(
      {std::move(next_target_), std::move(what), std::move(action)});
  next_target_.clear();
  return *this;
}

HeadlessBackend& HeadlessBackend::On(std::string title) {
  next_target_ = std::move(title);
  return *this;
}

HeadlessBackend& HeadlessBackend::Focus(std::int16_t control) {
  return Add("focus " + std::to_string(control),
             [control](Window& w) { UserFocus(w, control); });
}

HeadlessBackend& HeadlessBackend::Type(std::string text) {
  return Add("type \"" + text + "\"",
             [text](Window& w) { UserTypeText(w, text); });
}

HeadlessBackend& HeadlessBackend::PressKey(std::int32_t key_code,
                                           std::uint8_t key_state,
                                           std::uint8_t key_char) {
  return Add("press key " + std::to_string(key_code), [=](Window& w) {
    UserPressKey(w, key_code, key_state, key_char);
  });
}

HeadlessBackend& HeadlessBackend::Click(std::int16_t control) {
  return Add("click " + std::to_string(control),
             [control](Window& w) { UserClick(w, control); });
}

HeadlessBackend& HeadlessBackend::ChooseEntry(std::int16_t control, int entry) {
  return Add("choose entry " + std::to_string(entry) + " of " +
                 std::to_string(control),
             [=](Window& w) { UserChooseEntry(w, control, entry); });
}

HeadlessBackend& HeadlessBackend::SelectTab(std::int16_t sheet, int tab) {
  return Add(
      "select tab " + std::to_string(tab) + " of " + std::to_string(sheet),
      [=](Window& w) { UserSelectTab(w, sheet, tab); });
}

HeadlessBackend& HeadlessBackend::MoveMouse(std::int32_t x, std::int32_t y) {
  return Add("move mouse", [=](Window& w) { UserMoveMouse(w, x, y); });
}

HeadlessBackend& HeadlessBackend::Activate() {
  return Add("activate", [](Window& w) { UserActivate(w); });
}

HeadlessBackend& HeadlessBackend::Close() {
  return Add("close", [](Window& w) { UserCloseWindow(w); });
}

HeadlessBackend& HeadlessBackend::Place(WindowPlacement placement) {
  return Add("place",
             [placement](Window& w) { UserPlaceWindow(w, placement); });
}

HeadlessBackend& HeadlessBackend::Act(std::int16_t control,
                                      std::int32_t event) {
  return Add("field event " + std::to_string(event),
             [=](Window& w) { UserFieldAction(w, control, event); });
}

HeadlessBackend& HeadlessBackend::ActOnWindow(std::int32_t event) {
  return Add("window event " + std::to_string(event),
             [=](Window& w) { UserWindowAction(w, event); });
}

HeadlessBackend& HeadlessBackend::TickTimer(int ticks) {
  return Add("tick timer", [this, ticks](Window& w) {
    if (Record(w).timer == 0) return;
    for (int i = 0; i < ticks; ++i) vantrel::TimerTick(w);
  });
}

HeadlessBackend& HeadlessBackend::Then(std::function<void()> action) {
  return Add("action", [action = std::move(action)](Window&) { action(); });
}

void HeadlessBackend::AnswerMessageBox(int mask) {
  message_answers_.push_back(mask);
}

void HeadlessBackend::AnswerFileDialog(std::vector<std::string> paths) {
  file_answers_.push_back({true, std::move(paths)});
}

void HeadlessBackend::CancelFileDialog() { file_answers_.push_back({}); }

const HeadlessBackend::ShownWindow* HeadlessBackend::Shown(
    std::string_view title) const {
  for (auto it = shown_.rbegin(); it != shown_.rend(); ++it) {
    if (it->title == title) return &*it;
  }
  return nullptr;
}

const HeadlessBackend::ShownWindow* HeadlessBackend::Shown(
    const Window& window) const {
  auto it = shown_index_.find(&window);
  return it == shown_index_.end() ? nullptr : &shown_[it->second];
}

Window* HeadlessBackend::Target(const std::string& title) const {
  if (title.empty()) return ActiveWindow();
  for (auto it = open_windows_.rbegin(); it != open_windows_.rend(); ++it) {
    if ((*it)->title == title) return *it;
  }
  return nullptr;
}

HeadlessBackend::ShownWindow& HeadlessBackend::Record(Window& window) {
  auto it = shown_index_.find(&window);
  if (it == shown_index_.end()) {
    shown_.emplace_back();
    it = shown_index_.emplace(&window, shown_.size() - 1).first;
  }
  return shown_[it->second];
}

void HeadlessBackend::Fail(const std::string& message) {
  if (on_exhausted_) on_exhausted_(message);
}

void HeadlessBackend::OpenNativeWindow(Window& window) {
  shown_.emplace_back();
  shown_index_[&window] = shown_.size() - 1;
  open_windows_.push_back(&window);
  ShowWindowState(window);
  ShowPlacement(window);
  for (const ControlState& control : window.controls())
    ShowControlState(window, control);
  if (user_ != nullptr) user_->WindowOpened(window);
}

void HeadlessBackend::CloseNativeWindow(Window& window) {
  if (user_ != nullptr) user_->WindowClosed(window);
  Record(window).open = false;
  shown_index_.erase(&window);
  std::erase(open_windows_, &window);
}

void HeadlessBackend::ShowWindowState(Window& window) {
  ShownWindow& shown = Record(window);
  shown.title = window.title;
  shown.icon = window.icon;
}

void HeadlessBackend::ShowPlacement(Window& window) {
  Record(window).placement = window.placement;
}

void HeadlessBackend::ShowControlState(Window& window,
                                       const ControlState& control) {
  ShownControl& shown = Record(window).controls[control.number()];
  shown.kind = control.kind();
  shown.value = control.value;
  shown.enabled = control.enabled;
  shown.hidden = control.hidden;
  shown.choice = control.choice;
  shown.selection_start = control.selection_start;
  shown.selection_end = control.selection_end;
  shown.entries = ListEntries(control);
}

void HeadlessBackend::ControlCreated(Window& window,
                                     const ControlState& control) {
  ShowControlState(window, control);
}

void HeadlessBackend::ControlDestroyed(Window& window, std::int16_t number) {
  Record(window).controls.erase(number);
}

void HeadlessBackend::ShowFocus(Window& window, std::int16_t control) {
  Record(window).focus = control;
}

void HeadlessBackend::SetTimer(Window& window, int hundredths) {
  Record(window).timer = hundredths;
}

bool HeadlessBackend::WaitForInput() {
  Window* waiting = TopWindow();
  if (steps_.empty() && user_ != nullptr) return user_->Act();
  if (steps_.empty()) {
    Fail("the script ran out while the loop of window \"" +
         (waiting != nullptr ? waiting->title : std::string()) +
         "\" waits for input");
    return false;
  }
  Step step = std::move(steps_.front());
  steps_.pop_front();
  Window* target = Target(step.target);
  if (target == nullptr) {
    Fail("no window \"" + step.target + "\" for the step: " + step.what);
    return false;
  }
  step.action(*target);
  return true;
}

int HeadlessBackend::RunMessageBox(const MessageBoxRequest& request) {
  message_boxes_.push_back(request);
  if (message_answers_.empty() && user_ != nullptr)
    return user_->AnswerMessageBox(request);
  if (message_answers_.empty()) {
    Fail("no answer queued for the message box \"" + request.caption + "\"");
    return 0;
  }
  int answer = message_answers_.front();
  message_answers_.pop_front();
  return answer;
}

std::optional<std::vector<std::string>> HeadlessBackend::RunFileDialog(
    const FileDialogRequest& request) {
  file_dialogs_.push_back(request);
  if (file_answers_.empty() && user_ != nullptr)
    return user_->AnswerFileDialog(request);
  if (file_answers_.empty()) {
    Fail("no answer queued for the file dialog \"" + request.title + "\"");
    return std::nullopt;
  }
  FileAnswer answer = std::move(file_answers_.front());
  file_answers_.pop_front();
  if (!answer.confirmed) return std::nullopt;
  return std::move(answer.paths);
}

void HeadlessBackend::ShowHelp(std::string_view help_file,
                               std::string_view topic) {
  help_shown_.push_back({std::string(help_file), std::string(topic)});
  if (user_ != nullptr) user_->HelpShown(help_file, topic);
}

}  // namespace vantrel
