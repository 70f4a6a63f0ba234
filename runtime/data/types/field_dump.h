// The structure dump of records (used by the driver trace): fields in
// declaration syntax, and field values in their dump formats:
//   BYTE "%02XH"; SHORT, USHORT, LONG, ULONG as decimal integers;
//   DATE "%02d %s %d (%ld)" (day, month abbreviation, year, raw value) or
//        "Invalid date (%ld)"; TIME "%02d:%02d:%02d.%02d (%ld)" or
//        "Invalid time (%ld)"; SREAL "%f"; REAL and BFLOAT8 "%.15g";
//   DECIMAL, PDECIMAL with their places; STRING, CSTRING, PSTRING quoted;
//   other types show nothing.
#ifndef VANTREL_RUNTIME_DATA_TYPES_FIELD_DUMP_H_
#define VANTREL_RUNTIME_DATA_TYPES_FIELD_DUMP_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

// Formats a STRING value through its picture. Until a formatter is supplied,
// STRING values with a picture are shown as their plain text.
using PictureFormatter = std::string (*)(std::string_view picture,
                                         std::string_view text);

// The value of one element of `field` at `value`.
std::string FieldValueText(const FieldInfo& field, const std::uint8_t* value,
                           PictureFormatter formatter = nullptr);

// A field's type and declaration form: "DECIMAL(5,2)", "STRING(@s20)",
// "LONG, DIM(3,4), OVER(VTL:A),NAME('ext')"; `over_label` is the label of the
// field it lies over, if any.
std::string FieldDeclaration(const FieldInfo& field,
                             std::string_view over_label = {});

// One line of a dump: the field's label and nesting depth and the text shown
// after the label ("END" lines close groups and have no label).
struct DumpLine {
  std::uint32_t depth = 0;
  std::string label;
  std::string text;

  bool operator==(const DumpLine&) const = default;
};

// The record's fields in declaration syntax, each group followed by its
// members and an "END" line. Nothing on a malformed descriptor (error 75).
std::optional<std::vector<DumpLine>> DumpDeclarations(
    const TypeDescriptor& descriptor);

// The record's field values (a dimensioned field's elements separated by
// ", "; groups show their members then "END"; members of a dimensioned group
// from its first element). Values not within `record` are left out. Nothing
// on a malformed descriptor (error 75).
std::optional<std::vector<DumpLine>> DumpValues(
    const TypeDescriptor& descriptor, std::span<const std::uint8_t> record,
    PictureFormatter formatter = nullptr);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TYPES_FIELD_DUMP_H_
