// Treats arbitrary bytes as a stored table description: reads it, rebuilds a
// declaration from it and describes that again. Nothing may crash or hang.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_declaration.h"
#include "storage/tnl/driver/declaration_description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace vantrel;
  const auto table = ReadDescription({data, size});
  if (!table) return 0;
  CompareDescription(*table, {data, size});
  FileDeclaration file;
  std::vector<char> buffer(table->record_length);
  file.record = buffer;
  if (DeclareFromDescription(*table, file)) DescribeDeclaration(file);
  ClearError();
  return 0;
}
