// The demo card file a first start opens, so that a new user finds a card
// file to look around in: 52 invented cards in six categories and a few
// without one, people and firms, some listed by company, some with several
// phone lines. The file is the same every time: its data and stamps are
// fixed.
//
//   std::string file = ReadCurrentFile();
//   if (file.empty()) file = ProvideDemoCardFile();  // empty: none
#ifndef VANTREL_APP_DEMO_CARDS_H_
#define VANTREL_APP_DEMO_CARDS_H_

#include <string>

namespace vantrel {

inline constexpr int kDemoCardCount = 52;

// Writes the demo card file at `path`, which must not exist yet. False when
// it cannot be written: nothing is left at `path` then and the error state
// says why.
bool WriteDemoCardFile(const std::string& path);

// Where the demo card file lives: "demo.vtl" in the user's data directory
// ($XDG_DATA_HOME/vantrel, else ~/.local/share/vantrel).
std::string DemoCardFilePath();

// The demo card file for a start without a card file of its own: written
// first unless it is there (a demo the user has changed is kept). Empty
// when it cannot be written or its path does not fit the current-file-name
// variable.
std::string ProvideDemoCardFile();

}  // namespace vantrel

#endif  // VANTREL_APP_DEMO_CARDS_H_
