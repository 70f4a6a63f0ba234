#include "runtime/data/queue/queue_compare.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/types/decimal.h"
#include "runtime/data/types/descriptor_builder.h"

namespace vantrel {
namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

// 1 BYTE, 2 SHORT, 3 USHORT, 4 LONG, 5 ULONG, 6 STRING(3): 16 bytes.
TypeDescriptor Descriptor() {
  return DescriptorBuilder()
      .Byte("K:B")
      .Short("K:S")
      .UShort("K:U")
      .Long("K:L")
      .ULong("K:UL")
      .String("K:T", 3)
      .Descriptor();
}

TEST(KeyComparatorTest, RankOrdersLikeTheFieldComparison) {
  TypeDescriptor descriptor = Descriptor();
  std::mt19937 random(9);
  // Values near the edges of each type show sign and width mistakes.
  const std::uint8_t edges[] = {0x00, 0x01, 0x7F, 0x80, 0x81, 0xFE, 0xFF};
  const QueueKey keys[] = {{1},     {-2}, {3, -1},   {4},       {-4, 2},
                           {5, -3}, {-5}, {2, 3, 1}, {1, 2, -4}};
  for (const QueueKey& key : keys) {
    std::optional<KeyComparator> comparator =
        KeyComparator::Make(key, descriptor, 16);
    ASSERT_TRUE(comparator);
    ASSERT_TRUE(comparator->has_rank());
    for (int round = 0; round < 2000; ++round) {
      std::uint8_t a[16];
      std::uint8_t b[16];
      for (int i = 0; i < 16; ++i) {
        a[i] = edges[random() % 7];
        b[i] = round % 3 == 0 ? a[i] : edges[random() % 7];
      }
      std::uint64_t ra = comparator->Rank(a);
      std::uint64_t rb = comparator->Rank(b);
      ASSERT_EQ(Sign(comparator->Compare(a, b)), (ra > rb) - (ra < rb));
    }
  }
}

TEST(KeyComparatorTest, RankOnlyForShortIntegerKeys) {
  TypeDescriptor descriptor = Descriptor();
  struct Case {
    QueueKey key;
    bool rank;
  };
  for (const Case& c : {Case{{6}, false}, Case{{4, 5, 1}, false},
                        Case{{1, 6}, false}, Case{{4, 5}, true}}) {
    EXPECT_EQ(KeyComparator::Make(c.key, descriptor, 16)->has_rank(), c.rank);
  }
}

TEST(KeyComparatorTest, ComponentBeyondTheFieldsIsInvalid) {
  ClearError();
  TypeDescriptor descriptor = Descriptor();
  EXPECT_FALSE(KeyComparator::Make({7}, descriptor, 16));
  EXPECT_EQ(ErrorCode(), kErrInvalidDescriptor);
}

// Packed decimals must order by value, not by their sign-first bytes.
TEST(KeyComparatorTest, DecimalKeysOrderByValue) {
  for (FieldType type : {FieldType::DECIMAL, FieldType::PDECIMAL}) {
    DescriptorBuilder builder;
    if (type == FieldType::DECIMAL) {
      builder.Decimal("K:D", 5, 2);
    } else {
      builder.PDecimal("K:D", 5, 2);
    }
    TypeDescriptor descriptor = builder.Descriptor();
    const DecimalField shape{type, 3, 2};
    std::optional<KeyComparator> ascending =
        KeyComparator::Make({1}, descriptor, 3);
    std::optional<KeyComparator> descending =
        KeyComparator::Make({-1}, descriptor, 3);
    ASSERT_TRUE(ascending && descending);
    const char* in_order[] = {"-123.45", "-5", "-0.01", "0", "0.5", "12"};
    for (std::size_t i = 0; i + 1 < std::size(in_order); ++i) {
      std::uint8_t a[3];
      std::uint8_t b[3];
      ASSERT_TRUE(DecimalFromText(in_order[i], shape, a));
      ASSERT_TRUE(DecimalFromText(in_order[i + 1], shape, b));
      EXPECT_LT(ascending->Compare(a, b), 0) << in_order[i];
      EXPECT_GT(descending->Compare(a, b), 0) << in_order[i];
    }
  }
}

}  // namespace
}  // namespace vantrel
