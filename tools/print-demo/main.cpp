// print-demo: runs "Print Card List" over a fresh copy of the demo card file
// on the Qt backend, so that the progress window and the print preview can
// be looked at (and screenshots taken) without the card window.
//
//   print-demo [CATEGORY [ZOOM]]   (no category or "": every card; ZOOM a
//                                  percentage, -1 page width, -2 tiles)
#include <stdlib.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/card_list_report.h"
#include "app/demo_cards.h"
#include "app/program.h"
#include "framework/error_manager.h"
#include "framework/ini_manager.h"
#include "gui/print/page_painter.h"
#include "gui/qt/qt_backend.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  char pattern[] = "/tmp/vantrel_print_demo_XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    std::perror("print-demo");
    return 2;
  }
  const std::filesystem::path dir = pattern;
  setenv("VANTREL_CONFIG_DIR", dir.c_str(), 1);
  vantrel::StartRuntime();
  const std::string file = (dir / "demo.vtl").string();
  if (!vantrel::WriteDemoCardFile(file)) {
    std::fprintf(stderr, "print-demo: the demo card file cannot be written\n");
    return 2;
  }
  vantrel::qt::QtBackend gui;
  vantrel::print::QtPageOutput pages;
  vantrel::ErrorManager errors;
  errors.Init();
  vantrel::IniManager ini;
  ini.Init((dir / "print-demo.ini").string());
  vantrel::PrintCardList(errors, ini, file, argc > 1 ? argv[1] : "",
                         static_cast<std::int16_t>(argc > 2 ? std::atoi(argv[2]) : 0));
  ini.Kill();
  errors.Kill();
  std::filesystem::remove_all(dir);
  return 0;
}
