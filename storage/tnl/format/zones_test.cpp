#include "storage/tnl/format/zones.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

namespace vantrel {
namespace {

struct ZoneSpan {
  int k;
  std::uint32_t start;
  std::uint32_t end;
};

// A zone table with the given zones; every zone not listed is empty and sits
// on the end of the zone below it.
ZoneTable MakeTable(std::vector<ZoneSpan> spans) {
  ZoneTable t;
  std::size_t next = 0;
  for (int k = 1; k < kZoneCount; ++k) {
    if (next < spans.size() && spans[next].k == k) {
      t.start[k] = spans[next].start;
      t.end[k] = spans[next].end;
      ++next;
    } else {
      t.start[k] = t.end[k] = t.end[k - 1];
    }
  }
  return t;
}

// Keeps a tag per occupied slot and moves it as the zones ask, refusing a
// move from an empty slot or onto another page's units.
class FakeDisk : public PageMover {
 public:
  explicit FakeDisk(const ZoneTable& t) {
    int tag = 0;
    for (int k = 1; k < kZoneCount; ++k) {
      for (std::uint32_t p = t.start[k]; p < t.end[k]; p += k) {
        pages_[p] = {k, ++tag};
      }
    }
  }
  void MovePage(PageNumber from, PageNumber to) override {
    moves.emplace_back(from, to);
    auto it = pages_.find(static_cast<std::uint32_t>(from));
    if (it == pages_.end()) {
      ADD_FAILURE() << "move from empty slot " << from;
      return;
    }
    const auto page = it->second;
    pages_.erase(it);
    EXPECT_FALSE(Overlaps(to, page.first)) << "move onto a page at " << to;
    pages_[static_cast<std::uint32_t>(to)] = page;
  }
  void Drop(PageNumber slot) { pages_.erase(static_cast<std::uint32_t>(slot)); }
  bool Overlaps(PageNumber at, int units) const {
    const auto dest = static_cast<std::uint32_t>(at);
    for (const auto& [slot, other] : pages_) {
      if (slot < dest + units && dest < slot + other.first) return true;
    }
    return false;
  }
  // Every page sits in a zone of its class, and every zone slot holds one.
  void ExpectMatches(const ZoneTable& t) const {
    std::size_t slots = 0;
    for (int k = 1; k < kZoneCount; ++k) {
      for (std::uint32_t p = t.start[k]; p < t.end[k]; p += k, ++slots) {
        auto it = pages_.find(p);
        ASSERT_NE(it, pages_.end()) << "zone " << k << " slot " << p;
        EXPECT_EQ(it->second.first, k) << "slot " << p;
      }
    }
    EXPECT_EQ(slots, pages_.size());
  }
  std::vector<std::pair<PageNumber, PageNumber>> moves;

 private:
  std::map<std::uint32_t, std::pair<int, int>> pages_;  // slot -> class, tag
};

using Moves = std::vector<std::pair<PageNumber, PageNumber>>;

TEST(ZonesTest, AllocateTakesRoomBelowOrAbove) {
  struct Case {
    const char* name;
    std::vector<ZoneSpan> before;
    int k;
    PageNumber slot;
    Moves moves;
    std::vector<ZoneSpan> after;
  };
  const Case cases[] = {
      {"empty file grows zone 1 upwards", {}, 1, 0, {}, {{1, 0, 1}}},
      {"full neighbour zone moves its bottom page to its top",
       {{1, 0, 2}, {2, 2, 8}},
       1,
       2,
       {{2, 8}},
       {{1, 0, 3}, {2, 4, 10}}},
      {"neighbour with one page moves up by the missing units",
       {{1, 0, 1}, {3, 1, 4}},
       2,
       1,
       {{1, 3}},
       {{1, 0, 1}, {2, 1, 3}, {3, 3, 6}}},
      {"free gap below is used directly",
       {{1, 0, 1}, {2, 3, 5}},
       2,
       1,
       {},
       {{1, 0, 1}, {2, 1, 5}}},
      {"zone below slides down into a lower gap",
       {{1, 0, 1}, {2, 5, 9}, {3, 9, 12}},
       3,
       6,
       {{7, 3}, {5, 1}},
       {{1, 0, 1}, {2, 1, 5}, {3, 6, 12}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ZoneTable t = MakeTable(c.before);
    FakeDisk disk(t);
    Zones zones(t, disk);
    const PageNumber slot = zones.Allocate(c.k);
    EXPECT_EQ(slot, c.slot);
    EXPECT_EQ(disk.moves, c.moves);
    EXPECT_EQ(t, MakeTable(c.after));
    EXPECT_TRUE(ZonesConsistent(t));
    EXPECT_FALSE(disk.Overlaps(slot, c.k));
  }
}

TEST(ZonesTest, GiveBackFillsTheHoleWithTheLastPage) {
  ZoneTable t = MakeTable({{2, 0, 6}});
  FakeDisk disk(t);
  Zones zones(t, disk);
  disk.Drop(0);
  zones.GiveBack(2, 0);
  EXPECT_EQ(disk.moves, (Moves{{4, 0}}));
  EXPECT_EQ(t.end[2], 4u);
  disk.Drop(2);
  zones.GiveBack(2, 2);  // the last page leaves without a move
  EXPECT_EQ(disk.moves.size(), 1u);
  EXPECT_EQ(t.end[2], 2u);
}

TEST(ZonesTest, CompactionSlidesZonesDownButNeverZoneOne) {
  ZoneTable t = MakeTable({{1, 2, 3}, {2, 5, 7}, {3, 12, 18}});
  t.end[0] = 0;  // a gap below zone 1 that compaction must leave alone
  FakeDisk disk(t);
  Zones zones(t, disk);
  zones.Compact();
  EXPECT_EQ(disk.moves, (Moves{{5, 3}, {15, 9}, {12, 6}}));
  EXPECT_EQ(t, MakeTable({{1, 2, 3}, {2, 3, 5}, {3, 6, 12}}));
  disk.ExpectMatches(t);
}

TEST(ZonesTest, ClassAndEndOfPageSpace) {
  ZoneTable t = MakeTable({{1, 0, 2}, {4, 2, 10}});
  FakeDisk disk(t);
  Zones zones(t, disk);
  EXPECT_EQ(ClassOf(t, 1), 1);
  EXPECT_EQ(ClassOf(t, 9), 4);
  EXPECT_EQ(ClassOf(t, 10), 0);
  EXPECT_EQ(ClassOf(t, -3), 0);
  EXPECT_EQ(EndOfPageSpace(t), 10u);
  t.end[4] = 9;  // not a whole number of pages
  EXPECT_FALSE(ZonesConsistent(t));
  t.end[4] = 10;
  t.start[5] = t.end[5] = 9;  // overlaps zone 4
  EXPECT_FALSE(ZonesConsistent(t));
}

TEST(ZonesTest, RepeatedAllocationKeepsZonesConsistent) {
  ZoneTable t;
  FakeDisk disk(t);
  Zones zones(t, disk);
  const int classes[] = {1, 3, 2, 59, 1, 2, 3, 5, 1, 1, 59, 4, 2, 1, 3};
  for (int round = 0; round < 4; ++round) {
    for (int k : classes) {
      const PageNumber slot = zones.Allocate(k);
      disk = FakeDisk(t);  // every slot now holds a page
      ASSERT_TRUE(ZonesConsistent(t));
      EXPECT_EQ(ClassOf(t, slot), k);
    }
    disk.Drop(t.start[2]);
    zones.GiveBack(2, t.start[2]);
    zones.Compact();
    disk.ExpectMatches(t);
  }
}

}  // namespace
}  // namespace vantrel
