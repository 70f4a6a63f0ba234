#include "runtime/data/view/view_fields.h"

#include "runtime/data/expr/expr_bind.h"
#include "runtime/data/types/field_dump.h"
#include "runtime/data/types/field_number.h"
#include "runtime/data/types/field_text.h"
#include "runtime/data/types/std_date.h"

namespace vantrel {

ExprValue ReadFieldValue(const FileDeclaration& file, const FieldInfo& field) {
  if (std::uint64_t{field.offset} + field.size > file.record.size()) {
    return ExprValue::String({});
  }
  const auto* bytes =
      reinterpret_cast<const std::uint8_t*>(file.record.data()) + field.offset;
  switch (field.type) {
    case FieldType::STRING:
    case FieldType::CSTRING:
    case FieldType::PSTRING:
    case FieldType::MEMO:
      return ExprValue::String(
          std::string(FieldText(field.type, bytes, field.size)));
    case FieldType::DATE:
      return ExprValue::Integer(DateFieldToStandard(
          static_cast<std::uint32_t>(*LoadWholeNumber(field.type, bytes))));
    case FieldType::TIME:
      return ExprValue::Integer(TimeFieldToStandard(
          static_cast<std::uint32_t>(*LoadWholeNumber(field.type, bytes))));
    case FieldType::DECIMAL:
    case FieldType::PDECIMAL:
      return NumberFromText(FieldValueText(field, bytes));
    default:
      break;
  }
  if (auto whole = LoadWholeNumber(field.type, bytes)) {
    return ExprValue::Integer(*whole);
  }
  if (auto real = LoadRealNumber(field.type, bytes)) {
    return ExprValue::Real(*real);
  }
  return ExprValue::String(
      std::string(reinterpret_cast<const char*>(bytes), field.size));
}

ViewFields::ViewFields(const std::vector<ViewSlot>& slots) {
  for (std::size_t slot = 0; slot < slots.size(); ++slot) {
    const FileDeclaration& file = *slots[slot].file;
    const std::size_t count = file.descriptor.FieldCount();
    for (std::size_t n = 1; n <= count; ++n) {
      std::optional<FieldInfo> info = file.descriptor.Field(n);
      if (!info || info->label.empty() || info->type == FieldType::GROUP) {
        continue;
      }
      // A label without a prefix is reached with the file's.
      std::string label = info->label;
      if (label.find(':') == std::string::npos && !file.label.empty()) {
        label = file.label + ':' + label;
      }
      std::string name = CutBindName(label);
      if (name.empty()) continue;
      Entry entry{{static_cast<int>(slot), static_cast<int>(n)},
                  &file,
                  std::move(*info)};
      names_.emplace(std::move(name), std::move(entry));  // first one wins
    }
  }
}

ExprParse ViewFields::Parse(std::string_view text) const {
  PushScope(true);
  for (const auto& [name, entry] : names_) {
    const FileDeclaration* file = entry.file;
    const FieldInfo* info = &entry.info;
    BindReader(name, [file, info] { return ReadFieldValue(*file, *info); });
  }
  ExprParse parse = ParseExpression(text);
  PopScope();
  return parse;
}

std::optional<ViewFieldRef> ViewFields::FieldOf(const ExprNode& node) const {
  if (node.kind != ExprNodeKind::kReference) return std::nullopt;
  auto found = names_.find(CutBindName(node.name));
  if (found == names_.end()) return std::nullopt;
  return found->second.ref;
}

}  // namespace vantrel
