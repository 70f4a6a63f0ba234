// Drawing report pages with QPainter: on screen, on a printer and into PDF
// files, and the page output and page view the program installs so that
// the framework's reports reach them.
#ifndef VANTREL_GUI_PRINT_PAGE_PAINTER_H_
#define VANTREL_GUI_PRINT_PAGE_PAINTER_H_

#include <QRectF>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/print_preview.h"
#include "framework/report_pages.h"

class QPainter;

namespace vantrel::print {

// Draws the page scaled to fill `target` (device coordinates of the
// painter); the page's proportions are kept, centred in the rectangle.
void DrawPage(QPainter& painter, const Page& page, const QRectF& target);

// Reads every page file; nothing, with `error`, when one cannot be read.
std::optional<std::vector<Page>> ReadPages(
    const std::vector<std::string>& files, std::string& error);

// Writes the pages as a PDF file. The file is written beside its final name
// and renamed when complete, so a failure leaves any earlier file as it was.
bool WritePdf(const std::vector<Page>& pages, const std::string& path,
              const std::string& title, std::string& error);

// The page output and page view on Qt.
class QtPageOutput : public PageOutput, public PageView {
 public:
  // Installs itself; the destructor puts back what it replaced.
  QtPageOutput();
  ~QtPageOutput() override;
  QtPageOutput(const QtPageOutput&) = delete;
  QtPageOutput& operator=(const QtPageOutput&) = delete;

  bool Print(const std::vector<std::string>& page_files,
             std::string& error) override;
  bool SavePdf(const std::vector<std::string>& page_files,
               const std::string& pdf_path, std::string& error) override;
  void ShowPages(Window& window, std::int16_t area,
                 const PageDisplay& display) override;

 private:
  PageOutput* previous_output_;
  PageView* previous_view_;
};

}  // namespace vantrel::print

#endif  // VANTREL_GUI_PRINT_PAGE_PAINTER_H_
