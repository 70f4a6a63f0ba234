#include "app/card_list_report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/demo_cards.h"
#include "framework/print_preview.h"
#include "gui/headless/headless_backend.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/window/message_box.h"
#include "storage/tnl/driver/tnl_driver.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class RecordingOutput : public PageOutput {
 public:
  RecordingOutput() { previous_ = SetPageOutput(this); }
  ~RecordingOutput() override { SetPageOutput(previous_); }
  bool Print(const std::vector<std::string>& files, std::string&) override {
    for (const std::string& file : files) {
      std::string error;
      std::optional<Page> page = ReadPageFile(file, error);
      EXPECT_TRUE(page) << error;
      if (page) pages.push_back(*page);
    }
    return true;
  }
  bool SavePdf(const std::vector<std::string>&, const std::string&,
               std::string&) override {
    return false;
  }
  std::vector<Page> pages;

 private:
  PageOutput* previous_;
};

class CardListReportTest : public ::testing::Test {
 protected:
  CardListReportTest()
      : dir_(fs::temp_directory_path() /
             ("vantrel_card_list_" + std::to_string(::getpid()))) {
    RegisterTarnelDriver();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    setenv("VANTREL_CONFIG_DIR", dir_.c_str(), 1);
    gui.OnScriptExhausted(
        [](const std::string& message) { ADD_FAILURE() << message; });
    errors.Init();
    ini.Init((dir_ / "vantrel.INI").string());
    path_ = (dir_ / "demo.vtl").string();
    EXPECT_TRUE(WriteDemoCardFile(path_));
  }
  ~CardListReportTest() override {
    ini.Kill();
    errors.Kill();
    fs::remove_all(dir_);
  }

  // The live cards of the file, read directly: the name key (the company
  // key for a card without a name) and the category.
  std::vector<std::pair<std::string, std::string>> Cards() {
    CardRecord record;
    FileDeclaration file;
    DeclareCardFile(file, "VTL", record);
    file.name = path_;
    std::vector<std::pair<std::string, std::string>> cards;
    Open(file, kOpenReadShared);
    Set(file);
    Next(file);  // the header
    for (Next(file); ErrorCode() == 0; Next(file)) {
      if (record.DELETED == 0)
        cards.emplace_back(IsBlank(record.NAMEKEY) ? Clipped(record.COMPANYKEY)
                                                   : Clipped(record.NAMEKEY),
                           Clipped(record.CATEGORY));
    }
    Close(file);
    return cards;
  }

  // Runs the report; the user lets it run and prints from the preview.
  std::vector<Page> Run(const std::string& category) {
    RecordingOutput output;
    for (int i = 0; i < 20; ++i) gui.TickTimer();
    gui.On(kPreviewTitle).Click(kPrevTbarPrint);
    EXPECT_TRUE(PrintCardList(errors, ini, path_, category));
    return output.pages;
  }

  fs::path dir_;
  std::string path_;
  HeadlessBackend gui;
  ErrorManager errors;
  IniManager ini;
};

// Sorts the names as stored, then gives them as printed (UTF-8).
void Sorted(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end());
  for (std::string& name : names) name = CardText(name);
}

// The names of the cards on the pages (the name column), and the footers.
void ReadPages(const std::vector<Page>& pages, std::vector<std::string>& names,
               std::vector<std::string>& footers,
               std::vector<std::string>& categories) {
  for (const Page& page : pages) {
    for (const PageItem& item : page.items) {
      if (item.kind != PageItem::Kind::kText) continue;
      if (item.text.starts_with("Page ")) footers.push_back(item.text);
      if (item.bold || item.points != 10) continue;
      if (item.x == CardListColumns::kName) names.push_back(item.text);
      if (item.x == CardListColumns::kCategory)
        categories.push_back(item.text);
    }
  }
}

TEST_F(CardListReportTest, ListsEveryCardOfTheCategoryInNameOrder) {
  std::vector<std::pair<std::string, std::string>> cards = Cards();
  ASSERT_EQ(cards.size(), static_cast<std::size_t>(kDemoCardCount));
  const std::string category = cards[3].second.empty() ? cards[4].second
                                                        : cards[3].second;
  ASSERT_FALSE(category.empty());
  std::vector<std::string> expected_names;
  for (const auto& [name, card_category] : cards) {
    if (card_category == category) expected_names.push_back(name);
  }
  Sorted(expected_names);

  std::vector<std::string> names, footers, categories;
  ReadPages(Run(category), names, footers, categories);
  EXPECT_EQ(names, expected_names);
  EXPECT_THAT(categories, ::testing::Each(CardText(category)));
  ASSERT_FALSE(footers.empty());
  EXPECT_EQ(footers.front(),
            "Page 1 of " + std::to_string(footers.size()));
  EXPECT_TRUE(gui.message_boxes().empty());
}

TEST_F(CardListReportTest, AllCardsFillSeveralNumberedPages) {
  std::vector<std::string> names, footers, categories;
  std::vector<Page> pages = Run("");
  ReadPages(pages, names, footers, categories);
  std::vector<std::string> expected_names;
  for (const auto& card : Cards()) expected_names.push_back(card.first);
  Sorted(expected_names);
  EXPECT_EQ(names, expected_names);
  ASSERT_GE(pages.size(), 2u);
  for (std::size_t i = 0; i < footers.size(); ++i) {
    EXPECT_EQ(footers[i], "Page " + std::to_string(i + 1) + " of " +
                              std::to_string(pages.size()));
  }
  EXPECT_EQ(footers.size(), pages.size());
}

TEST_F(CardListReportTest, CategoryWithoutCardsShowsNoRecords) {
  RecordingOutput output;
  gui.AnswerMessageBox(kButtonOk);
  gui.TickTimer().TickTimer();
  EXPECT_FALSE(PrintCardList(errors, ini, path_, "No such one"));
  ASSERT_EQ(gui.message_boxes().size(), 1u);
  EXPECT_EQ(gui.message_boxes()[0].caption, "No Records");
  EXPECT_TRUE(output.pages.empty());
}

}  // namespace
}  // namespace vantrel
