#include "tools/tnltool/tnl_tool.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/table/memo_store.h"
#include "storage/tnl/table/table_catalog.h"
#include "storage/tnl/table/test_tables.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// Table "CAFÉ" (Windows-1252 inside): NAME STRING(6) with a NOCASE key, a
// text memo and a BLOB.
TableDescription Cafe() {
  TableDescription t;
  t.record_length = 10;
  t.fields = {TestField(FieldType::GROUP, "REC", 0, 10, 0, 1),
              TestField(FieldType::STRING, "NAME", 0, 6, 1, 2),
              TestField(FieldType::LONG, "ID", 6, 4, 1, 3)};
  t.keys = {{std::nullopt, "BYNAME", kDescribedNoCase, {{1, 0}}}};
  t.memos = {{std::nullopt, "NOTE", 40, 0},
             {std::nullopt, "PIC", 0, kDescribedMemoBlob}};
  return t;
}

class TnlToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (fs::path(::testing::TempDir()) /
             ("tool_" + std::to_string(::getpid()) + ".vtl"))
                .string();
    std::ofstream(path_).close();
    Change([](TnlFile& f, BTree& tree) {
      const CharTables tables = CharTables::Defaults();
      const TableDescription cafe = Cafe();
      const TableKeys keys{CreateTable(f, tree, "CAF\xC9", cafe, false, tables),
                           &cafe,
                           {},
                           KeyStringRules{&tables}};
      const std::uint8_t image[] = {'J', 'o', 's', 0xE9, ' ', ' ', 7, 0, 0, 0};
      const AddedRecord added = AddDataRecord(f, tree, keys, image);
      ASSERT_EQ(added.error, 0);
      const std::string note = "<b>\r\nit's \xE9   ";
      ByteString pic(20);
      for (std::size_t i = 0; i < pic.size(); ++i) {
        pic[i] = static_cast<std::uint8_t>(i * 17);
      }
      const std::vector<ByteString> memos = {
          ByteString(note.begin(), note.end()), pic};
      ASSERT_TRUE(
          WriteRecordMemos(tree, keys.table, added.number, cafe, memos, false));
    });
  }
  void TearDown() override { fs::remove(path_); }

  void Change(const std::function<void(TnlFile&, BTree&)>& body) {
    CommitChange(path_, body);
  }

  int Run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return RunTnlTool(args, out_, err_);
  }

  std::string path_;
  std::ostringstream out_, err_;
};

TEST_F(TnlToolTest, CommandsOnACleanFile) {
  EXPECT_EQ(Run({"tables", path_}), 0);
  EXPECT_EQ(out_.str(), "CAF\u00C9 1\n");

  EXPECT_EQ(Run({"info", path_}), 0);
  EXPECT_NE(out_.str().find("last issued number: 2\n"), std::string::npos);
  EXPECT_NE(out_.str().find("table CAF\u00C9 (1): 1 records\n"),
            std::string::npos)
      << out_.str();

  EXPECT_EQ(Run({"check", path_}), 0);
  EXPECT_EQ(out_.str(), "");

  EXPECT_EQ(Run({"dump", path_, "--table", "CAF\u00C9"}), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "CAF\u00C9 FILE\n"
            "  BYNAME KEY(+NAME),NOCASE\n"
            "  NOTE MEMO(40)\n"
            "  PIC BLOB\n"
            "  REC GROUP\n"
            "    NAME STRING(6)\n"
            "    ID LONG\n"
            "END\n"
            "RECORD 2\n"
            "    NAME 'Jos\u00E9  '\n"
            "    ID 7\n"
            "  NOTE '<<b><13><10>it''s \u00E9'\n"
            "  PIC 20 bytes: 00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF "
            "...\n");
}

TEST_F(TnlToolTest, ProblemsAndUsage) {
  Change([](TnlFile&, BTree& tree) {
    WriteCountersOf(tree, 1, kKindData, {5, 0});
  });
  EXPECT_EQ(Run({"check", path_}), kToolProblems);
  EXPECT_EQ(out_.str(), "table 1: data count 5 but 1 data records\n");

  EXPECT_EQ(Run({"dump", path_, "--table", "NONE"}), kToolNoTable);
  EXPECT_EQ(Run({"info"}), kToolUsage);
  EXPECT_EQ(Run({"frobnicate", path_}), kToolUsage);
  EXPECT_EQ(Run({"check", path_, "--bogus"}), kToolUsage);
  EXPECT_EQ(Run({"check", path_ + ".missing"}), kToolNoAccess);
  EXPECT_EQ(Run({"check", path_, "--password", "\xFF"}), kToolUsage);
}

TEST_F(TnlToolTest, DamagedBlobIsShownAsSuchAndReported) {
  Change([](TnlFile&, BTree& tree) {
    auto head = tree.Find(MemoKey(1, 2, 1, 0));
    ASSERT_TRUE(head);
    ASSERT_TRUE(tree.Remove(head->Key()));
    head->bytes[kMemoKeyLength] = 21;  // the BLOB's length, one too many
    tree.Insert(*head);
  });
  EXPECT_EQ(Run({"dump", path_}), 0);
  EXPECT_NE(out_.str().find("\n  PIC (damaged)\n"), std::string::npos)
      << out_.str();
  EXPECT_EQ(Run({"check", path_}), kToolProblems);
  EXPECT_EQ(out_.str(),
            "table 1 record 2 memo 1: chunk sizes disagree with the BLOB's "
            "length\n");
}

}  // namespace
}  // namespace vantrel
