// The report manager: a window procedure whose event loop is driven by the
// window's timer. On every tick it reads a batch of records through its
// process manager and prints each into the report, sizing the batch so that
// one tick takes about one time slice; when the records are done the pages
// go to the print preview and, if the user chooses, to the printer.
//
//   class CardList : public ReportManager {
//     Level Init() override {            // opens the progress window,
//       ...                              // then ReportManager::Init(...)
//     }
//     Level TakeRecord() override { ... report.AddBand(...); ... }
//   };
#ifndef VANTREL_FRAMEWORK_REPORT_MANAGER_H_
#define VANTREL_FRAMEWORK_REPORT_MANAGER_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/process_manager.h"
#include "framework/report_pages.h"
#include "framework/window_manager.h"

namespace vantrel {

class PrintPreview;

// Lays out a report's bands on pages: each page starts with the header and
// ends with the footer, which learns the page count once the run is done.
class ReportLayout {
 public:
  virtual ~ReportLayout();
  virtual int HeaderHeight() const { return 0; }
  virtual void DrawHeader(Page& page, int page_number, int top) {
    (void)page, (void)page_number, (void)top;
  }
  virtual int FooterHeight() const { return 0; }
  virtual void DrawFooter(Page& page, int page_number, int page_count,
                          int top) {
    (void)page, (void)page_number, (void)page_count, (void)top;
  }
  // Places a band `height` high; the items' y are from the band's top. A
  // band that does not fit below the last one starts a new page.
  void AddBand(int height, std::vector<PageItem> items);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  // Draws headers and footers and writes one page file per page into
  // `directory`, appending the names to `files`.
  bool WritePages(const PageDirectory& directory,
                  std::vector<std::string>& files, std::string& error);
  // Drops every page.
  void Clear();

  int margin = 500;  // on every side, thousandths of an inch
  int page_width = kPageWidth;
  int page_height = kPageHeight;

 private:
  void NewPage();
  std::vector<Page> pages_;
  int y_ = 0;  // where the next band goes on the last page
};

// A page file of PREVIEWQUEUE.
struct PreviewPage {
  std::string FILENAME;
};

class ReportManager : public WindowManager {
 public:
  ReportManager();
  ~ReportManager() override;

  // Stores the process, report and preview; with a preview the page queue
  // is created and given to it. RECORDSPERCYCLE 1, TIMESLICE 100.
  void Init(ProcessManager& process, ReportLayout* report,
            PrintPreview* preview);
  using WindowManager::Init;

  // Hides the window for DEFERWINDOW seconds, then runs the loop.
  void Ask() override;
  Level TakeWindowEvent() override;
  // Starts the process; OPENFAILED when it cannot.
  virtual Level OpenReport();
  // Prints one record; non-zero ends the run.
  virtual std::uint8_t TakeRecord() { return 0; }
  // "No Records" and OPENFAILED.
  virtual void TakeNoRecords();
  // After the loop: writes the pages, shows the preview (or prints at once
  // with SKIPPREVIEW) and prints what the user chose. True when pages were
  // printed or saved.
  virtual bool PrintPages();

  // The clock in hundredths of a second (replaceable for tests).
  std::function<std::int32_t()> clock;

  std::uint8_t DEFEROPENREPORT = 0;
  std::uint16_t DEFERWINDOW = 0;
  std::uint8_t KEEPVISIBLE = 0;
  std::uint8_t OPENFAILED = 0;
  PrintPreview* PREVIEW = nullptr;
  std::unique_ptr<std::vector<PreviewPage>> PREVIEWQUEUE;
  ProcessManager* PROCESS = nullptr;
  std::int32_t RECORDSPERCYCLE = 1;
  std::int32_t QUERYCONTROL = 0;
  ReportLayout* REPORT = nullptr;
  std::uint8_t SKIPPREVIEW = 0;
  std::int32_t STARTTIME = 0;
  std::uint16_t TIMESLICE = 100;
  std::uint8_t WAITCURSOR = 0;
  std::int16_t ZOOM = 0;

  // Records printed in this run; whether the run reached the last record.
  std::int32_t records_printed = 0;
  bool completed = false;
  std::string last_error;  // why the pages could not be written or printed

 private:
  bool opened_ = false;
  std::unique_ptr<PageDirectory> directory_;
};

// The clock of the report loop: hundredths of a second since an arbitrary
// start.
std::int32_t ClockHundredths();

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_REPORT_MANAGER_H_
