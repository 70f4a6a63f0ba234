// Regular-expression search on arbitrary patterns and texts: it must return
// for any input, and ignoring case may only find more.
// Input: the pattern, a 0x01 byte, then the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "runtime/data/text/pattern_match.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t cut = input.find('\x01');
  std::string_view pattern = input.substr(0, cut);
  std::string_view text = cut == std::string_view::npos ? std::string_view()
                                                        : input.substr(cut + 1);
  std::string problem, problem_no_case;
  std::optional<bool> exact =
      vantrel::PatternFound(text, pattern, false, &problem);
  std::optional<bool> no_case =
      vantrel::PatternFound(text, pattern, true, &problem_no_case);
  // A refusal always says why, and only a refusal does.
  if (exact.has_value() != problem.empty()) std::abort();
  if (exact && no_case && *exact && !*no_case) std::abort();
  return 0;
}
