#include "framework/relation_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/file_manager_test_tables.h"
#include "framework/manager_test_fixture.h"
#include "os/posix/open_mode.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/driver/file_statements.h"
#include "storage/tnl/pager/tnl_file.h"
#include "storage/tnl/table/file_check.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Fields of the three tables: ID, the link to the level above, NAME.
constexpr int kId = 2, kUp = 3, kName = 4;

// One level of a family of files: ID LONG, UP LONG (the parent's ID; 0 at
// the top), NAME STRING(10); key IDKEY (ID), key UPKEY (UP, ID).
struct Level3 {
  Level3(const std::string& path, const std::string& prefix)
      : table(path, prefix, {{"ID", 0}, {"UP", 0}, {"NAME", 10}}) {
    id_key = &table.AddKey("IDKEY", kKeyPrimary, {kId});
    up_key = &table.AddKey("UPKEY", 0, {kUp, kId});
  }
  TestTable table;
  KeyDeclaration* id_key = nullptr;
  KeyDeclaration* up_key = nullptr;
  FileManager files;
  RelationManager relations;
};

// Parents 1 and 2; children 11 (no children of its own) and 12 of parent
// 1, 21 of parent 2; grandchildren 121 and 122 of child 12, 211 of 21.
class RelationManagerTest : public ManagerTest {
 protected:
  struct Actions {
    std::uint8_t parent_delete = NoAction;
    std::uint8_t child_delete = NoAction;
    std::uint8_t parent_update = NoAction;
  };

  void MakeFamily(Actions actions, bool use_logout = true) {
    parent = std::make_unique<Level3>(Path("parent"), "PAR");
    child = std::make_unique<Level3>(Path("child"), "CHI");
    grand = std::make_unique<Level3>(Path("grand"), "GRA");
    Fill(*parent, {{1, 0, "p1"}, {2, 0, "p2"}});
    Fill(*child, {{11, 1, "c11"}, {12, 1, "c12"}, {21, 2, "c21"}});
    Fill(*grand, {{121, 12, "g121"}, {122, 12, "g122"}, {211, 21, "g211"}});
    for (Level3* level : {parent.get(), child.get(), grand.get()}) {
      level->files.Init(level->table.file, errors);
      level->files.AddKey(*level->id_key, "Id");
      level->files.AddKey(*level->up_key, "Up");
      level->relations.Init(level->files, use_logout);
    }
    parent->relations.AddRelation(child->relations, actions.parent_update,
                                  actions.parent_delete, child->up_key,
                                  {{kId, kUp}});
    child->relations.AddRelation(parent->relations, NoAction, NoAction,
                                 parent->id_key, {{kUp, kId}});
    child->relations.AddRelation(grand->relations, NoAction,
                                 actions.child_delete, grand->up_key,
                                 {{kId, kUp}});
    grand->relations.AddRelation(child->relations, NoAction, NoAction,
                                 child->id_key, {{kUp, kId}});
  }
  void TearDown() override {
    for (Level3* level : {grand.get(), child.get(), parent.get()}) {
      if (level) level->relations.Kill();
    }
  }

  struct Row {
    std::int32_t id;
    std::int32_t up;
    std::string name;
  };
  static void Fill(Level3& level, const std::vector<Row>& rows) {
    FileDeclaration& file = level.table.file;
    Create(file);
    Open(file, kManagerOpenMode);
    for (const Row& row : rows) {
      level.table.SetLong(kId, row.id);
      level.table.SetLong(kUp, row.up);
      level.table.SetText(kName, row.name);
      Add(file);
      ASSERT_EQ(ErrorCode(), 0) << Error();
    }
    Close(file);
  }

  // Reads `id` into the level's record through its manager.
  static void Fetch(Level3& level, std::int32_t id) {
    level.table.SetLong(kId, id);
    ASSERT_EQ(level.files.TryFetch(*level.id_key), Level::Proceed) << id;
  }

  // Every record of a level as "ID/UP", in ID order, read with statements.
  static std::vector<std::string> Stored(Level3& level) {
    std::vector<std::string> rows;
    FileDeclaration& file = level.table.file;
    const bool was_open = (file.control.state & kStateOpen) != 0;
    if (!was_open) Open(file, kManagerOpenMode);
    Set(*level.id_key);
    for (Next(file); ErrorCode() == 0; Next(file)) {
      rows.push_back(std::to_string(level.table.Long(kId)) + "/" +
                     std::to_string(level.table.Long(kUp)));
    }
    if (!was_open) Close(file);
    return rows;
  }

  // Whether any file of the family is still open or in a transaction.
  bool AnyOpen() const {
    for (const Level3* level : {parent.get(), child.get(), grand.get()}) {
      if (level->table.file.control.state & (kStateOpen | kStateLogout)) {
        return true;
      }
    }
    return false;
  }
  std::vector<std::string> Problems(const std::string& name) const {
    TnlFile file;
    if (!file.Open(Path(name) + ".TNL", kOpenReadShared)) {
      return {"cannot open " + name};
    }
    return CheckFileIntegrity(file);
  }

  std::unique_ptr<Level3> parent;
  std::unique_ptr<Level3> child;
  std::unique_ptr<Level3> grand;
};

TEST_F(RelationManagerTest, RestrictAnywhereInTheWalkLeavesEverythingAsItWas) {
  struct Case {
    const char* name;
    Actions actions;
    const char* refusing_file;
  };
  // In the second case child 11 is deleted by the cascade before child
  // 12's grandchildren refuse: the transaction must bring it back.
  const Case cases[] = {
      {"restrict", {Restrict, NoAction, NoAction}, "child"},
      {"cascade, then restrict", {Cascade, Restrict, NoAction}, "grand"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeFamily(c.actions);
    ASSERT_EQ(parent->relations.Open(), Level::Proceed);
    Fetch(*parent, 1);
    gui.AnswerMessageBox(kButtonOk);  // the refusal
    gui.AnswerMessageBox(kButtonNo);  // "try to delete it again?"
    const std::size_t shown = gui.message_boxes().size();
    EXPECT_EQ(parent->relations.Delete(/*ask=*/false), Level::Notified);
    ASSERT_EQ(gui.message_boxes().size(), shown + 2);
    const MessageBoxRequest& refusal = gui.message_boxes()[shown];
    EXPECT_EQ(refusal.caption, "Referential Integrity Delete Error");
    EXPECT_EQ(refusal.lines[0],
              "This record is referenced from the file " +
                  Path(c.refusing_file) +
                  ". This record cannot be deleted while these references "
                  "exist.");
    EXPECT_EQ(gui.message_boxes()[shown + 1].caption, "Record Delete Error");

    parent->relations.Close();
    EXPECT_FALSE(AnyOpen());
    EXPECT_THAT(Stored(*parent), ElementsAre("1/0", "2/0"));
    EXPECT_THAT(Stored(*child), ElementsAre("11/1", "12/1", "21/2"));
    EXPECT_THAT(Stored(*grand), ElementsAre("121/12", "122/12", "211/21"));
    TearDown();
  }
}

TEST_F(RelationManagerTest, CascadeDeletesChildrenAndTheirChildren) {
  MakeFamily({Cascade, Cascade, NoAction});
  ASSERT_EQ(parent->relations.Open(), Level::Proceed);
  Fetch(*parent, 1);
  gui.AnswerMessageBox(kButtonYes);  // "Confirm Delete"
  EXPECT_EQ(parent->relations.Delete(/*ask=*/true), Level::Proceed);
  EXPECT_THAT(Captions(), ElementsAre("Confirm Delete"));
  parent->relations.Close();
  EXPECT_FALSE(AnyOpen());
  EXPECT_THAT(Stored(*parent), ElementsAre("2/0"));
  EXPECT_THAT(Stored(*child), ElementsAre("21/2"));
  EXPECT_THAT(Stored(*grand), ElementsAre("211/21"));
  for (const char* name : {"parent", "child", "grand"}) {
    EXPECT_THAT(Problems(name), IsEmpty()) << name;
  }
}

TEST_F(RelationManagerTest, DeleteNotConfirmedChangesNothing) {
  MakeFamily({Cascade, Cascade, NoAction});
  ASSERT_EQ(parent->relations.Open(), Level::Proceed);
  Fetch(*parent, 1);
  gui.AnswerMessageBox(kButtonNo);
  EXPECT_EQ(parent->relations.Delete(/*ask=*/true), Level::Notified);
  parent->relations.Close();
  EXPECT_THAT(Stored(*child), ElementsAre("11/1", "12/1", "21/2"));
}

TEST_F(RelationManagerTest, ClearLinksLeavesTheChildrenWithoutParent) {
  MakeFamily({ClearLinks, NoAction, NoAction});
  ASSERT_EQ(parent->relations.Open(), Level::Proceed);
  Fetch(*parent, 1);
  EXPECT_EQ(parent->relations.Delete(false), Level::Proceed);
  parent->relations.Close();
  EXPECT_THAT(Stored(*parent), ElementsAre("2/0"));
  EXPECT_THAT(Stored(*child), ElementsAre("11/0", "12/0", "21/2"));
  EXPECT_FALSE(AnyOpen());
}

TEST_F(RelationManagerTest, ChangedLinkCascadesOrIsRestricted) {
  // Cascade: the children follow the parent's new ID.
  MakeFamily({NoAction, NoAction, Cascade});
  ASSERT_EQ(parent->relations.Open(), Level::Proceed);
  Fetch(*parent, 1);
  parent->relations.SaveLinks();
  parent->table.SetLong(kId, 5);
  EXPECT_EQ(parent->relations.Update(), Level::Proceed);
  parent->relations.Close();
  EXPECT_THAT(Stored(*parent), ElementsAre("2/0", "5/0"));
  EXPECT_THAT(Stored(*child), ElementsAre("11/5", "12/5", "21/2"));
  EXPECT_FALSE(AnyOpen());
  TearDown();

  // Restrict: the change is refused and the parent's link put back.
  MakeFamily({NoAction, NoAction, Restrict});
  ASSERT_EQ(parent->relations.Open(), Level::Proceed);
  Fetch(*parent, 1);
  parent->relations.SaveLinks();
  parent->table.SetLong(kId, 5);
  parent->table.SetText(kName, "renamed");
  gui.AnswerMessageBox(kButtonOk);
  EXPECT_EQ(parent->relations.Update(), Level::Notified);
  EXPECT_EQ(gui.message_boxes().back().caption,
            "Referential Integrity Update Error");
  EXPECT_EQ(parent->table.Long(kId), 1);
  parent->relations.Close();
  EXPECT_FALSE(AnyOpen());
  EXPECT_THAT(Stored(*parent), ElementsAre("1/0", "2/0"));
  Open(parent->table.file, kManagerOpenMode);
  parent->table.SetLong(kId, 1);
  Get(parent->table.file, *parent->id_key);
  EXPECT_EQ(parent->table.Text(kName), "p1");  // the put was rolled back
  Close(parent->table.file);
  EXPECT_THAT(Stored(*child), ElementsAre("11/1", "12/1", "21/2"));
}

TEST_F(RelationManagerTest, RecordChangedElsewhereIsReportedForTheForm) {
  MakeFamily({NoAction, NoAction, NoAction});
  ASSERT_EQ(parent->relations.Open(), Level::Proceed);
  Watch(parent->table.file);
  Fetch(*parent, 1);
  {
    Level3 other(Path("parent"), "PAR");
    Share(other.table.file);
    other.table.SetLong(kId, 1);
    Get(other.table.file, *other.id_key);
    other.table.SetText(kName, "theirs");
    Put(other.table.file);
    ASSERT_EQ(ErrorCode(), 0) << Error();
  }
  parent->table.SetText(kName, "mine");
  gui.AnswerMessageBox(kButtonOk);
  EXPECT_EQ(parent->relations.Update(/*from_form=*/true), Level::Notified);
  EXPECT_THAT(gui.message_boxes().back().lines,
              ElementsAre("This record was changed by another station. Those "
                          "changes will now be displayed. Use the Ditto Button "
                          "or Ctrl+' to recall your changes."));
  EXPECT_EQ(parent->table.Text(kName), "theirs");
  parent->relations.Close();
  EXPECT_FALSE(AnyOpen());
}

// Counts the managers a walk reaches: a visit is a call that took the
// walk's mark.
class CountingRelations : public RelationManager {
 public:
  void SetQuickScan(bool on, int propagate) override {
    const std::int32_t before = LASTTOUCHED;
    RelationManager::SetQuickScan(on, propagate);
    if (LASTTOUCHED != before) ++visits;
  }
  int visits = 0;
};

TEST_F(RelationManagerTest, WalksOverACycleVisitEachManagerOnce) {
  std::vector<std::unique_ptr<TestTable>> tables;
  std::vector<std::unique_ptr<FileManager>> files;
  std::vector<std::unique_ptr<CountingRelations>> relations;
  for (const char* name : {"A", "B", "C"}) {
    tables.push_back(std::make_unique<TestTable>(
        Path(name), name, std::vector<TestField>{{"ID", 0}}));
    files.push_back(std::make_unique<FileManager>());
    files.back()->Init(tables.back()->file, errors);
    relations.push_back(std::make_unique<CountingRelations>());
    relations.back()->Init(*files.back(), true);
  }
  // A -> B -> C -> A, and back from each.
  for (int i = 0; i < 3; ++i) {
    RelationManager& next = *relations[(i + 1) % 3];
    relations[i]->AddRelation(next, NoAction, NoAction, nullptr, {{2, 2}});
    next.AddRelation(*relations[i], NoAction, NoAction, nullptr, {{2, 2}});
  }
  relations[0]->SetQuickScan(true, 3);
  relations[1]->SetQuickScan(false, 3);
  for (const auto& manager : relations) EXPECT_EQ(manager->visits, 2);

  ASSERT_EQ(relations[2]->Open(), Level::Proceed);
  for (const auto& manager : files) {
    EXPECT_EQ(manager->ThreadState().OPENED, 1);
    EXPECT_TRUE(manager->FILE->control.state & kStateOpen);
  }
  relations[0]->Close();
  for (const auto& manager : files) {
    EXPECT_EQ(manager->ThreadState().OPENED, 0);
    EXPECT_FALSE(manager->FILE->control.state & kStateOpen);
  }
  for (auto& manager : relations) manager->Kill();
}

}  // namespace
}  // namespace vantrel
