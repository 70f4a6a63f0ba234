// Decodes arbitrary bytes as a page image. The input's length is padded (with
// the pad byte) or cut to whole units; a damaged image must end in an
// internal check, never in a crash or undefined behaviour. A sound image
// must encode back to the same records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/format/page_image.h"
#include "storage/tnl/format/zones.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace vantrel;
  std::size_t units = (size + kPageUnit - 1) / kPageUnit;
  if (units == 0) units = 1;
  if (units > static_cast<std::size_t>(kMaxPageUnits)) units = kMaxPageUnits;
  std::vector<unsigned char> image(data,
                                   data + std::min(size, units * kPageUnit));
  image.resize(units * kPageUnit, kPagePadByte);
  RunOperation("fuzz", [&] {
    DecodedPage page = DecodePageImage(image);
    const PageImage again =
        EncodePageImage(page.level, page.records, page.home);
    DecodedPage back = DecodePageImage(again.bytes);
    if (back.records.size() != page.records.size()) std::abort();
    for (std::size_t i = 0; i < page.records.size(); ++i) {
      if (!(back.records.At(i) == page.records.At(i))) std::abort();
    }
  });
  return 0;
}
