// Keeps track of the groups that enclose a field while the fields of a
// record are visited in order (FieldInfo::depth tells the nesting).
#ifndef VANTREL_RUNTIME_DATA_TYPES_GROUP_NESTING_INTERNAL_H_
#define VANTREL_RUNTIME_DATA_TYPES_GROUP_NESTING_INTERNAL_H_

#include <cstdint>
#include <utility>
#include <vector>

#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

// Frame: what the caller keeps per open group.
template <typename Frame>
class GroupNesting {
 public:
  // Closes the groups that `field` lies outside of, innermost first, calling
  // on_close(frame) for each.
  template <typename OnClose>
  void Reach(const FieldInfo& field, OnClose on_close) {
    while (!open_.empty() && open_.back().first >= field.depth) {
      on_close(open_.back().second);
      open_.pop_back();
    }
  }

  template <typename OnClose>
  void CloseAll(OnClose on_close) {
    while (!open_.empty()) {
      on_close(open_.back().second);
      open_.pop_back();
    }
  }

  void Open(const FieldInfo& group, Frame frame) {
    open_.emplace_back(group.depth, std::move(frame));
  }

  // The innermost open group's frame; nullptr at the record level.
  Frame* Innermost() { return open_.empty() ? nullptr : &open_.back().second; }

 private:
  std::vector<std::pair<std::uint32_t, Frame>> open_;  // depth, frame
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TYPES_GROUP_NESTING_INTERNAL_H_
