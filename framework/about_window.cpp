#include "framework/about_window.h"

#include "runtime/window/events.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {}  // namespace

AboutWindow::AboutWindow(ErrorManager& errors, IniManager& ini) : ini_(ini) {
  ERRORS = &errors;
}

WindowDescription AboutWindow::Description() {
  WindowDescription window;
  window.title = "About Vantrel";
  window.icon = "~Vantrel.ico";
  window.layout = {0, 0, 160, 72};
  window.resizable = false;
  window.modal = true;
  ControlDescription icon =
      MakeControl(kAboutIcon, ControlKind::kImage, "", {8, 8, 20, 20});
  icon.icon = "~Vantrel.ico";
  window.controls = {
      icon,
      MakeControl(kAboutName, ControlKind::kPrompt, kProgramName,
                  {36, 8, 116, 10}),
      MakeControl(kAboutVersion, ControlKind::kPrompt, kProgramVersion,
                  {36, 22, 116, 10}),
      MakeControl(kAboutClose, ControlKind::kButton, "Close", {56, 50, 48, 14}),
  };
  return window;
}

Level AboutWindow::Init() {
  ERRORS->SetProcedureName(kAboutProcedure);
  Level level = WindowManager::Init();
  if (level != Level::Proceed) return level;
  window_ = &OpenWindow(Description());
  OPENED = 1;
  ini_.FetchWindow(kAboutProcedure, *window_);
  AddButton(kAboutClose, kRequestCancelled);
  FIRSTFIELD = kAboutClose;
  SetAlerts();
  return Level::Proceed;
}

void AboutWindow::Kill() {
  if (DEAD) return;
  if (window_ != nullptr) {
    if (OPENED) ini_.UpdateWindow(kAboutProcedure, *window_);
    CloseWindow(window_);
    window_ = nullptr;
  }
  WindowManager::Kill();
  ERRORS->SetProcedureName();
}

void ShowAboutWindow(ErrorManager& errors, IniManager& ini) {
  AboutWindow(errors, ini).Run();
}

}  // namespace vantrel
