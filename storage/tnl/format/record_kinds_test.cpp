#include "storage/tnl/format/record_kinds.h"

#include <gtest/gtest.h>

#include <string>

#include "storage/tnl/format/test_hex.h"

namespace vantrel {
namespace {

std::string HexOf(const ByteString& bytes) {
  return Hex(bytes.data(), bytes.size());
}
std::string HexOf(const PageRecord& record) {
  return HexOf(record.bytes) + "/" + std::to_string(record.key_length);
}

TEST(RecordKindsTest, KeyPartsAreByteExact) {
  const std::uint8_t value[] = {0xAA, 0xBB};
  const struct {
    const char* name;
    ByteString bytes;
    const char* hex;
  } cases[] = {
      {"table name", TableNameKey("CARDS"), "fe4341524453"},
      {"description", DescriptionKey(1, 0x0102), "00000001fa0201"},
      {"char tables", CharTablesKey(1), "00000001fb01"},
      {"data", DataKey(1, 0x02030405), "00000001f302030405"},
      {"counters", CountersKey(1, kKindData), "00000001f6f3"},
      {"memo", MemoKey(1, 2, 3, 0x0405), "00000001fc00000002030405"},
      {"unique key entry", KeyEntryKey(1, 2, value, 7, false),
       "00000001"
       "02aabb"},
      {"dup key entry", KeyEntryKey(1, 2, value, 7, true),
       "00000001"
       "02aabb"
       "00000007"},
  };
  for (const auto& c : cases) EXPECT_EQ(HexOf(c.bytes), c.hex) << c.name;

  EXPECT_EQ(HexOf(TableNameRecord("T", 0x01020304)), "fe5401020304/2");
  EXPECT_EQ(HexOf(CountersRecord(1, 0, 0x0102, 0x0304)),
            "00000001f6000201000004030000/6");
  EXPECT_EQ(HexOf(KeyEntryRecord(1, 0, value, 9, false)),
            "0000000100aabb00000009/7");
  const auto counters = ReadCounters(CountersRecord(1, 0, 0x0102, 0x0304));
  ASSERT_TRUE(counters);
  EXPECT_EQ(counters->count, 0x0102u);
  EXPECT_EQ(counters->flags, 0x0304u);
}

TEST(RecordKindsTest, DupEntriesOrderByRecordNumberUniqueOnesCollide) {
  const std::uint8_t value[] = {0x10};
  EXPECT_LT(CompareKeys(KeyEntryKey(1, 0, value, 2, true),
                        KeyEntryKey(1, 0, value, 0x100, true)),
            0);
  EXPECT_EQ(CompareKeys(KeyEntryKey(1, 0, value, 2, false),
                        KeyEntryKey(1, 0, value, 0x100, false)),
            0);
  // Within a table: key entries, data, counters, description, tables, memo;
  // every table before the table names.
  const ByteString order[] = {KeyEntryKey(1, 0xF2, value, 0, false),
                              DataKey(1, 2),
                              CountersKey(1, kKindData),
                              DescriptionKey(1, 0),
                              CharTablesKey(1),
                              MemoKey(1, 2, 0, 0),
                              KeyEntryKey(2, 0, value, 0, false),
                              DataKey(0xFDFFFFFF, 0xFDFFFFFF),
                              TableNameKey("")};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    EXPECT_LT(CompareKeys(order[i - 1], order[i]), 0) << i;
  }
}

TEST(RecordKindsTest, CharTablesRecordOfDefaultTables) {
  CharTables tables = CharTables::Defaults();
  const PageRecord record = CharTablesRecord(1, true, tables);
  ASSERT_EQ(record.bytes.size(), 6u + 1 + 0x480);
  EXPECT_EQ(record.key_length, 6);
  const std::uint8_t* body = record.bytes.data() + 7;
  EXPECT_EQ(record.bytes[6], 1);      // OEM flag
  EXPECT_EQ(body[0x41], 0x41);        // weight of 'A'
  EXPECT_EQ(body[0x100 + 'a'], 'A');  // case partners
  EXPECT_EQ(body[0x100 + 'A'], 'a');
  EXPECT_EQ(body[0x100 + '1'], 0);
  EXPECT_EQ(body[0x200 + 'A'], 0x01);  // class masks
  EXPECT_EQ(body[0x200 + 'a'], 0x02);
  EXPECT_EQ(body[0x200 + '7'], 0x04);
  EXPECT_EQ(body[0x200 + ' '], 0x00);
  for (std::size_t i = 0x300; i < 0x480; ++i) ASSERT_EQ(body[i], 0) << i;

  tables.digraphs = {{0xC6, 'A', 'E'}, {0xDF, 's', 's'}};
  const PageRecord with_digraphs = CharTablesRecord(1, false, tables);
  EXPECT_EQ(Hex(with_digraphs.bytes.data() + 7 + 0x300, 7), "c64145df737300");
  const auto read = ReadCharTables(with_digraphs);
  ASSERT_TRUE(read);
  EXPECT_FALSE(read->oem);
  EXPECT_EQ(read->tables, tables);
  PageRecord cut = with_digraphs;
  cut.bytes.pop_back();
  EXPECT_FALSE(ReadCharTables(cut));
}

}  // namespace
}  // namespace vantrel
