// The file's one tree of records, spread over pages: descent, find, find
// first greater or last below, insert with page splits and remove.
//
// An inner page holds, per child, a separator: a key-only copy of the first
// record the child held when it was linked, with the child's page number.
// Descent takes the child whose separator is the greatest one not above the
// search key, or the first child when the key sorts before every separator.
//
// A page splits after an insert when its used measure exceeds kSplitUsed, or
// exceeds kSplitUsedMany while it holds more than kSplitCount records. The
// record at position count / 2 (the median) goes into whichever half holds
// fewer records (the new right page when equal), and a separator for the new
// page goes into the parent. The root keeps its page number: when it splits
// its records move into a new child and the tree grows by one level.
// Removal gives empty pages back and renews separators; pages never merge.
//
// Everything runs inside an operation (RunOperation) with the header loaded.
#ifndef VANTREL_STORAGE_TNL_TABLE_BTREE_H_
#define VANTREL_STORAGE_TNL_TABLE_BTREE_H_

#include <array>
#include <cassert>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/format/page_records.h"
#include "storage/tnl/pager/tnl_file.h"

namespace vantrel {

// A record's total length must stay below this (internal check 824).
inline constexpr std::size_t kRecordLengthLimit = 0x3AF6;
inline constexpr std::uint32_t kSplitUsed = kMaxPageUsed;
inline constexpr std::uint32_t kSplitUsedMany = 0x1000;
inline constexpr std::size_t kSplitCount = 20;

// Levels a page can have (its level is one byte).
inline constexpr std::size_t kPageLevels = 256;

// The leaf a sequence last stepped in, so that its next step can go on in
// that leaf without descending from the root; good while the file's page
// stamp is the one it was taken under.
struct LeafHint {
  PageNumber leaf = 0;
  std::uint64_t stamp = 0;
  bool valid = false;
  // The leaf itself while no page has left the cache since, and the
  // position of the record found in it, so that the next step usually
  // needs neither a lookup nor a search.
  const Page* page = nullptr;
  std::uint64_t removals = 0;
  std::size_t rank = 0;
};

class BTree {
 public:
  explicit BTree(TnlFile& file) : file_(file), hint_(file.tree_hint()) {}

  // The finds hand out copies of the record found. Each has a View form
  // that shows the record where it lies in its page instead: good until the
  // tree changes, the file commits or the operation ends.

  // The record whose key part equals `key`, or none.
  std::optional<PageRecord> Find(std::span<const std::uint8_t> key);
  std::optional<RecordRef> FindView(std::span<const std::uint8_t> key);
  // The first record whose key part sorts after `key`, or none.
  std::optional<PageRecord> FindFirstGreater(std::span<const std::uint8_t> key);
  std::optional<RecordRef> FindFirstGreaterView(
      std::span<const std::uint8_t> key);
  // The first record whose key part is not below `key`, or none.
  std::optional<PageRecord> FindFirstAtOrAbove(
      std::span<const std::uint8_t> key);
  std::optional<RecordRef> FindFirstAtOrAboveView(
      std::span<const std::uint8_t> key);
  // The last record whose key part sorts before `key`, or none.
  std::optional<PageRecord> FindLastBelow(std::span<const std::uint8_t> key);
  std::optional<RecordRef> FindLastBelowView(std::span<const std::uint8_t> key);
  // The last record whose key part is not above `key`, or none.
  std::optional<PageRecord> FindLastAtOrBelow(
      std::span<const std::uint8_t> key);
  std::optional<RecordRef> FindLastAtOrBelowView(
      std::span<const std::uint8_t> key);
  // FindFirstGreater(View) and FindLastBelowView starting in the leaf `hint`
  // names when that leaf holds records on both sides of `key`; `hint` then
  // names the leaf of the result.
  std::optional<PageRecord> FindFirstGreater(std::span<const std::uint8_t> key,
                                             LeafHint& hint);
  std::optional<RecordRef> FindFirstGreaterView(
      std::span<const std::uint8_t> key, LeafHint& hint);
  std::optional<RecordRef> FindLastBelowView(std::span<const std::uint8_t> key,
                                             LeafHint& hint);
  // Adds the record to its leaf; the caller has checked uniqueness.
  void Insert(PageRecord record);
  // Adds the record unless a record with the same key part is stored, in
  // one descent; false, changing nothing, when one is.
  bool InsertUnique(PageRecord record);
  // Takes out the record whose key part equals `key`; false when none does.
  bool Remove(std::span<const std::uint8_t> key);
  // Puts `record` in place of the record with the same key part when both
  // have the same length (so the page's measure and the separators stay as
  // they are); false, changing nothing, otherwise.
  bool Replace(const PageRecord& record);
  // Hands the data part of the record whose key part equals `key` to
  // `change`, which may rewrite its bytes (never its length) and returns
  // whether it did. False when there is no such record or nothing changed.
  bool ChangeData(std::span<const std::uint8_t> key,
                  const std::function<bool(std::span<std::uint8_t>)>& change);

 private:
  struct Step {
    Page* page;
    std::size_t index;  // the child taken in this page
  };
  // The pages from the root down to a leaf. Levels fall with every step
  // (checked on the way down), so a path holds at most one page per level
  // and needs no allocation.
  class Path {
   public:
    void push_back(const Step& step) {
      assert(size_ < steps_.size());
      steps_[size_++] = step;
    }
    void pop_back() { --size_; }
    Step& back() { return steps_[size_ - 1]; }
    Step& front() { return steps_[0]; }
    Step& operator[](std::size_t i) { return steps_[i]; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

   private:
    std::array<Step, kPageLevels> steps_;
    std::size_t size_ = 0;
  };
  // Descends from the root to the leaf for `key`; the path ends at the leaf.
  Path Descend(std::span<const std::uint8_t> key);
  // The leaf an exact find last found its record in (the file's tree hint),
  // looked at first by the next ones: a table's counters records lie side
  // by side after its data records, where adds also go, so adds find them
  // all in one leaf.
  // Leaves hold disjoint runs of keys, so a cached leaf that holds the key
  // (HintedLeafHolding), or records on both sides of it (HintedLeafAround),
  // is the leaf a descent would reach; otherwise the hint is not used.
  Page* HintedLeafHolding(std::span<const std::uint8_t> key,
                          std::size_t* position);
  Page* HintedLeafAround(std::span<const std::uint8_t> key);
  void HintLeaf(const Page* leaf);
  // Adds the record to `leaf`, which is where its key belongs, without
  // lowering a separator above it.
  void AddToLeaf(Page* leaf, PageRecord record);
  // Insert from the descent made for the record's key.
  void InsertAlong(Path& path, PageRecord record);
  // Both set *leaf and *rank (when given) to the leaf the result came
  // from and its position there.
  std::optional<RecordRef> NextFrom(Path& path, std::size_t position,
                                    const Page** leaf = nullptr,
                                    std::size_t* rank = nullptr);
  std::optional<RecordRef> PreviousFrom(Path& path, std::size_t position,
                                        const Page** leaf = nullptr,
                                        std::size_t* rank = nullptr);
  // The hinted leaf, when the hint is still good.
  const Page* HintedLeaf(LeafHint& hint);
  void SetHint(LeafHint& hint, const Page* leaf, std::size_t rank);
  // The first or last leaf below `page`.
  Page* EdgeLeafBelow(Page* page, bool last);
  Page* ParentOf(Page* page);
  void SplitIfNeeded(Page* page);
  void SplitRoot(Page* root);
  void Link(Page* parent, const Page* child);
  void FreePages(std::vector<Page*> pages);

  TnlFile& file_;
  TnlFile::TreeHint& hint_;
};

// The used measure's cost of one record of `page`.
std::uint32_t RecordCost(const Page& page, const RecordRef& record);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_BTREE_H_
