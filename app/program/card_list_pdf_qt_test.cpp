// "Print Card List..." in the real Qt window: the demo card file's list run
// from the File menu, saved as PDF from the preview, and the PDF's text
// read back with pdftotext.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/card_data.h"
#include "app/card_file_reader.h"
#include "app/card_list_report.h"
#include "app/card_window_controls.h"
#include "app/demo_cards.h"
#include "app/program.h"
#include "framework/print_preview.h"
#include "gui/print/page_painter.h"
#include "gui/qt/qt_test_fixture.h"
#include "runtime/window/events.h"
#include "runtime/window/user_input.h"

namespace vantrel {
namespace {

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

class CardListPdfTest : public qt::QtTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(std::system("command -v pdftotext >/dev/null"), 0)
        << "pdftotext (poppler-utils) is needed: run scripts/install-deps";
    char pattern[] = "/tmp/vantrel_card_list_pdf_XXXXXX";
    dir_ = mkdtemp(pattern);
    setenv("VANTREL_CONFIG_DIR", dir_.c_str(), 1);
    setenv("XDG_DATA_HOME", dir_.c_str(), 1);
    StartRuntime();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  bool TopIs(const char* title) const {
    Window* window = TopWindow();
    return window != nullptr && window->title == title && Frame() != nullptr;
  }

  std::string dir_;
};

TEST_F(CardListPdfTest, DemoListSavedAsPdfHoldsEveryCardInNameOrder) {
  const std::string path = ProvideDemoCardFile();
  ASSERT_FALSE(path.empty());
  // Every live card by its name key (a card without one by its company
  // key), in the order of the stored keys.
  std::vector<std::string> names;
  for (const CardRecord& card : ReadCardRecords(path)) {
    if (card.DELETED != 0) continue;
    if (IsBlank(card.NAMEKEY) && IsBlank(card.COMPANYKEY)) continue;  // header
    names.emplace_back(IsBlank(card.NAMEKEY) ? Clipped(card.COMPANYKEY)
                                             : Clipped(card.NAMEKEY));
  }
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), static_cast<std::size_t>(kDemoCardCount));

  const std::string pdf = dir_ + "/list.pdf";
  print::QtPageOutput output;
  auto button = [this](std::int16_t control) {
    return qobject_cast<QAbstractButton*>(Field(control));
  };
  qt::UserScript user(gui);
  user.WaitUntil([&] { return Field(kCardList) != nullptr; })
      .Then([] { UserClick(*TopWindow(), kPrintListItem); })  // File menu
      .WaitUntil([&] { return TopIs(kPreviewTitle); })
      .Then([&] { QTest::mouseClick(button(kPrevTbarSavePdf), Qt::LeftButton); })
      .WaitUntil([] {
        return dynamic_cast<QFileDialog*>(QApplication::activeModalWidget()) !=
               nullptr;
      })
      .Then([&] {
        auto* dialog =
            dynamic_cast<QFileDialog*>(QApplication::activeModalWidget());
        dialog->selectFile(QString::fromStdString(pdf));
        QMetaObject::invokeMethod(dialog, "accept");
      })
      .WaitUntil([&] { return std::filesystem::exists(pdf); })
      .Then([&] { QTest::mouseClick(button(kPrevTbarExit), Qt::LeftButton); })
      .WaitUntil([&] { return !TopIs(kPreviewTitle); })
      .Then([&] { Frame()->close(); });

  CardData data;
  ProgramOptions options;
  options.card_file = path;
  MainProcedure(data, options);
  EXPECT_EQ(user.steps_left(), 0u);

  const std::string text = PdfText(pdf);
  ASSERT_FALSE(text.empty());
  // The names in order (long ones are cut short in their column).
  std::size_t at = 0;
  for (const std::string& name : names) {
    std::string start = CardText(name.substr(0, std::min<std::size_t>(name.size(), 12)));
    std::size_t found = text.find(start, at);
    ASSERT_NE(found, std::string::npos)
        << start << " not found after: " << text.substr(at, 400);
    at = found + start.size();
  }
  // Numbered pages: as many footers as pages, the first "Page 1 of N".
  const std::size_t pages =
      std::count(text.begin(), text.end(), '\f');
  ASSERT_GE(pages, 2u);
  for (std::size_t n = 1; n <= pages; ++n) {
    EXPECT_NE(text.find("Page " + std::to_string(n) + " of " +
                        std::to_string(pages)),
              std::string::npos)
        << n;
  }
}

}  // namespace
}  // namespace vantrel
