#include "storage/tnl/format/header.h"

#include <algorithm>

#include "storage/tnl/format/bytes.h"

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
  for (int zone = 1; zone < kZoneCount; ++zone) {
    StoreU32(p + kZoneStartOffset + kWord * static_cast<std::size_t>(zone),
             header.zones.start[zone]);
  }
  for (int zone = 0; zone < kZoneCount; ++zone) {
    StoreU32(p + kZoneEndOffset + kWord * static_cast<std::size_t>(zone),
             header.zones.end[zone]);
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
  for (int zone = 1; zone < kZoneCount; ++zone) {
    h.zones.start[zone] =
        LoadU32(p + kZoneStartOffset + kWord * static_cast<std::size_t>(zone));
  }
  for (int zone = 0; zone < kZoneCount; ++zone) {
    h.zones.end[zone] =
        LoadU32(p + kZoneEndOffset + kWord * static_cast<std::size_t>(zone));
  }
  *header = h;
  return true;
}

}  // namespace vantrel
