// Treats arbitrary bytes as a whole native file: loads its header (running
// recovery when it says a write was interrupted), then reads and decodes
// every page reachable from the root through the structural check. Damage
// must end in a load error or an internal check, never a crash or a hang.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/pager/tnl_file.h"
#include "storage/tnl/table/structure_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace vantrel;
  static const std::string path =
      "/tmp/tnl_file_fuzz_" + std::to_string(::getpid()) + ".vtl";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  TnlFile file;
  if (!file.Open(path, kOpenReadWrite | kOpenDenyAll)) return 0;
  RunOperation(path, [&] {
    if (file.LoadHeader(LockWait::kNoWait) != kLoadOk) return;
    CheckStructure(file);
  });
  file.EndOperation();
  file.Close();
  return 0;
}
