#include "runtime/data/ascii/ascii_driver.h"

#include "runtime/data/ascii/ascii_file.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_registry.h"
#include "runtime/data/types/field_type.h"
#include "runtime/data/types/type_descriptor.h"

namespace vantrel {
namespace {

constexpr std::uint32_t kMaxGroupDepth = 100;

constexpr auto Op(DriverOp op) { return static_cast<std::uint8_t>(op); }
constexpr auto Type(FieldType type) { return static_cast<std::uint8_t>(type); }

constexpr std::uint8_t kSupported[] = {
    34,
    Op(DriverOp::kADD),
    Op(DriverOp::kADDfilelen),
    Op(DriverOp::kAPPEND),
    Op(DriverOp::kAPPENDlen),
    Op(DriverOp::kBYTES),
    Op(DriverOp::kEOF),
    Op(DriverOp::kCLOSE),
    Op(DriverOp::kCOPY),
    Op(DriverOp::kCREATE),
    Op(DriverOp::kEMPTY),
    Op(DriverOp::kFLUSH),
    Op(DriverOp::kGETfileptrlen),
    Op(DriverOp::kGETfileptr),
    Op(DriverOp::kGET_PROPERTY),
    Op(DriverOp::kLOCKfile),
    Op(DriverOp::kLOCKfilesec),
    Op(DriverOp::kNAME),
    Op(DriverOp::kNEXT),
    Op(DriverOp::kOPEN),
    Op(DriverOp::kPOINTERfile),
    Op(DriverOp::kPOSITIONfile),
    Op(DriverOp::kPUT),
    Op(DriverOp::kPUTfileptr),
    Op(DriverOp::kPUTfileptrlen),
    Op(DriverOp::kREGETfile),
    Op(DriverOp::kREMOVE),
    Op(DriverOp::kRENAME),
    Op(DriverOp::kRESETfile),
    Op(DriverOp::kSEND),
    Op(DriverOp::kSETfile),
    Op(DriverOp::kSETfileptr),
    Op(DriverOp::kSET_PROPERTY),
    Op(DriverOp::kSHARE),
    Op(DriverOp::kUNLOCK),
    2,
    Type(FieldType::STRING),
    Type(FieldType::GROUP),
};

// The record must be a group of STRING fields and groups.
int CheckRecord(const FileDeclaration& file) {
  if (!file.keys.empty() || !file.memos.empty()) {
    return kErrInvalidRecordDeclaration;
  }
  std::optional<std::vector<FieldInfo>> fields = file.descriptor.Fields();
  if (!fields || fields->empty() || fields->front().type != FieldType::GROUP) {
    return kErrInvalidDescriptor;
  }
  for (const FieldInfo& field : *fields) {
    if (field.depth > kMaxGroupDepth) return kErrInvalidDescriptor;
    if (field.type != FieldType::STRING && field.type != FieldType::GROUP) {
      return kErrUnsupportedDataType;
    }
  }
  return 0;
}

MadeInstance MakeAsciiInstance(FileDeclaration& file) {
  if (int code = CheckRecord(file); code != 0) return FailureCode{code};
  return std::make_unique<AsciiFile>(file);
}

DriverEntry MakeEntry() {
  DriverEntry entry;
  entry.name = "ASCII";
  entry.make_instance = MakeAsciiInstance;
  entry.supported = kSupported;
  entry.trace = {"HWASCII", "ASCII.LOG"};
  return entry;
}

}  // namespace

const DriverEntry& AsciiDriverEntry() {
  static const DriverEntry entry = MakeEntry();
  return entry;
}

void RegisterAsciiDriver() { RegisterDriver(AsciiDriverEntry()); }

}  // namespace vantrel
