#include "tools/tnltool/recover_command.h"

#include <optional>

#include "runtime/data/text/text_codec.h"
#include "storage/tnl/table/salvage.h"
#include "tools/tnltool/tnl_tool.h"

namespace vantrel {

const char kRecoverHelp[] =
    "\n"
    "tnltool recover DAMAGED NEW [--password P] [--descriptions FILE "
    "[--descriptions-password Q]]\n"
    "  Reads every page of DAMAGED that still decodes (slot by slot, or unit\n"
    "  by unit when the header is damaged) and writes what they hold into\n"
    "  NEW, which must not exist: each table's description, every data\n"
    "  record, and every memo and BLOB whose chunks are whole. Keys are\n"
    "  built afresh; records get new numbers in their old order. DAMAGED is\n"
    "  only read. A table whose description records are lost takes the\n"
    "  description of the table of the same name in FILE (any native file\n"
    "  holding that table, such as an older copy; when the table's name is\n"
    "  lost too and FILE holds one table, that one). A table whose name is\n"
    "  lost and not found so is named TABLE and its old number.\n"
    "  --password is the owner password of DAMAGED and NEW.\n"
    "  The report gives per table the records written, refused and counted\n"
    "  before the damage, and the memos written and lost, then the pages\n"
    "  read and skipped.\n"
    "  Exit status: 0 nothing lost, 1 NEW written but something was lost,\n"
    "  2 nothing written.\n";

namespace {

constexpr const char kRecoverUsage[] =
    "usage: tnltool recover DAMAGED NEW [--password P] "
    "[--descriptions FILE [--descriptions-password Q]]\n";

// A password given in UTF-8, in the files' Windows-1252.
std::optional<std::string> FilePassword(const std::string& text,
                                        std::ostream& err) {
  std::string problem;
  auto password = Utf8ToWindows1252(text, &problem);
  if (!password) err << "tnltool: password: " << problem << "\n";
  return password;
}

std::optional<SalvageOptions> ParseRecoverArgs(
    const std::vector<std::string>& args, std::ostream& err) {
  SalvageOptions options;
  std::vector<std::string> plain;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const bool has_value = i + 1 < args.size();
    std::string* target = nullptr;
    if (args[i] == "--password") target = &options.password;
    if (args[i] == "--descriptions") target = &options.descriptions_from;
    if (args[i] == "--descriptions-password") {
      target = &options.descriptions_password;
    }
    if (target != nullptr && has_value) {
      *target = args[++i];
    } else if (args[i].starts_with("--")) {
      err << "tnltool: unknown or incomplete option " << args[i] << "\n"
          << kRecoverUsage;
      return std::nullopt;
    } else {
      plain.push_back(args[i]);
    }
  }
  if (plain.size() != 2) {
    err << kRecoverUsage;
    return std::nullopt;
  }
  options.damaged = plain[0];
  options.target = plain[1];
  for (std::string* password :
       {&options.password, &options.descriptions_password}) {
    auto converted = FilePassword(*password, err);
    if (!converted) return std::nullopt;
    *password = *converted;
  }
  return options;
}

// Prints the report; true when something is known to be lost.
bool PrintReport(const SalvageReport& report, const SalvageOptions& options,
                 std::ostream& out) {
  bool lost = report.pages_skipped != 0 || report.conflicting_copies != 0;
  std::size_t records_lost = 0, memos_lost = 0, tables_lost = 0;
  for (const SalvagedTable& t : report.tables) {
    out << "table " << Windows1252ToUtf8(t.name) << " (" << t.number << "): ";
    if (t.name_lost) out << "name lost; ";
    if (t.description_source.empty()) {
      out << "description lost, " << t.records_found
          << " records not written\n";
      records_lost += t.records_found;
      ++tables_lost;
      continue;
    }
    out << t.records_written << " records written";
    if (t.records_counted) out << " of " << *t.records_counted << " counted";
    if (t.records_refused != 0) out << ", " << t.records_refused << " refused";
    out << "; " << t.memos_written << " memos written, " << t.memos_lost
        << " lost";
    if (t.description_source != "stored") {
      out << "; description " << t.description_source;
    }
    out << "\n";
    // Records the counters counted but no page gave, and those refused.
    records_lost += t.records_refused;
    if (t.records_counted && *t.records_counted > t.records_found) {
      records_lost += *t.records_counted - t.records_found;
    }
    memos_lost += t.memos_lost;
  }
  out << "header: " << (report.header_readable ? "readable" : "damaged")
      << (report.scanned ? " (pages found by scanning every unit)" : "")
      << "\n";
  if (report.write_pending) {
    out << "an interrupted write was not rolled forward: the pages at home "
           "were read\n";
  }
  out << "pages: " << report.pages_read << " read, " << report.pages_skipped
      << " skipped\n";
  if (report.conflicting_copies != 0) {
    out << "conflicting copies: " << report.conflicting_copies
        << " (the first found was kept)\n";
  }
  lost = lost || records_lost != 0 || memos_lost != 0 || tables_lost != 0;
  out << "lost: " << records_lost << " records, " << memos_lost << " memos, "
      << tables_lost << " tables\n";
  out << "written to " << options.target << "\n";
  return lost;
}

}  // namespace

int RunRecover(const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err) {
  const auto options = ParseRecoverArgs(args, err);
  if (!options) return kToolUsage;
  const SalvageResult result = SalvageFile(*options);
  if (!result.error.empty()) {
    err << "tnltool: recover: " << result.error << "\n";
    return kToolNoAccess;  // nothing was written
  }
  return PrintReport(result.report, *options, out) ? kToolProblems
                                                   : kToolClean;
}

}  // namespace vantrel
