// The text of a menu item: its label, and the shortcut written after a tab
// ("&New\tCtrl N") or given on its own ("Ctrl+S"). Modifiers may be joined
// to the key by '+', '-' or a blank.
#ifndef VANTREL_GUI_QT_MENU_TEXT_H_
#define VANTREL_GUI_QT_MENU_TEXT_H_

#include <QKeySequence>
#include <QString>

namespace vantrel::qt {

struct MenuText {
  QString label;          // with '&' before the mnemonic
  QKeySequence shortcut;  // empty when none or not readable
};

// `shortcut` is the item's own shortcut text; it wins over one after a tab.
MenuText SplitMenuText(const QString& text, const QString& shortcut);

QKeySequence ReadShortcut(const QString& text);

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_MENU_TEXT_H_
