#include "storage/tnl/driver/tnl_driver.h"

#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_registry.h"
#include "runtime/data/types/field_type.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/table/table_name.h"

namespace vantrel {
namespace {

constexpr auto Op(DriverOp op) { return static_cast<std::uint8_t>(op); }
constexpr auto Type(FieldType type) { return static_cast<std::uint8_t>(type); }

// The operations of the native operation table, then the field types. The
// list holds exactly what the format's table of operations names: SET_ and
// GET_PROPERTY are its property operations; the length forms, NULL
// handling, views and the key and BLOB property forms are not listed, and
// the types are codes 1 to 10, STRING, CSTRING, PSTRING, MEMO, BLOB, GROUP
// and ARRAY.
constexpr std::uint8_t kSupported[] = {
    70,
    Op(DriverOp::kOPEN),
    Op(DriverOp::kSHARE),
    Op(DriverOp::kCREATE),
    Op(DriverOp::kCLOSE),
    Op(DriverOp::kADD),
    Op(DriverOp::kAPPEND),
    Op(DriverOp::kPUT),
    Op(DriverOp::kPUTfileptr),
    Op(DriverOp::kDELETE),
    Op(DriverOp::kGETfilekey),
    Op(DriverOp::kGETfileptr),
    Op(DriverOp::kGETkeyptr),
    Op(DriverOp::kREGETfile),
    Op(DriverOp::kREGETkey),
    Op(DriverOp::kSETfile),
    Op(DriverOp::kSETfilekey),
    Op(DriverOp::kSETfileptr),
    Op(DriverOp::kSETkey),
    Op(DriverOp::kSETkeykey),
    Op(DriverOp::kSETkeyptr),
    Op(DriverOp::kSETkeykeyptr),
    Op(DriverOp::kRESETfile),
    Op(DriverOp::kRESETkey),
    Op(DriverOp::kNEXT),
    Op(DriverOp::kPREVIOUS),
    Op(DriverOp::kSKIP),
    Op(DriverOp::kEOF),
    Op(DriverOp::kBOF),
    Op(DriverOp::kPOSITIONfile),
    Op(DriverOp::kPOSITIONkey),
    Op(DriverOp::kPOINTERfile),
    Op(DriverOp::kPOINTERkey),
    Op(DriverOp::kRECORDSfile),
    Op(DriverOp::kRECORDSkey),
    Op(DriverOp::kCOUNTRECORDS),
    Op(DriverOp::kHOLDfile),
    Op(DriverOp::kHOLDfilesec),
    Op(DriverOp::kRELEASE),
    Op(DriverOp::kWATCH),
    Op(DriverOp::kLOCKfile),
    Op(DriverOp::kLOCKfilesec),
    Op(DriverOp::kUNLOCK),
    Op(DriverOp::kLOGOUT),
    Op(DriverOp::kCOMMIT),
    Op(DriverOp::kROLLBACK),
    Op(DriverOp::kFLUSH),
    Op(DriverOp::kSTREAM),
    Op(DriverOp::kEMPTY),
    Op(DriverOp::kBUILDfile),
    Op(DriverOp::kBUILDkey),
    Op(DriverOp::kBUILDdyn),
    Op(DriverOp::kBUILDdynfilter),
    Op(DriverOp::kBUILDevent),
    Op(DriverOp::kPACK),
    Op(DriverOp::kDUPLICATE),
    Op(DriverOp::kDUPLICATEkey),
    Op(DriverOp::kREMOVE),
    Op(DriverOp::kRENAME),
    Op(DriverOp::kCOPY),
    Op(DriverOp::kNOMEMO),
    Op(DriverOp::kBYTES),
    Op(DriverOp::kNAME),
    Op(DriverOp::kSEND),
    Op(DriverOp::kSET_PROPERTY),
    Op(DriverOp::kGET_PROPERTY),
    Op(DriverOp::kBLOB_TAKE),
    Op(DriverOp::kBLOB_YIELD),
    Op(DriverOp::kQUERY_KEY),
    Op(DriverOp::kENDVIEW),
    Op(DriverOp::kCLEAR),
    17,
    Type(FieldType::BYTE),
    Type(FieldType::SHORT),
    Type(FieldType::USHORT),
    Type(FieldType::DATE),
    Type(FieldType::TIME),
    Type(FieldType::LONG),
    Type(FieldType::ULONG),
    Type(FieldType::SREAL),
    Type(FieldType::REAL),
    Type(FieldType::DECIMAL),
    Type(FieldType::STRING),
    Type(FieldType::CSTRING),
    Type(FieldType::PSTRING),
    Type(FieldType::MEMO),
    Type(FieldType::BLOB),
    Type(FieldType::GROUP),
    Type(FieldType::ARRAY),
};
static_assert(sizeof(kSupported) == 1 + 70 + 1 + 17);

// The operations after which the table's BLOBs count as unchanged: their
// blocks now hold what the file holds (or what the program gave it).
bool StoresOrFetchesRecord(DriverOp op) {
  switch (op) {
    case DriverOp::kADD:
    case DriverOp::kAPPEND:
    case DriverOp::kDELETE:
    case DriverOp::kGETfilekey:
    case DriverOp::kGETfileptr:
    case DriverOp::kGETkeyptr:
    case DriverOp::kREGETfile:
    case DriverOp::kREGETkey:
    case DriverOp::kNEXT:
    case DriverOp::kPREVIOUS:
    case DriverOp::kPUT:
    case DriverOp::kPUTfileptr:
      return true;
    default:
      return false;
  }
}

// A FILE whose record the driver cannot store fails here (47, 75, 79); one
// without a record takes its declaration from the table at OPEN.
MadeInstance MakeTnlInstance(FileDeclaration& file) {
  auto instance = std::make_unique<TnlInstance>(file);
  if (!file.record.empty()) {
    instance->declared = DescribeDeclaration(file);
    if (!instance->declared) return FailureCode{ErrorCode()};
  }
  return instance;
}

DriverEntry MakeEntry() {
  DriverEntry entry;
  entry.name = "TARNEL";
  entry.make_instance = MakeTnlInstance;
  entry.supported = kSupported;
  entry.trace = {"HWTARNEL", "TARNEL.LOG"};
  return entry;
}

}  // namespace

const DriverEntry& TarnelDriverEntry() {
  static const DriverEntry entry = MakeEntry();
  return entry;
}

void RegisterTarnelDriver() { RegisterDriver(TarnelDriverEntry()); }

TnlInstance::TnlInstance(FileDeclaration& declaration)
    : declaration(declaration) {}

TnlInstance::~TnlInstance() {
  // A FILE that goes without CLOSE (the program ends) still commits what
  // its operations deferred; there is no one left to tell of a failure.
  if (table) CommitDeferred(*table);
  table.reset();
  // A declaration taken from the file lasts while the file is open; the
  // next OPEN takes it afresh.
  if (!own_record_.empty()) declaration.record = {};
  if (!own_memos_.empty()) {
    for (MemoDeclaration& memo : declaration.memos) memo.buffer = {};
  }
}

bool TnlInstance::DeclareFromFile(const TableDescription& stored) {
  own_record_.assign(stored.record_length, ' ');
  declaration.record = std::span<char>(own_record_);
  if (!DeclareFromDescription(stored, declaration)) {
    declaration.record = {};
    own_record_.clear();
    return false;
  }
  own_memos_.resize(declaration.memos.size());
  for (std::size_t m = 0; m < declaration.memos.size(); ++m) {
    MemoDeclaration& memo = declaration.memos[m];
    if (memo.flags & kMemoBlob) continue;
    own_memos_[m].assign(memo.size, ' ');
    memo.buffer = own_memos_[m];
  }
  return true;
}

std::string TnlInstance::Password() const {
  return (declaration.attributes & kFileEncrypt) ? declaration.owner
                                                 : std::string();
}

DriverResult TnlInstance::Perform(DriverOp op, DriverArgs& args) {
  // After a failed internal check the table only closes, tells its name or
  // rolls back: a check failed inside a transaction ends the transaction,
  // and its FILE could never close (CLOSE waits for the end of LOGOUT) if
  // ROLLBACK were refused too.
  if (table && table->failed_check != 0 && op != DriverOp::kCLOSE &&
      op != DriverOp::kNAME && op != DriverOp::kROLLBACK) {
    PostCheckFailure(table->failed_check, table->message_name);
    args.error_file = table->message_name;
    return {kErrFileSystem};
  }
  const DriverResult result = Dispatch(op, args);
  if (table && StoresOrFetchesRecord(op)) {
    table->blobs_changed.assign(table->blobs_changed.size(), false);
  }
  if (result.code != 0 && result.code != -1) {
    // Messages name the file by its path and the table.
    std::string name = table ? table->message_name
                             : SplitTableName(declaration.name).MessageName();
    if (!name.empty()) args.error_file = std::move(name);
  }
  return result;
}

DriverResult TnlInstance::Dispatch(DriverOp op, DriverArgs& args) {
  switch (op) {
    case DriverOp::kOPEN:
    case DriverOp::kSHARE:
      return OpenTableOp(*this, args);
    case DriverOp::kCREATE:
      return CreateTableOp(*this);
    case DriverOp::kCLOSE:
      return CloseTableOp(*this);
    case DriverOp::kNAME:
      return NameOp(*this, args);
    case DriverOp::kBUILDfile:
    case DriverOp::kBUILDevent:
    case DriverOp::kPACK:
    case DriverOp::kBUILDkey:
    case DriverOp::kBUILDdyn:
    case DriverOp::kBUILDdynfilter:
      return BuildOp(*this, op, args);
    case DriverOp::kSEND:
      return SendOp(*this, args);
    case DriverOp::kSET_PROPERTY:
      return SetPropertyOp(*this, args);
    case DriverOp::kGET_PROPERTY:
      return GetPropertyOp(*this, args);
    case DriverOp::kREMOVE:
      return RemoveOp(*this);
    case DriverOp::kRENAME:
    case DriverOp::kCOPY:
      return RenameOp(*this, op, args);
    default:
      break;
  }
  // Every other operation works on an open table.
  if (!table) return {kErrFileNotOpen};
  switch (op) {
    case DriverOp::kADD:
    case DriverOp::kAPPEND:
      return AddRecordOp(*this);
    case DriverOp::kPUT:
    case DriverOp::kPUTfileptr:
      return PutRecordOp(*this, args);
    case DriverOp::kDELETE:
      return DeleteRecordOp(*this);
    case DriverOp::kDUPLICATE:
    case DriverOp::kDUPLICATEkey:
      return DuplicateOp(*this, args.key);
    case DriverOp::kGETfileptr:
    case DriverOp::kGETkeyptr:
      return GetByPointerOp(*this, args);
    case DriverOp::kGETfilekey:
      return GetByKeyOp(*this, args);
    case DriverOp::kREGETfile:
    case DriverOp::kREGETkey:
      return RegetOp(*this, args);
    case DriverOp::kHOLDfile:
    case DriverOp::kHOLDfilesec:
    case DriverOp::kRELEASE:
    case DriverOp::kWATCH:
    case DriverOp::kNOMEMO:
      return RequestOp(*this, op, args);
    case DriverOp::kLOCKfile:
    case DriverOp::kLOCKfilesec:
      return LockOp(*this, op, args);
    case DriverOp::kUNLOCK:
      return UnlockOp(*this);
    case DriverOp::kLOGOUT:
    case DriverOp::kCOMMIT:
    case DriverOp::kROLLBACK:
    case DriverOp::kFLUSH:
    case DriverOp::kSTREAM:
      return TransactionOp(*this, op, args);
    case DriverOp::kEMPTY:
      return EmptyOp(*this);
    case DriverOp::kSETfile:
    case DriverOp::kSETfilekey:
    case DriverOp::kSETfileptr:
    case DriverOp::kSETkey:
    case DriverOp::kSETkeykey:
    case DriverOp::kSETkeyptr:
    case DriverOp::kSETkeykeyptr:
    case DriverOp::kRESETfile:
    case DriverOp::kRESETkey:
      return SetSequenceOp(*this, op, args);
    case DriverOp::kNEXT:
    case DriverOp::kPREVIOUS:
      return StepOp(*this, op);
    case DriverOp::kSKIP:
      return SkipOp(*this, args);
    case DriverOp::kEOF:
    case DriverOp::kBOF:
      return EndOfSequenceOp(*this, op);
    case DriverOp::kPOSITIONfile:
    case DriverOp::kPOSITIONkey:
      return PositionOp(*this, args);
    case DriverOp::kBYTES:
      return BytesOp(*this);
    case DriverOp::kPOINTERfile:
    case DriverOp::kPOINTERkey:
      return PointerOp(*this);
    case DriverOp::kRECORDSfile:
    case DriverOp::kRECORDSkey:
    case DriverOp::kCOUNTRECORDS:
      return RecordsOp(*this, args.key);
    case DriverOp::kQUERY_KEY:
      return QueryKeyOp(*this, args.key);
    case DriverOp::kCLEAR:
      return ClearOp(*this);
    case DriverOp::kBLOB_TAKE:
      return BlobTakeOp(*this, args);
    case DriverOp::kBLOB_YIELD:
      return BlobYieldOp(*this, args);
    case DriverOp::kENDVIEW:
      return {};  // a native table keeps nothing for a view
    default:
      return {kErrUnsupportedFunction};
  }
}

}  // namespace vantrel
