#include "gui/print/page_painter.h"

#include <QApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>

namespace vantrel::print {
namespace {

constexpr double kMilsPerPoint = 1000.0 / 72.0;

QFont PageFont(const PageItem& item) {
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  // No ligatures: the text of a saved PDF must read back (and search) as
  // the letters it was written with.
  font.setStyleStrategy(QFont::PreferNoShaping);
  // Sizes are in thousandths of an inch, the page's own unit.
  font.setPixelSize(std::max(1, static_cast<int>(item.points * kMilsPerPoint)));
  font.setBold(item.bold);
  return font;
}

}  // namespace

void DrawPage(QPainter& painter, const Page& page, const QRectF& target) {
  const double scale =
      std::min(target.width() / page.width, target.height() / page.height);
  const QPointF origin(
      target.left() + (target.width() - page.width * scale) / 2,
      target.top() + (target.height() - page.height * scale) / 2);
  painter.save();
  painter.fillRect(QRectF(origin, QSizeF(page.width * scale,
                                         page.height * scale)),
                   Qt::white);
  painter.translate(origin);
  painter.scale(scale, scale);
  painter.setClipRect(QRectF(0, 0, page.width, page.height));
  painter.setPen(QPen(Qt::black, 8));
  for (const PageItem& item : page.items) {
    if (item.kind == PageItem::Kind::kLine) {
      painter.drawLine(QPointF(item.x, item.y),
                       QPointF(item.x + item.width, item.y + item.height));
      continue;
    }
    QFont font = PageFont(item);
    painter.setFont(font);
    QFontMetricsF metrics(font, painter.device());
    QString text = QString::fromUtf8(item.text.data(),
                                     static_cast<qsizetype>(item.text.size()));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (item.width > 0) text = metrics.elidedText(text, Qt::ElideRight, item.width);
    double x = item.x;
    const double width = metrics.horizontalAdvance(text);
    if (item.align == TextAlign::kRight) x -= width;
    if (item.align == TextAlign::kCenter) x -= width / 2;
    painter.drawText(QPointF(x, item.y), text);
  }
  painter.restore();
}

std::optional<std::vector<Page>> ReadPages(
    const std::vector<std::string>& files, std::string& error) {
  std::vector<Page> pages;
  pages.reserve(files.size());
  for (const std::string& file : files) {
    std::optional<Page> page = ReadPageFile(file, error);
    if (!page) return std::nullopt;
    pages.push_back(std::move(*page));
  }
  return pages;
}

namespace {

// Paints the pages on a paged device, one page each.
bool PaintPages(QPainter& painter, QPagedPaintDevice& device,
                const std::vector<Page>& pages) {
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (i > 0 && !device.newPage()) return false;
    DrawPage(painter, pages[i], QRectF(0, 0, device.width(), device.height()));
  }
  return true;
}

QPageSize SizeOf(const Page& page) {
  return QPageSize(QSizeF(page.width / 1000.0, page.height / 1000.0),
                   QPageSize::Inch, QString(), QPageSize::ExactMatch);
}

}  // namespace

bool WritePdf(const std::vector<Page>& pages, const std::string& path,
              const std::string& title, std::string& error) {
  if (pages.empty()) {
    error = "There are no pages to save.";
    return false;
  }
  const QString final_name = QString::fromStdString(path);
  const QString part_name = final_name + QStringLiteral(".part");
  {
    QPdfWriter writer(part_name);
    writer.setTitle(QString::fromStdString(title));
    writer.setCreator(QStringLiteral("Vantrel"));
    writer.setPageSize(SizeOf(pages.front()));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(600);
    QPainter painter;
    if (!painter.begin(&writer)) {
      error = path + " cannot be written.";
      QFile::remove(part_name);
      return false;
    }
    const bool painted = PaintPages(painter, writer, pages);
    painter.end();
    if (!painted) {
      error = path + " could not be written completely.";
      QFile::remove(part_name);
      return false;
    }
  }
  QFile::remove(final_name);
  if (!QFile::rename(part_name, final_name)) {
    error = path + " cannot be replaced.";
    QFile::remove(part_name);
    return false;
  }
  return true;
}

QtPageOutput::QtPageOutput()
    : previous_output_(SetPageOutput(this)), previous_view_(SetPageView(this)) {}

QtPageOutput::~QtPageOutput() {
  SetPageOutput(previous_output_);
  SetPageView(previous_view_);
}

bool QtPageOutput::SavePdf(const std::vector<std::string>& page_files,
                           const std::string& pdf_path, std::string& error) {
  std::optional<std::vector<Page>> pages = ReadPages(page_files, error);
  if (!pages) return false;
  return WritePdf(*pages, pdf_path, "Vantrel report", error);
}

bool QtPageOutput::Print(const std::vector<std::string>& page_files,
                         std::string& error) {
  std::optional<std::vector<Page>> pages = ReadPages(page_files, error);
  if (!pages) return false;
  if (pages->empty()) {
    error = "There are no pages to print.";
    return false;
  }
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(SizeOf(pages->front()));
  printer.setFullPage(false);
  QPrintDialog dialog(&printer, QApplication::activeWindow());
  dialog.setMinMax(1, static_cast<int>(pages->size()));
  if (dialog.exec() != QDialog::Accepted) {
    error.clear();
    return false;
  }
  int from = 1, to = static_cast<int>(pages->size());
  if (printer.printRange() == QPrinter::PageRange) {
    from = std::max(1, printer.fromPage());
    to = std::min(to, printer.toPage());
  }
  QPainter painter;
  if (!painter.begin(&printer)) {
    error = "The printer cannot be used.";
    return false;
  }
  for (int n = from; n <= to; ++n) {
    if (n > from && !printer.newPage()) {
      error = "The printer refused a new page.";
      return false;
    }
    DrawPage(painter, (*pages)[n - 1],
             printer.pageRect(QPrinter::DevicePixel).translated(
                 -printer.pageRect(QPrinter::DevicePixel).topLeft()));
  }
  painter.end();
  return true;
}

}  // namespace vantrel::print
