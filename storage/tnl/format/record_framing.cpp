#include "storage/tnl/format/record_framing.h"

#include <algorithm>

#include "runtime/data/base/byte_order.h"

namespace vantrel {
namespace {

std::size_t SharedPrefix(std::span<const std::uint8_t> a,
                         std::span<const std::uint8_t> b) {
  const std::size_t limit = std::min({a.size(), b.size(), kMaxSharedPrefix});
  std::size_t n = 0;
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

}  // namespace

void EncodeRecords(const PageRecords& records,
                   std::vector<std::uint8_t>& body) {
  for (std::size_t i = 0; i < records.size(); ++i) {
    const RecordRef r = records.At(i);
    const auto length = static_cast<std::uint16_t>(r.bytes.size());
    const bool first = i == 0;
    const RecordRef previous = first ? RecordRef() : records.At(i - 1);
    const std::size_t shared =
        first ? 0 : SharedPrefix(previous.bytes, r.bytes);
    std::uint8_t flags = static_cast<std::uint8_t>(shared);
    const bool new_length = first || previous.bytes.size() != length;
    const bool new_key = first || previous.key_length != r.key_length;
    if (new_length) flags |= kFrameHasLength;
    if (new_key) flags |= kFrameHasKeyLength;
    body.push_back(flags);
    if (new_length) AppendLe16(body, length);
    if (new_key) AppendLe16(body, r.key_length);
    body.insert(body.end(),
                r.bytes.begin() + static_cast<std::ptrdiff_t>(shared),
                r.bytes.end());
  }
}

namespace {

// The bytes `count` framed records take once decoded: a first pass over the
// flags and lengths only, so that the page's buffer is made once at its
// size. It stops where the framing runs past the body; the decoding proper
// reports that.
std::size_t DecodedBytes(std::span<const std::uint8_t> body,
                         std::size_t count) {
  std::size_t at = 0;
  std::size_t length = 0;
  std::size_t total = 0;
  for (std::size_t i = 0; i < count && at < body.size(); ++i) {
    const std::uint8_t flags = body[at++];
    if (flags & kFrameHasLength) {
      if (body.size() - at < 2) break;
      length = LoadLe16(&body[at]);
      at += 2;
    }
    if (flags & kFrameHasKeyLength) at += 2;
    const std::size_t shared = flags & kFrameSharedMask;
    if (at > body.size() || shared > length ||
        body.size() - at < length - shared) {
      break;
    }
    at += length - shared;
    total += length;
  }
  return total;
}

}  // namespace

ValueOrCode<std::size_t> DecodeRecords(std::span<const std::uint8_t> body,
                                       std::size_t count, PageRecords& out) {
  constexpr FailureCode kFraming{kCheckRecordFraming};
  out.Reserve(count, DecodedBytes(body, count));
  std::size_t at = 0;
  auto get_u16 = [&](std::uint16_t& v) {
    if (body.size() - at < 2) return false;
    v = LoadLe16(&body[at]);
    at += 2;
    return true;
  };
  std::uint16_t length = 0;
  std::uint16_t key_length = 0;
  std::size_t previous_length = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (at >= body.size()) return kFraming;
    const std::uint8_t flags = body[at++];
    if ((flags & kFrameHasLength) && !get_u16(length)) return kFraming;
    if ((flags & kFrameHasKeyLength) && !get_u16(key_length)) return kFraming;
    const std::size_t shared = flags & kFrameSharedMask;
    if (length == 0 || key_length == 0 || key_length > length ||
        shared > length || shared > previous_length) {
      return kFraming;
    }
    const std::size_t rest = length - shared;
    if (body.size() - at < rest) return kFraming;
    out.AppendShared(shared, body.subspan(at, rest), key_length);
    at += rest;
    previous_length = length;
  }
  return at;
}

}  // namespace vantrel
