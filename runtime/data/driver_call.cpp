#include "runtime/data/driver_call.h"

#include "runtime/data/driver_registry.h"
#include "runtime/data/driver_state_table.h"
#include "runtime/data/driver_trace.h"
#include "runtime/data/error_state.h"
#include "runtime/data/string_stack.h"

namespace vantrel {
namespace {

constexpr int kSilentFailure = -1;

// Open modes: the access part and the sharing bits that make a file
// exclusive (deny all, deny write, deny read).
constexpr std::uint32_t kOpenAccessMask = 0x03;
constexpr std::uint32_t kOpenDenyBits = 0x30;
constexpr std::uint32_t kWatchBits = kStateWatchRequested | kStateWatched;

bool TracksBuild(const KeyDeclaration* key) {
  return key != nullptr && (key->flags & kKeyRuntimeBuilt) != 0;
}

bool AllowedWhileBuilding(DriverOp op) {
  return op == DriverOp::kCLOSE || op == DriverOp::kNAME ||
         op == DriverOp::kGET_PROPERTY || op == DriverOp::kBUILDevent ||
         op == DriverOp::kGETPROPERTYkey;
}

bool TakesPosition(DriverOp op) {
  return op == DriverOp::kRESETfile || op == DriverOp::kRESETkey ||
         op == DriverOp::kREGETfile || op == DriverOp::kREGETkey;
}

bool AllBlank(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

// The error for required bits that are missing, in the order of precedence.
int MissingBitsError(std::uint32_t missing, bool open) {
  if (missing & kStateOpen) return kErrFileNotOpen;
  if (missing & kStateKeyBuilt) return kErrKeyMustBeRebuilt;
  if (!open) return 0;  // the driver opens the file itself (BUILD, PACK)
  if (missing & (kStateHasRecord | kStateSequence)) {
    return kErrRecordNotAvailable;
  }
  if (missing & kStateExclusive) return kErrExclusiveAccessRequired;
  if (missing & kStateWrite) return kErrAccessDenied;
  return kSilentFailure;
}

// Step 1: the driver-side instance, built from the declaration when missing.
int EnsureInstance(FileDeclaration& file) {
  FileControl& control = file.control;
  if (control.instance) return 0;
  if (file.driver == nullptr) file.driver = FindDriver(file.driver_name);
  if (file.driver == nullptr || file.driver->make_instance == nullptr) {
    return kErrInvalidRecordDeclaration;
  }
  MadeInstance made = file.driver->make_instance(file);
  if (made.code != 0) return made.code;
  if (!made.instance) return kErrInvalidRecordDeclaration;
  control.instance = std::move(made.instance);
  control.trace = DriverTrace::ForFile(file);
  return 0;
}

// The instance goes, and with it the trace settings read for it.
void DiscardInstance(FileControl& control) {
  control.instance.reset();
  control.trace.reset();
}

// The state bits OPEN and SHARE start the file with.
std::uint32_t OpenedState(std::uint32_t state, std::uint32_t mode) {
  // Bits of an earlier opening (current record, sequence, lock, holds) do
  // not carry over into a new one.
  std::uint32_t fresh = (state & kStateProperty) | kStateOpen;
  if (mode & kOpenAccessMask) fresh |= kStateWrite;
  if (mode & kOpenDenyBits) fresh |= kStateExclusive;
  return fresh;
}

void UpdateOnFailure(FileDeclaration& file, const OpStateRow& row, int code) {
  FileControl& control = file.control;
  control.state &= ~(row.cleared_on_failure | kWatchBits);
  bool discard =
      code == kErrFileNotOpen || ((row.activity & kActivityDiscardsInstance) &&
                                  code != kErrFileAlreadyOpen);
  // An instance that still serves an open file (a refused CLOSE, say) stays:
  // dropping it would lose the open file behind the state word's back.
  if (discard && !(control.state & kStateOpen)) DiscardInstance(control);
}

// Moves `flag` into the state when `requested` was set, else clears it.
void Arm(std::uint32_t& state, std::uint32_t requested, std::uint32_t flag) {
  if (state & requested) {
    state |= flag;
  } else {
    state &= ~flag;
  }
}

void UpdateOnSuccess(FileDeclaration& file, DriverOp op, const OpStateRow& row,
                     const DriverArgs& args) {
  FileControl& control = file.control;
  std::uint32_t& state = control.state;
  if (row.cleared & kStateWatchRequested) {
    Arm(state, kStateWatchRequested, kStateWatched);
  }
  if (row.cleared & kStateHoldRequested) {
    Arm(state, kStateHoldRequested, kStateHeld);
  }
  // Bit 0x100 belongs to the key given with the operation; without a key it
  // is the file's own (INVIEW, ENDVIEW).
  std::uint32_t file_bits = ~std::uint32_t{0};
  if (args.key != nullptr) {
    file_bits = ~std::uint32_t{kStateKeyBuilt};
    if (TracksBuild(args.key)) {
      args.key->state |= row.set & kStateKeyBuilt;
      args.key->state &= ~(row.cleared & kStateKeyBuilt);
    }
  }
  state |= row.set & file_bits;
  state &= ~(row.cleared & file_bits);
  if (row.cleared & kStateOpen) {
    for (KeyDeclaration& key : file.keys) key.state &= ~kStateKeyBuilt;
  }
  if (op == DriverOp::kOPEN || op == DriverOp::kSHARE) {
    state = OpenedState(state, args.mode);
  }
  control.activity |= row.activity;
}

}  // namespace

int CheckState(const FileDeclaration& file, DriverOp op,
               const KeyDeclaration* key, std::string_view position) {
  const OpStateRow& row = StateRow(op);
  std::uint32_t state = file.control.state;
  std::uint32_t missing = row.required & ~state & ~kStateKeyBuilt;
  if (missing == 0 && TracksBuild(key)) {
    missing = row.required & ~key->state & kStateKeyBuilt;
  }
  if (missing != 0) return MissingBitsError(missing, state & kStateOpen);
  if ((state & kStateBuilding) && !AllowedWhileBuilding(op)) {
    return kErrBuildInProgress;
  }
  std::uint32_t present = state & row.forbidden;
  if (present & kStateOpen) return kErrFileAlreadyOpen;
  if (present & kStateLogout) return kErrLogoutAlreadyActive;
  if (present != 0) return kSilentFailure;
  if (TakesPosition(op) && AllBlank(position)) return kErrRecordNotFound;
  return 0;
}

DriverResult CallDriver(FileDeclaration& file, DriverOp op, DriverArgs& args) {
  const OpStateRow& row = StateRow(op);
  // The texts are taken whatever the outcome, so the stack stays balanced.
  std::string text;
  std::string value;
  const int text_count = StringArgumentCount(op);
  if (text_count > 0) {
    StringStack& stack = GetStringStack();
    if (text_count > 1) value = stack.PopText();
    text = stack.PopText();
    args.text = text;
    args.value = value;
  }
  DriverResult result;
  result.code = EnsureInstance(file);
  // Calls refused before reaching the driver are traced too.
  DriverTrace* trace = file.control.trace.get();
  const std::int64_t started = trace ? TraceNow() : 0;
  if (result.code == 0 && (args.key != nullptr || TakesKey(op)) &&
      (args.key == nullptr || args.key->file != &file)) {
    result.code = kErrInvalidKeyFile;
  }
  if (result.code == 0) result.code = CheckState(file, op, args.key, args.text);
  if (result.code == 0) result = file.control.instance->Perform(op, args);
  if (trace != nullptr) {
    trace->WriteCall(file, op, args.key, result.code, TraceNow() - started);
  }
  if (result.code != 0 && (op == DriverOp::kBOF || op == DriverOp::kEOF)) {
    result.value = 1;
  }

  FileControl& control = file.control;
  if (result.code == 0) {
    UpdateOnSuccess(file, op, row, args);
  } else {
    UpdateOnFailure(file, row, result.code);
  }

  if (PushesStringResult(op)) {
    GetStringStack().PushCopy(args.result_text.value_or(std::string()));
  }

  control.last_result = result.code == kSilentFailure ? 0 : result.code;
  if (result.code == 0 && (row.activity & kActivityClearsError)) ClearError();
  if (row.activity & kActivitySequence) control.last_sequence_op = op;
  if ((row.activity & kActivityDiscardsInstance) &&
      !(control.state & kStateOpen)) {
    DiscardInstance(control);
  }
  if (result.code != 0 && result.code != kSilentFailure) {
    PostError(result.code, file.DisplayName());
  }
  return result;
}

}  // namespace vantrel
