// The type descriptor of a record: a byte stream listing its fields, and the
// parsed forms built from it (FieldInfo, RecordMap).
//
// A field list is a sequence of entries, ended by a type byte of 0 (END) or
// by the end of the bytes. Each entry is:
//   type      u8     FieldType code
//   flags     u8     kDescName | kDescLabel | kDescPicture | kDescOffset |
//                    kDescDims | kDescByteSize
//   size      by case:
//               flag kDescByteSize    u8 size
//               DECIMAL, PDECIMAL     u8 bytes, u8 decimal places
//               STRING, CSTRING,      packed size, then with kDescPicture the
//               PSTRING, MEMO         picture text ending in a zero byte
//               GROUP                 u32 size, u32 member entries that follow
//                                     and belong to it, u32 a third count
//                                     (all little-endian)
//               other types           none; the size is the type's own
//   label     text ending in a zero byte            (kDescLabel)
//   name      text ending in a zero byte            (kDescName)
//   offset    packed, relative to the enclosing group (kDescOffset); without
//             it the field follows the storage laid out so far at its level
//   dims      u8 count, then each bound packed      (kDescDims)
//
// A packed number: first byte b holds the low five bits (b & 0x1F); (b >> 5)
// & 3 bytes follow, each shifting the value left by 8 and adding itself; bit
// 0x80 of b negates the result. 0x1E is 30, 0x20 0x32 is 50, 0x21 0x90 is 400.
//
// A GROUP's member count counts its direct members; a nested group brings its
// own members after it. Members' offsets are relative to their group and
// members must lie within the group's size; the
// parsed FieldInfo carries the offset in the record (for a dimensioned group,
// that of its first element).
#ifndef VANTREL_RUNTIME_DATA_TYPES_TYPE_DESCRIPTOR_H_
#define VANTREL_RUNTIME_DATA_TYPES_TYPE_DESCRIPTOR_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/data/types/field_type.h"

namespace vantrel {

// Entry flag bits.
inline constexpr std::uint8_t kDescName = 0x01;
inline constexpr std::uint8_t kDescLabel = 0x02;
inline constexpr std::uint8_t kDescPicture = 0x04;
inline constexpr std::uint8_t kDescOffset = 0x08;
inline constexpr std::uint8_t kDescDims = 0x10;
inline constexpr std::uint8_t kDescByteSize = 0x40;

// Packed numbers.
inline constexpr std::uint8_t kPackedLowMask = 0x1F;
inline constexpr int kPackedCountShift = 5;
inline constexpr std::uint8_t kPackedCountMask = 0x03;
inline constexpr std::uint8_t kPackedNegative = 0x80;
inline constexpr std::int32_t kPackedMax = (1 << 29) - 1;

// A DECIMAL or PDECIMAL field holds 2n - 1 digits in n bytes, at most 31.
inline constexpr std::uint32_t kMaxDecimalBytes = 16;
inline constexpr std::uint32_t kMaxDecimalPlaces = 31;

// No record, field offset or extent may reach beyond this.
inline constexpr std::uint64_t kMaxRecordBytes = 0x7FFFFFFF;

// One parsed entry of a descriptor.
struct FieldInfo {
  std::string label;                // e.g. "VTL:LASTNAME"; empty when none
  std::string external_name;        // empty when none
  std::vector<std::uint32_t> dims;  // dimension bounds; empty: not an array
  FieldType type = FieldType::END;
  std::uint8_t flags = 0;          // the entry's flag byte
  std::uint32_t offset = 0;        // in the record (group offsets added)
  std::uint32_t size = 0;          // bytes (strings: declared length)
  std::uint8_t places = 0;         // decimal places (DECIMAL, PDECIMAL)
  std::string picture;             // string types; empty when none
  std::uint32_t member_count = 0;  // GROUP: direct member entries
  std::uint32_t third_count = 0;   // GROUP: kept as read
  std::uint32_t depth = 0;  // 0 for a field of the record, 1 in a group...

  // The product of the dimension bounds; 1 when undimensioned.
  std::uint32_t ElementCount() const;
  // size * ElementCount(): the bytes the field takes in the record.
  std::uint64_t Extent() const { return std::uint64_t{size} * ElementCount(); }
  bool HasExplicitOffset() const { return (flags & kDescOffset) != 0; }
};

// True when two fields describe the same storage: type, size, places, member
// count (groups) and every dimension bound equal. Labels do not take part.
bool SameStorage(const FieldInfo& a, const FieldInfo& b);

// Reads descriptor bytes in order. It never reads past the end: a read that
// would fails, and the first failure posts error 75 (Invalid Field Type
// Descriptor) once. After a failure every read fails.
class DescriptorReader {
 public:
  explicit DescriptorReader(std::span<const std::uint8_t> bytes)
      : bytes_(bytes) {}

  bool ReadByte(std::uint8_t& out);
  bool ReadPacked(std::int32_t& out);
  bool ReadUnsignedPacked(std::uint32_t& out);  // a negative value is malformed
  bool ReadU32(std::uint32_t& out);             // little-endian
  bool ReadText(std::string& out);              // up to and past a zero byte

  // Parses one entry (its offset relative to its group; explicit offsets are
  // taken as read, others left 0 for the caller to place). A type byte of 0
  // yields an END entry. Fails on a truncated or inconsistent entry.
  bool ReadEntry(FieldInfo& out);

  // Posts error 75 (the first time) and fails every later read.
  void ReportMalformed();

  bool failed() const { return failed_; }
  bool AtEnd() const { return pos_ >= bytes_.size(); }
  std::size_t position() const { return pos_; }

 private:
  bool ReadSize(FieldInfo& out);
  bool ReadDims(FieldInfo& out);

  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;  // next byte to read
  bool failed_ = false;  // a read failed; the descriptor is malformed
};

// A record's descriptor: its bytes and the queries on them.
class TypeDescriptor {
 public:
  TypeDescriptor() = default;
  explicit TypeDescriptor(std::vector<std::uint8_t> bytes)
      : bytes_(std::move(bytes)) {}
  explicit TypeDescriptor(std::span<const std::uint8_t> bytes)
      : bytes_(bytes.begin(), bytes.end()) {}

  std::span<const std::uint8_t> bytes() const { return bytes_; }

  // The n-th field (counting from 1, group members included, in the order
  // written) with its offset in the record; nothing when n is 0 or beyond
  // the last field, or the descriptor is malformed before it (error 75).
  std::optional<FieldInfo> Field(std::size_t n) const;

  // The number of fields, group members included; counted on the first call
  // and remembered. A malformed descriptor counts the fields before the fault.
  std::size_t FieldCount() const;

  // All fields in order; nothing (error 75 posted) when malformed.
  std::optional<std::vector<FieldInfo>> Fields() const;

 private:
  std::vector<std::uint8_t> bytes_;
  mutable std::optional<std::size_t> field_count_;  // cached FieldCount()
};

// One row of a RecordMap.
struct RecordMapEntry {
  std::uint32_t offset = 0;
  std::uint32_t size = 0;           // bytes of one element
  std::uint32_t element_count = 1;  // product of the dimension bounds
  std::uint32_t member_count = 0;   // groups: their member entries
  std::uint8_t kind = 0;            // see RecordMap
};

// The flat layout of a record that file drivers walk: a header row, then one
// row per field. The header has offset 0, the record length as size, element
// count 1, the number of fields as member count and kind GROUP. A field's kind
// is its type code for CSTRING, PSTRING and GROUP, else 0, plus kOverlap
// when it starts below the end of the storage covered by earlier fields
// (a group member, or a field laid over another).
class RecordMap {
 public:
  static constexpr std::uint8_t kOverlap = 0x80;

  // Nothing on a malformed descriptor (error 75) or when the table cannot
  // be allocated (error 8).
  static std::optional<RecordMap> Build(const TypeDescriptor& descriptor);

  std::span<const RecordMapEntry> entries() const {
    return {entries_.get(), count_};
  }
  const RecordMapEntry& header() const { return entries_[0]; }
  std::uint32_t record_length() const { return entries_[0].size; }
  std::size_t field_count() const { return count_ - 1; }

 private:
  RecordMap(std::unique_ptr<RecordMapEntry[]> entries, std::size_t count)
      : entries_(std::move(entries)), count_(count) {}

  std::unique_ptr<RecordMapEntry[]> entries_;  // header, then the fields
  std::size_t count_ = 0;                      // rows including the header
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TYPES_TYPE_DESCRIPTOR_H_
