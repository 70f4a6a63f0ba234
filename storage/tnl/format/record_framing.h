// The framing of records inside a page body. Records follow each other in
// ascending key order, each one as:
//
//   flags       u8   0x80: a length follows; 0x40: a key length follows;
//                    bits 0..5: leading bytes shared with the record before
//   length      u16  (flag 0x80) total record length; else the previous one's
//   key length  u16  (flag 0x40) key length; else the previous one's
//   bytes       length - shared bytes: the record from the shared prefix on
//
// The writer sets 0x80 and 0x40 on a page's first record and afterwards only
// where the value differs from the previous record's. The shared count is the
// common prefix of the two records, at most 63 and at most the shorter length.
#ifndef VANTREL_STORAGE_TNL_FORMAT_RECORD_FRAMING_H_
#define VANTREL_STORAGE_TNL_FORMAT_RECORD_FRAMING_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "runtime/data/base/value_or_code.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/format/page_records.h"

namespace vantrel {

inline constexpr std::uint8_t kFrameHasLength = 0x80;
inline constexpr std::uint8_t kFrameHasKeyLength = 0x40;
inline constexpr std::uint8_t kFrameSharedMask = 0x3F;
inline constexpr std::size_t kMaxSharedPrefix = 63;
// The most a framed record adds to its own bytes: flags and two u16 lengths.
inline constexpr std::size_t kMaxFrameOverhead = 5;

// Appends the framed records (in key order) to `body`.
void EncodeRecords(const PageRecords& records, std::vector<std::uint8_t>& body);

// Decodes `count` records from the start of `body`, appending them to `out`.
// Returns the number of bytes consumed, or fails with kCheckRecordFraming
// when the framing runs past the body or describes an impossible record
// (shared prefix longer than either record, key length above the record
// length, an empty record or key part).
ValueOrCode<std::size_t> DecodeRecords(std::span<const std::uint8_t> body,
                                       std::size_t count, PageRecords& out);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_RECORD_FRAMING_H_
