#include "framework/report_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/people_test_table.h"
#include "framework/process_manager.h"
#include "runtime/window/message_box.h"
#include "runtime/window/properties.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::int16_t kProgress = 1;

// Records what would be printed.
class RecordingOutput : public PageOutput {
 public:
  RecordingOutput() { previous_ = SetPageOutput(this); }
  ~RecordingOutput() override { SetPageOutput(previous_); }
  bool Print(const std::vector<std::string>& page_files,
             std::string& error) override {
    (void)error;
    for (const std::string& file : page_files) {
      std::string why;
      std::optional<Page> page = ReadPageFile(file, why);
      EXPECT_TRUE(page) << why;
      if (page) printed.push_back(*page);
    }
    ++prints;
    return true;
  }
  bool SavePdf(const std::vector<std::string>&, const std::string&,
               std::string&) override {
    return false;
  }
  int prints = 0;
  std::vector<Page> printed;

 private:
  PageOutput* previous_;
};

// One name per band, ten bands to a page; the footer says the page number.
class NameList : public ReportLayout {
 public:
  NameList() { page_height = 2 * margin + 10 * 100 + FooterHeight(); }
  int FooterHeight() const override { return 100; }
  void DrawFooter(Page& page, int n, int count, int top) override {
    PageItem item;
    item.y = top;
    item.text = "Page " + std::to_string(n) + " of " + std::to_string(count);
    page.items.push_back(item);
  }
};

// A report over the people, with a clock that advances `per_record`
// hundredths for every record printed.
class PeopleReport : public ReportManager {
 public:
  PeopleReport(ErrorManager& errors, ProcessManager& process)
      : process_(process) {
    ERRORS = &errors;
    clock = [this] { return now; };
  }
  Level Init() override {
    Level level = WindowManager::Init();
    if (level != Level::Proceed) return level;
    WindowDescription description;
    description.title = "Printing";
    ControlDescription progress;
    progress.number = kProgress;
    progress.kind = ControlKind::kPrompt;
    progress.layout = {4, 4, 80, 10};
    description.controls.push_back(progress);
    window_ = &OpenWindow(description);
    SetProperty(kPropTimer, 0, "1");
    ReportManager::Init(process_, &layout, nullptr);
    return Level::Proceed;
  }
  std::uint8_t TakeRecord() override {
    now += per_record;
    PageItem item;
    item.text = name_of ? name_of() : "";
    layout.AddBand(100, {item});
    return 0;
  }
  void Kill() override {
    if (DEAD) return;
    CloseWindow(window_);
    WindowManager::Kill();
  }

  std::function<std::string()> name_of;
  std::int32_t now = 0;
  std::int32_t per_record = 1;
  NameList layout;

 private:
  ProcessManager& process_;
  Window* window_ = nullptr;
};

class ReportManagerTest : public PeopleTest {
 protected:
  ReportManagerTest() : view(table.file) {
    process.Init(view, relations, &percent, kProgress);
    process.AddSortOrder(group_key);
  }
  ~ReportManagerTest() override { process.Kill(); }

  ViewDeclaration view;
  std::uint8_t percent = 0;
  ProcessManager process;
  RecordingOutput output;
};

TEST_F(ReportManagerTest, BatchGrowsWhenQuickAndShrinksWhenSlow) {
  struct Case {
    std::int32_t per_record;  // hundredths
    std::int32_t start;       // RECORDSPERCYCLE before the tick
    std::int32_t after;       // and after it
    std::int32_t printed;     // records printed in the tick
  };
  const Case cases[] = {
      // 0.3 s: doubled, and another batch in the same tick.
      {30, 1, 4, 2},
      // 2 s: halved.
      {50, 4, 2, 4},
      // Slow with a batch of one: stays at one.
      {200, 1, 1, 1},
      // Very quick: doubled until the records run out.
      {0, 1, 8, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.per_record);
    PeopleReport report(errors, process);
    report.per_record = c.per_record;
    gui.Then([&] {
         EXPECT_EQ(report.TIMESLICE, 100);
         EXPECT_EQ(report.RECORDSPERCYCLE, 1);
         report.RECORDSPERCYCLE = c.start;
       })
        .TickTimer()
        .Then([&] {
          EXPECT_EQ(report.RECORDSPERCYCLE, c.after);
          EXPECT_EQ(report.records_printed, c.printed);
        })
        ;
    for (int i = 0; i < 6; ++i) gui.TickTimer();
    report.Run();
    EXPECT_TRUE(report.completed);
    EXPECT_EQ(report.records_printed, 6);
    EXPECT_EQ(percent, 100);
  }
}

TEST_F(ReportManagerTest, PrintsEveryRecordOnNumberedPages) {
  PeopleReport report(errors, process);
  report.name_of = [&] { return table.Text(PeopleTest::kName); };
  report.layout.page_height = 2 * report.layout.margin + 4 * 100 + 100;
  for (int i = 0; i < 8; ++i) gui.TickTimer();
  report.Run();
  EXPECT_EQ(gui.Shown("Printing")->controls.at(kProgress).value,
            "100% Complete");
  ASSERT_TRUE(report.PrintPages());
  ASSERT_EQ(output.prints, 1);
  std::vector<std::string> lines;
  for (const Page& page : output.printed) {
    for (const PageItem& item : page.items) lines.push_back(item.text);
  }
  // In the order of the key: group, then number.
  EXPECT_THAT(lines,
              ElementsAre("Abel", "O'Neil", "o'neil", "Dunn", "Page 1 of 2",
                          "Ryan", "Cole", "Page 2 of 2"));
}

TEST_F(ReportManagerTest, EmptyRunShowsNoRecordsAndPrintsNothing) {
  process.SetFilter("PPL:NUMBER > 100");
  PeopleReport report(errors, process);
  gui.AnswerMessageBox(kButtonOk);
  gui.TickTimer().TickTimer();
  report.Run();
  EXPECT_THAT(Captions(), ElementsAre("No Records"));
  EXPECT_EQ(report.OPENFAILED, 1);
  EXPECT_FALSE(report.PrintPages());
  EXPECT_EQ(output.prints, 0);
}

TEST(ReportLayoutTest, BandsBreakPagesAndTallBandsStandAlone) {
  NameList layout;  // ten bands of 100 to a page
  PageItem item;
  for (int i = 0; i < 12; ++i) layout.AddBand(100, {item});
  EXPECT_EQ(layout.PageCount(), 2);
  layout.AddBand(5000, {item});  // taller than a page: a page of its own
  layout.AddBand(100, {item});
  EXPECT_EQ(layout.PageCount(), 4);
}

TEST(PageFileTest, RoundTripsAndRefusesMalformedFiles) {
  Page page;
  PageItem text;
  text.x = 10;
  text.y = 20;
  text.width = 300;
  text.points = 12;
  text.bold = true;
  text.align = TextAlign::kRight;
  text.text = "O'Neil \\ two\nlines  ";
  PageItem line;
  line.kind = PageItem::Kind::kLine;
  line.x = 5;
  line.y = 6;
  line.width = 100;
  page.items = {text, line};
  std::string error;
  std::optional<Page> back = ParsePageFile(PageFileText(page), error);
  ASSERT_TRUE(back) << error;
  ASSERT_EQ(back->items.size(), 2u);
  EXPECT_EQ(back->items[0].text, text.text);
  EXPECT_TRUE(back->items[0].bold);
  EXPECT_EQ(back->items[0].align, TextAlign::kRight);
  EXPECT_EQ(back->items[0].points, 12);
  EXPECT_EQ(back->items[1].width, 100);
  EXPECT_EQ(back->width, kPageWidth);

  const struct {
    const char* text;
    const char* error;
  } bad[] = {
      {"", "not a page file"},
      {"PAGE\nsize 1 1\n", "not a page file"},
      {"VANTREL-PAGE 1\n", "no size"},
      {"VANTREL-PAGE 1\nsize 8000 -5\n", "bad page size"},
      {"VANTREL-PAGE 1\nsize 8000 9000\ntext 1 2 3 4 1 X hi\n", "alignment"},
      {"VANTREL-PAGE 1\nsize 8000 9000\ntext 1 2 3 999 1 L hi\n", "text item"},
      {"VANTREL-PAGE 1\nsize 8000 9000\ntext 1 2 3 4 0 L a\\q\n", "escape"},
      {"VANTREL-PAGE 1\nsize 8000 9000\nline 1 2 3\n", "bad line"},
      {"VANTREL-PAGE 1\nsize 8000 9000\ncircle 1\n", "unknown item"},
  };
  for (const auto& c : bad) {
    SCOPED_TRACE(c.text);
    EXPECT_FALSE(ParsePageFile(c.text, error));
    EXPECT_THAT(error, HasSubstr(c.error));
  }
}

}  // namespace
}  // namespace vantrel
