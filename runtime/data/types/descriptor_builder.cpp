#include "runtime/data/types/descriptor_builder.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>

namespace vantrel {
namespace {

constexpr int kPackedByteBits = 8;
constexpr int kPackedMaxFollow = 3;
[[maybe_unused]] constexpr std::uint32_t kMaxByteSize = 0xFF;

void AppendText(std::vector<std::uint8_t>& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
}

}  // namespace

void AppendPacked(std::vector<std::uint8_t>& out, std::int32_t value) {
  const std::uint32_t magnitude =
      static_cast<std::uint32_t>(value < 0 ? -std::int64_t{value} : value);
  assert(magnitude <= static_cast<std::uint32_t>(kPackedMax));
  int follow = 0;
  while (follow < kPackedMaxFollow &&
         (magnitude >> (kPackedByteBits * follow)) > kPackedLowMask) {
    ++follow;
  }
  std::uint8_t first = static_cast<std::uint8_t>(
      ((magnitude >> (kPackedByteBits * follow)) & kPackedLowMask) |
      (follow << kPackedCountShift));
  if (value < 0) first |= kPackedNegative;
  out.push_back(first);
  for (int i = follow - 1; i >= 0; --i) {
    out.push_back(
        static_cast<std::uint8_t>(magnitude >> (kPackedByteBits * i)));
  }
}

std::uint64_t DescriptorBuilder::Extent(const Entry& entry) const {
  std::uint64_t extent = entry.size;
  for (std::int32_t bound : entry.dims) {
    extent *= static_cast<std::uint64_t>(std::max(bound, 0));
  }
  return extent;
}

void DescriptorBuilder::CommitPending() {
  if (pending_ == kNone) return;
  const Entry& entry = entries_[pending_];
  const std::uint64_t relative =
      entry.offset ? static_cast<std::uint64_t>(*entry.offset) : entry.relative;
  std::uint64_t& running = running_.back();
  running = std::max(running, relative + Extent(entry));
  pending_ = kNone;
}

DescriptorBuilder& DescriptorBuilder::Add(Entry entry) {
  CommitPending();
  entry.parent = open_.empty() ? kNone : open_.back();
  entry.relative = running_.back();
  if (entry.parent != kNone) ++entries_[entry.parent].member_count;
  entries_.push_back(std::move(entry));
  last_ = static_cast<int>(entries_.size()) - 1;
  pending_ = last_;
  return *this;
}

DescriptorBuilder& DescriptorBuilder::Field(FieldType type,
                                            std::string_view label) {
  Entry entry;
  entry.type = type;
  entry.size = FixedFieldSize(type);
  entry.label = label;
  return Add(std::move(entry));
}

DescriptorBuilder& DescriptorBuilder::Byte(std::string_view label) {
  return Field(FieldType::BYTE, label);
}
DescriptorBuilder& DescriptorBuilder::Short(std::string_view label) {
  return Field(FieldType::SHORT, label);
}
DescriptorBuilder& DescriptorBuilder::UShort(std::string_view label) {
  return Field(FieldType::USHORT, label);
}
DescriptorBuilder& DescriptorBuilder::Date(std::string_view label) {
  return Field(FieldType::DATE, label);
}
DescriptorBuilder& DescriptorBuilder::Time(std::string_view label) {
  return Field(FieldType::TIME, label);
}
DescriptorBuilder& DescriptorBuilder::Long(std::string_view label) {
  return Field(FieldType::LONG, label);
}
DescriptorBuilder& DescriptorBuilder::ULong(std::string_view label) {
  return Field(FieldType::ULONG, label);
}
DescriptorBuilder& DescriptorBuilder::SReal(std::string_view label) {
  return Field(FieldType::SREAL, label);
}
DescriptorBuilder& DescriptorBuilder::Real(std::string_view label) {
  return Field(FieldType::REAL, label);
}
DescriptorBuilder& DescriptorBuilder::BFloat4(std::string_view label) {
  return Field(FieldType::BFLOAT4, label);
}
DescriptorBuilder& DescriptorBuilder::BFloat8(std::string_view label) {
  return Field(FieldType::BFLOAT8, label);
}

DescriptorBuilder& DescriptorBuilder::Text(FieldType type,
                                           std::string_view label,
                                           std::uint32_t size,
                                           std::string_view picture) {
  Entry entry;
  entry.type = type;
  entry.size = size;
  entry.label = label;
  entry.picture = picture;
  return Add(std::move(entry));
}

DescriptorBuilder& DescriptorBuilder::String(std::string_view label,
                                             std::uint32_t size,
                                             std::string_view picture) {
  return Text(FieldType::STRING, label, size, picture);
}
DescriptorBuilder& DescriptorBuilder::CString(std::string_view label,
                                              std::uint32_t size,
                                              std::string_view picture) {
  return Text(FieldType::CSTRING, label, size, picture);
}
DescriptorBuilder& DescriptorBuilder::PString(std::string_view label,
                                              std::uint32_t size,
                                              std::string_view picture) {
  return Text(FieldType::PSTRING, label, size, picture);
}
DescriptorBuilder& DescriptorBuilder::Memo(std::string_view label,
                                           std::uint32_t size) {
  return Text(FieldType::MEMO, label, size, {});
}

DescriptorBuilder& DescriptorBuilder::Packed(FieldType type,
                                             std::string_view label, int digits,
                                             int places) {
  Entry entry;
  entry.type = type;
  entry.size = static_cast<std::uint32_t>(digits / 2 + 1);
  entry.places = static_cast<std::uint8_t>(places);
  entry.label = label;
  return Add(std::move(entry));
}

DescriptorBuilder& DescriptorBuilder::Decimal(std::string_view label,
                                              int digits, int places) {
  return Packed(FieldType::DECIMAL, label, digits, places);
}
DescriptorBuilder& DescriptorBuilder::PDecimal(std::string_view label,
                                               int digits, int places) {
  return Packed(FieldType::PDECIMAL, label, digits, places);
}

DescriptorBuilder& DescriptorBuilder::Group(std::string_view label,
                                            std::uint32_t third_count) {
  Entry entry;
  entry.type = FieldType::GROUP;
  entry.label = label;
  entry.third_count = third_count;
  Add(std::move(entry));
  pending_ = kNone;  // its extent is known only at End()
  open_.push_back(last_);
  running_.push_back(0);
  return *this;
}

DescriptorBuilder& DescriptorBuilder::End() {
  assert(!open_.empty());
  CommitPending();
  const int group = open_.back();
  entries_[group].size = static_cast<std::uint32_t>(running_.back());
  open_.pop_back();
  running_.pop_back();
  last_ = group;
  pending_ = group;
  return *this;
}

DescriptorBuilder& DescriptorBuilder::Dim(
    std::initializer_list<std::int32_t> bounds) {
  entries_[last_].dims.assign(bounds.begin(), bounds.end());
  return *this;
}

DescriptorBuilder& DescriptorBuilder::Name(std::string_view external_name) {
  entries_[last_].name = external_name;
  return *this;
}

DescriptorBuilder& DescriptorBuilder::At(std::int32_t offset) {
  entries_[last_].offset = offset;
  return *this;
}

DescriptorBuilder& DescriptorBuilder::Over(std::string_view label) {
  const int parent = entries_[last_].parent;
  for (int i = 0; i < last_; ++i) {
    const Entry& other = entries_[i];
    if (other.parent == parent && other.label == label) {
      return At(static_cast<std::int32_t>(
          other.offset ? static_cast<std::uint64_t>(*other.offset)
                       : other.relative));
    }
  }
  assert(false && "Over() names no earlier field at this level");
  return *this;
}

DescriptorBuilder& DescriptorBuilder::OneByteSize() {
  assert(entries_[last_].type != FieldType::GROUP);
  assert(entries_[last_].size <= kMaxByteSize);
  entries_[last_].flags |= kDescByteSize;
  return *this;
}

void DescriptorBuilder::Write(const Entry& entry,
                              std::vector<std::uint8_t>& out) const {
  std::uint8_t flags = entry.flags;
  const bool has_picture = !entry.picture.empty();
  if (has_picture) flags |= kDescPicture;
  if (!entry.label.empty()) flags |= kDescLabel;
  if (!entry.name.empty()) flags |= kDescName;
  if (entry.offset) flags |= kDescOffset;
  if (!entry.dims.empty()) flags |= kDescDims;
  out.push_back(static_cast<std::uint8_t>(entry.type));
  out.push_back(flags);
  if (flags & kDescByteSize) {
    out.push_back(static_cast<std::uint8_t>(entry.size));
  } else if (IsDecimalType(entry.type)) {
    out.push_back(static_cast<std::uint8_t>(entry.size));
    out.push_back(entry.places);
  } else if (IsTextType(entry.type) || entry.type == FieldType::MEMO) {
    AppendPacked(out, static_cast<std::int32_t>(entry.size));
  } else if (entry.type == FieldType::GROUP) {
    AppendU32(out, entry.size);
    AppendU32(out, entry.member_count);
    AppendU32(out, entry.third_count);
  }
  if (has_picture) AppendText(out, entry.picture);
  if (!entry.label.empty()) AppendText(out, entry.label);
  if (!entry.name.empty()) AppendText(out, entry.name);
  if (entry.offset) AppendPacked(out, *entry.offset);
  if (!entry.dims.empty()) {
    out.push_back(static_cast<std::uint8_t>(entry.dims.size()));
    for (std::int32_t bound : entry.dims) AppendPacked(out, bound);
  }
}

std::vector<std::uint8_t> DescriptorBuilder::Build() const {
  DescriptorBuilder closed = *this;
  while (!closed.open_.empty()) closed.End();
  std::vector<std::uint8_t> out;
  for (const Entry& entry : closed.entries_) Write(entry, out);
  out.push_back(static_cast<std::uint8_t>(FieldType::END));
  return out;
}

}  // namespace vantrel
