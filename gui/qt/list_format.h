// The format string of a list: its columns, left to right.
//
//   format   := item*
//   item     := '[' item* ']' modifier* | column
//   column   := width justify? indent? modifier*
//   width    := digits                 dialog units
//   justify  := 'L' | 'R' | 'C' | 'D'  left (default), right, centre, decimal
//   indent   := '(' digits ')'         dialog units from the justified edge
//   modifier := '|'                    a line right of the column
//             | 'M'                    the user may resize it
//             | '~' text '~'           its header
//             | '@' picture '@'        its picture
//
// Brackets group columns; a group's own modifiers are read and not used.
// Column i shows field list.field + i of the queue's record. Blanks between
// items are ignored.
#ifndef VANTREL_GUI_QT_LIST_FORMAT_H_
#define VANTREL_GUI_QT_LIST_FORMAT_H_

#include <string>
#include <string_view>
#include <vector>

namespace vantrel::qt {

enum class Justify { kLeft, kRight, kCenter, kDecimal };

struct ListColumn {
  int width = 0;  // dialog units
  Justify justify = Justify::kLeft;
  int indent = 0;  // dialog units
  bool right_border = false;
  bool resizable = false;
  std::string header;   // Windows-1252
  std::string picture;  // empty: the list's own picture, or none
};

struct ListFormat {
  std::vector<ListColumn> columns;  // empty when the text was refused
  std::string error;                // why it was refused
  bool headers() const;             // any column has a header
};

// An empty format gives one column without a width.
ListFormat ParseListFormat(std::string_view text);

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_LIST_FORMAT_H_
