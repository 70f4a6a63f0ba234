#include "gui/qt/canvas_layout.h"

#include <QWidget>
#include <algorithm>
#include <numeric>

namespace vantrel::qt {
namespace {

// The client area's margin around the controls when the window's size is
// not given, in dialog units.
constexpr int kMarginUnits = 4;

enum class Axis { kAcross, kDown };

Axis Other(Axis axis) {
  return axis == Axis::kAcross ? Axis::kDown : Axis::kAcross;
}

int Start(const Layout& r, Axis axis) {
  return axis == Axis::kAcross ? r.x : r.y;
}
int End(const Layout& r, Axis axis) {
  return axis == Axis::kAcross ? r.x + r.width : r.y + r.height;
}
int GrowBit(Axis axis) {
  return axis == Axis::kAcross ? kGrowAcross : kGrowDown;
}

class Arranger {
 public:
  Arranger(const std::vector<Placement>& controls, const DialogUnits& units)
      : controls_(controls),
        units_(units),
        shift_(controls.size()),
        grow_(controls.size()) {}

  std::vector<QRect> Run(QSize extra) {
    std::vector<int> all(controls_.size());
    std::iota(all.begin(), all.end(), 0);
    Cut(all, Axis::kDown, extra.width(), extra.height(), 0, 0, false);
    std::vector<QRect> rects;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
      const Layout& u = controls_[i].units;
      int left = units_.X(u.x), top = units_.Y(u.y);
      rects.emplace_back(left + shift_[i].x(), top + shift_[i].y(),
                         units_.X(u.x + u.width) - left + grow_[i].width(),
                         units_.Y(u.y + u.height) - top + grow_[i].height());
    }
    return rects;
  }

 private:
  // The groups of `items` between cut lines along `axis`, in order.
  std::vector<std::vector<int>> Bands(std::vector<int> items, Axis axis) const {
    std::sort(items.begin(), items.end(), [&](int a, int b) {
      return Start(controls_[a].units, axis) < Start(controls_[b].units, axis);
    });
    std::vector<std::vector<int>> bands;
    int reach = 0;
    for (int item : items) {
      const Layout& r = controls_[item].units;
      if (bands.empty() || Start(r, axis) >= reach) {
        bands.emplace_back();
        reach = End(r, axis);
      }
      bands.back().push_back(item);
      reach = std::max(reach, End(r, axis));
    }
    return bands;
  }

  bool Grows(const std::vector<int>& band, Axis axis) const {
    return std::any_of(band.begin(), band.end(), [&](int i) {
      return (controls_[i].growth & GrowBit(axis)) != 0;
    });
  }

  int Extent(const std::vector<int>& band, Axis axis) const {
    int from = Start(controls_[band.front()].units, axis);
    int to = from;
    for (int i : band) {
      from = std::min(from, Start(controls_[i].units, axis));
      to = std::max(to, End(controls_[i].units, axis));
    }
    return std::max(1, to - from);
  }

  // Shares the room of `items` (`extra_x`, `extra_y` pixels; the group
  // starts shifted by `dx`, `dy`) by cutting along `axis`. `tried_other`:
  // the other axis gave no cut either.
  void Cut(const std::vector<int>& items, Axis axis, int extra_x, int extra_y,
           int dx, int dy, bool tried_other) {
    std::vector<std::vector<int>> bands = Bands(items, axis);
    if (bands.size() <= 1) {
      if (tried_other) return Leaf(items, extra_x, extra_y, dx, dy);
      return Cut(items, Other(axis), extra_x, extra_y, dx, dy, true);
    }
    int room = axis == Axis::kAcross ? extra_x : extra_y;
    long growing = 0;
    for (const auto& band : bands)
      if (Grows(band, axis)) growing += Extent(band, axis);
    int given = 0;
    long counted = 0;
    for (const auto& band : bands) {
      int share = 0;
      if (growing > 0 && Grows(band, axis)) {
        // Shares are cut from running totals, so they add up to the room.
        counted += Extent(band, axis);
        share = static_cast<int>(room * counted / growing) - given;
      }
      if (axis == Axis::kAcross) {
        Cut(band, Axis::kDown, share, extra_y, dx + given, dy, false);
      } else {
        Cut(band, Axis::kAcross, extra_x, share, dx, dy + given, false);
      }
      given += share;
    }
  }

  void Leaf(const std::vector<int>& items, int extra_x, int extra_y, int dx,
            int dy) {
    for (int i : items) {
      shift_[i] = QPoint(dx, dy);
      grow_[i] = QSize((controls_[i].growth & kGrowAcross) ? extra_x : 0,
                       (controls_[i].growth & kGrowDown) ? extra_y : 0);
    }
  }

  const std::vector<Placement>& controls_;
  const DialogUnits& units_;
  std::vector<QPoint> shift_;
  std::vector<QSize> grow_;
};

}  // namespace

std::vector<QRect> Arrange(const std::vector<Placement>& controls,
                           const DialogUnits& units, QSize extra) {
  return Arranger(controls, units).Run(extra);
}

CanvasLayout::CanvasLayout(QWidget* canvas, Layout design)
    : QLayout(canvas), design_(design) {
  setContentsMargins(0, 0, 0, 0);
}

CanvasLayout::~CanvasLayout() {
  for (Entry& entry : entries_) delete entry.item;
}

void CanvasLayout::Place(QWidget* widget, const Layout& units, int growth) {
  for (Entry& entry : entries_) {
    if (entry.item->widget() == widget) {
      entry.placement = {units, growth};
      invalidate();
      return;
    }
  }
  addChildWidget(widget);
  entries_.push_back({new QWidgetItem(widget), {units, growth}});
  invalidate();
}

void CanvasLayout::Remove(QWidget* widget) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (it->item->widget() == widget) {
      delete it->item;
      entries_.erase(it);
      invalidate();
      return;
    }
  }
}

void CanvasLayout::addItem(QLayoutItem* item) {
  entries_.push_back({item, {}});
}

QLayoutItem* CanvasLayout::itemAt(int index) const {
  return index >= 0 && index < count() ? entries_[index].item : nullptr;
}

QLayoutItem* CanvasLayout::takeAt(int index) {
  if (index < 0 || index >= count()) return nullptr;
  QLayoutItem* item = entries_[index].item;
  entries_.erase(entries_.begin() + index);
  return item;
}

int CanvasLayout::count() const { return static_cast<int>(entries_.size()); }

Layout CanvasLayout::DesignUnits() const {
  Layout design = design_;
  if (design.width > 0 && design.height > 0) return design;
  int right = 0, bottom = 0;
  for (const Entry& entry : entries_) {
    const Layout& u = entry.placement.units;
    right = std::max(right, u.x + u.width);
    bottom = std::max(bottom, u.y + u.height);
  }
  if (design.width <= 0) design.width = right + kMarginUnits;
  if (design.height <= 0) design.height = bottom + kMarginUnits;
  return design;
}

QSize CanvasLayout::sizeHint() const {
  Layout design = DesignUnits();
  DialogUnits du(parentWidget()->font());
  return QSize(du.X(design.width), du.Y(design.height));
}

QSize CanvasLayout::minimumSize() const { return sizeHint(); }

void CanvasLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  DialogUnits du(parentWidget()->font());
  QSize design = sizeHint();
  QSize extra(std::max(0, rect.width() - design.width()),
              std::max(0, rect.height() - design.height()));
  std::vector<Placement> placements;
  for (const Entry& entry : entries_) placements.push_back(entry.placement);
  std::vector<QRect> rects = Arrange(placements, du, extra);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    QLayoutItem* item = entries_[i].item;
    const Layout& u = entries_[i].placement.units;
    QRect placed = rects[i].translated(rect.topLeft());
    // A control placed without a size takes the size it asks for; none gets
    // less than it needs to show its text: it widens to the right and grows
    // evenly up and down.
    QSize hint = item->sizeHint();
    QSize minimum = item->minimumSize();
    if (u.width <= 0) placed.setWidth(hint.width());
    if (u.height <= 0) placed.setHeight(hint.height());
    if (placed.height() < minimum.height()) {
      placed.translate(0, -(minimum.height() - placed.height()) / 2);
      placed.setHeight(minimum.height());
    }
    if (placed.width() < minimum.width()) placed.setWidth(minimum.width());
    // The widget gets its rectangle as it stands; a layout item would cut
    // widgets of a fixed size policy (tool buttons) down to their hint.
    if (QWidget* widget = item->widget()) {
      widget->setGeometry(placed);
    } else {
      item->setGeometry(placed);
    }
  }
}

}  // namespace vantrel::qt
