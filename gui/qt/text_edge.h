// Text crossing the edge between the runtime and Qt. The runtime's strings
// are Windows-1252 (one byte a character); Qt's are Unicode. Every Windows-1252
// character is one UTF-16 unit, so positions in a single-line text are the
// same on both sides. Multi-line texts keep CR LF between lines in the
// runtime and a single line feed in the widget; positions are mapped across.
#ifndef VANTREL_GUI_QT_TEXT_EDGE_H_
#define VANTREL_GUI_QT_TEXT_EDGE_H_

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel::qt {

// The runtime's text for Qt.
QString FromRuntime(std::string_view text);
// Qt's text for the runtime; nothing when a character has no place in
// Windows-1252.
std::optional<std::string> ToRuntime(const QString& text);
// ToRuntime that cannot fail, for texts the backend knows to be safe (they
// came from the runtime); a character outside the set becomes '?'.
std::string ToRuntimeLossy(const QString& text);

// The first character of `text` that Windows-1252 cannot hold; an empty
// string when there is none.
QString FirstRefusedCharacter(const QString& text);
// The polite message shown when such a character is typed.
QString RefusalMessage(const QString& character);

// How a control's runtime value is shown in its widget.
enum class TextShape {
  kAsIs,       // position for position (entries typed through a picture)
  kTrimmed,    // the blanks a picture pads a text with are not shown
  kNumber,     // nor the blanks it puts in front of a number
  kMultiLine,  // CR LF in the runtime, a line feed in the widget
};

// A runtime value as its widget shows it, with what the shape dropped in
// front so that positions can be mapped back.
struct ShownText {
  QString text;
  int lead = 0;  // leading blanks not shown (kNumber)
};

ShownText ShowText(std::string_view value, TextShape shape);
// The runtime's value for the widget's text (kMultiLine puts CR LF back).
std::optional<std::string> ReadText(const QString& shown, TextShape shape);

// A 1-based runtime position as a 0-based position in the shown text, and
// back. `value` is the runtime's text, `shown` the widget's.
int ToWidgetPosition(std::string_view value, const ShownText& shown,
                     TextShape shape, int position);
int ToRuntimePosition(const QString& shown_text, int lead, TextShape shape,
                      int position);

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_TEXT_EDGE_H_
