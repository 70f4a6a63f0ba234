#include "runtime/data/view/view_driver.h"

#include "runtime/data/base/error_state.h"
#include "runtime/data/view/view_engine.h"
#include "runtime/data/view/view_trace.h"

namespace vantrel {
namespace {

constexpr auto Op(DriverOp op) { return static_cast<std::uint8_t>(op); }

constexpr std::uint8_t kSupported[] = {
    22,
    Op(DriverOp::kCLOSE),
    Op(DriverOp::kDELETE),
    Op(DriverOp::kFLUSH),
    Op(DriverOp::kGETfileptr),
    Op(DriverOp::kGET_PROPERTY),
    Op(DriverOp::kHOLDfile),
    Op(DriverOp::kHOLDfilesec),
    Op(DriverOp::kNEXT),
    Op(DriverOp::kOPEN),
    Op(DriverOp::kPOSITIONfile),
    Op(DriverOp::kPREVIOUS),
    Op(DriverOp::kPUT),
    Op(DriverOp::kRECORDSfile),
    Op(DriverOp::kREGETfile),
    Op(DriverOp::kRELEASE),
    Op(DriverOp::kRESETfile),
    Op(DriverOp::kRESETviewfile),
    Op(DriverOp::kSETview),
    Op(DriverOp::kSET_PROPERTY),
    Op(DriverOp::kSKIP),
    Op(DriverOp::kWATCH),
    0,  // no field types of its own: the files' types apply
};

// Only ViewDeclaration sets this entry as a file's driver, so the file is
// one.
const ViewDeclaration& AsView(const FileDeclaration& file) {
  return static_cast<const ViewDeclaration&>(file);
}

MadeInstance MakeViewInstance(FileDeclaration& file) {
  auto& view = static_cast<ViewDeclaration&>(file);
  if (view.primary == nullptr) {
    return FailureCode{kErrInvalidRecordDeclaration};
  }
  return std::make_unique<ViewEngine>(view);
}

std::vector<std::string> StructureLines(const FileDeclaration& file) {
  return ViewStructureLines(AsView(file));
}

std::string CallPrefix(const FileDeclaration& file) {
  return ViewCallPrefix(AsView(file));
}

std::vector<std::string> DetailLines(const FileDeclaration& file, DriverOp op) {
  return ViewDetailLines(AsView(file), op);
}

DriverEntry MakeEntry() {
  DriverEntry entry;
  entry.name = "VIEW";
  entry.make_instance = MakeViewInstance;
  entry.supported = kSupported;
  entry.trace = {"HWVIEW",   "VIEW.LOG",     StructureLines,
                 CallPrefix, kViewCallWidth, DetailLines};
  return entry;
}

}  // namespace

const DriverEntry& ViewDriverEntry() {
  static const DriverEntry entry = MakeEntry();
  return entry;
}

}  // namespace vantrel
