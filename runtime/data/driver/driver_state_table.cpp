#include "runtime/data/driver/driver_state_table.h"

#include <array>

namespace vantrel {
namespace {

// Indexed by operation number: activity, required, forbidden, set, cleared,
// cleared on failure.
constexpr std::array<OpStateRow, kDriverOpCount> kRows = {{
    {0, 0, 0, 0, 0, 0},                // 0
    {1, 0x41, 0, 0x2, 0x1400, 0},      // 1 ADD
    {0, 0x21, 0, 0, 0, 0},             // 2 BOF
    {1, 0xC0, 0x4, 0, 0, 0x2022},      // 3 BUILDfile
    {1, 0x41, 0, 0, 0, 0},             // 4 APPEND
    {1, 0x1, 0x4, 0x100, 0, 0},        // 5 BUILDdyn
    {1, 0xC0, 0x4, 0, 0, 0},           // 6 BUILDkey
    {3, 0x1, 0x4, 0, 0x101, 0},        // 7 CLOSE
    {1, 0x5, 0, 0, 0x4, 0},            // 8 COMMIT
    {3, 0, 0x1, 0, 0, 0},              // 9 COPY
    {3, 0, 0x1, 0, 0, 0},              // 10 CREATE
    {1, 0x43, 0, 0, 0x2, 0},           // 11 DELETE
    {1, 0x41, 0, 0, 0, 0},             // 12 DUPLICATE
    {1, 0xC1, 0x4, 0, 0, 0},           // 13 EMPTY
    {0, 0x21, 0, 0, 0, 0},             // 14 EOF
    {1, 0x101, 0, 0x2, 0xA00, 0x2},    // 15 GETfilekey
    {1, 0x1, 0, 0x2, 0xA00, 0x2},      // 16 GETfileptr
    {1, 0x101, 0, 0x2, 0xA00, 0x2},    // 17 GETkeyptr
    {1, 0x1, 0, 0x800, 0, 0},          // 18 HOLDfile
    {1, 0x1, 0, 0x800, 0, 0},          // 19 HOLDfilesec
    {1, 0x1, 0x10, 0x90, 0, 0},        // 20 LOCKfile
    {1, 0x1, 0x10, 0x90, 0, 0},        // 21 LOCKfilesec
    {1, 0x1, 0x4, 0x4, 0, 0},          // 22 LOGOUT
    {0, 0, 0, 0, 0, 0},                // 23 NAME
    {5, 0x21, 0, 0x2, 0xA00, 0x2022},  // 24 NEXT
    {1, 0, 0x1, 0x1, 0, 0},            // 25 OPEN
    {1, 0xC0, 0x4, 0, 0x22, 0x2022},   // 26 PACK
    {0, 0x3, 0, 0, 0, 0},              // 27 POINTERfile
    {0, 0x103, 0, 0, 0, 0},            // 28 POINTERkey
    {1, 0x1, 0, 0, 0x8, 0},            // 29 FLUSH
    {1, 0x43, 0, 0, 0x1400, 0},        // 30 PUT
    {5, 0x21, 0, 0x2, 0xA00, 0x2022},  // 31 PREVIOUS
    {0, 0x1, 0, 0, 0, 0},              // 32 RECORDSfile
    {0, 0x101, 0, 0, 0, 0},            // 33 RECORDSkey
    {1, 0x1, 0x4, 0x100, 0, 0},        // 34 BUILDdynfilter
    {0, 0, 0, 0, 0, 0},                // 35
    {1, 0x1, 0, 0, 0x1000, 0},         // 36 RELEASE
    {3, 0, 0x1, 0, 0, 0},              // 37 REMOVE
    {3, 0, 0x1, 0, 0, 0},              // 38 RENAME
    {0, 0, 0, 0, 0, 0},                // 39
    {1, 0x5, 0, 0, 0x4, 0},            // 40 ROLLBACK
    {5, 0x1, 0, 0x2020, 0, 0x2020},    // 41 SETfile
    {5, 0x101, 0, 0x2020, 0, 0x2020},  // 42 SETfilekey
    {5, 0x1, 0, 0x2020, 0, 0x2020},    // 43 SETfileptr
    {5, 0x101, 0, 0x2020, 0, 0x2020},  // 44 SETkey
    {5, 0x101, 0, 0x2020, 0, 0x2020},  // 45 SETkeykey
    {5, 0x101, 0, 0x2020, 0, 0x2020},  // 46 SETkeyptr
    {5, 0x101, 0, 0x2020, 0, 0x2020},  // 47 SETkeykeyptr
    {1, 0, 0x1, 0x1, 0, 0},            // 48 SHARE
    {5, 0x21, 0, 0, 0x2, 0x2022},      // 49 SKIP
    {1, 0x11, 0x4, 0, 0x10, 0},        // 50 UNLOCK
    {1, 0x1, 0, 0, 0x1400, 0},         // 51 ADDfilelen
    {1, 0x1, 0, 0, 0, 0},              // 52 BYTES
    {1, 0x1, 0, 0x2, 0xA00, 0x2},      // 53 GETfileptrlen
    {1, 0x41, 0, 0, 0x1400, 0x2},      // 54 PUTfileptr
    {1, 0x41, 0, 0, 0x1400, 0x2},      // 55 PUTfileptrlen
    {1, 0x1, 0x8, 0x8, 0, 0},          // 56 STREAM
    {1, 0x101, 0, 0, 0, 0},            // 57 DUPLICATEkey
    {1, 0x1, 0, 0x200, 0, 0},          // 58 WATCH
    {1, 0x41, 0, 0, 0x1400, 0},        // 59 APPENDlen
    {1, 0, 0, 0x10000, 0, 0},          // 60 SEND
    {1, 0x3, 0, 0, 0, 0},              // 61 POSITIONfile
    {1, 0x103, 0, 0, 0, 0},            // 62 POSITIONkey
    {5, 0x1, 0, 0x2020, 0, 0x2020},    // 63 RESETfile
    {5, 0x101, 0, 0x2020, 0, 0x2020},  // 64 RESETkey
    {0, 0x1, 0, 0, 0, 0},              // 65 NOMEMO
    {1, 0x1, 0, 0x2, 0xA00, 0},        // 66 REGETfile
    {1, 0x101, 0, 0x2, 0xA00, 0},      // 67 REGETkey
    {1, 0x1, 0, 0, 0, 0},              // 68 NULL
    {1, 0x1, 0, 0, 0, 0},              // 69 SETNULL
    {1, 0x1, 0, 0, 0, 0},              // 70 SETNONULL
    {1, 0, 0, 0x10000, 0, 0},          // 71 SET_PROPERTY
    {0, 0, 0, 0, 0, 0},                // 72 GET_PROPERTY
    {0, 0x101, 0, 0, 0, 0},            // 73 QUERY_KEY
    {0, 0, 0, 0, 0, 0},                // 74 QUERY_VIEW
    {1, 0x1, 0, 0, 0, 0},              // 75 BLOB_YIELD
    {1, 0x1, 0, 0, 0, 0},              // 76 BLOB_TAKE
    {0, 0x3, 0, 0, 0, 0},              // 77 BLOB_SIZE
    {1, 0x1, 0, 0x10000, 0, 0},        // 78 BLOB_GET_PROP
    {1, 0x1, 0, 0, 0, 0},              // 79 BLOB_SET_PROP
    {1, 0x1, 0, 0, 0, 0},              // 80 BUFFER
    {5, 0x1, 0, 0x20, 0, 0x20},        // 81 SETview
    {0, 0x1, 0, 0, 0, 0},              // 82 CLEAR
    {5, 0x1, 0, 0x2020, 0, 0x2020},    // 83 RESETviewfile
    {1, 0xC0, 0x4, 0, 0, 0x2022},      // 84 BUILDevent
    {1, 0, 0, 0x10000, 0, 0},          // 85 SETPROPERTYkey
    {0, 0, 0, 0, 0, 0},                // 86 GETPROPERTYkey
    {0, 0, 0, 0, 0, 0},                // 87
    {1, 0, 0, 0x10000, 0, 0},          // 88 DO_PROPERTY
    {1, 0, 0, 0x10000, 0, 0},          // 89 DOPROPERTYkey
    {1, 0, 0, 0x10000, 0, 0},          // 90 DOPROPERTYblob
    {0, 0, 0, 0, 0, 0},                // 91
    {1, 0x1, 0x100, 0x100, 0, 0},      // 92 INVIEW
    {1, 0x1, 0, 0, 0x100, 0},          // 93 ENDVIEW
    {1, 0, 0x1, 0, 0, 0},              // 94 Internal
    {0, 0x1, 0, 0, 0, 0},              // 95 COUNTRECORDS
}};

}  // namespace

const OpStateRow& StateRow(DriverOp op) {
  return kRows[static_cast<std::size_t>(op) % kDriverOpCount];
}

}  // namespace vantrel
