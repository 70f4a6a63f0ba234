// Run-length compression of page bodies.
//
// A compressed body is a sequence of groups
//   literal count   varint
//   literal bytes   `literal count` bytes
//   repeat count    varint: copies of the last byte written
// ended by a final literal count and its bytes (the encoder always writes it,
// even when it is 0). A varint holds 7 bits per byte, least significant group
// first, with bit 7 set on every byte that has a further byte after it.
//
// The encoder writes each run of 4 or more equal bytes as a literal part
// that ends with the run's first byte, then a repeat count of the run's
// length - 1; shorter runs stay literal. A body without such a run is not
// compressed at all. The decoder stops as soon as it has produced the
// expanded length, so a trailing final count of 0 is accepted, and so is its
// absence.
//
// Example: 300 bytes of 0x41 -> 01 41 AB 02 00.
#ifndef VANTREL_STORAGE_TNL_FORMAT_COMPRESSION_H_
#define VANTREL_STORAGE_TNL_FORMAT_COMPRESSION_H_

#include <cstddef>
#include <span>
#include <vector>

#include "storage/tnl/format/internal_check.h"

namespace vantrel {

// Shortest run the encoder writes as a repeat.
inline constexpr std::size_t kMinRun = 4;

// The compressed form of `body`, or an empty vector when `body` holds no run
// of kMinRun or more equal bytes (the body is then stored as it is).
std::vector<unsigned char> CompressBody(std::span<const unsigned char> body);
// Appends the compressed form of `body` to `out` and returns true; false
// when `body` holds no such run (what was appended is then of no use).
bool AppendCompressedBody(std::span<const unsigned char> body,
                          std::vector<unsigned char>& out);

// Expands `compressed` into all of `out` (the expanded length). A literal
// count larger than what remains of the output, or missing from the input,
// fails kCheckLiteralCount (522); literal bytes missing from the input
// kCheckLiteralBytes; a repeat count likewise kCheckRepeatCount (530); a
// repeat with no byte before it kCheckRepeatOfNothing.
void ExpandBody(std::span<const unsigned char> compressed,
                std::span<unsigned char> out);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_COMPRESSION_H_
