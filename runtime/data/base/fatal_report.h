// Run-time errors that end the program ("Out of memory in HESARRAY!" ...).
//
// The report goes through a replaceable handler so tests can observe it; the
// default handler prints the error to standard error and aborts. A handler
// must not return; if one does, the program is aborted anyway.
#ifndef VANTREL_RUNTIME_DATA_BASE_FATAL_REPORT_H_
#define VANTREL_RUNTIME_DATA_BASE_FATAL_REPORT_H_

#include <string_view>

namespace vantrel {

using FatalReportHandler = void (*)(int code, std::string_view text);

// Installs `handler` (nullptr restores the default) and returns the one it
// replaces.
FatalReportHandler SetFatalReportHandler(FatalReportHandler handler);

// Reports run-time error `code` with `text` and ends the program.
[[noreturn]] void ReportFatalError(int code, std::string_view text);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_BASE_FATAL_REPORT_H_
