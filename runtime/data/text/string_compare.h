// Comparison of texts under the character tables in force: the shorter text
// is padded with blanks, the first differing characters decide by their
// collating weights, and digraphs (when defined) compare as their two
// characters. The result's sign is the order: < 0, 0, > 0.
#ifndef VANTREL_RUNTIME_DATA_TEXT_STRING_COMPARE_H_
#define VANTREL_RUNTIME_DATA_TEXT_STRING_COMPARE_H_

#include <string_view>

namespace vantrel {

int CompareStrings(std::string_view a, std::string_view b);

// As CompareStrings after replacing every lower-case letter by its upper-case
// partner (NOCASE keys).
int CompareStringsNoCase(std::string_view a, std::string_view b);

// Zero-terminated texts end at their zero byte; a null pointer is empty.
int CompareZeroTerminated(const char* a, const char* b);
int CompareZeroTerminatedNoCase(const char* a, const char* b);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TEXT_STRING_COMPARE_H_
