// Event numbers. The program sees an event by its number; the runtime keeps
// it as that number plus kEventBase. Field events (1..0x1E and 0x101) concern
// one control, window events (0x201 and up) the window.
#ifndef VANTREL_RUNTIME_WINDOW_EVENT_NUMBERS_H_
#define VANTREL_RUNTIME_WINDOW_EVENT_NUMBERS_H_

#include <cstdint>
#include <span>
#include <string_view>

namespace vantrel {

inline constexpr std::int32_t kEventBase = 0x1400;

enum Event : std::int32_t {
  kEventAccepted = 0x1,
  kEventNewSelection = 0x2,
  kEventScrollUp = 0x3,
  kEventScrollDown = 0x4,
  kEventPageUp = 0x5,
  kEventPageDown = 0x6,
  kEventScrollTop = 0x7,
  kEventScrollBottom = 0x8,
  kEventLocate = 0x9,
  kEventMouseUp = 0xA,
  kEventMouseIn = 0xB,
  kEventMouseOut = 0xC,
  kEventMouseMove = 0xD,
  kEventVbxEvent = 0xE,
  kEventAlertKey = 0xF,
  kEventPreAlert = 0x10,
  kEventDragging = 0x11,
  kEventDrag = 0x12,
  kEventDrop = 0x13,
  kEventScrollDrag = 0x14,
  kEventTabChanging = 0x15,
  kEventExpanding = 0x16,
  kEventContracting = 0x17,
  kEventExpanded = 0x18,
  kEventContracted = 0x19,
  kEventRejected = 0x1A,
  kEventDroppingDown = 0x1B,
  kEventDroppedDown = 0x1C,
  kEventScrollTrack = 0x1D,
  kEventColumnResize = 0x1E,
  kEventSelected = 0x101,
  kEventCloseWindow = 0x201,
  kEventCloseDown = 0x202,
  kEventOpenWindow = 0x203,
  kEventOpenFailed = 0x204,
  kEventLoseFocus = 0x205,
  kEventGainFocus = 0x206,
  kEventSuspend = 0x208,
  kEventResume = 0x209,
  kEventNotify = 0x20A,
  kEventTimer = 0x20B,
  kEventDdeRequest = 0x20C,
  kEventDdeAdvise = 0x20D,
  kEventDdeData = 0x20E,
  kEventDdeExecute = 0x20F,
  kEventDdePoke = 0x210,
  kEventDdeClosed = 0x211,
  kEventMove = 0x220,
  kEventSize = 0x221,
  kEventRestore = 0x222,
  kEventMaximize = 0x223,
  kEventIconize = 0x224,
  kEventCompleted = 0x225,
  kEventMoved = 0x230,
  kEventSized = 0x231,
  kEventRestored = 0x232,
  kEventMaximized = 0x233,
  kEventIconized = 0x234,
  kEventDocked = 0x235,
  kEventUnDocked = 0x236,
  kEventBuildFile = 0x240,
  kEventBuildKey = 0x241,
  kEventBuildDone = 0x242,
};

// The first window event number; lower numbers are field events.
inline constexpr std::int32_t kFirstWindowEvent = 0x200;

inline constexpr std::int32_t InternalEventNumber(std::int32_t event) {
  return event + kEventBase;
}
inline constexpr bool IsFieldEvent(std::int32_t event) {
  return event > 0 && event < kFirstWindowEvent;
}

// One entry of the trace table.
struct EventName {
  std::int32_t internal_number;
  std::string_view name;
};

// The trace table: every internal number with its name ("EVENT:Accepted"),
// the build events standing between "EVENT:DDEclosed" and "EVENT:Move".
std::span<const EventName> EventTraceTable();

// The trace name of an internal event number; empty when it has none.
std::string_view EventTraceName(std::int32_t internal_number);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_EVENT_NUMBERS_H_
