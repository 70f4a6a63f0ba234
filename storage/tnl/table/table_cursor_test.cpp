#include "storage/tnl/table/table_cursor.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "runtime/data/text/charset.h"
#include "storage/tnl/table/test_tables.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

using Ids = std::vector<std::int32_t>;

constexpr auto kForward = StepDirection::kForward;
constexpr auto kBackward = StepDirection::kBackward;

// NAME STRING(4) at 0, ID LONG at 4. Key 0 DUP on NAME, key 1 unique on ID,
// key 2 DUP OPT on NAME.
constexpr std::uint8_t kByName = 0;
constexpr std::uint8_t kById = 1;
constexpr std::uint8_t kOptName = 2;

TableDescription People() {
  TableDescription t;
  t.record_length = 8;
  t.fields = {TestField(FieldType::STRING, "NAME", 0, 4),
              TestField(FieldType::LONG, "ID", 4, 4)};
  t.keys = {{std::nullopt, "BYNAME", kDescribedDup, {{0, 0}}},
            {std::nullopt, "BYID", 0, {{1, 0}}},
            {std::nullopt, "OPTNAME", kDescribedDup | kDescribedOpt, {{0, 0}}}};
  return t;
}

ByteString Image(std::string_view name, std::int32_t id) {
  ByteString image(name.begin(), name.end());
  image.resize(4, ' ');
  for (int i = 0; i < 4; ++i) {
    image.push_back(static_cast<std::uint8_t>(id >> (8 * i)));
  }
  return image;
}

std::int32_t IdOf(std::span<const std::uint8_t> image) {
  std::uint32_t id = 0;
  if (image.size() < 8) ADD_FAILURE() << "short image";
  for (int i = 3; i >= 0 && 4 + i < static_cast<int>(image.size()); --i) {
    id = (id << 8) | image[4 + i];
  }
  return static_cast<std::int32_t>(id);
}

// Stores a record and its key entries as the driver's add does.
std::uint32_t AddRecord(TnlFile& file, BTree& tree, std::uint32_t table,
                        const TableDescription& description, ByteString image,
                        const KeyStringRules& rules) {
  if (rules.oem) ConvertRecordStrings(description, image, true);
  const std::uint32_t number = file.IssueNumber();
  for (std::size_t k = 0; k < description.keys.size(); ++k) {
    auto entry = BuildKeyEntry(table, static_cast<std::uint8_t>(k), description,
                               image, number, rules);
    if (entry) tree.Insert(std::move(*entry));
  }
  tree.Insert(MakeRecord(DataKey(table, number), image));
  return number;
}

// The IDs of the records that steps in `direction` return, to the end.
Ids Walk(TableCursor& cursor, BTree& tree, StepDirection direction) {
  Ids ids;
  while (auto step = cursor.Step(tree, direction)) {
    ids.push_back(IdOf(step->image));
    if (ids.size() > 100000) break;  // a sequence that never ends
  }
  return ids;
}

class TableCursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("cursor_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "people.vtl").string();
    std::ofstream(path_).close();
  }
  void TearDown() override { fs::remove_all(dir_); }

  struct Tables {
    std::uint32_t before, people, after, empty;
  };
  // Tables in the order of their numbers, all described as People().
  Tables CreateTables(TnlFile& file, BTree& tree) {
    Tables t;
    for (auto [name, number] : {std::pair{"BEFORE", &t.before},
                                {"PEOPLE", &t.people},
                                {"AFTER", &t.after},
                                {"EMPTY", &t.empty}}) {
      *number = CreateTable(file, tree, name, People(), false, tables_);
    }
    return t;
  }

  // Tables BEFORE, PEOPLE, AFTER and EMPTY; PEOPLE gets the records below,
  // BEFORE and AFTER one each after every second of them, so their numbers
  // lie between PEOPLE's.
  void MakeFixture() {
    const std::vector<std::pair<const char*, std::int32_t>> rows = {
        {"bob", 50}, {"amy", 20}, {"cat", 90}, {"bob", 10}, {"dan", 70},
        {"amy", 30}, {"eve", 60}, {"", 40},    {"bob", 80}, {"fay", 100}};
    CommitChange(path_, [&](TnlFile& file, BTree& tree) {
      const Tables t = CreateTables(file, tree);
      people_ = t.people;
      empty_ = t.empty;
      for (std::size_t i = 0; i < rows.size(); ++i) {
        const ByteString image = Image(rows[i].first, rows[i].second);
        numbers_.push_back(
            AddRecord(file, tree, people_, People(), image, rules_));
        if (i % 2 == 0) {
          AddRecord(file, tree, t.before, People(), image, rules_);
          others_.push_back(
              AddRecord(file, tree, t.after, People(), image, rules_));
        }
      }
    });
  }

  void WithTree(const std::function<void(TnlFile&, BTree&)>& body) {
    CommitChange(path_, body);
  }

  fs::path dir_;
  std::string path_;
  CharTables tables_ = CharTables::Defaults();
  KeyStringRules rules_{&tables_};
  const TableDescription people_description_ = People();
  std::uint32_t people_ = 0;
  std::uint32_t empty_ = 0;
  std::vector<std::uint32_t> numbers_;  // PEOPLE's records in order
  std::vector<std::uint32_t> others_;   // AFTER's records in order
};

constexpr std::uint32_t kBelowEvery = 1;
constexpr std::uint32_t kAboveEvery = 0xFD000000;

TEST_F(TableCursorTest, EachWayOfSettingThePositionStepsBothWays) {
  MakeFixture();
  // numbers_[4] (dan 70) and numbers_[5] (amy 30) have AFTER's record
  // others_[2] between them.
  struct Row {
    const char* name;
    std::function<bool(TableCursor&)> set;
    Ids forward;
    Ids backward;
  };
  const ByteString bob = Image("bob", 0);
  const ByteString bz = Image("bz", 75);
  const std::vector<Row> rows = {
      {"SETfile",
       [](TableCursor& c) { return c.SetFile(), true; },
       {50, 20, 90, 10, 70, 30, 60, 40, 80, 100},
       {100, 80, 40, 60, 30, 70, 10, 90, 20, 50}},
      {"SETfileptr existing",
       [&](TableCursor& c) { return c.SetFilePointer(numbers_[4]), true; },
       {70, 30, 60, 40, 80, 100},
       {70, 10, 90, 20, 50}},
      {"SETfileptr of another table's record",
       [&](TableCursor& c) { return c.SetFilePointer(others_[2]), true; },
       {30, 60, 40, 80, 100},
       {70, 10, 90, 20, 50}},
      {"SETfileptr beyond the last: the last record",
       [&](TableCursor& c) { return c.SetFilePointer(kAboveEvery), true; },
       {100},
       {100, 80, 40, 60, 30, 70, 10, 90, 20, 50}},
      {"SETfileptr below the first: backward from the last record",
       [&](TableCursor& c) { return c.SetFilePointer(kBelowEvery), true; },
       {50, 20, 90, 10, 70, 30, 60, 40, 80, 100},
       {100, 80, 40, 60, 30, 70, 10, 90, 20, 50}},
      {"RESETfile",
       [&](TableCursor& c) { return c.ResetFile(PositionBytes(numbers_[4])); },
       {70, 30, 60, 40, 80, 100},
       {70, 10, 90, 20, 50}},
      {"SETfilekey DUP: first or last equal entry, then record order",
       [&](TableCursor& c) { return c.SetFileKey(kByName, bob), true; },
       {50, 20, 90, 10, 70, 30, 60, 40, 80, 100},
       {80, 40, 60, 30, 70, 10, 90, 20, 50}},
      {"SETfilekey DUP without an equal entry",
       [&](TableCursor& c) { return c.SetFileKey(kByName, bz), true; },
       {90, 10, 70, 30, 60, 40, 80, 100},
       {80, 40, 60, 30, 70, 10, 90, 20, 50}},
      {"SETfilekey unique: the equal entry both ways",
       [&](TableCursor& c) { return c.SetFileKey(kById, Image("", 70)), true; },
       {70, 30, 60, 40, 80, 100},
       {70, 10, 90, 20, 50}},
      {"SETfilekey unique without an equal entry",
       [&](TableCursor& c) { return c.SetFileKey(kById, bz), true; },
       {80, 100},
       {70, 10, 90, 20, 50}},
      {"SETkey",
       [](TableCursor& c) { return c.SetKey(kByName), true; },
       {40, 20, 30, 50, 10, 80, 90, 70, 60, 100},
       {100, 60, 70, 90, 80, 10, 50, 30, 20, 40}},
      {"SETkey on an OPT key leaves the blank name out",
       [](TableCursor& c) { return c.SetKey(kOptName), true; },
       {20, 30, 50, 10, 80, 90, 70, 60, 100},
       {100, 60, 70, 90, 80, 10, 50, 30, 20}},
      {"SETkeykey DUP",
       [&](TableCursor& c) { return c.SetKeyKey(kByName, bob), true; },
       {50, 10, 80, 90, 70, 60, 100},
       {80, 10, 50, 30, 20, 40}},
      {"SETkeykey DUP without an equal entry",
       [&](TableCursor& c) { return c.SetKeyKey(kByName, bz), true; },
       {90, 70, 60, 100},
       {80, 10, 50, 30, 20, 40}},
      {"SETkeykeyptr DUP on an existing entry",
       [&](TableCursor& c) {
         return c.SetKeyKeyPointer(kByName, bob, numbers_[3]), true;
       },
       {10, 80, 90, 70, 60, 100},
       {10, 50, 30, 20, 40}},
      {"SETkeykeyptr DUP between two equal entries",
       [&](TableCursor& c) {
         return c.SetKeyKeyPointer(kByName, bob, numbers_[5]), true;
       },
       {80, 90, 70, 60, 100},
       {10, 50, 30, 20, 40}},
      {"SETkeykeyptr unique: the equal value whatever the number",
       [&](TableCursor& c) {
         return c.SetKeyKeyPointer(kById, Image("", 70), numbers_[0]), true;
       },
       {70, 80, 90, 100},
       {70, 60, 50, 40, 30, 20, 10}},
      {"RESETkey",
       [&](TableCursor& c) {
         return c.ResetKey(kByName, PositionBytes(numbers_[3], People(),
                                                  kByName, bob, rules_));
       },
       {10, 80, 90, 70, 60, 100},
       {10, 50, 30, 20, 40}},
      {"SETkeyptr existing, unique key",
       [&](TableCursor& c) {
         return c.SetKeyPointer(kById, numbers_[4]), true;
       },
       {70, 80, 90, 100},
       {70, 60, 50, 40, 30, 20, 10}},
      {"SETkeyptr existing, DUP key",
       [&](TableCursor& c) {
         return c.SetKeyPointer(kByName, numbers_[3]), true;
       },
       {10, 80, 90, 70, 60, 100},
       {10, 50, 30, 20, 40}},
      {"SETkeyptr on a record an OPT key leaves out: from its place",
       [&](TableCursor& c) {
         return c.SetKeyPointer(kOptName, numbers_[7]), true;
       },
       {40, 20, 30, 50, 10, 80, 90, 70, 60, 100},
       {40}},
      {"SETkeyptr missing: the key's last entry",
       [&](TableCursor& c) { return c.SetKeyPointer(kById, others_[2]), true; },
       {100},
       {100, 90, 80, 70, 60, 50, 40, 30, 20, 10}},
  };
  WithTree([&](TnlFile&, BTree& tree) {
    for (const Row& row : rows) {
      SCOPED_TRACE(row.name);
      TableCursor cursor(people_, people_description_, rules_);
      ASSERT_TRUE(row.set(cursor));
      EXPECT_EQ(Walk(cursor, tree, kForward), row.forward);
      ASSERT_TRUE(row.set(cursor));
      EXPECT_EQ(Walk(cursor, tree, kBackward), row.backward);
    }
  });
}

TEST_F(TableCursorTest, StepsGoOnFromTheLastRecordReturnedInEitherDirection) {
  MakeFixture();
  WithTree([&](TnlFile&, BTree& tree) {
    TableCursor cursor(people_, people_description_, rules_);
    cursor.SetKey(kByName);
    Ids ids;
    for (auto direction :
         {kForward, kForward, kForward, kBackward, kBackward, kForward}) {
      auto step = cursor.Step(tree, direction);
      ASSERT_TRUE(step);
      ids.push_back(IdOf(step->image));
    }
    EXPECT_EQ(ids, (Ids{40, 20, 30, 20, 40, 20}));

    // In record order after SETfilekey the position is the data record.
    cursor.SetFileKey(kByName, Image("cat", 0));
    ASSERT_TRUE(cursor.Step(tree, kForward));
    EXPECT_EQ(cursor.position().kind, SequencePosition::Kind::kDataRecord);
    auto back = cursor.Step(tree, kBackward);
    ASSERT_TRUE(back);
    EXPECT_EQ(IdOf(back->image), 20);
    EXPECT_EQ(back->record_number, numbers_[1]);
  });
}

TEST_F(TableCursorTest, EntriesOfVanishedRecordsAreSteppedOver) {
  MakeFixture();
  WithTree([&](TnlFile&, BTree& tree) {
    // bob 50 and amy 30 lose their data records but keep their entries.
    ASSERT_TRUE(tree.Remove(DataKey(people_, numbers_[0])));
    ASSERT_TRUE(tree.Remove(DataKey(people_, numbers_[5])));
  });
  WithTree([&](TnlFile&, BTree& tree) {
    TableCursor cursor(people_, people_description_, rules_);
    cursor.SetKey(kByName);
    EXPECT_EQ(Walk(cursor, tree, kForward),
              (Ids{40, 20, 10, 80, 90, 70, 60, 100}));
    cursor.SetKey(kByName);
    EXPECT_EQ(Walk(cursor, tree, kBackward),
              (Ids{100, 60, 70, 90, 80, 10, 20, 40}));

    // The first bob entry names a vanished record: the next one is taken,
    // then record order goes on from that record.
    cursor.SetFileKey(kByName, Image("bob", 0));
    EXPECT_EQ(Walk(cursor, tree, kForward), (Ids{10, 70, 60, 40, 80, 100}));

    // Two vanished entries in a row are passed; the position ends on the
    // entry returned.
    cursor.SetKeyKeyPointer(kByName, Image("amy", 0), numbers_[5]);
    ASSERT_TRUE(cursor.Step(tree, kForward));
    EXPECT_EQ(
        cursor.position().key,
        KeyEntryKey(people_, kByName,
                    StoredKeyValue(People(), kByName, Image("bob", 0), rules_),
                    numbers_[3], true));

    cursor.SetKeyPointer(kByName, numbers_[0]);  // missing: the last entry
    EXPECT_EQ(Walk(cursor, tree, kForward), Ids{100});
  });
}

TEST_F(TableCursorTest, PeekSkipAndRestoreLeaveThePositionAsTheySay) {
  MakeFixture();
  WithTree([&](TnlFile&, BTree& tree) {
    TableCursor cursor(people_, people_description_, rules_);
    cursor.SetKey(kById);
    EXPECT_TRUE(cursor.CanStep(tree, kForward));
    EXPECT_TRUE(cursor.CanStep(tree, kBackward));

    // A fetch that fails on a held record puts the position back.
    ASSERT_EQ(IdOf(cursor.Step(tree, kForward)->image), 10);
    const SequencePosition held = cursor.position();
    ASSERT_EQ(IdOf(cursor.Step(tree, kForward)->image), 20);
    cursor.Restore(held);
    EXPECT_EQ(IdOf(cursor.Step(tree, kForward)->image), 20);

    ASSERT_TRUE(cursor.Skip(tree, 3));  // 30, 40, 50
    EXPECT_EQ(IdOf(cursor.Step(tree, kForward)->image), 60);
    ASSERT_TRUE(cursor.Skip(tree, -2));  // 50, 40
    EXPECT_EQ(IdOf(cursor.Step(tree, kForward)->image), 50);
    ASSERT_TRUE(cursor.Skip(tree, 0));
    EXPECT_EQ(IdOf(cursor.Step(tree, kForward)->image), 60);

    // Skipping past the end stops on the last entry; at the end nothing
    // moves, a failing step included.
    EXPECT_FALSE(cursor.Skip(tree, 10));
    const SequencePosition at_end = cursor.position();
    EXPECT_FALSE(cursor.CanStep(tree, kForward));
    EXPECT_FALSE(cursor.Step(tree, kForward));
    EXPECT_EQ(cursor.position(), at_end);
    EXPECT_TRUE(cursor.CanStep(tree, kBackward));
    EXPECT_EQ(cursor.position(), at_end);
    EXPECT_EQ(IdOf(cursor.Step(tree, kBackward)->image), 90);

    // A table without records has nothing either way, whatever the setting.
    TableCursor empty(empty_, people_description_, rules_);
    for (const auto& set : std::vector<std::function<void()>>{
             [&] { empty.SetFile(); },
             [&] { empty.SetFilePointer(numbers_[3]); },
             [&] { empty.SetKey(kById); },
             [&] { empty.SetKeyPointer(kById, numbers_[3]); },
             [&] { empty.SetKeyKey(kByName, Image("bob", 0)); }}) {
      set();
      EXPECT_FALSE(empty.CanStep(tree, kForward));
      EXPECT_FALSE(empty.CanStep(tree, kBackward));
      EXPECT_FALSE(empty.Skip(tree, 1));
    }
  });
}

TEST_F(TableCursorTest, PositionBytesAndMalformedResets) {
  MakeFixture();
  const ByteString bob = Image("bob", 0);
  const ByteString file_position = PositionBytes(0x01020304);
  EXPECT_EQ(file_position, (ByteString{1, 2, 3, 4}));
  const ByteString key_position =
      PositionBytes(0x01020304, People(), kById, Image("", -1), rules_);
  EXPECT_EQ(key_position, (ByteString{1, 2, 3, 4, 0x7F, 0xFF, 0xFF, 0xFF}));

  TableCursor cursor(people_, people_description_, rules_);
  cursor.SetKey(kById);
  const SequencePosition before = cursor.position();
  EXPECT_FALSE(cursor.ResetFile(ByteString{0, 0, 1}));
  EXPECT_FALSE(cursor.ResetKey(kById, ByteString{0, 0, 0, 1, 0x80}));
  EXPECT_EQ(cursor.position(), before);

  // Bytes after the position (a padded string) are ignored.
  ByteString padded =
      PositionBytes(numbers_[3], People(), kByName, bob, rules_);
  padded.insert(padded.end(), 6, ' ');
  ASSERT_TRUE(cursor.ResetKey(kByName, padded));
  WithTree([&](TnlFile&, BTree& tree) {
    auto step = cursor.Step(tree, kForward);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->record_number, numbers_[3]);
  });
}

TEST_F(TableCursorTest, OemFileFindsTheBufferValueInStoredStrings) {
  // A file that keeps strings in the OEM code page: the entry built from
  // the record buffer must be converted before it is looked up.
  const std::uint8_t e_acute = 0xE9;
  ASSERT_NE(WindowsToOem(e_acute), e_acute);
  KeyStringRules oem = rules_;
  oem.oem = true;
  const std::string accented(1, static_cast<char>(e_acute));
  std::uint32_t table = 0;
  CommitChange(path_, [&](TnlFile& file, BTree& tree) {
    table = CreateTable(file, tree, "PEOPLE", People(), true, tables_);
    for (const auto& [name, id] :
         std::vector<std::pair<std::string, std::int32_t>>{
             {"a", 1}, {accented, 2}, {"z", 3}}) {
      AddRecord(file, tree, table, People(), Image(name, id), oem);
    }
  });
  WithTree([&](TnlFile&, BTree& tree) {
    TableCursor cursor(table, people_description_, oem);
    for (auto direction : {kForward, kBackward}) {
      cursor.SetKeyKey(kByName, Image(accented, 0));
      auto step = cursor.Step(tree, direction);
      ASSERT_TRUE(step);
      EXPECT_EQ(IdOf(step->image), 2);
    }
  });
}

// Thousands of records over many pages, between two other tables, against
// a model; then with every seventh data record gone.
TEST_F(TableCursorTest, ManyPagesMatchAModelBothWays) {
  constexpr int kRecords = 3000;
  std::mt19937 rng(1210);
  struct Model {
    std::uint32_t number;
    std::string name;
    std::int32_t id;
  };
  std::vector<Model> model;
  std::uint32_t table = 0;
  CommitChange(path_, [&](TnlFile& file, BTree& tree) {
    const Tables t = CreateTables(file, tree);
    table = t.people;
    std::vector<std::int32_t> ids(kRecords);
    for (int i = 0; i < kRecords; ++i) ids[i] = i * 3 - kRecords;
    std::shuffle(ids.begin(), ids.end(), rng);
    for (int i = 0; i < kRecords; ++i) {
      const std::string name(1, static_cast<char>('a' + rng() % 8));
      const ByteString image = Image(name, ids[i]);
      model.push_back({AddRecord(file, tree, table, People(), image, rules_),
                       name, ids[i]});
      if (i % 5 == 0) {
        AddRecord(file, tree, t.before, People(), image, rules_);
        AddRecord(file, tree, t.after, People(), image, rules_);
      }
    }
  });

  auto check = [&](const std::vector<Model>& live) {
    auto ids_of = [](const std::vector<Model>& rows) {
      Ids ids;
      for (const Model& m : rows) ids.push_back(m.id);
      return ids;
    };
    std::vector<Model> by_id = live;
    std::sort(by_id.begin(), by_id.end(),
              [](const Model& a, const Model& b) { return a.id < b.id; });
    std::vector<Model> by_name = live;
    std::stable_sort(
        by_name.begin(), by_name.end(),
        [](const Model& a, const Model& b) { return a.name < b.name; });
    WithTree([&](TnlFile&, BTree& tree) {
      TableCursor cursor(table, people_description_, rules_);
      const std::vector<std::pair<std::function<void()>, Ids>> orders = {
          {[&] { cursor.SetFile(); }, ids_of(live)},
          {[&] { cursor.SetKey(kById); }, ids_of(by_id)},
          {[&] { cursor.SetKey(kByName); }, ids_of(by_name)}};
      for (const auto& [set, expected] : orders) {
        set();
        EXPECT_EQ(Walk(cursor, tree, kForward), expected);
        set();
        EXPECT_EQ(Walk(cursor, tree, kBackward),
                  Ids(expected.rbegin(), expected.rend()));
      }
      // From the middle of a run of equal names, both ways.
      const Model& middle = by_name[by_name.size() / 2];
      cursor.SetKeyKeyPointer(kByName, Image(middle.name, 0), middle.number);
      const Ids names = ids_of(by_name);
      const auto at = names.begin() + static_cast<long>(by_name.size() / 2);
      EXPECT_EQ(Walk(cursor, tree, kForward), Ids(at, names.end()));
      cursor.SetKeyKeyPointer(kByName, Image(middle.name, 0), middle.number);
      EXPECT_EQ(Walk(cursor, tree, kBackward),
                Ids(std::make_reverse_iterator(at + 1), names.rend()));
    });
  };
  check(model);

  std::vector<Model> live;
  WithTree([&](TnlFile&, BTree& tree) {
    for (std::size_t i = 0; i < model.size(); ++i) {
      if (i % 7 == 3) {
        ASSERT_TRUE(tree.Remove(DataKey(table, model[i].number)));
      } else {
        live.push_back(model[i]);
      }
    }
  });
  check(live);
}

}  // namespace
}  // namespace vantrel
