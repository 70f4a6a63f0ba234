// The layout of a window's client area: every control sits at its rectangle
// in dialog units. When the window grows, the room it gains goes to the
// controls that can use it (lists and texts across and down; entries, drop
// lists and sheets across), and what lies beyond them moves along, the way
// nested rows and columns would share it:
//
//   The controls are cut into bands at lines that no control crosses:
//   first into rows, then each row into columns, then each column into rows
//   again, as far as cuts can be made. Along the cut, the room goes to the
//   bands holding a control that grows that way, in proportion to their
//   size; later bands move by what earlier ones took. Across the cut every
//   band gets all of the room. Controls that cannot be cut apart (a region
//   over an image, radio buttons in their option) share a band: growing
//   ones widen by its room, fixed ones keep their size and place.
#ifndef VANTREL_GUI_QT_CANVAS_LAYOUT_H_
#define VANTREL_GUI_QT_CANVAS_LAYOUT_H_

#include <QLayout>
#include <QRect>
#include <vector>

#include "gui/qt/dialog_units.h"
#include "runtime/window/window_description.h"

namespace vantrel::qt {

enum Growth : int {
  kGrowNone = 0,
  kGrowAcross = 1,
  kGrowDown = 2,
};

struct Placement {
  Layout units;    // the rectangle in dialog units
  int growth = 0;  // Growth bits
};

// The pixel rectangles of the controls when the client area is `extra`
// pixels larger than its design size.
std::vector<QRect> Arrange(const std::vector<Placement>& controls,
                           const DialogUnits& units, QSize extra);

class CanvasLayout : public QLayout {
 public:
  // `design` is the client area in dialog units; 0 width or height: the
  // extent of the controls.
  CanvasLayout(QWidget* canvas, Layout design);
  ~CanvasLayout() override;

  // Adds the widget, or moves it when it is placed already.
  void Place(QWidget* widget, const Layout& units, int growth);
  void Remove(QWidget* widget);

  void addItem(QLayoutItem* item) override;
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  int count() const override;
  QSize sizeHint() const override;
  QSize minimumSize() const override;
  void setGeometry(const QRect& rect) override;

 private:
  struct Entry {
    QLayoutItem* item;
    Placement placement;
  };
  Layout DesignUnits() const;

  std::vector<Entry> entries_;
  Layout design_;
};

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_CANVAS_LAYOUT_H_
