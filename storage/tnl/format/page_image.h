// A page image, at its home position (integers little-endian):
//
//   0   home      u32  0x200 + page_number * 256
//   4   stored    u16  bytes written from offset 0 (header, child array and
//                      body, compressed or not), before padding
//   6   expanded  u16  the same when the body is not compressed
//   8   used      u16  13 + sum(record length + 5) (+ 4 per record when inner)
//   10  count     u16  records in the page
//   12  level     u8   0 for a leaf, non-zero for an inner page
//   13  children  u32[count]  inner pages only: child page numbers in record
//                      order
//   ..  body      the framed records (record_framing.h), run-length
//                      compressed when stored < expanded
//   ..  padding   0xB0 up to the next multiple of 256
//
// The header and the child array are never compressed. A page takes
// stored length rounded up to 256 bytes, at most 59 units (0x3B00 bytes).
#ifndef VANTREL_STORAGE_TNL_FORMAT_PAGE_IMAGE_H_
#define VANTREL_STORAGE_TNL_FORMAT_PAGE_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/format/page_records.h"

namespace vantrel {

inline constexpr std::size_t kPageHomeOffset = 0;
inline constexpr std::size_t kPageStoredOffset = 4;
inline constexpr std::size_t kPageExpandedOffset = 6;
inline constexpr std::size_t kPageUsedOffset = 8;
inline constexpr std::size_t kPageCountOffset = 10;
inline constexpr std::size_t kPageLevelOffset = 12;
inline constexpr std::size_t kPageHeaderSize = 13;
inline constexpr std::size_t kChildEntrySize = 4;
inline constexpr unsigned char kPagePadByte = 0xB0;
inline constexpr std::size_t kMaxPageBytes = 0x3B00;

// A writer splits every page whose used measure exceeds this, so no page it
// stores measures more, and none expands to more.
inline constexpr std::uint32_t kMaxPageUsed = 0x3AF6;

// Terms of the used measure.
inline constexpr std::uint32_t kUsedBase = 13;
inline constexpr std::uint32_t kUsedPerRecord = 5;
inline constexpr std::uint32_t kUsedPerChild = 4;

// 13 + sum(L + 5) over the records, + 4 per record in an inner page.
std::uint32_t UsedMeasure(std::uint8_t level, const PageRecords& records);

// A page's image as it will be written: padded to whole units. The home word
// is `home`; the child array holds each record's child (inner pages).
struct PageImage {
  std::vector<unsigned char> bytes;  // units * 256 bytes
  int units = 0;                     // the page's size class
  bool compressed = false;
};
// Fails check 1659 when the framed records outgrow the used measure and
// 1678 when the image needs more than 0x3B00 bytes.
PageImage EncodePageImage(std::uint8_t level, const PageRecords& records,
                          std::uint32_t home);

// The content of a page image.
struct DecodedPage {
  std::uint32_t home = 0;
  std::uint8_t level = 0;
  PageRecords records;
  std::uint32_t used = kUsedBase;  // of the records
  std::uint16_t used_word = 0;     // as the image gives it
};
// Decodes an image read from a slot of image.size() bytes (a whole number
// of units). A damaged image fails its check (internal_check.h): a stored
// length that does not round to the slot kCheckPageImageLength; child
// array, stored and expanded lengths that cannot all hold
// kCheckPageBodyBounds; framing the body cannot hold kCheckRecordFraming;
// records that do not use exactly the expanded body kCheckPageDecodedLength;
// records out of order kCheckRecordOrder; an expanded length or a used
// measure above kMaxPageUsed kCheckExpandedOverLimit and kCheckUsedOverLimit
// (so that no page costs more memory than a writer's); a bad compressed body
// the checks of ExpandBody.
DecodedPage DecodePageImage(std::span<const unsigned char> image);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_PAGE_IMAGE_H_
