#include "tools/vantrel-cli/cli.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "app/card_store.h"
#include "app/interchange/card_text.h"
#include "app/interchange/csv_cards.h"
#include "app/interchange/vcard_cards.h"
#include "app/list_queues.h"
#include "app/phone_lines.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/text/string_ops.h"
#include "runtime/data/types/std_date.h"
#include "storage/tnl/driver/tnl_driver.h"
#include "storage/tnl/pager/tnl_file.h"
#include "storage/tnl/table/file_check.h"

namespace vantrel {
namespace {

constexpr char kProgram[] = "vantrel-cli";

struct Command {
  std::string_view name;
  std::string_view usage;   // after the program's name
  std::string_view help;    // what it does
  std::size_t positionals;  // FILE and the rest
  std::vector<std::string_view> value_options;
  std::vector<std::string_view> flag_options;
};

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"new", "new FILE", "Creates an empty card file.", 1, {}, {}},
      {"list",
       "list FILE [--category C] [--json]",
       "Lists the cards as the card window does, one entry a line (its list\n"
       "key, a tab, its category); with --json every field of every card.",
       1,
       {"--category"},
       {"--json"}},
      {"show",
       "show FILE NAMEKEY",
       "Shows every field of the cards whose name key (or company key) is\n"
       "NAMEKEY, as `list` prints it.",
       2,
       {},
       {}},
      {"add",
       "add FILE [--last L] [--first F] [--company C] [--list-by-company]\n"
       "         [--phone P]... [--category C] [--contents TEXT]",
       "Adds a card. A text longer than its field or with a character that\n"
       "Windows-1252 cannot hold is refused; \\n in --contents is a line "
       "break.",
       1,
       {"--last", "--first", "--company", "--phone", "--category",
        "--contents"},
       {"--list-by-company"}},
      {"find",
       "find FILE TEXT [--ignore-case]",
       "Lists the cards whose stored record holds TEXT (at most 20 "
       "characters).",
       2,
       {},
       {"--ignore-case"}},
      {"export-changes",
       "export-changes FILE CHANGEFILE [--category C]",
       "Writes the records changed since the last export (of one category)\n"
       "into a new change file, and moves the last export stamp to now.",
       2,
       {"--category"},
       {}},
      {"import-changes",
       "import-changes FILE CHANGEFILE",
       "Reads a change file in one transaction: new cards are added, cards\n"
       "changed later than the card file's copy replace it.",
       2,
       {},
       {}},
      {"set-last-export",
       "set-last-export FILE WHEN",
       "Sets the last export stamp, from which on changed cards are exported:\n"
       "WHEN is \"now\" or \"YYYY-MM-DD [HH:MM[:SS]]\" (one argument).",
       2,
       {},
       {}},
      {"import-vcard",
       "import-vcard FILE VCARDS",
       "Imports vCards (2.1, 3.0, 4.0) in one transaction and prints the\n"
       "summary: counts, then card by card what did not fit.",
       2,
       {},
       {}},
      {"export-vcard",
       "export-vcard FILE VCARDS [--category C] [--version 3.0|4.0]",
       "Writes the cards (of one category) as vCards, 3.0 unless asked.",
       2,
       {"--category", "--version"},
       {}},
      {"import-csv",
       "import-csv FILE CSV",
       "Imports CSV (a header row, then one card a row) in one transaction\n"
       "and prints the summary.",
       2,
       {},
       {}},
      {"export-csv",
       "export-csv FILE CSV [--category C]",
       "Writes the cards (of one category) as CSV with a header row.",
       2,
       {"--category"},
       {}},
      {"check",
       "check FILE",
       "Checks the file's integrity and its cards: one line per problem,\n"
       "exit status 1 when there is any.",
       1,
       {},
       {}},
  };
  return commands;
}

std::string Usage() {
  std::string text =
      "usage: vantrel-cli COMMAND FILE [ARGUMENTS]\n\nCommands:\n";
  for (const Command& c : Commands()) {
    std::string usage(c.usage);
    text += "  " + usage.substr(0, usage.find('\n')) + "\n";
  }
  text +=
      "\nvantrel-cli COMMAND --help describes a command. Errors go to stderr\n"
      "with exit status 1; bad usage gives 2.\n";
  return text;
}

struct Invocation {
  const Command* command = nullptr;
  std::vector<std::string> positionals;
  std::multimap<std::string, std::string> values;
  std::set<std::string> flags;
  bool help = false;

  std::optional<std::string> Value(const std::string& name) const {
    auto found = values.find(name);
    if (found == values.end()) return std::nullopt;
    return found->second;
  }
};

std::optional<Invocation> Parse(const std::vector<std::string>& args,
                                std::string* problem) {
  Invocation call;
  for (const Command& c : Commands())
    if (!args.empty() && args[0] == c.name) call.command = &c;
  if (call.command == nullptr) {
    *problem = args.empty() ? "no command" : "unknown command " + args[0];
    return std::nullopt;
  }
  const Command& c = *call.command;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      call.help = true;
    } else if (std::count(c.value_options.begin(), c.value_options.end(),
                          arg)) {
      if (++i == args.size()) {
        *problem = arg + " needs a value";
        return std::nullopt;
      }
      call.values.emplace(arg, args[i]);
    } else if (std::count(c.flag_options.begin(), c.flag_options.end(), arg)) {
      call.flags.insert(arg);
    } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      *problem = "unknown option " + arg;
      return std::nullopt;
    } else {
      call.positionals.push_back(arg);
    }
  }
  if (!call.help && call.positionals.size() != c.positionals) {
    *problem = std::string(c.name) + " takes " +
               (c.positionals == 1 ? "one argument" : "two arguments");
    return std::nullopt;
  }
  return call;
}

// The context of a command: its card file and where its output goes.
class Runner {
 public:
  Runner(const Invocation& call, std::ostream& out, std::ostream& err)
      : call_(call), out_(out), err_(err), file_(call.positionals[0]) {}
  ~Runner() {
    if (open_) CloseCardStore(data_);
  }

  int Run() {
    const std::string_view name = call_.command->name;
    if (name == "new") return New();
    if (name == "list") return List();
    if (name == "show") return Show();
    if (name == "add") return AddCard();
    if (name == "find") return Find();
    if (name == "set-last-export") return SetLastExport();
    if (name == "export-changes") return ExportChangeFile();
    if (name == "import-changes") return ImportChangeFile();
    if (name == "import-vcard" || name == "import-csv") return Import();
    if (name == "export-vcard" || name == "export-csv") return Export();
    return Check();
  }

 private:
  int Fail(const std::string& message) {
    err_ << kProgram << ": " << message << "\n";
    return kCliError;
  }

  bool Open(CardAccess access) {
    std::string error;
    open_ = OpenCardStore(data_, file_, access, &error);
    if (!open_) Fail(error);
    return open_;
  }

  bool ReadCards(std::vector<StoredCard>* cards) {
    std::string error;
    if (ReadLiveCards(data_, cards, &error)) return true;
    Fail(error);
    return false;
  }

  // The cards of --category, or all.
  std::vector<StoredCard> OfCategory(std::vector<StoredCard> cards) const {
    const std::optional<std::string> category = call_.Value("--category");
    if (!category) return cards;
    std::vector<std::string> notes;
    const std::string wanted = ToWindows1252(*category, "Category", &notes);
    std::erase_if(cards, [&](const StoredCard& s) {
      return Clipped(s.card.CATEGORY) != wanted;
    });
    return cards;
  }

  int New() {
    std::string error;
    if (!CreateCardStore(data_, file_, &error)) return Fail(error);
    return kCliOk;
  }

  // The list entries of the cards: each list key with its category, in
  // the order of the window's list.
  void PrintEntries(const std::vector<StoredCard>& cards) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const StoredCard& s : cards) {
      for (std::string_view key :
           {Clipped(s.card.NAMEKEY), Clipped(s.card.COMPANYKEY)}) {
        if (!key.empty())
          entries.emplace_back(std::string(key),
                               std::string(Clipped(s.card.CATEGORY)));
      }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) {
                       return a.first.substr(0, kSortKeyLength) <
                              b.first.substr(0, kSortKeyLength);
                     });
    for (const auto& [key, category] : entries)
      out_ << FieldText(key) << "\t" << FieldText(category) << "\n";
  }

  int List() {
    if (!Open(CardAccess::kRead)) return kCliError;
    std::vector<StoredCard> cards;
    if (!ReadCards(&cards)) return kCliError;
    cards = OfCategory(std::move(cards));
    if (call_.flags.count("--json")) {
      PrintJson(cards);
    } else {
      PrintEntries(cards);
    }
    return kCliOk;
  }

  static std::string Json(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
      if (c == '"' || c == '\\') {
        out += '\\';
        out += c;
      } else if (c == '\n') {
        out += "\\n";
      } else if (static_cast<unsigned char>(c) < 0x20) {
        char code[8];
        std::snprintf(code, sizeof code, "\\u%04x", c);
        out += code;
      } else {
        out += c;
      }
    }
    return out + "\"";
  }

  static std::vector<std::string> Lines(std::string_view field) {
    std::vector<std::string> lines;
    if (field.empty()) return lines;
    std::string text = FromRecordLines(FieldText(field));
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1)
      lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
  }

  void PrintJson(const std::vector<StoredCard>& cards) {
    out_ << "[";
    for (std::size_t i = 0; i < cards.size(); ++i) {
      const CardRecord& c = cards[i].card;
      std::string phones;
      for (const std::string& line : Lines(Clipped(c.PHONES)))
        phones += (phones.empty() ? "" : ", ") + Json(line);
      out_ << (i == 0 ? "\n" : ",\n")
           << "  {\"last\": " << Json(FieldText(c.LASTNAME))
           << ", \"first\": " << Json(FieldText(c.FIRSTNAME))
           << ", \"company\": " << Json(FieldText(c.COMPANY))
           << ", \"list_by_company\": " << (c.LISTBYCOMPANY ? "true" : "false")
           << ", \"phones\": [" << phones << "]"
           << ", \"category\": " << Json(FieldText(c.CATEGORY))
           << ", \"contents\": " << Json(FromRecordLines(FieldText(c.CONTENTS)))
           << ", \"name_key\": " << Json(FieldText(c.NAMEKEY))
           << ", \"company_key\": " << Json(FieldText(c.COMPANYKEY))
           << ", \"created\": "
           << Json(StampText({c.CREATEDDATE, c.CREATEDTIME}))
           << ", \"changed\": "
           << Json(StampText({c.CHANGEDDATE, c.CHANGEDTIME})) << "}";
    }
    out_ << (cards.empty() ? "]\n" : "\n]\n");
  }

  int Show() {
    if (!Open(CardAccess::kRead)) return kCliError;
    std::vector<StoredCard> cards;
    if (!ReadCards(&cards)) return kCliError;
    std::vector<std::string> notes;
    const std::string key = ToWindows1252(call_.positionals[1], "Key", &notes);
    int shown = 0;
    for (const StoredCard& s : cards) {
      const CardRecord& c = s.card;
      if (Clipped(c.NAMEKEY) != key && Clipped(c.COMPANYKEY) != key) continue;
      if (shown++ > 0) out_ << "\n";
      out_ << "Last name: " << FieldText(c.LASTNAME) << "\n"
           << "First name: " << FieldText(c.FIRSTNAME) << "\n"
           << "Company: " << FieldText(c.COMPANY) << "\n"
           << "Listed by company: " << (c.LISTBYCOMPANY ? "yes" : "no") << "\n"
           << "Category: " << FieldText(c.CATEGORY) << "\n"
           << "Phones:\n";
      for (const std::string& line : Lines(Clipped(c.PHONES)))
        out_ << "  " << line << "\n";
      out_ << "Contents:\n";
      for (const std::string& line : Lines(Clipped(c.CONTENTS)))
        out_ << "  " << line << "\n";
      out_ << "Created: " << StampText({c.CREATEDDATE, c.CREATEDTIME}) << "\n"
           << "Changed: " << StampText({c.CHANGEDDATE, c.CHANGEDTIME}) << "\n";
    }
    if (shown == 0) return Fail("no card has the key " + call_.positionals[1]);
    return kCliOk;
  }

  int AddCard() {
    CardWrite write;
    CardRecord& card = write.card;
    ClearCard(card);
    std::vector<std::string> notes;
    auto value = [&](const char* option) {
      return call_.Value(option).value_or("");
    };
    FitField(card.LASTNAME, value("--last"), "--last", &notes);
    FitField(card.FIRSTNAME, value("--first"), "--first", &notes);
    FitField(card.COMPANY, value("--company"), "--company", &notes);
    FitField(card.CATEGORY, value("--category"), "--category", &notes);
    std::string contents = value("--contents");
    for (std::size_t at; (at = contents.find("\\n")) != std::string::npos;)
      contents.replace(at, 2, "\n");
    FitField(card.CONTENTS, ToRecordLines(contents), "--contents", &notes);
    std::string phones;
    int count = 0;
    for (auto [it, end] = call_.values.equal_range("--phone"); it != end;
         ++it) {
      std::string line = ToWindows1252(it->second, "--phone", &notes);
      if (line.size() > kPhoneLineLength)
        notes.push_back("--phone " + it->second + " is longer than " +
                        std::to_string(kPhoneLineLength) + " characters");
      if (++count > kMaxPhoneLines)
        notes.push_back("more than " + std::to_string(kMaxPhoneLines) +
                        " phone lines");
      phones += (phones.empty() ? "" : "\r\n") + line;
    }
    FitField(card.PHONES, FieldText(phones), "phones", &notes);
    card.LISTBYCOMPANY = call_.flags.count("--list-by-company") ? 1 : 0;
    if (IsBlank(card.LASTNAME) && IsBlank(card.FIRSTNAME)) {
      if (IsBlank(card.COMPANY))
        notes.push_back("a card needs a last name, a first name or a company");
      card.LISTBYCOMPANY = 1;
    }
    if (!notes.empty()) {
      for (const std::string& note : notes) Fail(note);
      return Fail("the card was not added");
    }
    if (!Open(CardAccess::kWrite)) return kCliError;
    std::vector<StoredCard> cards;
    if (!ReadCards(&cards)) return kCliError;
    std::set<CardStamp> taken;
    for (const StoredCard& s : cards)
      taken.insert({s.card.CREATEDDATE, s.card.CREATEDTIME});
    const CardStamp stamp = TakeFreeStamp(taken, {Today(), Clock()});
    card.CREATEDDATE = card.CHANGEDDATE = stamp.date;
    card.CREATEDTIME = card.CHANGEDTIME = stamp.time;
    std::vector<CardWrite> writes{write};
    std::string error;
    if (!WriteCards(data_, writes, &error)) return Fail(error);
    return kCliOk;
  }

  int Find() {
    std::vector<std::string> notes;
    std::string text = ToWindows1252(call_.positionals[1], "TEXT", &notes);
    if (!notes.empty()) return Fail(notes[0]);
    if (text.empty() || text.size() > kFindTextLength)
      return Fail("the search text must have 1 to " +
                  std::to_string(kFindTextLength) + " characters");
    if (!Open(CardAccess::kRead)) return kCliError;
    std::vector<StoredCard> cards;
    if (!ReadCards(&cards)) return kCliError;
    const bool ignore_case = call_.flags.count("--ignore-case") != 0;
    if (ignore_case) text = UpperCaseText(text);
    std::vector<StoredCard> found;
    for (const StoredCard& s : cards) {
      if (IsBlank(s.card.NAMEKEY) && IsBlank(s.card.COMPANYKEY)) continue;
      std::string image(s.card.bytes().data(), kCardLength);
      if (ignore_case) image = UpperCaseText(image);
      if (image.find(text) != std::string::npos) found.push_back(s);
    }
    // One entry a card: its name key, else its company key.
    for (StoredCard& s : found)
      if (!IsBlank(s.card.NAMEKEY)) Assign(s.card.COMPANYKEY, "");
    PrintEntries(found);
    return kCliOk;
  }

  int ExportChangeFile() {
    std::vector<std::string> notes;
    const std::string category = ToWindows1252(
        call_.Value("--category").value_or(""), "Category", &notes);
    if (!Open(CardAccess::kWrite)) return kCliError;
    ChangeCounts counts;
    std::string error;
    if (!ExportChanges(data_, call_.positionals[1], category, &counts, &error))
      return Fail(error);
    out_ << "Records Read: " << counts.read << "\n"
         << "Records Exported: " << counts.written << "\n";
    return kCliOk;
  }

  int ImportChangeFile() {
    if (!Open(CardAccess::kWrite)) return kCliError;
    ChangeCounts counts;
    std::string error;
    if (!ImportChanges(data_, call_.positionals[1], &counts, &error))
      return Fail(error + "; the card file is unchanged");
    out_ << "Records Read: " << counts.read << "\n"
         << "Records Imported: " << counts.written << "\n";
    return kCliOk;
  }

  int SetLastExport() {
    std::string when = call_.positionals[1];
    CardStamp stamp{Today(), Clock()};
    if (when != "now") {
      static constexpr std::string_view kRest = " 00:00:00.00";
      if (when.size() >= 10 && when.size() < 22)
        when += kRest.substr(when.size() - 10);
      std::optional<CardStamp> parsed = ParseStampText(when);
      if (!parsed)
        return Fail("not a date and time: " + call_.positionals[1] +
                    " (YYYY-MM-DD [HH:MM[:SS]])");
      stamp = *parsed;
    }
    if (!Open(CardAccess::kWrite)) return kCliError;
    std::string error;
    if (!SetLastExportStamp(data_, stamp.date, stamp.time, &error))
      return Fail(error);
    return kCliOk;
  }

  int Import() {
    std::ifstream in(call_.positionals[1], std::ios::binary);
    if (!in) return Fail("cannot read " + call_.positionals[1]);
    std::stringstream text;
    text << in.rdbuf();
    if (in.bad()) return Fail("cannot read " + call_.positionals[1]);
    if (!Open(CardAccess::kWrite)) return kCliError;
    ImportSummary summary;
    std::string error;
    const bool vcard = call_.command->name == "import-vcard";
    const bool imported =
        vcard ? ImportVCardText(data_, text.str(), &summary, &error)
              : ImportCsvText(data_, text.str(), &summary, &error);
    if (!imported)
      return Fail(call_.positionals[1] + ": " + error +
                  "; the card file is unchanged");
    out_ << summary.Text();
    return kCliOk;
  }

  int Export() {
    const bool vcard = call_.command->name == "export-vcard";
    VCardVersion version = VCardVersion::k30;
    if (std::optional<std::string> asked = call_.Value("--version")) {
      if (*asked == "4.0") {
        version = VCardVersion::k40;
      } else if (*asked != "3.0") {
        err_ << kProgram << ": --version is 3.0 or 4.0\n";
        return kCliUsage;
      }
    }
    if (!Open(CardAccess::kRead)) return kCliError;
    std::vector<StoredCard> cards;
    if (!ReadCards(&cards)) return kCliError;
    cards = OfCategory(std::move(cards));
    const std::string text =
        vcard ? VCardsFromCards(cards, version) : CsvFromCards(cards);
    // Written beside the target first, so that a failure leaves no half file.
    const std::string& target = call_.positionals[1];
    const std::string part = target + ".part";
    {
      std::ofstream file(part, std::ios::binary | std::ios::trunc);
      file << text;
      file.close();
      if (!file) {
        std::remove(part.c_str());
        return Fail("cannot write " + target);
      }
    }
    std::error_code renamed;
    std::filesystem::rename(part, target, renamed);
    if (renamed) {
      std::remove(part.c_str());
      return Fail("cannot write " + target + ": " + renamed.message());
    }
    out_ << "Cards exported: " << cards.size() << "\n";
    return kCliOk;
  }

  int Check() {
    std::vector<std::string> problems;
    {
      TnlFile file;
      if (!file.Open(file_, kOpenReadShared))
        return Fail("cannot open " + file_);
      file.SetReadingMode(true);
      problems = CheckFileIntegrity(file);
      file.Close();
    }
    if (problems.empty()) {
      if (!Open(CardAccess::kRead)) return kCliError;
      StoredCard header;
      std::vector<StoredCard> cards;
      std::string error;
      if (!ReadCardHeader(data_, &header, &error) || !ReadCards(&cards))
        return Fail(error.empty() ? "cannot read the cards" : error);
      std::map<CardStamp, int> stamps;
      for (const StoredCard& s : cards) {
        const CardStamp created{s.card.CREATEDDATE, s.card.CREATEDTIME};
        if (++stamps[created] == 2)
          problems.push_back("two live cards have the creation stamp " +
                             StampText(created));
      }
    }
    for (const std::string& problem : problems) out_ << problem << "\n";
    return problems.empty() ? kCliOk : kCliError;
  }

  const Invocation& call_;
  std::ostream& out_;
  std::ostream& err_;
  std::string file_;
  CardData data_;
  bool open_ = false;
};

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out,
           std::ostream& err) {
  if (!args.empty() &&
      (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
    if (args.size() == 2) return RunCli({args[1], "--help"}, out, err);
    out << Usage();
    return kCliOk;
  }
  std::string problem;
  std::optional<Invocation> call = Parse(args, &problem);
  if (!call) {
    err << kProgram << ": " << problem << "\n" << Usage();
    return kCliUsage;
  }
  if (call->help) {
    out << "usage: vantrel-cli " << call->command->usage << "\n\n"
        << call->command->help << "\n";
    return kCliOk;
  }
  RegisterTarnelDriver();
  ClearError();
  Runner runner(*call, out, err);
  return runner.Run();
}

}  // namespace vantrel
