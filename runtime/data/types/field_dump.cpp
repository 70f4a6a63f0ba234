#include "runtime/data/types/field_dump.h"

#include <array>
#include <cinttypes>
#include <cstdio>
#include <unordered_map>

#include "runtime/data/types/decimal.h"
#include "runtime/data/types/field_number.h"
#include "runtime/data/types/field_text.h"
#include "runtime/data/types/group_nesting_internal.h"
#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

constexpr std::array<const char*, 12> kMonthAbbreviations = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr int kMaxDumpDay = 31;
constexpr int kMaxDumpMonth = 12;
constexpr int kHoursPerDay = 24;
constexpr int kSixty = 60;
constexpr std::string_view kEnd = "END";

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char buffer[128];
  const int n = std::snprintf(buffer, sizeof buffer, format, args...);
  return std::string(buffer,
                     n < 0 ? 0 : std::min<std::size_t>(n, sizeof buffer - 1));
}

std::string DateText(std::uint32_t raw) {
  const DateParts date = UnpackDateField(raw);
  const long value = static_cast<std::int32_t>(raw);
  if (date.day == 0 || date.day > kMaxDumpDay || date.month == 0 ||
      date.month > kMaxDumpMonth) {
    return Format("Invalid date (%ld)", value);
  }
  return Format("%02d %s %d (%ld)", date.day,
                kMonthAbbreviations[date.month - 1], date.year, value);
}

std::string TimeText(std::uint32_t raw) {
  const TimeParts time = UnpackTimeField(raw);
  const long value = static_cast<std::int32_t>(raw);
  if (time.hours >= kHoursPerDay || time.minutes >= kSixty ||
      time.seconds >= kSixty) {
    return Format("Invalid time (%ld)", value);
  }
  return Format("%02d:%02d:%02d.%02d (%ld)", time.hours, time.minutes,
                time.seconds, time.hundredths, value);
}

std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  quoted.append(text);
  quoted.push_back('\'');
  return quoted;
}

}  // namespace

std::string FieldValueText(const FieldInfo& field, const std::uint8_t* value,
                           PictureFormatter formatter) {
  if (field.size < FixedFieldSize(field.type)) return {};
  switch (field.type) {
    case FieldType::BYTE:
      return Format("%02XH", value[0]);
    case FieldType::SHORT:
    case FieldType::USHORT:
    case FieldType::LONG:
    case FieldType::ULONG:
      return Format("%" PRId64, *LoadWholeNumber(field.type, value));
    case FieldType::DATE:
      return DateText(
          static_cast<std::uint32_t>(*LoadWholeNumber(field.type, value)));
    case FieldType::TIME:
      return TimeText(
          static_cast<std::uint32_t>(*LoadWholeNumber(field.type, value)));
    case FieldType::SREAL:
      return Format("%f", *LoadRealNumber(field.type, value));
    case FieldType::REAL:
    case FieldType::BFLOAT8:
      return Format("%.15g", *LoadRealNumber(field.type, value));
    case FieldType::DECIMAL:
    case FieldType::PDECIMAL:
      return DecimalToText(DecimalField{field.type, field.size, field.places},
                           value);
    case FieldType::STRING:
    case FieldType::CSTRING:
    case FieldType::PSTRING: {
      const std::string_view text = FieldText(field.type, value, field.size);
      if (field.type == FieldType::STRING && formatter &&
          !field.picture.empty()) {
        return Quoted(formatter(field.picture, text));
      }
      return Quoted(text);
    }
    default:
      return {};
  }
}

std::string FieldDeclaration(const FieldInfo& field,
                             std::string_view over_label) {
  std::string text(FieldTypeName(static_cast<int>(field.type)));
  if (IsDecimalType(field.type)) {
    text += Format("(%u,%u)", 2 * field.size - 1, unsigned{field.places});
  } else if (IsTextType(field.type)) {
    if (field.picture.empty()) {
      text += Format("(%u)", field.size);
    } else {
      // Pictures may be stored with or without their leading '@'.
      const bool has_at = field.picture.front() == '@';
      text += (has_at ? "(" : "(@") + field.picture + ")";
    }
  }
  if (!field.dims.empty()) {
    text += ", DIM(";
    for (std::size_t i = 0; i < field.dims.size(); ++i) {
      if (i > 0) text += ',';
      text += std::to_string(field.dims[i]);
    }
    text += ')';
  }
  if (!over_label.empty()) {
    text += ", OVER(" + std::string(over_label) + ")";
  }
  if (!field.external_name.empty() && field.external_name != field.label) {
    text += ",NAME('" + field.external_name + "')";
  }
  return text;
}

std::optional<std::vector<DumpLine>> DumpDeclarations(
    const TypeDescriptor& descriptor) {
  const auto fields = descriptor.Fields();
  if (!fields) return std::nullopt;
  std::vector<DumpLine> lines;
  // Per open group (and the record itself): its earlier fields, so that a
  // field placed over one of them can name it.
  struct Level {
    std::uint32_t depth = 0;  // the group's own depth
    // Its members so far by offset, the first one at each offset.
    std::unordered_map<std::uint32_t, const FieldInfo*> by_offset;
  };
  Level top_level;
  GroupNesting<Level> nesting;
  auto close = [&lines](const Level& group) {
    lines.push_back(DumpLine{group.depth, {}, std::string(kEnd)});
  };
  for (const FieldInfo& field : *fields) {
    nesting.Reach(field, close);
    Level* level = nesting.Innermost();
    if (!level) level = &top_level;
    std::string_view over;
    if (field.HasExplicitOffset()) {
      const auto earlier = level->by_offset.find(field.offset);
      if (earlier != level->by_offset.end()) over = earlier->second->label;
    }
    lines.push_back(
        DumpLine{field.depth, field.label, FieldDeclaration(field, over)});
    level->by_offset.emplace(field.offset, &field);
    if (field.type == FieldType::GROUP)
      nesting.Open(field, Level{field.depth, {}});
  }
  nesting.CloseAll(close);
  return lines;
}

std::optional<std::vector<DumpLine>> DumpValues(
    const TypeDescriptor& descriptor, std::span<const std::uint8_t> record,
    PictureFormatter formatter) {
  const auto fields = descriptor.Fields();
  if (!fields) return std::nullopt;
  std::vector<DumpLine> lines;
  GroupNesting<std::uint32_t> nesting;  // frame: the group's depth
  auto close = [&lines](std::uint32_t depth) {
    lines.push_back(DumpLine{depth, {}, std::string(kEnd)});
  };
  for (const FieldInfo& field : *fields) {
    nesting.Reach(field, close);
    DumpLine line{field.depth, field.label, {}};
    if (field.type == FieldType::GROUP) {
      lines.push_back(std::move(line));
      nesting.Open(field, field.depth);
      continue;
    }
    const std::uint32_t elements = field.size == 0 ? 1 : field.ElementCount();
    for (std::uint32_t i = 0; i < elements; ++i) {
      const std::uint64_t at = field.offset + std::uint64_t{i} * field.size;
      if (at + field.size > record.size()) break;
      if (i > 0) line.text += ", ";
      line.text += FieldValueText(field, record.data() + at, formatter);
    }
    lines.push_back(std::move(line));
  }
  nesting.CloseAll(close);
  return lines;
}

}  // namespace vantrel
