#include "runtime/data/view/view_trace.h"

#include <cstdio>
#include <cstdlib>

#include "os/posix/profile_store.h"
#include "runtime/data/driver/driver_trace.h"
#include "runtime/data/types/field_dump.h"

namespace vantrel {
namespace {

constexpr std::string_view kViewSection = "HWVIEW";
constexpr std::string_view kTraceIntoFilesEntry = "TraceIntoFiles";
constexpr std::size_t kIndentStep = 2;

std::string FieldLabel(const FileDeclaration& file, int number) {
  std::optional<FieldInfo> field = file.descriptor.Field(number);
  return field ? field->label : std::to_string(number);
}

std::string ItemText(const FileDeclaration& file, const ViewItem& item) {
  if (item.kind == ViewItem::Kind::kMemo) {
    const auto index = static_cast<std::size_t>(item.number - 1);
    const std::string label = index < file.memos.size()
                                  ? file.memos[index].label
                                  : std::to_string(item.number);
    return "MEMO(" + label + ")";
  }
  return "FIELD(" + FieldLabel(file, item.number) + ")";
}

void AddLine(std::vector<std::string>& lines, std::size_t depth,
             std::string text) {
  lines.push_back(std::string(depth * kIndentStep, ' ') + std::move(text));
}

void AddProjection(std::vector<std::string>& lines, std::size_t depth,
                   const FileDeclaration& file,
                   const std::vector<ViewItem>& items) {
  if (items.empty()) return;
  std::string text = "PROJECT(";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += ',';
    text += ItemText(file, items[i]);
  }
  AddLine(lines, depth, text + ")");
}

void AddJoins(std::vector<std::string>& lines, std::size_t depth,
              const FileDeclaration& parent,
              const std::vector<ViewJoin>& joins) {
  for (const ViewJoin& join : joins) {
    std::string text = "JOIN(";
    text += join.key != nullptr ? join.key->label : std::string("KEY");
    for (int number : join.linking_fields) {
      text += ",FIELD(" + FieldLabel(parent, number) + ")";
    }
    text += ')';
    if (join.inner) text += ",INNER";
    AddLine(lines, depth, std::move(text));
    if (join.file != nullptr) {
      AddProjection(lines, depth + 1, *join.file, join.project);
      AddJoins(lines, depth + 1, *join.file, join.joins);
    }
    AddLine(lines, depth, "END");
  }
}

void AddValue(std::vector<DumpLine>& lines, const FileDeclaration& file,
              const FieldInfo& field) {
  if (field.type == FieldType::GROUP ||
      std::uint64_t{field.offset} + field.Extent() > file.record.size()) {
    return;
  }
  lines.push_back(DumpLine{
      0, field.label,
      FieldValueText(field,
                     reinterpret_cast<const std::uint8_t*>(file.record.data()) +
                         field.offset)});
}

void AddValues(std::vector<DumpLine>& lines, const FileDeclaration& file,
               const std::vector<ViewItem>& items) {
  if (items.empty()) {
    for (std::size_t n = 1; n <= file.descriptor.FieldCount(); ++n) {
      if (auto field = file.descriptor.Field(n)) AddValue(lines, file, *field);
    }
    return;
  }
  for (const ViewItem& item : items) {
    if (item.kind != ViewItem::Kind::kField) continue;
    if (auto field = file.descriptor.Field(item.number)) {
      AddValue(lines, file, *field);
    }
  }
}

}  // namespace

std::vector<std::string> ViewDetailLines(const ViewDeclaration& view,
                                         DriverOp op) {
  if (!TraceCarriesRecord(op)) return {};
  std::vector<DumpLine> lines;
  for (const ViewSlot& slot : FlattenView(view)) {
    if (slot.file == nullptr) continue;
    AddValues(lines, *slot.file,
              slot.join != nullptr ? slot.join->project : view.project);
  }
  return TraceValueLines(lines);
}

std::vector<std::string> ViewStructureLines(const ViewDeclaration& view) {
  std::vector<std::string> lines;
  AddLine(lines, 0, "VIEW(" + view.primary->label + ")");
  AddProjection(lines, 1, *view.primary, view.project);
  AddJoins(lines, 1, *view.primary, view.joins);
  AddLine(lines, 0, "END");
  lines.emplace_back();
  return lines;
}

std::string ViewCallPrefix(const ViewDeclaration& view) {
  char prefix[32];
  std::snprintf(prefix, sizeof prefix,
                "VIEW:%lX:", static_cast<unsigned long>(view.handle()));
  return prefix;
}

bool ReadTraceIntoFiles() {
  return std::atol(GetIni(kViewSection, kTraceIntoFilesEntry, "0").c_str()) !=
         0;
}

}  // namespace vantrel
