// The preview's page area on Qt: a scroll area over the page region of the
// preview window, showing one page at the zoom chosen or a grid of pages.
#include <QPainter>
#include <QPointer>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "gui/print/page_painter.h"
#include "gui/qt/native_window.h"
#include "gui/qt/qt_backend.h"
#include "runtime/window/gui_backend.h"

namespace vantrel::print {
namespace {

constexpr int kGap = 12;  // pixels around and between pages

class PagesWidget : public QWidget {
 public:
  explicit PagesWidget(QScrollArea* area) : QWidget(area), area_(area) {
    setAutoFillBackground(false);
  }

  void Show(const PageDisplay& display) {
    display_ = display;
    if (display.files != files_) {
      files_ = display.files;
      pages_.assign(files_.size(), std::nullopt);
      errors_.assign(files_.size(), {});
    }
    Relayout();
    if (!display.tiled) {
      area_->verticalScrollBar()->setValue(0);
    }
    update();
  }

  void Relayout() {
    if (display_.tiled || files_.empty()) {
      setMinimumSize(0, 0);
      resize(area_->viewport()->size());
      return;
    }
    const QSize size = PagePixels(PageAt(display_.first_page));
    setMinimumSize(size.width() + 2 * kGap, size.height() + 2 * kGap);
    resize(std::max(minimumWidth(), area_->viewport()->width()),
           std::max(minimumHeight(), area_->viewport()->height()));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x80, 0x80, 0x80));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (files_.empty()) return;
    if (!display_.tiled) {
      const QSize size = PagePixels(PageAt(display_.first_page));
      QRect target((width() - size.width()) / 2, kGap, size.width(),
                   size.height());
      DrawOne(painter, display_.first_page, target, false);
      return;
    }
    const int across = std::max(display_.across, 1);
    const int down = std::max(display_.down, 1);
    const int cell_w = (width() - kGap) / across - kGap;
    const int cell_h = (height() - kGap) / down - kGap;
    if (cell_w < 4 || cell_h < 4) return;
    for (int row = 0; row < down; ++row) {
      for (int col = 0; col < across; ++col) {
        const int n = display_.first_page + row * across + col;
        if (n > static_cast<int>(files_.size())) return;
        const Page& page = PageAt(n);
        const double scale =
            std::min(double(cell_w) / page.width, double(cell_h) / page.height);
        const int w = static_cast<int>(page.width * scale);
        const int h = static_cast<int>(page.height * scale);
        QRect target(kGap + col * (cell_w + kGap) + (cell_w - w) / 2,
                     kGap + row * (cell_h + kGap) + (cell_h - h) / 2, w, h);
        DrawOne(painter, n, target, n == display_.selected);
      }
    }
  }

 private:
  void DrawOne(QPainter& painter, int n, const QRect& target, bool selected) {
    painter.fillRect(target.translated(3, 3), QColor(0x50, 0x50, 0x50));
    DrawPage(painter, PageAt(n), QRectF(target));
    if (!errors_[n - 1].empty()) {
      painter.setPen(Qt::darkRed);
      painter.drawText(target.adjusted(8, 8, -8, -8),
                       Qt::AlignCenter | Qt::TextWordWrap,
                       QString::fromStdString(errors_[n - 1]));
    }
    if (selected) {
      painter.setPen(QPen(palette().highlight().color(), 3));
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(target.adjusted(-3, -3, 2, 2));
    }
  }

  // Pages are read when first shown; one that cannot be read is drawn as a
  // blank page saying why.
  const Page& PageAt(int n) {
    n = std::clamp(n, 1, static_cast<int>(files_.size()));
    std::optional<Page>& page = pages_[n - 1];
    if (!page) {
      std::string error;
      page = ReadPageFile(files_[n - 1], error);
      if (!page) {
        page = Page();
        errors_[n - 1] = error;
      }
    }
    return *page;
  }

  QSize PagePixels(const Page& page) const {
    double width_px;
    if (display_.zoom == kZoomPageWidth || display_.zoom <= 0) {
      width_px = std::max(100, area_->viewport()->width() - 2 * kGap);
    } else {
      width_px = page.width / 1000.0 * logicalDpiX() * display_.zoom / 100.0;
    }
    return QSize(static_cast<int>(width_px),
                 static_cast<int>(width_px * page.height / page.width));
  }

  QScrollArea* area_;
  PageDisplay display_;
  std::vector<std::string> files_;
  std::vector<std::optional<Page>> pages_;
  std::vector<std::string> errors_;
};

class PagesArea : public QScrollArea {
 public:
  explicit PagesArea(QWidget* parent) : QScrollArea(parent) {
    setObjectName(QStringLiteral("vantrel_pages"));
    setFrameShape(QFrame::StyledPanel);
    pages_ = new PagesWidget(this);
    setWidget(pages_);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setWidgetResizable(false);
  }
  PagesWidget* pages() const { return pages_; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QScrollArea::resizeEvent(event);
    pages_->Relayout();
  }

 private:
  PagesWidget* pages_;
};

}  // namespace

void QtPageOutput::ShowPages(Window& window, std::int16_t area,
                             const PageDisplay& display) {
  // Only windows of the Qt backend have Qt widgets to draw in.
  if (dynamic_cast<qt::QtBackend*>(&Backend()) == nullptr) return;
  auto* native = static_cast<qt::NativeWindow*>(window.native);
  if (native == nullptr) return;
  QWidget* region = native->WidgetOf(area);
  if (region == nullptr) return;
  auto* pages = region->findChild<PagesArea*>(QStringLiteral("vantrel_pages"));
  if (pages == nullptr) {
    pages = new PagesArea(region);
    auto* layout = new QVBoxLayout(region);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pages);
    pages->show();
  }
  pages->pages()->Show(display);
}

}  // namespace vantrel::print
