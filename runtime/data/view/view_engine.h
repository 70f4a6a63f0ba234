// The driver-side instance of a VIEW: it keeps the view's properties and
// its sequence, and answers the view's operations by driver calls on the
// primary and joined files.
//
// Rows come in one of two ways. Streaming: the primary file is read in
// record order or by a key, and each record's rows are built as it is
// reached. Listed: every row is read once into a list (with its order
// values) and sorted; the rows are then read back by their records'
// pointers. A view lists its rows when no key gives its order, and when it
// must count or find rows (RECORDS, RESET).
#ifndef VANTREL_RUNTIME_DATA_VIEW_VIEW_ENGINE_H_
#define VANTREL_RUNTIME_DATA_VIEW_VIEW_ENGINE_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/data/driver/driver_entry.h"
#include "runtime/data/expr/expr_parser.h"
#include "runtime/data/view/view_declaration.h"
#include "runtime/data/view/view_fields.h"
#include "runtime/data/view/view_key_plan.h"
#include "runtime/data/view/view_order.h"
#include "runtime/data/view/view_rows.h"

namespace vantrel {

// Properties of a view, by number (SET_PROPERTY and GET_PROPERTY take the
// number as the property's name, with ",N" for the N-th order component).
enum ViewProperty : int {
  kViewPropFilter = 31928,      // the filter expression
  kViewPropOrder = 31974,       // the order; ",N": its N-th component
  kViewPropStartValue = 29509,  // ",N": where SET starts, per component
  kViewPropSwitch = 29479,      // one byte kept with the view
  kViewPropFileCount = 29477,   // read-only: the files the view reads
  kViewPropKeyOrder = 29478,    // read-only: 1 when a key gives the order
};

class ViewEngine : public DriverInstance {
 public:
  explicit ViewEngine(ViewDeclaration& view);
  ~ViewEngine() override;

  DriverResult Perform(DriverOp op, DriverArgs& args) override;

 private:
  struct Prepared;

  // One driver call on a file of the view, traced into the view's log when
  // the view traces into its files.
  DriverResult CallFile(FileDeclaration& file, DriverOp op, DriverArgs& args);
  ViewFileCall Caller();
  // A WATCH of the view applies to the next record read from the primary.
  void PassWatch();

  int Open(DriverArgs& args);
  int Prepare();
  int SetView();
  int ResetToBuffer();
  int ResetToPosition(std::string_view position);
  int Reget(std::string_view position);
  int Step(bool forward);
  int StepStreaming(bool forward);
  int StepListed(bool forward);
  int StepPrimary(bool forward, std::int64_t& pointer);
  int StartPrimary(bool forward);
  int ListRows();
  int Skip(std::int32_t count);
  int GetByPointer(std::int64_t pointer);
  int Records(std::int64_t& count);
  int PassToPrimary(DriverOp op, DriverArgs& args);
  int Position(DriverArgs& args);
  int SetProperty(std::string_view name, std::string_view value);
  int GetProperty(std::string_view name, DriverArgs& args);
  int StartAtValues(const std::vector<ExprValue>& values);
  int LoadCurrent(const ViewRow& row, bool load_primary);
  void ResetSequence();
  // The parse's error, with the unbound name kept for the message.
  int ParseFailure(const ExprParse& parse);

  ViewDeclaration& view_;
  ViewSettings& settings_;  // the view's properties
  bool watch_ = false;      // the next read of the primary is watched
  bool flush_ = false;
  // The calls on the view's files go into the view's trace as well.
  bool trace_into_files_ = false;
  std::string error_detail_;  // added to the message of this call's error

  std::unique_ptr<Prepared> prepared_;  // built by SET, RESET, RECORDS
  // The sequence.
  bool listed_ = false;
  std::vector<ViewRow> rows_;  // listed rows, or the current record's rows
  // Where the sequence stands in rows_: on row `index_` after a read
  // (`on_row_`), else just before it. `fresh_` while no read has followed
  // SET, so that PREVIOUS starts from the last row.
  std::ptrdiff_t index_ = 0;
  bool on_row_ = false;
  bool fresh_ = true;
  bool primary_started_ = false;    // the primary's sequence is set
  std::optional<ViewRow> current_;  // the row last read into the buffers
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_VIEW_VIEW_ENGINE_H_
