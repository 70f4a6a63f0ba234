#include "storage/tnl/pager/page_cache.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace vantrel {
namespace {

Page* AddPage(PageCache& cache, PageNumber number, bool dirty) {
  auto page = std::make_unique<Page>();
  page->number = number;
  page->dirty = dirty;
  return cache.Add(std::move(page));
}

TEST(PageCacheTest, FindsRenumbersAndKeepsDirtyOrder) {
  PageCache cache;
  const PageNumber temporary = cache.NextTemporary();
  EXPECT_EQ(temporary, -1);
  EXPECT_EQ(cache.NextTemporary(), -2);
  Page* fresh = AddPage(cache, temporary, true);
  Page* a = AddPage(cache, 7, false);
  Page* b = AddPage(cache, 107, false);
  EXPECT_EQ(cache.Find(7), a);
  EXPECT_EQ(cache.Find(107), b);
  EXPECT_EQ(cache.Find(-1), fresh);
  cache.Renumber(fresh, 207);
  EXPECT_EQ(cache.Find(-1), nullptr);
  EXPECT_EQ(cache.Find(207), fresh);
  cache.MarkDirty(b);
  EXPECT_EQ(cache.dirty(), (std::vector<Page*>{fresh, b}));
  cache.MarkClean(fresh);
  EXPECT_EQ(cache.dirty(), (std::vector<Page*>{b}));
  cache.Remove(a);
  EXPECT_EQ(cache.Find(7), nullptr);
  EXPECT_EQ(cache.size(), 2u);
  // Pages whose numbers share their low bits are found apart, and a page
  // removed or renumbered is not found under its old number.
  Page* c = AddPage(cache, 7 + 1024, false);
  Page* d = AddPage(cache, 7 + 2048, false);
  EXPECT_EQ(cache.Find(7 + 1024), c);
  EXPECT_EQ(cache.Find(7 + 2048), d);
  EXPECT_EQ(cache.Find(7), nullptr);
  cache.Renumber(d, 7);
  EXPECT_EQ(cache.Find(7 + 2048), nullptr);
  EXPECT_EQ(cache.Find(7), d);
  cache.Remove(c);
  EXPECT_EQ(cache.Find(7 + 1024), nullptr);
  EXPECT_EQ(cache.Find(7), d);
  cache.Clear();
  EXPECT_EQ(cache.Find(7), nullptr);
  EXPECT_EQ(cache.Find(207), nullptr);
}

TEST(PageCacheTest, TrimDropsCleanPagesByBudgetAndIdleTime) {
  struct Case {
    const char* name;
    int pages;
    int budget;  // in empty pages
    bool dirty;
    bool use_oldest_last;
    std::uint8_t oldest_level;
    std::size_t kept;
  };
  const Case cases[] = {
      {"fewer than 20 are always kept", 19, 0, false, false, 0, 19},
      {"below three quarters of the budget none goes", 70, 100, false, false, 0,
       70},
      {"idle pages in the band go", 90, 100, false, false, 0, 74},
      {"a just-used oldest page stops the dropping", 90, 100, false, true, 0,
       90},
      {"at the budget a just-used oldest leaf goes", 120, 100, false, true, 0,
       74},
      {"at the budget a just-used oldest inner page stays", 120, 100, false,
       true, 1, 74},
      {"dirty pages are never dropped", 150, 0, true, false, 0, 150},
  };
  for (const Case& c : cases) {
    PageCache cache;
    cache.set_budget(c.budget * PageCache::CostOf(Page{}));
    for (int i = 0; i < c.pages; ++i) {
      AddPage(cache, i, c.dirty)->level = i == 0 ? c.oldest_level : 0;
    }
    if (c.use_oldest_last) cache.Find(0);
    cache.Trim();
    EXPECT_EQ(cache.size(), c.kept) << c.name;
    EXPECT_EQ(
        cache.Find(0) != nullptr,
        c.kept == static_cast<std::size_t>(c.pages) || c.oldest_level != 0)
        << c.name;
    // The newest page always survives.
    EXPECT_NE(cache.Find(c.pages - 1), nullptr) << c.name;
  }
}

TEST(PageCacheTest, CountsTheMemoryOfCleanPagesOnly) {
  PageCache cache;
  auto page = std::make_unique<Page>();
  page->number = 1;
  std::vector<PageRecord> records(3);
  for (PageRecord& record : records) record.bytes.assign(500, 'x');
  page->records = PageRecords::Of(records);
  Page* p = cache.Add(std::move(page));
  const std::size_t cost = PageCache::CostOf(*p);
  EXPECT_GE(cost, 1500u + sizeof(Page));
  EXPECT_EQ(cache.clean_bytes(), cost);
  cache.MarkDirty(p);
  EXPECT_EQ(cache.clean_bytes(), 0u);
  cache.MarkClean(p);
  EXPECT_EQ(cache.clean_bytes(), cost);
  cache.Remove(p);
  EXPECT_EQ(cache.clean_bytes(), 0u);
}

// A page built up by inserts and erasures gives its spare room back when it
// becomes clean, and keeps its records as they were.
TEST(PageCacheTest, PageBecomingCleanGivesBackSpareRoom) {
  PageCache cache;
  auto page = std::make_unique<Page>();
  page->number = 1;
  page->dirty = true;
  std::vector<std::string> kept;
  for (int i = 0; i < 40; ++i) {
    PageRecord record;
    const std::string text =
        "k" + std::to_string(100 + i) + std::string(90, 'a' + i % 26);
    record.bytes.assign(text.begin(), text.end());
    record.key_length = 4;
    page->records.Insert(record);
    if (i % 3 == 0) continue;
    kept.push_back(text);
  }
  for (int i = 39; i >= 0; --i) {
    if (i % 3 == 0) page->records.EraseAt(static_cast<std::size_t>(i));
  }
  Page* p = cache.Add(std::move(page));
  const std::size_t before = p->records.MemoryBytes();
  cache.MarkClean(p);
  std::size_t live = 0;
  std::vector<std::string> now;
  p->records.ForEach([&](const RecordRef& r) {
    now.emplace_back(r.bytes.begin(), r.bytes.end());
    live += r.bytes.size();
  });
  EXPECT_EQ(now, kept);
  EXPECT_LT(p->records.MemoryBytes(), before);
  EXPECT_LE(p->records.MemoryBytes(), live + live / 4 + 1024);
  EXPECT_EQ(cache.clean_bytes(), PageCache::CostOf(*p));
}

}  // namespace
}  // namespace vantrel
