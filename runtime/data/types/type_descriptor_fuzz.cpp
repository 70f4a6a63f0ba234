// Parses arbitrary bytes as a record descriptor and runs every query on it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/types/field_compare.h"
#include "runtime/data/types/field_dump.h"
#include "runtime/data/types/record_clear.h"
#include "runtime/data/types/type_descriptor.h"

namespace {

// Records beyond this are not materialised for the dump.
constexpr std::uint32_t kMaxFuzzRecord = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace vantrel;
  ClearError();
  const TypeDescriptor descriptor(std::vector<std::uint8_t>(data, data + size));
  const std::size_t count = descriptor.FieldCount();
  for (std::size_t n = 0; n <= count + 1; ++n) descriptor.Field(n);
  const auto fields = descriptor.Fields();
  const auto map = RecordMap::Build(descriptor);
  if (fields.has_value() != map.has_value()) __builtin_trap();
  DumpDeclarations(descriptor);
  if (!map || map->record_length() > kMaxFuzzRecord) return 0;
  std::vector<std::uint8_t> record(map->record_length(), 0);
  DumpValues(descriptor, record);
  if (!ClearRecord(descriptor, record)) __builtin_trap();
  DumpValues(descriptor, record);
  for (const FieldInfo& field : *fields) {
    if (field.offset + field.Extent() <= record.size() &&
        CompareFieldValues(field, record.data() + field.offset,
                           record.data() + field.offset) != 0) {
      __builtin_trap();  // a value must equal itself
    }
  }
  return 0;
}
