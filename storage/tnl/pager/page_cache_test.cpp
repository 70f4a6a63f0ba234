#include "storage/tnl/pager/page_cache.h"

#include <gtest/gtest.h>

#include <memory>

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
  Page* b = AddPage(cache, 107, false);  // same chain as 7
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
}

TEST(PageCacheTest, TrimDropsCleanPagesByCountAndIdleTime) {
  struct Case {
    const char* name;
    int pages;
    bool dirty;
    bool use_oldest_last;
    std::size_t kept;
  };
  const Case cases[] = {
      {"fewer than 20 are always kept", 19, false, false, 19},
      {"idle pages above 20 go", 30, false, false, 19},
      {"a just-used oldest page stops the dropping", 30, false, true, 30},
      {"100 or more drop the oldest even when just used", 120, false, true, 19},
      {"dirty pages are never dropped", 150, true, false, 150},
  };
  for (const Case& c : cases) {
    PageCache cache;
    for (int i = 0; i < c.pages; ++i) AddPage(cache, i, c.dirty);
    if (c.use_oldest_last) cache.Find(0);
    cache.Trim();
    EXPECT_EQ(cache.size(), c.kept) << c.name;
    // The newest page always survives.
    EXPECT_NE(cache.Find(c.pages - 1), nullptr) << c.name;
  }
}

}  // namespace
}  // namespace vantrel
