// The GUI backend: the calls the window runtime makes on a platform's
// windowing system. A backend builds native windows from the window model,
// shows what the statements change, and reports what the user does through
// the calls of user_input.h, which turn it into events.
//
// The runtime never runs an event loop of its own. When an accept loop has
// no event it calls WaitForInput, which lets the platform's event loop run
// until at least one user action has been reported (or none can come any
// more). Message boxes and file dialogs are modal: the backend runs them in
// their own loop and returns the answer.
#ifndef VANTREL_RUNTIME_WINDOW_GUI_BACKEND_H_
#define VANTREL_RUNTIME_WINDOW_GUI_BACKEND_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/window/icons.h"
#include "runtime/window/window_model.h"

namespace vantrel {

// One push button of a message box.
struct MessageBoxButton {
  int mask = 0;         // what ShowMessage returns when it is pressed
  int platform_id = 0;  // the platform's id for the button
  std::string text;     // with "&" before the mnemonic
};

// A message box as the runtime builds it.
struct MessageBoxRequest {
  std::string caption;
  std::vector<std::string> lines;         // the text, split at each "|"
  Icon icon;                              // kind kNone: no icon
  std::vector<MessageBoxButton> buttons;  // in the order shown
  std::size_t default_button = 0;         // index into buttons
  std::string font_face;                  // the font lines are measured in
  int font_points = 0;
  bool font_bold = false;
};

// A file dialog as the runtime asks for it.
struct FileDialogRequest {
  struct Filter {
    std::string description;  // "Vantrel"
    std::string pattern;      // "*.vtl"
  };
  std::string title;
  std::vector<Filter> filters;
  std::string initial_directory;  // empty: the current directory
  std::string initial_file;       // file name without directory
  bool save = false;              // save-style; else open-style
  bool must_exist = false;        // open-style: the file must exist
  bool multi_select = false;
  bool directory = false;  // a directory is chosen, not a file
};

class GuiBackend {
 public:
  virtual ~GuiBackend() = default;

  // Builds the native window and its controls from the model; the window
  // is shown. Later changes arrive through the calls below.
  virtual void OpenNativeWindow(Window& window) = 0;
  virtual void CloseNativeWindow(Window& window) = 0;
  // The window's title or icon changed.
  virtual void ShowWindowState(Window& window) = 0;
  // The program placed the window (Window::placement): its normal position
  // and size, maximized, iconized or neither.
  virtual void ShowPlacement(Window& window) { (void)window; }
  // The control's state changed (value, enabled, hidden, choice, selection,
  // list contents; read them from the model, lists through ListEntries).
  virtual void ShowControlState(Window& window,
                                const ControlState& control) = 0;
  virtual void ControlCreated(Window& window, const ControlState& control) = 0;
  virtual void ControlDestroyed(Window& window, std::int16_t number) = 0;
  // Moves the platform's keyboard focus.
  virtual void ShowFocus(Window& window, std::int16_t control) = 0;
  // Starts the window's timer with the interval in hundredths of a second
  // (each tick reported through TimerTick), or stops it when 0.
  virtual void SetTimer(Window& window, int hundredths) = 0;

  // Runs the platform's event loop until at least one user action has been
  // reported. False when no input can come any more; the waiting loop ends.
  virtual bool WaitForInput() = 0;

  // Modal dialogs. RunMessageBox returns the mask of the button pressed, or
  // 0 when the box was closed without one.
  virtual int RunMessageBox(const MessageBoxRequest& request) = 0;
  // The chosen full paths; nothing when cancelled.
  virtual std::optional<std::vector<std::string>> RunFileDialog(
      const FileDialogRequest& request) = 0;

  virtual void ShowHelp(std::string_view help_file, std::string_view topic) = 0;
  virtual void Beep() = 0;
};

// Installs the backend the runtime uses (nullptr: none) and returns the one
// it replaces. Without a backend windows have no native side, WaitForInput
// ends loops at once and dialogs are cancelled.
GuiBackend* SetGuiBackend(GuiBackend* backend);
GuiBackend& Backend();

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_GUI_BACKEND_H_
