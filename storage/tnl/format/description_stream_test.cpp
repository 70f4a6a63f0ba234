#include "storage/tnl/format/description_stream.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "storage/tnl/format/test_hex.h"

namespace vantrel {
namespace {

std::string HexOf(const std::vector<std::uint8_t>& bytes) {
  return Hex(bytes.data(), bytes.size());
}

// A small table: a LONG with a label, a picture-less STRING(3), a DECIMAL,
// one memo and a key with no external name.
TableDescription Small() {
  TableDescription t;
  t.record_length = 0x0B;
  DescribedField id;
  id.type = FieldType::LONG;
  id.label = "ID";
  id.size = 4;
  id.position = 1;
  DescribedField name;
  name.type = FieldType::STRING;
  name.offset = 4;
  name.label = "";
  name.size = 3;
  name.position = 2;
  name.string_length = 3;
  DescribedField amount;
  amount.type = FieldType::DECIMAL;
  amount.offset = 7;
  amount.label = "A";
  amount.size = 4;
  amount.position = 3;
  amount.places = 2;
  amount.element_size = 4;
  t.fields = {id, name, amount};
  t.memos = {{std::nullopt, "NOTES", 0x100, 0}};
  t.keys = {{std::nullopt, "K", 0x05, {{0, 0}, {1, 1}}}};
  return t;
}

TEST(DescriptionStreamTest, StreamIsByteExact) {
  const auto stream = WriteDescription(Small());
  EXPECT_EQ(HexOf(stream),
            "0100"
            "0b00"
            "0300"
            "0100"
            "0100"  // version, length, counts
            "06"
            "0000"
            "494400"
            "0100"
            "0400"
            "0000"
            "0100"  // LONG "ID"
            "12"
            "0400"
            "0000"
            "0100"
            "0300"
            "0000"
            "0200"  // STRING ""
            "0300"
            "0001"  // its length; no picture
            "0a"
            "0700"
            "4100"
            "0100"
            "0400"
            "0000"
            "0300"  // DECIMAL "A"
            "02"
            "04"  // places, bytes
            "0001"
            "4e4f54455300"
            "0001"
            "0000"  // memo: no name, NOTES
            "0001"
            "4b00"
            "05"
            "0200"  // key: no name, K, 2 parts
            "0000"
            "0000"
            "0100"
            "0100");
  EXPECT_EQ(ReadDescription(stream), Small());

  // A BLOB makes it version 2.
  TableDescription blob = Small();
  blob.memos[0].flags = kDescribedMemoBlob;
  EXPECT_EQ(WriteDescription(blob)[0], 2);
  EXPECT_EQ(ReadDescription(WriteDescription(blob))->version, 2);
}

TEST(DescriptionStreamTest, BlocksOf512WithoutATrailingEmptyOne) {
  const struct {
    std::size_t length;
    std::vector<std::size_t> blocks;
  } cases[] = {{1, {1}}, {512, {512}}, {513, {512, 1}}, {1024, {512, 512}}};
  for (const auto& c : cases) {
    std::vector<std::uint8_t> stream(c.length, 7);
    std::vector<std::size_t> sizes;
    for (const auto& b : DescriptionBlocks(stream)) sizes.push_back(b.size());
    EXPECT_EQ(sizes, c.blocks) << c.length;
  }
}

TEST(DescriptionStreamTest, MalformedStreamsAreRefused) {
  const auto good = WriteDescription(Small());
  for (std::size_t cut = 0; cut < good.size(); ++cut) {
    EXPECT_FALSE(ReadDescription({good.data(), cut})) << cut;
  }
  auto longer = good;
  longer.push_back(0);
  EXPECT_FALSE(ReadDescription(longer));
  auto huge_count = good;
  huge_count[4] = 0xFF;  // 0xFFFF fields in a short stream
  huge_count[5] = 0xFF;
  EXPECT_FALSE(ReadDescription(huge_count));
  auto bad_mark = good;
  bad_mark[0x28] = 2;  // the absent-text mark of the picture
  ASSERT_EQ(good[0x28], 1);
  EXPECT_FALSE(ReadDescription(bad_mark));
}

TEST(DescriptionStreamTest, CompareModes) {
  const auto stored = WriteDescription(Small());
  const struct {
    const char* name;
    void (*change)(TableDescription&);
    DescriptionMatch expected;
  } cases[] = {
      {"same", [](TableDescription&) {}, DescriptionMatch::kEqual},
      {"primary bit", [](TableDescription& t) { t.keys[0].flags |= 0x10; },
       DescriptionMatch::kEqual},
      {"memo flags", [](TableDescription& t) { t.memos[0].flags = 2; },
       DescriptionMatch::kEqual},
      {"field label", [](TableDescription& t) { t.fields[0].label = "X"; },
       DescriptionMatch::kSoft},
      {"picture", [](TableDescription& t) { t.fields[1].picture = "@s3"; },
       DescriptionMatch::kSoft},
      {"places", [](TableDescription& t) { t.fields[2].places = 1; },
       DescriptionMatch::kSoft},
      {"string length",
       [](TableDescription& t) { t.fields[1].string_length = 2; },
       DescriptionMatch::kSoft},
      {"key name", [](TableDescription& t) { t.keys[0].external_name = "N"; },
       DescriptionMatch::kSoft},
      {"memo label", [](TableDescription& t) { t.memos[0].label = "M"; },
       DescriptionMatch::kSoft},
      {"record length", [](TableDescription& t) { t.record_length = 12; },
       DescriptionMatch::kStructural},
      {"field type",
       [](TableDescription& t) { t.fields[0].type = FieldType::ULONG; },
       DescriptionMatch::kStructural},
      {"offset", [](TableDescription& t) { t.fields[1].offset = 5; },
       DescriptionMatch::kStructural},
      {"decimal bytes",
       [](TableDescription& t) { t.fields[2].element_size = 3; },
       DescriptionMatch::kStructural},
      {"memo size", [](TableDescription& t) { t.memos[0].size = 1; },
       DescriptionMatch::kStructural},
      {"blob size",
       [](TableDescription& t) {
         t.memos[0].flags = kDescribedMemoBlob;
         t.memos[0].size = 1;
       },
       DescriptionMatch::kEqual},
      {"key dup", [](TableDescription& t) { t.keys[0].flags = 0x04; },
       DescriptionMatch::kStructural},
      {"descending",
       [](TableDescription& t) { t.keys[0].components[1].flags = 0; },
       DescriptionMatch::kStructural},
      {"field count", [](TableDescription& t) { t.fields.pop_back(); },
       DescriptionMatch::kStructural},
  };
  for (const auto& c : cases) {
    TableDescription declared = Small();
    c.change(declared);
    EXPECT_EQ(CompareDescription(declared, stored), c.expected) << c.name;
  }
  EXPECT_EQ(CompareDescription(Small(), {}), DescriptionMatch::kStructural);
}

// Descriptions no declaration makes are refused when read, with the reason:
// their sizes and counts would drive every walk over the record (a dump of
// 400 zero-size LONG DIM(65535) fields printed 105 MB from a 7 KB file).
TEST(DescriptionStreamTest, DescriptionsNoDeclarationMakesAreRefused) {
  EXPECT_EQ(DescriptionFault(Small()), "");
  struct Case {
    const char* name;
    std::function<void(TableDescription&)> damage;
    const char* fault;
  };
  const Case cases[] = {
      {"zero-size dimensioned field",
       [](TableDescription& t) {
         t.fields[0].element_count = 65535;
         t.fields[0].size = 0;
       },
       "field 1 (ID): size 0"},
      {"field past the record",
       [](TableDescription& t) { t.fields[2].offset = 8; },
       "field 3 (A): ends at 12, past the record's 11 bytes"},
      {"unknown type",
       [](TableDescription& t) { t.fields[0].type = FieldType{40}; },
       "field 1 (ID): unknown type 40"},
      {"size against the type",
       [](TableDescription& t) { t.fields[0].size = 2; },
       "field 1 (ID): size 2 does not fit a LONG"},
      {"elements that do not divide the size",
       [](TableDescription& t) { t.fields[1].element_count = 2; },
       "field 2 (): size 3 is not 2 whole elements"},
      {"key component naming no field",
       [](TableDescription& t) { t.keys[0].components[1].field = 3; },
       "key 1 (K): component names field 4 of 3"},
      {"version without a BLOB", [](TableDescription& t) { t.version = 2; },
       "version 2 without a BLOB"},
      {"member outside its group",
       [](TableDescription& t) {
         DescribedField group;
         group.type = FieldType::GROUP;
         group.label = "G";
         group.size = 4;
         group.position = 9;
         t.fields.insert(t.fields.begin(), group);
         t.fields[1].group = 9;  // the LONG at offset 0 fits
         t.fields[2].group = 9;  // the STRING at offset 4 does not
       },
       "field 3 (): lies outside its group"},
      {"group reference to no group",
       [](TableDescription& t) { t.fields[1].group = 7; },
       "field 2 (): names no enclosing group"},
  };
  for (const Case& c : cases) {
    TableDescription t = Small();
    c.damage(t);
    EXPECT_EQ(DescriptionFault(t), c.fault) << c.name;
    // The writer derives the version; the stream is given the damaged one.
    auto stream = WriteDescription(t);
    stream[0] = static_cast<std::uint8_t>(t.version);
    std::string fault;
    EXPECT_EQ(ReadDescription(stream, &fault), std::nullopt) << c.name;
    EXPECT_EQ(fault, c.fault) << c.name;
  }
}

}  // namespace
}  // namespace vantrel
