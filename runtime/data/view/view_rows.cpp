#include "runtime/data/view/view_rows.h"

#include <cstring>
#include <set>

#include "runtime/data/base/error_state.h"
#include "runtime/data/expr/expr_evaluate.h"
#include "runtime/data/text/string_compare.h"
#include "runtime/data/types/field_compare.h"
#include "runtime/data/types/field_text.h"
#include "runtime/data/types/record_clear.h"
#include "runtime/data/view/view_key_plan.h"

namespace vantrel {
namespace {

std::uint8_t* Bytes(FileDeclaration& file) {
  return reinterpret_cast<std::uint8_t*>(file.record.data());
}
const std::uint8_t* Bytes(const FileDeclaration& file) {
  return reinterpret_cast<const std::uint8_t*>(file.record.data());
}

bool FitsRecord(const FileDeclaration& file, const FieldInfo& field) {
  return std::uint64_t{field.offset} + field.Extent() <= file.record.size();
}

std::string_view AfterPrefix(std::string_view label) {
  const auto colon = label.rfind(':');
  return colon == std::string_view::npos ? label : label.substr(colon + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  return CompareStringsNoCase(a, b) == 0 && a.size() == b.size();
}

// The parent's field named like `key_field` after the prefixes.
std::optional<FieldInfo> NamesakeIn(const FileDeclaration& parent,
                                    const FieldInfo& key_field) {
  const std::size_t count = parent.descriptor.FieldCount();
  for (std::size_t n = 1; n <= count; ++n) {
    std::optional<FieldInfo> field = parent.descriptor.Field(n);
    if (field && field->type != FieldType::GROUP &&
        SameName(AfterPrefix(field->label), AfterPrefix(key_field.label))) {
      return field;
    }
  }
  return std::nullopt;
}

}  // namespace

int ReadRecordAt(const ViewFileCall& call, FileDeclaration& file,
                 std::int64_t pointer) {
  DriverArgs args;
  args.pointer = pointer;
  return call(file, DriverOp::kGETfileptr, args).code;
}

std::int64_t CurrentPointer(const ViewFileCall& call, FileDeclaration& file) {
  DriverArgs args;
  DriverResult result = call(file, DriverOp::kPOINTERfile, args);
  return result.code == 0 ? result.value : 0;
}

ViewRowReader::ViewRowReader(std::vector<ViewSlot> slots, ViewFileCall call)
    : slots_(std::move(slots)), call_(std::move(call)) {}

int ViewRowReader::Prepare() {
  links_.assign(slots_.size(), {});
  pointers_.assign(slots_.size(), 0);
  std::set<const FileDeclaration*> files;
  for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
    if (slots_[slot].file == nullptr ||
        !files.insert(slots_[slot].file).second) {
      return kErrInvalidRecordDeclaration;
    }
    if (slot > 0) {
      if (int code = LinkJoin(slot); code != 0) return code;
    }
  }
  return 0;
}

int ViewRowReader::LinkJoin(std::size_t slot) {
  const ViewJoin& join = *slots_[slot].join;
  const FileDeclaration& parent = *slots_[slots_[slot].parent].file;
  if (join.key == nullptr || join.key->file != join.file) {
    return kErrInvalidRecordDeclaration;
  }
  const std::vector<std::int16_t>& components = join.key->components;
  if (join.linking_fields.size() > components.size()) {
    return kErrInvalidRecordDeclaration;
  }
  std::vector<Link>& links = links_[slot];
  for (std::size_t i = 0; i < components.size(); ++i) {
    std::optional<FieldInfo> key_field =
        join.file->descriptor.Field(std::abs(components[i]));
    if (!key_field) return kErrInvalidRecordDeclaration;
    std::optional<FieldInfo> parent_field;
    if (!join.linking_fields.empty()) {
      if (i == join.linking_fields.size()) break;
      parent_field = parent.descriptor.Field(join.linking_fields[i]);
      if (!parent_field) return kErrInvalidRecordDeclaration;
    } else {
      parent_field = NamesakeIn(parent, *key_field);
      if (!parent_field) break;  // the leading components that have one
    }
    if (!SameStorage(*parent_field, *key_field) ||
        !FitsRecord(parent, *parent_field) ||
        !FitsRecord(*join.file, *key_field)) {
      return kErrInvalidRecordDeclaration;
    }
    links.push_back({std::move(*parent_field), std::move(*key_field)});
  }
  return links.empty() ? kErrInvalidRecordDeclaration : 0;
}

int ViewRowReader::CollectRows(std::int64_t primary_pointer,
                               const ViewRowRules& rules,
                               std::vector<ViewRow>& out) {
  pointers_[0] = primary_pointer;
  return Descend(1, rules, out);
}

int ViewRowReader::Descend(std::size_t slot, const ViewRowRules& rules,
                           std::vector<ViewRow>& out) {
  if (slot == slots_.size()) {
    EmitRow(rules, out);
    return 0;
  }
  if (pointers_[static_cast<std::size_t>(slots_[slot].parent)] == 0) {
    // Under an outer join that matched nothing: no record here either.
    ClearSlot(slot);
    return Descend(slot + 1, rules, out);
  }
  return DescendJoin(slot, rules, out);
}

int ViewRowReader::DescendJoin(std::size_t slot, const ViewRowRules& rules,
                               std::vector<ViewRow>& out) {
  const ViewJoin& join = *slots_[slot].join;
  FileDeclaration& file = *join.file;
  const FileDeclaration& parent =
      *slots_[static_cast<std::size_t>(slots_[slot].parent)].file;
  // The linking values go into the key's fields, where SET by key starts.
  std::vector<std::uint8_t> values;
  for (const Link& link : links_[slot]) {
    const std::uint8_t* from = Bytes(parent) + link.parent_field.offset;
    values.insert(values.end(), from, from + link.key_field.Extent());
    std::memcpy(Bytes(file) + link.key_field.offset, from,
                link.key_field.Extent());
  }
  // The components after the linked ones start from their floor, so that
  // SET by key lands on the first match. Where no floor can be written the
  // key is read from its start up to the matches.
  const bool starts_at_match = StartAtFloor(slot);
  DriverArgs set;
  set.key = join.key;
  const DriverOp op =
      starts_at_match ? DriverOp::kSETkeykey : DriverOp::kSETkey;
  if (int code = call_(file, op, set).code; code != 0) return code;
  bool found = false;
  for (;;) {
    DriverArgs next;
    const int code = call_(file, DriverOp::kNEXT, next).code;
    if (code == kErrRecordNotAvailable) break;  // the end of the file
    if (code != 0) return code;
    if (!Matches(slot, values)) {
      if (found || starts_at_match) break;
      continue;
    }
    found = true;
    pointers_[slot] = CurrentPointer(call_, file);
    if (int inner = Descend(slot + 1, rules, out); inner != 0) return inner;
  }
  if (found || join.inner) return 0;
  ClearSlot(slot);
  return Descend(slot + 1, rules, out);
}

bool ViewRowReader::StartAtFloor(std::size_t slot) {
  FileDeclaration& file = *slots_[slot].file;
  const std::vector<std::int16_t>& components =
      slots_[slot].join->key->components;
  for (std::size_t i = links_[slot].size(); i < components.size(); ++i) {
    std::optional<FieldInfo> field =
        file.descriptor.Field(std::abs(components[i]));
    if (!field || !FitsRecord(file, *field) ||
        !StoreKeyFloor(*field, components[i] < 0,
                       Bytes(file) + field->offset)) {
      return false;
    }
  }
  return true;
}

bool ViewRowReader::Matches(std::size_t slot,
                            const std::vector<std::uint8_t>& values) const {
  const FileDeclaration& file = *slots_[slot].file;
  const bool nocase = (slots_[slot].join->key->flags & kKeyNoCase) != 0;
  std::size_t at = 0;
  for (const Link& link : links_[slot]) {
    const FieldInfo& field = link.key_field;
    const std::uint8_t* mine = Bytes(file) + field.offset;
    const std::uint8_t* wanted = values.data() + at;
    at += field.Extent();
    int c = 0;
    if (nocase && IsTextType(field.type)) {
      c = CompareStringsNoCase(FieldText(field.type, mine, field.size),
                               FieldText(field.type, wanted, field.size));
    } else {
      c = CompareFieldValues(field, mine, wanted);
    }
    if (c != 0) return false;
  }
  return true;
}

void ViewRowReader::EmitRow(const ViewRowRules& rules,
                            std::vector<ViewRow>& out) {
  if (rules.filter != nullptr) {
    // A record the filter cannot be worked out for is not in the view.
    std::optional<ExprValue> keep = EvaluateTree(*rules.filter);
    if (!keep || !AsBool(*keep)) return;
  }
  ViewRow row;
  row.pointers = pointers_;
  for (const ExprNode* component : rules.order) {
    std::optional<ExprValue> value = EvaluateTree(*component);
    row.order_values.push_back(value ? std::move(*value)
                                     : ExprValue::String({}));
  }
  out.push_back(std::move(row));
}

void ViewRowReader::ClearSlot(std::size_t slot) {
  pointers_[slot] = 0;
  FileDeclaration& file = *slots_[slot].file;
  ClearRecord(file.descriptor, {Bytes(file), file.record.size()});
}

int ViewRowReader::LoadRow(const ViewRow& row, bool load_primary) {
  for (std::size_t slot = load_primary ? 0 : 1; slot < slots_.size(); ++slot) {
    const std::int64_t pointer = row.pointers[slot];
    if (pointer == 0) {
      ClearSlot(slot);
    } else if (int code = ReadRecordAt(call_, *slots_[slot].file, pointer);
               code != 0) {
      return code;
    }
  }
  return 0;
}

}  // namespace vantrel
