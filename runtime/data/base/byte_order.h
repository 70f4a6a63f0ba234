// Integers in byte buffers. Records and most fields of the native format
// hold them little-endian; numbers inside keys are big-endian, so that keys
// sort as their bytes do.
#ifndef VANTREL_RUNTIME_DATA_BASE_BYTE_ORDER_H_
#define VANTREL_RUNTIME_DATA_BASE_BYTE_ORDER_H_

#include <cstdint>
#include <span>
#include <vector>

namespace vantrel {

inline std::uint16_t LoadLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t LoadLe32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
         (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

inline std::uint64_t LoadLe64(const std::uint8_t* p) {
  return LoadLe32(p) | (std::uint64_t{LoadLe32(p + 4)} << 32);
}

inline void StoreLe16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void StoreLe64(std::uint8_t* p, std::uint64_t v) {
  StoreLe32(p, static_cast<std::uint32_t>(v));
  StoreLe32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

inline std::uint16_t LoadBe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline std::uint32_t LoadBe32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
         (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]};
}

inline void StoreBe16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}

inline void StoreBe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    p[i] = static_cast<std::uint8_t>(v >> (8 * (3 - i)));
  }
}

// A big-endian u32 at the start of `bytes`; 0 when there are fewer than 4.
inline std::uint32_t ReadBe32(std::span<const std::uint8_t> bytes) {
  return bytes.size() < 4 ? 0 : LoadBe32(bytes.data());
}

// Appends `v` to `out` in the order the name says.
inline void AppendLe16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  std::uint8_t bytes[2];
  StoreLe16(bytes, v);
  out.insert(out.end(), bytes, bytes + 2);
}

inline void AppendBe16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  std::uint8_t bytes[2];
  StoreBe16(bytes, v);
  out.insert(out.end(), bytes, bytes + 2);
}

inline void AppendBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  std::uint8_t bytes[4];
  StoreBe32(bytes, v);
  out.insert(out.end(), bytes, bytes + 4);
}

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_BASE_BYTE_ORDER_H_
