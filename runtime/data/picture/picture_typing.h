// Typing by picture: what one keystroke does to the text of an entry whose
// picture is a key-in template, a pattern, a date or a time.
//
// The entry text has one character per display position of the picture
// (EntryTemplate gives the empty one; month names and AM/PM texts take the
// width of their field). The caret is an index into it. Characters overwrite
// the value position at the caret, which then moves past any literals.
// Typing a literal, or any character that is neither a letter nor a digit,
// at a literal steps over it; typed where a value position does not take it,
// it ends the field: the digits typed so far move to the field's right end
// and the caret goes to the next field. Fields are the fields of a date or
// time layout, and the stretches of a key-in template between '|' marks.
// Letters in a month-name or AM/PM field are matched against the names.
//
// Pictures of other kinds take any character at the caret (inserted), up to
// their width.
#ifndef VANTREL_RUNTIME_DATA_PICTURE_PICTURE_TYPING_H_
#define VANTREL_RUNTIME_DATA_PICTURE_PICTURE_TYPING_H_

#include <string>
#include <string_view>

#include "runtime/data/picture/picture.h"

namespace vantrel {

struct TypingResult {
  bool accepted = false;
  std::string text;  // the new text (unchanged when refused)
  int caret = 0;     // the new caret
};

// The entry text before anything is typed: literals shown, value positions
// blank.
std::string EntryTemplate(const Picture& picture);

TypingResult TypeCharacter(const Picture& picture, std::string_view text,
                           int caret, char typed);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_PICTURE_PICTURE_TYPING_H_
