// The top-level widgets of runtime windows. A close box, Alt+F4 or Escape
// in a dialog do not close the window: they are reported, and the runtime
// decides. Activation, moves, sizes and the window's state are reported
// too.
#ifndef VANTREL_GUI_QT_WINDOW_FRAMES_H_
#define VANTREL_GUI_QT_WINDOW_FRAMES_H_

#include <QDialog>
#include <QMainWindow>
#include <functional>

namespace vantrel::qt {

struct FrameHooks {
  std::function<void()> on_close;       // the user asked to close
  std::function<void()> on_activate;    // the window became active
  std::function<void()> on_deactivate;  // it is no longer active
  std::function<void()> on_placed;      // moved, sized, maximized, iconized ...
};

// A window with a menu bar, or any window that is not modal.
class MainFrame : public QMainWindow {
 public:
  MainFrame(FrameHooks hooks, QWidget* parent);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  FrameHooks hooks_;
};

// A modal window.
class DialogFrame : public QDialog {
 public:
  DialogFrame(FrameHooks hooks, QWidget* parent);
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  FrameHooks hooks_;
};

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_WINDOW_FRAMES_H_
