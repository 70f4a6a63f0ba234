#include "storage/tnl/table/btree.h"

#include <algorithm>
#include <utility>

#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/format/page_image.h"

namespace vantrel {

namespace {

bool NeedsSplit(const Page& page) {
  return page.used > kSplitUsed ||
         (page.used > kSplitUsedMany && page.records.size() > kSplitCount);
}

// The child to take in an inner page for `key`.
std::size_t ChildIndex(const Page& page, std::span<const std::uint8_t> key) {
  const std::size_t above = page.records.UpperBound(key);
  return above == 0 ? 0 : above - 1;
}

PageRecord SeparatorFor(const Page& child) {
  const auto key = child.records.At(0).Key();
  PageRecord separator;
  separator.bytes.assign(key.begin(), key.end());
  separator.key_length = static_cast<std::uint16_t>(key.size());
  separator.child = child.number;
  return separator;
}

}  // namespace

std::uint32_t RecordCost(const Page& page, const RecordRef& record) {
  return static_cast<std::uint32_t>(record.bytes.size()) + kUsedPerRecord +
         (page.level > 0 ? kUsedPerChild : 0);
}

BTree::Path BTree::Descend(std::span<const std::uint8_t> key) {
  Path path;
  Page* page = file_.RootPage();
  while (page->level > 0 && !page->records.empty()) {
    const std::size_t index = ChildIndex(*page, key);
    path.push_back({page, index});
    Page* child = file_.GetPage(page->records.At(index).child);
    Check(child->level < page->level, kCheckChildLevel);
    page = child;
  }
  path.push_back({page, 0});
  return path;
}

Page* BTree::EdgeLeafBelow(Page* page, bool last) {
  while (page->level > 0 && !page->records.empty()) {
    const std::size_t index = last ? page->records.size() - 1 : 0;
    Page* child = file_.GetPage(page->records.At(index).child);
    Check(child->level < page->level, kCheckEdgeChildLevel);
    page = child;
  }
  return page;
}

namespace {

std::optional<PageRecord> Copied(const std::optional<RecordRef>& found) {
  if (!found) return std::nullopt;
  return found->Copy();
}

}  // namespace

std::optional<PageRecord> BTree::Find(std::span<const std::uint8_t> key) {
  return Copied(FindView(key));
}
std::optional<PageRecord> BTree::FindFirstGreater(
    std::span<const std::uint8_t> key) {
  return Copied(FindFirstGreaterView(key));
}
std::optional<PageRecord> BTree::FindFirstGreater(
    std::span<const std::uint8_t> key, LeafHint& hint) {
  return Copied(FindFirstGreaterView(key, hint));
}
std::optional<PageRecord> BTree::FindFirstAtOrAbove(
    std::span<const std::uint8_t> key) {
  return Copied(FindFirstAtOrAboveView(key));
}
std::optional<PageRecord> BTree::FindLastBelow(
    std::span<const std::uint8_t> key) {
  return Copied(FindLastBelowView(key));
}
std::optional<PageRecord> BTree::FindLastAtOrBelow(
    std::span<const std::uint8_t> key) {
  return Copied(FindLastAtOrBelowView(key));
}

Page* BTree::HintedLeafHolding(std::span<const std::uint8_t> key,
                               std::size_t* position) {
  if (!hint_.valid) return nullptr;
  Page* leaf = file_.CachedPage(hint_.leaf);
  if (leaf == nullptr || leaf->level != 0) return nullptr;
  const std::size_t at = leaf->records.LowerBound(key);
  if (at >= leaf->records.size() ||
      CompareKeys(leaf->records.At(at).Key(), key) != 0) {
    return nullptr;
  }
  *position = at;
  return leaf;
}

Page* BTree::HintedLeafAround(std::span<const std::uint8_t> key) {
  if (!hint_.valid) return nullptr;
  Page* leaf = file_.CachedPage(hint_.leaf);
  if (leaf == nullptr || leaf->level != 0) return nullptr;
  const std::size_t above = leaf->records.UpperBound(key);
  return above > 0 && above < leaf->records.size() ? leaf : nullptr;
}

void BTree::HintLeaf(const Page* leaf) {
  hint_.leaf = leaf->number;
  hint_.valid = true;
}

std::optional<RecordRef> BTree::FindView(std::span<const std::uint8_t> key) {
  std::size_t position = 0;
  if (const Page* leaf = HintedLeafHolding(key, &position)) {
    return leaf->records.At(position);
  }
  auto path = Descend(key);
  const Page* found_in = nullptr;
  auto found =
      NextFrom(path, path.back().page->records.LowerBound(key), &found_in);
  if (!found || CompareKeys(found->Key(), key) != 0) return std::nullopt;
  HintLeaf(found_in);
  return found;
}

std::optional<RecordRef> BTree::FindFirstAtOrAboveView(
    std::span<const std::uint8_t> key) {
  auto path = Descend(key);
  return NextFrom(path, path.back().page->records.LowerBound(key));
}

std::optional<RecordRef> BTree::FindFirstGreaterView(
    std::span<const std::uint8_t> key) {
  auto path = Descend(key);
  return NextFrom(path, path.back().page->records.UpperBound(key));
}

// The record at `position` of the path's leaf, or when the leaf has none
// there the first record of the next leaf to the right.
std::optional<RecordRef> BTree::NextFrom(Path& path, std::size_t position,
                                         const Page** found_in,
                                         std::size_t* rank) {
  const Page* leaf = path.back().page;
  if (leaf->level == 0 && position < leaf->records.size()) {
    if (found_in != nullptr) *found_in = leaf;
    if (rank != nullptr) *rank = position;
    return leaf->records.At(position);
  }
  path.pop_back();
  while (!path.empty()) {
    Step& step = path.back();
    if (step.index + 1 < step.page->records.size()) {
      Page* next = file_.GetPage(step.page->records.At(step.index + 1).child);
      Check(next->level < step.page->level, kCheckNextChildLevel);
      const Page* page = EdgeLeafBelow(next, /*last=*/false);
      if (page->level == 0 && !page->records.empty()) {
        if (found_in != nullptr) *found_in = page;
        if (rank != nullptr) *rank = 0;
        return page->records.At(0);
      }
      return std::nullopt;  // an empty page below the root: damaged tree
    }
    path.pop_back();
  }
  return std::nullopt;
}

std::optional<RecordRef> BTree::FindLastBelowView(
    std::span<const std::uint8_t> key) {
  auto path = Descend(key);
  return PreviousFrom(path, path.back().page->records.LowerBound(key));
}

std::optional<RecordRef> BTree::FindLastAtOrBelowView(
    std::span<const std::uint8_t> key) {
  auto path = Descend(key);
  return PreviousFrom(path, path.back().page->records.UpperBound(key));
}

// The record just before `position` of the path's leaf, or when the leaf has
// none there the last record of the next leaf to the left. A child holds
// only keys from its separator up to the next separator, so the leaf to the
// left holds nothing at or above the search key.
std::optional<RecordRef> BTree::PreviousFrom(Path& path, std::size_t position,
                                             const Page** found_in,
                                             std::size_t* rank) {
  const Page* leaf = path.back().page;
  if (leaf->level == 0 && position > 0 && position <= leaf->records.size()) {
    if (found_in != nullptr) *found_in = leaf;
    if (rank != nullptr) *rank = position - 1;
    return leaf->records.At(position - 1);
  }
  path.pop_back();
  while (!path.empty()) {
    Step& step = path.back();
    if (step.index > 0) {
      Page* before = file_.GetPage(step.page->records.At(step.index - 1).child);
      Check(before->level < step.page->level, kCheckPreviousChildLevel);
      const Page* page = EdgeLeafBelow(before, /*last=*/true);
      if (page->level == 0 && !page->records.empty()) {
        if (found_in != nullptr) *found_in = page;
        if (rank != nullptr) *rank = page->records.size() - 1;
        return page->records.At(page->records.size() - 1);
      }
      return std::nullopt;  // an empty page below the root: damaged tree
    }
    path.pop_back();
  }
  return std::nullopt;
}

const Page* BTree::HintedLeaf(LeafHint& hint) {
  if (!hint.valid || hint.stamp != file_.page_stamp()) return nullptr;
  if (hint.page != nullptr && hint.removals == file_.cache_removals()) {
    return hint.page;
  }
  const Page* leaf = file_.CachedPage(hint.leaf);
  if (leaf == nullptr || leaf->level != 0) return nullptr;
  hint.page = leaf;
  hint.removals = file_.cache_removals();
  return leaf;
}

void BTree::SetHint(LeafHint& hint, const Page* leaf, std::size_t rank) {
  hint.valid = leaf != nullptr;
  hint.page = leaf;
  if (leaf == nullptr) return;
  hint.leaf = leaf->number;
  hint.stamp = file_.page_stamp();
  hint.removals = file_.cache_removals();
  hint.rank = rank;
}

namespace {

// The position of the first record of `records` after `key`, or of the last
// one before it (`below`), found from the hint's last position when the key
// is that record's, as it is for a step after a step; else by a search.
std::size_t HintedBound(const PageRecords& records,
                        std::span<const std::uint8_t> key, std::size_t rank,
                        bool below) {
  if (rank < records.size() && CompareKeys(records.At(rank).Key(), key) == 0) {
    // Keys are unique within the tree, but a neighbour equal to the key
    // falls back to the search.
    const bool next_apart =
        below ? rank == 0 || CompareKeys(records.At(rank - 1).Key(), key) < 0
              : rank + 1 == records.size() ||
                    CompareKeys(records.At(rank + 1).Key(), key) > 0;
    if (next_apart) return below ? rank : rank + 1;
  }
  return below ? records.LowerBound(key) : records.UpperBound(key);
}

}  // namespace

// Leaves hold disjoint runs of keys in order, so when a leaf holds a record
// at or below `key` and one above it, no other leaf holds anything between.
std::optional<RecordRef> BTree::FindFirstGreaterView(
    std::span<const std::uint8_t> key, LeafHint& hint) {
  if (const Page* leaf = HintedLeaf(hint)) {
    const std::size_t position =
        HintedBound(leaf->records, key, hint.rank, /*below=*/false);
    if (position > 0 && position < leaf->records.size()) {
      hint.rank = position;
      return leaf->records.At(position);
    }
  }
  auto path = Descend(key);
  const Page* found_in = nullptr;
  std::size_t rank = 0;
  auto found = NextFrom(path, path.back().page->records.UpperBound(key),
                        &found_in, &rank);
  SetHint(hint, found_in, rank);
  return found;
}

std::optional<RecordRef> BTree::FindLastBelowView(
    std::span<const std::uint8_t> key, LeafHint& hint) {
  if (const Page* leaf = HintedLeaf(hint)) {
    const std::size_t position =
        HintedBound(leaf->records, key, hint.rank, /*below=*/true);
    if (position > 0 && position < leaf->records.size()) {
      hint.rank = position - 1;
      return leaf->records.At(position - 1);
    }
  }
  auto path = Descend(key);
  const Page* found_in = nullptr;
  std::size_t rank = 0;
  auto found = PreviousFrom(path, path.back().page->records.LowerBound(key),
                            &found_in, &rank);
  SetHint(hint, found_in, rank);
  return found;
}

void BTree::Insert(PageRecord record) {
  Check(record.bytes.size() < kRecordLengthLimit &&
            record.key_length <= record.bytes.size(),
        kCheckRecordTooLong);
  if (Page* leaf = HintedLeafAround(record.Key())) {
    AddToLeaf(leaf, std::move(record));
    return;
  }
  auto path = Descend(record.Key());
  InsertAlong(path, std::move(record));
}

// A record with the key, if any, is in the leaf the key descends to: the
// leaf to its right begins at a separator above the key.
bool BTree::InsertUnique(PageRecord record) {
  Check(record.bytes.size() < kRecordLengthLimit &&
            record.key_length <= record.bytes.size(),
        kCheckRecordTooLong);
  auto path = Descend(record.Key());
  const Page* leaf = path.back().page;
  const std::size_t position = leaf->records.LowerBound(record.Key());
  if (leaf->level == 0 && position < leaf->records.size() &&
      CompareKeys(leaf->records.At(position).Key(), record.Key()) == 0) {
    return false;
  }
  InsertAlong(path, std::move(record));
  return true;
}

void BTree::InsertAlong(Path& path, PageRecord record) {
  record.child = 0;
  // A key below a first child's separator becomes that separator, so every
  // child's records stay at or above its separator and a later split of the
  // child cannot link a sibling ahead of it.
  std::vector<Page*> lowered;
  for (std::size_t depth = 0; depth + 1 < path.size(); ++depth) {
    Page* parent = path[depth].page;
    if (path[depth].index != 0 ||
        CompareKeys(record.Key(), parent->records.At(0).Key()) >= 0) {
      continue;
    }
    const PageNumber child = parent->records.At(0).child;
    parent->used -= RecordCost(*parent, parent->records.At(0));
    parent->records.EraseAt(0);
    PageRecord separator;
    separator.bytes.assign(record.Key().begin(), record.Key().end());
    separator.key_length = record.key_length;
    separator.child = child;
    parent->used += RecordCost(*parent, separator);
    parent->records.Insert(std::move(separator));
    file_.MarkDirty(parent);
    lowered.push_back(parent);
  }
  AddToLeaf(path.back().page, std::move(record));
  for (auto it = lowered.rbegin(); it != lowered.rend(); ++it) {
    SplitIfNeeded(*it);
  }
}

// The leaf holds a record below the key whenever a descent was not needed,
// and every record of a child lies at or above its separator: no separator
// on the way down sorts after the key.
void BTree::AddToLeaf(Page* leaf, PageRecord record) {
  record.child = 0;
  leaf->used += RecordCost(*leaf, record);
  leaf->records.Insert(std::move(record));
  file_.MarkDirty(leaf);
  SplitIfNeeded(leaf);
}

bool BTree::ChangeData(
    std::span<const std::uint8_t> key,
    const std::function<bool(std::span<std::uint8_t>)>& change) {
  Check(!file_.reading_mode(), kCheckChangeInReadingMode);
  std::size_t position = 0;
  Page* leaf = HintedLeafHolding(key, &position);
  if (leaf == nullptr) {
    leaf = Descend(key).back().page;
    position = leaf->records.LowerBound(key);
    if (leaf->level != 0 || position >= leaf->records.size()) return false;
    if (CompareKeys(leaf->records.At(position).Key(), key) != 0) return false;
    HintLeaf(leaf);
  }
  const RecordRef stored = leaf->records.At(position);
  if (!change(
          leaf->records.MutableBytes(position).subspan(stored.key_length))) {
    return false;
  }
  file_.MarkDirty(leaf);
  return true;
}

bool BTree::Replace(const PageRecord& record) {
  // Equal key parts have equal lengths, so equal record lengths mean equal
  // data lengths.
  return ChangeData(record.Key(), [&](std::span<std::uint8_t> data) {
    if (record.key_length + data.size() != record.bytes.size()) return false;
    std::copy(record.bytes.begin() + record.key_length, record.bytes.end(),
              data.begin());
    return true;
  });
}

bool BTree::Remove(std::span<const std::uint8_t> key) {
  Check(!file_.reading_mode(), kCheckRemoveInReadingMode);
  auto path = Descend(key);
  Page* leaf = path.back().page;
  const std::size_t position = leaf->records.LowerBound(key);
  if (leaf->level != 0 || position >= leaf->records.size() ||
      CompareKeys(leaf->records.At(position).Key(), key) != 0) {
    return false;
  }
  leaf->used -= RecordCost(*leaf, leaf->records.At(position));
  leaf->records.EraseAt(position);
  file_.MarkDirty(leaf);

  // Up the path: give empty children back, renew separators whose child's
  // first record has moved on.
  std::vector<Page*> grown;
  std::vector<Page*> emptied;
  for (std::size_t depth = path.size() - 1; depth-- > 0;) {
    Page* parent = path[depth].page;
    const std::size_t index = path[depth].index;
    Page* child = path[depth + 1].page;
    const RecordRef separator = parent->records.At(index);
    if (child->records.empty()) {
      parent->used -= RecordCost(*parent, separator);
      parent->records.EraseAt(index);
      emptied.push_back(child);
      file_.MarkDirty(parent);
    } else if (CompareKeys(child->records.At(0).Key(), separator.Key()) > 0) {
      parent->used -= RecordCost(*parent, separator);
      parent->records.EraseAt(index);
      Link(parent, child);
      grown.push_back(parent);
    }
  }
  // An inner root that lost its last child takes records again as a leaf.
  Page* root = path.front().page;
  if (root->level > 0 && root->records.empty()) {
    root->level = 0;
    root->used = kUsedBase;
    file_.MarkDirty(root);
  }
  FreePages(std::move(emptied));
  // A longer separator may overfill its page; the deepest first, since a
  // split above changes nothing below it.
  for (Page* page : grown) SplitIfNeeded(page);
  return true;
}

// Freeing a slot moves its zone's last page into it, and a moved page is
// found again by its first key, so no empty page may be moved: a page that is
// its zone's last goes first.
void BTree::FreePages(std::vector<Page*> pages) {
  hint_.valid = false;
  while (!pages.empty()) {
    const ZoneTable& zones = file_.header().zones;
    auto pick = std::find_if(pages.begin(), pages.end(), [&](Page* page) {
      return page->units == 0 ||
             page->number + page->units == zones.end[page->units];
    });
    if (pick == pages.end()) pick = pages.begin();
    Page* page = *pick;
    pages.erase(pick);
    file_.FreePage(page);
  }
}

void BTree::Link(Page* parent, const Page* child) {
  PageRecord separator = SeparatorFor(*child);
  parent->used += RecordCost(*parent, separator);
  parent->records.Insert(std::move(separator));
  file_.MarkDirty(parent);
}

// The inner page that holds the separator of `page`, found by descending
// from the root with the page's first key.
Page* BTree::ParentOf(Page* page) {
  const auto key = page->records.At(0).Key();
  Page* parent = file_.RootPage();
  while (parent->level > page->level + 1) {
    parent = file_.GetPage(parent->records.At(ChildIndex(*parent, key)).child);
  }
  return parent;
}

void BTree::SplitRoot(Page* root) {
  Page* child = file_.NewPage(root->level);
  child->records = std::move(root->records);
  root->records = PageRecords();
  child->used = root->used;
  child->level = root->level;
  root->level = static_cast<std::uint8_t>(root->level + 1);
  root->used = kUsedBase;
  file_.MarkDirty(child);
  Link(root, child);
  SplitIfNeeded(child);
}

void BTree::SplitIfNeeded(Page* page) {
  if (!NeedsSplit(*page)) return;
  Check(page->records.size() > 1, kCheckSplitTooFew);
  if (page == file_.RootPage()) {
    SplitRoot(page);
    return;
  }
  // The record given up is the one at 0-based position count / 2 in key
  // order, whether the page was just read or built up in memory.
  const std::size_t count = page->records.size();
  const std::size_t median = count / 2;
  const std::size_t left_count = median;
  const std::size_t right_count = count - median - 1;
  // The median joins the half with fewer records, the right one on a tie.
  const std::size_t cut = left_count < right_count ? median + 1 : median;

  Page* sibling = file_.NewPage(page->level);
  sibling->records = page->records.SplitOff(cut);
  page->used = UsedMeasure(page->level, page->records);
  sibling->used = UsedMeasure(sibling->level, sibling->records);
  file_.MarkDirty(page);
  file_.MarkDirty(sibling);

  Page* parent = ParentOf(page);
  Link(parent, sibling);
  SplitIfNeeded(parent);
  SplitIfNeeded(page);
  SplitIfNeeded(sibling);
}

}  // namespace vantrel
