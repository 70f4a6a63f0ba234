// The accept loop: runs a body once per event of the thread's top window
// and applies the default actions after it.
//
//   OpenWindow(form);
//   AcceptLoop([&] {
//     switch (CurrentEvent()) {
//       case kEventCloseWindow:
//         if (!ConfirmClose()) return SkipDefault();  // keeps the window
//         break;
//       case kEventAccepted:
//         if (AcceptedField() == kCloseButton) return EndLoop();
//         break;
//     }
//   });
//   CloseWindow();
#ifndef VANTREL_RUNTIME_WINDOW_ACCEPT_LOOP_H_
#define VANTREL_RUNTIME_WINDOW_ACCEPT_LOOP_H_

#include "runtime/window/window_description.h"
#include "runtime/window/window_model.h"

namespace vantrel {

inline constexpr int kErrAcceptNeedsWindow = 537;
inline constexpr char kAcceptNeedsWindowText[] =
    "ACCEPT loop requires a window";

// Runs the loop on the thread's top window until it ends: by EndLoop, by a
// close with every child closed, by OpenFailed or a build event, or when no
// input can come any more. Without a window: run-time error 537.
void AcceptLoop(LoopBody body);

// Inside the body: end this pass and skip the default action (CYCLE).
void SkipDefault();
// Inside the body: end the loop after this event (BREAK).
void EndLoop();

// Opens a child window of `frame` on a thread of its own, whose loop runs
// `body`; the child is closed when its loop ends. Returns the thread number.
int OpenChildWindow(const WindowDescription& description, Window& frame,
                    LoopBody body);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_ACCEPT_LOOP_H_
