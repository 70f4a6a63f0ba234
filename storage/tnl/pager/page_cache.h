// The pages of an open native file held in memory: a hash table by page
// number, the list of dirty pages in the order they became dirty, and the
// list of clean pages in the order they became clean, from which pages are
// dropped when their memory grows past a budget.
#ifndef VANTREL_STORAGE_TNL_PAGER_PAGE_CACHE_H_
#define VANTREL_STORAGE_TNL_PAGER_PAGE_CACHE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include "storage/tnl/format/page_image.h"
#include "storage/tnl/format/page_records.h"

namespace vantrel {

// One page in memory.
struct Page {
  PageNumber number = 0;           // negative while the page has no slot yet
  std::uint8_t level = 0;          // 0 for a leaf
  PageRecords records;             // inner pages: each record's child is set
  std::uint32_t used = kUsedBase;  // the used measure of the records
  int units = 0;  // size class of the slot it holds; 0 while it holds none
  bool dirty = false;
  // The image a commit encoded (home field aside), kept until the page
  // changes again or is written; empty when none is kept.
  PageImage image;

  // Cache bookkeeping.
  std::uint64_t last_use = 0;     // clock at the last lookup
  std::uint64_t clean_since = 0;  // clock when it joined the clean list
  std::size_t cost = 0;           // its memory, counted while it is clean
  std::list<Page*>::iterator clean_position;
};

// The memory budget of every page cache opened from now on (0: the default,
// 128 MiB). A file of a few tens of thousands of cards stays resident.
void SetPageCacheBudget(std::size_t bytes);
std::size_t PageCacheBudget();

class PageCache {
 public:
  // Clean pages: below kKeepAlways none is dropped, nor while their memory
  // is below three quarters of the budget. From there to the budget the
  // oldest goes when it has been idle for kIdleFactor times the list's
  // average age; at the budget the oldest always goes, except that an inner
  // page used since it became clean joins the list's end once more: every
  // descent passes through the inner pages, so they are the hottest.
  static constexpr std::size_t kKeepAlways = 20;
  static constexpr std::uint64_t kIdleFactor = 4;
  static constexpr std::size_t kDefaultBudget = std::size_t{128} << 20;

  PageCache() : budget_(PageCacheBudget()) {}
  void set_budget(std::size_t bytes) { budget_ = bytes; }
  // The memory a page is counted with: its records and their bytes.
  static std::size_t CostOf(const Page& page);

  // The cached page numbered `number`, or nullptr. Counts as a use.
  Page* Find(PageNumber number);
  // Takes a page in: dirty pages join the dirty list, others the clean list.
  Page* Add(std::unique_ptr<Page> page);
  // Gives a cached page a new number.
  void Renumber(Page* page, PageNumber number);
  void MarkDirty(Page* page);
  void MarkClean(Page* page);
  // The same for many pages at once, in their order, with one pass over the
  // dirty list rather than one per page.
  void MarkClean(std::span<Page* const> pages);
  // Drops one page (its memory goes with it).
  void Remove(Page* page);
  // Drops every page.
  void Clear();
  // Drops clean pages by the rule above.
  void Trim();

  // A new temporary number: -1, -2, ...
  PageNumber NextTemporary() { return --last_temporary_; }

  // The dirty pages in the order they became dirty.
  const std::vector<Page*>& dirty() const { return dirty_; }
  std::size_t size() const { return pages_.size(); }
  std::size_t clean_count() const { return clean_.size(); }
  std::size_t clean_bytes() const { return clean_bytes_; }
  // Counts the pages dropped so far: a page pointer kept while it stays
  // the same is still good.
  std::uint64_t removals() const { return removals_; }

 private:
  // Pages recently found or added, by their number's low bits: every
  // descent looks up the same few inner pages, and this finds them without
  // a walk through the map. A slot holds a page of the map or nullptr.
  static constexpr std::size_t kRecentSlots = 1024;
  static std::size_t RecentSlot(PageNumber number) {
    return static_cast<std::size_t>(number) & (kRecentSlots - 1);
  }

  std::unique_ptr<Page> Unlink(Page* page);
  void JoinClean(Page* page);
  void LeaveClean(Page* page);

  std::unordered_map<PageNumber, std::unique_ptr<Page>> pages_;
  std::array<Page*, kRecentSlots> recent_{};
  std::vector<Page*> dirty_;
  std::list<Page*> clean_;  // oldest first
  std::size_t clean_bytes_ = 0;
  std::size_t budget_;
  std::uint64_t clock_ = 0;
  std::uint64_t removals_ = 0;
  PageNumber last_temporary_ = 0;
};

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_PAGER_PAGE_CACHE_H_
