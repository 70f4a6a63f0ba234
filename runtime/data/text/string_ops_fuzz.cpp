// Holds every step-1 search path to the plain scan on arbitrary input.
// Input (integers little-endian):
//   needle_size  u16  the needle's length is 1 + needle_size % kMaxNeedle
//   start        u16  start offset, reduced to the positions where it fits
//   step         u8   step for the stepped search
//   rest              needle, then haystack
// Needles reach past 255 characters, where the skip table's tail is cut.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "runtime/data/text/string_ops.h"
#include "runtime/data/text/string_search_internal.h"

namespace {

constexpr std::size_t kHeader = 5;
constexpr std::size_t kMaxNeedle = 600;

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace vantrel::search_internal;
  if (size < kHeader) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string_view rest = input.substr(kHeader);
  const std::size_t needle_size = std::min<std::size_t>(
      1 + (data[0] | data[1] << 8) % kMaxNeedle, rest.size());
  const std::string_view needle = rest.substr(0, needle_size);
  const std::string_view haystack = rest.substr(needle_size);
  const std::int64_t start = data[2] | data[3] << 8;
  const std::int64_t step = data[4];

  if (needle.empty() || needle.size() > haystack.size()) return 0;

  // Any step, from the first position: the slot of the first match on the
  // grid of offsets 0, stride, 2 * stride ...
  const std::size_t stride = step == 0 ? needle.size() : step;
  std::int64_t slot = 0;
  for (std::size_t offset = 0; offset + needle.size() <= haystack.size();
       offset += stride) {
    if (haystack.substr(offset, needle.size()) == needle) {
      slot = static_cast<std::int64_t>(offset / stride) + 1;
      break;
    }
  }
  Check(vantrel::SearchText(haystack, needle, step, 1) == slot);

  const std::size_t from = start % (haystack.size() - needle.size() + 1);
  const std::size_t plain = FindPlain(haystack, needle, from, 1);
  Check(plain == haystack.find(needle, from));
  Check(FindWithSkipTable(haystack, needle, from) == plain);
  Check(FindLongNeedle(haystack, needle, from) == plain);
#if defined(__x86_64__)
  Check(FindByEndCharacters(haystack, needle, from) == plain);
#endif
  if (needle.size() == 1) Check(FindCharacter(haystack, needle, from) == plain);
  Check(vantrel::SearchText(haystack, needle, 1, from + 1) ==
        (plain == kNotFound ? 0 : static_cast<std::int64_t>(plain) + 1));
  return 0;
}
