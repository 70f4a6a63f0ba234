// The entries a list shows: the chosen field of each record of its queue.
#ifndef VANTREL_RUNTIME_WINDOW_LIST_SOURCE_H_
#define VANTREL_RUNTIME_WINDOW_LIST_SOURCE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/window/window_model.h"

namespace vantrel {

// The number of entries of the control's list; 0 without a queue.
std::uint32_t ListCount(const ControlState& control);

// The texts of the entries, formatted by the control's picture when it has
// one. The queue's record buffer, current entry and error state are kept.
std::vector<std::string> ListEntries(const ControlState& control);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_LIST_SOURCE_H_
