// Clearing a record through its descriptor.
#ifndef VANTREL_RUNTIME_DATA_TYPES_RECORD_CLEAR_H_
#define VANTREL_RUNTIME_DATA_TYPES_RECORD_CLEAR_H_

#include <cstdint>
#include <span>

#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

// Clears every field of the record, every element of every array and every
// element of every dimensioned group: STRING and MEMO become blanks, CSTRING
// and PSTRING empty (zero bytes), DECIMAL and PDECIMAL positive zero, every
// other type zero bytes. A group's bytes are zeroed before its members are
// cleared. Elements that do not fit in `record` are left alone. False, with
// error 75 posted and the record untouched, on a malformed descriptor.
// This one clearing serves the runtime's CLEAR and every record that starts
// out empty (a new card file's header among them), so a cleared record has
// the same bytes wherever it comes from.
bool ClearRecord(const TypeDescriptor& descriptor,
                 std::span<std::uint8_t> record);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TYPES_RECORD_CLEAR_H_
