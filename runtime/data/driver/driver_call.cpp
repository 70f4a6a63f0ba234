#include "runtime/data/driver/driver_call.h"

#include <array>

#include "os/posix/open_mode.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_registry.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/driver/driver_trace.h"
#include "runtime/data/driver/string_stack.h"

namespace vantrel {
namespace {

constexpr int kSilentFailure = -1;

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

// What the call does around an operation, looked up once per call.
enum OpTraitBits : std::uint8_t {
  kTraitTakesKey = 0x01,
  kTraitOneText = 0x02,   // pops one text
  kTraitTwoTexts = 0x04,  // pops two texts
  kTraitPushesResult = 0x08,
  kTraitTakesPosition = 0x10,
};

struct OpTraits {
  const OpStateRow* row = nullptr;
  std::uint8_t bits = 0;
};

std::array<OpTraits, kDriverOpCount> MakeTraits() {
  std::array<OpTraits, kDriverOpCount> traits{};
  for (int n = 0; n < kDriverOpCount; ++n) {
    const auto op = static_cast<DriverOp>(n);
    OpTraits& t = traits[static_cast<std::size_t>(n)];
    t.row = &StateRow(op);
    if (TakesKey(op)) t.bits |= kTraitTakesKey;
    const int texts = StringArgumentCount(op);
    if (texts == 1) t.bits |= kTraitOneText;
    if (texts == 2) t.bits |= kTraitTwoTexts;
    if (PushesStringResult(op)) t.bits |= kTraitPushesResult;
    if (TakesPosition(op)) t.bits |= kTraitTakesPosition;
  }
  return traits;
}

const std::array<OpTraits, kDriverOpCount> kTraits = MakeTraits();

// The traits of an operation; numbers out of range get those of 0 (none).
const OpTraits& TraitsOf(DriverOp op) {
  const auto index = static_cast<std::size_t>(op);
  return kTraits[index < kTraits.size() ? index : 0];
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
  if (!made.ok()) return made.code();
  if (!made.value()) return kErrInvalidRecordDeclaration;
  control.instance = std::move(made.value());
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
  if (OpenDeniesOthers(mode)) fresh |= kStateExclusive;
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

// The state check with the operation's traits at hand.
int CheckStateWith(const FileDeclaration& file, DriverOp op,
                   const OpTraits& traits, const KeyDeclaration* key,
                   std::string_view position) {
  const OpStateRow& row = *traits.row;
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
  if ((traits.bits & kTraitTakesPosition) && AllBlank(position)) {
    return kErrRecordNotFound;
  }
  return 0;
}

}  // namespace

int CheckState(const FileDeclaration& file, DriverOp op,
               const KeyDeclaration* key, std::string_view position) {
  return CheckStateWith(file, op, TraitsOf(op), key, position);
}

DriverResult CallDriver(FileDeclaration& file, DriverOp op, DriverArgs& args) {
  const OpTraits& traits = TraitsOf(op);
  const OpStateRow& row = *traits.row;
  // The texts are taken whatever the outcome, so the stack stays balanced.
  // They live here for the length of the call only.
  std::string text;
  std::string value;
  const bool takes_texts = traits.bits & (kTraitOneText | kTraitTwoTexts);
  if (takes_texts) {
    StringStack& stack = GetStringStack();
    if (traits.bits & kTraitTwoTexts) value = stack.PopText();
    text = stack.PopText();
    args.text = text;
    args.value = value;
  }
  DriverResult result;
  result.code = EnsureInstance(file);
  // Calls refused before reaching the driver are traced too.
  DriverTrace* trace = file.control.trace.get();
  const std::int64_t started = trace ? TraceNow() : 0;
  if (result.code == 0 &&
      (args.key != nullptr || (traits.bits & kTraitTakesKey)) &&
      (args.key == nullptr || args.key->file != &file)) {
    result.code = kErrInvalidKeyFile;
  }
  if (result.code == 0) {
    result.code = CheckStateWith(file, op, traits, args.key, args.text);
  }
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

  if (traits.bits & kTraitPushesResult) {
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
    PostErrorWithDetail(
        result.code, args.error_detail.value_or(std::string()),
        args.error_file ? *args.error_file : file.DisplayName());
  }
  // The views would outlive the texts they show.
  if (takes_texts) {
    args.text = {};
    args.value = {};
  }
  return result;
}

}  // namespace vantrel
