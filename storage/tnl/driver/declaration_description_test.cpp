#include "storage/tnl/driver/declaration_description.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/types/descriptor_builder.h"

namespace vantrel {
namespace {

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
      // What a reader of the file would refuse is not stored either.
      {"field past the record buffer",
       DescriptorBuilder().Group("R").Long("L").End().Descriptor(), 2,
       kErrInvalidRecordDeclaration},
      {"string of no bytes",
       DescriptorBuilder().Group("R").String("S", 0).End().Descriptor(), 0,
       kErrInvalidRecordDeclaration},
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
  // A key component naming no field.
  file_.AddKey(KeyDeclaration{"K", "", 0, {3}});
  ClearError();
  EXPECT_FALSE(DescribeDeclaration(file_));
  EXPECT_EQ(ErrorCode(), kErrInvalidRecordDeclaration);
  file_.keys.clear();
  for (std::size_t k = 0; k <= kMaxDeclaredKeys; ++k) {
    file_.AddKey(KeyDeclaration{"K", "", 0, {1}});
  }
  ClearError();
  EXPECT_FALSE(DescribeDeclaration(file_));
  EXPECT_EQ(ErrorCode(), kErrInvalidRecordDeclaration);
}

}  // namespace
}  // namespace vantrel
