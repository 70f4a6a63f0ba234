// How a driver tells the program about a key build in progress, and how the
// program cancels it.
//
// The window runtime installs one handler for the process; it turns each
// report into the build events ("EVENT:BuildFile", "EVENT:BuildKey",
// "EVENT:BuildDone") of the file's window and returns false when the program
// asked to cancel. Without a handler a build runs to its end unreported.
#ifndef VANTREL_RUNTIME_DATA_DRIVER_BUILD_PROGRESS_H_
#define VANTREL_RUNTIME_DATA_DRIVER_BUILD_PROGRESS_H_

#include <functional>

namespace vantrel {

class FileDeclaration;
struct KeyDeclaration;

enum class BuildEvent {
  kBuildFile,  // the file's records are being read for its keys
  kBuildKey,   // one key's entries are being written
  kBuildDone,  // the build has ended (also when it failed or was cancelled)
};

struct BuildReport {
  BuildEvent event = BuildEvent::kBuildFile;
  FileDeclaration* file = nullptr;
  KeyDeclaration* key = nullptr;  // the key of kBuildKey, when declared
  int percent = 0;                // 0 to 100
};

// Returns false to cancel the build. A driver may go on when it can no longer
// stop without leaving a key half built; it then reports kBuildDone as usual.
using BuildProgressHandler = std::function<bool(const BuildReport&)>;

// Installs (or, with an empty handler, removes) the process's handler.
void SetBuildProgressHandler(BuildProgressHandler handler);

// Passes a report to the handler: true to go on (always, without a handler).
bool ReportBuildProgress(const BuildReport& report);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_DRIVER_BUILD_PROGRESS_H_
