#include "storage/tnl/pager/page_cache.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace vantrel {
namespace {

std::atomic<std::size_t> g_budget{0};

}  // namespace

void SetPageCacheBudget(std::size_t bytes) { g_budget = bytes; }

std::size_t PageCacheBudget() {
  const std::size_t bytes = g_budget;
  return bytes != 0 ? bytes : PageCache::kDefaultBudget;
}

std::size_t PageCache::CostOf(const Page& page) {
  return sizeof(Page) + page.records.MemoryBytes() +
         page.image.bytes.capacity();
}

Page* PageCache::Find(PageNumber number) {
  Page*& recent = recent_[RecentSlot(number)];
  if (recent != nullptr && recent->number == number) {
    recent->last_use = ++clock_;
    return recent;
  }
  const auto it = pages_.find(number);
  if (it == pages_.end()) return nullptr;
  it->second->last_use = ++clock_;
  recent = it->second.get();
  return recent;
}

void PageCache::JoinClean(Page* page) {
  // A page built up by changes has room to spare that a clean page no
  // longer needs: given back, more pages stay within the budget.
  page->records.ShrinkToFit();
  page->clean_since = ++clock_;
  page->cost = CostOf(*page);
  clean_bytes_ += page->cost;
  page->clean_position = clean_.insert(clean_.end(), page);
}

void PageCache::LeaveClean(Page* page) {
  clean_bytes_ -= page->cost;
  clean_.erase(page->clean_position);
}

Page* PageCache::Add(std::unique_ptr<Page> page) {
  Page* p = page.get();
  p->last_use = ++clock_;
  pages_[p->number] = std::move(page);
  recent_[RecentSlot(p->number)] = p;
  if (p->dirty) {
    dirty_.push_back(p);
  } else {
    JoinClean(p);
  }
  return p;
}

std::unique_ptr<Page> PageCache::Unlink(Page* page) {
  const auto it = pages_.find(page->number);
  std::unique_ptr<Page> owned = std::move(it->second);
  pages_.erase(it);
  Page*& recent = recent_[RecentSlot(page->number)];
  if (recent == page) recent = nullptr;
  return owned;
}

void PageCache::Renumber(Page* page, PageNumber number) {
  std::unique_ptr<Page> owned = Unlink(page);
  owned->number = number;
  recent_[RecentSlot(number)] = owned.get();
  pages_[number] = std::move(owned);
}

void PageCache::MarkDirty(Page* page) {
  if (page->dirty) return;
  LeaveClean(page);
  page->dirty = true;
  dirty_.push_back(page);
}

void PageCache::MarkClean(Page* page) { MarkClean(std::span(&page, 1)); }

void PageCache::MarkClean(std::span<Page* const> pages) {
  for (Page* page : pages) {
    if (!page->dirty) continue;
    page->dirty = false;
    JoinClean(page);
  }
  std::erase_if(dirty_, [](const Page* page) { return !page->dirty; });
}

void PageCache::Remove(Page* page) {
  ++removals_;
  if (page->dirty) {
    std::erase(dirty_, page);
  } else {
    LeaveClean(page);
  }
  Unlink(page);
}

void PageCache::Clear() {
  ++removals_;
  recent_.fill(nullptr);
  pages_.clear();
  dirty_.clear();
  clean_.clear();
  clean_bytes_ = 0;
}

void PageCache::Trim() {
  while (clean_.size() >= kKeepAlways && clean_bytes_ >= budget_ / 4 * 3) {
    Page* oldest = clean_.front();
    if (clean_bytes_ < budget_) {
      const std::uint64_t idle = clock_ - oldest->last_use;
      const std::uint64_t age = clock_ - oldest->clean_since;
      if (idle * clean_.size() < kIdleFactor * age) break;
    } else if (oldest->level != 0 && oldest->last_use > oldest->clean_since) {
      // Used since it became clean: once more to the end of the list.
      clean_.splice(clean_.end(), clean_, oldest->clean_position);
      oldest->clean_since = ++clock_;
      continue;
    }
    Remove(oldest);
  }
}

}  // namespace vantrel
