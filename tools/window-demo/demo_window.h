// A sample window with every kind of control, for trying a GUI backend by
// hand: a small card list with a letter selector, category tabs, tool
// buttons, entries, texts, a combo and a drop list, and a modal dialog.
#ifndef VANTREL_TOOLS_WINDOW_DEMO_DEMO_WINDOW_H_
#define VANTREL_TOOLS_WINDOW_DEMO_DEMO_WINDOW_H_

#include <string>

namespace vantrel::demo {

struct DemoOptions {
  int cards = 200;  // sample cards in the list
  // What to open at once, as if chosen: "details" (a modal dialog),
  // "help", "delete" (a message box), "open" or "save" (file dialogs);
  // empty: nothing.
  std::string show;
};

// Runs the window until the user leaves it.
void RunDemoWindow(const DemoOptions& options);

}  // namespace vantrel::demo

#endif  // VANTREL_TOOLS_WINDOW_DEMO_DEMO_WINDOW_H_
