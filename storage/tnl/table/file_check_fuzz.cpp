// Treats arbitrary bytes as a whole native file and runs the full integrity
// check on it. Damage must end in problem lines, never a crash or a hang.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "storage/tnl/table/file_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace vantrel;
  static const std::string path =
      "/tmp/file_check_fuzz_" + std::to_string(::getpid()) + ".vtl";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  TnlFile file;
  if (!file.Open(path, kOpenReadShared)) return 0;
  file.SetReadingMode(true);
  CheckFileIntegrity(file);
  file.Close();
  return 0;
}
