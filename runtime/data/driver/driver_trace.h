// The driver trace: a log of every driver call of the files whose driver has
// tracing turned on in the system profile. Per driver, its profile section
// holds "Profile" (non-zero: trace), "TraceFile" (the log's name) and
// "Details" (non-zero: add record contents; for an ENCRYPT file only when its
// driver string holds "ALLOWDETAILS").
//
// The log is text, appended to. The first traced call of a file writes the
// file's declaration back in declaration syntax, ended by a blank line; then
// every call writes one line:
//
//   NEXT(names.txt 1)  Error: Record Not Available Time Taken: 0.01 secs
//   |<-- %-18s -->|    error part, when the call failed
//
// With details, the operations that carry a record add one line per field
// (label and value), and SET by key and key value adds the key's components.
#ifndef VANTREL_RUNTIME_DATA_DRIVER_DRIVER_TRACE_H_
#define VANTREL_RUNTIME_DATA_DRIVER_DRIVER_TRACE_H_

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/driver/driver_entry.h"
#include "runtime/data/driver/driver_op.h"
#include "runtime/data/driver/file_declaration.h"
#include "runtime/data/types/field_dump.h"

namespace vantrel {

// A driver's trace settings as they apply to one file.
struct TraceSettings {
  bool enabled = false;
  std::string log_file;
  bool details = false;
};

// Reads the settings from the driver's section of the system profile.
TraceSettings ReadTraceSettings(const TraceSettingsSource& source,
                                const FileDeclaration& file);

// The file's declaration in declaration syntax, ending with an empty line.
std::vector<std::string> TraceDeclarationLines(const FileDeclaration& file);

// The line of one call; `code` is the call's outcome (0, -1 or an error).
std::string TraceCallLine(const FileDeclaration& file, DriverOp op,
                          const KeyDeclaration* key, int code,
                          std::int64_t elapsed_ms);

// The record or key values that follow the call's line when details are on;
// empty for operations that carry neither.
std::vector<std::string> TraceDetailLines(const FileDeclaration& file,
                                          DriverOp op,
                                          const KeyDeclaration* key);

// Value lines (label and value) with the labels in one column, as the
// details show them.
std::vector<std::string> TraceValueLines(const std::vector<DumpLine>& lines);

// True for the operations whose details show the record.
bool TraceCarriesRecord(DriverOp op);

// The log of one file's driver calls, kept open for appending while the
// file's driver instance lives.
class DriverTrace {
 public:
  // Opens the log; tracing stays off when it cannot be opened.
  explicit DriverTrace(TraceSettings settings);
  ~DriverTrace();
  DriverTrace(const DriverTrace&) = delete;
  DriverTrace& operator=(const DriverTrace&) = delete;

  // Nothing when the settings turn tracing off or the log cannot be opened.
  static std::unique_ptr<DriverTrace> ForFile(const FileDeclaration& file);

  bool active() const { return log_ != nullptr; }

  // Writes the call's lines (and the declaration, the first time for the
  // file) and flushes them.
  void WriteCall(FileDeclaration& file, DriverOp op, const KeyDeclaration* key,
                 int code, std::int64_t elapsed_ms);
  // Writes one line of another origin (a view's calls on its files).
  void WriteLine(std::string_view line);

 private:
  TraceSettings settings_;
  std::FILE* log_ = nullptr;
};

// The clock that times traced calls, in milliseconds from any fixed point.
using TraceClock = std::int64_t (*)();
// Replaces the clock (tests use a fixed one); nullptr restores the steady
// clock.
void SetTraceClock(TraceClock clock);
std::int64_t TraceNow();

// The index of the calling thread among the program's threads (0 for the
// main thread); the trace shows it plus one.
void SetTraceThreadIndex(int index);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_DRIVER_DRIVER_TRACE_H_
