// Writes type descriptors (see type_descriptor.h for the byte layout), so that
// tests and modules declare records instead of writing bytes:
//
//   TypeDescriptor card = DescriptorBuilder()
//       .String("VTL:LASTNAME", 30)
//       .Long("VTL:ID")
//       .Group("VTL:PHONES").String("VTL:NUMBER", 20).End().Dim({3})
//       .Descriptor();
//
// Modifiers (Dim, Name, At, Over, OneByteSize) apply to the entry added last,
// or to the group closed last by End(). Group sizes and member counts are
// worked out from the members; Build() closes open groups and appends END.
#ifndef VANTREL_RUNTIME_DATA_TYPES_DESCRIPTOR_BUILDER_H_
#define VANTREL_RUNTIME_DATA_TYPES_DESCRIPTOR_BUILDER_H_

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

// Appends a packed number (magnitude at most kPackedMax).
void AppendPacked(std::vector<std::uint8_t>& out, std::int32_t value);

class DescriptorBuilder {
 public:
  // A field whose size its type fixes (BYTE, LONG, DATE, REAL ...).
  DescriptorBuilder& Field(FieldType type, std::string_view label = {});
  DescriptorBuilder& Byte(std::string_view label = {});
  DescriptorBuilder& Short(std::string_view label = {});
  DescriptorBuilder& UShort(std::string_view label = {});
  DescriptorBuilder& Date(std::string_view label = {});
  DescriptorBuilder& Time(std::string_view label = {});
  DescriptorBuilder& Long(std::string_view label = {});
  DescriptorBuilder& ULong(std::string_view label = {});
  DescriptorBuilder& SReal(std::string_view label = {});
  DescriptorBuilder& Real(std::string_view label = {});
  DescriptorBuilder& BFloat4(std::string_view label = {});
  DescriptorBuilder& BFloat8(std::string_view label = {});

  // Text fields of `size` bytes, with an optional picture.
  DescriptorBuilder& String(std::string_view label, std::uint32_t size,
                            std::string_view picture = {});
  DescriptorBuilder& CString(std::string_view label, std::uint32_t size,
                             std::string_view picture = {});
  DescriptorBuilder& PString(std::string_view label, std::uint32_t size,
                             std::string_view picture = {});
  DescriptorBuilder& Memo(std::string_view label, std::uint32_t size);

  // DECIMAL(digits, places) and PDECIMAL(digits, places): digits / 2 + 1
  // bytes.
  DescriptorBuilder& Decimal(std::string_view label, int digits, int places);
  DescriptorBuilder& PDecimal(std::string_view label, int digits, int places);

  // Opens a group; the entries up to the matching End() are its members.
  DescriptorBuilder& Group(std::string_view label = {},
                           std::uint32_t third_count = 0);
  DescriptorBuilder& End();

  DescriptorBuilder& Dim(std::initializer_list<std::int32_t> bounds);
  DescriptorBuilder& Name(std::string_view external_name);
  // An explicit offset, relative to the enclosing group.
  DescriptorBuilder& At(std::int32_t offset);
  // Lays the entry over the earlier field with `label` at the same level.
  DescriptorBuilder& Over(std::string_view label);
  // Writes the size as one byte (flag 0x40); not for groups.
  DescriptorBuilder& OneByteSize();

  std::vector<std::uint8_t> Build() const;
  TypeDescriptor Descriptor() const { return TypeDescriptor(Build()); }

 private:
  static constexpr int kNone = -1;

  struct Entry {
    FieldType type = FieldType::END;
    std::uint8_t flags = 0;
    std::uint32_t size = 0;
    std::uint8_t places = 0;
    std::string picture;
    std::string label;
    std::string name;
    std::optional<std::int32_t> offset;  // explicit offset
    std::vector<std::int32_t> dims;
    std::uint32_t member_count = 0;
    std::uint32_t third_count = 0;
    int parent = kNone;          // index of the enclosing group
    std::uint64_t relative = 0;  // offset within the enclosing group
  };

  DescriptorBuilder& Add(Entry entry);
  DescriptorBuilder& Text(FieldType type, std::string_view label,
                          std::uint32_t size, std::string_view picture);
  DescriptorBuilder& Packed(FieldType type, std::string_view label, int digits,
                            int places);
  // Adds the pending entry's extent to its level's running offset.
  void CommitPending();
  std::uint64_t Extent(const Entry& entry) const;
  void Write(const Entry& entry, std::vector<std::uint8_t>& out) const;

  std::vector<Entry> entries_;
  std::vector<int> open_;                     // open groups, innermost last
  std::vector<std::uint64_t> running_ = {0};  // per level, record first
  int last_ = kNone;     // the entry the modifiers apply to
  int pending_ = kNone;  // the entry whose extent is not yet laid out
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TYPES_DESCRIPTOR_BUILDER_H_
