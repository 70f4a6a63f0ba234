#include "gui/qt/menu_text.h"

#include <QRegularExpression>

namespace vantrel::qt {

QKeySequence ReadShortcut(const QString& text) {
  QString written = text.simplified();
  if (written.isEmpty()) return {};
  // "Ctrl N", "Ctrl-N", "Ctrl + Shift N": a modifier joins the next part.
  static const QRegularExpression kModifier(
      QStringLiteral("\\b(Ctrl|Control|Shift|Alt|Meta)\\s*[-+ ]\\s*"),
      QRegularExpression::CaseInsensitiveOption);
  written.replace(kModifier, QStringLiteral("\\1+"));
  written.replace(QStringLiteral("Control+"), QStringLiteral("Ctrl+"),
                  Qt::CaseInsensitive);
  QKeySequence sequence =
      QKeySequence::fromString(written, QKeySequence::PortableText);
  // A text Qt cannot read gives an unknown key; no shortcut then.
  if (sequence.isEmpty() || sequence[0].key() == Qt::Key_unknown) return {};
  return sequence;
}

MenuText SplitMenuText(const QString& text, const QString& shortcut) {
  MenuText menu_text;
  qsizetype tab = text.indexOf(QChar('\t'));
  menu_text.label = tab < 0 ? text : text.left(tab);
  QString written = !shortcut.trimmed().isEmpty() ? shortcut
                    : tab < 0                     ? QString()
                                                  : text.mid(tab + 1);
  menu_text.shortcut = ReadShortcut(written);
  return menu_text;
}

}  // namespace vantrel::qt
