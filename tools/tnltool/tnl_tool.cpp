#include "tools/tnltool/tnl_tool.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>

#include "os/posix/os_error.h"
#include "runtime/data/base/byte_order.h"
#include "runtime/data/text/charset.h"
#include "runtime/data/text/text_codec.h"
#include "runtime/data/types/field_dump.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/table/btree.h"
#include "storage/tnl/table/file_check.h"
#include "storage/tnl/table/memo_store.h"
#include "storage/tnl/table/structure_check.h"
#include "storage/tnl/table/table_catalog.h"
#include "tools/tnltool/recover_command.h"
#include "tools/tnltool/sample.h"

namespace vantrel {

namespace {

// Binary memos and BLOBs show their size and this many leading bytes.
constexpr std::size_t kBinaryBytesShown = 16;
constexpr std::uint8_t kFirstPrintable = 0x20;
constexpr std::uint8_t kDelete = 0x7F;
constexpr const char kUsage[] =
    "usage: tnltool info|tables|check|dump FILE [--table NAME] "
    "[--password P]\n"
    "       tnltool check FILE --strict [--password P]\n"
    "       tnltool sample FILE --records N [--table NAME] [--seed S] "
    "[--batch K] [--password P]\n"
    "       tnltool recover DAMAGED NEW [--password P] "
    "[--descriptions FILE]\n"
    "       tnltool --help\n";
constexpr const char kHelp[] =
    "\n"
    "  info     header, zones, pages per size class, tables\n"
    "  tables   table names and numbers\n"
    "  check    one line per problem; --strict also encodes every page\n"
    "           again and names each page whose stored bytes differ\n"
    "  dump     declaration, then every data record with its memos\n"
    "  sample   adds N generated records to a sample table\n"
    "\n"
    "exit status:\n"
    "  0  done; check found the file clean\n"
    "  1  the file is damaged or not a native file\n"
    "  2  the command line is wrong\n"
    "  3  the file cannot be opened, read or written\n"
    "  4  --table names no table of the file\n";

struct Options {
  std::string command;
  std::string file;
  std::string table;  // dump: only this table
  std::string password;
  std::uint64_t records = 0;  // sample
  std::uint32_t seed = 1;
  std::uint64_t batch = 0;
  bool records_given = false;
  bool strict = false;  // check
};

// A whole decimal number; none when `text` is anything else.
std::optional<std::uint64_t> ParseCount(const std::string& text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

std::optional<Options> ParseArgs(const std::vector<std::string>& args,
                                 std::ostream& err) {
  Options options;
  std::vector<std::string> plain;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const bool has_value = i + 1 < args.size();
    if (args[i] == "--table" && has_value) {
      options.table = args[++i];
    } else if (args[i] == "--strict") {
      options.strict = true;
    } else if (args[i] == "--password" && has_value) {
      options.password = args[++i];
    } else if ((args[i] == "--records" || args[i] == "--seed" ||
                args[i] == "--batch") &&
               has_value) {
      const std::string& name = args[i];
      auto value = ParseCount(args[++i]);
      if (!value || (name == "--seed" && *value > 0xFFFFFFFFu)) {
        err << "tnltool: " << name << " needs a whole number\n";
        return std::nullopt;
      }
      if (name == "--records") {
        options.records = *value;
        options.records_given = true;
      } else if (name == "--seed") {
        options.seed = static_cast<std::uint32_t>(*value);
      } else {
        options.batch = *value;
      }
    } else if (args[i].starts_with("--")) {
      err << "tnltool: unknown option " << args[i] << "\n" << kUsage;
      return std::nullopt;
    } else {
      plain.push_back(args[i]);
    }
  }
  if (plain.size() != 2) {
    err << kUsage;
    return std::nullopt;
  }
  options.command = plain[0];
  options.file = plain[1];
  if (options.strict && options.command != "check") {
    err << "tnltool: --strict belongs to check\n" << kUsage;
    return std::nullopt;
  }
  return options;
}

std::string Terminal(std::string_view windows) {
  return Windows1252ToUtf8(windows);
}

std::string SystemErrorText(int error) {
  switch (error) {
    case kSysFileNotFound:
    case kSysPathNotFound:
      return "no such file";
    case kSysAccessDenied:
      return "access denied";
    case kSysSharingViolation:
      return "in use";
    default:
      return "system error " + std::to_string(error);
  }
}

// Opens the file for reading; false (with a message) when it cannot be.
bool OpenFile(const Options& options, TnlFile& file, std::ostream& err) {
  if (!file.Open(options.file, kOpenReadShared)) {
    err << "tnltool: cannot open " << options.file << ": "
        << SystemErrorText(LastSystemError()) << "\n";
    return false;
  }
  if (!options.password.empty()) file.channel().SetPassword(options.password);
  file.SetReadingMode(true);
  return true;
}

// Runs `body` as one reading operation on the file. `body` returns the
// command's status; a file that cannot be opened or is damaged gives its
// own, with a message.
int WithFile(const Options& options, std::ostream& err,
             const std::function<int(TnlFile&, BTree&)>& body) {
  TnlFile file;
  if (!OpenFile(options, file, err)) return kToolNoAccess;
  int status = kToolClean;
  const int check = RunOperation(options.file, [&] {
    const int load = file.LoadHeader(LockWait::kWait);
    if (load != kLoadOk) {
      err << "tnltool: " << options.file
          << (load == kLoadInvalidFile
                  ? " is not a native data file (or the password is wrong)\n"
                  : " is locked\n");
      status = load == kLoadInvalidFile ? kToolProblems : kToolNoAccess;
      return;
    }
    const std::string structure = CheckStructure(file);
    if (!structure.empty()) {
      err << "tnltool: damaged file (" << structure << "); run check\n";
      status = kToolProblems;
      return;
    }
    BTree tree(file);
    status = body(file, tree);
  });
  file.EndOperation();
  file.Close();
  if (check != 0) {
    err << "tnltool: internal check " << check << " failed; run check\n";
    return kToolProblems;
  }
  return status;
}

void CountPages(TnlFile& file, Page* page, std::map<int, std::size_t>& counts) {
  ++counts[page->units];
  if (page->level == 0) return;
  std::vector<PageNumber> children;
  page->records.ForEach(
      [&](const RecordRef& r) { children.push_back(r.child); });
  for (PageNumber child : children) {
    // The walk holds no page while it descends, so the cache may let the
    // visited ones go.
    file.TrimCache();
    CountPages(file, file.GetPage(child), counts);
  }
}

int Info(const Options& options, std::ostream& out, std::ostream& err) {
  return WithFile(options, err, [&](TnlFile& file, BTree& tree) {
    const Header& h = file.header();
    out << "committed end: " << h.committed_end << "\n"
        << "shadow end: " << h.shadow_end << "\n"
        << "last issued number: " << h.last_issued << "\n"
        << "change counter: " << h.change_counter << "\n"
        << "root page: " << h.root_page << "\n";
    for (std::size_t k = 0; k < kZoneCount; ++k) {
      if (k == 0 || h.zones.start[k] != h.zones.end[k]) {
        out << "zone " << k << ": " << h.zones.start[k] << "-" << h.zones.end[k]
            << "\n";
      }
    }
    std::map<int, std::size_t> counts;
    CountPages(file, file.RootPage(), counts);
    for (const auto& [units, count] : counts) {
      out << "pages of " << units << " units: " << count << "\n";
    }
    for (const TableEntry& t : ListTables(tree)) {
      const auto counters = ReadCountersOf(tree, t.number, kKindData);
      out << "table " << Terminal(t.name) << " (" << t.number
          << "): " << (counters ? counters->count : 0) << " records\n";
    }
    return kToolClean;
  });
}

int Tables(const Options& options, std::ostream& out, std::ostream& err) {
  return WithFile(options, err, [&](TnlFile&, BTree& tree) {
    for (const TableEntry& t : ListTables(tree)) {
      out << Terminal(t.name) << " " << t.number << "\n";
    }
    return kToolClean;
  });
}

int Check(const Options& options, std::ostream& out, std::ostream& err) {
  TnlFile file;
  if (!OpenFile(options, file, err)) return kToolNoAccess;
  // Waiting: a writer holds the file only while it commits.
  const auto problems = CheckFileIntegrity(
      file, LockWait::kWait,
      options.strict ? CheckDepth::kStrict : CheckDepth::kStructure);
  file.Close();
  for (const auto& line : problems) out << Terminal(line) << "\n";
  return problems.empty() ? kToolClean : kToolProblems;
}

// A described field as the structure dump knows fields.
FieldInfo AsFieldInfo(const DescribedField& f, std::uint32_t depth) {
  FieldInfo info;
  info.label = f.label.value_or("");
  info.type = f.type;
  info.offset = f.offset;
  info.depth = depth;
  info.places = f.places;
  info.picture = f.picture.value_or("");
  const std::uint32_t count = f.element_count == 0 ? 1 : f.element_count;
  if (count > 1) info.dims = {count};
  if (IsTextType(f.type)) {
    info.size = f.string_length;
  } else if (f.type == FieldType::DECIMAL) {
    info.size = f.element_size;
  } else {
    info.size = f.size / count;
  }
  return info;
}

std::string KeyText(const TableDescription& t, const DescribedKey& key) {
  std::string text = "KEY(";
  for (std::size_t i = 0; i < key.components.size(); ++i) {
    const auto& c = key.components[i];
    if (i > 0) text += ",";
    text += c.flags ? "-" : "+";
    text +=
        c.field < t.fields.size() ? t.fields[c.field].label.value_or("") : "?";
  }
  text += ")";
  if (key.flags & kDescribedDup) text += ",DUP";
  if (key.flags & kDescribedOpt) text += ",OPT";
  if (key.flags & kDescribedNoCase) text += ",NOCASE";
  if (key.flags & kDescribedPrimary) text += ",PRIMARY";
  if (key.external_name) text += ",NAME('" + *key.external_name + "')";
  return text;
}

// A text memo as a string literal: quotes doubled, control characters as
// <code> and a '<' as "<<", so that a memo of several lines stays on one.
std::string MemoLiteral(std::span<const std::uint8_t> text) {
  std::string out = "'";
  for (const std::uint8_t c : text) {
    if (c == '\'') {
      out += "''";
    } else if (c == '<') {
      out += "<<";
    } else if (c < kFirstPrintable || c == kDelete) {
      out += "<" + std::to_string(c) + ">";
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out + "'";
}

// "N bytes" and the first of them in hex.
std::string BinaryText(std::span<const std::uint8_t> bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = std::to_string(bytes.size()) + " bytes";
  for (std::size_t i = 0; i < bytes.size() && i < kBinaryBytesShown; ++i) {
    out += i == 0 ? ": " : " ";
    out.push_back(kHex[bytes[i] >> 4]);
    out.push_back(kHex[bytes[i] & 0xF]);
  }
  if (bytes.size() > kBinaryBytesShown) out += " ...";
  return out;
}

// One line per memo of a record: text memos as literals without their
// trailing spaces, binary memos and BLOBs by size and leading bytes.
void DumpMemos(BTree& tree, std::uint32_t table, std::uint32_t record,
               const TableDescription& t, bool oem, std::ostream& out) {
  for (std::size_t m = 0; m < t.memos.size(); ++m) {
    const DescribedMemo& memo = t.memos[m];
    const MemoForm form = FormOf(memo, oem);
    const auto contents = ReadMemo(
        tree, table, record, static_cast<std::uint8_t>(m), form, memo.size);
    std::string text = "(damaged)";
    if (contents) {
      std::span<const std::uint8_t> shown = *contents;
      if (!form.blob) {
        while (!shown.empty() && shown.back() == ' ') {
          shown = shown.first(shown.size() - 1);
        }
      }
      const bool binary = form.blob || (memo.flags & kDescribedMemoBinary) != 0;
      text = binary ? BinaryText(shown) : MemoLiteral(shown);
    }
    out << "  " << Terminal(memo.label.value_or("")) << " " << Terminal(text)
        << "\n";
  }
}

// False (with a message) when the table's description is refused: its
// sizes and counts would drive the walk over every record.
bool DumpTable(TnlFile& file, BTree& tree, const TableEntry& entry,
               std::ostream& out, std::ostream& err) {
  std::string fault;
  const auto t =
      ReadDescription(ReadDescriptionStream(tree, entry.number), &fault);
  if (!t) {
    err << "tnltool: table " << Terminal(entry.name)
        << ": description refused: " << Terminal(fault) << "; run check\n";
    return false;
  }
  out << Terminal(entry.name) << " FILE\n";
  const auto stored = TableCharTables(tree, entry.number);
  const bool oem = stored && stored->oem;
  std::map<std::uint16_t, std::uint32_t> depth_of;  // position -> depth
  std::vector<FieldInfo> fields;
  for (const DescribedField& f : t->fields) {
    const auto parent = depth_of.find(f.group);
    const std::uint32_t depth =
        f.group == 0 || parent == depth_of.end() ? 0 : parent->second + 1;
    depth_of[f.position] = depth;
    fields.push_back(AsFieldInfo(f, depth));
  }
  for (const DescribedKey& k : t->keys) {
    out << "  " << Terminal(k.label.value_or("")) << " "
        << Terminal(KeyText(*t, k)) << "\n";
  }
  for (const DescribedMemo& m : t->memos) {
    std::string text = (m.flags & kDescribedMemoBlob)
                           ? std::string("BLOB")
                           : "MEMO(" + std::to_string(m.size) + ")";
    if (m.flags & kDescribedMemoBinary) text += ",BINARY";
    if (m.external_name) text += ",NAME('" + *m.external_name + "')";
    out << "  " << Terminal(m.label.value_or("")) << " " << Terminal(text)
        << "\n";
  }
  for (const FieldInfo& f : fields) {
    out << std::string(2 * (f.depth + 1), ' ') << Terminal(f.label) << " "
        << Terminal(FieldDeclaration(f)) << "\n";
  }
  out << "END\n";
  const ByteString first = DataKey(entry.number, 0);
  LeafHint hint;
  auto next = tree.FindFirstGreater(first, hint);
  while (next && next->key_length == kDataKeyLength &&
         std::equal(first.begin(), first.begin() + 5, next->bytes.begin())) {
    const auto image = RecordData(*next);
    const std::uint32_t record = ReadBe32(next->Key().subspan(5));
    out << "RECORD " << record << "\n";
    for (const FieldInfo& f : fields) {
      if (f.type == FieldType::GROUP) continue;
      const std::uint64_t count = f.ElementCount();
      std::string text;
      for (std::uint64_t e = 0; e < count; ++e) {
        const std::uint64_t at = f.offset + e * f.size;
        if (at + f.size > image.size()) break;
        std::string value(image.begin() + at, image.begin() + at + f.size);
        if (oem && IsTextType(f.type)) value = OemToWindows(value);
        if (e > 0) text += ", ";
        text += FieldValueText(
            f, reinterpret_cast<const std::uint8_t*>(value.data()));
      }
      out << std::string(2 * (f.depth + 1), ' ') << Terminal(f.label) << " "
          << Terminal(text) << "\n";
    }
    DumpMemos(tree, entry.number, record, *t, oem, out);
    const ByteString at(next->Key().begin(), next->Key().end());
    file.TrimCache();
    next = tree.FindFirstGreater(at, hint);
  }
  return true;
}

int Dump(const Options& options, std::ostream& out, std::ostream& err) {
  return WithFile(options, err, [&](TnlFile& file, BTree& tree) {
    bool found = false;
    int status = kToolClean;
    for (const TableEntry& t : ListTables(tree)) {
      if (!options.table.empty() && Terminal(t.name) != options.table) continue;
      found = true;
      if (!DumpTable(file, tree, t, out, err)) status = kToolProblems;
    }
    if (!options.table.empty() && !found) {
      err << "tnltool: no table " << options.table << "\n";
      return kToolNoTable;
    }
    return status;
  });
}

}  // namespace

int RunTnlTool(const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err) {
  if (!args.empty() && args[0] == "recover") return RunRecover(args, out, err);
  if (std::find(args.begin(), args.end(), "--help") != args.end()) {
    out << kUsage << kHelp << kRecoverHelp;
    return kToolClean;
  }
  auto options = ParseArgs(args, err);
  if (!options) return kToolUsage;
  if (!options->password.empty()) {
    std::string problem;
    auto password = Utf8ToWindows1252(options->password, &problem);
    if (!password) {
      err << "tnltool: password: " << problem << "\n";
      return kToolUsage;
    }
    options->password = *password;
  }
  if (options->command == "info") return Info(*options, out, err);
  if (options->command == "tables") return Tables(*options, out, err);
  if (options->command == "check") return Check(*options, out, err);
  if (options->command == "dump") return Dump(*options, out, err);
  if (options->command == "sample") {
    if (!options->records_given) {
      err << "tnltool: sample needs --records N\n" << kUsage;
      return kToolUsage;
    }
    return RunSample({options->file, options->table, options->password,
                      options->records, options->seed, options->batch},
                     out, err);
  }
  err << "tnltool: unknown command " << options->command << "\n" << kUsage;
  return kToolUsage;
}

}  // namespace vantrel
