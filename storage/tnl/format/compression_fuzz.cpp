// Page-body expansion on arbitrary bytes: the first two bytes give the
// expanded length (at most one page), the rest is the compressed body. A bad
// body must fail a numbered check, never read or write out of bounds. The
// same bytes, taken as a body, must survive compression and expansion.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "storage/tnl/format/compression.h"
#include "storage/tnl/format/internal_check.h"

namespace {

constexpr std::size_t kMaxPageBytes = 0x3B00;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size < 2) return 0;
  const std::size_t expanded = (data[0] | (data[1] << 8)) % (kMaxPageBytes + 1);
  const std::span<const unsigned char> compressed(data + 2, size - 2);
  std::vector<unsigned char> out(expanded);
  const int check = vantrel::RunOperation(
      "fuzz", [&] { vantrel::ExpandBody(compressed, out); });
  if (check != 0 && check != vantrel::kCheckLiteralCount &&
      check != vantrel::kCheckLiteralBytes &&
      check != vantrel::kCheckRepeatCount &&
      check != vantrel::kCheckRepeatOfNothing) {
    std::abort();
  }

  const std::vector<unsigned char> packed = vantrel::CompressBody(compressed);
  if (packed.empty()) return 0;
  std::vector<unsigned char> back(compressed.size());
  if (vantrel::RunOperation("fuzz",
                            [&] { vantrel::ExpandBody(packed, back); }) != 0 ||
      !std::equal(back.begin(), back.end(), compressed.begin())) {
    std::abort();
  }
  return 0;
}
