#include "framework/report_manager.h"

#include <chrono>

#include "framework/print_preview.h"
#include "runtime/window/events.h"
#include "runtime/window/gui_backend.h"
#include "runtime/window/properties.h"
#include "runtime/window/window_statements.h"

namespace vantrel {

std::int32_t ClockHundredths() {
  using namespace std::chrono;
  return static_cast<std::int32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch())
          .count() /
      10);
}

ReportLayout::~ReportLayout() = default;

void ReportLayout::NewPage() {
  Page page;
  page.width = page_width;
  page.height = page_height;
  pages_.push_back(std::move(page));
  y_ = margin + HeaderHeight();
}

void ReportLayout::AddBand(int height, std::vector<PageItem> items) {
  const int bottom = page_height - margin - FooterHeight();
  // A band taller than a page goes on a page of its own.
  if (pages_.empty() ||
      (y_ + height > bottom && y_ > margin + HeaderHeight())) {
    NewPage();
  }
  for (PageItem& item : items) {
    item.y += y_;
    pages_.back().items.push_back(std::move(item));
  }
  y_ += height;
}

bool ReportLayout::WritePages(const PageDirectory& directory,
                              std::vector<std::string>& files,
                              std::string& error) {
  const int count = PageCount();
  for (int n = 1; n <= count; ++n) {
    Page& page = pages_[n - 1];
    DrawHeader(page, n, margin);
    DrawFooter(page, n, count, page_height - margin - FooterHeight());
    std::string path = directory.PagePath(n);
    if (!WritePageFile(page, path)) {
      error = "The page file " + path + " could not be written.";
      return false;
    }
    files.push_back(std::move(path));
  }
  return true;
}

void ReportLayout::Clear() {
  pages_.clear();
  y_ = 0;
}

ReportManager::ReportManager() : clock(ClockHundredths) {}
ReportManager::~ReportManager() = default;

void ReportManager::Init(ProcessManager& process, ReportLayout* report,
                         PrintPreview* preview) {
  PROCESS = &process;
  REPORT = report;
  PREVIEW = preview;
  if (preview != nullptr) {
    PREVIEWQUEUE = std::make_unique<std::vector<PreviewPage>>();
    preview->IMAGEQUEUE = PREVIEWQUEUE.get();
  }
  RECORDSPERCYCLE = 1;
  TIMESLICE = 100;
  if (!DEFEROPENREPORT) OpenReport();
}

Level ReportManager::OpenReport() {
  if (opened_) return Level::Proceed;
  opened_ = true;
  records_printed = 0;
  completed = false;
  if (REPORT != nullptr) REPORT->Clear();
  Level level = PROCESS->ResetProcess();
  if (level != Level::Proceed) OPENFAILED = 1;
  return level;
}

void ReportManager::TakeNoRecords() {
  if (ERRORS != nullptr) ERRORS->Raise(kMsgNoRecords);
  OPENFAILED = 1;
}

void ReportManager::Ask() {
  if (DEFERWINDOW != 0) {
    STARTTIME = clock();
    if (Window* window = TopWindow()) {
      PlaceWindow(*window, {window->placement.normal, false, true});
    }
  }
  WindowManager::Ask();
}

Level ReportManager::TakeWindowEvent() {
  if (CurrentEvent() != kEventTimer) return WindowManager::TakeWindowEvent();
  if (DEFEROPENREPORT) {
    DEFEROPENREPORT = 0;
    OpenReport();
  }
  if (OPENFAILED) return kLevelLeaveLoop;
  const std::int32_t start = clock();
  if (DEFERWINDOW != 0 && start - STARTTIME > DEFERWINDOW * 100) {
    if (Window* window = TopWindow()) {
      PlaceWindow(*window, {window->placement.normal, false, false});
    }
    DEFERWINDOW = 0;
  }
  auto stop = [&] {
    SetProperty(kPropTimer, 0, "0");
    PostEvent(kEventCloseWindow);
    return kLevelConsumed;
  };
  std::int32_t done = 0;
  for (;;) {
    while (done < RECORDSPERCYCLE) {
      Level level = PROCESS->Next();
      if (level == Level::Notified && PROCESS->RECORDSPROCESSED == 0 &&
          records_printed == 0) {
        TakeNoRecords();
        return kLevelConsumed;  // the next tick ends the loop
      }
      if (level != Level::Proceed) {
        // The end of the records, or a read failure already reported: the
        // run ends either way.
        completed = level == Level::Notified;
        return stop();
      }
      ++done;
      ++records_printed;
      if (TakeRecord() != 0) return stop();
    }
    const std::int32_t spent = clock() - start;
    if (5 * spent < 4 * TIMESLICE) RECORDSPERCYCLE *= 2;
    if (2 * spent < TIMESLICE) continue;
    if (2 * spent > 3 * TIMESLICE && RECORDSPERCYCLE > 1) {
      RECORDSPERCYCLE /= 2;
    }
    break;
  }
  return WindowManager::TakeWindowEvent();
}

bool ReportManager::PrintPages() {
  if (OPENFAILED || records_printed == 0 || REPORT == nullptr) return false;
  directory_ = std::make_unique<PageDirectory>();
  if (!directory_->ok()) {
    last_error = "No directory for the page files could be made.";
    return false;
  }
  std::vector<std::string> files;
  if (!REPORT->WritePages(*directory_, files, last_error)) return false;
  if (!PREVIEWQUEUE) PREVIEWQUEUE = std::make_unique<std::vector<PreviewPage>>();
  PREVIEWQUEUE->clear();
  for (std::string& file : files) PREVIEWQUEUE->push_back({std::move(file)});
  if (PREVIEW != nullptr && !SKIPPREVIEW) {
    PREVIEW->IMAGEQUEUE = PREVIEWQUEUE.get();
    if (!PREVIEW->Display(ZOOM)) return false;
  }
  PageOutput* output = CurrentPageOutput();
  if (output == nullptr) {
    last_error = "Printing is not available.";
    return false;
  }
  std::vector<std::string> pages;
  for (const PreviewPage& page : *PREVIEWQUEUE) pages.push_back(page.FILENAME);
  return output->Print(pages, last_error);
}

}  // namespace vantrel
