#include "storage/tnl/table/key_build.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "os/posix/os_error.h"
#include "runtime/data/base/byte_order.h"
#include "runtime/data/base/error_state.h"
#include "storage/tnl/table/file_check.h"
#include "storage/tnl/table/table_catalog.h"
#include "storage/tnl/table/test_tables.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

const std::uint8_t kAllKeys[] = {0, 1, 2};
constexpr std::uint8_t kUniqueKey = 1;

// NAME STRING(4) at 0, ID LONG at 4; key 0 DUP NOCASE on NAME, key 1 unique
// on ID descending, key 2 DUP OPT on NAME.
TableDescription People() {
  TableDescription t;
  t.record_length = 8;
  t.fields = {TestField(FieldType::STRING, "NAME", 0, 4),
              TestField(FieldType::LONG, "ID", 4, 4)};
  t.keys = {
      {std::nullopt, "BYNAME", kDescribedDup | kDescribedNoCase, {{0, 0}}},
      {std::nullopt, "BYID", 0, {{1, 1}}},
      {std::nullopt, "OPTNAME", kDescribedDup | kDescribedOpt, {{0, 0}}}};
  return t;
}

std::vector<std::uint8_t> Person(int i) {
  static const char* const kNames[] = {"alfa", "Beta", "    ", "gama"};
  const char* name = kNames[i % 4];
  std::vector<std::uint8_t> image(name, name + 4);
  for (int b = 0; b < 4; ++b)
    image.push_back(static_cast<std::uint8_t>(i >> (8 * b)));
  return image;
}

// Collation reversed: later characters sort first.
CharTables Reversed() {
  CharTables t = CharTables::Defaults();
  for (std::size_t c = 0; c < kCharCount; ++c) {
    t.weight[c] = static_cast<std::uint8_t>(kCharCount - 1 - c);
  }
  return t;
}

class KeyBuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("keybuild_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "sort");
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A new file with table PEOPLE of `count` records beside a small table
  // OTHER of the same shape.
  void MakeFile(const std::string& name, int count, bool oem = false) {
    path_ = (dir_ / name).string();
    std::ofstream(path_).close();
    CommitChange(path_, [&](TnlFile& file, BTree& tree) {
      const TableDescription people = People();
      const TableKeys other{
          CreateTable(file, tree, "OTHER", people, false, tables_),
          &people,
          {},
          {&tables_}};
      table_ = CreateTable(file, tree, "PEOPLE", people, oem, tables_);
      rules_ = {&tables_, oem};
      const TableKeys keys{table_, &people, {}, rules_};
      for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(AddDataRecord(file, tree, other, Person(i)).error, 0);
      }
      for (int i = 0; i < count; ++i) {
        ASSERT_EQ(AddDataRecord(file, tree, keys, Person(i)).error, 0);
      }
    });
  }

  // Every record of the file, in order.
  std::vector<PageRecord> Records() {
    std::vector<PageRecord> out;
    CommitChange(path_, [&](TnlFile&, BTree& tree) {
      ByteString at;
      while (auto record = tree.FindFirstGreater(at)) {
        at.assign(record->Key().begin(), record->Key().end());
        out.push_back(std::move(*record));
      }
    });
    return out;
  }

  std::vector<std::string> Problems() {
    TnlFile file;
    EXPECT_TRUE(file.Open(path_, kOpenReadWriteShared));
    return CheckFileIntegrity(file);
  }

  int Rebuild(const KeyBuildOptions& options) {
    int code = -1;
    CommitChange(path_, [&](TnlFile&, BTree& tree) {
      code = RebuildKeys(tree, table_, People(), kAllKeys, rules_, options);
    });
    return code;
  }

  KeyBuildOptions SmallRuns() const {
    KeyBuildOptions options;
    options.sort = {4096, (dir_ / "sort").string()};
    return options;
  }

  fs::path dir_;
  std::string path_;
  std::uint32_t table_ = 0;
  CharTables tables_ = CharTables::Defaults();
  KeyStringRules rules_;
};

TEST_F(KeyBuildTest, RebuildRestoresDamagedKeysFromTheDataRecords) {
  constexpr int kCount = 3000;
  MakeFile("people.tnl", kCount);
  const auto intact = Records();
  CommitChange(path_, [&](TnlFile&, BTree& tree) {
    RemoveKeyEntries(tree, table_, 0);
    // A stray entry naming no record, and counters gone wrong with a
    // pending INDEX entry.
    tree.Insert(KeyEntryRecord(table_, 2, Person(0), 0xABCD, true));
    WriteCountersOf(tree, table_, 1, {7, 5});
  });
  ASSERT_FALSE(Problems().empty());

  std::vector<BuildProgress> reports;
  KeyBuildOptions options = SmallRuns();
  options.progress = [&](const BuildProgress& p) {
    reports.push_back(p);
    return true;
  };
  EXPECT_EQ(Rebuild(options), 0);

  // Exactly the entries and counters that adding the records made, the
  // other table untouched, and the sort's files gone.
  EXPECT_EQ(Records(), intact);
  EXPECT_TRUE(Problems().empty());
  EXPECT_TRUE(fs::is_empty(dir_ / "sort"));

  ASSERT_FALSE(reports.empty());
  const auto last_read = std::find_if(
      reports.rbegin(), reports.rend(),
      [](const auto& p) { return p.stage == BuildStage::kReading; });
  ASSERT_NE(last_read, reports.rend());
  EXPECT_EQ(last_read->done, std::uint64_t{kCount});
  const std::uint64_t entries = kCount + kCount + kCount * 3 / 4;  // OPT
  EXPECT_EQ(reports.back().stage, BuildStage::kWriting);
  EXPECT_EQ(reports.back().key, 2);
  EXPECT_EQ(reports.back().done, entries);
  EXPECT_EQ(reports.back().total, entries);
  for (std::size_t i = 1; i < reports.size(); ++i) {
    if (reports[i].stage == reports[i - 1].stage) {
      EXPECT_GE(reports[i].done, reports[i - 1].done);
    }
    EXPECT_LE(reports[i].done, reports[i].total);
  }
}

TEST_F(KeyBuildTest, FailedBuildLeavesTheFileAsItWas) {
  struct Case {
    const char* what;
    int expected;
    std::function<void(KeyBuildOptions&)> arrange;
  };
  const Case cases[] = {
      {"cancelled while reading", kErrBuildCancelled,
       [](KeyBuildOptions& o) {
         o.progress = [](const BuildProgress& p) {
           EXPECT_EQ(p.stage, BuildStage::kReading);
           return p.done < 1024;
         };
       }},
      {"cancelled after reading everything", kErrBuildCancelled,
       [](KeyBuildOptions& o) {
         o.progress = [](const BuildProgress& p) {
           EXPECT_EQ(p.stage, BuildStage::kReading);
           return p.done < p.total;
         };
       }},
      {"temporary file cannot be made", int{kErrOsBase} + kSysFileNotFound,
       [this](KeyBuildOptions& o) {
         o.sort.directory = (dir_ / "absent").string();
       }},
      {"unique key value twice", kErrDuplicateKey,
       [this](KeyBuildOptions&) {
         // A record written without its entries, holding ID 7 again.
         CommitChange(path_, [&](TnlFile& file, BTree& tree) {
           tree.Insert(
               MakeRecord(DataKey(table_, file.IssueNumber()), Person(7)));
         });
       }},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MakeFile("case" + std::to_string(n++) + ".tnl", 2000);
    KeyBuildOptions options = SmallRuns();
    c.arrange(options);
    const auto before = Records();
    EXPECT_EQ(Rebuild(options), c.expected);
    EXPECT_EQ(Records(), before);
    EXPECT_TRUE(fs::is_empty(dir_ / "sort"));
  }
}

TEST_F(KeyBuildTest, FullRebuildFollowsTheNewCollationAndStoresIt) {
  MakeFile("full.tnl", 40, /*oem=*/true);
  const CharTables reversed = Reversed();
  KeyBuildOptions options = SmallRuns();
  options.new_tables = &reversed;
  EXPECT_EQ(Rebuild(options), 0);
  EXPECT_TRUE(Problems().empty());  // entries agree with the stored tables

  CommitChange(path_, [&](TnlFile&, BTree& tree) {
    const auto stored = TableCharTables(tree, table_);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->tables, reversed);
    EXPECT_TRUE(stored->oem);
    // Under the reversed collation "gama" (record i % 4 == 3) comes first.
    ByteString prefix = TablePrefix(table_);
    prefix.push_back(0);
    const auto first = tree.FindFirstAtOrAbove(prefix);
    ASSERT_TRUE(first);
    const auto data = tree.Find(DataKey(table_, ReadBe32(RecordData(*first))));
    ASSERT_TRUE(data);
    const auto image = RecordData(*data);
    EXPECT_EQ(std::string(image.begin(), image.begin() + 4), "gama");
  });
}

TEST_F(KeyBuildTest, OneKeyRebuiltAloneAndOverASubset) {
  MakeFile("one.tnl", 100);
  CommitChange(path_, [&](TnlFile&, BTree& tree) {
    RemoveKeyEntries(tree, table_, 0);
    RemoveKeyEntries(tree, table_, kUniqueKey);
  });
  const auto before = Records();
  const std::uint8_t only[] = {kUniqueKey};
  int code = -1;
  CommitChange(path_, [&](TnlFile&, BTree& tree) {
    code = RebuildKeys(tree, table_, People(), only, rules_, SmallRuns());
  });
  EXPECT_EQ(code, 0);
  const auto problems = Problems();
  // Key 0 is still empty; key 1 is whole again.
  ASSERT_FALSE(problems.empty());
  for (const auto& p : problems) {
    EXPECT_NE(p.find("key 0"), std::string::npos) << p;
  }
  EXPECT_EQ(Records().size(), before.size() + 100);

  // Over the records with an even ID only.
  KeyBuildOptions even = SmallRuns();
  even.include = [](std::uint32_t, std::span<const std::uint8_t> image) {
    return image[4] % 2 == 0;
  };
  CommitChange(path_, [&](TnlFile&, BTree& tree) {
    EXPECT_EQ(RebuildKeys(tree, table_, People(), only, rules_, even), 0);
    EXPECT_EQ(ReadCountersOf(tree, table_, kUniqueKey)->count, 50u);
    EXPECT_EQ(RemoveKeyEntries(tree, table_, kUniqueKey), 50u);
  });
}

}  // namespace
}  // namespace vantrel
