#include "storage/tnl/format/record_framing.h"

#include <algorithm>

#include "runtime/data/base/byte_order.h"

namespace vantrel {
namespace {

std::size_t SharedPrefix(const std::vector<std::uint8_t>& a,
                         const std::vector<std::uint8_t>& b) {
  const std::size_t limit = std::min({a.size(), b.size(), kMaxSharedPrefix});
  std::size_t n = 0;
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

}  // namespace

void EncodeRecords(const RecordTree& records, std::vector<std::uint8_t>& body) {
  const PageRecord* previous = nullptr;
  records.ForEach([&](const PageRecord& r) {
    const auto length = static_cast<std::uint16_t>(r.bytes.size());
    const std::size_t shared =
        previous ? SharedPrefix(previous->bytes, r.bytes) : 0;
    std::uint8_t flags = static_cast<std::uint8_t>(shared);
    const bool new_length = !previous || previous->bytes.size() != length;
    const bool new_key = !previous || previous->key_length != r.key_length;
    if (new_length) flags |= kFrameHasLength;
    if (new_key) flags |= kFrameHasKeyLength;
    body.push_back(flags);
    if (new_length) AppendLe16(body, length);
    if (new_key) AppendLe16(body, r.key_length);
    body.insert(body.end(),
                r.bytes.begin() + static_cast<std::ptrdiff_t>(shared),
                r.bytes.end());
    previous = &r;
  });
}

ValueOrCode<std::size_t> DecodeRecords(std::span<const std::uint8_t> body,
                                       std::size_t count,
                                       std::vector<PageRecord>& out) {
  constexpr FailureCode kFraming{kCheckRecordFraming};
  std::size_t at = 0;
  auto get_u16 = [&](std::uint16_t& v) {
    if (body.size() - at < 2) return false;
    v = LoadLe16(&body[at]);
    at += 2;
    return true;
  };
  std::uint16_t length = 0;
  std::uint16_t key_length = 0;
  const std::vector<std::uint8_t>* previous = nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    if (at >= body.size()) return kFraming;
    const std::uint8_t flags = body[at++];
    if ((flags & kFrameHasLength) && !get_u16(length)) return kFraming;
    if ((flags & kFrameHasKeyLength) && !get_u16(key_length)) return kFraming;
    const std::size_t shared = flags & kFrameSharedMask;
    const std::size_t previous_length = previous ? previous->size() : 0;
    if (length == 0 || key_length == 0 || key_length > length ||
        shared > length || shared > previous_length) {
      return kFraming;
    }
    const std::size_t rest = length - shared;
    if (body.size() - at < rest) return kFraming;
    PageRecord record;
    record.key_length = key_length;
    record.bytes.reserve(length);
    if (shared) {
      record.bytes.assign(
          previous->begin(),
          previous->begin() + static_cast<std::ptrdiff_t>(shared));
    }
    record.bytes.insert(record.bytes.end(),
                        body.begin() + static_cast<std::ptrdiff_t>(at),
                        body.begin() + static_cast<std::ptrdiff_t>(at + rest));
    at += rest;
    out.push_back(std::move(record));
    previous = &out.back().bytes;
  }
  return at;
}

}  // namespace vantrel
