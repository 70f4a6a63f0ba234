// The 512-byte file header at position 0 (little-endian unless marked):
//
//   0x000  u32         address of this block: always 0 (laid out like a page
//                      whose home is position 0)
//   0x004  u16         header size: 0x200
//   0x006  u32         committed end: where the shadow area begins
//   0x00A  u32         shadow end: just past the last shadow copy; equal to
//                      the committed end when no write is pending
//   0x00E  4 bytes     magic "tArN"
//   0x012  u16         reserved, 0 in a new file
//   0x014  u32 (BE)    last issued number (record and table numbers)
//   0x018  u32         change counter: raised by every commit; 0 only while
//                      the file has never had a root page
//   0x01C  u32         page number of the root page
//   0x020  60 x u32    zone start, zones 0..59 (page numbers)
//   0x110  60 x u32    zone end, zones 0..59 (page numbers)
//
// Zone 0's start is always 0; its end is the floor below zone 1.
#ifndef VANTREL_STORAGE_TNL_FORMAT_HEADER_H_
#define VANTREL_STORAGE_TNL_FORMAT_HEADER_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "storage/tnl/format/zones.h"

namespace vantrel {

inline constexpr std::size_t kHeaderSize = 0x200;
inline constexpr std::string_view kHeaderMagic = "tArN";

// Field offsets in the header image.
inline constexpr std::size_t kHeaderAddressOffset = 0x000;
inline constexpr std::size_t kHeaderSizeOffset = 0x004;
inline constexpr std::size_t kCommittedEndOffset = 0x006;
inline constexpr std::size_t kShadowEndOffset = 0x00A;
inline constexpr std::size_t kMagicOffset = 0x00E;
inline constexpr std::size_t kReservedOffset = 0x012;
inline constexpr std::size_t kLastIssuedOffset = 0x014;
inline constexpr std::size_t kChangeCounterOffset = 0x018;
inline constexpr std::size_t kRootPageOffset = 0x01C;
inline constexpr std::size_t kZoneStartOffset = 0x020;
inline constexpr std::size_t kZoneEndOffset = 0x110;

// The header as the driver keeps it in memory.
struct Header {
  std::uint32_t committed_end = 0;  // position
  std::uint32_t shadow_end = 0;     // position
  bool has_magic = false;           // "tArN" present (a loaded header)
  std::uint16_t reserved = 0;
  std::uint32_t last_issued = 0;  // stored big-endian
  std::uint32_t change_counter = 0;
  std::uint32_t root_page = 0;
  ZoneTable zones;  // zone 0's start is always 0

  bool operator==(const Header&) const = default;
};

// Writes the header image (512 bytes); the magic is written when has_magic.
void EncodeHeader(const Header& header,
                  std::span<unsigned char, kHeaderSize> out);

// Reads a header image. False when `image` is shorter than 512 bytes or
// does not carry the magic: the file is not a valid file.
bool DecodeHeader(std::span<const unsigned char> image, Header* header);

// The header a new file's first commit writes before anything else: the
// magic, an empty zone table and no write pending.
Header NewFileHeader();
// Whether `bytes` (fewer than a header's) are the start of NewFileHeader():
// a file that holds only them is a new file whose first write was cut off,
// which never held anything.
bool IsCutNewFileHeader(std::span<const unsigned char> bytes);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_HEADER_H_
