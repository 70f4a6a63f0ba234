// A LONG field of a record laid out byte for byte: four bytes in the
// machine's order at any address. It reads and writes as an int32_t, and,
// having no alignment of its own, can be bound to a reference wherever it
// stands.
#ifndef VANTREL_APP_PACKED_LONG_H_
#define VANTREL_APP_PACKED_LONG_H_

#include <cstdint>
#include <cstring>

namespace vantrel {

class PackedLong {
 public:
  PackedLong() = default;
  PackedLong(std::int32_t value) { *this = value; }  // NOLINT: a LONG reads as one
  PackedLong& operator=(std::int32_t value) {
    std::memcpy(bytes_, &value, sizeof value);
    return *this;
  }
  operator std::int32_t() const {  // NOLINT: a LONG reads as one
    std::int32_t value;
    std::memcpy(&value, bytes_, sizeof value);
    return value;
  }

 private:
  unsigned char bytes_[4];
};

static_assert(sizeof(PackedLong) == 4 && alignof(PackedLong) == 1);

}  // namespace vantrel

#endif  // VANTREL_APP_PACKED_LONG_H_
