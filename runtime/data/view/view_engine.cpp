#include "runtime/data/view/view_engine.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "os/posix/profile_store.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_call.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/driver/driver_trace.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/expr/expr_evaluate.h"
#include "runtime/data/view/view_trace.h"

namespace vantrel {
namespace {

constexpr char kPositionSeparator = ',';
constexpr int kMaxOrderComponents = 256;

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(" \t") == std::string_view::npos;
}

std::optional<std::int64_t> ParseNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::int64_t value = 0;
  auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

// A property's name: its number and, after a comma, an index (0: none).
struct PropertyName {
  int number = 0;
  int index = 0;
};

std::optional<PropertyName> ParsePropertyName(std::string_view name) {
  const auto comma = name.find(',');
  std::optional<std::int64_t> number = ParseNumber(name.substr(0, comma));
  if (!number) return std::nullopt;
  PropertyName parsed{static_cast<int>(*number), 0};
  if (comma != std::string_view::npos) {
    std::optional<std::int64_t> index = ParseNumber(name.substr(comma + 1));
    if (!index || *index < 1 || *index > kMaxOrderComponents) {
      return std::nullopt;
    }
    parsed.index = static_cast<int>(*index);
  }
  return parsed;
}

// A position names the row's record in every file: their pointers, in the
// order of the view's files, as decimal numbers separated by commas (0 for
// a file without a record in the row).
std::string PositionText(const ViewRow& row) {
  std::string text;
  for (std::size_t i = 0; i < row.pointers.size(); ++i) {
    if (i > 0) text += kPositionSeparator;
    text += std::to_string(row.pointers[i]);
  }
  return text;
}

std::optional<ViewRow> ParsePosition(std::string_view text, std::size_t files) {
  ViewRow row;
  for (;;) {
    const auto comma = text.find(kPositionSeparator);
    std::optional<std::int64_t> pointer = ParseNumber(text.substr(0, comma));
    if (!pointer || *pointer < 0 || row.pointers.size() == files) {
      return std::nullopt;
    }
    row.pointers.push_back(*pointer);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (row.pointers.size() != files || row.pointers[0] == 0) return std::nullopt;
  return row;
}

std::uint32_t OpenModeOf(const FileDeclaration& file) {
  std::uint32_t mode = kOpenReadOnly;
  if (file.control.state & kStateWrite) mode |= kOpenReadWrite;
  if (file.control.state & kStateExclusive) mode |= kOpenDenyAll;
  return mode;
}

// The error state as a query found it. A query that succeeds leaves the
// error state as it was, though the reads it made on the files posted
// their own ends and failures.
class KeptErrorState {
 public:
  KeptErrorState()
      : code_(ErrorCode()),
        text_(Error()),
        file_(ErrorFile()),
        file_code_(FileErrorCode()),
        file_error_(FileError()) {}

  void Restore() const {
    if (code_ == 0) {
      ClearError();
    } else if (code_ == kErrFileSystem) {
      PostFileError(file_code_, file_error_, file_);
    } else {
      const std::string standard = ErrorMessageFor(code_);
      const bool extended = text_.compare(0, standard.size(), standard) == 0;
      PostErrorWithDetail(
          code_, extended ? text_.substr(standard.size()) : std::string(),
          file_);
    }
  }

 private:
  int code_;
  std::string text_, file_, file_code_, file_error_;
};

}  // namespace

struct ViewEngine::Prepared {
  std::unique_ptr<ViewFields> fields;  // the trees read through it
  std::unique_ptr<ViewRowReader> reader;
  ExprParse filter;
  std::vector<OrderComponent> order;
  std::vector<ExprParse> order_trees;
  ViewRowRules rules;
  ViewKeyPlan plan;
  bool sorts = false;  // no key gives the order
};

ViewEngine::ViewEngine(ViewDeclaration& view)
    : view_(view),
      settings_(view.settings),
      trace_into_files_(ReadTraceIntoFiles()) {}

ViewEngine::~ViewEngine() = default;

DriverResult ViewEngine::CallFile(FileDeclaration& file, DriverOp op,
                                  DriverArgs& args) {
  DriverTrace* trace = trace_into_files_ ? view_.control.trace.get() : nullptr;
  const std::int64_t started = trace ? TraceNow() : 0;
  DriverResult result = CallDriver(file, op, args);
  if (trace != nullptr) {
    trace->WriteLine(
        TraceCallLine(file, op, args.key, result.code, TraceNow() - started));
  }
  return result;
}

ViewFileCall ViewEngine::Caller() {
  return [this](FileDeclaration& file, DriverOp op, DriverArgs& args) {
    return CallFile(file, op, args);
  };
}

DriverResult ViewEngine::Perform(DriverOp op, DriverArgs& args) {
  error_detail_.clear();
  DriverResult result;
  int& code = result.code;
  switch (op) {
    case DriverOp::kOPEN:
      code = Open(args);
      break;
    case DriverOp::kCLOSE:
      ResetSequence();
      prepared_.reset();
      break;
    case DriverOp::kSETview:
      code = SetView();
      break;
    case DriverOp::kRESETviewfile:
      code = ResetToBuffer();
      break;
    case DriverOp::kRESETfile:
      code = ResetToPosition(args.text);
      break;
    case DriverOp::kREGETfile:
      code = Reget(args.text);
      break;
    case DriverOp::kNEXT:
    case DriverOp::kPREVIOUS:
      code = Step(op == DriverOp::kNEXT);
      break;
    case DriverOp::kSKIP:
      code = Skip(args.count);
      break;
    case DriverOp::kGETfileptr:
      code = GetByPointer(args.pointer);
      break;
    case DriverOp::kRECORDSfile: {
      const KeptErrorState kept;
      code = Records(result.value);
      if (code == 0) kept.Restore();
      break;
    }
    case DriverOp::kPOSITIONfile:
      code = Position(args);
      break;
    case DriverOp::kDELETE:
    case DriverOp::kPUT:
    case DriverOp::kHOLDfile:
    case DriverOp::kHOLDfilesec:
    case DriverOp::kRELEASE:
      code = PassToPrimary(op, args);
      break;
    case DriverOp::kWATCH:
      watch_ = true;
      break;
    case DriverOp::kFLUSH:
      flush_ = true;
      break;
    case DriverOp::kSET_PROPERTY:
      code = SetProperty(args.text, args.value);
      break;
    case DriverOp::kGET_PROPERTY:
      code = GetProperty(args.text, args);
      break;
    default:
      code = kErrUnsupportedFunction;
      break;
  }
  if (code != 0 && !error_detail_.empty()) args.error_detail = error_detail_;
  return result;
}

int ViewEngine::Open(DriverArgs& args) {
  if (!(view_.primary->control.state & kStateOpen)) return kErrFileNotOpen;
  // The driver call sets the view's write and exclusive bits from the mode.
  args.mode = OpenModeOf(*view_.primary);
  return 0;
}

int ViewEngine::Prepare() {
  prepared_.reset();
  auto prepared = std::make_unique<Prepared>();
  prepared->reader =
      std::make_unique<ViewRowReader>(FlattenView(view_), Caller());
  if (int code = prepared->reader->Prepare(); code != 0) return code;
  const std::vector<ViewSlot>& slots = prepared->reader->slots();
  for (const ViewSlot& slot : slots) {
    if (!(slot.file->control.state & kStateOpen)) return kErrFileNotOpen;
  }
  prepared->fields = std::make_unique<ViewFields>(slots);
  if (!IsBlank(settings_.filter)) {
    prepared->filter = prepared->fields->Parse(settings_.filter);
    if (!prepared->filter.root) return ParseFailure(prepared->filter);
    prepared->rules.filter = prepared->filter.root.get();
  }
  prepared->order = SplitOrder(settings_.order);
  for (const OrderComponent& component : prepared->order) {
    ExprParse parse = prepared->fields->Parse(component.text);
    if (!parse.root) return ParseFailure(parse);
    prepared->rules.order.push_back(parse.root.get());
    prepared->order_trees.push_back(std::move(parse));
  }
  prepared->plan =
      PlanPrimaryScan(*view_.primary, *prepared->fields, prepared->order,
                      prepared->rules.order, prepared->rules.filter);
  prepared->sorts = !prepared->order.empty() && !prepared->plan.key_gives_order;
  prepared_ = std::move(prepared);
  return 0;
}

int ViewEngine::ParseFailure(const ExprParse& parse) {
  if (parse.error == kErrNoBind) {
    error_detail_ = " (" + parse.unbound_name + ")";
  }
  return parse.error;
}

void ViewEngine::ResetSequence() {
  listed_ = false;
  rows_.clear();
  index_ = 0;
  on_row_ = false;
  fresh_ = true;
  primary_started_ = false;
}

int ViewEngine::SetView() {
  ResetSequence();
  if (int code = Prepare(); code != 0) return code;
  if (prepared_->sorts) {
    if (int code = ListRows(); code != 0) return code;
  }
  std::vector<ExprValue> values;
  for (const std::string& value : settings_.start_values) {
    if (value.empty()) break;
    values.push_back(ExprValue::String(value));
  }
  return values.empty() ? 0 : StartAtValues(values);
}

int ViewEngine::StartPrimary(bool forward) {
  const ViewKeyPlan& plan = prepared_->plan;
  DriverArgs args;
  DriverOp op = DriverOp::kSETfile;
  if (plan.key != nullptr) {
    args.key = plan.key;
    op = forward && plan.range.low &&
                 WriteRangeStart(*view_.primary, *plan.key, *plan.range.low)
             ? DriverOp::kSETkeykey
             : DriverOp::kSETkey;
  }
  const int code = CallFile(*view_.primary, op, args).code;
  primary_started_ = code == 0;
  return code;
}

int ViewEngine::StepPrimary(bool forward, std::int64_t& pointer) {
  if (!primary_started_) {
    if (int code = StartPrimary(forward); code != 0) return code;
  }
  FileDeclaration& primary = *view_.primary;
  DriverArgs args;
  const DriverOp op = forward ? DriverOp::kNEXT : DriverOp::kPREVIOUS;
  if (int code = CallFile(primary, op, args).code; code != 0) return code;
  const ViewKeyPlan& plan = prepared_->plan;
  if (plan.key != nullptr &&
      PastRange(primary, *plan.key, plan.range, forward)) {
    return kErrRecordNotAvailable;
  }
  pointer = CurrentPointer(Caller(), primary);
  return 0;
}

int ViewEngine::ListRows() {
  rows_.clear();
  primary_started_ = false;
  for (;;) {
    std::int64_t pointer = 0;
    const int code = StepPrimary(true, pointer);
    if (code == kErrRecordNotAvailable) break;
    if (code != 0) return code;
    if (int rows =
            prepared_->reader->CollectRows(pointer, prepared_->rules, rows_);
        rows != 0) {
      return rows;
    }
  }
  if (prepared_->sorts) {
    const std::vector<OrderComponent>& order = prepared_->order;
    std::stable_sort(rows_.begin(), rows_.end(),
                     [&order](const ViewRow& a, const ViewRow& b) {
                       return CompareOrderValues(order, a.order_values,
                                                 b.order_values) < 0;
                     });
  }
  listed_ = true;
  primary_started_ = false;
  index_ = 0;
  on_row_ = false;
  fresh_ = true;
  return 0;
}

void ViewEngine::PassWatch() {
  if (!watch_) return;
  DriverArgs args;
  CallFile(*view_.primary, DriverOp::kWATCH, args);
  watch_ = false;
}

int ViewEngine::LoadCurrent(const ViewRow& row, bool load_primary) {
  if (load_primary) PassWatch();
  const int code = prepared_->reader->LoadRow(row, load_primary);
  if (code == 0) current_ = row;
  return code;
}

int ViewEngine::Step(bool forward) {
  if (!prepared_) return kErrRecordNotAvailable;
  const int code = listed_ ? StepListed(forward) : StepStreaming(forward);
  fresh_ = false;
  return code;
}

int ViewEngine::StepListed(bool forward) {
  const auto count = static_cast<std::ptrdiff_t>(rows_.size());
  std::ptrdiff_t target = 0;
  if (fresh_) {
    target = forward ? 0 : count - 1;
  } else if (on_row_) {
    target = index_ + (forward ? 1 : -1);
  } else {
    target = forward ? index_ : index_ - 1;
  }
  if (target < 0 || target >= count) {
    index_ = forward ? count : 0;
    on_row_ = false;
    return kErrRecordNotAvailable;
  }
  index_ = target;
  on_row_ = true;
  return LoadCurrent(rows_[static_cast<std::size_t>(target)], true);
}

int ViewEngine::StepStreaming(bool forward) {
  const std::ptrdiff_t target = index_ + (forward ? 1 : -1);
  if (on_row_ && target >= 0 &&
      target < static_cast<std::ptrdiff_t>(rows_.size())) {
    index_ = target;
    return LoadCurrent(rows_[static_cast<std::size_t>(target)], false);
  }
  PassWatch();
  for (;;) {
    std::int64_t pointer = 0;
    on_row_ = false;
    if (int code = StepPrimary(forward, pointer); code != 0) return code;
    rows_.clear();
    if (int code =
            prepared_->reader->CollectRows(pointer, prepared_->rules, rows_);
        code != 0) {
      return code;
    }
    if (rows_.empty()) continue;
    index_ = forward ? 0 : static_cast<std::ptrdiff_t>(rows_.size()) - 1;
    on_row_ = true;
    return LoadCurrent(rows_[static_cast<std::size_t>(index_)], false);
  }
}

int ViewEngine::Skip(std::int32_t count) {
  const bool forward = count > 0;
  for (std::int64_t n = std::abs(static_cast<std::int64_t>(count)); n > 0;
       --n) {
    if (int code = Step(forward); code != 0) return code;
  }
  return 0;
}

int ViewEngine::StartAtValues(const std::vector<ExprValue>& values) {
  if (!listed_) {
    if (int code = ListRows(); code != 0) return code;
  }
  const std::vector<OrderComponent>& order = prepared_->order;
  auto first =
      std::find_if(rows_.begin(), rows_.end(), [&](const ViewRow& row) {
        return CompareOrderValues(order, row.order_values, values) >= 0;
      });
  index_ = first - rows_.begin();
  on_row_ = false;
  fresh_ = false;
  return 0;
}

int ViewEngine::ResetToBuffer() {
  ResetSequence();
  if (int code = Prepare(); code != 0) return code;
  // The order values of the records now in the buffers, or, without an
  // order, the primary's current record.
  std::vector<ExprValue> values;
  for (const ExprNode* component : prepared_->rules.order) {
    std::optional<ExprValue> value = EvaluateTree(*component);
    if (!value) return kErrInvalidExpression;
    values.push_back(std::move(*value));
  }
  if (!values.empty()) return StartAtValues(values);
  const std::int64_t pointer = CurrentPointer(Caller(), *view_.primary);
  if (int code = ListRows(); code != 0) return code;
  auto found = std::find_if(rows_.begin(), rows_.end(), [&](const ViewRow& r) {
    return r.pointers[0] == pointer;
  });
  index_ = found == rows_.end() ? 0 : found - rows_.begin();
  fresh_ = false;
  return 0;
}

int ViewEngine::ResetToPosition(std::string_view position) {
  ResetSequence();
  if (int code = Prepare(); code != 0) return code;
  std::optional<ViewRow> wanted =
      ParsePosition(position, prepared_->reader->slots().size());
  if (!wanted) return kErrRecordNotFound;
  if (int code = ListRows(); code != 0) return code;
  auto found = std::find_if(rows_.begin(), rows_.end(), [&](const ViewRow& r) {
    return r.pointers == wanted->pointers;
  });
  if (found == rows_.end()) return kErrRecordNotFound;
  index_ = found - rows_.begin();
  fresh_ = false;
  return 0;
}

int ViewEngine::Reget(std::string_view position) {
  if (!prepared_) {
    if (int code = Prepare(); code != 0) return code;
  }
  std::optional<ViewRow> row =
      ParsePosition(position, prepared_->reader->slots().size());
  if (!row) return kErrRecordNotFound;
  return LoadCurrent(*row, true);
}

int ViewEngine::GetByPointer(std::int64_t pointer) {
  if (!prepared_) {
    if (int code = Prepare(); code != 0) return code;
  }
  if (int code = ReadRecordAt(Caller(), *view_.primary, pointer); code != 0) {
    return code;
  }
  // The record with its first joined row, whether the filter holds or not.
  std::vector<ViewRow> rows;
  if (int code = prepared_->reader->CollectRows(pointer, {}, rows); code != 0) {
    return code;
  }
  if (rows.empty()) return kErrRecordNotFound;
  return LoadCurrent(rows.front(), false);
}

int ViewEngine::Records(std::int64_t& count) {
  if (!prepared_) {
    ResetSequence();
    if (int code = Prepare(); code != 0) return code;
  }
  if (!listed_) {
    // Counting reads every row; the sequence then goes on in the list from
    // the row it stood on.
    const bool was_fresh = fresh_;
    std::optional<ViewRow> standing;
    if (on_row_) standing = current_;
    if (int code = ListRows(); code != 0) return code;
    if (standing) {
      auto found = std::find_if(
          rows_.begin(), rows_.end(),
          [&](const ViewRow& r) { return r.pointers == standing->pointers; });
      index_ = found - rows_.begin();
      on_row_ = found != rows_.end();
      if (on_row_) {
        if (int code = LoadCurrent(*found, true); code != 0) return code;
      }
    }
    fresh_ = was_fresh;
  }
  count = static_cast<std::int64_t>(rows_.size());
  return 0;
}

int ViewEngine::Position(DriverArgs& args) {
  if (!current_) return kErrRecordNotAvailable;
  args.result_text = PositionText(*current_);
  return 0;
}

int ViewEngine::PassToPrimary(DriverOp op, DriverArgs& args) {
  const int code = CallFile(*view_.primary, op, args).code;
  if (code == 0 && op == DriverOp::kDELETE) {
    // The deleted record's rows leave the sequence; it goes on from the
    // row that followed.
    if (listed_ && on_row_) {
      rows_.erase(rows_.begin() + index_);
    } else if (!listed_) {
      rows_.clear();
      index_ = 0;
    }
    on_row_ = false;
    current_.reset();
  }
  return code;
}

int ViewEngine::SetProperty(std::string_view name, std::string_view value) {
  std::optional<PropertyName> property = ParsePropertyName(name);
  if (!property) return kErrUnsupportedFunction;
  switch (property->number) {
    case kViewPropFilter:
    case kViewPropOrder:
      if (property->index != 0) return kErrUnsupportedFunction;
      (property->number == kViewPropFilter ? settings_.filter
                                           : settings_.order) =
          std::string(value);
      // The sequence was read by the old rules; a new SET starts over.
      ResetSequence();
      prepared_.reset();
      return 0;
    case kViewPropStartValue:
      if (property->index == 0) return kErrUnsupportedFunction;
      if (settings_.start_values.size() <
          static_cast<std::size_t>(property->index)) {
        settings_.start_values.resize(
            static_cast<std::size_t>(property->index));
      }
      settings_.start_values[static_cast<std::size_t>(property->index - 1)] =
          value;
      return 0;
    case kViewPropSwitch:
      settings_.switch_value =
          static_cast<std::uint8_t>(std::atoi(std::string(value).c_str()));
      return 0;
    default:
      return kErrUnsupportedFunction;  // unknown or read-only
  }
}

int ViewEngine::GetProperty(std::string_view name, DriverArgs& args) {
  std::optional<PropertyName> property = ParsePropertyName(name);
  if (!property) return kErrUnsupportedFunction;
  const auto index = static_cast<std::size_t>(property->index);
  switch (property->number) {
    case kViewPropFilter:
      args.result_text = settings_.filter;
      return 0;
    case kViewPropOrder:
      if (index == 0) {
        args.result_text = settings_.order;
      } else {
        std::vector<OrderComponent> order = SplitOrder(settings_.order);
        args.result_text = index <= order.size()
                               ? OrderComponentText(order[index - 1])
                               : std::string();
      }
      return 0;
    case kViewPropStartValue:
      args.result_text = index >= 1 && index <= settings_.start_values.size()
                             ? settings_.start_values[index - 1]
                             : std::string();
      return 0;
    case kViewPropSwitch:
      args.result_text = std::to_string(settings_.switch_value);
      return 0;
    case kViewPropFileCount:
      args.result_text = std::to_string(FlattenView(view_).size());
      return 0;
    case kViewPropKeyOrder:
      if (!prepared_) {
        if (int code = Prepare(); code != 0) return code;
      }
      args.result_text = prepared_->plan.key_gives_order ? "1" : "0";
      return 0;
    default:
      return kErrUnsupportedFunction;
  }
}

}  // namespace vantrel
