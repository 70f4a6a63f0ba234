// The layout of a window's client area: every control sits at its rectangle
// in dialog units. When the window grows, the room it gains goes to the
// controls that can use it (lists and texts across and down; entries, drop
// lists and sheets across) and the controls beside or below them move along:
//
//   Along each axis, the stretch zones are the stretches covered by growing
//   controls, less those taken by fixed controls standing in a row with a
//   growing one (a prompt left of its entry, a button right of a list). A
//   position v moves by the gained room times the share of the zones that
//   lies before v. A growing control spans from its moved start to its moved
//   end; a fixed one keeps its size.
#ifndef VANTREL_GUI_QT_CANVAS_LAYOUT_H_
#define VANTREL_GUI_QT_CANVAS_LAYOUT_H_

#include <QLayout>
#include <vector>

#include "runtime/window/window_description.h"

namespace vantrel::qt {

enum Growth : int {
  kGrowNone = 0,
  kGrowAcross = 1,
  kGrowDown = 2,
};

// One axis of a control's rectangle, in dialog units.
struct Span {
  double start = 0;
  double end = 0;
  bool grows = false;
  double other_start = 0;  // the rectangle along the other axis
  double other_end = 0;
};

// The share (0 to 1) of the stretch zones of `spans` lying before v; 0 when
// nothing stretches.
class StretchAxis {
 public:
  explicit StretchAxis(const std::vector<Span>& spans);
  double ShareBefore(double v) const;
  bool stretches() const { return total_ > 0; }

 private:
  std::vector<std::pair<double, double>> zones_;  // sorted, disjoint
  double total_ = 0;
};

class CanvasLayout : public QLayout {
 public:
  // `design` is the client area in dialog units; 0 width or height: the
  // extent of the controls.
  CanvasLayout(QWidget* canvas, Layout design);
  ~CanvasLayout() override;

  // Adds the widget, or moves it when it is placed already.
  void Place(QWidget* widget, const Layout& units, int growth);
  void Remove(QWidget* widget);
  // The pixel rectangle of a dialog-unit rectangle at the design size.
  QRect DesignRect(const Layout& units) const;

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
    Layout units;
    int growth;
  };
  Layout DesignUnits() const;

  std::vector<Entry> entries_;
  Layout design_;
};

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_CANVAS_LAYOUT_H_
