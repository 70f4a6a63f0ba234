// The state machine shared by every driver: the bits of a file's state word
// and, per operation, what the state must hold before the call and how a
// success or a failure changes it.
#ifndef VANTREL_RUNTIME_DATA_DRIVER_DRIVER_STATE_TABLE_H_
#define VANTREL_RUNTIME_DATA_DRIVER_DRIVER_STATE_TABLE_H_

#include <cstdint>

#include "runtime/data/driver/driver_op.h"

namespace vantrel {

// Bits of a file's state word.
enum FileStateBits : std::uint32_t {
  kStateOpen = 0x0001,
  kStateHasRecord = 0x0002,  // a current record exists
  kStateLogout = 0x0004,     // a transaction is active
  kStateStream = 0x0008,
  kStateLocked = 0x0010,     // locked by LOCK
  kStateSequence = 0x0020,   // SET or RESET done
  kStateWrite = 0x0040,      // opened with write access
  kStateExclusive = 0x0080,  // opened for exclusive use, or locked
  kStateKeyBuilt = 0x0100,   // a runtime-built key is built (key word)
  kStateWatchRequested = 0x0200,
  kStateWatched = 0x0400,  // the current record is watched
  kStateHoldRequested = 0x0800,
  kStateHeld = 0x1000,         // the current record is held
  kStateSequenceSet = 0x2000,  // set and dropped with the sequence
  kStateBuilding = 0x4000,     // a BUILD is in progress (set by a driver)
  kStateProperty = 0x10000,    // set by property and SEND operations
};

// Bits of an operation's activity word.
enum ActivityBits : std::uint8_t {
  kActivityClearsError = 1,       // a success clears the posted error
  kActivityDiscardsInstance = 2,  // the driver-side instance goes afterwards
  kActivitySequence = 4,          // remembered as the last sequence operation
};

// One row of the operation state table.
struct OpStateRow {
  std::uint8_t activity;
  std::uint32_t required;
  std::uint32_t forbidden;
  std::uint32_t set;      // set on success
  std::uint32_t cleared;  // cleared on success
  std::uint32_t cleared_on_failure;
};

// The row of an operation; numbers without a row read as all zero.
const OpStateRow& StateRow(DriverOp op);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_DRIVER_DRIVER_STATE_TABLE_H_
