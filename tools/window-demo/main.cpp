// window-demo: opens a sample window with every control kind under the Qt
// backend.
//
//   window-demo [--cards=N] [--dialog] [--help-window]
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "gui/qt/qt_backend.h"
#include "tools/window-demo/demo_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName("Vantrel Window Demo");
  vantrel::demo::DemoOptions options;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.rfind("--cards=", 0) == 0) {
      options.cards = std::atoi(argv[i] + std::strlen("--cards="));
    } else if (arg == "--dialog") {
      options.open_dialog = true;
    } else if (arg == "--help-window") {
      options.show_help = true;
    } else {
      std::fprintf(stderr,
                   "usage: window-demo [--cards=N] [--dialog] [--help-window]\n");
      return 2;
    }
  }
  if (options.cards < 0) options.cards = 0;
  vantrel::qt::QtBackend gui;
  vantrel::demo::RunDemoWindow(options);
  return 0;
}
