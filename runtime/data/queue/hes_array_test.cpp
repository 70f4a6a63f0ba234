#include "runtime/data/queue/hes_array.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/data/base/fatal_report.h"

namespace vantrel {
namespace {

TEST(HesArrayTest, GrowsThroughCapacityClasses) {
  struct Step {
    std::uint32_t count;
    int size_class;
  };
  // After appending up to `count` elements the array sits in `size_class`.
  const Step steps[] = {{1, 1},     {2, 1},      {3, 2},     {8, 3},
                        {9, 4},     {256, 8},    {257, 9},   {1024, 9},
                        {1025, 10}, {16000, 13}, {16001, 14}};
  HesArray<std::uint32_t> array;
  std::uint32_t next = 0;
  for (const Step& step : steps) {
    while (next < step.count) ASSERT_TRUE(array.Append(next++));
    EXPECT_EQ(array.size_class(), step.size_class) << step.count;
    EXPECT_GE(HesArrayCapacity(array.size_class()), array.size());
  }
  for (std::uint32_t i = 0; i < array.size(); ++i) ASSERT_EQ(array[i], i);
}

TEST(HesArrayTest, ShrinksOneClassAtTheThreshold) {
  HesArray<std::uint32_t> array;
  for (std::uint32_t i = 0; i < 1025; ++i) array.Append(i);
  ASSERT_EQ(array.size_class(), 10);  // 2048, threshold 640
  while (array.size() > 641) array.RemoveAt(0);
  EXPECT_EQ(array.size_class(), 10);
  array.RemoveAt(0);
  EXPECT_EQ(array.size_class(), 9);  // 1024, threshold 192
  while (array.size() > 193) array.RemoveAt(array.size() - 1);
  EXPECT_EQ(array.size_class(), 9);
  array.RemoveAt(array.size() - 1);
  EXPECT_EQ(array.size_class(), 8);
  EXPECT_EQ(array[0], 1025u - 640u);  // order kept across reallocations
}

TEST(HesArrayTest, InsertAndRemoveKeepOrder) {
  HesArray<int> array;
  for (int v : {1, 3, 5}) array.Append(v);
  array.Insert(1, 2);
  array.Insert(0, 0);
  array.Insert(5, 6);
  array.RemoveAt(4);  // the 5
  std::vector<int> got(array.data(), array.data() + array.size());
  EXPECT_EQ(got, (std::vector<int>{0, 1, 2, 3, 6}));
}

TEST(HesArrayTest, RefusesToGrowPastTheCap) {
  std::vector<std::uint8_t> full(kHesArrayMaxCount - 1, 7);
  HesArray<std::uint8_t> array;
  array.Assign(full.data(), static_cast<std::uint32_t>(full.size()));
  EXPECT_TRUE(array.Append(9));
  EXPECT_EQ(array.size(), kHesArrayMaxCount);
  EXPECT_FALSE(array.Append(10));
  EXPECT_FALSE(array.Insert(0, 10));
  EXPECT_EQ(array.size(), kHesArrayMaxCount);
  EXPECT_EQ(array[0], 7);
  EXPECT_EQ(array[kHesArrayMaxCount - 1], 9);
}

// A reallocation that fails is a fatal report of error 501.
struct FatalSeen {
  int code;
  std::string text;
};

void ThrowingHandler(int code, std::string_view text) {
  throw FatalSeen{code, std::string(text)};
}

void* FailingRealloc(void*, std::size_t) { return nullptr; }

TEST(HesArrayTest, FailedReallocationIsFatal501) {
  HesArray<int> array;
  array.Append(1);
  array.Append(2);
  SetFatalReportHandler(&ThrowingHandler);
  SetHesArrayReallocForTesting(&FailingRealloc);
  try {
    array.Append(3);
    ADD_FAILURE() << "no fatal report";
  } catch (const FatalSeen& seen) {
    EXPECT_EQ(seen.code, 501);
    EXPECT_EQ(seen.text, "Out of memory in HESARRAY!");
  }
  SetHesArrayReallocForTesting(nullptr);
  SetFatalReportHandler(nullptr);
  EXPECT_EQ(array.size(), 2u);
}

TEST(HesArrayDeathTest, DefaultFatalReportEndsTheProgram) {
  EXPECT_DEATH(
      {
        SetHesArrayReallocForTesting(&FailingRealloc);
        HesArray<int> array;
        array.Append(1);
      },
      "Run-time error 501: Out of memory in HESARRAY!");
}

}  // namespace
}  // namespace vantrel
