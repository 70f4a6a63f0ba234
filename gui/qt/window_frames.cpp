#include "gui/qt/window_frames.h"

#include <QCloseEvent>

namespace vantrel::qt {
namespace {

void Activated(QWidget* frame, QEvent* event, const FrameHooks& hooks) {
  if (event->type() != QEvent::ActivationChange) return;
  const std::function<void()>& hook =
      frame->isActiveWindow() ? hooks.on_activate : hooks.on_deactivate;
  if (hook) hook();
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
  Activated(this, event, hooks_);
  QMainWindow::changeEvent(event);
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
  Activated(this, event, hooks_);
  QDialog::changeEvent(event);
}

}  // namespace vantrel::qt
