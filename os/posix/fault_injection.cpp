#include "os/posix/fault_injection.h"

#include <mutex>

namespace vantrel {
namespace {

struct State {
  std::mutex mutex;
  bool armed = false;
  FaultPlan plan;
  std::int64_t steps = 0;
  std::int64_t writes = 0;
  std::int64_t flushes = 0;
  std::int64_t reads = 0;
  std::int64_t truncates = 0;
  bool cut = false;  // a kCut plan has acted
  std::vector<std::string> paths;
};

State& GetState() {
  static State state;
  return state;
}

bool Matches(const FaultPlan& plan, const std::string& path) {
  const std::string& suffix = plan.path_suffix;
  return path.size() >= suffix.size() &&
         path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
}

FaultDecision Step(const std::string& path, std::int64_t State::*kind,
                   unsigned counted, std::int64_t offset = -1) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.armed || !Matches(state.plan, path)) return {};
  FaultDecision pass;
  pass.skip_sync = state.plan.skip_sync;
  if (state.plan.action == FaultAction::kCut && state.cut &&
      (counted & (kFaultWrites | kFaultFlushes | kFaultTruncates)) != 0) {
    return {FaultAction::kFail, 0, state.plan.error, state.plan.skip_sync};
  }
  if ((state.plan.counts & counted) == 0) return pass;
  if (state.plan.write_offset >= 0 && offset != state.plan.write_offset) {
    return pass;
  }
  ++state.steps;
  ++(state.*kind);
  state.paths.push_back(path);
  const std::int64_t at = state.plan.at_step;
  const bool acts =
      state.plan.persistent ? at != 0 && state.steps >= at : state.steps == at;
  if (!acts) return pass;
  if (state.plan.action == FaultAction::kCut) {
    state.cut = true;
    return {FaultAction::kShort, state.plan.short_bytes, state.plan.error,
            state.plan.skip_sync};
  }
  return {state.plan.action, state.plan.short_bytes, state.plan.error,
          state.plan.skip_sync};
}

}  // namespace

void FaultInjection::Arm(const FaultPlan& plan) {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.armed = true;
  state.plan = plan;
  state.steps = state.writes = state.flushes = 0;
  state.reads = state.truncates = 0;
  state.cut = false;
  state.paths.clear();
}

void FaultInjection::Disarm() {
  State& state = GetState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.armed = false;
}

std::int64_t FaultInjection::Steps() {
  std::lock_guard<std::mutex> lock(GetState().mutex);
  return GetState().steps;
}

std::int64_t FaultInjection::Writes() {
  std::lock_guard<std::mutex> lock(GetState().mutex);
  return GetState().writes;
}

std::int64_t FaultInjection::Flushes() {
  std::lock_guard<std::mutex> lock(GetState().mutex);
  return GetState().flushes;
}

std::int64_t FaultInjection::Reads() {
  std::lock_guard<std::mutex> lock(GetState().mutex);
  return GetState().reads;
}

std::int64_t FaultInjection::Truncates() {
  std::lock_guard<std::mutex> lock(GetState().mutex);
  return GetState().truncates;
}

std::vector<std::string> FaultInjection::StepPaths() {
  std::lock_guard<std::mutex> lock(GetState().mutex);
  return GetState().paths;
}

FaultDecision FaultInjection::OnWrite(const std::string& path,
                                      std::uint64_t offset) {
  return Step(path, &State::writes, kFaultWrites,
              static_cast<std::int64_t>(offset));
}

FaultDecision FaultInjection::OnFlush(const std::string& path) {
  return Step(path, &State::flushes, kFaultFlushes);
}

FaultDecision FaultInjection::OnRead(const std::string& path) {
  return Step(path, &State::reads, kFaultReads);
}

FaultDecision FaultInjection::OnTruncate(const std::string& path) {
  return Step(path, &State::truncates, kFaultTruncates);
}

}  // namespace vantrel
