#include "storage/tnl/file_check.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "storage/tnl/bytes.h"
#include "storage/tnl/internal_check.h"
#include "storage/tnl/table_catalog.h"
#include "storage/tnl/test_tables.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// PEOPLE: NAME STRING(20), AGE SHORT; key 0 DUP on NAME, key 1 OPT on AGE.
TableDescription People() {
  TableDescription t;
  t.record_length = 22;
  t.fields = {TestField(FieldType::STRING, "NAME", 0, 20),
              TestField(FieldType::SHORT, "AGE", 20, 2)};
  t.keys = {{std::nullopt, "K0", kDescribedDup, {{0, 0}}},
            {std::nullopt, "K1", kDescribedOpt | kDescribedDup, {{1, 0}}}};
  return t;
}

class FileCheckTest : public ::testing::Test {
 public:
  void SetUp() override {
    path_ = (fs::path(::testing::TempDir()) /
             ("check_" + std::to_string(::getpid()) + ".vtl"))
                .string();
    std::ofstream(path_).close();
    Change([](TnlFile& f, BTree& tree) {
      const CharTables tables = CharTables::Defaults();
      const std::uint32_t table =
          CreateTable(f, tree, "PEOPLE", People(), false, tables);
      for (int i = 0; i < 400; ++i) {
        std::vector<std::uint8_t> image(22, ' ');
        const std::string name = "person " + std::to_string(i * 7919 % 400);
        std::copy(name.begin(), name.end(), image.begin());
        image[20] = static_cast<std::uint8_t>(i % 3 == 0 ? 0 : i);
        AddDataRecord(f, tree, table, People(), image, KeyStringRules{&tables});
      }
    });
  }
  void TearDown() override { fs::remove(path_); }

  void Change(const std::function<void(TnlFile&, BTree&)>& body) {
    CommitChange(path_, body);
  }

  std::vector<std::string> Check() {
    TnlFile file;
    EXPECT_TRUE(file.Open(path_, 0x40));
    return CheckFileIntegrity(file);
  }

  void PatchDisk(std::size_t at, std::uint8_t value) {
    std::fstream f(path_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(at));
    f.put(static_cast<char>(value));
  }

  std::string path_;
};

bool Mentions(const std::vector<std::string>& lines, const std::string& text) {
  for (const auto& line : lines) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST_F(FileCheckTest, CleanFilePasses) {
  EXPECT_EQ(Check(), std::vector<std::string>{});
}

TEST_F(FileCheckTest, FindsPlantedDamage) {
  const struct {
    const char* name;
    std::function<void(FileCheckTest&)> plant;
    const char* expected;
  } cases[] = {
      {"missing key entry",
       [](FileCheckTest& t) {
         t.Change([](TnlFile&, BTree& tree) {
           auto entry = tree.FindFirstGreater(KeyEntryKey(1, 0, {}, 0, false));
           ASSERT_TRUE(entry);
           ASSERT_TRUE(tree.Remove(entry->Key()));
         });
       },
       "has no entry"},
      {"wrong counter",
       [](FileCheckTest& t) {
         t.Change([](TnlFile&, BTree& tree) {
           WriteCountersOf(tree, 1, kKindData, {401, 0});
         });
       },
       "data count 401 but 400"},
      {"entry without record",
       [](FileCheckTest& t) {
         t.Change([](TnlFile&, BTree& tree) { tree.Remove(DataKey(1, 5)); });
       },
       "entry names missing record 5"},
      {"flipped page byte",
       [](FileCheckTest& t) {
         for (std::size_t at = 0x208; at < 0x300; at += 8)
           t.PatchDisk(at, 0x5A);
       },
       "internal check"},
      {"zone overlap",
       [](FileCheckTest& t) {
         t.PatchDisk(0x20 + 4 * 2 + 3, 0);  // zone 2 starts at page 0
         t.PatchDisk(0x20 + 4 * 2, 0);
         t.PatchDisk(0x110 + 4 * 2, 0xFF);  // and ends far up
       },
       "not a valid file"},
  };
  for (const auto& c : cases) {
    SetUp();
    c.plant(*this);
    const auto problems = Check();
    EXPECT_FALSE(problems.empty()) << c.name;
    EXPECT_TRUE(Mentions(problems, c.expected)) << c.name;
    TearDown();
  }
}

}  // namespace
}  // namespace vantrel
