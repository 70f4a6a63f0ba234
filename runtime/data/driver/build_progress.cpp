#include "runtime/data/driver/build_progress.h"

#include <utility>

namespace vantrel {

namespace {

BuildProgressHandler& Handler() {
  static BuildProgressHandler handler;
  return handler;
}

}  // namespace

void SetBuildProgressHandler(BuildProgressHandler handler) {
  Handler() = std::move(handler);
}

bool ReportBuildProgress(const BuildReport& report) {
  // A copy, so that the handler may replace itself while it runs.
  const BuildProgressHandler handler = Handler();
  return !handler || handler(report);
}

}  // namespace vantrel
