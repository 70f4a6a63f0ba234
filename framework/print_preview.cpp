#include "framework/print_preview.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstring>

#include "runtime/data/text/ascii_case.h"
#include "runtime/window/events.h"
#include "runtime/window/file_dialog.h"
#include "runtime/window/gui_backend.h"
#include "runtime/window/message_box.h"
#include "runtime/window/properties.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

PageView*& InstalledView() {
  static PageView* view = nullptr;
  return view;
}

ControlDescription Button(std::int16_t number, std::string text,
                          std::string icon, std::string tip, Layout layout) {
  ControlDescription button =
      MakeControl(number, ControlKind::kButton, std::move(text), layout);
  button.icon = std::move(icon);
  button.tip = std::move(tip);
  return button;
}

std::string Trimmed(std::string_view text) {
  std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  std::size_t end = text.find_last_not_of(' ');
  return std::string(text.substr(start, end - start + 1));
}

bool ParseNumber(std::string_view text, int& value) {
  std::string trimmed = Trimmed(text);
  if (trimmed.empty()) return false;
  auto [end, ec] =
      std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  return ec == std::errc() && end == trimmed.data() + trimmed.size();
}

// A small question window: prompts with entries, OK and Cancel.
class AskWindow : public WindowManager {
 public:
  static constexpr std::int16_t kOk = 1, kCancel = 2, kFirstPrompt = 10,
                                kFirstEntry = 20;

  AskWindow(ErrorManager* errors, IniManager* ini, std::string title,
            std::string section, std::vector<std::string> prompts,
            std::vector<std::string> values)
      : ini_(ini),
        title_(std::move(title)),
        section_(std::move(section)),
        prompts_(std::move(prompts)),
        values(std::move(values)) {
    ERRORS = errors;
    buffers_.resize(this->values.size());
  }

  Level Init() override {
    Level level = WindowManager::Init();
    if (level != Level::Proceed) return level;
    WindowDescription window;
    window.title = title_;
    window.icon = "~Vantrel.ico";
    const int rows = static_cast<int>(prompts_.size());
    window.layout = {0, 0, 200, 30 + rows * 16};
    window.modal = true;
    for (int i = 0; i < rows; ++i) {
      window.controls.push_back(MakeControl(
          static_cast<std::int16_t>(kFirstPrompt + i), ControlKind::kPrompt,
          prompts_[i], {6, 8 + i * 16, 120, 10}));
      ControlDescription entry =
          MakeControl(static_cast<std::int16_t>(kFirstEntry + i),
                      ControlKind::kEntry, "", {130, 6 + i * 16, 64, 12});
      buffers_[i].fill(' ');
      std::memcpy(buffers_[i].data(), values[i].data(),
                  std::min(values[i].size(), buffers_[i].size()));
      entry.variable = {FieldType::STRING,
                        reinterpret_cast<std::uint8_t*>(buffers_[i].data()),
                        static_cast<std::uint32_t>(buffers_[i].size()), 0};
      window.controls.push_back(entry);
    }
    ControlDescription ok = MakeControl(kOk, ControlKind::kButton, "OK",
                                        {92, 10 + rows * 16, 48, 14});
    window.controls.push_back(ok);
    window.controls.push_back(MakeControl(kCancel, ControlKind::kButton,
                                          "Cancel",
                                          {146, 10 + rows * 16, 48, 14}));
    window_ = &OpenWindow(window);
    OPENED = 1;
    if (ini_ != nullptr && !section_.empty())
      ini_->FetchWindow(section_, *window_);
    AddButton(kCancel, kRequestCancelled);
    FIRSTFIELD = kFirstEntry;
    return Level::Proceed;
  }

  Level TakeAccepted() override {
    if (AcceptedField() == kOk) {
      // The entries as shown: an entry still being edited has not stored
      // its text yet.
      for (std::size_t i = 0; i < values.size(); ++i) {
        const ControlState* entry =
            window_->Find(static_cast<std::int16_t>(kFirstEntry + i));
        values[i] = entry != nullptr
                        ? Trimmed(entry->value)
                        : Trimmed(std::string_view(buffers_[i].data(),
                                                   buffers_[i].size()));
      }
      SetResponse(kRequestCompleted);
      return kLevelConsumed;
    }
    return WindowManager::TakeAccepted();
  }

  void Kill() override {
    if (DEAD) return;
    if (window_ != nullptr) {
      if (ini_ != nullptr && !section_.empty())
        ini_->UpdateWindow(section_, *window_);
      CloseWindow(window_);
      window_ = nullptr;
    }
    WindowManager::Kill();
  }

 private:
  IniManager* ini_;
  std::string title_;
  std::string section_;
  std::vector<std::string> prompts_;
  Window* window_ = nullptr;
  std::vector<std::array<char, 64>> buffers_;

 public:
  std::vector<std::string> values;
};

}  // namespace

const std::vector<ZoomChoice>& ZoomTable() {
  static const std::vector<ZoomChoice> table = {
      {kZoomTile, "Tile pages", "Zoom: Tile Pages"},
      {kZoomPageWidth, "Page Width", "Zoom: Page Width"},
      {50, "50% Zoom", "Zoom: 50%"},
      {75, "75% Zoom", "Zoom: 75%"},
      {100, "100% Zoom", "Zoom: 100%"},
      {200, "200% Zoom", "Zoom: 200%"},
      {300, "300% Zoom", "Zoom: 300%"},
  };
  return table;
}

PageView* SetPageView(PageView* view) {
  PageView* previous = InstalledView();
  InstalledView() = view;
  return previous;
}

PageView* CurrentPageView() { return InstalledView(); }

std::optional<std::vector<int>> ParsePageRanges(std::string_view text,
                                                int count) {
  std::vector<bool> chosen(static_cast<std::size_t>(std::max(count, 0)) + 1);
  std::string normal;
  for (char c : text) normal += c == ',' ? ' ' : c;
  // Blanks around a hyphen belong to the range.
  std::string packed;
  for (std::size_t i = 0; i < normal.size(); ++i) {
    if (normal[i] == ' ') {
      std::size_t next = normal.find_first_not_of(' ', i);
      bool before = !packed.empty() && packed.back() == '-';
      bool after = next != std::string::npos && normal[next] == '-';
      if (before || after) continue;
      if (!packed.empty() && packed.back() != ' ') packed += ' ';
      continue;
    }
    packed += normal[i];
  }
  std::string_view rest = packed;
  bool any = false;
  while (!rest.empty()) {
    std::size_t end = rest.find(' ');
    std::string_view part = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view()
                                         : rest.substr(end + 1);
    if (part.empty()) continue;
    int low = 0, high = 0;
    std::size_t dash = part.find('-');
    if (dash == std::string_view::npos) {
      if (!ParseNumber(part, low)) return std::nullopt;
      high = low;
    } else {
      std::string_view left = part.substr(0, dash);
      std::string_view right = part.substr(dash + 1);
      if (left.empty() && right.empty()) return std::nullopt;
      if (left.empty()) {
        low = 1;
      } else if (!ParseNumber(left, low)) {
        return std::nullopt;
      }
      if (right.empty()) {
        high = count;
      } else if (!ParseNumber(right, high)) {
        return std::nullopt;
      }
    }
    if (low < 1 || high < low) return std::nullopt;
    for (int page = low; page <= std::min(high, count); ++page) {
      chosen[page] = true;
      any = true;
    }
  }
  if (!any) return std::nullopt;
  std::vector<int> pages;
  for (int page = 1; page <= count; ++page) {
    if (chosen[page]) pages.push_back(page);
  }
  return pages;
}

PrintPreview::PrintPreview(ErrorManager& errors, IniManager& ini) {
  ERRORS = &errors;
  INIMGR = &ini;
}

WindowDescription PrintPreview::Description() {
  WindowDescription window;
  window.title = kPreviewTitle;
  window.icon = "~Vantrel.ico";
  window.layout = {0, 0, 510, 318};
  window.resizable = true;
  window.modal = true;
  std::vector<ControlDescription>& c = window.controls;
  c.push_back(MakeControl(kPrevFileMenu, ControlKind::kMenu, "&File"));
  c.push_back(MakeControl(kPrevMenuPages, ControlKind::kMenuItem,
                          "Pages to &Print...", {}, kPrevFileMenu));
  c.push_back(MakeControl(kPrevMenuPrint, ControlKind::kMenuItem, "&Print...",
                          {}, kPrevFileMenu));
  c.push_back(MakeControl(kPrevMenuSavePdf, ControlKind::kMenuItem,
                          "&Save as PDF...", {}, kPrevFileMenu));
  c.push_back(MakeControl(kPrevMenuExit, ControlKind::kMenuItem, "E&xit", {},
                          kPrevFileMenu));
  c.push_back(MakeControl(kPrevViewMenu, ControlKind::kMenu, "&View"));
  c.push_back(MakeControl(kPrevZoomMenu, ControlKind::kMenu, "&Zoom", {},
                          kPrevViewMenu));
  for (std::size_t i = 0; i < ZoomTable().size(); ++i) {
    c.push_back(MakeControl(static_cast<std::int16_t>(kPrevZoomItem + i),
                            ControlKind::kMenuItem, ZoomTable()[i].MENUTEXT, {},
                            kPrevZoomMenu));
  }
  c.push_back(MakeControl(kPrevMenuFirst, ControlKind::kMenuItem, "&First Page",
                          {}, kPrevViewMenu));
  c.push_back(MakeControl(kPrevMenuPrevious, ControlKind::kMenuItem,
                          "P&revious Page", {}, kPrevViewMenu));
  c.push_back(MakeControl(kPrevMenuNext, ControlKind::kMenuItem, "&Next Page",
                          {}, kPrevViewMenu));
  c.push_back(MakeControl(kPrevMenuLast, ControlKind::kMenuItem, "&Last Page",
                          {}, kPrevViewMenu));
  c.push_back(MakeControl(kPrevMenuJump, ControlKind::kMenuItem,
                          "&Jump to Page...", {}, kPrevViewMenu));
  c.push_back(MakeControl(kPrevMenuChangeDisplay, ControlKind::kMenuItem,
                          "&Change Display...", {}, kPrevViewMenu));
  // The tool row.
  c.push_back(Button(kPrevTbarPrint, "&Print", "~print.svg", "Print the pages",
                     {4, 3, 40, 14}));
  c.push_back(Button(kPrevTbarSavePdf, "Save PDF...", "",
                     "Save the pages as a PDF file", {48, 3, 50, 14}));
  c.push_back(Button(kPrevTbarExit, "Close", "~exit.svg",
                     "Close without printing", {102, 3, 40, 14}));
  // The zoom choices are in the View menu; the tool row has the typed zoom.
  c.push_back(Button(kPrevTbarZoom, "Zoom", "", "Type a zoom", {0, 0, 0, 0}));
  c.back().hidden = true;
  c.push_back(MakeControl(kPrevZoomPrompt, ControlKind::kPrompt,
                          "&Zoom:", {150, 5, 22, 10}));
  c.push_back(
      MakeControl(kPrevZoomList, ControlKind::kEntry, "", {172, 3, 54, 13}));
  c.push_back(Button(kPrevFirst, "First", "", "First page", {232, 3, 30, 14}));
  c.push_back(
      Button(kPrevPrevious, "Previous", "", "Previous page", {266, 3, 40, 14}));
  c.push_back(MakeControl(kPrevPagePrompt, ControlKind::kPrompt,
                          "Pa&ge:", {310, 5, 22, 10}));
  c.push_back(
      MakeControl(kPrevCurrentPage, ControlKind::kEntry, "", {332, 3, 26, 13}));
  c.push_back(Button(kPrevNext, "Next", "", "Next page", {362, 3, 30, 14}));
  c.push_back(Button(kPrevLast, "Last", "", "Last page", {396, 3, 30, 14}));
  c.push_back(
      Button(kPrevJump, "Jump...", "", "Jump to a page", {430, 3, 36, 14}));
  c.push_back(Button(kPrevChangeDisplay, "Grid...", "",
                     "Change the grid of pages", {470, 3, 36, 14}));
  c.push_back(MakeControl(kPrevAcrossPrompt, ControlKind::kPrompt,
                          "Pages &across:", {4, 22, 50, 10}));
  c.push_back(
      MakeControl(kPrevPagesAcross, ControlKind::kEntry, "", {56, 20, 20, 13}));
  c.push_back(MakeControl(kPrevDownPrompt, ControlKind::kPrompt,
                          "&down:", {82, 22, 24, 10}));
  c.push_back(
      MakeControl(kPrevPagesDown, ControlKind::kEntry, "", {106, 20, 20, 13}));
  c.push_back(
      MakeControl(kPrevPageArea, ControlKind::kRegion, "", {4, 36, 502, 264}));
  c.push_back(MakeControl(kPrevStatusZoom, ControlKind::kPrompt, "",
                          {4, 304, 120, 10}));
  c.push_back(MakeControl(kPrevStatusPage, ControlKind::kPrompt, "",
                          {130, 304, 120, 10}));
  c.push_back(MakeControl(kPrevStatusPrint, ControlKind::kPrompt, "",
                          {256, 304, 250, 10}));
  return window;
}

int PrintPreview::PageCount() const {
  return IMAGEQUEUE == nullptr ? 0 : static_cast<int>(IMAGEQUEUE->size());
}

bool PrintPreview::Display(std::int16_t zoom) {
  INITZOOM = zoom;
  PRINTOK = 0;
  Run();
  if (PRINTOK && !KeepPagesToPrint()) PRINTOK = 0;
  return PRINTOK != 0;
}

void PrintPreview::SetDefaultPages() {
  std::string text = "1-" + std::to_string(PageCount());
  std::snprintf(PAGESTOPRINT, sizeof PAGESTOPRINT, "%s", text.c_str());
}

Level PrintPreview::Init() {
  ERRORS->SetProcedureName("PrintPreview");
  Level level = WindowManager::Init();
  if (level != Level::Proceed) return level;
  ZOOMQUEUE = std::make_unique<std::vector<ZoomChoice>>(ZoomTable());
  SetDefaultPages();
  CURRENTPAGE = 1;
  FIRSTPAGE = 1;
  ZOOMINDEX = 2;  // Page Width
  for (std::size_t i = 0; i < ZOOMQUEUE->size(); ++i) {
    if (INITZOOM != 0 && (*ZOOMQUEUE)[i].PERCENTILE == INITZOOM)
      ZOOMINDEX = static_cast<std::uint8_t>(i + 1);
  }
  if (INITZOOM >= kMinUserZoom && INITZOOM <= kMaxUserZoom && ZOOMINDEX == 2 &&
      INITZOOM != kZoomPageWidth) {
    bool in_table = false;
    for (const ZoomChoice& choice : *ZOOMQUEUE)
      in_table |= choice.PERCENTILE == INITZOOM;
    if (!in_table) {
      USERPERCENTILE = static_cast<std::uint16_t>(INITZOOM);
      ZOOMINDEX = 0;
    }
  }
  WindowDescription description = Description();
  for (ControlDescription& control : description.controls) {
    switch (control.number) {
      case kPrevZoomList:
        control.variable = Variable::Of(ZOOMLIST);
        break;
      case kPrevCurrentPage:
        control.variable = Variable::Of(CURRENTPAGE);
        break;
      case kPrevPagesAcross:
        control.variable = Variable::Of(PAGESACROSS);
        break;
      case kPrevPagesDown:
        control.variable = Variable::Of(PAGESDOWN);
        break;
      default:
        break;
    }
  }
  PREVIEWWINDOW = &OpenWindow(description);
  OPENED = 1;
  INIMGR->FetchWindow(kPreviewSection, *PREVIEWWINDOW);
  if (MAXIMIZE) {
    PlaceWindow(*PREVIEWWINDOW, {PREVIEWWINDOW->placement.normal, true, false});
  }
  if (!ALLOWUSERZOOM) Disable(kPrevZoomList);
  FIRSTFIELD = kPrevTbarPrint;
  Rebuild();
  return Level::Proceed;
}

void PrintPreview::Kill() {
  if (DEAD) return;
  if (PREVIEWWINDOW != nullptr) {
    if (OPENED) INIMGR->UpdateWindow(kPreviewSection, *PREVIEWWINDOW);
    CloseWindow(PREVIEWWINDOW);
    PREVIEWWINDOW = nullptr;
  }
  ZOOMQUEUE.reset();
  WindowManager::Kill();
  ERRORS->SetProcedureName();
}

bool PrintPreview::Tiled() const {
  return ZOOMINDEX != 0 && ZOOMQUEUE &&
         (*ZOOMQUEUE)[ZOOMINDEX - 1].PERCENTILE == kZoomTile;
}

void PrintPreview::Rebuild() {
  if (PREVIEWWINDOW == nullptr) return;
  const int count = PageCount();
  PAGESACROSS = std::max<std::int16_t>(PAGESACROSS, 1);
  PAGESDOWN = std::max<std::int16_t>(PAGESDOWN, 1);
  CURRENTPAGE = std::clamp(CURRENTPAGE, 1, std::max(count, 1));
  FIRSTPAGE = std::clamp(FIRSTPAGE, 1, std::max(count, 1));
  const bool tiled = Tiled();
  THUMBNAILSPRESENT =
      tiled ? static_cast<std::uint16_t>(PAGESACROSS * PAGESDOWN) : 1;
  if (!tiled) FIRSTPAGE = CURRENTPAGE;
  const int last = std::min(count, FIRSTPAGE + THUMBNAILSPRESENT - 1);

  auto enable = [](std::int16_t control, bool on) {
    if (on) {
      Enable(control);
    } else {
      Disable(control);
    }
  };
  auto show = [](std::int16_t control, bool on) {
    if (on) {
      UnhideControl(control);
    } else {
      HideControl(control);
    }
  };
  enable(kPrevPrevious, CURRENTPAGE > 1);
  enable(kPrevFirst, CURRENTPAGE > 1);
  enable(kPrevMenuPrevious, CURRENTPAGE > 1);
  enable(kPrevMenuFirst, CURRENTPAGE > 1);
  enable(kPrevNext, CURRENTPAGE < count);
  enable(kPrevLast, CURRENTPAGE < count);
  enable(kPrevMenuNext, CURRENTPAGE < count);
  enable(kPrevMenuLast, CURRENTPAGE < count);
  enable(kPrevJump, count > 1);
  enable(kPrevMenuJump, count > 1);
  const bool several = count > 1;
  show(kPrevPagePrompt, several);
  show(kPrevCurrentPage, several);
  for (std::int16_t control :
       {kPrevPagesAcross, kPrevPagesDown, kPrevAcrossPrompt, kPrevDownPrompt}) {
    show(control, several && tiled);
  }
  show(kPrevChangeDisplay, tiled);
  enable(kPrevChangeDisplay, several);
  enable(kPrevMenuChangeDisplay, tiled && several);

  std::string zoom_text, status_text;
  if (ZOOMINDEX == 0) {
    zoom_text = std::to_string(USERPERCENTILE) + "% Zoom";
    status_text = "Zoom: " + std::to_string(USERPERCENTILE) + "%";
  } else {
    zoom_text = (*ZOOMQUEUE)[ZOOMINDEX - 1].MENUTEXT;
    status_text = (*ZOOMQUEUE)[ZOOMINDEX - 1].STATUSTEXT;
  }
  StoreVariableValue(Variable::Of(ZOOMLIST), zoom_text);
  SetProperty(kPropText, kPrevStatusZoom, status_text);
  std::string page_text;
  if (tiled && last > FIRSTPAGE) {
    page_text = "Page " + std::to_string(FIRSTPAGE) + "-" +
                std::to_string(last) + " of " + std::to_string(count);
  } else {
    page_text = "Page " + std::to_string(tiled ? FIRSTPAGE : CURRENTPAGE) +
                " of " + std::to_string(count);
  }
  SetProperty(kPropText, kPrevStatusPage, page_text);
  vantrel::Display(kPrevZoomList);
  vantrel::Display(kPrevCurrentPage, kPrevPagesDown);

  if (PageView* view = CurrentPageView()) {
    PageDisplay display;
    for (const PreviewPage& page : *IMAGEQUEUE)
      display.files.push_back(page.FILENAME);
    display.first_page = FIRSTPAGE;
    display.across = PAGESACROSS;
    display.down = PAGESDOWN;
    display.tiled = tiled;
    display.selected = CURRENTPAGE;
    display.zoom = ZOOMINDEX == 0 ? USERPERCENTILE
                                  : (*ZOOMQUEUE)[ZOOMINDEX - 1].PERCENTILE;
    view->ShowPages(*PREVIEWWINDOW, kPrevPageArea, display);
  }
}

void PrintPreview::ChooseZoom(std::uint8_t index) {
  if (index < 1 || index > ZOOMQUEUE->size()) return;
  const bool changed = index != ZOOMINDEX;
  ZOOMINDEX = index;
  if (changed) {
    if (Tiled()) FIRSTPAGE = CURRENTPAGE;
    Rebuild();
  } else {
    vantrel::Display(kPrevZoomList);
  }
}

void PrintPreview::TakeZoomText() {
  std::string text = Trimmed(VariableValue(Variable::Of(ZOOMLIST)));
  for (std::size_t i = 0; i < ZOOMQUEUE->size(); ++i) {
    if (EqualIgnoringAsciiCase(text, (*ZOOMQUEUE)[i].MENUTEXT)) {
      ChooseZoom(static_cast<std::uint8_t>(i + 1));
      return;
    }
  }
  // A number, with or without "%" or "% Zoom" after it.
  std::string number = text;
  for (std::string_view tail : {"% Zoom", "% zoom", "%"}) {
    if (number.ends_with(tail)) {
      number.resize(number.size() - tail.size());
      break;
    }
  }
  int percent = 0;
  if (!ParseNumber(number, percent) || percent < kMinUserZoom ||
      percent > kMaxUserZoom) {
    ShowMessage("Type a zoom from " + std::to_string(kMinUserZoom) + " to " +
                    std::to_string(kMaxUserZoom) +
                    " percent, or one of the choices of the Zoom menu.",
                kPreviewTitle, kNoticeIcon);
    Rebuild();
    return;
  }
  USERPERCENTILE = static_cast<std::uint16_t>(percent);
  ZOOMINDEX = 0;
  Rebuild();
}

void PrintPreview::TakeCurrentPage() {
  const int count = std::max(PageCount(), 1);
  CURRENTPAGE = std::clamp(CURRENTPAGE, 1, count);
  if (Tiled() && CURRENTPAGE >= FIRSTPAGE &&
      CURRENTPAGE < FIRSTPAGE + THUMBNAILSPRESENT) {
    Rebuild();  // the page becomes the selected thumbnail
    return;
  }
  FIRSTPAGE = CURRENTPAGE;
  if (Tiled()) {
    while (FIRSTPAGE > 1 && FIRSTPAGE + THUMBNAILSPRESENT - 1 > count)
      --FIRSTPAGE;
  }
  Rebuild();
}

void PrintPreview::TakeGridSize(std::int16_t changed) {
  std::int16_t& size = changed == kPrevPagesAcross ? PAGESACROSS : PAGESDOWN;
  size = std::clamp<std::int16_t>(size, 1, 10);
  const int count = std::max(PageCount(), 1);
  while (FIRSTPAGE + PAGESACROSS * PAGESDOWN - 1 > count && size > 1) --size;
  Rebuild();
}

bool PrintPreview::AskPages() {
  AskWindow ask(ERRORS, INIMGR, "Pages to Print", kPreviewAskPagesSection,
                {"Pages to print (e.g. 1-3,5):"}, {PAGESTOPRINT});
  for (;;) {
    if (ask.Run() != kRequestCompleted) return false;
    if (ParsePageRanges(ask.values[0], PageCount())) {
      std::snprintf(PAGESTOPRINT, sizeof PAGESTOPRINT, "%s",
                    ask.values[0].c_str());
      return true;
    }
    ShowMessage("Type page numbers from 1 to " + std::to_string(PageCount()) +
                    ", and ranges such as 2-4, separated by commas.",
                "Pages to Print", kNoticeIcon);
  }
}

bool PrintPreview::AskPageNumber() {
  AskWindow ask(
      ERRORS, nullptr, "Jump to Page", {},
      {"Enter a page number from 1 to " + std::to_string(PageCount())},
      {std::to_string(CURRENTPAGE)});
  if (ask.Run() != kRequestCompleted) return false;
  int page = 0;
  if (!ParseNumber(ask.values[0], page) || page < 1 || page > PageCount())
    return false;
  CURRENTPAGE = page;
  return true;
}

bool PrintPreview::AskGrid() {
  AskWindow ask(ERRORS, nullptr, "Change Display", {},
                {"Pages across:", "Pages down:"},
                {std::to_string(PAGESACROSS), std::to_string(PAGESDOWN)});
  if (ask.Run() != kRequestCompleted) return false;
  int across = 0, down = 0;
  if (!ParseNumber(ask.values[0], across) || !ParseNumber(ask.values[1], down))
    return false;
  PAGESACROSS = static_cast<std::int16_t>(std::clamp(across, 1, 10));
  PAGESDOWN = static_cast<std::int16_t>(std::clamp(down, 1, 10));
  return true;
}

bool PrintPreview::KeepPagesToPrint() {
  std::optional<std::vector<int>> pages =
      ParsePageRanges(PAGESTOPRINT, PageCount());
  if (!pages) return false;
  for (int page = PageCount(); page >= 1; --page) {
    if (!std::ranges::binary_search(*pages, page))
      IMAGEQUEUE->erase(IMAGEQUEUE->begin() + (page - 1));
  }
  return true;
}

void PrintPreview::SavePdf() {
  PageOutput* output = CurrentPageOutput();
  if (output == nullptr) {
    ShowMessage("Saving as PDF is not available.", kPreviewTitle, kNoticeIcon);
    return;
  }
  // A text variable: blank-padded, without a terminating zero.
  char path[260];
  std::memset(path, ' ', sizeof path);
  std::memcpy(path, "report.pdf", 10);
  if (!FileDialog("Save as PDF", Variable::Of(path), "PDF files|*.pdf",
                  kFileSave | kFileKeepDirectory)) {
    return;
  }
  std::string file = Trimmed(std::string_view(path, sizeof path));
  if (!file.ends_with(".pdf") && !file.ends_with(".PDF")) file += ".pdf";
  std::vector<std::string> pages;
  std::optional<std::vector<int>> chosen =
      ParsePageRanges(PAGESTOPRINT, PageCount());
  for (int page : chosen.value_or(std::vector<int>{}))
    pages.push_back((*IMAGEQUEUE)[page - 1].FILENAME);
  std::string error;
  if (!output->SavePdf(pages, file, error)) {
    ShowMessage("The PDF file could not be saved.|" + error, kPreviewTitle,
                kNoticeIcon);
    return;
  }
  SetProperty(kPropText, kPrevStatusPrint, "Saved " + file);
}

Level PrintPreview::TakeAccepted() {
  const std::int16_t control = AcceptedField();
  const int count = PageCount();
  auto go_to = [&](int page) {
    CURRENTPAGE = std::clamp(page, 1, std::max(count, 1));
    PostEvent(kEventAccepted, kPrevCurrentPage);
  };
  if (control >= kPrevZoomItem &&
      control < kPrevZoomItem + static_cast<int>(ZOOMQUEUE->size())) {
    ChooseZoom(static_cast<std::uint8_t>(control - kPrevZoomItem + 1));
    return kLevelConsumed;
  }
  switch (control) {
    case kPrevTbarZoom:
      Select(kPrevZoomList);
      break;
    case kPrevMenuPages:
      AskPages();
      Rebuild();
      break;
    case kPrevMenuPrint:
    case kPrevTbarPrint:
      PRINTOK = CONFIRMPAGES ? AskPages() : 1;
      if (PRINTOK) PostEvent(kEventCloseWindow);
      break;
    case kPrevMenuSavePdf:
    case kPrevTbarSavePdf:
      SavePdf();
      break;
    case kPrevMenuExit:
    case kPrevTbarExit:
      PostEvent(kEventCloseWindow);
      break;
    case kPrevZoomList:
      TakeZoomText();
      break;
    case kPrevCurrentPage:
      TakeCurrentPage();
      break;
    case kPrevPagesAcross:
    case kPrevPagesDown:
      TakeGridSize(control);
      break;
    case kPrevNext:
    case kPrevMenuNext:
      go_to(CURRENTPAGE + 1);
      break;
    case kPrevPrevious:
    case kPrevMenuPrevious:
      go_to(CURRENTPAGE - 1);
      break;
    case kPrevFirst:
    case kPrevMenuFirst:
      go_to(1);
      break;
    case kPrevLast:
    case kPrevMenuLast:
      go_to(count);
      break;
    case kPrevJump:
    case kPrevMenuJump:
      if (AskPageNumber()) go_to(CURRENTPAGE);
      break;
    case kPrevChangeDisplay:
    case kPrevMenuChangeDisplay:
      if (AskGrid()) {
        CURRENTPAGE = 1;
        FIRSTPAGE = 1;
        Rebuild();
      }
      break;
    default:
      return WindowManager::TakeAccepted();
  }
  return kLevelConsumed;
}

Level PrintPreview::TakeWindowEvent() {
  Level level = WindowManager::TakeWindowEvent();
  if (CurrentEvent() == kEventSized) Rebuild();
  return level;
}

}  // namespace vantrel
