// Finding the first of a few byte values in a run of text, sixteen bytes at
// a time where the processor has vector compares, else eight.
#ifndef VANTREL_RUNTIME_DATA_BASE_BYTE_SCAN_H_
#define VANTREL_RUNTIME_DATA_BASE_BYTE_SCAN_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantrel {
namespace byte_scan_internal {

inline constexpr std::uint64_t kEachByte = 0x0101010101010101;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080;
inline constexpr std::size_t kBitsPerByte = 8;

// The high bit of each byte of `word` that equals `byte` is set; bytes above
// a match may also be flagged, so only the lowest flag is exact.
inline std::uint64_t Matches(std::uint64_t word, unsigned char byte) {
  const std::uint64_t x = word ^ (kEachByte * byte);
  return (x - kEachByte) & ~x & kHighBits;
}

}  // namespace byte_scan_internal

// The offset of the first byte of text[0, length) that is `a`, `b` or `c`;
// `length` when there is none.
inline std::size_t FindFirstOf(const char* text, std::size_t length, char a,
                               char b, char c) {
  std::size_t i = 0;
#if defined(__SSE2__)
  constexpr std::size_t kVector = 16;
  const __m128i va = _mm_set1_epi8(a);
  const __m128i vb = _mm_set1_epi8(b);
  const __m128i vc = _mm_set1_epi8(c);
  for (; i + kVector <= length; i += kVector) {
    const __m128i chunk =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    const __m128i hit = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(chunk, va), _mm_cmpeq_epi8(chunk, vb)),
        _mm_cmpeq_epi8(chunk, vc));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(mask));
  }
#endif
  if constexpr (std::endian::native == std::endian::little) {
    using byte_scan_internal::Matches;
    for (; i + sizeof(std::uint64_t) <= length; i += sizeof(std::uint64_t)) {
      std::uint64_t word;
      std::memcpy(&word, text + i, sizeof word);
      const std::uint64_t hit = Matches(word, static_cast<unsigned char>(a)) |
                                Matches(word, static_cast<unsigned char>(b)) |
                                Matches(word, static_cast<unsigned char>(c));
      if (hit != 0) {
        return i + static_cast<std::size_t>(std::countr_zero(hit)) /
                       byte_scan_internal::kBitsPerByte;
      }
    }
  }
  for (; i < length; ++i) {
    if (text[i] == a || text[i] == b || text[i] == c) return i;
  }
  return length;
}

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_BASE_BYTE_SCAN_H_
