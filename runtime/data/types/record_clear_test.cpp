#include "runtime/data/types/record_clear.h"

#include <gtest/gtest.h>

#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/types/descriptor_builder.h"

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(RecordClearTest, ClearsEveryTypeThroughNestedDimensionedGroups) {
  const TypeDescriptor descriptor = DescriptorBuilder()
                                        .String("S", 3)
                                        .Group("G")
                                        .Short("N")
                                        .Group("H")
                                        .CString("C", 2)
                                        .PDecimal("P", 3, 1)
                                        .End()
                                        .Dim({2})
                                        .End()
                                        .Dim({2})
                                        .Decimal("D", 1, 0)
                                        .PString("Q", 2)
                                        .Descriptor();
  // S(3) | G: N(2) H[2]: C(2) P(2) | ... G[2] | D(1) Q(2)
  const std::size_t group = 2 + 2 * 4;
  ASSERT_EQ(RecordMap::Build(descriptor)->record_length(), 3 + 2 * group + 3);
  Bytes record(3 + 2 * group + 3, 0xAA);
  ASSERT_TRUE(ClearRecord(descriptor, record));
  Bytes expected = {' ', ' ', ' '};
  for (int g = 0; g < 2; ++g) {
    expected.insert(expected.end(), {0, 0});
    for (int h = 0; h < 2; ++h)
      expected.insert(expected.end(), {0, 0, 0, 0x0F});
  }
  expected.insert(expected.end(), {0x00, 0, 0});
  EXPECT_EQ(record, expected);
}

TEST(RecordClearTest, ShortRecordAndMalformedDescriptor) {
  const TypeDescriptor descriptor =
      DescriptorBuilder().String("S", 2).Dim({3}).Long("L").Descriptor();
  Bytes record(5, 0xAA);  // room for two elements of S only
  ASSERT_TRUE(ClearRecord(descriptor, record));
  EXPECT_EQ(record, (Bytes{' ', ' ', ' ', ' ', 0xAA}));

  ClearError();
  const TypeDescriptor broken(Bytes{0x12, 0x00, 0x04, 0x06, 0x10, 0x01, 0x00});
  Bytes untouched(8, 0xAA);
  EXPECT_FALSE(ClearRecord(broken, untouched));
  EXPECT_EQ(untouched, Bytes(8, 0xAA));
  EXPECT_EQ(ErrorCode(), kErrInvalidDescriptor);
}

}  // namespace
}  // namespace vantrel
