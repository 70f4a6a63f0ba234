// Windows described as data: the window's title, icon, size and manner, and
// its controls (menus and menu items included) with their numbers, kinds,
// texts, pictures, bound variables, list sources, parents and layout. A
// backend builds its native window from a description; the runtime keeps the
// live state of each control in the window model.
#ifndef VANTREL_RUNTIME_WINDOW_WINDOW_DESCRIPTION_H_
#define VANTREL_RUNTIME_WINDOW_WINDOW_DESCRIPTION_H_

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "runtime/window/variable.h"

namespace vantrel {

struct Queue;

// Kinds of controls. The codes are those CreateControl takes.
enum class ControlKind : std::uint8_t {
  kPrompt = 0x01,    // fixed text that takes no events
  kString = 0x02,    // text shown from a variable, takes no events
  kEntry = 0x03,     // one-line entry bound to a variable
  kText = 0x04,      // multi-line text bound to a variable
  kList = 0x05,      // list over a queue
  kDropList = 0x06,  // drop-down list over a queue
  kCombo = 0x07,     // drop-down list with an entry
  kCheck = 0x08,     // check box; its variable holds 1 or 0
  kOption = 0x09,    // group of radio buttons; its variable holds the choice
  kRadio = 0x0A,     // one button of an option (the option is its parent)
  kButton = 0x0B,    // push button with text, icon and tip
  kImage = 0x0C,     // image or icon
  kRegion = 0x0D,    // clickable region
  kSheet = 0x0E,     // sheet of tabs
  kMenu = 0x0F,      // menu of the menu bar, or a submenu
  kMenuItem = 0x10,  // item of a menu
  kTab = 0x26,       // tab of a sheet (the sheet is its parent)
};

// Whether controls of a kind take events themselves; events for others go
// to their nearest enclosing control that does.
bool KindTakesEvents(ControlKind kind);

// Whether a kind holds text typed by the user.
bool KindIsEditable(ControlKind kind);

// Position and size in dialog units.
struct Layout {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  bool operator==(const Layout&) const = default;
};

// The queue a list shows and the 1-based field of its record that gives
// each entry's text.
struct ListSource {
  Queue* queue = nullptr;
  int field = 1;
};

struct ControlDescription {
  std::int16_t number = 0;  // unique in its window, never 0
  ControlKind kind = ControlKind::kPrompt;
  std::string text;     // caption, prompt or initial text
  std::string picture;  // display and entry picture; empty: plain text
  // Lists: the columns, each a width in dialog units, a justification
  // (L, R, C, D), an indent in parentheses and modifiers ("[166L(2)]",
  // "80L(2)|M~Name~@s20@60R(1)"). Column i shows field list.field + i.
  // Empty: one column over the whole list.
  std::string format;
  Variable variable;        // bound variable; unbound when none
  ListSource list;          // lists: the queue shown
  std::int16_t parent = 0;  // enclosing control (sheet, tab, option, menu)
  Layout layout;
  std::string icon;      // buttons and images
  std::string tip;       // buttons
  std::string shortcut;  // menu items: the shortcut text shown
  bool disabled = false;
  bool hidden = false;
  bool required = false;   // entries: a blank value is refused on completion
  bool completes = false;  // buttons: pressing completes the window
  std::vector<std::int32_t> alert_keys;  // keys reported as AlertKey
};

// A control described by what most controls need: number, kind, text,
// place and owner.
inline ControlDescription MakeControl(std::int16_t number, ControlKind kind,
                                      std::string text = {}, Layout layout = {},
                                      std::int16_t parent = 0) {
  ControlDescription control;
  control.number = number;
  control.kind = kind;
  control.text = std::move(text);
  control.layout = layout;
  control.parent = parent;
  return control;
}

struct WindowDescription {
  std::string title;
  std::string icon;
  Layout layout;
  bool resizable = false;
  bool modal = true;
  std::vector<std::int32_t> alert_keys;  // keys reported for any control
  // Controls in tab order. Menus with parent 0 form the menu bar, in order;
  // items and submenus name their menu as parent.
  std::vector<ControlDescription> controls;
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_WINDOW_DESCRIPTION_H_
