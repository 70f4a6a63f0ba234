#include "gui/qt/qt_backend.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>

#include "gui/qt/control_view.h"
#include "gui/qt/file_dialog_runner.h"
#include "gui/qt/help_window.h"
#include "gui/qt/icon_library.h"
#include "gui/qt/input_report.h"
#include "gui/qt/key_codes.h"
#include "gui/qt/message_box_dialog.h"
#include "gui/qt/native_window.h"
#include "gui/qt/text_edge.h"
#include "runtime/window/events.h"
#include "runtime/window/user_input.h"

namespace vantrel::qt {
namespace {

bool Contains(const std::vector<std::int32_t>& keys, std::int32_t key) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

}  // namespace

QtBackend::QtBackend() : previous_(SetGuiBackend(this)) {
  Q_ASSERT(qApp != nullptr);
  QApplication::setWindowIcon(ApplicationIcon());
  qApp->installEventFilter(this);
  QObject::connect(qApp, &QApplication::focusChanged, this,
                   [this](QWidget*, QWidget* now) { FocusChanged(now); });
}

QtBackend::~QtBackend() {
  qApp->removeEventFilter(this);
  windows_.clear();
  delete help_.data();
  SetGuiBackend(previous_);
}

NativeWindow* QtBackend::NativeOf(const Window& window) const {
  auto it = windows_.find(&window);
  return it == windows_.end() ? nullptr : it->second.get();
}

NativeWindow* QtBackend::NativeOf(const QWidget* widget) const {
  if (widget == nullptr) return nullptr;
  const QWidget* frame = widget->window();
  for (const auto& [window, native] : windows_) {
    if (native->frame() == frame) return native.get();
  }
  return nullptr;
}

HelpWindow* QtBackend::help_window() const { return help_.data(); }

QWidget* QtBackend::DialogOwner() const {
  Window* active = ActiveWindow();
  NativeWindow* native = active != nullptr ? NativeOf(*active) : nullptr;
  return native != nullptr ? native->frame() : QApplication::activeWindow();
}

void QtBackend::OpenNativeWindow(Window& window) {
  // The runtime makes the new window active after this call; the active one
  // now is the window it opens over.
  Window* over = ActiveWindow();
  NativeWindow* owner = over != nullptr ? NativeOf(*over) : nullptr;
  auto native = std::make_unique<NativeWindow>(
      window, owner != nullptr ? owner->frame() : nullptr);
  window.native = native.get();
  windows_[&window] = std::move(native);
}

void QtBackend::CloseNativeWindow(Window& window) {
  auto it = windows_.find(&window);
  if (it == windows_.end()) return;
  std::unique_ptr<NativeWindow> closing = std::move(it->second);
  windows_.erase(it);
  window.native = nullptr;
  ShowingScope showing;  // focus moving elsewhere is not the user's doing
  closing.reset();
}

void QtBackend::ShowWindowState(Window& window) {
  if (NativeWindow* native = NativeOf(window)) native->ShowTitle();
}

void QtBackend::ShowPlacement(Window& window) {
  if (NativeWindow* native = NativeOf(window)) native->ShowPlacement();
}

void QtBackend::ShowControlState(Window& window, const ControlState& control) {
  if (NativeWindow* native = NativeOf(window))
    native->Refresh(control.number());
}

void QtBackend::ControlCreated(Window& window, const ControlState& control) {
  if (NativeWindow* native = NativeOf(window)) native->AddControl(control);
}

void QtBackend::ControlDestroyed(Window& window, std::int16_t number) {
  if (NativeWindow* native = NativeOf(window)) native->RemoveControl(number);
}

void QtBackend::ShowFocus(Window& window, std::int16_t control) {
  if (NativeWindow* native = NativeOf(window)) native->Focus(control);
}

void QtBackend::SetTimer(Window& window, int hundredths) {
  if (NativeWindow* native = NativeOf(window)) native->SetTimer(hundredths);
}

bool QtBackend::AnyWindowShown() const {
  for (const auto& [window, native] : windows_) {
    if (native->frame() != nullptr && native->frame()->isVisible()) return true;
  }
  return false;
}

bool QtBackend::WaitForInput() {
  ReplayHeldKeys();
  TakeInput();
  while (!TakeInput()) {
    // Nothing can come from a program without windows or one told to quit.
    if (quit_ || !AnyWindowShown()) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

void QtBackend::ReplayHeldKeys() {
  while (!held_keys_.empty()) {
    HeldKey held = std::move(held_keys_.front());
    held_keys_.pop_front();
    if (held.target == nullptr) continue;
    replaying_ = true;
    QCoreApplication::sendEvent(held.target, held.event.get());
    replaying_ = false;
  }
}

int QtBackend::RunMessageBox(const MessageBoxRequest& request) {
  return RunMessageBoxDialog(request, DialogOwner());
}

std::optional<std::vector<std::string>> QtBackend::RunFileDialog(
    const FileDialogRequest& request) {
  return RunFileDialogFor(request, DialogOwner());
}

void QtBackend::ShowHelp(std::string_view help_file, std::string_view topic) {
  bool first = help_ == nullptr;
  if (first) help_ = new HelpWindow;
  help_->Open(FromRuntime(help_file), FromRuntime(topic));
  if (QWidget* over = DialogOwner(); first && over != nullptr) {
    // Beside the program's window the first time; where the user put it
    // afterwards.
    QRect frame = over->frameGeometry();
    help_->move(frame.center() - help_->rect().center());
  }
  help_->show();
  help_->raise();
  help_->activateWindow();
}

void QtBackend::Beep() { QApplication::beep(); }

void QtBackend::FocusChanged(QWidget* now) {
  if (Showing()) return;
  NativeWindow* native = NativeOf(now);
  std::int16_t control = TaggedControl(now);
  if (native == nullptr || control == 0) return;
  Window& window = native->window();
  if (window.focus == control) return;
  ReportInput([&] { UserFocus(window, control); });
}

bool QtBackend::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Quit && watched == qApp) {
    quit_ = true;
    return false;
  }
  if (watched != QApplication::focusWidget()) return false;
  if (event->type() == QEvent::KeyPress && !replaying_)
    return KeyPressed(watched, static_cast<QKeyEvent*>(event));
  if (event->type() == QEvent::ShortcutOverride)
    return IsMenuShortcut(watched, static_cast<QKeyEvent*>(event));
  return false;
}

bool QtBackend::IsMenuShortcut(QObject* target, QKeyEvent* event) const {
  // A field would take keys such as Ctrl+D (delete a character) for its
  // editing; a menu item's shortcut wins, as the menu promises it.
  NativeWindow* native = NativeOf(qobject_cast<QWidget*>(target));
  if (native == nullptr) return false;
  QKeySequence pressed(event->keyCombination());
  for (const QAction* action : native->frame()->actions()) {
    if (action->isEnabled() && !action->shortcut().isEmpty() &&
        action->shortcut() == pressed)
      return true;
  }
  return false;
}

bool QtBackend::KeyPressed(QObject* target, QKeyEvent* event) {
  NativeWindow* native = NativeOf(qobject_cast<QWidget*>(target));
  if (native == nullptr || Showing()) return false;
  Window& window = native->window();
  std::int32_t code = RuntimeKeyCode(event->key());
  std::uint8_t state = RuntimeKeyState(event->modifiers());
  std::uint8_t typed = RuntimeKeyChar(*event);
  const ControlState* focused = window.Find(window.focus);
  bool alerted =
      Contains(window.description().alert_keys, code) ||
      (focused != nullptr && Contains(focused->description.alert_keys, code));
  if (!alerted) {
    // Only kept as the latest key of the events that follow.
    UserPressKey(window, code, state, typed);
    return false;
  }
  ReportInput([&] { UserPressKey(window, code, state, typed); });
  // In a text the key still does its work, after the runtime has seen it.
  if (focused != nullptr && KindIsEditable(focused->kind())) {
    held_keys_.push_back(
        {target,
         std::make_unique<QKeyEvent>(
             event->type(), event->key(), event->modifiers(), event->text(),
             event->isAutoRepeat(), static_cast<quint16>(event->count()))});
  }
  return true;
}

}  // namespace vantrel::qt
