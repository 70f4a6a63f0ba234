// How views show in the driver trace (section "HWVIEW" of the system
// profile, log "VIEW.LOG" unless "TraceFile" names another). The first
// traced call of a view writes its structure, nested joins indented:
//
//   VIEW(ORD)
//     PROJECT(FIELD(ORD:ID),FIELD(ORD:CUSTID))
//     JOIN(CUS:KEYID,FIELD(ORD:CUSTID)),INNER
//       PROJECT(FIELD(CUS:NAME),MEMO(CUS:NOTES))
//     END
//   END
//
// A view without a projection shows no PROJECT line; a join that links by
// the key's names alone shows just the key. Each call then writes the
// file's line with "VIEW:<handle in hex>:" in front, padded to 24:
//
//   VIEW:1:NEXT(ORD 1)      Time Taken: 0.00 secs
//
// With "TraceIntoFiles" non-zero, the calls the view makes on its files
// follow in their own form.
#ifndef VANTREL_RUNTIME_DATA_VIEW_VIEW_TRACE_H_
#define VANTREL_RUNTIME_DATA_VIEW_VIEW_TRACE_H_

#include <string>
#include <vector>

#include "runtime/data/driver/driver_op.h"
#include "runtime/data/view/view_declaration.h"

namespace vantrel {

inline constexpr std::size_t kViewCallWidth = 24;

// The structure block, ending with an empty line.
std::vector<std::string> ViewStructureLines(const ViewDeclaration& view);

// With details on, the calls that read or write a row show the projected
// fields of every file of the view (all fields of a file without a
// projection), label and value, in the order of the files.
std::vector<std::string> ViewDetailLines(const ViewDeclaration& view,
                                         DriverOp op);

// "VIEW:1A:" for the view with handle 0x1A.
std::string ViewCallPrefix(const ViewDeclaration& view);

// Whether the view's trace also shows the calls on its files.
bool ReadTraceIntoFiles();

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_VIEW_VIEW_TRACE_H_
