#include "runtime/data/types/record_clear.h"

#include <cstring>
#include <vector>

#include "runtime/data/types/decimal.h"
#include "runtime/data/types/group_nesting_internal.h"

namespace vantrel {
namespace {

constexpr std::uint8_t kBlank = ' ';

void ClearElement(const FieldInfo& field, std::uint8_t* value) {
  switch (field.type) {
    case FieldType::STRING:
    case FieldType::MEMO:
      std::memset(value, kBlank, field.size);
      return;
    case FieldType::DECIMAL:
    case FieldType::PDECIMAL: {
      DecimalStack zero;
      zero.PushText("0");
      if (!zero.PopToField(DecimalField{field.type, field.size, field.places},
                           value)) {
        std::memset(value, 0, field.size);
      }
      return;
    }
    default:
      std::memset(value, 0, field.size);
      return;
  }
}

// Where the instances of a field lie: its first instance's offset plus each
// of these shifts, one per element of the dimensioned groups around it.
using Shifts = std::vector<std::uint64_t>;

// The shifts of the elements of `group` inside the instances `outer`, as far
// as they start within the record. Members lie within their group, so
// elements never overlap and there are at most record-size shifts.
Shifts GroupShifts(const FieldInfo& group, const Shifts& outer,
                   std::size_t record_size) {
  Shifts shifts;
  const std::uint32_t elements = group.size == 0 ? 1 : group.ElementCount();
  for (std::uint64_t base : outer) {
    for (std::uint32_t e = 0; e < elements; ++e) {
      const std::uint64_t shift = base + std::uint64_t{e} * group.size;
      if (group.offset + shift >= record_size) break;
      shifts.push_back(shift);
    }
  }
  return shifts;
}

}  // namespace

bool ClearRecord(const TypeDescriptor& descriptor,
                 std::span<std::uint8_t> record) {
  const auto fields = descriptor.Fields();
  if (!fields) return false;
  const Shifts record_level = {0};
  GroupNesting<Shifts> nesting;
  for (const FieldInfo& field : *fields) {
    nesting.Reach(field, [](const Shifts&) {});
    const Shifts* outer = nesting.Innermost();
    if (!outer) outer = &record_level;
    if (field.type == FieldType::GROUP) {
      Shifts inner = GroupShifts(field, *outer, record.size());
      for (std::uint64_t shift : inner) {
        const std::uint64_t at = field.offset + shift;
        if (at + field.size <= record.size()) {
          std::memset(record.data() + at, 0, field.size);
        }
      }
      nesting.Open(field, std::move(inner));
      continue;
    }
    if (field.size == 0) continue;
    for (std::uint64_t shift : *outer) {
      for (std::uint32_t e = 0; e < field.ElementCount(); ++e) {
        const std::uint64_t at =
            field.offset + shift + std::uint64_t{e} * field.size;
        if (at + field.size > record.size()) break;
        ClearElement(field, record.data() + at);
      }
    }
  }
  return true;
}

}  // namespace vantrel
