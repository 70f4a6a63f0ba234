// The script player: runs a window program under the headless backend and
// plays a user's script (user_script.h, format in README.md) against it,
// printing a transcript of every step, window, message box and file dialog.
//
//   std::ifstream script("add_card.script");
//   int result = RunScriptSession(script, "add_card.script", std::cout,
//                                 [] { RunMainWindow(); });
//
// Each time a loop of the program waits for input, the player carries out
// the next user step; `show` and `expect` look at the window while it
// waits. A message box or file dialog is answered by the step after the
// one that opened it.
#ifndef VANTREL_GUI_HEADLESS_SCRIPT_SESSION_H_
#define VANTREL_GUI_HEADLESS_SCRIPT_SESSION_H_

#include <functional>
#include <istream>
#include <ostream>
#include <string_view>

namespace vantrel {

// What a session ends with.
enum ScriptResult : int {
  kScriptPassed = 0,     // the script ran to its end and every expect held
  kScriptFailed = 1,     // an expect failed or a step could not be carried out
  kScriptMalformed = 2,  // the script is not well formed; nothing ran
};

// Plays the script against `program` (a window procedure) and returns a
// ScriptResult. A malformed script is reported with its line before anything
// runs. When the script ends while the program still waits for input, its
// windows are closed as the close box would close them.
int RunScriptSession(std::istream& script, std::string_view script_name,
                     std::ostream& transcript,
                     const std::function<void()>& program);

}  // namespace vantrel

#endif  // VANTREL_GUI_HEADLESS_SCRIPT_SESSION_H_
