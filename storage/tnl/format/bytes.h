// Little- and big-endian integers in byte buffers, as the native format
// stores them (little-endian unless a field says otherwise).
#ifndef VANTREL_STORAGE_TNL_FORMAT_BYTES_H_
#define VANTREL_STORAGE_TNL_FORMAT_BYTES_H_

#include <cstdint>

namespace vantrel {

inline std::uint16_t LoadU16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t LoadU32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) |
         (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) |
         (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint32_t LoadU32BigEndian(const unsigned char* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) |
         (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) |
         static_cast<std::uint32_t>(p[3]);
}

inline void StoreU16(unsigned char* p, std::uint16_t value) {
  p[0] = static_cast<unsigned char>(value);
  p[1] = static_cast<unsigned char>(value >> 8);
}

inline void StoreU32(unsigned char* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<unsigned char>(value >> (8 * i));
}

inline void StoreU32BigEndian(unsigned char* p, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    p[i] = static_cast<unsigned char>(value >> (8 * (3 - i)));
  }
}

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_BYTES_H_
