#include "gui/qt/window_frames.h"

#include <QCloseEvent>

namespace vantrel::qt {
namespace {

void Changed(QWidget* frame, QEvent* event, const FrameHooks& hooks) {
  if (event->type() == QEvent::WindowStateChange && hooks.on_placed) {
    hooks.on_placed();
    return;
  }
  if (event->type() != QEvent::ActivationChange) return;
  const std::function<void()>& hook =
      frame->isActiveWindow() ? hooks.on_activate : hooks.on_deactivate;
  if (hook) hook();
}

void Placed(const FrameHooks& hooks) {
  if (hooks.on_placed) hooks.on_placed();
}

}  // namespace

MainFrame::MainFrame(FrameHooks hooks, QWidget* parent)
    : QMainWindow(parent, parent != nullptr ? Qt::Dialog : Qt::Window),
      hooks_(std::move(hooks)) {}

void MainFrame::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (hooks_.on_close) hooks_.on_close();
}

void MainFrame::changeEvent(QEvent* event) {
  Changed(this, event, hooks_);
  QMainWindow::changeEvent(event);
}

void MainFrame::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  Placed(hooks_);
}

void MainFrame::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  Placed(hooks_);
}

DialogFrame::DialogFrame(FrameHooks hooks, QWidget* parent)
    : QDialog(parent), hooks_(std::move(hooks)) {}

void DialogFrame::reject() {
  if (hooks_.on_close) hooks_.on_close();
}

void DialogFrame::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (hooks_.on_close) hooks_.on_close();
}

void DialogFrame::changeEvent(QEvent* event) {
  Changed(this, event, hooks_);
  QDialog::changeEvent(event);
}

void DialogFrame::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  Placed(hooks_);
}

void DialogFrame::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  Placed(hooks_);
}

}  // namespace vantrel::qt
