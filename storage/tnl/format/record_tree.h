// The records of one page in memory: a size-balanced binary search tree in
// key order. Every node knows how many nodes its subtree holds, so records can
// be reached by their position (rank) as well as by key.
//
// Order: two records compare by their key parts (the first key_length bytes)
// as unsigned bytes over the shorter key length; when that much is equal the
// shorter key sorts first.
#ifndef VANTREL_STORAGE_TNL_FORMAT_RECORD_TREE_H_
#define VANTREL_STORAGE_TNL_FORMAT_RECORD_TREE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace vantrel {

// In memory a page number may be negative: a page that has not been given a
// slot yet carries a temporary number.
using PageNumber = std::int64_t;

// One record of a page.
struct PageRecord {
  std::vector<std::uint8_t> bytes;  // the whole record: key part, then data
  std::uint16_t key_length = 0;     // leading bytes that take part in order
  PageNumber child = 0;             // inner pages: the child this record names

  std::span<const std::uint8_t> Key() const {
    return {bytes.data(), key_length};
  }
  bool operator==(const PageRecord&) const = default;
};

// <0, 0 or >0 as key a sorts before, with or after key b.
int CompareKeys(std::span<const std::uint8_t> a,
                std::span<const std::uint8_t> b);

class RecordTree {
 public:
  RecordTree();
  ~RecordTree();
  RecordTree(RecordTree&&) noexcept;
  RecordTree& operator=(RecordTree&&) noexcept;

  // A tree of the given records, which must be in key order. The record at
  // position count / 2 becomes the root, and each subtree is built the same
  // way, so the tree is balanced and its root is the page's median.
  static RecordTree BuildBalanced(std::vector<PageRecord> records);
  // The same, moving the records out of `records` (left moved-from).
  static RecordTree BuildBalanced(std::span<PageRecord> records);

  std::size_t size() const;
  bool empty() const { return size() == 0; }

  // The record at the root (the median of a freshly built tree); the tree
  // must not be empty.
  const PageRecord& Root() const;

  // The record at 0-based position `rank` in key order (rank < size()).
  const PageRecord& At(std::size_t rank) const;
  PageRecord& At(std::size_t rank);

  // The position of the first record whose key is not below `key`
  // (size() when every key is below it).
  std::size_t LowerBound(std::span<const std::uint8_t> key) const;
  // The position of the first record whose key sorts after `key`.
  std::size_t UpperBound(std::span<const std::uint8_t> key) const;

  // Adds a record at its place in key order (after records with an equal
  // key) and returns its position.
  std::size_t Insert(PageRecord record);

  // Takes out the record at position `rank` and returns it.
  PageRecord EraseAt(std::size_t rank);

  // Visits the records in key order.
  void ForEach(const std::function<void(const PageRecord&)>& visit) const;
  void ForEachMutable(const std::function<void(PageRecord&)>& visit);

  // Empties the tree and returns its records in key order.
  std::vector<PageRecord> TakeAll();

  struct Node;  // defined where the tree is implemented

 private:
  std::unique_ptr<Node> root_;
};

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_RECORD_TREE_H_
