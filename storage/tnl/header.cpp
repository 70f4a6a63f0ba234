#include "storage/tnl/header.h"

#include <algorithm>

#include "storage/tnl/bytes.h"

namespace vantrel {
namespace {

constexpr std::size_t kWord = 4;

}  // namespace

void EncodeHeader(const Header& header,
                  std::span<unsigned char, kHeaderSize> out) {
  std::fill(out.begin(), out.end(), 0);
  unsigned char* p = out.data();
  StoreU32(p + kHeaderAddressOffset, 0);
  StoreU16(p + kHeaderSizeOffset, kHeaderSize);
  StoreU32(p + kCommittedEndOffset, header.committed_end);
  StoreU32(p + kShadowEndOffset, header.shadow_end);
  if (header.has_magic) {
    std::copy(kHeaderMagic.begin(), kHeaderMagic.end(), p + kMagicOffset);
  }
  StoreU16(p + kReservedOffset, header.reserved);
  StoreU32BigEndian(p + kLastIssuedOffset, header.last_issued);
  StoreU32(p + kChangeCounterOffset, header.change_counter);
  StoreU32(p + kRootPageOffset, header.root_page);
  // Zone 0 has no start of its own: always 0.
  for (std::size_t zone = 1; zone < kZoneCount; ++zone) {
    StoreU32(p + kZoneStartOffset + kWord * zone, header.zone_start[zone]);
  }
  for (std::size_t zone = 0; zone < kZoneCount; ++zone) {
    StoreU32(p + kZoneEndOffset + kWord * zone, header.zone_end[zone]);
  }
}

bool DecodeHeader(std::span<const unsigned char> image, Header* header) {
  if (image.size() < kHeaderSize) return false;
  const unsigned char* p = image.data();
  if (!std::equal(kHeaderMagic.begin(), kHeaderMagic.end(), p + kMagicOffset)) {
    return false;
  }
  Header h;
  h.committed_end = LoadU32(p + kCommittedEndOffset);
  h.shadow_end = LoadU32(p + kShadowEndOffset);
  h.has_magic = true;
  h.reserved = LoadU16(p + kReservedOffset);
  h.last_issued = LoadU32BigEndian(p + kLastIssuedOffset);
  h.change_counter = LoadU32(p + kChangeCounterOffset);
  h.root_page = LoadU32(p + kRootPageOffset);
  for (std::size_t zone = 1; zone < kZoneCount; ++zone) {
    h.zone_start[zone] = LoadU32(p + kZoneStartOffset + kWord * zone);
  }
  for (std::size_t zone = 0; zone < kZoneCount; ++zone) {
    h.zone_end[zone] = LoadU32(p + kZoneEndOffset + kWord * zone);
  }
  *header = h;
  return true;
}

bool ZonesAreSound(const Header& h) {
  if (h.committed_end > h.shadow_end) return false;
  std::uint64_t floor = h.zone_end[0];
  for (std::size_t k = 1; k < kZoneCount; ++k) {
    const std::uint64_t start = h.zone_start[k], end = h.zone_end[k];
    if (start < floor || end < start || (end - start) % k != 0) return false;
    floor = end;
  }
  return kPageSpaceStart + floor * kPageUnit <= UINT32_MAX;
}

}  // namespace vantrel
