// String-tail normalisation of queue records: the unused bytes of every
// CSTRING (after its terminating zero) become zeros and those of every
// PSTRING (after its last character) copies of that character, in groups
// and arrays too, so that they compress to one run each.
#ifndef VANTREL_RUNTIME_DATA_QUEUE_QUEUE_TAILS_H_
#define VANTREL_RUNTIME_DATA_QUEUE_QUEUE_TAILS_H_

#include <cstdint>
#include <span>

#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

// Normalises `record` (of map.record_length() bytes or more) in place.
void NormaliseStringTails(const RecordMap& map, std::span<std::uint8_t> record);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_QUEUE_QUEUE_TAILS_H_
