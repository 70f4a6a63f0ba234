#include "framework/file_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/error_manager_halt.h"
#include "framework/file_manager_test_tables.h"
#include "framework/manager_test_fixture.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/expr/expr_evaluate.h"
#include "runtime/data/driver/file_statements.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;
namespace fs = std::filesystem;

class FileManagerTest : public ManagerTest {
 protected:
  // A manager of `table` with its keys; the number key numbers component
  // `auto_inc` (0: none).
  void Manage(FileManager& manager, ItemsTable& table,
              std::uint8_t auto_inc = ItemsTable::kNumber - 1) {
    manager.Init(table.file, errors);
    manager.AddKey(*table.number_key, "Number", auto_inc);
    manager.AddKey(*table.name_key, "Name");
  }
  // Adds an item through the manager (numbered when the key says so).
  Level AddItem(FileManager& manager, ItemsTable& table,
                const std::string& prefix, const std::string& name) {
    table.Clear();
    table.SetText(ItemsTable::kPrefix, prefix);
    table.SetText(ItemsTable::kName, name);
    return manager.Insert();
  }
  // Every item in key order as "PREFIX NUMBER NAME", read with statements.
  static std::vector<std::string> Stored(ItemsTable& table) {
    std::vector<std::string> items;
    Set(*table.number_key);
    for (Next(table.file); ErrorCode() == 0; Next(table.file)) {
      items.push_back(table.Text(ItemsTable::kPrefix) + " " +
                      std::to_string(table.Long(ItemsTable::kNumber)) + " " +
                      table.Text(ItemsTable::kName));
    }
    return items;
  }
  static bool IsOpen(const FileDeclaration& file) {
    return (file.control.state & kStateOpen) != 0;
  }
};

TEST_F(FileManagerTest, NumbersRestartPerPrefixAndContinueWithinOne) {
  ItemsTable items(Path("items"));
  FileManager manager;
  Manage(manager, items);
  ASSERT_EQ(manager.Open(), Level::Proceed);
  // The file does not exist yet: the first use creates it.
  EXPECT_EQ(AddItem(manager, items, "A", "a1"), Level::Proceed);
  EXPECT_TRUE(fs::exists(Path("items")) || fs::exists(Path("items.TNL")));
  EXPECT_EQ(AddItem(manager, items, "A", "a2"), Level::Proceed);
  EXPECT_EQ(AddItem(manager, items, "B", "b1"), Level::Proceed);

  // Priming numbers and adds the record at once; the insert completes it.
  items.Clear();
  items.SetText(ItemsTable::kPrefix, "A");
  ASSERT_EQ(manager.PrimeRecord(/*keep=*/true), Level::Proceed);
  EXPECT_EQ(items.Long(ItemsTable::kNumber), 3);
  EXPECT_EQ(manager.ThreadState().AUTOINCDONE, 1);
  // Reading elsewhere in the file meanwhile does not change which record
  // the insert completes.
  Get(items.file, 1);
  items.Clear();
  items.SetText(ItemsTable::kPrefix, "A");
  items.SetLong(ItemsTable::kNumber, 3);
  items.SetText(ItemsTable::kName, "a3");
  EXPECT_EQ(manager.Insert(), Level::Proceed);
  EXPECT_EQ(manager.ThreadState().AUTOINCDONE, 0);
  EXPECT_EQ(AddItem(manager, items, "B", "b2"), Level::Proceed);
  EXPECT_EQ(AddItem(manager, items, "AB", "ab1"), Level::Proceed);

  EXPECT_THAT(Stored(items), ElementsAre("A 1 a1", "A 2 a2", "A 3 a3",
                                         "AB 1 ab1", "B 1 b1", "B 2 b2"));
  EXPECT_TRUE(gui.message_boxes().empty());
  manager.Close();
}

TEST_F(FileManagerTest, SingleComponentNumberInEitherOrder) {
  for (const std::int16_t direction : {1, -1}) {
    SCOPED_TRACE(direction > 0 ? "ascending" : "descending");
    TestTable table(Path(direction > 0 ? "up" : "down"), "SEQ",
                    {{"ID", 0}, {"NAME", 10}});
    KeyDeclaration& key =
        table.AddKey("IDKEY", 0, {std::int16_t(2 * direction)});
    FileManager manager;
    manager.Init(table.file, errors);
    manager.AddKey(key, "Id", 1);
    manager.Open();
    std::vector<std::int32_t> numbers;
    for (int i = 0; i < 2; ++i) {
      table.Clear();
      ASSERT_EQ(manager.Insert(), Level::Proceed);
      numbers.push_back(table.Long(2));
    }
    // A number put in directly: numbering goes on above it.
    table.SetLong(2, 40);
    Add(table.file);
    ASSERT_EQ(ErrorCode(), 0) << Error();
    table.Clear();
    ASSERT_EQ(manager.Insert(), Level::Proceed);
    numbers.push_back(table.Long(2));
    EXPECT_THAT(numbers, ElementsAre(1, 2, 41));
    manager.Close();
  }
}

TEST_F(FileManagerTest, DuplicateKeyNamesTheKeyWhenShown) {
  ItemsTable items(Path("items"));
  FileManager manager;
  Manage(manager, items, /*auto_inc=*/0);
  manager.Open();
  items.SetText(ItemsTable::kPrefix, "A");
  items.SetLong(ItemsTable::kNumber, 1);
  items.SetText(ItemsTable::kName, "same");
  ASSERT_EQ(manager.Insert(), Level::Proceed);
  items.SetLong(ItemsTable::kNumber, 2);

  EXPECT_EQ(manager.TryInsert(), Level::Notified);
  EXPECT_EQ(manager.ThreadState().LASTERROR, kMsgDuplicateKey);
  EXPECT_TRUE(gui.message_boxes().empty());

  gui.AnswerMessageBox(kButtonOk);
  EXPECT_EQ(manager.Insert(), Level::Notified);
  EXPECT_THAT(Captions(), ElementsAre("Duplicate Key Error"));
  EXPECT_EQ(LastText(),
            "Adding this record creates a duplicate entry for the key: Name");
  // Shown later, the pending condition is the one the try-form recorded.
  EXPECT_EQ(Records(items.file), 1);
  manager.Close();
}

TEST_F(FileManagerTest, OpensAreCountedAndTheLastCloseCloses) {
  ItemsTable items(Path("items"));
  FileManager manager;
  Manage(manager, items);
  manager.LAZYOPEN = 0;
  ASSERT_EQ(manager.Open(), Level::Proceed);
  ASSERT_EQ(manager.Open(), Level::Proceed);
  EXPECT_EQ(manager.ThreadState().OPENED, 2);
  manager.Close();
  EXPECT_TRUE(IsOpen(items.file));
  manager.Close();
  EXPECT_FALSE(IsOpen(items.file));
  EXPECT_EQ(manager.ThreadState().USED, 0);
  // A close too many does nothing.
  EXPECT_EQ(manager.Close(), Level::Proceed);
  EXPECT_EQ(manager.ThreadState().OPENED, 0);
}

TEST_F(FileManagerTest, LazyOpenWaitsForTheFirstUseAndKeepsTheRecord) {
  ItemsTable items(Path("items"));
  FileManager manager;
  Manage(manager, items, 0);
  ASSERT_EQ(manager.Open(), Level::Proceed);
  EXPECT_FALSE(IsOpen(items.file));
  items.SetText(ItemsTable::kPrefix, "Z");
  items.SetLong(ItemsTable::kNumber, 7);
  items.SetText(ItemsTable::kName, "kept");
  // The insert opens (and creates) the file, and writes what the record
  // held before.
  ASSERT_EQ(manager.Insert(), Level::Proceed);
  EXPECT_TRUE(IsOpen(items.file));
  EXPECT_THAT(Stored(items), ElementsAre("Z 7 kept"));
  manager.Close();
  EXPECT_FALSE(IsOpen(items.file));
}

TEST_F(FileManagerTest, MissingFileWithoutCreateIsAnOpenError) {
  ItemsTable items(Path("items"));
  FileManager manager;
  Manage(manager, items);
  manager.CREATE = 0;
  manager.LAZYOPEN = 0;
  EXPECT_EQ(manager.TryOpen(), Level::Notified);
  EXPECT_EQ(manager.ThreadState().LASTERROR, kMsgOpenError);
  EXPECT_EQ(errors.SAVEERRORCODE, kErrFileNotFound);
  EXPECT_EQ(manager.ThreadState().OPENED, 0);
  EXPECT_FALSE(fs::exists(Path("items")) || fs::exists(Path("items.TNL")));
  EXPECT_TRUE(gui.message_boxes().empty());
}

using FileManagerDeathTest = FileManagerTest;

// Uses of a lazily opened file before any logical open end the program.
TEST_F(FileManagerDeathTest, UseBeforeOpenIsFatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ItemsTable items(Path("items"));
  FileManager manager;
  Manage(manager, items);
  gui.AnswerMessageBox(kButtonOk);
  gui.AnswerMessageBox(kButtonOk);
  EXPECT_EXIT(manager.TryNext(), ::testing::ExitedWithCode(kHaltExitStatus),
              "File Usage Error\nAttempt to use file \\(.*items\\) before it "
              "was opened");
}

TEST_F(FileManagerTest, SavedFileStateComesBackWithItsPosition) {
  ItemsTable items(Path("items"));
  FileManager manager;
  Manage(manager, items);
  manager.Open();
  for (const char* name : {"n1", "n2", "n3", "n4"}) {
    ASSERT_EQ(AddItem(manager, items, "A", name), Level::Proceed);
  }
  Set(*items.number_key);
  manager.Next();
  manager.Next();
  ASSERT_EQ(items.Text(ItemsTable::kName), "n2");
  const std::size_t states = manager.SAVED->size();
  const std::size_t buffers = manager.BUFFERS->size();
  const std::uint16_t saved = manager.SaveFile();
  manager.Next();
  items.SetText(ItemsTable::kName, "scribbled");

  manager.RestoreFile(saved);
  EXPECT_EQ(items.Text(ItemsTable::kName), "n2");
  ASSERT_EQ(manager.Next(), Level::Proceed);
  EXPECT_EQ(items.Text(ItemsTable::kName), "n3");
  EXPECT_EQ(manager.SAVED->size(), states);
  EXPECT_EQ(manager.BUFFERS->size(), buffers);
  manager.Close();
}

TEST_F(FileManagerTest, CalledProcedureLeavesTheCallersRecordAndPosition) {
  ItemsTable items(Path("items"));
  FileManager manager;
  Manage(manager, items);
  errors.SetProcedureName("Caller");
  manager.Open();
  for (const char* name : {"n1", "n2", "n3", "n4"}) {
    ASSERT_EQ(AddItem(manager, items, "A", name), Level::Proceed);
  }
  Set(*items.number_key);
  manager.Next();
  manager.Next();

  errors.SetProcedureName("Callee");
  manager.Open();
  Set(*items.number_key);
  manager.Previous();
  EXPECT_EQ(items.Text(ItemsTable::kName), "n4");
  manager.Close();
  errors.SetProcedureName();

  EXPECT_EQ(items.Text(ItemsTable::kName), "n2");
  ASSERT_EQ(manager.Next(), Level::Proceed);
  EXPECT_EQ(items.Text(ItemsTable::kName), "n3");
  manager.Close();
  EXPECT_FALSE(IsOpen(items.file));
}

// A procedure that deleted its caller's record gives it back without a
// current record: no other record may take the place of the deleted one.
TEST_F(FileManagerTest, RestoredStateOfADeletedRecordHasNoCurrentRecord) {
  ItemsTable items(Path("items"));
  FileManager manager;
  Manage(manager, items);
  manager.Open();
  for (const char* name : {"n1", "n2", "n3"}) {
    ASSERT_EQ(AddItem(manager, items, "A", name), Level::Proceed);
  }
  Set(*items.number_key);
  manager.Next();
  manager.Next();
  const std::uint16_t saved = manager.SaveFile();
  Delete(items.file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  manager.RestoreFile(saved);
  EXPECT_EQ(items.Text(ItemsTable::kName), "n2");
  EXPECT_FALSE(items.file.control.state & kStateHasRecord);
  Put(items.file);
  EXPECT_NE(ErrorCode(), 0);
  EXPECT_THAT(Stored(items), ElementsAre("A 1 n1", "A 3 n3"));
  manager.Close();
}

TEST_F(FileManagerTest, UpdateOfARecordChangedElsewhereShowsTheOtherVersion) {
  ItemsTable items(Path("items"));
  FileManager manager;
  Manage(manager, items);
  manager.Open();
  ASSERT_EQ(AddItem(manager, items, "A", "first"), Level::Proceed);

  Watch(items.file);
  items.SetLong(ItemsTable::kNumber, 1);
  ASSERT_EQ(manager.TryFetch(*items.number_key), Level::Proceed);
  {
    ItemsTable other(Path("items"));
    Share(other.file);
    other.SetText(ItemsTable::kPrefix, "A");
    other.SetLong(ItemsTable::kNumber, 1);
    Get(other.file, *other.number_key);
    other.SetText(ItemsTable::kName, "theirs");
    Put(other.file);
    ASSERT_EQ(ErrorCode(), 0) << Error();
  }
  items.SetText(ItemsTable::kName, "mine");
  gui.AnswerMessageBox(kButtonOk);
  EXPECT_EQ(manager.Update(), Level::Notified);
  EXPECT_THAT(Captions(), ElementsAre("Record Was Not Updated"));
  EXPECT_EQ(LastText(), "This record was changed by another station.");
  EXPECT_EQ(items.Text(ItemsTable::kName), "theirs");
  // Watched again: saving now writes over the version shown.
  items.SetText(ItemsTable::kName, "mine");
  EXPECT_EQ(manager.Update(), Level::Proceed);
  EXPECT_THAT(Stored(items), ElementsAre("A 1 mine"));
  manager.Close();
}

TEST_F(FileManagerTest, KillInATransactionRollsItBack) {
  ItemsTable items(Path("items"));
  {
    FileManager manager;
    Manage(manager, items);
    manager.Open();
    ASSERT_EQ(AddItem(manager, items, "A", "kept"), Level::Proceed);
    Logout(items.file);
    ASSERT_EQ(ErrorCode(), 0) << Error();
    ASSERT_EQ(AddItem(manager, items, "A", "undone"), Level::Proceed);
    EXPECT_EQ(FindFileManager(items.file), &manager);
    manager.Kill();
    EXPECT_EQ(FindFileManager(items.file), nullptr);
  }
  EXPECT_FALSE(items.file.control.state & kStateLogout);
  EXPECT_THAT(Stored(items), ElementsAre("A 1 kept"));
  Close(items.file);
  EXPECT_EQ(ErrorCode(), 0) << Error();
}

TEST_F(FileManagerTest, ClearKeySetsComponentsLowOrHigh) {
  TestTable table(Path("mixed"), "MIX", {{"UP", 0}, {"DOWN", 0}, {"TAG", 3}});
  KeyDeclaration& key = table.AddKey("KEY", 0, {2, -3, 4});
  FileManager manager;
  manager.Init(table.file, errors);
  manager.AddKey(key, "Mixed");
  manager.ClearKey(key, 1, 3, /*high=*/true);
  EXPECT_EQ(table.Long(2), 0x7FFFFFFF);
  EXPECT_EQ(table.Long(3), 0);
  EXPECT_EQ(table.Text(4), "\xFF\xFF\xFF");
  manager.ClearKey(key, 2, 3, /*high=*/false);
  EXPECT_EQ(table.Long(2), 0x7FFFFFFF);  // outside the range asked
  EXPECT_EQ(table.Long(3), 0x7FFFFFFF);
  EXPECT_EQ(table.Text(4), "");
}

TEST_F(FileManagerTest, PrimedRecordIsRemovedWhenCancelled) {
  ItemsTable items(Path("items"));
  FileManager manager;
  Manage(manager, items);
  manager.Open();
  ASSERT_EQ(AddItem(manager, items, "A", "a1"), Level::Proceed);
  items.Clear();
  items.SetText(ItemsTable::kPrefix, "A");
  ASSERT_EQ(manager.PrimeRecord(/*keep=*/true), Level::Proceed);
  // Reading the file moves off the primed record; the cancel still
  // removes that one.
  EXPECT_THAT(Stored(items), ElementsAre("A 1 a1", "A 2 "));
  EXPECT_EQ(manager.CancelAutoInc(), Level::Proceed);
  EXPECT_EQ(manager.ThreadState().AUTOINCDONE, 0);
  EXPECT_THAT(Stored(items), ElementsAre("A 1 a1"));
  EXPECT_EQ(manager.CancelAutoInc(), Level::Proceed);  // nothing to cancel
  manager.Close();
}

TEST_F(FileManagerTest, RecordIsNamedForExpressionsAndComparedWithCopies) {
  ItemsTable items(Path("items"));
  FileManager manager;
  Manage(manager, items);
  manager.Open();
  items.SetText(ItemsTable::kName, "Ada");
  items.SetLong(ItemsTable::kNumber, 12);
  EXPECT_EQ(Evaluate("CLIP(ITM:NAME) & '/' & (ITM:NUMBER + 1)"), "Ada/13");

  const std::int32_t saved = manager.SaveBuffer();
  EXPECT_TRUE(manager.EqualBuffer(saved));
  items.SetText(ItemsTable::kName, "Bob");
  EXPECT_FALSE(manager.EqualBuffer(saved));
  manager.RestoreBuffer(saved);
  EXPECT_EQ(items.Text(ItemsTable::kName), "Ada");
  EXPECT_FALSE(manager.EqualBuffer(saved));  // the copy is gone
  manager.Close();
}

}  // namespace
}  // namespace vantrel
