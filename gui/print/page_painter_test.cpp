#include "gui/print/page_painter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "gui/qt/qt_test_fixture.h"

namespace vantrel::print {
namespace {

using ::testing::HasSubstr;

// The text of a PDF file as pdftotext reads it, pages separated by form
// feeds; empty when it cannot be read.
std::string PdfText(const std::string& pdf) {
  std::string command = "pdftotext -layout '" + pdf + "' - 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string text;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  pclose(pipe);
  return text;
}

class PagePainterTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (std::system("command -v pdftotext >/dev/null") != 0) {
      FAIL() << "pdftotext (poppler-utils) is needed: run scripts/install-deps";
    }
  }
  PagePainterTest() {
    qt::TestApplication();
    char pattern[] = "/tmp/vantrel_print_XXXXXX";
    dir_ = mkdtemp(pattern);
  }
  ~PagePainterTest() override { std::filesystem::remove_all(dir_); }

  static PageItem Text(int x, int y, std::string text,
                       TextAlign align = TextAlign::kLeft, int width = 0) {
    PageItem item;
    item.x = x;
    item.y = y;
    item.text = std::move(text);
    item.align = align;
    item.width = width;
    return item;
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  std::string dir_;
};

TEST_F(PagePainterTest, PdfHoldsTheTextOfEveryPageInOrder) {
  Page first, second;
  first.items = {Text(500, 800, "Abel, Anna"), Text(500, 1000, "O'Neil Whitfield"),
                 Text(7768, 11200, "Page 1 of 2", TextAlign::kRight)};
  second.items = {Text(500, 800, "Zoë Übel"),
                  Text(500, 1000, "A name far too long for its column",
                       TextAlign::kLeft, 1200),
                  Text(7768, 11200, "Page 2 of 2", TextAlign::kRight)};
  std::vector<std::string> files = {Path("1.vpg"), Path("2.vpg")};
  ASSERT_TRUE(WritePageFile(first, files[0]));
  ASSERT_TRUE(WritePageFile(second, files[1]));
  QtPageOutput output;
  std::string error;
  ASSERT_TRUE(output.SavePdf(files, Path("list.pdf"), error)) << error;
  EXPECT_FALSE(std::filesystem::exists(Path("list.pdf.part")));

  std::string text = PdfText(Path("list.pdf"));
  const std::size_t feed = text.find('\f');
  ASSERT_NE(feed, std::string::npos) << text;
  const std::string page1 = text.substr(0, feed), page2 = text.substr(feed);
  EXPECT_THAT(page1, HasSubstr("Abel, Anna"));
  EXPECT_LT(page1.find("Abel"), page1.find("O'Neil"));
  EXPECT_THAT(page1, HasSubstr("Whitfield"));  // no "fi" ligature
  EXPECT_THAT(page1, HasSubstr("Page 1 of 2"));
  EXPECT_THAT(page2, HasSubstr("Zoë Übel"));
  EXPECT_THAT(page2, HasSubstr("Page 2 of 2"));
  // Clipped to its column: the end of the long name is not there.
  EXPECT_THAT(page2, HasSubstr("A name"));
  EXPECT_THAT(page2, ::testing::Not(HasSubstr("its column")));
}

TEST_F(PagePainterTest, FailuresLeaveTheEarlierPdfAlone) {
  Page page;
  page.items = {Text(500, 800, "Abel")};
  ASSERT_TRUE(WritePageFile(page, Path("1.vpg")));
  {
    std::ofstream bad(Path("bad.vpg"));
    bad << "VANTREL-PAGE 1\nsize 8000 9000\ncircle 3\n";
  }
  {
    std::ofstream old(Path("old.pdf"));
    old << "earlier";
  }
  QtPageOutput output;
  std::string error;
  EXPECT_FALSE(output.SavePdf({Path("1.vpg"), Path("bad.vpg")},
                              Path("old.pdf"), error));
  EXPECT_THAT(error, HasSubstr("bad.vpg"));
  EXPECT_FALSE(output.SavePdf({Path("1.vpg"), Path("missing.vpg")},
                              Path("old.pdf"), error));
  EXPECT_THAT(error, HasSubstr("missing.vpg"));
  EXPECT_FALSE(output.SavePdf({}, Path("old.pdf"), error));
  std::ifstream old(Path("old.pdf"));
  std::string kept((std::istreambuf_iterator<char>(old)), {});
  EXPECT_EQ(kept, "earlier");
  EXPECT_FALSE(
      output.SavePdf({Path("1.vpg")}, Path("no/such/dir/x.pdf"), error));
  EXPECT_THAT(error, HasSubstr("x.pdf"));
}

TEST_F(PagePainterTest, DrawsInkWhereTheTextIsAndKeepsProportions) {
  Page page;
  page.items = {Text(500, 1000, "Abel")};
  QImage image(400, 400, QImage::Format_RGB32);
  image.fill(Qt::gray);
  QPainter painter(&image);
  DrawPage(painter, page, QRectF(0, 0, 400, 400));
  painter.end();
  // A4 in a square: the page is centred, grey stays left and right of it.
  const double page_width = 400.0 * kPageWidth / kPageHeight;
  const int left = static_cast<int>((400 - page_width) / 2);
  EXPECT_EQ(image.pixelColor(left - 3, 200), QColor(Qt::gray));
  EXPECT_EQ(image.pixelColor(left + 3, 200), QColor(Qt::white));
  // Some dark pixels near the text's place (x 500, y 1000 of the page).
  const double scale = 400.0 / kPageHeight;
  int dark = 0;
  for (int y = static_cast<int>(850 * scale); y < 1000 * scale + 1; ++y) {
    for (int x = left + static_cast<int>(500 * scale);
         x < left + static_cast<int>(1000 * scale); ++x) {
      if (image.pixelColor(x, y).lightness() < 128) ++dark;
    }
  }
  EXPECT_GT(dark, 0);
}

}  // namespace
}  // namespace vantrel::print

