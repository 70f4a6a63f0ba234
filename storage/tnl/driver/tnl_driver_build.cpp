// BUILDfile, BUILDevent, PACK, BUILDkey, BUILDdyn and BUILDdynfilter of the
// native driver: which keys a build covers, and running it as one operation
// with the FILE marked as building.
//
//   BUILDfile   every key but INDEX and runtime-built keys; with FULLBUILD on
//               under the character tables now in force, which become the
//               table's (INDEX keys are then rebuilt too: their entries
//               would otherwise keep the old collation)
//   BUILDevent  as BUILDfile, reporting progress to the program, which may
//               cancel while the records are read (93)
//   PACK        every key but runtime-built ones, INDEX keys included, so
//               that nothing is left pending
//   BUILDkey    the key given
//   BUILDdyn    the key given: its entries are written into the table like
//               those of any key. A runtime-built key is not kept up to date
//               by ADD, PUT and DELETE, so its entries show the table as it
//               was at the build until the next BUILDdyn; its counters record
//               says so by marking every record's entry as pending
//   BUILDdynfilter  as BUILDdyn over the records for which the filter
//               expression (names bound by the program, reading the record
//               buffer) is true; also marked as pending
// BUILDfile, BUILDevent and PACK on a FILE that is not open open its table
// for exclusive use and close it again afterwards.
#include <cstring>
#include <optional>
#include <vector>

#include "os/posix/open_mode.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/build_progress.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/expr/expr_evaluate.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/table/key_build.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {
namespace {

constexpr unsigned kExclusiveOpenMode = kOpenReadWrite | kOpenDenyAll;
constexpr int kWholePercent = 100;

bool OpensItsTable(DriverOp op) {
  return op == DriverOp::kBUILDfile || op == DriverOp::kBUILDevent ||
         op == DriverOp::kPACK;
}

// The keys of the table that `op` rebuilds.
std::vector<std::uint8_t> KeysToBuild(const TnlInstance& instance, DriverOp op,
                                      const DriverArgs& args) {
  const OpenTable& table = *instance.table;
  if (!OpensItsTable(op)) {
    const int number = args.key ? instance.declaration.KeyNumber(*args.key) : 0;
    if (number <= 0) return {};
    return {static_cast<std::uint8_t>(number - 1)};
  }
  const bool index_too = op == DriverOp::kPACK || instance.full_build;
  std::vector<std::uint8_t> keys;
  for (std::size_t k = 0; k < table.description.keys.size(); ++k) {
    const std::uint16_t flags =
        k < table.key_flags.size() ? table.key_flags[k] : 0;
    if (flags & kKeyRuntimeBuilt) continue;
    if ((flags & kKeyIsIndex) && !index_too) continue;
    keys.push_back(static_cast<std::uint8_t>(k));
  }
  return keys;
}

int Percent(const BuildProgress& p) {
  return p.total == 0 ? kWholePercent
                      : static_cast<int>(p.done * kWholePercent / p.total);
}

// Passes a report to the program. While its handler runs, the FILE's
// instance is set aside, so that a CLOSE the program issues from there cannot
// free the instance under the build. Returns whether to go on: the handler
// did not cancel and the FILE, when it was open, still is (a CLOSE cancels).
bool Report(FileDeclaration& file, const BuildReport& report, bool was_open) {
  std::unique_ptr<DriverInstance> building = std::move(file.control.instance);
  const bool go_on = ReportBuildProgress(report);
  file.control.instance = std::move(building);
  return go_on && (!was_open || (file.control.state & kStateOpen) != 0);
}

// The build's progress as the program's build reports: one per step of a
// percent (or change of key), however often the build reports.
BuildProgressCallback ReportTo(FileDeclaration& file, bool was_open) {
  std::optional<BuildReport> last;
  return [&file, was_open, last](const BuildProgress& p) mutable {
    BuildReport report;
    report.file = &file;
    report.percent = Percent(p);
    if (p.stage == BuildStage::kWriting) {
      report.event = BuildEvent::kBuildKey;
      if (p.key < file.keys.size()) report.key = &file.keys[p.key];
    }
    if (last && last->event == report.event && last->key == report.key &&
        last->percent == report.percent) {
      return true;
    }
    last = report;
    return Report(file, report, was_open);
  };
}

// Keeps the FILE's record buffer as it was while a filter reads records
// through it.
class RecordFilter {
 public:
  RecordFilter(TnlInstance& instance, const ExprNode& filter)
      : instance_(instance),
        filter_(filter),
        saved_(instance.declaration.record.begin(),
               instance.declaration.record.end()) {}
  ~RecordFilter() {
    std::memcpy(instance_.declaration.record.data(), saved_.data(),
                saved_.size());
  }

  bool Accepts(std::span<const std::uint8_t> stored) {
    const OpenTable& table = *instance_.table;
    std::vector<std::uint8_t> image(stored.begin(), stored.end());
    if (table.oem) ConvertRecordStrings(table.description, image, false);
    auto buffer = instance_.declaration.record;
    std::memcpy(buffer.data(), image.data(),
                std::min(buffer.size(), image.size()));
    const auto value = EvaluateTree(filter_);
    return value && AsBool(*value);
  }

 private:
  TnlInstance& instance_;
  const ExprNode& filter_;
  std::vector<char> saved_;
};

int RunBuild(TnlInstance& instance, DriverOp op, DriverArgs& args) {
  OpenTable& table = *instance.table;
  FileDeclaration& file = instance.declaration;
  const std::vector<std::uint8_t> keys = KeysToBuild(instance, op, args);
  KeyBuildOptions options;
  const CharTables now = GetCharTables();
  const bool full = OpensItsTable(op) && instance.full_build;
  if (full) options.new_tables = &now;
  const bool was_open = (file.control.state & kStateOpen) != 0;
  if (op == DriverOp::kBUILDevent) options.progress = ReportTo(file, was_open);

  // A runtime-built key is left alone by ADD, PUT and DELETE, and a filtered
  // one covers part of the table: neither vouches for every record.
  const bool runtime_built = args.key && (args.key->flags & kKeyRuntimeBuilt);
  const bool filtered = op == DriverOp::kBUILDdynfilter && !args.text.empty();
  if (runtime_built || filtered) options.pending = kEveryRecordPending;

  ExprParse filter;
  std::optional<RecordFilter> record_filter;
  if (filtered) {
    filter = ParseExpression(args.text);
    if (!filter.root) return filter.error;
    record_filter.emplace(instance, *filter.root);
    options.include = [&](std::uint32_t, std::span<const std::uint8_t> image) {
      return record_filter->Accepts(image);
    };
  }

  file.control.state |= kStateBuilding;
  const int code = RunOnTable(table, Access::kChange, [&](BTree& tree) {
    return RebuildKeys(tree, table.number, table.description, keys,
                       table.Rules(), options);
  });
  if (code == 0 && full) table.tables = now;
  if (op == DriverOp::kBUILDevent) {
    // Still building while the program hears of the end.
    BuildReport done;
    done.event = BuildEvent::kBuildDone;
    done.file = &file;
    done.percent = kWholePercent;
    Report(file, done, was_open);
  }
  file.control.state &= ~kStateBuilding;
  // The program closed the FILE while it was told of the build (the CLOSE
  // commits what the build deferred).
  if (was_open && !(file.control.state & kStateOpen)) {
    CloseTableOp(instance);
    return code;
  }
  const int committed = CommitDeferred(table);
  return code != 0 ? code : committed;
}

}  // namespace

DriverResult BuildOp(TnlInstance& instance, DriverOp op, DriverArgs& args) {
  if (instance.table) return {RunBuild(instance, op, args)};
  if (!OpensItsTable(op)) return {kErrFileNotOpen};
  DriverArgs open;
  open.mode = kExclusiveOpenMode;
  if (const DriverResult opened = OpenTableOp(instance, open);
      opened.code != 0) {
    return opened;
  }
  const int code = RunBuild(instance, op, args);
  CloseTableOp(instance);
  return {code};
}

}  // namespace vantrel
