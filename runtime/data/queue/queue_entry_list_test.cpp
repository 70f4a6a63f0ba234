#include "runtime/data/queue/queue_entry_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace vantrel {
namespace {

// Items stand for values 0..kValues-1; the list never dereferences them.
constexpr std::uint32_t kValues = 100000;
alignas(4) std::uint32_t value_slots[kValues];

EntryList::Item ItemOf(std::uint32_t value) {
  return reinterpret_cast<EntryList::Item>(&value_slots[value]);
}
std::uint32_t ValueOf(EntryList::Item item) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uint32_t*>(item) -
                                    value_slots);
}

std::vector<EntryList::Item> Contents(const EntryList& list) {
  std::vector<EntryList::Item> items(list.size());
  list.CopyTo(items.data());
  return items;
}

// Random edits applied to the list and to a vector must agree throughout,
// across block splits, merges and removal of emptied blocks.
TEST(EntryListTest, MatchesAVectorUnderRandomEdits) {
  std::mt19937 random(11);
  EntryList list;
  std::vector<EntryList::Item> model;
  for (int round = 0; round < 40000; ++round) {
    std::uint32_t action = random() % 10;
    // Grow for the first half, shrink in the second.
    bool grow = round < 20000 ? action < 7 : action < 3;
    if (grow || model.empty()) {
      std::uint32_t at = random() % (model.size() + 1);
      EntryList::Item item = ItemOf(random() % kValues);
      list.Insert(at, item);
      model.insert(model.begin() + at, item);
    } else if (action == 9) {
      std::uint32_t at = random() % model.size();
      EntryList::Item item = ItemOf(random() % kValues);
      list.Set(at, item);
      model[at] = item;
    } else {
      std::uint32_t at = random() % model.size();
      list.Erase(at);
      model.erase(model.begin() + at);
    }
    ASSERT_EQ(list.size(), model.size());
    if (!model.empty()) {
      std::uint32_t probe = random() % model.size();
      ASSERT_EQ(list.At(probe), model[probe]) << round;
    }
    if (round % 997 == 0) {
      ASSERT_EQ(Contents(list), model) << round;
    }
  }
  EXPECT_EQ(Contents(list), model);
}

TEST(EntryListTest, PartitionPointMatchesTheStandardOne) {
  std::mt19937 random(5);
  for (std::uint32_t size : {0u, 1u, 9u, 256u, 257u, 5000u}) {
    std::vector<std::uint32_t> values(size);
    for (auto& v : values) v = random() % 50;  // many equal values
    std::sort(values.begin(), values.end());
    std::vector<EntryList::Item> items;
    for (std::uint32_t v : values) items.push_back(ItemOf(v));
    EntryList list;
    // Built once by Assign and once by inserts, so block shapes differ.
    list.Assign(items.data(), size);
    EntryList inserted;
    for (std::uint32_t i = 0; i < size; ++i) inserted.Insert(i, items[i]);
    for (std::uint32_t bound = 0; bound <= 50; ++bound) {
      auto below = [&](EntryList::Item item) { return ValueOf(item) < bound; };
      std::uint32_t expected = static_cast<std::uint32_t>(
          std::lower_bound(values.begin(), values.end(), bound) -
          values.begin());
      EXPECT_EQ(list.PartitionPoint(below), expected) << size << " " << bound;
      EXPECT_EQ(inserted.PartitionPoint(below), expected);
    }
  }
}

TEST(EntryListTest, IndexOfFindsFromAStartingPoint) {
  EntryList list;
  std::vector<EntryList::Item> items;
  for (std::uint32_t i = 0; i < 1000; ++i) items.push_back(ItemOf(i % 300));
  list.Assign(items.data(), 1000);
  EXPECT_EQ(list.IndexOf(ItemOf(7)), 7u);
  EXPECT_EQ(list.IndexOf(ItemOf(7), 8), 307u);
  EXPECT_EQ(list.IndexOf(ItemOf(7), 908), 1000u);
  EXPECT_EQ(list.IndexOf(ItemOf(999)), 1000u);
}

}  // namespace
}  // namespace vantrel
