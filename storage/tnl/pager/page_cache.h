// The pages of an open native file held in memory: 100 hash chains by page
// number, the list of dirty pages in the order they became dirty, and the
// list of clean pages in the order they became clean, from which pages are
// dropped when the cache grows.
#ifndef VANTREL_STORAGE_TNL_PAGER_PAGE_CACHE_H_
#define VANTREL_STORAGE_TNL_PAGER_PAGE_CACHE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <span>
#include <vector>

#include "storage/tnl/format/page_image.h"
#include "storage/tnl/format/record_tree.h"

namespace vantrel {

// One page in memory.
struct Page {
  PageNumber number = 0;           // negative while the page has no slot yet
  std::uint8_t level = 0;          // 0 for a leaf
  RecordTree records;              // inner pages: each record's child is set
  std::uint32_t used = kUsedBase;  // the used measure of the records
  int units = 0;  // size class of the slot it holds; 0 while it holds none
  bool dirty = false;
  // The image a commit encoded (home field aside), kept until the page
  // changes again or is written; empty when none is kept.
  PageImage image;

  // Cache bookkeeping.
  std::uint64_t last_use = 0;     // clock at the last lookup
  std::uint64_t clean_since = 0;  // clock when it joined the clean list
  std::list<Page*>::iterator clean_position;
};

class PageCache {
 public:
  static constexpr int kChains = 100;
  // Clean pages: from this many on the oldest is always dropped; below
  // kKeepAlways none is; in between the oldest goes when it has been idle
  // for kIdleFactor times the list's average age.
  static constexpr std::size_t kDropAlways = 100;
  static constexpr std::size_t kKeepAlways = 20;
  static constexpr std::uint64_t kIdleFactor = 4;

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
  std::size_t size() const;
  std::size_t clean_count() const { return clean_.size(); }

 private:
  // A chain keeps each page's number beside it, so that a lookup scans
  // numbers in a row rather than visiting every page on the way: while a
  // long transaction keeps thousands of pages, a chain holds many.
  struct Entry {
    PageNumber number;
    std::unique_ptr<Page> page;
  };
  using Chain = std::vector<Entry>;
  Chain& ChainOf(PageNumber number);
  std::unique_ptr<Page> Unlink(Page* page);

  std::array<Chain, kChains> chains_;
  std::vector<Page*> dirty_;
  std::list<Page*> clean_;  // oldest first
  std::uint64_t clock_ = 0;
  PageNumber last_temporary_ = 0;
};

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_PAGER_PAGE_CACHE_H_
