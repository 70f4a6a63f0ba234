// The entries a list shows: the chosen field of each record of its queue.
#ifndef VANTREL_RUNTIME_WINDOW_LIST_SOURCE_H_
#define VANTREL_RUNTIME_WINDOW_LIST_SOURCE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/window/window_model.h"

namespace vantrel {

// The number of entries of the control's list; 0 without a queue. Reading
// it leaves the program's error state alone.
std::uint32_t ListCount(const ControlState& control);

// The texts of the entries, formatted by the control's picture when it has
// one. The queue's record buffer, current entry and error state are kept.
std::vector<std::string> ListEntries(const ControlState& control);

// One entry (1-based) as ListEntries gives it, read on its own so that a
// backend can show a long list a screenful at a time. Empty for an entry
// that does not exist. The queue's buffer, current entry and error state
// are kept.
std::string ListEntry(const ControlState& control, std::uint32_t entry);

// The values of `count` fields of one entry (1-based), starting at the
// list's field, in the value form (runtime/window/variable.h), for lists
// that show several columns. Fields beyond the record give empty texts; an
// entry that does not exist gives none. The queue is kept as above.
std::vector<std::string> ListEntryFields(const ControlState& control,
                                         std::uint32_t entry, int count);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_LIST_SOURCE_H_
