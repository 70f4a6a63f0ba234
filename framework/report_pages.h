// The pages a report produces. A report lays out its lines on pages of a
// fixed size; each finished page is written to a page file, and the list of
// page files goes to the print preview and to the printer. A page file is
// text: a first line "VANTREL-PAGE 1", then one item per line (sizes and
// positions in thousandths of an inch):
//   size WIDTH HEIGHT
//   text X Y WIDTH POINTS BOLD ALIGN TEXT   (ALIGN: L, R or C; WIDTH 0:
//                                            not clipped; TEXT as UTF-8
//                                            with \\ and \n escaped)
//   line X1 Y1 X2 Y2
// Drawing pages is the platform's work: the page output installed by the
// program draws them on screen, to a printer or into a PDF file.
#ifndef VANTREL_FRAMEWORK_REPORT_PAGES_H_
#define VANTREL_FRAMEWORK_REPORT_PAGES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// A4 in thousandths of an inch.
inline constexpr int kPageWidth = 8268;
inline constexpr int kPageHeight = 11693;

enum class TextAlign : char { kLeft = 'L', kRight = 'R', kCenter = 'C' };

struct PageItem {
  enum class Kind : std::uint8_t { kText, kLine };
  Kind kind = Kind::kText;
  int x = 0;  // text: left edge (right edge for kRight, centre for kCenter)
  int y = 0;  // text: the baseline
  int width = 0;  // text: clipped to this width; 0 none. Line: to x + width
  int height = 0;  // line: to y + height
  int points = 10;
  bool bold = false;
  TextAlign align = TextAlign::kLeft;
  std::string text;  // UTF-8
};

struct Page {
  int width = kPageWidth;
  int height = kPageHeight;
  std::vector<PageItem> items;
};

// Writes the page file; false when it cannot be written.
bool WritePageFile(const Page& page, const std::string& path);
// Reads a page file; nothing, with `error` saying why, when the file cannot
// be read or is not a page file.
std::optional<Page> ReadPageFile(const std::string& path, std::string& error);
// The text of a page file and back (what the two above store and read).
std::string PageFileText(const Page& page);
std::optional<Page> ParsePageFile(std::string_view text, std::string& error);

// Draws pages on the platform. The program installs one; without one there
// is no preview picture and nothing can be printed.
class PageOutput {
 public:
  virtual ~PageOutput() = default;
  // Prints the page files through the platform's print dialog; false when
  // the user cancelled or printing failed (`error` says why, empty when
  // cancelled).
  virtual bool Print(const std::vector<std::string>& page_files,
                     std::string& error) = 0;
  // Writes the page files as a PDF file; false with `error` on failure.
  virtual bool SavePdf(const std::vector<std::string>& page_files,
                       const std::string& pdf_path, std::string& error) = 0;
};

PageOutput* SetPageOutput(PageOutput* output);  // returns the one replaced
PageOutput* CurrentPageOutput();

// The directory the page files of a run go to: created fresh under the
// system's temporary directory, removed with everything in it when the
// object goes.
class PageDirectory {
 public:
  PageDirectory();
  ~PageDirectory();
  PageDirectory(const PageDirectory&) = delete;
  PageDirectory& operator=(const PageDirectory&) = delete;
  bool ok() const { return !path_.empty(); }
  // The path of page n (from 1).
  std::string PagePath(int n) const;

 private:
  std::string path_;
};

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_REPORT_PAGES_H_
