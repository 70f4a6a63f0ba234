// The rows of a view: for one record of the primary file, every combination
// of the joined files' matching records (depth first, each join nested in
// the loop of its parent), with the outer joins that match nothing giving
// one row with a cleared record, and the inner ones giving no row. A row is
// kept when the filter holds with all its records in their buffers.
#ifndef VANTREL_RUNTIME_DATA_VIEW_VIEW_ROWS_H_
#define VANTREL_RUNTIME_DATA_VIEW_VIEW_ROWS_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "runtime/data/driver/driver_entry.h"
#include "runtime/data/expr/expr_parser.h"
#include "runtime/data/view/view_declaration.h"

namespace vantrel {

struct ViewRow {
  std::vector<std::int64_t> pointers;  // per slot; 0: no record
  std::vector<ExprValue> order_values;
};

// One driver call on a file of the view.
using ViewFileCall =
    std::function<DriverResult(FileDeclaration&, DriverOp, DriverArgs&)>;

// What the rows are kept by: the filter (none: every row) and the order
// components whose values each row carries (none: no values).
struct ViewRowRules {
  const ExprNode* filter = nullptr;
  std::vector<const ExprNode*> order;
};

class ViewRowReader {
 public:
  ViewRowReader(std::vector<ViewSlot> slots, ViewFileCall call);

  // Checks the joins and works out their linking fields: 47 for a join
  // without a file or key, a key of another file, a file used twice, or a
  // linking field of another type or size than its key component.
  int Prepare();

  // Appends the rows of the primary record in its buffer, whose pointer is
  // `primary_pointer`. Returns 0 or the error of a failed read.
  int CollectRows(std::int64_t primary_pointer, const ViewRowRules& rules,
                  std::vector<ViewRow>& out);

  // Reads a row's records back into the buffers, the primary's only when
  // `load_primary`; a slot without a record gets a cleared buffer.
  int LoadRow(const ViewRow& row, bool load_primary);

  const std::vector<ViewSlot>& slots() const { return slots_; }

 private:
  struct Link {
    FieldInfo parent_field;
    FieldInfo key_field;
  };

  int LinkJoin(std::size_t slot);
  int Descend(std::size_t slot, const ViewRowRules& rules,
              std::vector<ViewRow>& out);
  int DescendJoin(std::size_t slot, const ViewRowRules& rules,
                  std::vector<ViewRow>& out);
  bool StartAtFloor(std::size_t slot);
  bool Matches(std::size_t slot, const std::vector<std::uint8_t>& values) const;
  void EmitRow(const ViewRowRules& rules, std::vector<ViewRow>& out);
  void ClearSlot(std::size_t slot);

  std::vector<ViewSlot> slots_;
  ViewFileCall call_;
  std::vector<std::vector<Link>> links_;  // per slot
  std::vector<std::int64_t> pointers_;    // the records in the buffers
};

// Reads the record a pointer names into a file's buffer (GET by pointer).
int ReadRecordAt(const ViewFileCall& call, FileDeclaration& file,
                 std::int64_t pointer);

// The pointer of the file's current record (POINTER), 0 when it has none.
std::int64_t CurrentPointer(const ViewFileCall& call, FileDeclaration& file);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_VIEW_VIEW_ROWS_H_
