#include "storage/tnl/format/compression.h"

#include <cstdint>
#include <cstring>

#include "storage/tnl/format/internal_check.h"

namespace vantrel {
namespace {

constexpr unsigned kVarintBits = 7;
constexpr unsigned char kVarintMore = 0x80;
constexpr unsigned char kVarintGroup = 0x7F;
// A count never exceeds a page; more varint bytes than this mean damage.
constexpr unsigned kMaxVarintBytes = 5;

void PutCount(std::vector<unsigned char>& out, std::size_t count) {
  while (count > kVarintGroup) {
    out.push_back(
        static_cast<unsigned char>((count & kVarintGroup) | kVarintMore));
    count >>= kVarintBits;
  }
  out.push_back(static_cast<unsigned char>(count));
}

void PutLiteral(std::vector<unsigned char>& out,
                std::span<const unsigned char> literal) {
  PutCount(out, literal.size());
  out.insert(out.end(), literal.begin(), literal.end());
}

// Reads compressed input; a count or literal that runs off the end, or a
// count larger than `limit`, fails `check`.
class Reader {
 public:
  explicit Reader(std::span<const unsigned char> in) : in_(in) {}

  std::size_t Count(std::size_t limit, int check) {
    std::uint64_t value = 0;
    for (unsigned n = 0;; ++n) {
      Check(n < kMaxVarintBytes && at_ < in_.size(), check);
      const unsigned char byte = in_[at_++];
      value |= static_cast<std::uint64_t>(byte & kVarintGroup)
               << (kVarintBits * n);
      if ((byte & kVarintMore) == 0) break;
    }
    Check(value <= limit, check);
    return static_cast<std::size_t>(value);
  }

  std::span<const unsigned char> Bytes(std::size_t count, int check) {
    Check(count <= in_.size() - at_, check);
    at_ += count;
    return in_.subspan(at_ - count, count);
  }

 private:
  std::span<const unsigned char> in_;
  std::size_t at_ = 0;
};

// The end of the run of body[at] that starts at `at`. Records are mostly
// blanks, so runs are long: they are measured eight bytes at a time.
std::size_t RunEnd(std::span<const unsigned char> body, std::size_t at) {
  constexpr std::uint64_t kEveryByte = 0x0101010101010101;
  const std::uint64_t pattern = kEveryByte * body[at];
  std::size_t end = at + 1;
  while (body.size() - end >= sizeof pattern) {
    std::uint64_t word;
    std::memcpy(&word, body.data() + end, sizeof word);
    if (word != pattern) break;
    end += sizeof word;
  }
  while (end < body.size() && body[end] == body[at]) ++end;
  return end;
}

// The first position from `at` on whose byte equals the next one (the start
// of a run longer than one byte), or body.size(). Eight neighbouring pairs
// are compared at once: the xor of a word and the word one byte further
// has a zero byte exactly where a pair is equal.
std::size_t NextPair(std::span<const unsigned char> body, std::size_t at) {
  constexpr std::uint64_t kLow = 0x0101010101010101;
  constexpr std::uint64_t kHigh = 0x8080808080808080;
  while (body.size() - at >= 9) {
    std::uint64_t word;
    std::uint64_t next;
    std::memcpy(&word, body.data() + at, sizeof word);
    std::memcpy(&next, body.data() + at + 1, sizeof next);
    const std::uint64_t pairs = word ^ next;
    if (((pairs - kLow) & ~pairs & kHigh) != 0) break;
    at += 8;
  }
  while (at + 1 < body.size() && body[at] != body[at + 1]) ++at;
  return at + 1 < body.size() ? at : body.size();
}

}  // namespace

std::vector<unsigned char> CompressBody(std::span<const unsigned char> body) {
  std::vector<unsigned char> out;
  if (!AppendCompressedBody(body, out)) out.clear();
  return out;
}

bool AppendCompressedBody(std::span<const unsigned char> body,
                          std::vector<unsigned char>& out) {
  std::size_t literal_start = 0;
  std::size_t at = 0;
  bool any_run = false;
  while (at < body.size()) {
    // Bytes unlike their next one are runs of one: they stay literal.
    at = NextPair(body, at);
    if (at == body.size()) break;
    const std::size_t run_end = RunEnd(body, at);
    if (run_end - at >= kMinRun) {
      any_run = true;
      PutLiteral(out, body.subspan(literal_start, at + 1 - literal_start));
      PutCount(out, run_end - at - 1);
      literal_start = run_end;
    }
    at = run_end;
  }
  if (!any_run) return false;
  PutLiteral(out, body.subspan(literal_start));
  return true;
}

void ExpandBody(std::span<const unsigned char> compressed,
                std::span<unsigned char> out) {
  Reader reader(compressed);
  std::size_t done = 0;
  while (done < out.size()) {
    const std::size_t literal =
        reader.Count(out.size() - done, kCheckLiteralCount);
    const auto bytes = reader.Bytes(literal, kCheckLiteralBytes);
    std::copy(bytes.begin(), bytes.end(), out.begin() + done);
    done += literal;
    if (done == out.size()) break;
    const std::size_t repeat =
        reader.Count(out.size() - done, kCheckRepeatCount);
    Check(done > 0 || repeat == 0, kCheckRepeatOfNothing);
    std::fill_n(out.begin() + done, repeat, done > 0 ? out[done - 1] : 0);
    done += repeat;
  }
}

}  // namespace vantrel
