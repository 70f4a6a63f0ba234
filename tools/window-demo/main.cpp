// window-demo: opens a sample window with every control kind under the Qt
// backend.
//
//   window-demo [--cards=N] [--show=details|help|delete|open|save]
//               [--size=WxH]
//
// --show opens a dialog, the help or a message box at once, as if the user
// had chosen it; --size resizes the main window once it is up, to look at
// how its controls share the room.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "gui/qt/qt_backend.h"
#include "tools/window-demo/demo_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationDisplayName("Vantrel Window Demo");
  vantrel::demo::DemoOptions options;
  int width = 0, height = 0;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.rfind("--cards=", 0) == 0) {
      options.cards = std::atoi(argv[i] + std::strlen("--cards="));
    } else if (arg.rfind("--show=", 0) == 0) {
      options.show = std::string(arg.substr(std::strlen("--show=")));
    } else if (arg.rfind("--size=", 0) == 0 &&
               std::sscanf(argv[i], "--size=%dx%d", &width, &height) == 2) {
    } else {
      std::fprintf(stderr,
                   "usage: window-demo [--cards=N] "
                   "[--show=details|help|delete|open|save] [--size=WxH]\n");
      return 2;
    }
  }
  if (options.cards < 0) options.cards = 0;
  vantrel::qt::QtBackend gui;
  if (width > 0 && height > 0) {
    QTimer::singleShot(300, [width, height] {
      for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->parentWidget() == nullptr)
          top->resize(width, height);
      }
    });
  }
  vantrel::demo::RunDemoWindow(options);
  return 0;
}
