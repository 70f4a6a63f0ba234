// The character set of data: the runtime's strings are Windows-1252; data
// kept in the OEM character set (code page 437) is converted at the edge.
//
// The two conversions are inverse permutations of the 256 byte values, so
// text survives any number of round trips: characters that both sets hold map
// onto each other, bytes 0-127 map to themselves, and the characters that
// only one set holds (box drawing, Greek letters; curly quotes, the euro
// sign) are paired in ascending order of their codes.
#ifndef VANTREL_RUNTIME_DATA_TEXT_CHARSET_H_
#define VANTREL_RUNTIME_DATA_TEXT_CHARSET_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

std::uint8_t OemToWindows(std::uint8_t oem);
std::uint8_t WindowsToOem(std::uint8_t windows);
std::string OemToWindows(std::string_view oem);
std::string WindowsToOem(std::string_view windows);

// The Unicode code point of a Windows-1252 byte; 0xFFFD for the five codes
// the set leaves undefined.
char32_t WindowsToUnicode(std::uint8_t windows);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TEXT_CHARSET_H_
