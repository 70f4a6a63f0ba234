// The program's icons: one set drawn as SVG and compiled in, looked up by
// the names the application uses. "~Vantrel.ico", "VANTREL.ICO" and
// "vantrel" all name the same icon: the lookup ignores case, a leading "~"
// and the extension. A name that is not in the set is tried as an image
// file. SVG icons are drawn at the size and device pixel ratio asked for,
// so they stay sharp on every screen.
#ifndef VANTREL_GUI_QT_ICON_LIBRARY_H_
#define VANTREL_GUI_QT_ICON_LIBRARY_H_

#include <QIcon>
#include <QString>
#include <string_view>

#include "runtime/window/icons.h"

namespace vantrel::qt {

// The resource path of a compiled-in icon for the name; empty when the set
// has none.
QString IconResource(const QString& name);

// The icon for a runtime icon name (file, linked or standard); a null icon
// when none is found.
QIcon LookUpIcon(std::string_view runtime_name);
QIcon LookUpIcon(const Icon& icon);

// The program's own icon.
QIcon ApplicationIcon();

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_ICON_LIBRARY_H_
