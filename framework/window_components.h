// The parts a window manager drives but does not implement: browse lists
// and file drops registered by a window, the toolbar that drives it, the
// resizer of its controls and the translator of its texts. The window
// manager calls only the operations below, at the points of its event
// handling; each does nothing unless a derived part says otherwise.
#ifndef VANTREL_FRAMEWORK_WINDOW_COMPONENTS_H_
#define VANTREL_FRAMEWORK_WINDOW_COMPONENTS_H_

#include <cstdint>

#include "framework/error_manager.h"

namespace vantrel {

class WindowManager;

// A list that browses a file in the window.
class BrowseList {
 public:
  virtual ~BrowseList() = default;
  virtual void Kill() {}
  // Refills the list; `force` even when nothing it depends on changed.
  virtual void ResetList(bool force) { (void)force; }
  // The current event, after the window's own handlers.
  virtual Level TakeEvent() { return Level::Proceed; }
  // Whether the list wants the window reset after the event.
  virtual bool NeedsRefresh() { return false; }
  // Registers the list's keys as alert keys of the window.
  virtual void SetAlerts() {}
  // Copies the list's selected record into the file's buffer.
  virtual void UpdateBuffer() {}
};

// A drop-down list filled from a file.
class FileDrop {
 public:
  virtual ~FileDrop() = default;
  virtual void Kill() {}
  virtual void ResetList(bool force) { (void)force; }
  virtual Level TakeEvent() { return Level::Proceed; }
};

// The toolbar that drives the window: its record buttons set the window's
// navigation request (VCRREQUEST).
class Toolbar {
 public:
  virtual ~Toolbar() = default;
  // Starts with an empty list of targets.
  virtual void Init() {}
  // Detaches the toolbar from the window.
  virtual void Kill() {}
  // The toolbar's own handling of an accepted control.
  virtual void TakeEvent(std::int32_t* vcr_request, WindowManager& window) {
    (void)vcr_request;
    (void)window;
  }
  // Lets the toolbar act on the control that got a new selection.
  virtual void SetTarget(std::int16_t control) { (void)control; }
};

// The control of a toolbar that recalls the selected field's history.
inline constexpr std::int16_t kToolbarHistoryButton = 2011;

// Resizes the window's controls with the window.
class Resizer {
 public:
  virtual ~Resizer() = default;
  virtual void Kill() {}
};

// Translates the window's texts when it opens.
class Translator {
 public:
  virtual ~Translator() = default;
  virtual void TranslateWindow() {}
};

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_WINDOW_COMPONENTS_H_
