#include "storage/tnl/format/header.h"

#include <algorithm>
#include <array>

#include "runtime/data/base/byte_order.h"

namespace vantrel {
namespace {

constexpr std::size_t kWord = 4;

}  // namespace

void EncodeHeader(const Header& header,
                  std::span<unsigned char, kHeaderSize> out) {
  std::fill(out.begin(), out.end(), 0);
  unsigned char* p = out.data();
  StoreLe32(p + kHeaderAddressOffset, 0);
  StoreLe16(p + kHeaderSizeOffset, kHeaderSize);
  StoreLe32(p + kCommittedEndOffset, header.committed_end);
  StoreLe32(p + kShadowEndOffset, header.shadow_end);
  if (header.has_magic) {
    std::copy(kHeaderMagic.begin(), kHeaderMagic.end(), p + kMagicOffset);
  }
  StoreLe16(p + kReservedOffset, header.reserved);
  StoreBe32(p + kLastIssuedOffset, header.last_issued);
  StoreLe32(p + kChangeCounterOffset, header.change_counter);
  StoreLe32(p + kRootPageOffset, header.root_page);
  // Zone 0 is never allocated from, so its start means nothing: it is
  // always written and read as 0; only its end (the floor below zone 1)
  // counts.
  for (int zone = 1; zone < kZoneCount; ++zone) {
    StoreLe32(p + kZoneStartOffset + kWord * static_cast<std::size_t>(zone),
              header.zones.start[zone]);
  }
  for (int zone = 0; zone < kZoneCount; ++zone) {
    StoreLe32(p + kZoneEndOffset + kWord * static_cast<std::size_t>(zone),
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
  h.committed_end = LoadLe32(p + kCommittedEndOffset);
  h.shadow_end = LoadLe32(p + kShadowEndOffset);
  h.has_magic = true;
  h.reserved = LoadLe16(p + kReservedOffset);
  h.last_issued = LoadBe32(p + kLastIssuedOffset);
  h.change_counter = LoadLe32(p + kChangeCounterOffset);
  h.root_page = LoadLe32(p + kRootPageOffset);
  for (int zone = 1; zone < kZoneCount; ++zone) {
    h.zones.start[zone] =
        LoadLe32(p + kZoneStartOffset + kWord * static_cast<std::size_t>(zone));
  }
  for (int zone = 0; zone < kZoneCount; ++zone) {
    h.zones.end[zone] =
        LoadLe32(p + kZoneEndOffset + kWord * static_cast<std::size_t>(zone));
  }
  *header = h;
  return true;
}

Header NewFileHeader() {
  Header header;
  header.has_magic = true;
  header.committed_end = header.shadow_end = kHeaderSize;
  return header;
}

bool IsCutNewFileHeader(std::span<const unsigned char> bytes) {
  if (bytes.size() >= kHeaderSize) return false;
  std::array<unsigned char, kHeaderSize> image;
  EncodeHeader(NewFileHeader(), image);
  return std::equal(bytes.begin(), bytes.end(), image.begin());
}

}  // namespace vantrel
