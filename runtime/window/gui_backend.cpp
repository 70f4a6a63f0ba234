#include "runtime/window/gui_backend.h"

namespace vantrel {
namespace {

// The backend used when none is installed: nothing is shown, nothing comes.
class NoBackend final : public GuiBackend {
 public:
  void OpenNativeWindow(Window&) override {}
  void CloseNativeWindow(Window&) override {}
  void ShowWindowState(Window&) override {}
  void ShowControlState(Window&, const ControlState&) override {}
  void ControlCreated(Window&, const ControlState&) override {}
  void ControlDestroyed(Window&, std::int16_t) override {}
  void ShowFocus(Window&, std::int16_t) override {}
  void SetTimer(Window&, int) override {}
  bool WaitForInput() override { return false; }
  int RunMessageBox(const MessageBoxRequest&) override { return 0; }
  std::optional<std::vector<std::string>> RunFileDialog(
      const FileDialogRequest&) override {
    return std::nullopt;
  }
  void ShowHelp(std::string_view, std::string_view) override {}
  void Beep() override {}
};

NoBackend no_backend;
GuiBackend* installed = nullptr;

}  // namespace

GuiBackend* SetGuiBackend(GuiBackend* backend) {
  GuiBackend* previous = installed;
  installed = backend;
  return previous;
}

GuiBackend& Backend() { return installed != nullptr ? *installed : no_backend; }

}  // namespace vantrel
