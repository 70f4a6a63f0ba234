// The fields of a view's files as names of run-time expressions: filters and
// order components name them (VTL:LASTNAME) and read the record buffers when
// they are evaluated.
#ifndef VANTREL_RUNTIME_DATA_VIEW_VIEW_FIELDS_H_
#define VANTREL_RUNTIME_DATA_VIEW_VIEW_FIELDS_H_

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/driver/file_declaration.h"
#include "runtime/data/expr/expr_parser.h"
#include "runtime/data/view/view_declaration.h"

namespace vantrel {

// The value of a field in a file's record buffer, as expressions see it:
// text types as strings, whole numbers as integers, DATE and TIME as
// standard dates and times, reals and decimals as numbers. A field that does
// not fit the buffer reads as an empty string.
ExprValue ReadFieldValue(const FileDeclaration& file, const FieldInfo& field);

// A field of one of the view's files.
struct ViewFieldRef {
  int slot = 0;          // index into the view's slots
  int field_number = 0;  // 1-based
};

// The names of every field of the view's files.
class ViewFields {
 public:
  explicit ViewFields(const std::vector<ViewSlot>& slots);

  // Parses expression text with the fields bound in a scope of their own,
  // above the program's bindings, which stay visible.
  ExprParse Parse(std::string_view text) const;

  // The field that a plain reference node names, if it is one of ours.
  std::optional<ViewFieldRef> FieldOf(const ExprNode& node) const;

 private:
  struct Entry {
    ViewFieldRef ref;
    const FileDeclaration* file = nullptr;
    FieldInfo info;
  };
  std::map<std::string, Entry, std::less<>> names_;  // bind names
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_VIEW_VIEW_FIELDS_H_
