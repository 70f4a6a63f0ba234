// What a file driver offers the runtime: its registration record
// (`DriverEntry`) and the per-file instance through which every numbered
// operation reaches it.
#ifndef VANTREL_RUNTIME_DATA_DRIVER_DRIVER_ENTRY_H_
#define VANTREL_RUNTIME_DATA_DRIVER_DRIVER_ENTRY_H_

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/base/value_or_code.h"
#include "runtime/data/driver/driver_op.h"

namespace vantrel {

class FileDeclaration;
struct KeyDeclaration;

// A zero-padded text field of a fixed width.
template <std::size_t N>
struct FixedName {
  std::array<char, N> bytes{};

  constexpr FixedName() = default;
  // Implicit, so that entries read as their names; longer text is cut.
  constexpr FixedName(const char* text) {  // NOLINT(runtime/explicit)
    for (std::size_t i = 0; text[i] != '\0' && i + 1 < N; ++i) {
      bytes[i] = text[i];
    }
  }
  std::string_view view() const {
    return std::string_view(
        bytes.data(),
        std::find(bytes.begin(), bytes.end(), '\0') - bytes.begin());
  }
};

// The arguments of one operation, in the form its name tells.
struct DriverArgs {
  // User-provided, so that `DriverArgs{}` sets the members one by one
  // instead of first clearing the whole block (a measurable cost per call).
  DriverArgs() {}  // NOLINT(modernize-use-equals-default)

  KeyDeclaration* key = nullptr;  // key operations
  // `ptr` forms: a record pointer; BLOB_TAKE and BLOB_YIELD: the number of
  // the BLOB among the FILE's memos, from 1.
  std::int64_t pointer = 0;
  std::uint32_t length = 0;  // `len` forms
  std::int32_t seconds = 0;  // `sec` forms
  std::int32_t count = 0;    // SKIP
  std::uint32_t mode = 0;    // OPEN and SHARE: the open mode
  // String arguments, taken off the string stack by the driver call:
  // COPY's and RENAME's new name, a SEND command, a property name, a filter,
  // a RESET or REGET position.
  std::string_view text;
  std::string_view value;  // a property's value
  // A string result (NAME, POSITION, GET_PROPERTY, SEND's reply), which the
  // driver call pushes onto the string stack.
  std::optional<std::string> result_text;
  // BLOB_TAKE and BLOB_YIELD: the caller's block, which the driver takes
  // the BLOB's contents from or hands them over in.
  std::vector<std::uint8_t>* block = nullptr;
  // Text the driver adds to the posted error's message (" (XYZ)" after
  // "No BIND on variable").
  std::optional<std::string> error_detail;
  // The name the driver gives the file in messages, when it is not the
  // FILE's own (the posted error's ERRORFILE).
  std::optional<std::string> error_file;
};

// The outcome of an operation: `code` is 0, -1 for a silent failure, or an
// error code; `value` is the operation's value (a count, a pointer, a size,
// true for BOF or EOF at the end).
struct DriverResult {
  int code = 0;
  std::int64_t value = 0;
};

// A driver's per-file instance, built from the file's declaration on the
// first call and discarded when the file is done with.
class DriverInstance {
 public:
  virtual ~DriverInstance() = default;

  // Carries out one operation; returns 80 for one it does not implement.
  virtual DriverResult Perform(DriverOp op, DriverArgs& args) = 0;
};

// Builds the instance for a declaration, or returns the error (47, 75, 79 ...)
// that makes the declaration unusable for this driver.
using MadeInstance = ValueOrCode<std::unique_ptr<DriverInstance>>;
using MakeInstanceFunction = MadeInstance (*)(FileDeclaration& file);

// Where a driver's trace settings live in the system profile, and how its
// files show in the trace when they are not plain FILEs.
struct TraceSettingsSource {
  std::string_view section;       // "HWASCII"
  std::string_view default_file;  // "ASCII.LOG"
  // The lines written before a file's first call; nullptr: its declaration.
  std::vector<std::string> (*declaration_lines)(const FileDeclaration&) =
      nullptr;
  // Text before the operation's name in a call's line, and the width that
  // part is padded to; nullptr and 0: none and the usual width.
  std::string (*call_prefix)(const FileDeclaration&) = nullptr;
  std::size_t call_width = 0;
  // The detail lines of a call; nullptr: the record's or key's fields.
  std::vector<std::string> (*detail_lines)(const FileDeclaration&,
                                           DriverOp) = nullptr;
};

// One registered driver.
struct DriverEntry {
  FixedName<21> name;  // the DRIVER attribute's name: "ASCII"
  MakeInstanceFunction make_instance = nullptr;
  // A count byte and that many operation numbers, then a count byte and
  // that many field type codes.
  std::span<const std::uint8_t> supported;
  TraceSettingsSource trace;

  std::span<const std::uint8_t> SupportedOps() const;
  std::span<const std::uint8_t> SupportedTypes() const;
  bool Supports(DriverOp op) const;
  bool SupportsType(std::uint8_t field_type) const;
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_DRIVER_DRIVER_ENTRY_H_
