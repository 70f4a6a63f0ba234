// Ordering of field values, as queues and keys sort them.
#ifndef VANTREL_RUNTIME_DATA_TYPES_FIELD_COMPARE_H_
#define VANTREL_RUNTIME_DATA_TYPES_FIELD_COMPARE_H_

#include <cstdint>

#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

// Compares the values of `field` held at `a` and at `b` (each pointing at the
// field's first byte, Extent() bytes readable): < 0, 0 or > 0.
//   numbers of every type, DATE and TIME  by value (NaN after all numbers)
//   STRING, CSTRING, PSTRING              their texts, blank-padded, by the
//                                         collating weights
//   GROUP and other types                 their bytes, unsigned
// A dimensioned field compares element by element.
int CompareFieldValues(const FieldInfo& field, const std::uint8_t* a,
                       const std::uint8_t* b);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TYPES_FIELD_COMPARE_H_
