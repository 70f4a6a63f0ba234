#include "app/program.h"

#include "app/card_window.h"
#include "framework/about_window.h"
#include "framework/error_manager.h"
#include "framework/file_manager.h"
#include "framework/ini_manager.h"
#include "framework/relation_manager.h"
#include "os/posix/open_mode.h"
#include "runtime/data/text/locale.h"
#include "runtime/window/services.h"
#include "storage/tnl/driver/tnl_driver.h"

namespace vantrel {
namespace {

// How the program's files are opened: read and write, others only read.
constexpr std::uint8_t kCardOpenMode = kOpenReadWrite | kOpenDenyWrite;
constexpr std::int16_t kCardLockRecover = 10;

// A file manager and the relation manager beside it.
struct ManagedFile {
  FileManager file;
  RelationManager relations;

  void Init(FileDeclaration& declaration, KeyDeclaration& key,
            ErrorManager& errors) {
    file.Init(declaration, errors);
    // The name is variable: the declaration's name, set before each open.
    file.FILENAME = &declaration.name;
    file.OPENMODE = kCardOpenMode;
    file.LOCKRECOVER = kCardLockRecover;
    file.AddKey(key, key.label);
    relations.Init(file, /*use_logout=*/false);
  }
};

}  // namespace

std::vector<std::string> StartRuntime() {
  std::vector<std::string> problems = LoadLocale();
  RegisterTarnelDriver();
  return problems;
}

void MainProcedure(CardData& data, const ProgramOptions& options) {
  ShowHelp(kProgramHelpFile);
  ErrorManager errors;
  errors.Init();
  IniManager ini;
  ini.Init(kProgramIniFile);
  ManagedFile cards;
  cards.Init(data.card_file, *data.card_key, errors);
  cards.file.CREATE = 1;
  ManagedFile changes;  // created explicitly before it is written
  changes.Init(data.change_file, *data.change_key, errors);

  CardWindowCommands commands;
  commands.about = [&] { ShowAboutWindow(errors, ini); };
  if (options.add_commands) options.add_commands(data, commands);
  {
    CardWindow window(data, std::move(commands));
    if (options.card_file) window.OpenFileAtStart(*options.card_file);
    window.Run();
  }

  ini.Kill();
  cards.relations.Kill();
  changes.relations.Kill();
  errors.Kill();
}

}  // namespace vantrel
