#include "storage/tnl/table/file_check.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "runtime/data/base/byte_order.h"
#include "storage/tnl/format/header.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/format/page_image.h"
#include "storage/tnl/table/memo_store.h"
#include "storage/tnl/table/table_catalog.h"
#include "storage/tnl/table/test_hostile_files.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// PEOPLE: NAME STRING(20), AGE SHORT; key 0 DUP on NAME, key 1 OPT on AGE;
// a MEMO(1000) and a BLOB.
TableDescription People() {
  TableDescription t;
  t.record_length = 22;
  t.fields = {TestField(FieldType::STRING, "NAME", 0, 20),
              TestField(FieldType::SHORT, "AGE", 20, 2)};
  t.keys = {{std::nullopt, "K0", kDescribedDup, {{0, 0}}},
            {std::nullopt, "K1", kDescribedOpt | kDescribedDup, {{1, 0}}}};
  t.memos = {{std::nullopt, "NOTES", 1000, 0},
             {std::nullopt, "PHOTO", 0, kDescribedMemoBlob}};
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
      const TableDescription people = People();
      const TableKeys keys{
          CreateTable(f, tree, "PEOPLE", people, false, tables),
          &people,
          {},
          KeyStringRules{&tables}};
      for (int i = 0; i < 400; ++i) {
        std::vector<std::uint8_t> image(22, ' ');
        const std::string name = "person " + std::to_string(i * 7919 % 400);
        std::copy(name.begin(), name.end(), image.begin());
        image[20] = static_cast<std::uint8_t>(i % 3 == 0 ? 0 : i);
        ASSERT_EQ(AddDataRecord(f, tree, keys, image).error, 0);
      }
      // Record 2: notes of three chunks and a BLOB of two.
      const std::vector<ByteString> memos = {ByteString(600, 'n'),
                                             ByteString(300, 'p')};
      ASSERT_TRUE(WriteRecordMemos(tree, keys.table, 2, people, memos, false));
    });
  }
  void TearDown() override { fs::remove(path_); }

  void Change(const std::function<void(TnlFile&, BTree&)>& body) {
    CommitChange(path_, body);
  }

  std::vector<std::string> Check() {
    TnlFile file;
    EXPECT_TRUE(file.Open(path_, kOpenReadShared));
    return CheckFileIntegrity(file);
  }

  void PatchDisk(std::size_t at, std::uint8_t value) {
    PatchFile(path_, at, {value});
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

// A change counter near its end is reported: from there on few commits, or
// none, can raise it without wrapping.
TEST_F(FileCheckTest, ReportsAChangeCounterNearItsEnd) {
  const struct {
    std::uint32_t counter;
    std::vector<std::string> problems;
  } cases[] = {
      {0xFFFDFFFF, {}},
      {0xFFFE0000, {"change counter 4294836224 near its end: 65535 commits left"}},
      {0xFFFFFFFD, {"change counter 4294967293 near its end: 1 commits left"}},
      {0xFFFFFFFE, {"change counter 4294967294 near its end: 0 commits left"}},
  };
  for (const auto& c : cases) {
    PatchFileLe32(path_, kChangeCounterOffset, c.counter);
    EXPECT_EQ(Check(), c.problems) << c.counter;
  }
}

// Plants a chunk of `size` bytes under `key`, replacing one stored there.
std::function<void(FileCheckTest&)> PutChunk(ByteString key, std::size_t size) {
  return [key, size](FileCheckTest& t) {
    t.Change([&](TnlFile&, BTree& tree) {
      tree.Remove(key);
      tree.Insert(MakeRecord(key, ByteString(size, 'x')));
    });
  };
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
      {"memo chunk of a missing record", PutChunk(MemoKey(1, 999, 0, 0), 1),
       "record 999 memo 0: chunks of a missing record"},
      {"memo chunk of an undeclared memo", PutChunk(MemoKey(1, 3, 2, 0), 1),
       "record 3 memo 2: chunks of an undeclared memo"},
      {"gap in the chunk sequence",
       [](FileCheckTest& t) {
         t.Change([](TnlFile&, BTree& tree) {
           ASSERT_TRUE(tree.Remove(MemoKey(1, 2, 0, 1)));
         });
       },
       "record 2 memo 0: chunk 1 is missing"},
      {"sequence not starting at 0", PutChunk(MemoKey(1, 4, 0, 1), 1),
       "record 4 memo 0: chunk 0 is missing"},
      {"short text chunk before the last", PutChunk(MemoKey(1, 2, 0, 0), 255),
       "record 2 memo 0: chunk sizes are not as written"},
      {"BLOB length beyond its chunks",
       [](FileCheckTest& t) {
         t.Change([](TnlFile&, BTree& tree) {
           auto head = tree.Find(MemoKey(1, 2, 1, 0));
           ASSERT_TRUE(head);
           ASSERT_TRUE(tree.Remove(MemoKey(1, 2, 1, 0)));
           head->bytes[kMemoKeyLength] += 1;  // low byte of the length
           tree.Insert(*head);
         });
       },
       "record 2 memo 1: chunk sizes disagree with the BLOB's length"},
      {"flipped page byte",
       [](FileCheckTest& t) {
         for (std::size_t at = 0x208; at < 0x300; at += 8)
           t.PatchDisk(at, 0x5A);
       },
       "internal check"},
      // What the file's words say beyond its records.
      {"header address word", [](FileCheckTest& t) { t.PatchDisk(0x000, 1); },
       "header: address word 1, not 0"},
      {"header size word", [](FileCheckTest& t) { t.PatchDisk(0x004, 1); },
       "header: size word 513, not 512"},
      {"reserved word", [](FileCheckTest& t) { t.PatchDisk(0x012, 7); },
       "header: reserved word 7, not 0"},
      {"committed and shadow end past the file",
       [](FileCheckTest& t) {
         t.PatchDisk(0x009, 0x01);
         t.PatchDisk(0x00D, 0x01);
       },
       "past the end of the file"},
      {"shadow end past the file",
       [](FileCheckTest& t) { t.PatchDisk(0x00D, 0x01); },
       "header: shadow end"},
      {"last issued number below one in use",
       [](FileCheckTest& t) {
         t.PatchDisk(0x016, 0);
         t.PatchDisk(0x017, 3);
       },
       "header: last issued number 3 below number 401 in use"},
      {"page home word", [](FileCheckTest& t) { t.PatchDisk(0x200, 1); },
       "page 0 at position 512: home word 513, not 512"},
      {"page used word",
       [](FileCheckTest& t) { t.PatchDisk(0x200 + kPageUsedOffset + 1, 0x3A); },
       "page 0 at position 512: used word"},
      {"empty leaf below the root",
       [](FileCheckTest& t) { EmptyALeafBelowTheRoot(t.path_); },
       "empty leaf below the root"},
      {"record with a key part of no bytes",
       [](FileCheckTest& t) { ZeroTheFirstKeyLength(t.path_); },
       "does not decode (internal check 1603)"},
      {"short character tables",
       [](FileCheckTest& t) { ShortenCharTables(t.path_, 1); },
       "table 1: character tables of 100 bytes, not 1153"},
      {"description of a zero-size dimensioned field",
       [](FileCheckTest& t) {
         t.Change([](TnlFile&, BTree& tree) {
           TableDescription bomb = People();
           bomb.fields[1].element_count = 65535;
           bomb.fields[1].size = 0;
           const auto blocks = DescriptionBlocks(WriteDescription(bomb));
           ASSERT_EQ(blocks.size(), 1u);
           ASSERT_TRUE(tree.Remove(DescriptionKey(1, 0)));
           tree.Insert(MakeRecord(DescriptionKey(1, 0), blocks[0]));
         });
       },
       "table 1: description refused: field 2 (AGE): size 0"},
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

// Record 300 changed and record 301 deleted while key 1 was left alone, as
// happens to a key declared INDEX.
void LeaveKeyOneBehind(TnlFile&, BTree& tree) {
  const CharTables tables = CharTables::Defaults();
  auto changed = tree.Find(DataKey(1, 300));
  ASSERT_TRUE(changed);
  ASSERT_TRUE(tree.Remove(changed->Key()));
  changed->bytes[kDataKeyLength + 20] ^= 0x40;  // AGE
  tree.Insert(*changed);
  const auto deleted = tree.Find(DataKey(1, 301));
  ASSERT_TRUE(deleted);
  const auto entry = BuildKeyEntry(1, 0, People(), RecordData(*deleted), 301,
                                   KeyStringRules{&tables});
  ASSERT_TRUE(entry);
  ASSERT_TRUE(tree.Remove(entry->Key()));
  ASSERT_TRUE(tree.Remove(deleted->Key()));
  WriteCountersOf(tree, 1, kKindData, {399, 0});
  WriteCountersOf(tree, 1, 0, {399, 0});
}

TEST_F(FileCheckTest, EntriesFromThePendingNumberOnAreNotChecked) {
  Change(LeaveKeyOneBehind);
  const auto problems = Check();
  EXPECT_TRUE(Mentions(problems, "key 1: record 300 has no entry"));
  EXPECT_TRUE(Mentions(problems, "key 1: entry names missing record 301"));

  Change([](TnlFile&, BTree& tree) {
    ASSERT_TRUE(LowerPendingNumber(tree, 1, 1, 300));
  });
  EXPECT_EQ(Check(), std::vector<std::string>{});
  // Records below the pending number are still checked.
  Change([](TnlFile&, BTree& tree) {
    ASSERT_TRUE(LowerPendingNumber(tree, 1, 1, 299));
    auto record = tree.Find(DataKey(1, 200));
    ASSERT_TRUE(record);
    ASSERT_TRUE(tree.Remove(record->Key()));
    record->bytes[kDataKeyLength + 20] ^= 0x40;
    tree.Insert(*record);
  });
  EXPECT_TRUE(Mentions(Check(), "key 1: record 200 has no entry"));
}

}  // namespace
}  // namespace vantrel
