#include "framework/print_preview.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/ini_test_support.h"
#include "runtime/window/events.h"
#include "runtime/window/message_box.h"
#include "runtime/window/user_input.h"
#include "runtime/window/window_test_fixture.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Control numbers of the pages-to-print window.
constexpr std::int16_t kAskOk = 1, kAskCancel = 2, kAskEntry = 20;

class PrintPreviewTest : public WindowTest {
 protected:
  PrintPreviewTest() {
    errors.Init();
    ini.Init("vantrel.INI");
  }
  ~PrintPreviewTest() override {
    EXPECT_EQ(gui.steps_left(), 0u) << "the preview ended before the user";
    ini.Kill();
    errors.Kill();
  }

  void MakePages(int count) {
    pages.clear();
    for (int n = 1; n <= count; ++n)
      pages.push_back({"page" + std::to_string(n)});
    // A window manager runs once: a fresh preview for every run.
    preview_ = std::make_unique<PrintPreview>(errors, ini);
    preview_->IMAGEQUEUE = &pages;
  }
  std::vector<std::string> PageNames() const {
    std::vector<std::string> names;
    for (const PreviewPage& page : pages) names.push_back(page.FILENAME);
    return names;
  }
  // The user replaces the text of an entry and leaves it.
  void Enter(std::int16_t control, const std::string& text) {
    gui.Focus(control)
        .Then([control, text] { UserSetText(*TopWindow(), control, text); })
        .Focus(kPrevTbarPrint);
  }
  const HeadlessBackend::ShownControl& Shown(std::int16_t control) {
    return gui.Shown(kPreviewTitle)->controls.at(control);
  }

  TempConfigDir config;
  ErrorManager errors;
  IniManager ini;
  std::vector<PreviewPage> pages;
  std::unique_ptr<PrintPreview> preview_;
  PrintPreview& preview() { return *preview_; }
};

TEST_F(PrintPreviewTest, PagingControlsFollowThePageAndTheCount) {
  MakePages(1);
  gui.Then([&] {
       EXPECT_FALSE(Shown(kPrevPrevious).enabled);
       EXPECT_FALSE(Shown(kPrevNext).enabled);
       EXPECT_FALSE(Shown(kPrevJump).enabled);
       EXPECT_TRUE(Shown(kPrevPagePrompt).hidden);
       EXPECT_TRUE(Shown(kPrevCurrentPage).hidden);
       EXPECT_TRUE(Shown(kPrevPagesAcross).hidden);
       EXPECT_TRUE(Shown(kPrevPagesDown).hidden);
       EXPECT_EQ(Shown(kPrevStatusPage).value, "Page 1 of 1");
     })
      .Click(kPrevTbarExit);
  EXPECT_FALSE(preview().Display());
  EXPECT_THAT(PageNames(), ElementsAre("page1"));
  // The placement is kept for the next time.
  EXPECT_NE(ini.Fetch(kPreviewSection, "Width"), "");

  MakePages(3);
  gui.Then([&] {
       EXPECT_FALSE(Shown(kPrevPrevious).enabled);
       EXPECT_TRUE(Shown(kPrevNext).enabled);
       EXPECT_TRUE(Shown(kPrevJump).enabled);
       EXPECT_FALSE(Shown(kPrevCurrentPage).hidden);
       EXPECT_TRUE(Shown(kPrevPagesAcross).hidden);  // not tiled
     })
      .Click(kPrevNext)
      .Then([&] {
        EXPECT_EQ(Shown(kPrevStatusPage).value, "Page 2 of 3");
        EXPECT_EQ(Shown(kPrevCurrentPage).value, "2");
        EXPECT_TRUE(Shown(kPrevPrevious).enabled);
      })
      .Click(kPrevLast)
      .Then([&] {
        EXPECT_EQ(Shown(kPrevStatusPage).value, "Page 3 of 3");
        EXPECT_FALSE(Shown(kPrevNext).enabled);
      });
  Enter(kPrevCurrentPage, "99");  // past the end: the last page
  gui.Then([&] { EXPECT_EQ(preview().CURRENTPAGE, 3); }).Click(kPrevMenuExit);
  EXPECT_FALSE(preview().Display());
}

TEST_F(PrintPreviewTest, TypedZoomTakesAChoiceOrAPercentage) {
  MakePages(2);
  gui.Then([&] { EXPECT_EQ(Shown(kPrevStatusZoom).value, "Zoom: Page Width"); });
  Enter(kPrevZoomList, "75% Zoom");
  gui.Then([&] {
    EXPECT_EQ(preview().ZOOMINDEX, 4);
    EXPECT_EQ(Shown(kPrevStatusZoom).value, "Zoom: 75%");
  });
  Enter(kPrevZoomList, "150");
  gui.Then([&] {
    EXPECT_EQ(preview().ZOOMINDEX, 0);
    EXPECT_EQ(preview().USERPERCENTILE, 150);
    EXPECT_EQ(Shown(kPrevStatusZoom).value, "Zoom: 150%");
    EXPECT_EQ(Shown(kPrevZoomList).value, "150% Zoom");
  });
  // Not a zoom: a notice, and the zoom stays.
  gui.AnswerMessageBox(kButtonOk);
  Enter(kPrevZoomList, "5000");
  gui.Then([&] {
       EXPECT_EQ(preview().USERPERCENTILE, 150);
       EXPECT_EQ(Shown(kPrevZoomList).value, "150% Zoom");
     })
      .Click(kPrevZoomItem)  // "Tile pages"
      .Then([&] {
        EXPECT_EQ(Shown(kPrevStatusZoom).value, "Zoom: Tile Pages");
        EXPECT_FALSE(Shown(kPrevPagesAcross).hidden);
      })
      .Click(kPrevTbarExit);
  preview().Display();
  EXPECT_EQ(gui.message_boxes().size(), 1u);
}

TEST_F(PrintPreviewTest, PrintsAllPagesOrThoseChosenAndNothingOnLeaving) {
  struct Case {
    const char* name;
    bool confirm;
    std::function<void(HeadlessBackend&)> user;
    bool printed;
    std::vector<std::string> pages;
  };
  const std::vector<std::string> all = {"page1", "page2", "page3", "page4",
                                        "page5"};
  const Case cases[] = {
      {"leave", false, [](HeadlessBackend& gui) { gui.Click(kPrevTbarExit); },
       false, all},
      {"print all", false,
       [](HeadlessBackend& gui) { gui.Click(kPrevTbarPrint); }, true, all},
      {"print chosen", true,
       [](HeadlessBackend& gui) {
         gui.Click(kPrevMenuPrint)
             .On("Pages to Print")
             .Focus(kAskEntry)
             .Then([] { UserSetText(*TopWindow(), kAskEntry, "2, 4-"); })
             .Click(kAskOk);
       },
       true, {"page2", "page4", "page5"}},
      {"cancel the question", true,
       [](HeadlessBackend& gui) {
         gui.Click(kPrevTbarPrint)
             .On("Pages to Print")
             .Click(kAskCancel)
             .On(kPreviewTitle)
             .Click(kPrevTbarExit);
       },
       false, all},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakePages(5);
    preview().CONFIRMPAGES = c.confirm;
    c.user(gui);
    EXPECT_EQ(preview().Display(), c.printed);
    EXPECT_EQ(PageNames(), c.pages);
  }
}

TEST_F(PrintPreviewTest, GridShrinksUntilItEndsAtTheLastPage) {
  MakePages(5);
  preview().PAGESACROSS = 1;
  preview().PAGESDOWN = 3;
  gui.Click(kPrevZoomItem);
  Enter(kPrevPagesAcross, "3");  // 3 x 3 from page 1 runs past page 5
  gui.Then([&] {
    EXPECT_EQ(preview().PAGESACROSS, 1);
    EXPECT_EQ(preview().PAGESDOWN, 3);
    EXPECT_EQ(Shown(kPrevStatusPage).value, "Page 1-3 of 5");
  });
  Enter(kPrevCurrentPage, "5");  // the grid moves back to end at page 5
  gui.Then([&] {
       EXPECT_EQ(preview().FIRSTPAGE, 3);
       EXPECT_EQ(Shown(kPrevStatusPage).value, "Page 3-5 of 5");
     })
      .Click(kPrevPrevious)  // page 4 lies in the grid: it stays
      .Then([&] {
        EXPECT_EQ(preview().CURRENTPAGE, 4);
        EXPECT_EQ(preview().FIRSTPAGE, 3);
      })
      .Click(kPrevTbarExit);
  preview().Display();
}

TEST(PageRangesTest, ReadsNumbersAndRanges) {
  const struct {
    const char* text;
    std::optional<std::vector<int>> pages;
  } cases[] = {
      {"1-5", std::vector<int>{1, 2, 3, 4, 5}},
      {"2, 4-", std::vector<int>{2, 4, 5}},
      {" 4 - 5 ,1", std::vector<int>{1, 4, 5}},
      {"-2 5 5", std::vector<int>{1, 2, 5}},
      {"3-9", std::vector<int>{3, 4, 5}},
      {"9", std::nullopt},  // no page of the report
      {"", std::nullopt},
      {"0", std::nullopt},
      {"4-2", std::nullopt},
      {"a-b", std::nullopt},
      {"1--3", std::nullopt},
      {"-", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParsePageRanges(c.text, 5), c.pages) << c.text;
  }
}

}  // namespace
}  // namespace vantrel
