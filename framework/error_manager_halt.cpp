#include "framework/error_manager_halt.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "runtime/window/message_box.h"

namespace vantrel {
namespace {

std::vector<HaltStep>& Steps() {
  static std::vector<HaltStep> steps;
  return steps;
}

bool halting = false;

void ReportOnStandardError(std::string_view message, std::string_view detail) {
  std::fprintf(stderr, "Halt: %.*s\n", static_cast<int>(message.size()),
               message.data());
  if (!detail.empty()) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(detail.size()),
                 detail.data());
  }
  std::fflush(stderr);
}

}  // namespace

void AtHalt(HaltStep step) {
  std::vector<HaltStep>& steps = Steps();
  if (std::find(steps.begin(), steps.end(), step) == steps.end()) {
    steps.push_back(step);
  }
}

void HaltProgram(std::string_view message, std::string_view detail) {
  if (halting) std::_Exit(kHaltExitStatus);
  halting = true;
  ReportOnStandardError(message, detail);
  ShowMessage(message, kHaltCaption, {}, kButtonOk, kButtonOk);
  std::vector<HaltStep>& steps = Steps();
  for (auto step = steps.rbegin(); step != steps.rend(); ++step) (*step)();
  std::fflush(nullptr);
  std::_Exit(kHaltExitStatus);
}

}  // namespace vantrel
