#include "storage/tnl/driver/declaration_description.h"

#include <algorithm>

#include "runtime/data/base/error_state.h"
#include "runtime/data/types/descriptor_builder.h"

namespace vantrel {
std::optional<TableDescription> DescribeDeclaration(
    const FileDeclaration& file) {
  const std::string& name = file.DisplayName();
  if (file.record.size() > kMaxDeclaredRecord ||
      file.memos.size() > kMaxDeclaredMemos ||
      file.keys.size() > kMaxDeclaredKeys) {
    PostError(kErrInvalidRecordDeclaration, name);
    return std::nullopt;
  }
  const auto fields = file.descriptor.Fields();
  if (!fields || fields->empty() || fields->front().type != FieldType::GROUP) {
    PostError(kErrInvalidDescriptor, name);
    return std::nullopt;
  }
  TableDescription t;
  t.record_length = static_cast<std::uint16_t>(file.record.size());
  std::vector<std::uint16_t> groups;  // position of the open group per depth
  for (std::size_t i = 0; i < fields->size(); ++i) {
    const FieldInfo& info = (*fields)[i];
    if (info.depth > kMaxGroupNesting) {
      PostError(kErrInvalidDescriptor, name);
      return std::nullopt;
    }
    if (info.depth <= 1 && !IsTopLevelFieldType(info.type)) {
      PostError(kErrUnsupportedDataType, name);
      return std::nullopt;
    }
    DescribedField f;
    f.type = info.type;
    f.offset = static_cast<std::uint16_t>(info.offset);
    f.label = info.label;
    f.element_count = static_cast<std::uint16_t>(info.ElementCount());
    f.size = static_cast<std::uint16_t>(info.Extent());
    groups.resize(info.depth + 1);
    f.group = info.depth == 0 ? 0 : groups[info.depth - 1];
    f.position = static_cast<std::uint16_t>(i + 1);
    if (info.type == FieldType::GROUP) groups[info.depth] = f.position;
    if (info.type == FieldType::DECIMAL) {
      f.places = info.places;
      f.element_size = static_cast<std::uint8_t>(info.size);
    }
    if (IsTextType(info.type)) {
      f.string_length = static_cast<std::uint16_t>(info.size);
      if (!info.picture.empty()) f.picture = info.picture;
    }
    t.fields.push_back(std::move(f));
  }
  for (const MemoDeclaration& m : file.memos) {
    DescribedMemo d;
    if (!m.external_name.empty()) d.external_name = m.external_name;
    d.label = m.label;
    d.size = static_cast<std::uint16_t>(m.size);  // 16 bits, as stored
    d.flags = m.flags;
    t.memos.push_back(std::move(d));
  }
  for (const KeyDeclaration& k : file.keys) {
    DescribedKey d;
    if (!k.external_name.empty()) d.external_name = k.external_name;
    d.label = k.label;
    // The description has one byte for a key's flags, so only the low byte
    // is kept: INDEX (kKeyIsIndex) and the runtime-built mark live in the
    // program's declaration alone (TakeDescription).
    d.flags = static_cast<std::uint8_t>(k.flags);
    for (const std::int16_t number : k.components) {
      const int field = number < 0 ? -number : number;
      d.components.push_back({static_cast<std::uint16_t>(field - 1),
                              static_cast<std::uint16_t>(number < 0 ? 1 : 0)});
    }
    t.keys.push_back(std::move(d));
  }
  t.version = std::any_of(t.memos.begin(), t.memos.end(),
                          [](const DescribedMemo& m) {
                            return m.flags & kDescribedMemoBlob;
                          })
                  ? kDescriptionVersionBlob
                  : kDescriptionVersion;
  // What a reader of the file would refuse is refused here already: a
  // field without bytes, one past the record or its group, a key component
  // naming no field.
  if (!DescriptionFault(t).empty()) {
    PostError(kErrInvalidRecordDeclaration, name);
    return std::nullopt;
  }
  return t;
}

namespace {

// Adds one described field to the builder; false for a type whose size the
// description cannot give back.
bool AddField(const DescribedField& f, std::uint32_t count,
              DescriptorBuilder& builder) {
  const std::string label = f.label.value_or("");
  const std::string picture = f.picture.value_or("");
  switch (f.type) {
    case FieldType::GROUP:
      builder.Group(label);
      return true;
    case FieldType::STRING:
      builder.String(label, f.string_length, picture);
      return true;
    case FieldType::CSTRING:
      builder.CString(label, f.string_length, picture);
      return true;
    case FieldType::PSTRING:
      builder.PString(label, f.string_length, picture);
      return true;
    case FieldType::DECIMAL:
      builder.Decimal(label, f.element_size * 2 - 1, f.places);
      return f.element_size > 0;
    case FieldType::PDECIMAL:
      builder.PDecimal(label, static_cast<int>(f.size / count) * 2 - 1, 0);
      return f.size / count > 0;
    default:
      if (FixedFieldSize(f.type) == 0) return false;
      builder.Field(f.type, label);
      return true;
  }
}

}  // namespace

bool DeclareFromDescription(const TableDescription& table,
                            FileDeclaration& file) {
  struct Open {
    std::uint16_t position;
    std::uint16_t offset;
  };
  DescriptorBuilder builder;
  std::vector<Open> open;
  for (const DescribedField& f : table.fields) {
    while (!open.empty() && open.back().position != f.group) {
      builder.End();
      open.pop_back();
    }
    if (f.group != 0 && open.empty()) return false;
    const std::uint16_t base = open.empty() ? 0 : open.back().offset;
    const std::uint32_t count = f.element_count == 0 ? 1 : f.element_count;
    if (f.offset < base || !AddField(f, count, builder)) return false;
    builder.At(f.offset - base);
    if (count > 1) builder.Dim({static_cast<std::int32_t>(count)});
    if (f.type == FieldType::GROUP) open.push_back({f.position, f.offset});
  }
  for (; !open.empty(); open.pop_back()) builder.End();
  file.descriptor = builder.Descriptor();
  file.keys.clear();
  for (const DescribedKey& k : table.keys) {
    KeyDeclaration key;
    key.label = k.label.value_or("");
    key.external_name = k.external_name.value_or("");
    key.flags = k.flags;
    for (const DescribedComponent& c : k.components) {
      const auto number = static_cast<std::int16_t>(c.field + 1);
      key.components.push_back(c.flags ? static_cast<std::int16_t>(-number)
                                       : number);
    }
    file.AddKey(std::move(key));
  }
  file.memos.clear();
  for (const DescribedMemo& m : table.memos) {
    file.memos.push_back({m.label.value_or(""), m.external_name.value_or(""),
                          static_cast<std::uint8_t>(m.flags), m.size});
  }
  return true;
}

}  // namespace vantrel
