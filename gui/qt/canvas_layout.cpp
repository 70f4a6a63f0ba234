#include "gui/qt/canvas_layout.h"

#include <QWidget>
#include <algorithm>

#include "gui/qt/dialog_units.h"

namespace vantrel::qt {
namespace {

// The client area's margin around the controls when the window's size is
// not given, in dialog units.
constexpr int kMarginUnits = 4;

bool Overlap(double a0, double a1, double b0, double b1) {
  return a0 < b1 && b0 < a1;
}

std::vector<Span> SpansAcross(const std::vector<Layout>& rects,
                              const std::vector<int>& growth) {
  std::vector<Span> spans;
  for (std::size_t i = 0; i < rects.size(); ++i) {
    const Layout& r = rects[i];
    spans.push_back({double(r.x), double(r.x + r.width),
                     (growth[i] & kGrowAcross) != 0, double(r.y),
                     double(r.y + r.height)});
  }
  return spans;
}

std::vector<Span> SpansDown(const std::vector<Layout>& rects,
                            const std::vector<int>& growth) {
  std::vector<Span> spans;
  for (std::size_t i = 0; i < rects.size(); ++i) {
    const Layout& r = rects[i];
    spans.push_back({double(r.y), double(r.y + r.height),
                     (growth[i] & kGrowDown) != 0, double(r.x),
                     double(r.x + r.width)});
  }
  return spans;
}

}  // namespace

StretchAxis::StretchAxis(const std::vector<Span>& spans) {
  std::vector<double> cuts;
  for (const Span& s : spans) {
    cuts.push_back(s.start);
    cuts.push_back(s.end);
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
    double a = cuts[i], b = cuts[i + 1];
    bool grown = false, blocked = false;
    for (const Span& s : spans) {
      if (!s.grows || !Overlap(a, b, s.start, s.end)) continue;
      grown = true;
      // A fixed control in the same row as this growing one keeps the
      // stretch from passing through it.
      for (const Span& f : spans) {
        if (!f.grows && Overlap(a, b, f.start, f.end) &&
            Overlap(s.other_start, s.other_end, f.other_start, f.other_end))
          blocked = true;
      }
    }
    if (!grown || blocked) continue;
    if (!zones_.empty() && zones_.back().second == a) {
      zones_.back().second = b;
    } else {
      zones_.emplace_back(a, b);
    }
    total_ += b - a;
  }
}

double StretchAxis::ShareBefore(double v) const {
  if (total_ <= 0) return 0;
  double before = 0;
  for (const auto& [a, b] : zones_) {
    if (v <= a) break;
    before += std::min(v, b) - a;
  }
  return before / total_;
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
      entry.units = units;
      entry.growth = growth;
      invalidate();
      return;
    }
  }
  addChildWidget(widget);
  entries_.push_back({new QWidgetItem(widget), units, growth});
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
  entries_.push_back({item, Layout{}, kGrowNone});
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
    right = std::max(right, entry.units.x + entry.units.width);
    bottom = std::max(bottom, entry.units.y + entry.units.height);
  }
  if (design.width <= 0) design.width = right + kMarginUnits;
  if (design.height <= 0) design.height = bottom + kMarginUnits;
  return design;
}

QRect CanvasLayout::DesignRect(const Layout& units) const {
  return DialogUnits(parentWidget()->font()).Rect(units);
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
  int extra_x = std::max(0, rect.width() - design.width());
  int extra_y = std::max(0, rect.height() - design.height());
  std::vector<Layout> rects;
  std::vector<int> growth;
  for (const Entry& entry : entries_) {
    rects.push_back(entry.units);
    growth.push_back(entry.growth);
  }
  StretchAxis across(SpansAcross(rects, growth));
  StretchAxis down(SpansDown(rects, growth));
  auto map_x = [&](double v) {
    return du.X(v) + static_cast<int>(extra_x * across.ShareBefore(v));
  };
  auto map_y = [&](double v) {
    return du.Y(v) + static_cast<int>(extra_y * down.ShareBefore(v));
  };
  for (const Entry& entry : entries_) {
    const Layout& u = entry.units;
    QSize hint = entry.item->sizeHint();
    QSize minimum = entry.item->minimumSize();
    int left = map_x(u.x);
    int top = map_y(u.y);
    int width = u.width <= 0 ? hint.width()
                : (entry.growth & kGrowAcross) ? map_x(u.x + u.width) - left
                                               : du.X(u.x + u.width) - du.X(u.x);
    int height = u.height <= 0 ? hint.height()
                 : (entry.growth & kGrowDown) ? map_y(u.y + u.height) - top
                                              : du.Y(u.y + u.height) - du.Y(u.y);
    // A control never gets less than it needs to show its text: it widens
    // to the right and grows evenly up and down.
    if (height < minimum.height()) {
      top -= (minimum.height() - height) / 2;
      height = minimum.height();
    }
    width = std::max(width, minimum.width());
    QRect placed(rect.left() + left, rect.top() + top, width, height);
    // The widget gets its rectangle as it stands; a layout item would cut
    // widgets of a fixed size policy (tool buttons) down to their hint.
    if (QWidget* widget = entry.item->widget()) {
      widget->setGeometry(placed);
    } else {
      entry.item->setGeometry(placed);
    }
  }
}

}  // namespace vantrel::qt
