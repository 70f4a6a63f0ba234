// The numbered operations of the file-driver interface and the names the
// driver trace prints for them.
#ifndef VANTREL_RUNTIME_DATA_DRIVER_DRIVER_OP_H_
#define VANTREL_RUNTIME_DATA_DRIVER_DRIVER_OP_H_

#include <cstdint>
#include <string_view>

namespace vantrel {

// The number is the operation's index; the suffix of a name tells its form:
// `file` in record order, `key` on a key (the key comes first), `ptr` with a
// record pointer, `len` with a length, `sec` with a time-out in seconds.
enum class DriverOp : std::uint8_t {
  kZero = 0,  // unused
  kADD = 1,
  kBOF = 2,
  kBUILDfile = 3,
  kAPPEND = 4,
  kBUILDdyn = 5,
  kBUILDkey = 6,
  kCLOSE = 7,
  kCOMMIT = 8,
  kCOPY = 9,
  kCREATE = 10,
  kDELETE = 11,
  kDUPLICATE = 12,
  kEMPTY = 13,
  kEOF = 14,
  kGETfilekey = 15,
  kGETfileptr = 16,
  kGETkeyptr = 17,
  kHOLDfile = 18,
  kHOLDfilesec = 19,
  kLOCKfile = 20,
  kLOCKfilesec = 21,
  kLOGOUT = 22,
  kNAME = 23,
  kNEXT = 24,
  kOPEN = 25,
  kPACK = 26,
  kPOINTERfile = 27,
  kPOINTERkey = 28,
  kFLUSH = 29,
  kPUT = 30,
  kPREVIOUS = 31,
  kRECORDSfile = 32,
  kRECORDSkey = 33,
  kBUILDdynfilter = 34,
  kUnused35 = 35,
  kRELEASE = 36,
  kREMOVE = 37,
  kRENAME = 38,
  kUnused39 = 39,
  kROLLBACK = 40,
  kSETfile = 41,
  kSETfilekey = 42,
  kSETfileptr = 43,
  kSETkey = 44,
  kSETkeykey = 45,
  kSETkeyptr = 46,
  kSETkeykeyptr = 47,
  kSHARE = 48,
  kSKIP = 49,
  kUNLOCK = 50,
  kADDfilelen = 51,
  kBYTES = 52,
  kGETfileptrlen = 53,
  kPUTfileptr = 54,
  kPUTfileptrlen = 55,
  kSTREAM = 56,
  kDUPLICATEkey = 57,
  kWATCH = 58,
  kAPPENDlen = 59,
  kSEND = 60,
  kPOSITIONfile = 61,
  kPOSITIONkey = 62,
  kRESETfile = 63,
  kRESETkey = 64,
  kNOMEMO = 65,
  kREGETfile = 66,
  kREGETkey = 67,
  kNULL = 68,
  kSETNULL = 69,
  kSETNONULL = 70,
  kSET_PROPERTY = 71,
  kGET_PROPERTY = 72,
  kQUERY_KEY = 73,
  kQUERY_VIEW = 74,
  kBLOB_YIELD = 75,
  kBLOB_TAKE = 76,
  kBLOB_SIZE = 77,
  kBLOB_GET_PROP = 78,
  kBLOB_SET_PROP = 79,
  kBUFFER = 80,
  kSETview = 81,
  kCLEAR = 82,
  kRESETviewfile = 83,
  kBUILDevent = 84,
  kSETPROPERTYkey = 85,
  kGETPROPERTYkey = 86,
  kInternal87 = 87,
  kDO_PROPERTY = 88,
  kDOPROPERTYkey = 89,
  kDOPROPERTYblob = 90,
  kInternal91 = 91,
  kINVIEW = 92,
  kENDVIEW = 93,
  kInternal94 = 94,
  kCOUNTRECORDS = 95,
};

// One past the highest operation number.
inline constexpr int kDriverOpCount = 96;

// The trace name of an operation number: "ADD", "GETfilekey" ...; "(0)",
// "(35)" and "(39)" for the unused numbers, "Internal" for 87, 91 and 94,
// and an empty name outside 0..95.
std::string_view DriverOpName(int op);

// True for the operations whose first argument is a key.
bool TakesKey(DriverOp op);

// How many texts an operation takes from the string stack: 1 for a new name,
// a SEND command, a property name, a filter or a position; 2 for a
// property's name and value (the value pushed last).
int StringArgumentCount(DriverOp op);

// True for the operations that push a text result onto the string stack
// (NAME, POSITION, GET_PROPERTY, SEND).
bool PushesStringResult(DriverOp op);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_DRIVER_DRIVER_OP_H_
