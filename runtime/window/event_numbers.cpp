#include "runtime/window/event_numbers.h"

#include <array>

namespace vantrel {
namespace {

constexpr std::array kTraceTable = {
    EventName{kEventBase + 0x1, "EVENT:Accepted"},
    EventName{kEventBase + 0x2, "EVENT:NewSelection"},
    EventName{kEventBase + 0x3, "EVENT:ScrollUp"},
    EventName{kEventBase + 0x4, "EVENT:ScrollDown"},
    EventName{kEventBase + 0x5, "EVENT:PageUp"},
    EventName{kEventBase + 0x6, "EVENT:PageDown"},
    EventName{kEventBase + 0x7, "EVENT:ScrollTop"},
    EventName{kEventBase + 0x8, "EVENT:ScrollBottom"},
    EventName{kEventBase + 0x9, "EVENT:Locate"},
    EventName{kEventBase + 0xA, "EVENT:MouseUp"},
    EventName{kEventBase + 0xB, "EVENT:MouseIn"},
    EventName{kEventBase + 0xC, "EVENT:MouseOut"},
    EventName{kEventBase + 0xD, "EVENT:MouseMove"},
    EventName{kEventBase + 0xE, "EVENT:VBXevent"},
    EventName{kEventBase + 0xF, "EVENT:AlertKey"},
    EventName{kEventBase + 0x10, "EVENT:PreAlert"},
    EventName{kEventBase + 0x11, "EVENT:Dragging"},
    EventName{kEventBase + 0x12, "EVENT:Drag"},
    EventName{kEventBase + 0x13, "EVENT:Drop"},
    EventName{kEventBase + 0x14, "EVENT:ScrollDrag"},
    EventName{kEventBase + 0x15, "EVENT:TabChanging"},
    EventName{kEventBase + 0x16, "EVENT:Expanding"},
    EventName{kEventBase + 0x17, "EVENT:Contracting"},
    EventName{kEventBase + 0x18, "EVENT:Expanded"},
    EventName{kEventBase + 0x19, "EVENT:Contracted"},
    EventName{kEventBase + 0x1A, "EVENT:Rejected"},
    EventName{kEventBase + 0x1B, "EVENT:DroppingDown"},
    EventName{kEventBase + 0x1C, "EVENT:DroppedDown"},
    EventName{kEventBase + 0x1D, "EVENT:ScrollTrack"},
    EventName{kEventBase + 0x1E, "EVENT:ColumnResize"},
    EventName{kEventBase + 0x101, "EVENT:Selected"},
    EventName{kEventBase + 0x201, "EVENT:CloseWindow"},
    EventName{kEventBase + 0x202, "EVENT:CloseDown"},
    EventName{kEventBase + 0x203, "EVENT:OpenWindow"},
    EventName{kEventBase + 0x204, "EVENT:OpenFailed"},
    EventName{kEventBase + 0x205, "EVENT:LoseFocus"},
    EventName{kEventBase + 0x206, "EVENT:GainFocus"},
    EventName{kEventBase + 0x208, "EVENT:Suspend"},
    EventName{kEventBase + 0x209, "EVENT:Resume"},
    EventName{kEventBase + 0x20A, "EVENT:Notify"},
    EventName{kEventBase + 0x20B, "EVENT:Timer"},
    EventName{kEventBase + 0x20C, "EVENT:DDErequest"},
    EventName{kEventBase + 0x20D, "EVENT:DDEadvise"},
    EventName{kEventBase + 0x20E, "EVENT:DDEdata"},
    EventName{kEventBase + 0x20F, "EVENT:DDEexecute"},
    EventName{kEventBase + 0x210, "EVENT:DDEpoke"},
    EventName{kEventBase + 0x211, "EVENT:DDEclosed"},
    EventName{kEventBase + 0x240, "EVENT:BuildFile"},
    EventName{kEventBase + 0x241, "EVENT:BuildKey"},
    EventName{kEventBase + 0x242, "EVENT:BuildDone"},
    EventName{kEventBase + 0x220, "EVENT:Move"},
    EventName{kEventBase + 0x221, "EVENT:Size"},
    EventName{kEventBase + 0x222, "EVENT:Restore"},
    EventName{kEventBase + 0x223, "EVENT:Maximize"},
    EventName{kEventBase + 0x224, "EVENT:Iconize"},
    EventName{kEventBase + 0x225, "EVENT:Completed"},
    EventName{kEventBase + 0x230, "EVENT:Moved"},
    EventName{kEventBase + 0x231, "EVENT:Sized"},
    EventName{kEventBase + 0x232, "EVENT:Restored"},
    EventName{kEventBase + 0x233, "EVENT:Maximized"},
    EventName{kEventBase + 0x234, "EVENT:Iconized"},
    EventName{kEventBase + 0x235, "EVENT:Docked"},
    EventName{kEventBase + 0x236, "EVENT:UnDocked"},
};

}  // namespace

std::span<const EventName> EventTraceTable() { return kTraceTable; }

std::string_view EventTraceName(std::int32_t internal_number) {
  for (const EventName& entry : kTraceTable) {
    if (entry.internal_number == internal_number) return entry.name;
  }
  return {};
}

}  // namespace vantrel
