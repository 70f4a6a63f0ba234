// How the script player sees a window: a step's target found by number,
// label or menu path, the value a control shows as `expect` compares it,
// and the window printed by `show`. Texts are the runtime's (Windows-1252).
#ifndef VANTREL_GUI_HEADLESS_SCRIPT_VIEW_H_
#define VANTREL_GUI_HEADLESS_SCRIPT_VIEW_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "gui/headless/headless_backend.h"
#include "gui/headless/user_script.h"
#include "runtime/window/window_model.h"

namespace vantrel {

class ScriptView {
 public:
  ScriptView(Window& window, const HeadlessBackend& gui);

  // The control a target names, or nullptr with `problem` saying why. A
  // label names a control by its text or tip, or by its icon when it has
  // neither; a prompt's label names the control after it. When several
  // match, the first the user can reach wins. "Menu/Item" names a menu item
  // when the window has a menu "Menu".
  ControlState* Find(const ScriptTarget& target, std::string* problem) const;

  // The label as the user reads it ("&Save" -> "Save"); a menu item's is
  // its menu path ("Card/Save").
  std::string Label(const ControlState& control) const;

  // What `expect` compares: a text's value without trailing blanks (a line
  // break as LF), "on"/"off" for a check box, the chosen entry's, tab's or
  // radio button's text, an image's icon; for controls without a value
  // "enabled", "disabled" or "hidden".
  std::string Value(const ControlState& control) const;

  // The entries a list shows.
  std::vector<std::string> Entries(const ControlState& control) const;

  // The tabs of a sheet with their position, or the radio buttons of an
  // option.
  std::vector<const ControlState*> Members(const ControlState& group) const;

  // The control the Tab key moves to from `from`; 0 when none can take it.
  std::int16_t NextInTabOrder(std::int16_t from) const;

  void Print(std::ostream& out, std::string_view indent) const;

  Window& window() const { return window_; }

 private:
  const HeadlessBackend::ShownControl* Shown(const ControlState& c) const;
  std::string RawLabel(const ControlState& control) const;
  bool Matches(const ControlState& control, const std::string& label) const;
  ControlState* FindMenuItem(const std::string& path,
                             std::string* problem) const;
  void PrintControl(std::ostream& out, std::string_view indent,
                    const ControlState& control) const;

  Window& window_;
  const HeadlessBackend::ShownWindow* shown_;  // nullptr: not shown
};

// Whether a control of the kind takes the focus when the user clicks it or
// tabs to it.
bool KindTakesFocus(ControlKind kind);

// Text of the runtime quoted for the transcript (UTF-8): backslashes,
// quotes and line breaks escaped as a script writes them.
std::string QuoteText(std::string_view text);

// A label as shown: "&Save\tCtrl S" -> "Save"; "&&" stays one "&".
std::string PlainLabel(std::string_view label);

// Text of the runtime as UTF-8.
std::string ToUtf8(std::string_view text);

// The value without trailing blanks, CR LF and CR as LF.
std::string PlainValue(std::string_view value);

}  // namespace vantrel

#endif  // VANTREL_GUI_HEADLESS_SCRIPT_VIEW_H_
