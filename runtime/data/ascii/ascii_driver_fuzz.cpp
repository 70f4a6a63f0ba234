// Reads arbitrary bytes through the ASCII driver with arbitrary options, and
// writes records back, so that no file content or option crashes or hangs it.
//
// Input: byte 0 gives the record length (mod 64), the rest of the first line
// is the driver string, everything after it is the text file.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/data/ascii/ascii_driver.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_declaration.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/descriptor_builder.h"

namespace {

constexpr std::size_t kMaxSteps = 4096;

std::string TempPath() {
  static std::string path = [] {
    char pattern[] = "/tmp/vantrel_ascii_fuzz_XXXXXX";
    int fd = mkstemp(pattern);
    if (fd >= 0) close(fd);
    return std::string(pattern);
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace vantrel;
  if (size < 2) return 0;
  std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t record_length = static_cast<std::uint8_t>(input[0]) % 64;
  std::size_t newline = input.find('\n', 1);
  std::string options =
      input.substr(1, newline == std::string::npos ? 0 : newline - 1);
  std::string text = newline == std::string::npos ? input.substr(1)
                                                  : input.substr(newline + 1);
  const std::string path = TempPath();
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;

  std::vector<char> record(record_length, ' ');
  FileDeclaration file;
  RegisterAsciiDriver();
  file.driver_name = "ASCII";
  file.driver_string = options;
  file.name = path;
  file.descriptor =
      DescriptorBuilder()
          .Group("F:R")
          .String("F:S", static_cast<std::uint32_t>(record_length))
          .End()
          .Descriptor();
  file.record = record;

  Open(file, kOpenReadWrite | kOpenDenyAll);
  Set(file);
  std::vector<std::int64_t> pointers;
  for (std::size_t step = 0; step < kMaxSteps; ++step) {
    Next(file);
    if (ErrorCode() != 0) break;
    pointers.push_back(Pointer(file));
  }
  // Rewrite every other record read, longer, then read them again.
  for (std::size_t i = 0; i < pointers.size() && i < 16; i += 2) {
    Get(file, pointers[i]);
    if (ErrorCode() == 0 && record_length > 0) record[0] = 'X';
    Put(file);
  }
  Add(file);
  Set(file);
  for (std::size_t step = 0; step < kMaxSteps; ++step) {
    Next(file);
    if (ErrorCode() != 0) break;
  }
  Send(file, options.substr(0, options.find(' ')));
  Close(file);
  return 0;
}
