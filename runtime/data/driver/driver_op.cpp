#include "runtime/data/driver/driver_op.h"

#include <array>

namespace vantrel {
namespace {

constexpr std::array<std::string_view, kDriverOpCount> kNames = {
    "(0)",
    "ADD",
    "BOF",
    "BUILDfile",
    "APPEND",
    "BUILDdyn",
    "BUILDkey",
    "CLOSE",
    "COMMIT",
    "COPY",
    "CREATE",
    "DELETE",
    "DUPLICATE",
    "EMPTY",
    "EOF",
    "GETfilekey",
    "GETfileptr",
    "GETkeyptr",
    "HOLDfile",
    "HOLDfilesec",
    "LOCKfile",
    "LOCKfilesec",
    "LOGOUT",
    "NAME",
    "NEXT",
    "OPEN",
    "PACK",
    "POINTERfile",
    "POINTERkey",
    "FLUSH",
    "PUT",
    "PREVIOUS",
    "RECORDSfile",
    "RECORDSkey",
    "BUILDdynfilter",
    "(35)",
    "RELEASE",
    "REMOVE",
    "RENAME",
    "(39)",
    "ROLLBACK",
    "SETfile",
    "SETfilekey",
    "SETfileptr",
    "SETkey",
    "SETkeykey",
    "SETkeyptr",
    "SETkeykeyptr",
    "SHARE",
    "SKIP",
    "UNLOCK",
    "ADDfilelen",
    "BYTES",
    "GETfileptrlen",
    "PUTfileptr",
    "PUTfileptrlen",
    "STREAM",
    "DUPLICATEkey",
    "WATCH",
    "APPENDlen",
    "SEND",
    "POSITIONfile",
    "POSITIONkey",
    "RESETfile",
    "RESETkey",
    "NOMEMO",
    "REGETfile",
    "REGETkey",
    "NULL",
    "SETNULL",
    "SETNONULL",
    "SET_PROPERTY",
    "GET_PROPERTY",
    "QUERY_KEY",
    "QUERY_VIEW",
    "BLOB_YIELD",
    "BLOB_TAKE",
    "BLOB_SIZE",
    "BLOB_GET_PROP",
    "BLOB_SET_PROP",
    "BUFFER",
    "SETview",
    "CLEAR",
    "RESETviewfile",
    "BUILDevent",
    "SETPROPERTYkey",
    "GETPROPERTYkey",
    "Internal",
    "DO_PROPERTY",
    "DOPROPERTYkey",
    "DOPROPERTYblob",
    "Internal",
    "INVIEW",
    "ENDVIEW",
    "Internal",
    "COUNTRECORDS",
};

constexpr DriverOp kKeyOps[] = {
    DriverOp::kBUILDdyn,       DriverOp::kBUILDkey,
    DriverOp::kGETfilekey,     DriverOp::kGETkeyptr,
    DriverOp::kPOINTERkey,     DriverOp::kRECORDSkey,
    DriverOp::kBUILDdynfilter, DriverOp::kSETfilekey,
    DriverOp::kSETkey,         DriverOp::kSETkeykey,
    DriverOp::kSETkeyptr,      DriverOp::kSETkeykeyptr,
    DriverOp::kDUPLICATEkey,   DriverOp::kPOSITIONkey,
    DriverOp::kRESETkey,       DriverOp::kREGETkey,
    DriverOp::kSETPROPERTYkey, DriverOp::kGETPROPERTYkey,
    DriverOp::kDOPROPERTYkey,
};

constexpr std::array<bool, kDriverOpCount> MakeKeyTable() {
  std::array<bool, kDriverOpCount> table{};
  for (DriverOp op : kKeyOps) table[static_cast<std::size_t>(op)] = true;
  return table;
}

constexpr std::array<bool, kDriverOpCount> kTakesKey = MakeKeyTable();

}  // namespace

std::string_view DriverOpName(int op) {
  if (op < 0 || op >= kDriverOpCount) return {};
  return kNames[op];
}

bool TakesKey(DriverOp op) {
  std::size_t index = static_cast<std::size_t>(op);
  return index < kTakesKey.size() && kTakesKey[index];
}

int StringArgumentCount(DriverOp op) {
  switch (op) {
    case DriverOp::kCOPY:
    case DriverOp::kRENAME:
    case DriverOp::kSEND:
    case DriverOp::kGET_PROPERTY:
    case DriverOp::kGETPROPERTYkey:
    case DriverOp::kBUILDdynfilter:
    case DriverOp::kRESETfile:
    case DriverOp::kRESETkey:
    case DriverOp::kREGETfile:
    case DriverOp::kREGETkey:
      return 1;
    case DriverOp::kSET_PROPERTY:
    case DriverOp::kSETPROPERTYkey:
    case DriverOp::kDO_PROPERTY:
    case DriverOp::kDOPROPERTYkey:
      return 2;
    default:
      return 0;
  }
}

bool PushesStringResult(DriverOp op) {
  return op == DriverOp::kNAME || op == DriverOp::kPOSITIONfile ||
         op == DriverOp::kPOSITIONkey || op == DriverOp::kGET_PROPERTY ||
         op == DriverOp::kGETPROPERTYkey || op == DriverOp::kSEND;
}

}  // namespace vantrel
