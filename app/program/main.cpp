// vantrel: a personal card file.
//
//   vantrel [CARDFILE] [--config-dir DIR]
//   vantrel --script SCRIPT [--config-dir DIR]
//
// Without a card file it opens the one used last, and on a first start the
// demo card file. DIR holds VANTREL.INI (default: $VANTREL_CONFIG_DIR,
// $XDG_CONFIG_HOME/vantrel, ~/.config/vantrel). With --script the program
// runs without a display, plays the user's steps from SCRIPT and prints a
// transcript; the exit status is the script's result.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "app/card_data.h"
#include "app/current_file_setting.h"
#include "app/demo_cards.h"
#include "app/interchange/interchange_commands.h"
#include "app/program.h"
#include "gui/headless/script_session.h"

#ifdef VANTREL_WITH_QT
#include <QApplication>

#include "gui/qt/qt_backend.h"
#endif

namespace {

constexpr char kUsage[] =
    "usage: vantrel [CARDFILE] [--config-dir DIR]\n"
    "       vantrel --script SCRIPT [--config-dir DIR]\n"
    "Opens the card file (default: the one used last). With --script, plays\n"
    "the user's steps of SCRIPT without a display and prints a transcript.\n";

struct Arguments {
  std::optional<std::string> card_file;
  std::optional<std::string> config_dir;
  std::optional<std::string> script;
  bool help = false;
};

std::optional<Arguments> ParseArguments(int argc, char** argv) {
  Arguments arguments;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      arguments.help = true;
    } else if (arg == "--config-dir") {
      if (++i == argc) return std::nullopt;
      arguments.config_dir = argv[i];
    } else if (arg == "--script") {
      if (++i == argc) return std::nullopt;
      arguments.script = argv[i];
    } else if (!arg.empty() && arg[0] != '-' && !arguments.card_file) {
      arguments.card_file = std::string(arg);
    } else {
      return std::nullopt;
    }
  }
  return arguments;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "vantrel: %s\n", message.c_str());
  return 2;
}

// The program's run: the card file asked for, else the one used last, else
// (on a first start) the demo card file.
void RunProgram(vantrel::ProgramOptions options) {
  if (!options.card_file && vantrel::ReadCurrentFile().empty()) {
    std::string demo = vantrel::ProvideDemoCardFile();
    if (!demo.empty()) options.card_file = demo;
  }
  vantrel::CardData data;
  vantrel::MainProcedure(data, options);
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<Arguments> arguments = ParseArguments(argc, argv);
  if (!arguments) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (arguments->help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (arguments->config_dir)
    setenv("VANTREL_CONFIG_DIR", arguments->config_dir->c_str(), 1);

  vantrel::ProgramOptions options;
  options.add_commands = vantrel::AddInterchangeCommands;
  if (arguments->card_file) {
    std::error_code error;
    std::string path =
        std::filesystem::absolute(*arguments->card_file, error).string();
    if (error) return Fail(*arguments->card_file + ": " + error.message());
    if (path.size() > vantrel::kCurrentFileNameLength)
      return Fail(path + ": the name is longer than " +
                  std::to_string(vantrel::kCurrentFileNameLength) +
                  " characters");
    options.card_file = path;
  }
  for (const std::string& problem : vantrel::StartRuntime())
    std::fprintf(stderr, "vantrel: environment file: %s\n", problem.c_str());

  if (arguments->script) {
    std::ifstream script(*arguments->script, std::ios::binary);
    if (!script) return Fail(*arguments->script + ": cannot be read");
    return vantrel::RunScriptSession(script, *arguments->script, std::cout,
                                     [&options] { RunProgram(options); });
  }
#ifdef VANTREL_WITH_QT
  QApplication application(argc, argv);
  vantrel::qt::QtBackend gui;
  RunProgram(options);
  return 0;
#else
  return Fail("built without the Qt backend; only --script runs");
#endif
}
