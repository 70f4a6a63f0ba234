#include "runtime/data/queue/queue_entry.h"

#include <cassert>
#include <cstdlib>
#include <cstring>

namespace vantrel {
namespace {

// Repeats shorter than this stay inside literal runs: a repeat run costs
// two bytes and usually a new literal control byte after it.
constexpr std::size_t kMinRepeat = 3;
constexpr std::size_t kMaxShortRun = kRunCountMask;  // 63
constexpr std::uint8_t kRunTwoByteLength = 49;

// Appends bytes to a bounded output; remembers when it overflowed.
class RunWriter {
 public:
  explicit RunWriter(std::span<std::uint8_t> out) : out_(out) {}

  void Control(std::uint8_t kind, std::size_t length) {
    if (length <= kMaxShortRun) {
      Put(static_cast<std::uint8_t>(kind | length));
    } else if (length < kRunHighByteLimit) {
      Put(static_cast<std::uint8_t>(kind | kRunLongLengthBit | (length >> 8)));
      Put(static_cast<std::uint8_t>(length & 0xFF));
    } else if (length <= 0xFFFF) {
      Put(kind | kRunLongLengthBit | kRunTwoByteLength);
      PutLittleEndian(length, 2);
    } else {
      Put(kind | kRunLongLengthBit | kRunFourByteLength);
      PutLittleEndian(length, 4);
    }
  }

  void Put(std::uint8_t byte) {
    if (used_ < out_.size()) {
      out_[used_] = byte;
    } else {
      overflow_ = true;
    }
    ++used_;
  }

  void PutBytes(const std::uint8_t* bytes, std::size_t count) {
    if (out_.size() - std::min(used_, out_.size()) >= count) {
      std::memcpy(out_.data() + used_, bytes, count);
    } else {
      overflow_ = true;
    }
    used_ += count;
  }

  std::optional<std::size_t> Result() const {
    if (overflow_) return std::nullopt;
    return used_;
  }

 private:
  void PutLittleEndian(std::size_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      Put(static_cast<std::uint8_t>(value >> (8 * i)));
    }
  }

  std::span<std::uint8_t> out_;
  std::size_t used_ = 0;
  bool overflow_ = false;
};

std::size_t RepeatLength(std::span<const std::uint8_t> record, std::size_t at) {
  std::size_t end = at + 1;
  while (end < record.size() && record[end] == record[at]) ++end;
  return end - at;
}

// Reads runs one at a time from untrusted input.
class RunReader {
 public:
  explicit RunReader(std::span<const std::uint8_t> in) : in_(in) {}

  bool AtEnd() const { return pos_ == in_.size(); }

  // Reads the next control byte and its length; false at truncated input.
  bool Next(bool& literal, std::size_t& length) {
    std::uint8_t control;
    if (!Byte(control)) return false;
    literal = (control & kRunLiteralBit) != 0;
    std::size_t n = control & kRunCountMask;
    if ((control & kRunLongLengthBit) == 0) {
      length = n;
      return true;
    }
    if (n < kRunFourByteLength) {
      std::uint8_t low;
      if (!Byte(low)) return false;
      length = n * 256 + low;
      return true;
    }
    return LittleEndian(n == kRunFourByteLength ? 4 : 2, length);
  }

  bool Byte(std::uint8_t& byte) {
    if (pos_ >= in_.size()) return false;
    byte = in_[pos_++];
    return true;
  }

  // The next `count` bytes, or null when the input is shorter.
  const std::uint8_t* Bytes(std::size_t count) {
    if (in_.size() - pos_ < count) return nullptr;
    const std::uint8_t* bytes = in_.data() + pos_;
    pos_ += count;
    return bytes;
  }

 private:
  bool LittleEndian(int bytes, std::size_t& value) {
    value = 0;
    for (int i = 0; i < bytes; ++i) {
      std::uint8_t byte;
      if (!Byte(byte)) return false;
      value |= std::size_t{byte} << (8 * i);
    }
    return true;
  }

  std::span<const std::uint8_t> in_;
  std::size_t pos_ = 0;
};

// Expands runs into `out`. With `stop_when_full`, a run that reaches past the
// end of `out` fills it and ends the expansion instead of failing.
std::optional<std::size_t> Expand(std::span<const std::uint8_t> runs,
                                  std::span<std::uint8_t> out,
                                  bool stop_when_full) {
  RunReader reader(runs);
  std::size_t written = 0;
  while (!reader.AtEnd()) {
    if (stop_when_full && written == out.size()) break;
    bool literal;
    std::size_t length;
    if (!reader.Next(literal, length)) return std::nullopt;
    std::size_t room = out.size() - written;
    if (length > room && !stop_when_full) return std::nullopt;
    std::size_t kept = std::min(length, room);
    if (literal) {
      const std::uint8_t* bytes = reader.Bytes(length);
      if (bytes == nullptr) return std::nullopt;
      std::memcpy(out.data() + written, bytes, kept);
    } else {
      std::uint8_t byte;
      if (!reader.Byte(byte)) return std::nullopt;
      std::memset(out.data() + written, byte, kept);
    }
    written += kept;
  }
  return written;
}

}  // namespace

std::optional<std::size_t> EncodeRuns(std::span<const std::uint8_t> record,
                                      std::span<std::uint8_t> out) {
  RunWriter writer(out);
  std::size_t pos = 0;
  std::size_t literal_start = 0;
  auto flush_literal = [&](std::size_t end) {
    if (end == literal_start) return;
    writer.Control(kRunLiteralBit, end - literal_start);
    writer.PutBytes(record.data() + literal_start, end - literal_start);
  };
  while (pos < record.size()) {
    std::size_t repeat = RepeatLength(record, pos);
    if (repeat >= kMinRepeat) {
      flush_literal(pos);
      writer.Control(0, repeat);
      writer.Put(record[pos]);
      pos += repeat;
      literal_start = pos;
    } else {
      pos += repeat;
    }
    if (writer.Result() == std::nullopt) return std::nullopt;
  }
  flush_literal(pos);
  return writer.Result();
}

std::optional<std::size_t> DecodeRuns(std::span<const std::uint8_t> runs,
                                      std::span<std::uint8_t> out) {
  return Expand(runs, out, /*stop_when_full=*/false);
}

bool DecodeRunsPrefix(std::span<const std::uint8_t> runs,
                      std::span<std::uint8_t> out) {
  std::optional<std::size_t> written = Expand(runs, out, true);
  return written && *written == out.size();
}

QueueEntry* MakeQueueEntry(std::span<const std::uint8_t> record, bool compress,
                           std::span<std::uint8_t> scratch) {
  std::optional<std::size_t> packed;
  if (compress && record.size() > kMinCompressionGain) {
    assert(scratch.size() >= record.size());
    packed =
        EncodeRuns(record, scratch.first(record.size() - kMinCompressionGain));
  }
  std::size_t bytes = packed ? *packed : record.size();
  auto* entry =
      static_cast<QueueEntry*>(std::malloc(sizeof(QueueEntry) + bytes));
  if (entry == nullptr) return nullptr;
  entry->compressed_length_ = packed ? static_cast<std::uint32_t>(*packed) : 0;
  std::memcpy(entry->data(), packed ? scratch.data() : record.data(), bytes);
  return entry;
}

void FreeQueueEntry(QueueEntry* entry) { std::free(entry); }

std::size_t QueueEntryBytes(const QueueEntry& entry,
                            std::size_t record_length) {
  return sizeof(QueueEntry) +
         (entry.compressed() ? entry.compressed_length() : record_length);
}

const std::uint8_t* QueueEntryRecord(const QueueEntry& entry,
                                     std::size_t prefix,
                                     std::uint8_t* scratch) {
  if (!entry.compressed()) return entry.data();
  [[maybe_unused]] bool whole = DecodeRunsPrefix(
      {entry.data(), entry.compressed_length()}, {scratch, prefix});
  assert(whole);  // entries are written only by MakeQueueEntry
  return scratch;
}

}  // namespace vantrel
