// The comparison of two values of one field, as queue keys use it.
#ifndef VANTREL_RUNTIME_DATA_QUEUE_FIELD_COMPARE_H_
#define VANTREL_RUNTIME_DATA_QUEUE_FIELD_COMPARE_H_

#include <cstdint>

#include "runtime/data/type_descriptor.h"

namespace vantrel {

// <0, 0 or >0 for the values of `field` at `a` and `b`.
int CompareQueueField(const FieldInfo& field, const std::uint8_t* a,
                      const std::uint8_t* b);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_QUEUE_FIELD_COMPARE_H_
