#include <limits>

#include "runtime/data/base/error_state.h"
#include "runtime/data/types/type_descriptor.h"

namespace vantrel {
namespace {

constexpr int kU32Bytes = 4;

bool IsSizedByPacked(FieldType type) {
  return IsTextType(type) || type == FieldType::MEMO;
}

}  // namespace

std::uint32_t FieldInfo::ElementCount() const {
  std::uint64_t count = 1;
  for (std::uint32_t bound : dims) {
    count *= bound;
    // The reader keeps extents below kMaxRecordBytes; this only guards
    // FieldInfo values built by hand.
    if (count > kMaxRecordBytes)
      return std::numeric_limits<std::uint32_t>::max();
  }
  return static_cast<std::uint32_t>(count);
}

bool SameStorage(const FieldInfo& a, const FieldInfo& b) {
  if (a.type != b.type || a.size != b.size || a.places != b.places ||
      a.dims != b.dims) {
    return false;
  }
  return a.type != FieldType::GROUP || a.member_count == b.member_count;
}

void DescriptorReader::ReportMalformed() {
  if (!failed_) PostError(kErrInvalidDescriptor);
  failed_ = true;
}

bool DescriptorReader::ReadByte(std::uint8_t& out) {
  if (failed_) return false;
  if (pos_ >= bytes_.size()) {
    ReportMalformed();
    return false;
  }
  out = bytes_[pos_++];
  return true;
}

bool DescriptorReader::ReadPacked(std::int32_t& out) {
  std::uint8_t first = 0;
  if (!ReadByte(first)) return false;
  std::int32_t value = first & kPackedLowMask;
  const int follow = (first >> kPackedCountShift) & kPackedCountMask;
  for (int i = 0; i < follow; ++i) {
    std::uint8_t next = 0;
    if (!ReadByte(next)) return false;
    value = (value << 8) | next;
  }
  out = (first & kPackedNegative) ? -value : value;
  return true;
}

bool DescriptorReader::ReadUnsignedPacked(std::uint32_t& out) {
  std::int32_t value = 0;
  if (!ReadPacked(value)) return false;
  if (value < 0) {
    ReportMalformed();
    return false;
  }
  out = static_cast<std::uint32_t>(value);
  return true;
}

bool DescriptorReader::ReadU32(std::uint32_t& out) {
  std::uint32_t value = 0;
  for (int i = 0; i < kU32Bytes; ++i) {
    std::uint8_t byte = 0;
    if (!ReadByte(byte)) return false;
    value |= std::uint32_t{byte} << (8 * i);
  }
  out = value;
  return true;
}

bool DescriptorReader::ReadText(std::string& out) {
  out.clear();
  for (;;) {
    std::uint8_t byte = 0;
    if (!ReadByte(byte)) return false;
    if (byte == 0) return true;
    out.push_back(static_cast<char>(byte));
  }
}

bool DescriptorReader::ReadSize(FieldInfo& out) {
  std::uint8_t byte = 0;
  if (out.flags & kDescByteSize) {
    if (!ReadByte(byte)) return false;
    out.size = byte;
  } else if (IsDecimalType(out.type)) {
    if (!ReadByte(byte)) return false;
    out.size = byte;
    if (!ReadByte(out.places)) return false;
  } else if (IsSizedByPacked(out.type)) {
    if (!ReadUnsignedPacked(out.size)) return false;
  } else if (out.type == FieldType::GROUP) {
    if (!ReadU32(out.size) || !ReadU32(out.member_count) ||
        !ReadU32(out.third_count)) {
      return false;
    }
  } else {
    out.size = FixedFieldSize(out.type);
  }
  // A one-byte size may not contradict the size a type has by itself.
  const std::uint32_t fixed = FixedFieldSize(out.type);
  if (fixed != 0 && out.size != fixed) {
    ReportMalformed();
    return false;
  }
  if (IsDecimalType(out.type) &&
      (out.size == 0 || out.size > kMaxDecimalBytes ||
       out.places > kMaxDecimalPlaces)) {
    ReportMalformed();
    return false;
  }
  if ((out.flags & kDescPicture) && IsSizedByPacked(out.type)) {
    return ReadText(out.picture);
  }
  return true;
}

bool DescriptorReader::ReadDims(FieldInfo& out) {
  std::uint8_t count = 0;
  if (!ReadByte(count)) return false;
  std::uint64_t extent = out.size;
  for (int i = 0; i < count; ++i) {
    std::int32_t bound = 0;
    if (!ReadPacked(bound)) return false;
    extent *= bound > 0 ? static_cast<std::uint32_t>(bound) : 0;
    if (bound <= 0 || extent > kMaxRecordBytes) {
      ReportMalformed();
      return false;
    }
    out.dims.push_back(static_cast<std::uint32_t>(bound));
  }
  return true;
}

bool DescriptorReader::ReadEntry(FieldInfo& out) {
  out = FieldInfo{};
  std::uint8_t type = 0;
  if (!ReadByte(type)) return false;
  out.type = static_cast<FieldType>(type);
  if (out.type == FieldType::END) return true;
  if (!ReadByte(out.flags) || !ReadSize(out)) return false;
  if (out.size > kMaxRecordBytes) {
    ReportMalformed();
    return false;
  }
  if ((out.flags & kDescLabel) && !ReadText(out.label)) return false;
  if ((out.flags & kDescName) && !ReadText(out.external_name)) return false;
  if (out.flags & kDescOffset) {
    if (!ReadUnsignedPacked(out.offset)) return false;
  }
  return !(out.flags & kDescDims) || ReadDims(out);
}

}  // namespace vantrel
