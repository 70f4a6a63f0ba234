// The About window of the card application: the program's name and
// version and a "Close" button. Its placement is kept by the INI manager
// under the procedure's name, "AboutVantrel". The Help menu's
// "&About Vantrel ..." opens it.
#ifndef VANTREL_FRAMEWORK_ABOUT_WINDOW_H_
#define VANTREL_FRAMEWORK_ABOUT_WINDOW_H_

#include <cstdint>

#include "framework/error_manager.h"
#include "framework/ini_manager.h"
#include "framework/window_manager.h"
#include "runtime/window/window_description.h"

namespace vantrel {

inline constexpr char kAboutProcedure[] = "AboutVantrel";
inline constexpr char kProgramName[] = "Vantrel";
inline constexpr char kProgramVersion[] = "Version 1.0";

// Controls of the About window.
inline constexpr std::int16_t kAboutIcon = 1;
inline constexpr std::int16_t kAboutName = 2;
inline constexpr std::int16_t kAboutVersion = 3;
inline constexpr std::int16_t kAboutClose = 4;

class AboutWindow : public WindowManager {
 public:
  AboutWindow(ErrorManager& errors, IniManager& ini);

  // The window: a small dialog of fixed size.
  static WindowDescription Description();

  // Pushes the procedure's name, opens the window where it stood last time
  // and registers the Close button.
  Level Init() override;
  // Saves the window's placement, closes it and pops the procedure's name.
  void Kill() override;

 private:
  IniManager& ini_;
  Window* window_ = nullptr;  // while it is open
};

// Runs the About window; returns when the user has closed it.
void ShowAboutWindow(ErrorManager& errors, IniManager& ini);

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_ABOUT_WINDOW_H_
