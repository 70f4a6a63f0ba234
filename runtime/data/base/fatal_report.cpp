#include "runtime/data/base/fatal_report.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace vantrel {
namespace {

void DefaultFatalReport(int code, std::string_view text) {
  std::fprintf(stderr, "Run-time error %d: %.*s\n", code,
               static_cast<int>(text.size()), text.data());
  std::fflush(stderr);
}

std::atomic<FatalReportHandler> fatal_handler{&DefaultFatalReport};

}  // namespace

FatalReportHandler SetFatalReportHandler(FatalReportHandler handler) {
  return fatal_handler.exchange(handler ? handler : &DefaultFatalReport);
}

void ReportFatalError(int code, std::string_view text) {
  fatal_handler.load()(code, text);
  std::abort();
}

}  // namespace vantrel
