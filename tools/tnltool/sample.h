// tnltool sample: adds generated records through the native driver to a
// sample table, as data for benchmarks and for crash and concurrency tests.
//
// The table (created when missing, appended to when it exists) holds text,
// number, date, time, decimal, real and byte fields, a memo, and keys of
// every kind: unique, DUP, OPT, NOCASE and one with a descending component.
// The file is opened shared for reading and writing by others, so several
// processes may add to it at once.
#ifndef VANTREL_TOOLS_TNLTOOL_SAMPLE_H_
#define VANTREL_TOOLS_TNLTOOL_SAMPLE_H_

#include <cstdint>
#include <ostream>
#include <string>

namespace vantrel {

struct SampleOptions {
  std::string file;
  std::string table;  // empty: the file's unnamed table
  std::string password;
  std::uint64_t records = 0;
  std::uint32_t seed = 1;
  std::uint64_t batch = 0;  // records per transaction; 0: one per operation
};

// Adds the records; returns the tool's exit status.
int RunSample(const SampleOptions& options, std::ostream& out,
              std::ostream& err);

}  // namespace vantrel

#endif  // VANTREL_TOOLS_TNLTOOL_SAMPLE_H_
