#include "storage/tnl/description_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/data/descriptor_builder.h"
#include "runtime/data/error_state.h"
#include "runtime/data/file_declaration.h"
#include "storage/tnl/test_hex.h"

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

class DeclarationTest : public ::testing::Test {
 protected:
  void Declare(TypeDescriptor descriptor, std::size_t length) {
    file_.label = "T";
    file_.descriptor = std::move(descriptor);
    buffer_.assign(length, ' ');
    file_.record = buffer_;
  }
  FileDeclaration file_;
  std::vector<char> buffer_;
};

TEST_F(DeclarationTest, DescribesFieldsMemosAndKeys) {
  Declare(DescriptorBuilder()
              .Group("REC")
              .Long("ID")
              .Group("G")
              .String("S", 5, "@s5")
              .End()
              .Dim({2})
              .Decimal("D", 5, 2)
              .End()
              .Descriptor(),
          17);
  KeyDeclaration key;
  key.label = "K";
  key.flags = kKeyDup | kKeyIsIndex;  // INDEX is not kept
  key.components = {2, -4};
  file_.AddKey(key);
  file_.memos.push_back({"M", "", kMemoBlob, 0});
  ClearError();
  const auto t = DescribeDeclaration(file_);
  ASSERT_TRUE(t) << ErrorCode();
  EXPECT_EQ(t->version, 2);
  EXPECT_EQ(t->record_length, 17);
  ASSERT_EQ(t->fields.size(), 5u);
  const auto& group = t->fields[2];
  EXPECT_EQ(group.type, FieldType::GROUP);
  EXPECT_EQ(group.element_count, 2);
  EXPECT_EQ(group.size, 10);
  EXPECT_EQ(group.group, 1);  // inside the record's group
  EXPECT_EQ(t->fields[3].group, 3);
  EXPECT_EQ(t->fields[3].picture, "@s5");
  EXPECT_EQ(t->fields[4].offset, 14);
  EXPECT_EQ(t->fields[4].element_size, 3);
  EXPECT_EQ(t->fields[4].places, 2);
  EXPECT_EQ(t->fields[1].picture, std::nullopt);
  ASSERT_EQ(t->keys.size(), 1u);
  EXPECT_EQ(t->keys[0].flags, kKeyDup);
  EXPECT_EQ(t->keys[0].external_name, std::nullopt);
  EXPECT_EQ(t->keys[0].components,
            (std::vector<DescribedComponent>{{1, 0}, {3, 1}}));
  EXPECT_EQ(t->memos[0].external_name, std::nullopt);
  EXPECT_EQ(CompareDescription(*t, WriteDescription(*t)),
            DescriptionMatch::kEqual);

  // Read mode: a declaration rebuilt from the stream describes the same.
  FileDeclaration rebuilt;
  std::vector<char> buffer(t->record_length);
  rebuilt.record = buffer;
  ASSERT_TRUE(
      DeclareFromDescription(*ReadDescription(WriteDescription(*t)), rebuilt));
  const auto again = DescribeDeclaration(rebuilt);
  ASSERT_TRUE(again);
  EXPECT_EQ(*again, *t);
  EXPECT_EQ(rebuilt.keys[0].flags, kKeyDup);  // INDEX is not known: a KEY

  TableDescription stray = *t;
  stray.fields[3].group = 9;  // names no open group
  EXPECT_FALSE(DeclareFromDescription(stray, rebuilt));
}

TEST_F(DeclarationTest, RefusedDeclarations) {
  DescriptorBuilder deep;
  for (int i = 0; i <= 101; ++i) deep.Group("G");
  deep.Byte("B");
  const struct {
    const char* name;
    TypeDescriptor descriptor;
    std::size_t length;
    int error;
  } cases[] = {
      {"record over 15,000",
       DescriptorBuilder().Group("R").String("S", 15001).End().Descriptor(),
       15001, kErrInvalidRecordDeclaration},
      {"no group first", DescriptorBuilder().Long("L").Descriptor(), 4,
       kErrInvalidDescriptor},
      {"nested too deep", deep.Descriptor(), 1, kErrInvalidDescriptor},
      {"memo at the top",
       DescriptorBuilder().Group("R").Memo("M", 10).End().Descriptor(), 10,
       kErrUnsupportedDataType},
  };
  for (const auto& c : cases) {
    Declare(c.descriptor, c.length);
    ClearError();
    EXPECT_FALSE(DescribeDeclaration(file_)) << c.name;
    EXPECT_EQ(ErrorCode(), c.error) << c.name;
  }
  // Inside a group any type is kept.
  Declare(DescriptorBuilder()
              .Group("R")
              .Group("G")
              .Field(FieldType::BFLOAT4, "F")
              .End()
              .End()
              .Descriptor(),
          4);
  EXPECT_TRUE(DescribeDeclaration(file_));
  // One memo or key more than a table can number.
  Declare(DescriptorBuilder().Group("R").Long("L").End().Descriptor(), 4);
  file_.memos.resize(kMaxDeclaredMemos);
  ClearError();
  EXPECT_TRUE(DescribeDeclaration(file_)) << ErrorCode();
  file_.memos.emplace_back();
  EXPECT_FALSE(DescribeDeclaration(file_));
  EXPECT_EQ(ErrorCode(), kErrInvalidRecordDeclaration);
  file_.memos.clear();
  for (std::size_t k = 0; k <= kMaxDeclaredKeys; ++k) {
    file_.AddKey(KeyDeclaration{"K", "", 0, {1}});
  }
  ClearError();
  EXPECT_FALSE(DescribeDeclaration(file_));
  EXPECT_EQ(ErrorCode(), kErrInvalidRecordDeclaration);
}

}  // namespace
}  // namespace vantrel
