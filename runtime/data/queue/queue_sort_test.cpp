#include "runtime/data/queue/queue_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace vantrel {
namespace {

struct Item {
  int key;
  int tag;  // the original position
  bool operator==(const Item&) const = default;
};

TEST(StableMergeSortTest, MatchesStandardStableSort) {
  std::mt19937 random(3);
  // Sizes around the insertion-sort limit and well beyond; few distinct
  // keys so that stability is visible.
  for (std::size_t size : {0, 1, 2, 8, 9, 10, 11, 19, 20, 1000, 10007}) {
    for (int distinct : {1, 3, 1000}) {
      std::vector<Item> items(size);
      for (std::size_t i = 0; i < size; ++i) {
        items[i] = {static_cast<int>(random() % distinct), static_cast<int>(i)};
      }
      std::vector<Item> expected = items;
      std::stable_sort(
          expected.begin(), expected.end(),
          [](const Item& a, const Item& b) { return a.key < b.key; });
      std::vector<Item> scratch(size / 2 + 1);
      StableMergeSort(
          items.data(), items.size(), scratch.data(),
          [](const Item& a, const Item& b) { return a.key - b.key; });
      EXPECT_EQ(items, expected) << size << " " << distinct;
    }
  }
}

TEST(StableMergeSortTest, DescendingComparisonKeepsTiesInOrder) {
  std::vector<Item> items = {{1, 0}, {2, 1}, {1, 2}, {3, 3}, {2, 4}};
  std::vector<Item> scratch(items.size());
  StableMergeSort(items.data(), items.size(), scratch.data(),
                  [](const Item& a, const Item& b) { return b.key - a.key; });
  EXPECT_EQ(items, (std::vector<Item>{{3, 3}, {2, 1}, {2, 4}, {1, 0}, {1, 2}}));
}

}  // namespace
}  // namespace vantrel
