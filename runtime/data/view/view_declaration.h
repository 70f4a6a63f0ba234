// A VIEW: a primary file with projected fields and memos, joined files with
// their own projections and nested joins. It is declared like a FILE and
// driven through the same driver call; its driver-side instance (the view
// engine) reads the files through their own drivers.
#ifndef VANTREL_RUNTIME_DATA_VIEW_VIEW_DECLARATION_H_
#define VANTREL_RUNTIME_DATA_VIEW_VIEW_DECLARATION_H_

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/data/driver/file_declaration.h"

namespace vantrel {

// One projected item of a file in a view.
struct ViewItem {
  enum class Kind : std::uint8_t { kField, kMemo };
  Kind kind = Kind::kField;
  int number = 0;  // 1-based field number, or 1-based memo number
};

// A file joined to its parent (the primary file or another join). The rows
// of the join are the records of `file` whose leading `key` components equal
// the parent's linking fields, one linking field per component used. Without
// linking fields, each key component is matched with the parent's field of
// the same name after the prefix (CUS:ID with ORD:ID).
struct ViewJoin {
  FileDeclaration* file = nullptr;
  KeyDeclaration* key = nullptr;
  std::vector<int> linking_fields;  // field numbers in the parent's record
  bool inner = false;  // inner: a parent without a match gives no row
  std::vector<ViewItem> project;  // empty: every field
  std::vector<ViewJoin> joins;
};

// What the view's properties set. They belong to the declaration, so they
// outlast CLOSE and a filter may be set before OPEN.
struct ViewSettings {
  std::string filter;
  std::string order;
  std::vector<std::string> start_values;  // per order component
  std::uint8_t switch_value = 0;
};

// The declaration of a VIEW. The files it names must outlive it.
class ViewDeclaration : public FileDeclaration {
 public:
  explicit ViewDeclaration(FileDeclaration& primary_file);

  // The number the trace shows for the view, unique within the process.
  std::uint32_t handle() const { return handle_; }

  FileDeclaration* primary;
  std::vector<ViewItem> project;  // the primary's items; empty: every field
  std::vector<ViewJoin> joins;
  ViewSettings settings;

 private:
  std::uint32_t handle_;
};

// The files of a view in reading order: the primary first, then the joins
// depth first. `parent` is the slot of the file a join links to (-1 for the
// primary).
struct ViewSlot {
  FileDeclaration* file = nullptr;
  const ViewJoin* join = nullptr;  // nullptr for the primary
  int parent = -1;
};

std::vector<ViewSlot> FlattenView(const ViewDeclaration& view);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_VIEW_VIEW_DECLARATION_H_
