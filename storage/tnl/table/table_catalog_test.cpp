#include "storage/tnl/table/table_catalog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "runtime/data/text/charset.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/format/test_hex.h"
#include "storage/tnl/table/structure_check.h"
#include "storage/tnl/table/test_tables.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// CARDS: NAME STRING(4) at 0, ID LONG at 4; key 0 NOCASE DUP on NAME, key 1
// unique on ID descending, key 2 OPT on NAME.
TableDescription Cards() {
  TableDescription t;
  t.record_length = 8;
  t.fields = {TestField(FieldType::STRING, "NAME", 0, 4),
              TestField(FieldType::LONG, "ID", 4, 4)};
  t.keys = {
      {std::nullopt, "BYNAME", kDescribedDup | kDescribedNoCase, {{0, 0}}},
      {std::nullopt, "BYID", 0, {{1, 1}}},
      {std::nullopt, "OPTNAME", kDescribedOpt, {{0, 0}}}};
  return t;
}

std::vector<std::uint8_t> Image(const char name[5], std::int32_t id) {
  std::vector<std::uint8_t> image(name, name + 4);
  for (int i = 0; i < 4; ++i)
    image.push_back(static_cast<std::uint8_t>(id >> (8 * i)));
  return image;
}

std::string HexKey(const ByteString& key) {
  return Hex(key.data(), key.size());
}

TEST(TableCatalogTest, NewFileTableAndRecordsWithKeyEntriesAndCounters) {
  const fs::path path = fs::path(::testing::TempDir()) /
                        ("catalog_" + std::to_string(::getpid()) + ".vtl");
  std::ofstream(path).close();
  TnlFile file;
  ASSERT_TRUE(file.Open(path.string(), kOpenReadWriteShared));
  const CharTables tables = CharTables::Defaults();
  const KeyStringRules rules{&tables};
  ASSERT_EQ(RunOperation(
                path.string(),
                [&] {
                  ASSERT_EQ(file.LoadHeader(LockWait::kWait), kLoadOk);
                  BTree tree(file);
                  const TableDescription cards = Cards();
                  const std::uint32_t table =
                      CreateTable(file, tree, "CARDS", cards, false, tables);
                  EXPECT_EQ(table, 1u);
                  const TableKeys cards_keys{table, &cards, {}, rules};
                  for (const auto& [image, number] :
                       {std::pair{Image("smit", -1), 2u},
                        {Image("SMIT", 0), 3u},
                        {Image("    ", 5), 4u}}) {
                    const AddedRecord added =
                        AddDataRecord(file, tree, cards_keys, image);
                    EXPECT_EQ(added.error, 0);
                    EXPECT_EQ(added.number, number);
                  }

                  EXPECT_EQ(FindTable(tree, "CARDS"), 1u);
                  EXPECT_FALSE(FindTable(tree, "CARD"));
                  ASSERT_EQ(ListTables(tree).size(), 1u);
                  EXPECT_EQ(ReadDescription(ReadDescriptionStream(tree, table)),
                            Cards());
                  ASSERT_TRUE(TableCharTables(tree, table));
                  EXPECT_EQ(TableCharTables(tree, table)->tables, tables);

                  // All entries of the table in order: NOCASE DUP entries of
                  // smit and SMIT are equal but for the record number; ID
                  // descending puts 5 first.
                  std::vector<std::string> keys;
                  ByteString at = TablePrefix(table);
                  while (auto next = tree.FindFirstGreater(at)) {
                    if (next->bytes[0] != 0) break;
                    at.assign(next->Key().begin(), next->Key().end());
                    keys.push_back(HexKey(at));
                  }
                  EXPECT_EQ(keys, (std::vector<std::string>{
                                      "00000001"
                                      "00"
                                      "20202020"
                                      "00000004",
                                      "00000001"
                                      "00"
                                      "736d6974"
                                      "00000002",
                                      "00000001"
                                      "00"
                                      "736d6974"
                                      "00000003",
                                      "00000001"
                                      "01"
                                      "7ffffffa",
                                      "00000001"
                                      "01"
                                      "7fffffff",
                                      "00000001"
                                      "01"
                                      "80000000",
                                      "00000001"
                                      "02"
                                      "534d4954",
                                      "00000001"
                                      "02"
                                      "736d6974",
                                      "00000001"
                                      "f3"
                                      "00000002",
                                      "00000001"
                                      "f3"
                                      "00000003",
                                      "00000001"
                                      "f3"
                                      "00000004",
                                      "00000001"
                                      "f6"
                                      "00",
                                      "00000001"
                                      "f6"
                                      "01",
                                      "00000001"
                                      "f6"
                                      "02",
                                      "00000001"
                                      "f6"
                                      "f3",
                                      "00000001"
                                      "fa"
                                      "0000",
                                      "00000001"
                                      "fb"
                                      "01",
                                  }));
                  EXPECT_EQ(ReadCountersOf(tree, table, kKindData)->count, 3u);
                  EXPECT_EQ(ReadCountersOf(tree, table, 0)->count, 3u);
                  EXPECT_EQ(ReadCountersOf(tree, table, 2)->count,
                            2u);  // OPT: blank omitted
                  EXPECT_EQ(file.Commit(), 0);
                  EXPECT_EQ(CheckStructure(file), "");
                }),
            0);
  file.EndOperation();
  file.Close();
  fs::remove(path);
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

TEST(TableCatalogTest, OemConversionTouchesOnlyTheCharacters) {
  TableDescription t;
  t.fields = {TestField(FieldType::STRING, "S", 0, 2),
              TestField(FieldType::CSTRING, "C", 2, 3),
              TestField(FieldType::PSTRING, "P", 5, 3),
              TestField(FieldType::BYTE, "B", 8, 1)};
  const std::uint8_t e = 0xE9;  // e acute in the platform set
  const std::uint8_t oem = WindowsToOem(e);
  ASSERT_NE(oem, e);
  const std::vector<std::uint8_t> original = {e, e, e, 0, e, 1, e, e, e};
  std::vector<std::uint8_t> image = original;
  ConvertRecordStrings(t, image, true);
  EXPECT_EQ(image,
            (std::vector<std::uint8_t>{oem, oem, oem, 0, e, 1, oem, e, e}));
  ConvertRecordStrings(t, image, false);
  EXPECT_EQ(image, original);
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

TEST(TableCatalogTest, PendingNumberOnlyFallsAndFlagsKeepTheCount) {
  const std::string path = (fs::path(::testing::TempDir()) /
                            ("counters_" + std::to_string(::getpid()) + ".vtl"))
                               .string();
  std::ofstream(path).close();
  CommitChange(path, [](TnlFile& file, BTree& tree) {
    const CharTables tables = CharTables::Defaults();
    const TableDescription cards = Cards();
    const std::uint32_t table =
        CreateTable(file, tree, "CARDS", cards, false, tables);
    const TableKeys keys{table, &cards, {}, KeyStringRules{&tables}};
    ASSERT_EQ(AddDataRecord(file, tree, keys, Image("abcd", 1)).error, 0);
    EXPECT_EQ(PendingNumber(tree, table, 1), 0u);
    // 0 means none pending, so the first number always lands.
    for (const auto& [lower_to, expected] :
         {std::pair{90u, 90u}, {120u, 90u}, {40u, 40u}, {40u, 40u}}) {
      EXPECT_TRUE(LowerPendingNumber(tree, table, 1, lower_to));
      EXPECT_EQ(PendingNumber(tree, table, 1), expected) << lower_to;
    }
    EXPECT_EQ(ReadCountersOf(tree, table, 1)->count, 1u);  // count untouched
    EXPECT_EQ(PendingNumber(tree, table, 0), 0u);          // other keys too
    EXPECT_TRUE(ClearPendingNumber(tree, table, 1));
    EXPECT_EQ(PendingNumber(tree, table, 1), 0u);
    EXPECT_FALSE(LowerPendingNumber(tree, table, 7, 5));  // no such key
    EXPECT_FALSE(ReadCountersOf(tree, table, 7));

    EXPECT_EQ(ReadTableFlags(tree, table), 0u);
    SetTableFlags(tree, table, 0xCAFE);
    EXPECT_EQ(ReadTableFlags(tree, table), 0xCAFEu);
    EXPECT_EQ(ReadCountersOf(tree, table, kKindData)->count, 1u);

    // A table that lost its data counters gets them back, both words 0.
    ASSERT_TRUE(tree.Remove(CountersKey(table, kKindData)));
    EXPECT_EQ(ReadTableFlags(tree, table), 0u);
    const auto remade = ReadCountersOf(tree, table, kKindData);
    ASSERT_TRUE(remade);
    EXPECT_EQ(remade->count, 0u);
    SetTableFlags(tree, table, 3);
    EXPECT_EQ(ReadCountersOf(tree, table, kKindData)->flags, 3u);

    // Adjusting in place keeps the other word; a missing or short record
    // is written whole from zero.
    const auto add_two = [](Counters& c) { c.count += 2; };
    AdjustCountersOf(tree, table, kKindData, add_two);
    EXPECT_EQ(ReadCountersOf(tree, table, kKindData)->count, 2u);
    EXPECT_EQ(ReadCountersOf(tree, table, kKindData)->flags, 3u);
    AdjustCountersOf(tree, table, 7, add_two);
    EXPECT_EQ(ReadCountersOf(tree, table, 7)->count, 2u);
    ASSERT_TRUE(tree.Remove(CountersKey(table, 7)));
    tree.Insert(MakeRecord(CountersKey(table, 7), ByteString{9, 9, 9, 9}));
    AdjustCountersOf(tree, table, 7, add_two);
    const auto mended = ReadCountersOf(tree, table, 7);
    ASSERT_TRUE(mended);
    EXPECT_EQ(mended->count, 2u);
    EXPECT_EQ(mended->flags, 0u);
  });
  fs::remove(path);
}

}  // namespace
}  // namespace vantrel
