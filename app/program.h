// The program's main procedure: brings up the error manager, the INI
// manager and the managers of the card file and the change file, runs the
// card window once, and takes them down again in order.
#ifndef VANTREL_APP_PROGRAM_H_
#define VANTREL_APP_PROGRAM_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/card_data.h"
#include "app/card_window.h"

namespace vantrel {

// The program's help file, and its INI file as the INI manager names it.
inline constexpr char kProgramHelpFile[] = "VANTREL.HLP";
inline constexpr char kProgramIniFile[] = "vantrel.INI";

// Starts the runtime library: the regional settings and the environment
// file, and the native file driver. Returns the environment file's
// problems, one line each (its other settings are used).
std::vector<std::string> StartRuntime();

struct ProgramOptions {
  // A card file to open instead of the one the INI file remembers.
  std::optional<std::string> card_file;
  // Adds the commands that libraries above the card window provide.
  std::function<void(CardData&, CardWindowCommands&)> add_commands;
};

// Runs the program on the runtime's GUI backend; returns when the user has
// left the card window.
void MainProcedure(CardData& data, const ProgramOptions& options = {});

}  // namespace vantrel

#endif  // VANTREL_APP_PROGRAM_H_
