// Page images no writer makes, for tests and for the fuzz targets' seed
// corpora.
#ifndef VANTREL_STORAGE_TNL_FORMAT_TEST_PAGES_H_
#define VANTREL_STORAGE_TNL_FORMAT_TEST_PAGES_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/data/base/byte_order.h"
#include "storage/tnl/format/page_image.h"
#include "storage/tnl/format/record_framing.h"
#include "storage/tnl/format/zones.h"

namespace vantrel {

// A leaf image at `home` of `copies` copies of one 63-byte record, each
// after the first framed in one byte (all 63 bytes shared with the one
// before): a small image whose records measure 13 + 68 * copies, far more
// than its bytes. Padded to `units` units, which must hold it.
inline std::vector<unsigned char> RepeatedRecordImage(std::size_t copies,
                                                      std::size_t units,
                                                      std::uint32_t home = 0) {
  std::vector<unsigned char> image(units * kPageUnit, kPagePadByte);
  std::fill_n(image.begin(), kPageHeaderSize, 0);
  auto at = image.begin() + kPageHeaderSize;
  *at++ = kFrameHasLength | kFrameHasKeyLength;
  for (const unsigned char b : {63, 0, 63, 0}) *at++ = b;
  at = std::fill_n(at, 63, 'r');
  at = std::fill_n(at, copies - 1, 63);
  const auto length = static_cast<std::uint16_t>(at - image.begin());
  StoreLe32(&image[kPageHomeOffset], home);
  StoreLe16(&image[kPageStoredOffset], length);
  StoreLe16(&image[kPageExpandedOffset], length);
  StoreLe16(&image[kPageCountOffset], static_cast<std::uint16_t>(copies));
  return image;
}

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_TEST_PAGES_H_
