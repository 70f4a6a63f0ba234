#include "runtime/data/types/type_descriptor.h"

#include <gtest/gtest.h>

#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/types/descriptor_builder.h"

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes WithText(Bytes bytes, std::string_view text) {
  bytes.insert(bytes.end(), text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

class TypeDescriptorTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearError(); }
};

TEST(FieldTypeTest, NamesIncludeReservedAndUnknownCodes) {
  EXPECT_EQ(FieldTypeName(0), "END");
  EXPECT_EQ(FieldTypeName(static_cast<int>(FieldType::PDECIMAL)), "PDECIMAL");
  EXPECT_EQ(FieldTypeName(12), "DUM1");
  EXPECT_EQ(FieldTypeName(16), "TEMPUFO");
  EXPECT_EQ(FieldTypeName(17), "(17)");
  EXPECT_EQ(FieldTypeName(static_cast<int>(FieldType::STDNUM)), "STDNUM");
  EXPECT_EQ(FieldTypeName(31), "UNKNOWN");
  EXPECT_EQ(FieldTypeName(255), "UNKNOWN");
  EXPECT_EQ(FieldTypeName(-1), "UNKNOWN");
}

TEST_F(TypeDescriptorTest, PackedNumbersReadAndWrite) {
  const struct {
    Bytes bytes;
    std::int32_t value;
  } kCases[] = {
      {{0x1E}, 30},
      {{0x20, 0x32}, 50},
      {{0x21, 0x90}, 400},
      {{0x81}, -1},
      {{0xA1, 0x90}, -400},
      {{0x5F, 0xFF, 0xFF}, 0x1FFFFF},
      {{0x7F, 0xFF, 0xFF, 0xFF}, kPackedMax},
  };
  for (const auto& c : kCases) {
    DescriptorReader reader(c.bytes);
    std::int32_t value = 0;
    ASSERT_TRUE(reader.ReadPacked(value));
    EXPECT_EQ(value, c.value);
    EXPECT_TRUE(reader.AtEnd());
    Bytes written;
    AppendPacked(written, c.value);
    EXPECT_EQ(written, c.bytes) << c.value;
  }
  EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(TypeDescriptorTest, ParsesLabelledStringEntry) {
  const TypeDescriptor descriptor(WithText({0x12, 0x02, 0x1E}, "VTL:LASTNAME"));
  const std::optional<FieldInfo> field = descriptor.Field(1);
  ASSERT_TRUE(field);
  EXPECT_EQ(field->type, FieldType::STRING);
  EXPECT_EQ(field->size, 30u);
  EXPECT_EQ(field->label, "VTL:LASTNAME");
  EXPECT_EQ(field->offset, 0u);
  EXPECT_EQ(descriptor.FieldCount(), 1u);
  EXPECT_FALSE(descriptor.Field(2));
  EXPECT_FALSE(descriptor.Field(0));
  EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(TypeDescriptorTest, BuilderWritesExpectedBytes) {
  // DECIMAL(5,2) "D", then STRING(40) with picture, name and explicit offset,
  // then a LONG with two dimensions.
  const Bytes built = DescriptorBuilder()
                          .Decimal("D", 5, 2)
                          .String("S", 40, "@s40")
                          .Name("ext")
                          .At(400)
                          .Long()
                          .Dim({2, 3})
                          .Build();
  Bytes expected = WithText({0x0A, 0x02, 0x03, 0x02}, "D");
  expected.insert(expected.end(), {0x12, 0x0F, 0x20, 0x28});
  expected = WithText(WithText(WithText(expected, "@s40"), "S"), "ext");
  expected.insert(expected.end(), {0x21, 0x90});
  expected.insert(expected.end(), {0x06, 0x10, 0x02, 0x02, 0x03, 0x00});
  EXPECT_EQ(built, expected);
}

TEST_F(TypeDescriptorTest, FieldsCarryEveryPart) {
  const TypeDescriptor descriptor = DescriptorBuilder()
                                        .Decimal("VTL:AMOUNT", 7, 2)
                                        .CString("VTL:NOTE", 20, "@s20")
                                        .Name("Note")
                                        .Long("VTL:GRID")
                                        .Dim({3, 4})
                                        .Byte("VTL:FLAG")
                                        .At(100)
                                        .Date("VTL:WHEN")
                                        .Descriptor();
  const auto fields = descriptor.Fields();
  ASSERT_TRUE(fields);
  ASSERT_EQ(fields->size(), 5u);
  const FieldInfo& amount = (*fields)[0];
  EXPECT_EQ(amount.type, FieldType::DECIMAL);
  EXPECT_EQ(amount.size, 4u);
  EXPECT_EQ(amount.places, 2);
  const FieldInfo& note = (*fields)[1];
  EXPECT_EQ(note.offset, 4u);
  EXPECT_EQ(note.picture, "@s20");
  EXPECT_EQ(note.external_name, "Note");
  const FieldInfo& grid = (*fields)[2];
  EXPECT_EQ(grid.offset, 24u);
  EXPECT_EQ(grid.dims, (std::vector<std::uint32_t>{3, 4}));
  EXPECT_EQ(grid.ElementCount(), 12u);
  EXPECT_EQ((*fields)[3].offset, 100u);
  EXPECT_EQ((*fields)[4].offset, 101u);  // follows the explicit offset
  EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(TypeDescriptorTest, OneByteSizeFlagOverridesTypeSize) {
  const TypeDescriptor descriptor = DescriptorBuilder()
                                        .String("A", 200)
                                        .OneByteSize()
                                        .Decimal("B", 9, 3)
                                        .OneByteSize()
                                        .Long("C")
                                        .Descriptor();
  const auto fields = descriptor.Fields();
  ASSERT_TRUE(fields);
  EXPECT_EQ((*fields)[0].size, 200u);
  EXPECT_EQ((*fields)[1].size, 5u);
  EXPECT_EQ((*fields)[1].places, 0);  // no places byte with the flag
  EXPECT_EQ((*fields)[2].offset, 205u);
}

// A record with a dimensioned group holding a nested group, and a field
// laid over the first one.
TypeDescriptor NestedRecord() {
  return DescriptorBuilder()
      .String("VTL:NAME", 10)
      .Group("VTL:PHONES", 7)
      .Short("VTL:KIND")
      .Group("VTL:NUMBER")
      .String("VTL:AREA", 4)
      .String("VTL:LOCAL", 8)
      .End()
      .CString("VTL:EXT", 5)
      .End()
      .Dim({3})
      .Long("VTL:ID")
      .String("VTL:INITIAL", 1)
      .Over("VTL:NAME")
      .PString("VTL:TAIL", 6)
      .Descriptor();
}

TEST_F(TypeDescriptorTest, GroupMembersGetRecordOffsets) {
  const TypeDescriptor descriptor = NestedRecord();
  const struct {
    std::size_t n;
    std::string_view label;
    std::uint32_t offset;
    std::uint32_t depth;
  } kCases[] = {
      {1, "VTL:NAME", 0, 0},    {2, "VTL:PHONES", 10, 0},
      {3, "VTL:KIND", 10, 1},   {4, "VTL:NUMBER", 12, 1},
      {5, "VTL:AREA", 12, 2},   {6, "VTL:LOCAL", 16, 2},
      {7, "VTL:EXT", 24, 1},    {8, "VTL:ID", 10 + 3 * 19, 0},
      {9, "VTL:INITIAL", 0, 0}, {10, "VTL:TAIL", 71, 0},
  };
  for (const auto& c : kCases) {
    const std::optional<FieldInfo> field = descriptor.Field(c.n);
    ASSERT_TRUE(field) << c.n;
    EXPECT_EQ(field->label, c.label);
    EXPECT_EQ(field->offset, c.offset) << c.label;
    EXPECT_EQ(field->depth, c.depth) << c.label;
  }
  const FieldInfo phones = *descriptor.Field(2);
  EXPECT_EQ(phones.size, 19u);
  EXPECT_EQ(phones.member_count, 3u);
  EXPECT_EQ(phones.third_count, 7u);
  EXPECT_EQ(descriptor.Field(4)->member_count, 2u);
  EXPECT_EQ(descriptor.FieldCount(), 10u);
  EXPECT_FALSE(descriptor.Field(11));
}

TEST_F(TypeDescriptorTest, RecordMapMarksKindsAndOverlaps) {
  const std::optional<RecordMap> map = RecordMap::Build(NestedRecord());
  ASSERT_TRUE(map);
  const auto rows = map->entries();
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_EQ(map->record_length(), 77u);
  EXPECT_EQ(map->header().member_count, 10u);
  EXPECT_EQ(map->header().kind, static_cast<std::uint8_t>(FieldType::GROUP));
  constexpr std::uint8_t kGroup = 22, kCString = 19, kPString = 20,
                         kOver = RecordMap::kOverlap;
  const struct {
    std::uint32_t offset, size, elements, members;
    std::uint8_t kind;
  } kRows[] = {
      {0, 10, 1, 0, 0},                 // NAME
      {10, 19, 3, 3, kGroup},           // PHONES
      {10, 2, 1, 0, kOver},             // KIND
      {12, 12, 1, 2, kGroup | kOver},   // NUMBER
      {12, 4, 1, 0, kOver},             // AREA
      {16, 8, 1, 0, kOver},             // LOCAL
      {24, 5, 1, 0, kCString | kOver},  // EXT
      {67, 4, 1, 0, 0},                 // ID
      {0, 1, 1, 0, kOver},              // INITIAL
      {71, 6, 1, 0, kPString},          // TAIL
  };
  for (std::size_t i = 0; i < std::size(kRows); ++i) {
    const RecordMapEntry& row = rows[i + 1];
    EXPECT_EQ(row.offset, kRows[i].offset) << i;
    EXPECT_EQ(row.size, kRows[i].size) << i;
    EXPECT_EQ(row.element_count, kRows[i].elements) << i;
    EXPECT_EQ(row.member_count, kRows[i].members) << i;
    EXPECT_EQ(row.kind, kRows[i].kind) << i;
  }
}

TEST_F(TypeDescriptorTest, SameStorageIgnoresLabelsOnly) {
  const auto fields = DescriptorBuilder()
                          .Decimal("A", 7, 2)
                          .Decimal("B", 7, 2)
                          .Decimal("C", 7, 3)
                          .Decimal("D", 7, 2)
                          .Dim({2})
                          .PDecimal("E", 7, 2)
                          .Group("G1")
                          .Long()
                          .End()
                          .Group("G2")
                          .Short()
                          .Short()
                          .End()
                          .Group("G3")
                          .ULong()
                          .End()
                          .Descriptor()
                          .Fields();
  ASSERT_TRUE(fields);
  const auto& f = *fields;
  EXPECT_TRUE(SameStorage(f[0], f[1]));
  EXPECT_FALSE(SameStorage(f[0], f[2]));  // places
  EXPECT_FALSE(SameStorage(f[0], f[3]));  // dimensions
  EXPECT_FALSE(SameStorage(f[0], f[4]));  // type
  EXPECT_FALSE(SameStorage(f[5], f[7]));  // member count (G1, G2)
  EXPECT_TRUE(SameStorage(f[5], f[10]));  // G1, G3: members' types ignored
}

TEST_F(TypeDescriptorTest, EveryTruncationIsReportedWithoutOverread) {
  const TypeDescriptor record = NestedRecord();
  const std::span<const std::uint8_t> full = record.bytes();
  int whole_lists = 0;
  for (std::size_t length = 1; length + 1 < full.size(); ++length) {
    ClearError();
    // A heap copy of exactly `length` bytes lets ASan catch any overread.
    const TypeDescriptor cut(Bytes(full.begin(), full.begin() + length));
    const bool parsed = cut.Fields().has_value();
    EXPECT_EQ(ErrorCode(), parsed ? 0 : kErrInvalidDescriptor) << length;
    EXPECT_EQ(RecordMap::Build(cut).has_value(), parsed) << length;
    whole_lists += parsed;
  }
  // Only cuts after NAME, after the whole PHONES group, after ID and after
  // INITIAL leave a complete list.
  EXPECT_EQ(whole_lists, 4);
}

TEST_F(TypeDescriptorTest, MalformedEntriesAreRejected) {
  const struct {
    const char* what;
    Bytes bytes;
  } kCases[] = {
      {"label without terminator", {0x12, 0x02, 0x05, 'A', 'B'}},
      {"negative string size", {0x12, 0x00, 0x85}},
      {"negative offset", {0x06, 0x08, 0x81}},
      {"zero dimension", {0x06, 0x10, 0x01, 0x00}},
      {"negative dimension", {0x06, 0x10, 0x01, 0x82}},
      {"decimal of 0 bytes", {0x0A, 0x00, 0x00, 0x00}},
      {"decimal of 17 bytes", {0x0A, 0x00, 0x11, 0x00}},
      {"decimal with 32 places", {0x0A, 0x00, 0x10, 0x20}},
      {"dimensions beyond a record",
       {0x06, 0x10, 0x02, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF}},
      {"group owes members",
       {0x16, 0x00, 4, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0x06, 0x00}},
      {"END inside a group",
       {0x16, 0x00, 4, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0x06, 0x00, 0x00}},
      {"one-byte size contradicting LONG", {0x06, 0x40, 0x02}},
      {"member beyond its group",
       {0x16, 0x00, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0x06, 0x00}},
      {"group size beyond a record",
       {0x16, 0x00, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : kCases) {
    ClearError();
    const TypeDescriptor descriptor(c.bytes);
    EXPECT_FALSE(descriptor.Fields()) << c.what;
    EXPECT_EQ(ErrorCode(), kErrInvalidDescriptor) << c.what;
    EXPECT_FALSE(RecordMap::Build(descriptor)) << c.what;
  }
}

TEST_F(TypeDescriptorTest, ListEndsAtEndMarkerOrLastByte) {
  // Bytes after the END marker are not part of the list.
  const TypeDescriptor with_trailer(Bytes{0x06, 0x00, 0x00, 0xFF, 0xFF});
  EXPECT_EQ(with_trailer.FieldCount(), 1u);
  const TypeDescriptor without_end(Bytes{0x06, 0x00, 0x02, 0x00});
  EXPECT_EQ(without_end.FieldCount(), 2u);
  EXPECT_EQ(without_end.Field(2)->offset, 4u);
  EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(TypeDescriptorTest, FieldCountIsRememberedAndReportsOnce) {
  const TypeDescriptor descriptor(Bytes{0x06, 0x00, 0x12, 0x02, 0x05, 'A'});
  EXPECT_EQ(descriptor.FieldCount(), 1u);
  EXPECT_EQ(ErrorCode(), kErrInvalidDescriptor);
  ClearError();
  EXPECT_EQ(descriptor.FieldCount(), 1u);  // remembered: no second walk
  EXPECT_EQ(ErrorCode(), 0);
}

}  // namespace
}  // namespace vantrel
