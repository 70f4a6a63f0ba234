// Hex text of bytes, for byte-exact expectations in tests.
#ifndef VANTREL_STORAGE_TNL_FORMAT_TEST_HEX_H_
#define VANTREL_STORAGE_TNL_FORMAT_TEST_HEX_H_

#include <cstddef>
#include <string>

namespace vantrel {

inline std::string Hex(const unsigned char* bytes, std::size_t length) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 0xF];
  }
  return out;
}

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_TEST_HEX_H_
