#include "storage/tnl/format/record_tree.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <utility>

namespace vantrel {

int CompareKeys(std::span<const std::uint8_t> a,
                std::span<const std::uint8_t> b) {
  const std::size_t common = std::min(a.size(), b.size());
  // memcmp compares as unsigned bytes, as the order wants.
  if (common != 0) {
    const int order = std::memcmp(a.data(), b.data(), common);
    if (order != 0) return order < 0 ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

struct RecordTree::Node {
  explicit Node(PageRecord r) : record(std::move(r)) {}
  PageRecord record;
  std::unique_ptr<Node> left;
  std::unique_ptr<Node> right;
  std::size_t size = 1;  // nodes in this subtree, itself included
};

namespace {

using NodePtr = std::unique_ptr<RecordTree::Node>;

std::size_t SizeOf(const NodePtr& n) { return n ? n->size : 0; }

void Resize(NodePtr& n) { n->size = SizeOf(n->left) + SizeOf(n->right) + 1; }

void RotateLeft(NodePtr& t) {
  NodePtr r = std::move(t->right);
  t->right = std::move(r->left);
  Resize(t);
  r->left = std::move(t);
  Resize(r);
  t = std::move(r);
}

void RotateRight(NodePtr& t) {
  NodePtr l = std::move(t->left);
  t->left = std::move(l->right);
  Resize(t);
  l->right = std::move(t);
  Resize(l);
  t = std::move(l);
}

// Restores the size balance after an insert into the left (right_grew false)
// or right subtree of t.
void Maintain(NodePtr& t, bool right_grew) {
  if (!t) return;
  if (!right_grew) {
    if (!t->left) return;
    if (SizeOf(t->left->left) > SizeOf(t->right)) {
      RotateRight(t);
    } else if (SizeOf(t->left->right) > SizeOf(t->right)) {
      RotateLeft(t->left);
      RotateRight(t);
    } else {
      return;
    }
  } else {
    if (!t->right) return;
    if (SizeOf(t->right->right) > SizeOf(t->left)) {
      RotateLeft(t);
    } else if (SizeOf(t->right->left) > SizeOf(t->left)) {
      RotateRight(t->right);
      RotateLeft(t);
    } else {
      return;
    }
  }
  Maintain(t->left, false);
  Maintain(t->right, true);
  Maintain(t, false);
  Maintain(t, true);
}

std::size_t InsertInto(NodePtr& t, PageRecord& record) {
  if (!t) {
    t = std::make_unique<RecordTree::Node>(std::move(record));
    return 0;
  }
  ++t->size;
  std::size_t rank;
  bool right;
  if (CompareKeys(record.Key(), t->record.Key()) < 0) {
    rank = InsertInto(t->left, record);
    right = false;
  } else {
    rank = SizeOf(t->left) + 1 + InsertInto(t->right, record);
    right = true;
  }
  Maintain(t, right);
  return rank;
}

NodePtr TakeMax(NodePtr& t) {
  if (t->right) {
    --t->size;
    return TakeMax(t->right);
  }
  NodePtr max = std::move(t);
  t = std::move(max->left);
  return max;
}

PageRecord EraseFrom(NodePtr& t, std::size_t rank) {
  const std::size_t left = SizeOf(t->left);
  if (rank != left) {
    --t->size;
    return rank < left ? EraseFrom(t->left, rank)
                       : EraseFrom(t->right, rank - left - 1);
  }
  PageRecord taken = std::move(t->record);
  if (!t->left) {
    t = std::move(t->right);
  } else if (!t->right) {
    t = std::move(t->left);
  } else {
    NodePtr predecessor = TakeMax(t->left);
    t->record = std::move(predecessor->record);
    Resize(t);
  }
  return taken;
}

NodePtr Build(std::span<PageRecord> records, std::size_t begin,
              std::size_t end) {
  if (begin == end) return nullptr;
  const std::size_t middle = begin + (end - begin) / 2;
  auto node = std::make_unique<RecordTree::Node>(std::move(records[middle]));
  node->left = Build(records, begin, middle);
  node->right = Build(records, middle + 1, end);
  Resize(node);
  return node;
}

template <typename NodeT, typename Visit>
void Walk(NodeT* n, const Visit& visit) {
  if (!n) return;
  Walk(n->left.get(), visit);
  visit(n->record);
  Walk(n->right.get(), visit);
}

}  // namespace

RecordTree::RecordTree() = default;
RecordTree::~RecordTree() = default;
RecordTree::RecordTree(RecordTree&&) noexcept = default;
RecordTree& RecordTree::operator=(RecordTree&&) noexcept = default;

RecordTree RecordTree::BuildBalanced(std::vector<PageRecord> records) {
  return BuildBalanced(std::span<PageRecord>(records));
}

RecordTree RecordTree::BuildBalanced(std::span<PageRecord> records) {
  RecordTree tree;
  tree.root_ = Build(records, 0, records.size());
  return tree;
}

std::size_t RecordTree::size() const { return SizeOf(root_); }

const PageRecord& RecordTree::Root() const {
  assert(root_);
  return root_->record;
}

const PageRecord& RecordTree::At(std::size_t rank) const {
  assert(rank < size());
  const Node* n = root_.get();
  for (;;) {
    const std::size_t left = SizeOf(n->left);
    if (rank == left) return n->record;
    if (rank < left) {
      n = n->left.get();
    } else {
      rank -= left + 1;
      n = n->right.get();
    }
  }
}

PageRecord& RecordTree::At(std::size_t rank) {
  return const_cast<PageRecord&>(std::as_const(*this).At(rank));
}

std::size_t RecordTree::LowerBound(std::span<const std::uint8_t> key) const {
  std::size_t rank = 0;
  for (const Node* n = root_.get(); n;) {
    if (CompareKeys(n->record.Key(), key) < 0) {
      rank += SizeOf(n->left) + 1;
      n = n->right.get();
    } else {
      n = n->left.get();
    }
  }
  return rank;
}

std::size_t RecordTree::UpperBound(std::span<const std::uint8_t> key) const {
  std::size_t rank = 0;
  for (const Node* n = root_.get(); n;) {
    if (CompareKeys(n->record.Key(), key) <= 0) {
      rank += SizeOf(n->left) + 1;
      n = n->right.get();
    } else {
      n = n->left.get();
    }
  }
  return rank;
}

std::size_t RecordTree::Insert(PageRecord record) {
  return InsertInto(root_, record);
}

PageRecord RecordTree::EraseAt(std::size_t rank) {
  assert(rank < size());
  return EraseFrom(root_, rank);
}

void RecordTree::ForEach(
    const std::function<void(const PageRecord&)>& visit) const {
  Walk(static_cast<const Node*>(root_.get()), visit);
}

void RecordTree::ForEachMutable(const std::function<void(PageRecord&)>& visit) {
  Walk(root_.get(), visit);
}

std::vector<PageRecord> RecordTree::TakeAll() {
  std::vector<PageRecord> records;
  records.reserve(size());
  ForEachMutable([&](PageRecord& r) { records.push_back(std::move(r)); });
  root_.reset();
  return records;
}

}  // namespace vantrel
