#include "framework/view_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/file_manager.h"
#include "framework/file_manager_test_tables.h"
#include "framework/manager_test_fixture.h"
#include "framework/people_test_table.h"
#include "framework/process_manager.h"
#include "framework/relation_manager.h"
#include "runtime/window/message_box.h"

namespace vantrel {
namespace {

using ViewManagerTest = PeopleTest;

TEST_F(ViewManagerTest, BuildsRangeAndNamedFilterText) {
  ViewDeclaration view(table.file);
  ViewManager manager;
  manager.Init(view, relations);
  char name[20] = "O'Neil";
  char group[4] = "AB";
  std::int32_t low = 2, high = 5;

  manager.AddSortOrder(name_key);
  manager.AddRange(1, Variable::Of(name));
  std::string text;
  ASSERT_TRUE(manager.BuildFilter(text));
  EXPECT_EQ(text, "UPPER(PPL:NAME) = UPPER('O''Neil')");
  EXPECT_EQ(manager.CurrentOrder().ORDER, "+PPL:NAME");

  manager.AddSortOrder(group_key);
  manager.AddRange(1, Variable::Of(group));
  manager.AddRange(2, Variable::Of(low));
  manager.AddRange(2, Variable::Of(high));
  manager.SetLimitType(kLimitPair);
  ASSERT_TRUE(manager.BuildFilter(text));
  EXPECT_EQ(text,
            "PPL:GROUP = 'AB' AND PPL:NUMBER >= 2 AND PPL:NUMBER <= 5");

  // Named filters follow in order of id, whatever the order of setting.
  manager.SetFilter("PPL:NAME <> 'Ryan'");
  manager.SetFilter("PPL:NUMBER > 1", "1 A");
  ASSERT_TRUE(manager.BuildFilter(text));
  EXPECT_EQ(text,
            "PPL:GROUP = 'AB' AND PPL:NUMBER >= 2 AND PPL:NUMBER <= 5 AND "
            "(PPL:NUMBER > 1) AND (PPL:NAME <> 'Ryan')");
  manager.SetFilter("", "1 A");
  manager.SetFilter("PPL:NUMBER < 9");  // replaces "5 Standard"
  ASSERT_TRUE(manager.BuildFilter(text));
  EXPECT_EQ(text,
            "PPL:GROUP = 'AB' AND PPL:NUMBER >= 2 AND PPL:NUMBER <= 5 AND "
            "(PPL:NUMBER < 9)");
  // Each order keeps its own filters.
  manager.SetSort(1);
  ASSERT_TRUE(manager.BuildFilter(text));
  EXPECT_EQ(text, "UPPER(PPL:NAME) = UPPER('O''Neil')");
  manager.Kill();
}

TEST_F(ViewManagerTest, ReadsOnlyTheRecordsTheRangeAndFiltersSelect) {
  ViewDeclaration view(table.file);
  ViewManager manager;
  manager.Init(view, relations);
  char name[20] = "o'NEIL";
  manager.AddSortOrder(group_key);
  manager.SetOrder("+PPL:NUMBER");
  manager.SetFilter("UPPER(PPL:NAME) = UPPER('" + std::string("O''neil") + "')");
  // Both spellings of the name, in number order.
  EXPECT_THAT(ReadNames(manager), ::testing::ElementsAre("O'Neil", "o'neil"));

  manager.AddSortOrder(name_key);
  manager.AddRange(1, Variable::Of(name));
  EXPECT_THAT(ReadNames(manager),
              ::testing::UnorderedElementsAre("O'Neil", "o'neil"));

  char group[4] = "AB";
  std::int32_t low = 2, high = 5;
  manager.AddSortOrder(group_key);
  manager.AddRange(1, Variable::Of(group));
  manager.AddRange(2, Variable::Of(low));
  manager.AddRange(2, Variable::Of(high));
  manager.SetLimitType(kLimitPair);
  EXPECT_THAT(ReadNames(manager),
              ::testing::ElementsAre("O'Neil", "o'neil", "Dunn"));
  // Reading backwards over the same range.
  std::vector<std::string> backwards;
  ASSERT_EQ(manager.Reset(), Level::Proceed);
  while (manager.Previous() == Level::Proceed)
    backwards.push_back(table.Text(kName));
  EXPECT_THAT(backwards, ::testing::ElementsAre("Dunn", "o'neil", "O'Neil"));
  manager.Kill();
  EXPECT_TRUE(gui.message_boxes().empty());
}

TEST_F(ViewManagerTest, RefusedFilterRaisesViewOpenError) {
  ViewDeclaration view(table.file);
  ViewManager manager;
  manager.Init(view, relations);
  manager.AddSortOrder(group_key);
  manager.SetFilter("PPL:NUMBER > (");
  gui.AnswerMessageBox(kButtonOk);
  EXPECT_NE(manager.Reset(), Level::Proceed);
  EXPECT_THAT(Captions(), ::testing::ElementsAre("View Open Error"));
  // A filter past the size limit is refused the same way, not cut.
  manager.SetFilter("PPL:NAME <> '" + std::string(kViewFilterLimit, 'x') + "'");
  std::string text;
  EXPECT_FALSE(manager.BuildFilter(text));
  gui.AnswerMessageBox(kButtonOk);
  EXPECT_NE(manager.ApplyFilter(), Level::Proceed);
  EXPECT_EQ(Captions().size(), 2u);
  manager.Kill();
}

class CountingProcess : public ProcessManager {};

TEST_F(ViewManagerTest, PercentageRisesWithRecordsAndNeverPassesHundred) {
  ViewDeclaration view(table.file);
  std::uint8_t percent = 0;
  CountingProcess process;
  process.Init(view, relations, &percent);
  process.AddSortOrder(group_key);
  struct Case {
    std::int32_t to_process;  // 0: the file's record count
    std::vector<int> seen;
  };
  const Case cases[] = {
      {0, {16, 33, 50, 66, 83, 100}},
      {4, {25, 50, 75, 100, 100, 100}},  // more records than expected
  };
  for (const Case& c : cases) {
    process.RECORDSTOPROCESS = c.to_process;
    ASSERT_EQ(process.ResetProcess(), Level::Proceed);
    EXPECT_EQ(percent, 0);
    std::vector<int> seen;
    while (process.Next() == Level::Proceed) seen.push_back(percent);
    EXPECT_EQ(seen, c.seen);
    EXPECT_EQ(process.RECORDSPROCESSED, 6);
  }
  process.Kill();
}

// A child level is read completely after each parent record.
TEST_F(ViewManagerTest, ChildLevelIsReadAfterEachParentRecord) {
  ViewDeclaration parent_view(table.file);
  ViewDeclaration child_view(table.file);
  ProcessManager parent, child;
  parent.Init(parent_view, relations);
  parent.AddSortOrder(group_key);
  parent.SetFilter("PPL:GROUP = 'CD'");
  child.Init(child_view, relations);
  child.AddSortOrder(group_key);
  child.SetFilter("PPL:NUMBER <= 2");
  parent.AddChild(child);
  ASSERT_EQ(parent.ResetProcess(), Level::Proceed);
  std::vector<std::string> read;
  for (int guard = 0; guard < 20 && parent.Next() == Level::Proceed; ++guard) {
    read.push_back(std::to_string(parent.CHILDREAD) + ":" +
                   table.Text(kName));
  }
  EXPECT_THAT(read, ::testing::ElementsAre("0:Cole", "1:Abel", "1:O'Neil"));
  EXPECT_EQ(parent.RECORDSPROCESSED, 1);
  child.Kill();
  parent.Kill();
}

}  // namespace
}  // namespace vantrel
