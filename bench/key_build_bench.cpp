// Rebuilding the keys of a native table of 100,000 records against building
// the same key entries in std::multimap, in the same run:
//   key_build   RebuildKeys of a DUP NOCASE STRING(20) key and a unique LONG
//               key, committed (reads the data records from the file, sorts
//               externally, removes the old entries, inserts the new ones)
//   multimap    the same entries built from the record images in memory and
//               inserted into one std::multimap per key
// Prints `ratio key_build_vs_multimap <cpu key_build / cpu multimap>`.
// Flags: --records=N (default 100000) and Google Benchmark's own.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/table/file_check.h"
#include "storage/tnl/table/key_build.h"
#include "storage/tnl/table/key_maintenance.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {
namespace {

constexpr std::uint16_t kNameSize = 20;
constexpr std::uint16_t kRecordLength = kNameSize + 4;
const std::uint8_t kKeys[] = {0, 1};

std::size_t record_count = 100000;
std::string path;
std::uint32_t table = 0;
std::vector<std::vector<std::uint8_t>> images;
const CharTables& Tables() {
  static const CharTables tables = CharTables::Defaults();
  return tables;
}

TableDescription People() {
  TableDescription t;
  t.record_length = kRecordLength;
  DescribedField name;
  name.type = FieldType::STRING;
  name.label = "NAME";
  name.size = name.string_length = kNameSize;
  DescribedField id;
  id.type = FieldType::LONG;
  id.label = "ID";
  id.offset = kNameSize;
  id.size = 4;
  t.fields = {name, id};
  t.keys = {
      {std::nullopt, "BYNAME", kDescribedDup | kDescribedNoCase, {{0, 0}}},
      {std::nullopt, "BYID", 0, {{1, 0}}}};
  return t;
}

// Random mixed-case names, unique shuffled IDs.
void MakeImages() {
  std::mt19937 random(42);
  std::uniform_int_distribution<int> letter(0, 51);
  std::vector<std::int32_t> ids(record_count);
  for (std::size_t i = 0; i < record_count; ++i) ids[i] = static_cast<int>(i);
  std::shuffle(ids.begin(), ids.end(), random);
  images.resize(record_count);
  for (std::size_t i = 0; i < record_count; ++i) {
    auto& image = images[i];
    image.assign(kRecordLength, ' ');
    for (int c = 0; c < 8; ++c) {
      const int l = letter(random);
      image[c] = static_cast<std::uint8_t>(l < 26 ? 'A' + l : 'a' + l - 26);
    }
    for (int b = 0; b < 4; ++b) {
      image[kNameSize + b] = static_cast<std::uint8_t>(ids[i] >> (8 * b));
    }
  }
}

// Runs `body` as one committed operation on the bench file.
template <typename Body>
void Change(Body body) {
  TnlFile file;
  if (!file.Open(path, kOpenReadWriteShared)) std::abort();
  const int check = RunOperation(path, [&] {
    if (file.LoadHeader(LockWait::kWait) != kLoadOk) std::abort();
    BTree tree(file);
    body(file, tree);
    if (file.Commit() != 0) std::abort();
  });
  if (check != 0) std::abort();
  file.EndOperation();
}

void MakeFile() {
  path = (std::filesystem::temp_directory_path() /
          ("key_build_bench_" + std::to_string(::getpid()) + ".tnl"))
             .string();
  std::ofstream(path).close();
  Change([](TnlFile& file, BTree& tree) {
    const TableDescription people = People();
    table = CreateTable(file, tree, "PEOPLE", people, false, Tables());
    const TableKeys keys{table, &people, {}, {&Tables()}};
    for (const auto& image : images) {
      if (AddDataRecord(file, tree, keys, image).error != 0) std::abort();
    }
  });
}

void BM_KeyBuild(benchmark::State& state) {
  const TableDescription description = People();
  for (auto _ : state) {
    int code = -1;
    Change([&](TnlFile&, BTree& tree) {
      code = RebuildKeys(tree, table, description, kKeys, {&Tables()}, {});
    });
    if (code != 0) state.SkipWithError("build failed");
  }
}

void BM_Multimap(benchmark::State& state) {
  const TableDescription description = People();
  for (auto _ : state) {
    std::vector<std::multimap<ByteString, std::uint32_t>> keys(2);
    std::uint32_t number = 0;
    for (const auto& image : images) {
      ++number;
      for (std::uint8_t k : kKeys) {
        auto entry =
            BuildKeyEntry(table, k, description, image, number, {&Tables()});
        keys[k].emplace(ByteString(entry->Key().begin(), entry->Key().end()),
                        number);
      }
    }
    benchmark::DoNotOptimize(keys);
  }
}

BENCHMARK(BM_KeyBuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Multimap)->Unit(benchmark::kMillisecond);

// Keeps the CPU time per iteration of every benchmark run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      cpu[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> cpu;
};

}  // namespace
}  // namespace vantrel

int main(int argc, char** argv) {
  using namespace vantrel;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--records=", 0) == 0) {
      record_count = std::stoul(arg.substr(10));
    } else {
      args.push_back(argv[i]);
    }
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  MakeImages();
  MakeFile();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // The rebuilt file must hold exactly the entries its records call for.
  std::vector<std::string> problems;
  {
    TnlFile file;
    problems = file.Open(path, kOpenReadShared)
                   ? CheckFileIntegrity(file)
                   : std::vector<std::string>{"cannot open " + path};
  }
  std::remove(path.c_str());
  if (!problems.empty()) {
    std::fprintf(stderr, "after the builds: %s\n", problems.front().c_str());
    return 1;
  }
  const double ours = reporter.cpu["BM_KeyBuild"];
  const double reference = reporter.cpu["BM_Multimap"];
  if (ours > 0 && reference > 0) {
    std::printf("ratio key_build_vs_multimap %.3f\n", ours / reference);
  }
  return 0;
}
