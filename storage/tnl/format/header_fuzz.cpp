// Header decoding on arbitrary bytes: never crashes, and whatever decodes
// re-encodes to an image that decodes to the same header.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "storage/tnl/format/header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  vantrel::Header header;
  if (!vantrel::DecodeHeader(std::span(data, size), &header)) return 0;
  std::array<unsigned char, vantrel::kHeaderSize> image;
  vantrel::EncodeHeader(header, image);
  vantrel::Header again;
  if (!vantrel::DecodeHeader(image, &again) || !(again == header)) std::abort();
  return 0;
}
