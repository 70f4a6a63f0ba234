// The Qt 6 Widgets backend of the window runtime. Create it after the
// QApplication; it installs itself as the runtime's backend and puts back
// the one it replaced when it goes.
//
//   QApplication app(argc, argv);
//   vantrel::qt::QtBackend gui;
//   RunMainWindow();  // OpenWindow, AcceptLoop, CloseWindow ...
//
// The runtime drives: WaitForInput runs Qt's event loop until the user has
// done something the runtime hears of; widgets show what the statements
// set. Keys that a window or control alerts go to the runtime before the
// widget sees them (in a text or entry they still act afterwards, once the
// runtime has taken PreAlert and AlertKey).
#ifndef VANTREL_GUI_QT_QT_BACKEND_H_
#define VANTREL_GUI_QT_QT_BACKEND_H_

#include <QObject>
#include <QPointer>
#include <deque>
#include <map>
#include <memory>

#include "runtime/window/gui_backend.h"

class QKeyEvent;

namespace vantrel::qt {

class HelpWindow;
class NativeWindow;

class QtBackend final : public QObject, public GuiBackend {
 public:
  QtBackend();
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

  // The native side of an open window; nullptr when it has none.
  NativeWindow* NativeOf(const Window& window) const;
  // The window whose frame holds the widget; nullptr when none.
  NativeWindow* NativeOf(const QWidget* widget) const;
  HelpWindow* help_window() const;
  // No more input will come: every waiting loop ends (WaitForInput returns
  // false from now on). For a program that is told to stop.
  void RequestQuit() { quit_ = true; }

  // GuiBackend.
  void OpenNativeWindow(Window& window) override;
  void CloseNativeWindow(Window& window) override;
  void ShowWindowState(Window& window) override;
  void ShowPlacement(Window& window) override;
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
  void Beep() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A key held back from a text until the runtime has taken its alert.
  struct HeldKey {
    QPointer<QObject> target;
    std::unique_ptr<QKeyEvent> event;
  };
  void FocusChanged(QWidget* now);
  bool KeyPressed(QObject* target, QKeyEvent* event);
  // Whether the key is the shortcut of an enabled menu item of the window.
  bool IsMenuShortcut(QObject* target, QKeyEvent* event) const;
  void ReplayHeldKeys();
  // The frame dialogs are shown over: that of the active window.
  QWidget* DialogOwner() const;
  bool AnyWindowShown() const;

  GuiBackend* previous_;
  std::map<const Window*, std::unique_ptr<NativeWindow>> windows_;
  std::deque<HeldKey> held_keys_;
  bool replaying_ = false;
  bool quit_ = false;
  QPointer<HelpWindow> help_;
};

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_QT_BACKEND_H_
