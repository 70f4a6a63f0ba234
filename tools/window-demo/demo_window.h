// A sample window with every kind of control, for trying a GUI backend by
// hand: a small card list with a letter selector, category tabs, tool
// buttons, entries, texts, a combo and a drop list, and a modal dialog.
#ifndef VANTREL_TOOLS_WINDOW_DEMO_DEMO_WINDOW_H_
#define VANTREL_TOOLS_WINDOW_DEMO_DEMO_WINDOW_H_

namespace vantrel::demo {

struct DemoOptions {
  int cards = 200;          // sample cards in the list
  bool open_dialog = false;  // open the modal Details dialog at once
  bool show_help = false;    // show the help window at once
};

// Runs the window until the user leaves it.
void RunDemoWindow(const DemoOptions& options);

}  // namespace vantrel::demo

#endif  // VANTREL_TOOLS_WINDOW_DEMO_DEMO_WINDOW_H_
