#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "runtime/data/text/string_ops.h"
#include "runtime/data/text/string_search_internal.h"

namespace vantrel {

namespace search_internal {
namespace {

// For each character, how far its last occurrence in the needle's tail lies
// before the tail's end (0 for the last character); the tail's length for
// characters it does not hold. The window may move that far without
// skipping a match.
class SkipTable {
 public:
  explicit SkipTable(std::string_view needle) {
    const std::size_t tail = std::min(needle.size(), kSkipMaxTail);
    const auto* t = reinterpret_cast<const std::uint8_t*>(needle.data()) +
                    needle.size() - tail;
    shift_.fill(static_cast<std::uint8_t>(tail));
    for (std::size_t i = 0; i + 1 < tail; ++i) {
      shift_[t[i]] = static_cast<std::uint8_t>(tail - 1 - i);
    }
    // The last character's own entry is 0 (compare there); when that
    // comparison fails, the window moves to its previous occurrence instead.
    after_mismatch_ = shift_[t[tail - 1]];
    shift_[t[tail - 1]] = 0;
  }

  std::uint8_t operator[](std::uint8_t c) const { return shift_[c]; }
  std::size_t AfterMismatch() const { return after_mismatch_; }

 private:
  std::array<std::uint8_t, 256> shift_;
  std::size_t after_mismatch_;
};

bool MatchesAt(std::string_view haystack, std::string_view needle,
               std::size_t offset) {
  return std::memcmp(haystack.data() + offset, needle.data(), needle.size()) ==
         0;
}

}  // namespace

std::size_t FindPlain(std::string_view haystack, std::string_view needle,
                      std::size_t from, std::size_t step) {
  const std::size_t last = haystack.size() - needle.size();
  for (std::size_t offset = from;; offset += step) {
    if (MatchesAt(haystack, needle, offset)) return offset;
    if (last - offset < step) return kNotFound;
  }
}

std::size_t FindCharacter(std::string_view haystack, std::string_view needle,
                          std::size_t from) {
  const void* hit =
      std::memchr(haystack.data() + from, needle[0], haystack.size() - from);
  if (hit == nullptr) return kNotFound;
  return static_cast<const char*>(hit) - haystack.data();
}

std::size_t FindWithSkipTable(std::string_view haystack,
                              std::string_view needle, std::size_t from) {
  const SkipTable skip(needle);
  const auto* h = reinterpret_cast<const std::uint8_t*>(haystack.data());
  const std::size_t m = needle.size();
  // `end` indexes the character under the window's last position.
  for (std::size_t end = from + m - 1; end < haystack.size();) {
    const std::size_t shift = skip[h[end]];
    if (shift != 0) {
      end += shift;
      continue;
    }
    if (MatchesAt(haystack, needle, end + 1 - m)) return end + 1 - m;
    end += skip.AfterMismatch();
  }
  return kNotFound;
}

#if defined(__x86_64__)

namespace {

// The offsets [i, i + 16) at which the haystack holds the needle's first
// character and, m - 1 bytes further, its last one, as a bit mask.
std::uint32_t EndCharacterCandidates(const char* h, std::size_t i,
                                     std::size_t m, __m128i first,
                                     __m128i final) {
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i));
  const __m128i b =
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(h + i + m - 1));
  return static_cast<std::uint32_t>(_mm_movemask_epi8(
      _mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, final))));
}

// The first candidate offset (bit k: offset i + k) where the whole needle
// matches. Kept out of line so that the scanning loop keeps its registers.
[[gnu::noinline]] std::size_t FirstFullMatch(std::string_view haystack,
                                             std::string_view needle,
                                             std::size_t i,
                                             std::uint32_t candidates) {
  for (; candidates != 0; candidates &= candidates - 1) {
    const std::size_t offset = i + __builtin_ctz(candidates);
    if (MatchesAt(haystack, needle, offset)) return offset;
  }
  return kNotFound;
}

}  // namespace

// Tests 32 offsets per step, 16 per SSE2 compare: the needle's first and last
// characters against the haystack; only offsets where both agree are
// compared in full. Offsets are tried in increasing order, so the first
// match found is the plain scan's.
std::size_t FindByEndCharacters(std::string_view haystack,
                                std::string_view needle, std::size_t from) {
  constexpr std::size_t kBlock = sizeof(__m128i);
  constexpr std::size_t kStep = 2 * kBlock;
  const char* h = haystack.data();
  const std::size_t m = needle.size();
  const std::size_t last = haystack.size() - m;  // the last offset to try
  const __m128i first = _mm_set1_epi8(needle.front());
  const __m128i final = _mm_set1_epi8(needle.back());
  std::size_t i = from;
  for (; i + kStep <= last + 1; i += kStep) {
    const std::uint32_t candidates =
        EndCharacterCandidates(h, i, m, first, final) |
        EndCharacterCandidates(h, i + kBlock, m, first, final) << kBlock;
    if (candidates == 0) continue;
    const std::size_t found = FirstFullMatch(haystack, needle, i, candidates);
    if (found != kNotFound) return found;
  }
  return i > last ? kNotFound : FindPlain(haystack, needle, i, 1);
}

#endif  // __x86_64__

std::size_t FindLongNeedle(std::string_view haystack, std::string_view needle,
                           std::size_t from) {
#if defined(__x86_64__)
  return FindByEndCharacters(haystack, needle, from);
#else
  return FindWithSkipTable(haystack, needle, from);
#endif
}

}  // namespace search_internal

std::int64_t SearchText(std::string_view haystack, std::string_view needle,
                        std::int64_t step, std::int64_t start) {
  using namespace search_internal;
  if (needle.empty() || start < 1 || step < 0 ||
      haystack.size() < needle.size()) {
    return 0;
  }
  const std::size_t stride = step == 0 ? needle.size() : step;
  const std::size_t from = start - 1;
  if (from > haystack.size() - needle.size()) return 0;
  std::size_t offset;
  if (stride == 1 && needle.size() == 1) {
    offset = FindCharacter(haystack, needle, from);
  } else if (stride == 1 && needle.size() >= kSkipMinNeedle &&
             haystack.size() > kSkipMinHaystack) {
    offset = FindLongNeedle(haystack, needle, from);
  } else {
    offset = FindPlain(haystack, needle, from, stride);
  }
  if (offset == kNotFound) return 0;
  return static_cast<std::int64_t>(offset / stride) + 1;
}

}  // namespace vantrel
