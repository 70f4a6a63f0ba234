// Dialog units: window layouts are given in units of the window font, a
// quarter of its average character width across and an eighth of its height
// down, so that a window keeps its proportions at any font and screen.
#ifndef VANTREL_GUI_QT_DIALOG_UNITS_H_
#define VANTREL_GUI_QT_DIALOG_UNITS_H_

#include <QFont>
#include <QRect>

#include "runtime/window/window_description.h"

namespace vantrel::qt {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  DialogUnits(double per_x, double per_y) : per_x_(per_x), per_y_(per_y) {}

  int X(double units) const;  // pixels across
  int Y(double units) const;  // pixels down
  QRect Rect(const Layout& layout) const;
  double per_x() const { return per_x_; }
  double per_y() const { return per_y_; }

 private:
  double per_x_;  // pixels per unit across
  double per_y_;  // pixels per unit down
};

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_DIALOG_UNITS_H_
