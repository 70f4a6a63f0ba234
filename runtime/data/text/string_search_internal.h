// The ways SearchText finds a needle, exposed so that tests and the fuzz
// target can hold the fast ones to the plain scan. Each returns the offset
// of the first match at or after offset `from`, or kNotFound. All require a
// non-empty needle and from + needle.size() <= haystack.size().
#ifndef VANTREL_RUNTIME_DATA_TEXT_STRING_SEARCH_INTERNAL_H_
#define VANTREL_RUNTIME_DATA_TEXT_STRING_SEARCH_INTERNAL_H_

#include <cstddef>
#include <string_view>

namespace vantrel::search_internal {

inline constexpr std::size_t kNotFound = std::string_view::npos;

// The skip-table search serves needles of at least kSkipMinNeedle characters
// in haystacks longer than kSkipMinHaystack; its table covers at most the
// needle's last kSkipMaxTail characters.
inline constexpr std::size_t kSkipMinNeedle = 5;
inline constexpr std::size_t kSkipMinHaystack = 256;
inline constexpr std::size_t kSkipMaxTail = 255;

// Tries offsets from, from + step, ... comparing byte for byte.
std::size_t FindPlain(std::string_view haystack, std::string_view needle,
                      std::size_t from, std::size_t step);

// Step 1, a one-character needle.
std::size_t FindCharacter(std::string_view haystack, std::string_view needle,
                          std::size_t from);

// Step 1, with the skip table.
std::size_t FindWithSkipTable(std::string_view haystack,
                              std::string_view needle, std::size_t from);

// Step 1, comparing the needle's first and last characters at sixteen
// offsets at once (x86-64 only).
std::size_t FindByEndCharacters(std::string_view haystack,
                                std::string_view needle, std::size_t from);

// The search used for needles of kSkipMinNeedle characters or more in
// haystacks longer than kSkipMinHaystack: FindByEndCharacters where the
// processor has it, else FindWithSkipTable.
std::size_t FindLongNeedle(std::string_view haystack, std::string_view needle,
                           std::size_t from);

}  // namespace vantrel::search_internal

#endif  // VANTREL_RUNTIME_DATA_TEXT_STRING_SEARCH_INTERNAL_H_
