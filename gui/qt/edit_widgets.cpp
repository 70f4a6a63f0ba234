#include "gui/qt/edit_widgets.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>

#include "gui/qt/input_report.h"
#include "gui/qt/refusal_notice.h"
#include "runtime/data/picture/picture_typing.h"
#include "runtime/data/types/field_type.h"
#include "runtime/window/user_input.h"

namespace vantrel::qt {
namespace {

TextShape ShapeOf(const ControlState& state) {
  if (TypesByPicture(state)) return TextShape::kAsIs;
  switch (state.picture.kind) {
    case PictureKind::kNumeric:
    case PictureKind::kScientific:
      return TextShape::kNumber;
    default:
      return TextShape::kTrimmed;
  }
}

// The caret and selection of a widget reported to the runtime, given the
// widget's text, cursor and selection (0-based, end exclusive).
void ReportCaretAt(Window& window, std::int16_t number, const QString& text,
                   int lead, TextShape shape, int cursor, int from, int to) {
  auto runtime = [&](int p) { return ToRuntimePosition(text, lead, shape, p); };
  if (from < to) {
    UserMoveCaret(window, number, runtime(cursor), runtime(from),
                  runtime(to) - 1);
  } else {
    UserMoveCaret(window, number, runtime(cursor));
  }
}

// Editing reports go to the focused control; a widget that has the keyboard
// focus is the runtime's focused control too.
void EnsureFocus(Window& window, std::int16_t number) {
  if (window.focus != number) UserFocus(window, number);
}

bool IsTypedText(const QKeyEvent& event) {
  if (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier))
    return false;
  const QString text = event.text();
  return !text.isEmpty() && text[0].isPrint();
}

}  // namespace

int CapacityOf(const ControlState& state) {
  if (state.picture.kind == PictureKind::kString && state.picture.width > 0)
    return state.picture.width;
  const Variable& variable = state.description.variable;
  if (!state.picture.valid() && variable.bound() && IsTextType(variable.type))
    return static_cast<int>(variable.size);
  return 0;
}

EntryEdit::EntryEdit(Window& window, const ControlState& state, QWidget* parent)
    : QLineEdit(parent),
      window_(window),
      number_(state.number()),
      shape_(ShapeOf(state)),
      by_picture_(TypesByPicture(state)) {
  setValidator(MakeWindows1252Validator(this));
  if (shape_ == TextShape::kNumber) setAlignment(Qt::AlignRight);
  if (int capacity = CapacityOf(state); capacity > 0 && !by_picture_)
    setMaxLength(capacity);
  if (by_picture_) {
    // Every change of a picture entry goes through the picture.
    setDragEnabled(false);
    setAcceptDrops(false);
    setContextMenuPolicy(Qt::NoContextMenu);
  }
  connect(this, &QLineEdit::textEdited, [this] { ReportEdit(); });
  connect(this, &QLineEdit::cursorPositionChanged, [this] { ReportCaret(); });
  connect(this, &QLineEdit::selectionChanged, [this] { ReportCaret(); });
}

void EntryEdit::Show(const ControlState& state) {
  ShowingScope showing;
  ShownText shown = ShowText(state.value, shape_);
  lead_ = shown.lead;
  if (text() != shown.text) setText(shown.text);
  if (!hasFocus()) return;
  auto widget = [&](int p) {
    return ToWidgetPosition(state.value, shown, shape_, p);
  };
  if (state.selection_start > 0) {
    int from = widget(state.selection_start);
    int to = widget(state.selection_end + 1);
    setSelection(from, std::max(0, to - from));
  } else {
    setCursorPosition(widget(state.caret));
  }
}

void EntryEdit::keyPressEvent(QKeyEvent* event) {
  if (!by_picture_) return QLineEdit::keyPressEvent(event);
  if (event->matches(QKeySequence::Paste))
    return TypeByPicture(QApplication::clipboard()->text());
  if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo))
    return;
  bool selected = hasSelectedText();
  int from = selected ? selectionStart() : cursorPosition();
  int to = selected ? selectionEnd() : cursorPosition();
  if (event->matches(QKeySequence::Cut)) {
    copy();
    return BlankPositions(from, to, from);
  }
  if (event->key() == Qt::Key_Backspace) {
    return selected ? BlankPositions(from, to, from)
                    : BlankPositions(from - 1, from, from - 1);
  }
  if (event->key() == Qt::Key_Delete) {
    return BlankPositions(from, selected ? to : to + 1, from);
  }
  if (IsTypedText(*event)) return TypeByPicture(event->text());
  QLineEdit::keyPressEvent(event);
}

void EntryEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (!by_picture_) return QLineEdit::inputMethodEvent(event);
  QString committed = event->commitString();
  event->accept();
  if (!committed.isEmpty()) TypeByPicture(committed);
}

void EntryEdit::TypeByPicture(const QString& text) {
  if (QString refused = FirstRefusedCharacter(text); !refused.isEmpty())
    return ShowRefusal(this, refused);
  std::optional<std::string> typed = ToRuntime(text);
  if (!typed || typed->empty()) return;
  ReportInput([&] {
    EnsureFocus(window_, number_);
    UserMoveCaret(window_, number_, cursorPosition() + 1);
    UserTypeText(window_, *typed);
  });
}

void EntryEdit::BlankPositions(int from, int to, int caret) {
  ControlState* state = State();
  if (state == nullptr) return;
  std::string value = ToRuntimeLossy(text());
  std::string blank = EntryTemplate(state->picture);
  auto is_literal = [&](int p) {
    return p < static_cast<int>(blank.size()) && blank[p] != ' ';
  };
  // Backspace steps back over literals to the value position before them.
  if (to - from == 1 && caret == from) {
    while (from >= 0 && is_literal(from)) --from;
    to = from + 1;
    caret = from;
  }
  if (from < 0) return;
  for (int p = from; p < to && p < static_cast<int>(value.size()); ++p)
    value[p] = p < static_cast<int>(blank.size()) ? blank[p] : ' ';
  {
    ShowingScope showing;
    setText(FromRuntime(value));
    setCursorPosition(caret);
  }
  ReportInput([&] {
    EnsureFocus(window_, number_);
    UserSetText(window_, number_, value);
    UserMoveCaret(window_, number_, caret + 1);
  });
}

void EntryEdit::ReportEdit() {
  std::optional<std::string> value = ReadText(text(), shape_);
  if (!value) return;  // the validator refused it already
  lead_ = 0;
  ReportInput([&] {
    EnsureFocus(window_, number_);
    UserSetText(window_, number_, *value);
  });
  ReportCaret();
}

void EntryEdit::ReportCaret() {
  if (Showing() || !hasFocus()) return;
  int from = hasSelectedText() ? selectionStart() : 0;
  int to = hasSelectedText() ? selectionEnd() : 0;
  ReportCaretAt(window_, number_, text(), lead_, shape_, cursorPosition(), from,
                to);
}

TextEdit::TextEdit(Window& window, const ControlState& state, QWidget* parent)
    : QPlainTextEdit(parent),
      window_(window),
      number_(state.number()),
      capacity_(CapacityOf(state)) {
  setTabChangesFocus(true);
  connect(this, &QPlainTextEdit::textChanged, [this] { ReportEdit(); });
  connect(this, &QPlainTextEdit::cursorPositionChanged,
          [this] { ReportCaret(); });
  connect(this, &QPlainTextEdit::selectionChanged, [this] { ReportCaret(); });
}

void TextEdit::Show(const ControlState& state) {
  ShowingScope showing;
  ShownText shown = ShowText(state.value, TextShape::kMultiLine);
  if (toPlainText() != shown.text) setPlainText(shown.text);
  last_fitting_ = shown.text;
  auto widget = [&](int p) {
    return ToWidgetPosition(state.value, shown, TextShape::kMultiLine, p);
  };
  QTextCursor cursor = textCursor();
  if (state.selection_start > 0) {
    cursor.setPosition(widget(state.selection_start));
    cursor.setPosition(widget(state.selection_end + 1),
                       QTextCursor::KeepAnchor);
  } else if (hasFocus()) {
    cursor.setPosition(widget(state.caret));
  } else {
    return;
  }
  if (cursor != textCursor()) setTextCursor(cursor);
}

void TextEdit::keyPressEvent(QKeyEvent* event) {
  if (QString refused = FirstRefusedCharacter(event->text());
      !refused.isEmpty() && IsTypedText(*event))
    return ShowRefusal(this, refused);
  QPlainTextEdit::keyPressEvent(event);
}

void TextEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (QString refused = FirstRefusedCharacter(event->commitString());
      !refused.isEmpty()) {
    QInputMethodEvent nothing;
    QPlainTextEdit::inputMethodEvent(&nothing);
    return ShowRefusal(this, refused);
  }
  QPlainTextEdit::inputMethodEvent(event);
}

void TextEdit::insertFromMimeData(const QMimeData* source) {
  if (source->hasText()) {
    if (QString refused = FirstRefusedCharacter(source->text());
        !refused.isEmpty())
      return ShowRefusal(this, refused);
  }
  // Only the text is taken; formatting has no place in the runtime's text.
  QMimeData text_only;
  text_only.setText(source->text());
  QPlainTextEdit::insertFromMimeData(&text_only);
}

void TextEdit::ReportEdit() {
  if (Showing()) return;
  std::optional<std::string> value =
      ReadText(toPlainText(), TextShape::kMultiLine);
  if (!value) return;
  // Text beyond what the variable holds would be cut off unseen when it is
  // stored: the edit is undone and the user told.
  if (capacity_ > 0 && static_cast<int>(value->size()) > capacity_) {
    {
      ShowingScope showing;
      setPlainText(last_fitting_);
      QTextCursor cursor = textCursor();
      cursor.setPosition(std::min(last_cursor_, int(last_fitting_.size())));
      setTextCursor(cursor);
    }
    return ShowNotice(this, CapacityMessage(capacity_));
  }
  last_fitting_ = toPlainText();
  ReportInput([&] {
    EnsureFocus(window_, number_);
    UserSetText(window_, number_, *value);
  });
  ReportCaret();
}

void TextEdit::ReportCaret() {
  if (Showing() || !hasFocus()) return;
  QTextCursor cursor = textCursor();
  last_cursor_ = cursor.position();
  QString text = toPlainText();
  ReportCaretAt(window_, number_, text, 0, TextShape::kMultiLine,
                cursor.position(), cursor.selectionStart(),
                cursor.selectionEnd());
}

}  // namespace vantrel::qt
