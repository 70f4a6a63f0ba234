#include "tools/tnltool/tnl_tool.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "storage/tnl/internal_check.h"
#include "storage/tnl/table_catalog.h"
#include "storage/tnl/test_tables.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// Table "CAFÉ" (Windows-1252 inside): NAME STRING(6) with a NOCASE key.
TableDescription Cafe() {
  TableDescription t;
  t.record_length = 10;
  t.fields = {TestField(FieldType::GROUP, "REC", 0, 10, 0, 1),
              TestField(FieldType::STRING, "NAME", 0, 6, 1, 2),
              TestField(FieldType::LONG, "ID", 6, 4, 1, 3)};
  t.keys = {{std::nullopt, "BYNAME", kDescribedNoCase, {{1, 0}}}};
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
      const std::uint32_t table =
          CreateTable(f, tree, "CAF\xC9", Cafe(), false, tables);
      const std::uint8_t image[] = {'J', 'o', 's', 0xE9, ' ', ' ', 7, 0, 0, 0};
      AddDataRecord(f, tree, table, Cafe(), image, KeyStringRules{&tables});
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
            "  REC GROUP\n"
            "    NAME STRING(6)\n"
            "    ID LONG\n"
            "END\n"
            "RECORD 2\n"
            "    NAME 'Jos\u00E9  '\n"
            "    ID 7\n");
}

TEST_F(TnlToolTest, ProblemsAndUsage) {
  Change([](TnlFile&, BTree& tree) {
    WriteCountersOf(tree, 1, kKindData, {5, 0});
  });
  EXPECT_EQ(Run({"check", path_}), kToolProblems);
  EXPECT_EQ(out_.str(), "table 1: data count 5 but 1 data records\n");

  EXPECT_EQ(Run({"dump", path_, "--table", "NONE"}), kToolProblems);
  EXPECT_EQ(Run({"info"}), kToolUsage);
  EXPECT_EQ(Run({"frobnicate", path_}), kToolUsage);
  EXPECT_EQ(Run({"check", path_, "--bogus"}), kToolUsage);
  EXPECT_EQ(Run({"check", path_ + ".missing"}), kToolUsage);
  EXPECT_EQ(Run({"check", path_, "--password", "\xFF"}), kToolUsage);
}

}  // namespace
}  // namespace vantrel
