// Reads one text file record by record through the ASCII driver and, in the
// same run, line by line with std::getline, and prints the cost ratio.
//
//   ascii_bench [--mb=N]   size of the text file in megabytes (default 100)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/ascii/ascii_driver.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_declaration.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/descriptor_builder.h"

namespace {

constexpr std::uint32_t kRecordLength = 128;
constexpr std::size_t kMegabyte = 1 << 20;
constexpr int kRounds = 3;

std::string MakeFile(std::size_t bytes) {
  std::string path = "/tmp/vantrel_ascii_bench.txt";
  std::ofstream out(path, std::ios::binary);
  std::mt19937 random(42);
  std::uniform_int_distribution<int> length(10, 110);
  std::uniform_int_distribution<int> letter('a', 'z');
  std::string line;
  for (std::size_t written = 0; written < bytes;) {
    line.assign(static_cast<std::size_t>(length(random)), ' ');
    for (char& c : line) c = static_cast<char>(letter(random));
    line += "\r\n";
    out << line;
    written += line.size();
  }
  return path;
}

double CpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

// The processor time (user and system) the body takes: steadier than the
// wall clock on a machine that other work shares.
template <typename Body>
double Seconds(Body body) {
  double start = CpuSeconds();
  body();
  return CpuSeconds() - start;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t megabytes = 100;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.rfind("--mb=", 0) == 0) megabytes = std::stoul(argv[i] + 5);
  }
  std::string path = MakeFile(megabytes * kMegabyte);

  using namespace vantrel;
  std::vector<char> buffer(kRecordLength);
  FileDeclaration file;
  file.label = "TXT";
  RegisterAsciiDriver();
  file.driver_name = "ASCII";
  file.driver_string = "/FILEBUFFERS=16";  // 8 KB, as the stream's buffer
  file.name = path;
  file.descriptor = DescriptorBuilder()
                        .Group("TXT:RECORD")
                        .String("TXT:LINE", kRecordLength)
                        .End()
                        .Descriptor();
  file.record = buffer;

  std::size_t driver_lines = 0;
  std::size_t driver_sum = 0;
  auto read_driver = [&] {
    driver_lines = driver_sum = 0;
    Open(file);
    Set(file);
    for (Next(file); ErrorCode() == 0; Next(file)) {
      ++driver_lines;
      driver_sum += static_cast<unsigned char>(buffer[0]);
    }
    Close(file);
  };
  std::size_t getline_lines = 0;
  std::size_t getline_sum = 0;
  auto read_getline = [&] {
    getline_lines = getline_sum = 0;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      ++getline_lines;
      getline_sum += static_cast<unsigned char>(line[0]);
    }
  };

  // Both read a file the page cache holds; the best of a few rounds each.
  read_getline();
  double driver = 1e30;
  double reference = 1e30;
  for (int round = 0; round < kRounds; ++round) {
    driver = std::min(driver, Seconds(read_driver));
    reference = std::min(reference, Seconds(read_getline));
  }
  std::remove(path.c_str());

  if (driver_lines != getline_lines || driver_sum != getline_sum) {
    std::cerr << "mismatch: driver read " << driver_lines << " lines, getline "
              << getline_lines << "\n";
    return 1;
  }
  std::printf("%zu MB, %zu lines: driver %.3f s, getline %.3f s (CPU)\n",
              megabytes, driver_lines, driver, reference);
  std::printf("ratio ascii_next_vs_getline %.3f\n", driver / reference);
  return 0;
}
