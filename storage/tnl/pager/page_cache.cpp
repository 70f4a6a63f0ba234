#include "storage/tnl/pager/page_cache.h"

#include <algorithm>
#include <utility>

namespace vantrel {

PageCache::Chain& PageCache::ChainOf(PageNumber number) {
  return chains_[static_cast<std::size_t>((number % kChains + kChains) %
                                          kChains)];
}

Page* PageCache::Find(PageNumber number) {
  for (Entry& entry : ChainOf(number)) {
    if (entry.number == number) {
      entry.page->last_use = ++clock_;
      return entry.page.get();
    }
  }
  return nullptr;
}

Page* PageCache::Add(std::unique_ptr<Page> page) {
  Page* p = page.get();
  p->last_use = ++clock_;
  ChainOf(p->number).push_back({p->number, std::move(page)});
  if (p->dirty) {
    dirty_.push_back(p);
  } else {
    p->clean_since = clock_;
    p->clean_position = clean_.insert(clean_.end(), p);
  }
  return p;
}

std::unique_ptr<Page> PageCache::Unlink(Page* page) {
  Chain& chain = ChainOf(page->number);
  auto it = std::find_if(chain.begin(), chain.end(), [&](const Entry& entry) {
    return entry.page.get() == page;
  });
  std::unique_ptr<Page> owned = std::move(it->page);
  chain.erase(it);
  return owned;
}

void PageCache::Renumber(Page* page, PageNumber number) {
  std::unique_ptr<Page> owned = Unlink(page);
  owned->number = number;
  ChainOf(number).push_back({number, std::move(owned)});
}

void PageCache::MarkDirty(Page* page) {
  if (page->dirty) return;
  clean_.erase(page->clean_position);
  page->dirty = true;
  dirty_.push_back(page);
}

void PageCache::MarkClean(Page* page) { MarkClean(std::span(&page, 1)); }

void PageCache::MarkClean(std::span<Page* const> pages) {
  for (Page* page : pages) {
    if (!page->dirty) continue;
    page->dirty = false;
    page->clean_since = ++clock_;
    page->clean_position = clean_.insert(clean_.end(), page);
  }
  std::erase_if(dirty_, [](const Page* page) { return !page->dirty; });
}

void PageCache::Remove(Page* page) {
  if (page->dirty) {
    std::erase(dirty_, page);
  } else {
    clean_.erase(page->clean_position);
  }
  Unlink(page);
}

void PageCache::Clear() {
  for (Chain& chain : chains_) chain.clear();
  dirty_.clear();
  clean_.clear();
}

void PageCache::Trim() {
  while (clean_.size() >= kKeepAlways) {
    const Page* oldest = clean_.front();
    if (clean_.size() < kDropAlways) {
      const std::uint64_t idle = clock_ - oldest->last_use;
      const std::uint64_t age = clock_ - oldest->clean_since;
      if (idle * clean_.size() < kIdleFactor * age) break;
    }
    Remove(clean_.front());
  }
}

std::size_t PageCache::size() const {
  std::size_t n = 0;
  for (const Chain& chain : chains_) n += chain.size();
  return n;
}

}  // namespace vantrel
