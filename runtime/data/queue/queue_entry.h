// QueueEntry: one stored queue record, plain or run-length compressed.
//
// An entry is one heap block:
//   compressed_length  u32  0: the data is the record as it is;
//                           else the byte count of the compressed data
//   data               the record (record length bytes) or its runs
//
// Runs (the compressed data) follow each other; each starts with a control
// byte c:
//   bits 0-5  n
//   bit 6     clear: the run length is n (0..63)
//             set:   n < 48  the length is n * 256 + the next byte
//                    n == 48 the length is the next four bytes (little-endian)
//                    n > 48  the length is the next two bytes (little-endian)
//   bit 7     set: a literal run, the next `length` bytes are copied;
//             clear: a repeat run, the next byte is written `length` times
// Decoding fails when a run would overflow the record or the input ends
// inside a run. Entries are compressed only when that saves at least
// kMinCompressionGain bytes.
#ifndef VANTREL_RUNTIME_DATA_QUEUE_QUEUE_ENTRY_H_
#define VANTREL_RUNTIME_DATA_QUEUE_QUEUE_ENTRY_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vantrel {

inline constexpr std::uint8_t kRunLiteralBit = 0x80;
inline constexpr std::uint8_t kRunLongLengthBit = 0x40;
inline constexpr std::uint8_t kRunCountMask = 0x3F;
inline constexpr std::uint8_t kRunFourByteLength = 48;
inline constexpr std::size_t kRunHighByteLimit = 48 * 256;  // n * 256 + byte
inline constexpr std::size_t kMinCompressionGain = 16;

// Compresses `record` into `out`. Returns the compressed size, or nothing
// when the result would need more than `out.size()` bytes.
std::optional<std::size_t> EncodeRuns(std::span<const std::uint8_t> record,
                                      std::span<std::uint8_t> out);

// Expands `runs` into `out`. Returns the bytes written; nothing when a run
// would overflow `out` or the input ends inside a run.
std::optional<std::size_t> DecodeRuns(std::span<const std::uint8_t> runs,
                                      std::span<std::uint8_t> out);

// Expands only the first `out.size()` bytes of the record: stops once they
// are written. False when the input ends inside a run or before `out` is
// full.
bool DecodeRunsPrefix(std::span<const std::uint8_t> runs,
                      std::span<std::uint8_t> out);

// One stored record. Created and freed only through the functions below.
class QueueEntry {
 public:
  QueueEntry() = delete;

  std::uint32_t compressed_length() const { return compressed_length_; }
  bool compressed() const { return compressed_length_ != 0; }
  const std::uint8_t* data() const {
    return reinterpret_cast<const std::uint8_t*>(this) + sizeof(QueueEntry);
  }
  std::uint8_t* data() {
    return reinterpret_cast<std::uint8_t*>(this) + sizeof(QueueEntry);
  }

 private:
  friend QueueEntry* MakeQueueEntry(std::span<const std::uint8_t>, bool,
                                    std::span<std::uint8_t>);
  std::uint32_t compressed_length_;
};
static_assert(sizeof(QueueEntry) == 4);

// Stores `record`, compressed when `compress` is set and compression saves
// at least kMinCompressionGain bytes. `scratch` must hold the record length.
// Returns null when the block cannot be allocated.
QueueEntry* MakeQueueEntry(std::span<const std::uint8_t> record, bool compress,
                           std::span<std::uint8_t> scratch);
void FreeQueueEntry(QueueEntry* entry);

// The heap bytes an entry of this record length occupies (before the
// allocator's own overhead).
std::size_t QueueEntryBytes(const QueueEntry& entry, std::size_t record_length);

// The first `prefix` bytes of the entry's record: in place for a plain
// entry, else expanded into `scratch` (which must hold `prefix` bytes).
const std::uint8_t* QueueEntryRecord(const QueueEntry& entry,
                                     std::size_t prefix, std::uint8_t* scratch);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_QUEUE_QUEUE_ENTRY_H_
