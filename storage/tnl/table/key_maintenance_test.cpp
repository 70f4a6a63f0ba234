#include "storage/tnl/table/key_maintenance.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "runtime/data/base/byte_order.h"
#include "runtime/data/base/error_state.h"
#include "storage/tnl/table/test_tables.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// PEOPLE: NAME STRING(4) at 0, ID LONG at 4, CODE STRING(2) at 8.
// Key 0 DUP on NAME, key 1 unique on ID, key 2 unique OPT on CODE.
TableDescription People() {
  TableDescription t;
  t.record_length = 10;
  t.fields = {TestField(FieldType::STRING, "NAME", 0, 4),
              TestField(FieldType::LONG, "ID", 4, 4),
              TestField(FieldType::STRING, "CODE", 8, 2)};
  t.keys = {{std::nullopt, "BYNAME", kDescribedDup, {{0, 0}}},
            {std::nullopt, "BYID", 0, {{1, 0}}},
            {std::nullopt, "BYCODE", kDescribedOpt, {{2, 0}}}};
  return t;
}

ByteString Person(const char (&name)[5], std::int32_t id,
                  const char (&code)[3]) {
  ByteString image(name, name + 4);
  for (int i = 0; i < 4; ++i) {
    image.push_back(static_cast<std::uint8_t>(id >> (8 * i)));
  }
  image.insert(image.end(), code, code + 2);
  return image;
}

// Every record of the table in order, whole.
std::vector<ByteString> TableRecords(BTree& tree, std::uint32_t table) {
  std::vector<ByteString> out;
  const ByteString prefix = TablePrefix(table);
  ByteString at = prefix;
  while (auto next = tree.FindFirstGreater(at)) {
    if (!std::equal(prefix.begin(), prefix.end(), next->bytes.begin())) break;
    at.assign(next->Key().begin(), next->Key().end());
    out.push_back(next->bytes);
  }
  return out;
}

// Checks every maintained key against its data records: exactly the entries
// built from them, and the counts saying so.
void ExpectKeysMatchData(BTree& tree, const TableKeys& keys) {
  std::map<std::uint32_t, ByteString> data;
  std::map<std::uint8_t, std::set<ByteString>> entries;
  for (const ByteString& bytes : TableRecords(tree, keys.table)) {
    const std::uint8_t kind = bytes[kTableNumberBytes];
    if (kind == kKindData) {
      data[ReadBe32(std::span(bytes).subspan(kTableNumberBytes + 1))] =
          ByteString(bytes.begin() + kDataKeyLength, bytes.end());
    } else if (kind < kKindData) {
      entries[kind].insert(bytes);
    }
  }
  EXPECT_EQ(ReadCountersOf(tree, keys.table, kKindData)->count, data.size());
  for (std::size_t k = 0; k < keys.description->keys.size(); ++k) {
    const auto key = static_cast<std::uint8_t>(k);
    std::set<ByteString> expected;
    for (const auto& [number, image] : data) {
      if (auto entry = BuildKeyEntry(keys.table, key, *keys.description, image,
                                     number, keys.rules)) {
        expected.insert(entry->bytes);
      }
    }
    EXPECT_EQ(entries[key], expected) << "key " << k;
    EXPECT_EQ(ReadCountersOf(tree, keys.table, key)->count, entries[key].size())
        << "key " << k;
  }
}

class KeyMaintenanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (fs::path(::testing::TempDir()) /
             ("keys_" + std::to_string(::getpid()) + ".vtl"))
                .string();
    std::ofstream(path_).close();
  }
  void TearDown() override { fs::remove(path_); }

  // Runs `body` in one committed operation on a new PEOPLE table whose keys
  // are used as `uses` says.
  void WithTable(
      std::vector<KeyUse> uses,
      const std::function<void(TnlFile&, BTree&, const TableKeys&)>& body) {
    CommitChange(path_, [&](TnlFile& file, BTree& tree) {
      const std::uint32_t table =
          CreateTable(file, tree, "PEOPLE", people_, false, tables_);
      const TableKeys keys{table, &people_, uses, KeyStringRules{&tables_}};
      body(file, tree, keys);
    });
  }

  std::string path_;
  const TableDescription people_ = People();
  const CharTables tables_ = CharTables::Defaults();
};

TEST_F(KeyMaintenanceTest, AddChangeAndDeleteKeepEveryKeyInStepWithTheData) {
  enum class Op { kAdd, kChange, kDelete };
  struct Step {
    const char* what;
    Op op;
    int slot;  // which added record a change or delete applies to
    ByteString image;
    int error;
  };
  const Step steps[] = {
      {"first record", Op::kAdd, 0, Person("anna", 1, "aa"), 0},
      {"equal name in the DUP key", Op::kAdd, 1, Person("anna", 2, "bb"), 0},
      {"blank OPT code, no entry", Op::kAdd, 2, Person("carl", 3, "  "), 0},
      {"second blank OPT code", Op::kAdd, 3, Person("dora", 4, "  "), 0},
      {"ID taken", Op::kAdd, 4, Person("emil", 1, "ee"), kErrDuplicateKey},
      {"code taken", Op::kAdd, 4, Person("emil", 5, "aa"), kErrDuplicateKey},
      {"only the name changes", Op::kChange, 0, Person("abel", 1, "aa"), 0},
      {"name and ID change, code collides", Op::kChange, 0,
       Person("zack", 9, "bb"), kErrDuplicateKey},
      {"code becomes blank", Op::kChange, 1, Person("anna", 2, "  "), 0},
      {"freed code taken up", Op::kChange, 2, Person("carl", 3, "bb"), 0},
      {"delete", Op::kDelete, 0, {}, 0},
      {"freed ID taken up", Op::kAdd, 4, Person("emil", 1, "aa"), 0},
      {"delete", Op::kDelete, 1, {}, 0},
      {"delete", Op::kDelete, 2, {}, 0},
      {"delete", Op::kDelete, 3, {}, 0},
      {"delete", Op::kDelete, 4, {}, 0},
  };
  WithTable({}, [&](TnlFile& file, BTree& tree, const TableKeys& keys) {
    std::uint32_t numbers[5] = {};
    for (const Step& step : steps) {
      SCOPED_TRACE(step.what);
      const auto before = TableRecords(tree, keys.table);
      int error = 0;
      switch (step.op) {
        case Op::kAdd: {
          const AddedRecord added = AddDataRecord(file, tree, keys, step.image);
          error = added.error;
          numbers[step.slot] = added.number;
          break;
        }
        case Op::kChange:
          error = ReplaceDataRecord(tree, keys, numbers[step.slot], step.image);
          break;
        case Op::kDelete:
          error = RemoveDataRecord(tree, keys, numbers[step.slot]);
          break;
      }
      EXPECT_EQ(error, step.error);
      if (error != 0) {
        EXPECT_EQ(TableRecords(tree, keys.table), before);
      }
      ExpectKeysMatchData(tree, keys);
    }
    // All deleted: no entry of any key is left.
    for (const ByteString& bytes : TableRecords(tree, keys.table)) {
      EXPECT_GE(bytes[kTableNumberBytes], kKindData);
    }
  });
}

TEST_F(KeyMaintenanceTest, UnchangedRecordAndUnchangedKeysWriteNothing) {
  WithTable({}, [&](TnlFile& file, BTree& tree, const TableKeys& keys) {
    const auto added = AddDataRecord(file, tree, keys, Person("anna", 1, "aa"));
    const auto before = TableRecords(tree, keys.table);
    EXPECT_EQ(MaintainKeys(tree, keys, Person("anna", 1, "aa"),
                           Person("anna", 1, "aa"), added.number),
              0);
    EXPECT_EQ(
        ReplaceDataRecord(tree, keys, added.number, Person("anna", 1, "aa")),
        0);
    EXPECT_EQ(TableRecords(tree, keys.table), before);
  });
}

TEST_F(KeyMaintenanceTest, IndexKeysOnlyLowerThePendingNumber) {
  // Key 1 is an INDEX, key 2 built at run time; key 0 is kept as usual.
  const std::vector<KeyUse> uses = {{}, {true, false}, {false, true}};
  WithTable(uses, [&](TnlFile& file, BTree& tree, const TableKeys& keys) {
    const auto pending = [&] { return ReadCountersOf(tree, keys.table, 1); };
    const auto first = AddDataRecord(file, tree, keys, Person("anna", 1, "aa"));
    const auto second =
        AddDataRecord(file, tree, keys, Person("bert", 1, "aa"));
    ASSERT_EQ(first.error, 0);
    ASSERT_EQ(second.error, 0);  // nothing looked up in keys 1 and 2
    EXPECT_EQ(pending()->flags, first.number);
    EXPECT_EQ(pending()->count, 0u);

    // Building the INDEX clears the pending number; then only changes that
    // touch its value lower it again, and never raise it.
    ASSERT_TRUE(ClearPendingNumber(tree, keys.table, 1));
    ASSERT_EQ(
        ReplaceDataRecord(tree, keys, second.number, Person("bart", 1, "aa")),
        0);
    EXPECT_EQ(pending()->flags, 0u);
    ASSERT_EQ(
        ReplaceDataRecord(tree, keys, second.number, Person("bart", 2, "aa")),
        0);
    EXPECT_EQ(pending()->flags, second.number);
    ASSERT_EQ(RemoveDataRecord(tree, keys, first.number), 0);
    EXPECT_EQ(pending()->flags, first.number);
    ASSERT_EQ(
        ReplaceDataRecord(tree, keys, second.number, Person("bart", 3, "aa")),
        0);
    EXPECT_EQ(pending()->flags, first.number);

    // Neither key holds an entry; key 0 follows the data.
    for (const ByteString& bytes : TableRecords(tree, keys.table)) {
      EXPECT_NE(bytes[kTableNumberBytes], 1);
      EXPECT_NE(bytes[kTableNumberBytes], 2);
    }
    EXPECT_EQ(ReadCountersOf(tree, keys.table, 2)->count, 0u);
    EXPECT_EQ(ReadCountersOf(tree, keys.table, 0)->count, 1u);
  });
}

TEST_F(KeyMaintenanceTest, DuplicateLookups) {
  WithTable({}, [&](TnlFile& file, BTree& tree, const TableKeys& keys) {
    const auto anna = AddDataRecord(file, tree, keys, Person("anna", 1, "aa"));
    AddDataRecord(file, tree, keys, Person("bert", 2, "  "));
    struct Case {
      const char* what;
      ByteString buffer;
      std::optional<std::uint32_t> current;
      bool in_key[3];
    };
    const Case cases[] = {
        {"all values of anna",
         Person("anna", 1, "aa"),
         std::nullopt,
         {false, true, true}},
        {"anna herself",
         Person("anna", 1, "aa"),
         anna.number,
         {false, false, false}},
        {"bert's ID, blank OPT code",
         Person("carl", 2, "  "),
         anna.number,
         {false, true, false}},
        {"nothing taken",
         Person("bert", 3, "bb"),
         std::nullopt,
         {false, false, false}},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      bool any = false;
      for (std::uint8_t k = 0; k < 3; ++k) {
        EXPECT_EQ(CollidesInKey(tree, keys, k, c.buffer, c.current),
                  c.in_key[k])
            << "key " << int{k};
        any |= c.in_key[k];
      }
      EXPECT_EQ(CollidesInAnyKey(tree, keys, c.buffer, c.current), any);
    }
  });
}

TEST_F(KeyMaintenanceTest, MissingCountersOrRecordFailsWithoutWriting) {
  WithTable({}, [&](TnlFile& file, BTree& tree, const TableKeys& keys) {
    EXPECT_EQ(RemoveDataRecord(tree, keys, 99), kErrRecordNotAvailable);
    EXPECT_EQ(ReplaceDataRecord(tree, keys, 99, Person("anna", 1, "aa")),
              kErrRecordNotAvailable);
    tree.Remove(CountersKey(keys.table, kKindData));
    const auto before = TableRecords(tree, keys.table);
    EXPECT_EQ(AddDataRecord(file, tree, keys, Person("anna", 1, "aa")).error,
              kErrAccessDenied);
    EXPECT_EQ(TableRecords(tree, keys.table), before);
  });
}

TEST(OptKeyEntryTest, AllEmptyComponentsOmitTheEntry) {
  struct Case {
    FieldType type;
    ByteString field;
    bool omitted;
  };
  const Case cases[] = {
      {FieldType::STRING, {' ', ' ', ' ', ' '}, true},
      {FieldType::STRING, {0, 0, 0, 0}, false},
      {FieldType::STRING, {' ', ' ', ' ', 'x'}, false},
      {FieldType::CSTRING, {0, 'x', 'y', 'z'}, true},
      {FieldType::CSTRING, {' ', 0, 0, 0}, false},
      {FieldType::PSTRING, {0, 'x', 'y', 'z'}, true},
      {FieldType::LONG, {0, 0, 0, 0}, true},
      {FieldType::LONG, {' ', ' ', ' ', ' '}, false},
      {FieldType::LONG, {1, 0, 0, 0}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(c.type) << " "
                                      << ::testing::PrintToString(c.field));
    TableDescription t;
    t.record_length = 8;
    t.fields = {TestField(c.type, "F", 0, 4),
                TestField(FieldType::STRING, "BLANK", 4, 4)};
    t.keys = {{std::nullopt, "OPT", kDescribedOpt, {{0, 0}, {1, 0}}}};
    ByteString image = c.field;
    image.insert(image.end(), 4, ' ');
    EXPECT_EQ(!BuildKeyEntry(1, 0, t, image, 2, KeyStringRules{}), c.omitted);
  }
}

}  // namespace
}  // namespace vantrel
