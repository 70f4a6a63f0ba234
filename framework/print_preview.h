// The print preview: shows the pages of a finished report, one at a time
// or as a grid of thumbnails, at a zoom the user chooses; the user pages
// through them, picks the pages to print and prints, saves them as PDF or
// leaves. Its placement is kept under "_PreviewWindow_", that of its
// pages-to-print window under "_PreviewAskPagesWindow_".
//
//   PrintPreview preview(errors, ini);
//   preview.IMAGEQUEUE = &pages;   // one page file per page
//   if (preview.Display()) ... print what is left in `pages`
#ifndef VANTREL_FRAMEWORK_PRINT_PREVIEW_H_
#define VANTREL_FRAMEWORK_PRINT_PREVIEW_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/ini_manager.h"
#include "framework/report_manager.h"
#include "framework/window_manager.h"
#include "runtime/window/window_description.h"

namespace vantrel {

inline constexpr char kPreviewSection[] = "_PreviewWindow_";
inline constexpr char kPreviewAskPagesSection[] = "_PreviewAskPagesWindow_";
inline constexpr char kPreviewTitle[] = "Print Preview";
inline constexpr std::size_t kPagesToPrintLength = 256;

// Zoom values that are not percentages.
inline constexpr std::int16_t kZoomTile = -2;
inline constexpr std::int16_t kZoomPageWidth = -1;
// A typed zoom must lie in this range.
inline constexpr int kMinUserZoom = 10;
inline constexpr int kMaxUserZoom = 800;

struct ZoomChoice {
  std::int16_t PERCENTILE = 0;
  std::string MENUTEXT;
  std::string STATUSTEXT;
};
const std::vector<ZoomChoice>& ZoomTable();

// The controls of the preview window.
enum PreviewControl : std::int16_t {
  kPrevTbarZoom = 1,
  kPrevTbarPrint,
  kPrevTbarExit,
  kPrevMenuPages,
  kPrevMenuPrint,
  kPrevMenuExit,
  kPrevZoomList,
  kPrevZoomPrompt,
  kPrevPagePrompt,
  kPrevCurrentPage,
  kPrevPagesAcross,
  kPrevPagesDown,
  kPrevNext,
  kPrevPrevious,
  kPrevJump,
  kPrevChangeDisplay,
  kPrevViewMenu,
  kPrevZoomMenu,
  // Beyond the standard set.
  kPrevFileMenu,
  kPrevMenuSavePdf,
  kPrevTbarSavePdf,
  kPrevAcrossPrompt,
  kPrevDownPrompt,
  kPrevPageArea,    // where the page output draws the pages
  kPrevStatusZoom,  // the first status zone
  kPrevStatusPage,  // the second
  kPrevFirst,
  kPrevLast,
  kPrevMenuNext,
  kPrevMenuPrevious,
  kPrevMenuFirst,
  kPrevMenuLast,
  kPrevMenuJump,
  kPrevMenuChangeDisplay,
  kPrevPagesMenu,
  kPrevStatusPrint,  // what the last print or save did
  kPrevZoomItem = 201,  // the zoom menu's items: 201 + n - 1 for choice n
};

// What the page output draws in the page area.
struct PageDisplay {
  std::vector<std::string> files;  // every page, in order
  int first_page = 1;              // the page shown, or the grid's first
  int across = 1;                  // thumbnails per row (tile mode)
  int down = 1;                    // rows (tile mode)
  bool tiled = false;
  int selected = 1;  // the current page (marked in the grid)
  int zoom = 100;    // percentage; kZoomPageWidth fits the width
};

// Draws the preview's pages into its page area; installed by the program
// beside the page output.
class PageView {
 public:
  virtual ~PageView() = default;
  virtual void ShowPages(Window& window, std::int16_t area,
                         const PageDisplay& display) = 0;
};
PageView* SetPageView(PageView* view);  // returns the one replaced
PageView* CurrentPageView();

// The page numbers (from 1) a pages-to-print text selects out of `count`:
// ranges "a", "a-b", "a-" (to the last page) and "-b" separated by commas or
// blanks. Nothing when the text is not such a list or names no page.
std::optional<std::vector<int>> ParsePageRanges(std::string_view text,
                                                int count);

class PrintPreview : public WindowManager {
 public:
  PrintPreview(ErrorManager& errors, IniManager& ini);

  static WindowDescription Description();

  // Runs the preview over IMAGEQUEUE; true when the user chose to print,
  // and then IMAGEQUEUE holds only the pages to print.
  bool Display(std::int16_t zoom = 0);

  Level Init() override;
  void Kill() override;
  Level TakeAccepted() override;
  Level TakeWindowEvent() override;

  // PAGESTOPRINT = "1-" + the page count.
  void SetDefaultPages();
  // Removes from IMAGEQUEUE, from the last page back, every page that
  // PAGESTOPRINT does not select; false (nothing removed) when it is not
  // a valid list.
  bool KeepPagesToPrint();
  // Redraws the pages and sets the controls and the status zones.
  void Rebuild();

  // The questions; each true when confirmed.
  virtual bool AskPages();
  virtual bool AskPageNumber();
  virtual bool AskGrid();
  // Saves the pages chosen to print as a PDF file the user names.
  virtual void SavePdf();

  int PageCount() const;

  std::uint8_t ALLOWUSERZOOM = 1;
  std::uint8_t CONFIRMPAGES = 0;
  std::int32_t CURRENTPAGE = 1;
  std::int32_t FIRSTPAGE = 1;
  std::vector<PreviewPage>* IMAGEQUEUE = nullptr;
  IniManager* INIMGR = nullptr;
  std::int16_t INITZOOM = 0;
  std::uint8_t MAXIMIZE = 0;
  std::int16_t PAGESACROSS = 2;
  std::int16_t PAGESDOWN = 1;
  char PAGESTOPRINT[kPagesToPrintLength] = {};
  Window* PREVIEWWINDOW = nullptr;
  std::uint8_t PRINTOK = 0;
  std::uint16_t THUMBNAILSPRESENT = 1;
  std::uint16_t USERPERCENTILE = 100;
  std::unique_ptr<std::vector<ZoomChoice>> ZOOMQUEUE;
  std::uint8_t ZOOMINDEX = 0;
  char ZOOMLIST[16] = {};

 private:
  bool Tiled() const;
  void ChooseZoom(std::uint8_t index);
  void TakeZoomText();
  void TakeCurrentPage();
  void TakeGridSize(std::int16_t changed);
};

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_PRINT_PREVIEW_H_
