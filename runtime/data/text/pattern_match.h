// Regular-expression search in linear time: POSIX extended syntax over
// Windows-1252 bytes, run as a set of automaton states stepped once per
// character, so no pattern can make a search backtrack.
//
//   a|b  ab  a* a+ a? a{n} a{n,} a{n,m}  (…)  .  ^ $ (only at the ends of
//   the text)  [abc] [^a-z] [[:alpha:]] [[.c.]] [[=c=]]  \c (c literally)
//   \w \W \s \S  \b \B \< \>
//
// Character classes and word characters are ASCII; ignoring case folds
// letters by the character tables in force. Back-references are refused.
#ifndef VANTREL_RUNTIME_DATA_TEXT_PATTERN_MATCH_H_
#define VANTREL_RUNTIME_DATA_TEXT_PATTERN_MATCH_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

inline constexpr std::size_t kMaxPatternLength = 256;
inline constexpr int kMaxPatternRepeat = 255;
// The most automaton states a pattern may expand to (counted repeats copy
// their operand); more is refused as too complex.
inline constexpr std::size_t kMaxPatternStates = 4096;
// The most state steps one search may take; a search that would take more
// stops with a problem rather than run on.
inline constexpr std::size_t kMaxPatternSteps = std::size_t{1} << 27;

// Whether the pattern matches anywhere in the text. Nothing, with `problem`
// set to a short reason, when the pattern is malformed, too long or too
// complex, or the search passes kMaxPatternSteps.
std::optional<bool> PatternFound(std::string_view text,
                                 std::string_view pattern, bool no_case,
                                 std::string* problem);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TEXT_PATTERN_MATCH_H_
