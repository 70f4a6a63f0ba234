// A user's session written as text, one step a line, in the order the user
// acts. The script player (script_session.h) runs a program against it; the
// format is described in README.md beside this file.
//
//   # add a card
//   click Card/New
//   set "Last Name" Smith
//   type \nSecond line
//   click Delete Card
//   answer Yes
//   expect 563 Smith
#ifndef VANTREL_GUI_HEADLESS_USER_SCRIPT_H_
#define VANTREL_GUI_HEADLESS_USER_SCRIPT_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

enum class ScriptCommand {
  kClick,   // click TARGET
  kFocus,   // focus TARGET
  kType,    // type TEXT
  kSet,     // set TARGET TEXT
  kChoose,  // choose TARGET N (or an entry's text)
  kTab,     // tab TEXT
  kLetter,  // letter X
  kKey,     // key NAME
  kAnswer,  // answer BUTTON
  kPick,    // pick PATH
  kCancel,  // cancel
  kShow,    // show
  kExpect,  // expect TARGET TEXT
  kClose,   // close
};

// Where a step's target points: a control number, or a label or menu path.
struct ScriptTarget {
  std::int16_t number = 0;  // 0: by `label`
  std::string label;        // Windows-1252; a menu path keeps its "/"
  bool quoted = false;      // written in quotes: never a menu path
};

struct ScriptStep {
  ScriptCommand command = ScriptCommand::kShow;
  int line = 0;        // 1-based line of the script
  std::string source;  // the line as written (UTF-8, blanks trimmed)
  ScriptTarget target;
  // TEXT, BUTTON, PATH, the letter, an entry's text for choose, or the key
  // shortcut ("Ctrl+N"); Windows-1252, escapes resolved, a line break as LF.
  std::string text;
  int number = 0;  // choose: the entry (0: by text); key: the key code
};

struct ParsedScript {
  std::vector<ScriptStep> steps;
  int error_line = 0;  // 0: the script is well formed
  std::string error;   // why line `error_line` is malformed
};

// Parses a whole script (UTF-8). Stops at the first malformed line.
ParsedScript ParseUserScript(std::string_view text);

// The name of a key without a character ("Enter", "F2", "DoubleClick" ...)
// as its key code; 0 when the name is unknown.
std::int32_t ScriptKeyCode(std::string_view name);

// A label as the user reads it, for comparing: without the "&" before a
// mnemonic ("&&" stays one "&"), cut at a tab (a menu item's shortcut),
// without surrounding blanks and a trailing ":" or "...", in lower case.
std::string NormalizeLabel(std::string_view label);

// A shortcut ("Ctrl N", "ctrl+shift+x") in one spelling ("Ctrl+Shift+X");
// empty when the text is not a shortcut with a modifier.
std::string NormalizeShortcut(std::string_view text);

}  // namespace vantrel

#endif  // VANTREL_GUI_HEADLESS_USER_SCRIPT_H_
