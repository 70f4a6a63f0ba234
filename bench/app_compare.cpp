// The card application against SQLite on the same cards, in the same run:
//
//   open  the card window opening a card file up to the first card shown
//         (purge pass, lists and category tabs built, first card read),
//         against reading the same list (name entries and company entries
//         of the live cards, ordered by their text) and the first card from
//         a SQLite table with the same index;
//   save  saving one edited card (a durable transaction writing the retired
//         version and the new one, the lists kept in step), against one
//         SQLite transaction doing the same two writes;
//   find  the find command searching every card for a 6-character text
//         that 1% of the cards hold, up to the first match shown, against
//         SQLite searching the same rows (instr over the fields joined);
//   import  exporting every card to a change file, then importing it into
//         an empty card file (which is then opened again), against SQLite
//         inserting the same rows in one transaction.
//
// Also prints the memory the lists take per card. Fails when either side
// reads back something other than what was written.
//
//   app_compare [--cards=N] [--saves=M] [--runs=R] [--dir=D] [--keep]
//
// --keep leaves the card file (and the SQLite file) in D.
#include <malloc.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "app/card_data.h"
#include "app/card_window.h"
#include "app/card_window_controls.h"
#include "app/list_keys.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/queue/queue.h"
#include "runtime/window/events.h"
#include "runtime/window/gui_backend.h"
#include "runtime/window/user_input.h"
#include "storage/tnl/driver/tnl_driver.h"

namespace {

using vantrel::CardRecord;
using vantrel::ErrorCode;

double Now() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(Clock::now().time_since_epoch())
      .count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "app_compare: %s\n", what.c_str());
  std::exit(1);
}

void Check(const char* what) {
  if (ErrorCode() != 0)
    Fail(std::string(what) + " failed: " + std::to_string(ErrorCode()) + " " +
         std::string(vantrel::Error()));
}

std::size_t HeapInUse() { return mallinfo2().uordblks; }

// Found in 1% of the cards, and (being a word of six letters among
// random words of seven) in no other.
constexpr char kFindText[] = "Kestrl";

// Cards as a user's file holds them: names, a third listed by company too,
// five categories, a phone line or two and a line of contents.
std::vector<CardRecord> MakeCards(std::size_t count) {
  std::mt19937 random(7);
  static const char* const kCategories[] = {"Family", "Friends", "Work",
                                            "Suppliers", "Clubs"};
  auto word = [&random](int length) {
    std::string text(1, static_cast<char>('A' + random() % 26));
    for (int i = 1; i < length; ++i)
      text += static_cast<char>('a' + random() % 26);
    return text;
  };
  std::vector<CardRecord> cards(count);
  for (std::size_t i = 0; i < count; ++i) {
    CardRecord& card = cards[i];
    vantrel::ClearCard(card);
    vantrel::Assign(card.LASTNAME, word(5 + random() % 6));
    vantrel::Assign(card.FIRSTNAME, word(3 + random() % 5));
    vantrel::Assign(card.COMPANY, word(6) + " " + word(4));
    card.LISTBYCOMPANY = random() % 3 == 0;
    vantrel::Assign(card.PHONES, "(617) 555-" + std::to_string(1000 + i % 9000) +
                                     "\r\n555-" + std::to_string(1000 + random() % 9000));
    vantrel::Assign(card.CATEGORY, kCategories[random() % 5]);
    // One card in a hundred holds the text the find benchmark looks for.
    vantrel::Assign(card.CONTENTS, "Met at the " +
                                       (i % 100 == 0 ? std::string(kFindText)
                                                     : word(7)) +
                                       " meeting.");
    vantrel::ComposeListKeys(card);
    card.CREATEDDATE = card.CHANGEDDATE = 80000 + static_cast<int>(i / 1000);
    card.CREATEDTIME = card.CHANGEDTIME = 100 + static_cast<int>(i % 1000);
  }
  return cards;
}

void WriteCardFile(const std::string& path,
                   const std::vector<CardRecord>& cards) {
  CardRecord record{};
  vantrel::FileDeclaration file;
  vantrel::DeclareCardFile(file, "VTL", record);
  file.name = path;
  vantrel::Create(file);
  Check("CREATE");
  vantrel::Open(file, vantrel::kDefaultOpenMode);
  Check("OPEN");
  vantrel::Logout(file);
  vantrel::ClearCard(record);
  record.CREATEDDATE = record.CHANGEDDATE = 80000;
  record.CREATEDTIME = record.CHANGEDTIME = 1;
  vantrel::Add(file);
  for (const CardRecord& card : cards) {
    record = card;
    vantrel::Add(file);
    Check("ADD");
  }
  vantrel::Commit(file);
  Check("COMMIT");
  vantrel::Close(file);
}

// A backend that shows nothing and plays a list of user actions, one each
// time the window waits; it notes when the window first waits (the first
// card is shown) and when each action was given.
class BenchBackend final : public vantrel::GuiBackend {
 public:
  using Action = std::function<void(vantrel::Window&)>;
  BenchBackend() : previous_(vantrel::SetGuiBackend(this)) {}
  ~BenchBackend() override { vantrel::SetGuiBackend(previous_); }

  std::vector<Action> actions;
  std::vector<double> waits;  // when each wait began
  std::size_t heap_at_first_wait = 0;

  void OpenNativeWindow(vantrel::Window&) override {}
  void CloseNativeWindow(vantrel::Window&) override {}
  void ShowWindowState(vantrel::Window&) override {}
  void ShowControlState(vantrel::Window&,
                        const vantrel::ControlState&) override {}
  void ControlCreated(vantrel::Window&, const vantrel::ControlState&) override {
  }
  void ControlDestroyed(vantrel::Window&, std::int16_t) override {}
  void ShowFocus(vantrel::Window&, std::int16_t) override {}
  void SetTimer(vantrel::Window&, int) override {}
  bool WaitForInput() override {
    waits.push_back(Now());
    if (waits.size() == 1) heap_at_first_wait = HeapInUse();
    if (next_ == actions.size()) return false;
    actions[next_++](*vantrel::TopWindow());
    return true;
  }
  // Boxes with these captions are answered OK; any other is a failure.
  std::vector<std::string> expected_boxes;
  std::vector<std::string> boxes_text;
  // The answers of the file dialogs, in order.
  std::vector<std::string> dialog_paths;

  int RunMessageBox(const vantrel::MessageBoxRequest& request) override {
    const std::string text = request.lines.empty() ? "" : request.lines[0];
    if (std::find(expected_boxes.begin(), expected_boxes.end(),
                  request.caption) == expected_boxes.end())
      Fail("message box: " + request.caption + " " + text);
    boxes_text.push_back(text);
    return 1;
  }
  std::optional<std::vector<std::string>> RunFileDialog(
      const vantrel::FileDialogRequest& request) override {
    if (next_dialog_ == dialog_paths.size())
      Fail("file dialog: " + request.title);
    return std::vector<std::string>{dialog_paths[next_dialog_++]};
  }
  void ShowHelp(std::string_view, std::string_view) override {}
  void Beep() override {}

 private:
  vantrel::GuiBackend* previous_;
  std::size_t next_ = 0;
  std::size_t next_dialog_ = 0;
};

struct AppFigures {
  double open = 0;
  double bytes_per_card = 0;
  double save = 0;
  std::size_t entries = 0;
};

AppFigures MeasureApp(const std::string& path, std::size_t cards,
                      std::size_t saves, int runs) {
  AppFigures figures;
  std::vector<double> opens;
  for (int run = 0; run < runs; ++run) {
    BenchBackend gui;
    vantrel::CardData data;
    const std::size_t heap = HeapInUse();
    vantrel::CardWindow window(data);
    window.OpenFileAtStart(path);
    const double start = Now();
    window.Run();
    opens.push_back(gui.waits.at(0) - start);
    figures.bytes_per_card =
        static_cast<double>(gui.heap_at_first_wait - heap) /
        static_cast<double>(cards);
    figures.entries = vantrel::RecordCount(&data.queues.all);
  }
  figures.open = Median(opens);

  // Saves: each picks another entry, edits the first name and saves.
  BenchBackend gui;
  vantrel::CardData data;
  std::vector<std::size_t> save_actions;
  for (std::size_t k = 0; k < saves; ++k) {
    const int entry = static_cast<int>(1 + k * (figures.entries / saves));
    gui.actions.push_back([](vantrel::Window& w) {
      vantrel::UserFocus(w, vantrel::kCardList);
    });
    gui.actions.push_back([entry](vantrel::Window& w) {
      vantrel::UserChooseEntry(w, vantrel::kCardList, entry);
    });
    gui.actions.push_back([](vantrel::Window& w) {
      vantrel::UserFocus(w, vantrel::kFirstNameEntry);
    });
    gui.actions.push_back([k](vantrel::Window& w) {
      vantrel::UserSetText(w, vantrel::kFirstNameEntry,
                           "Edited " + std::to_string(k));
    });
    save_actions.push_back(gui.actions.size());
    gui.actions.push_back([](vantrel::Window& w) {
      vantrel::UserClick(w, vantrel::kSaveButton);
    });
  }
  vantrel::CardWindow window(data);
  window.OpenFileAtStart(path);
  window.Run();
  std::vector<double> times;
  for (std::size_t at : save_actions)
    times.push_back(gui.waits.at(at + 1) - gui.waits.at(at));
  figures.save = Median(times);
  if (vantrel::RecordCount(&data.queues.undo) != saves)
    Fail("the app saved " +
         std::to_string(vantrel::RecordCount(&data.queues.undo)) + " of " +
         std::to_string(saves) + " cards");
  return figures;
}

// The find command: the dialog's text typed and OK clicked, up to the
// first match shown. Returns the median time and the matches.
std::pair<double, std::size_t> MeasureAppFind(const std::string& path,
                                              int runs) {
  std::vector<double> times;
  std::size_t found = 0;
  for (int run = 0; run < runs; ++run) {
    BenchBackend gui;
    vantrel::CardData data;
    gui.actions.push_back([](vantrel::Window& w) {
      vantrel::UserClick(w, vantrel::kFindButton);
    });
    constexpr std::int16_t kFindEntry = 2;
    constexpr std::int16_t kFindOk = 3;
    gui.actions.push_back([](vantrel::Window& w) {
      vantrel::UserFocus(w, kFindEntry);
    });
    gui.actions.push_back([](vantrel::Window& w) {
      vantrel::UserSetText(w, kFindEntry, kFindText);
    });
    const std::size_t ok = gui.actions.size();
    gui.actions.push_back(
        [](vantrel::Window& w) { vantrel::UserClick(w, kFindOk); });
    vantrel::CardWindow window(data);
    window.OpenFileAtStart(path);
    window.Run();
    times.push_back(gui.waits.at(ok + 1) - gui.waits.at(ok));
    found = vantrel::RecordCount(&data.queues.tab);
  }
  return {Median(times), found};
}

struct ImportFigures {
  double export_seconds = 0;
  double import_seconds = 0;
  std::string export_box;
  std::string import_box;
};

// Exports every card of `path` into `change_path`, then imports that file
// into the empty card file `empty_path`.
ImportFigures MeasureAppImport(const std::string& path,
                               const std::string& change_path,
                               const std::string& empty_path) {
  ImportFigures figures;
  {
    BenchBackend gui;
    gui.expected_boxes = {"Export Complete"};
    gui.dialog_paths = {change_path};
    gui.actions.push_back([](vantrel::Window& w) {
      vantrel::UserClick(w, vantrel::kExportButton);
    });
    vantrel::CardData data;
    vantrel::CardWindow window(data);
    window.OpenFileAtStart(path);
    window.Run();
    figures.export_seconds = gui.waits.at(1) - gui.waits.at(0);
    figures.export_box = gui.boxes_text.at(0);
  }
  WriteCardFile(empty_path, {});
  BenchBackend gui;
  gui.expected_boxes = {"Import Complete"};
  gui.dialog_paths = {change_path};
  gui.actions.push_back([](vantrel::Window& w) {
    vantrel::UserClick(w, vantrel::kImportButton);
  });
  vantrel::CardData data;
  vantrel::CardWindow window(data);
  window.OpenFileAtStart(empty_path);
  window.Run();
  figures.import_seconds = gui.waits.at(1) - gui.waits.at(0);
  figures.import_box = gui.boxes_text.at(0);
  return figures;
}

// The SQLite side: the card's fields as columns, texts without their
// trailing blanks, the same index as the card file's key.
class SqliteSide {
 public:
  explicit SqliteSide(const std::string& path) : path_(path) {}

  void Write(const std::vector<CardRecord>& cards) {
    Connect();
    Exec(
        "CREATE TABLE cards(deleted INTEGER, createddate INTEGER, "
        "createdtime INTEGER, changeddate INTEGER, changedtime INTEGER, "
        "namekey TEXT, companykey TEXT, lastname TEXT, firstname TEXT, "
        "company TEXT, listbycompany INTEGER, phones TEXT, category TEXT, "
        "contents TEXT)");
    Exec("CREATE INDEX cards_created ON cards(createddate, createdtime, deleted)");
    PrepareInsert();
    Exec("BEGIN");
    for (const CardRecord& card : cards) Insert(card);
    Exec("COMMIT");
    Disconnect();
  }

  // Opens the database and reads the list and the first card into memory;
  // returns the number of list entries.
  std::size_t Open() {
    Connect();
    struct Entry {
      std::int64_t row;
      std::string key;
      std::string category;
    };
    std::vector<Entry> list;
    sqlite3_stmt* select = Prepare(
        "SELECT rowid, namekey AS k, category FROM cards "
        "WHERE deleted = 0 AND namekey <> '' "
        "UNION ALL SELECT rowid, companykey, category FROM cards "
        "WHERE deleted = 0 AND companykey <> '' ORDER BY k");
    while (sqlite3_step(select) == SQLITE_ROW) {
      Entry entry{sqlite3_column_int64(select, 0), Text(select, 1),
                  Text(select, 2)};
      list.push_back(std::move(entry));
    }
    sqlite3_finalize(select);
    const std::size_t count = list.size();
    if (count == 0) Fail("sqlite read no list");
    sqlite3_stmt* card = Prepare("SELECT * FROM cards WHERE rowid = ?1");
    sqlite3_bind_int64(card, 1, list[0].row);
    if (sqlite3_step(card) != SQLITE_ROW) Fail("sqlite first card");
    Read(card, first_);
    sqlite3_finalize(card);
    Disconnect();
    return count;
  }

  // The same two writes as a save, in one durable transaction.
  double Save(std::int64_t row, const std::string& first_name) {
    const double start = Now();
    Exec("BEGIN");
    sqlite3_stmt* card = Prepare("SELECT * FROM cards WHERE rowid = ?1");
    sqlite3_bind_int64(card, 1, row);
    if (sqlite3_step(card) != SQLITE_ROW) Fail("sqlite card to save");
    CardRecord edited;
    Read(card, edited);
    sqlite3_finalize(card);
    sqlite3_stmt* retire =
        Prepare("UPDATE cards SET deleted = 1 WHERE rowid = ?1");
    sqlite3_bind_int64(retire, 1, row);
    if (sqlite3_step(retire) != SQLITE_DONE) Fail(sqlite3_errmsg(db_));
    sqlite3_finalize(retire);
    vantrel::Assign(edited.FIRSTNAME, first_name);
    vantrel::ComposeListKeys(edited);
    edited.DELETED = 0;
    Insert(edited);
    Exec("COMMIT");
    return Now() - start;
  }

  // The live cards with a list key whose fields hold `text`, in name-key
  // order, as the find tab lists them; returns how many. (An empty text
  // is stored as NULL.)
  std::size_t Find(const std::string& text) {
    Connect();
    sqlite3_stmt* select = Prepare(
        "SELECT rowid, CASE WHEN namekey <> '' THEN namekey ELSE companykey "
        "END AS k FROM cards WHERE deleted = 0 AND (namekey <> '' OR "
        "companykey <> '') AND instr(ifnull(namekey, '') || "
        "ifnull(companykey, '') || ifnull(lastname, '') || "
        "ifnull(firstname, '') || ifnull(company, '') || ifnull(phones, '') "
        "|| ifnull(category, '') || ifnull(contents, ''), ?1) > 0 "
        "ORDER BY k");
    sqlite3_bind_text(select, 1, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
    std::vector<std::pair<std::int64_t, std::string>> found;
    while (sqlite3_step(select) == SQLITE_ROW)
      found.emplace_back(sqlite3_column_int64(select, 0), Text(select, 1));
    sqlite3_finalize(select);
    if (!found.empty()) {
      sqlite3_stmt* card = Prepare("SELECT * FROM cards WHERE rowid = ?1");
      sqlite3_bind_int64(card, 1, found[0].first);
      if (sqlite3_step(card) != SQLITE_ROW) Fail("sqlite first match");
      Read(card, first_);
      sqlite3_finalize(card);
    }
    Disconnect();
    return found.size();
  }

  void Connect() {
    if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) Fail("sqlite open");
    Exec("PRAGMA synchronous=FULL");
  }
  void PrepareInsert() {
    insert_ = Prepare(
        "INSERT INTO cards VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, "
        "?11, ?12, ?13, ?14)");
  }
  void Disconnect() {
    sqlite3_finalize(insert_);
    insert_ = nullptr;
    sqlite3_close(db_);
    db_ = nullptr;
  }
  const CardRecord& first() const { return first_; }

 private:
  void Insert(const CardRecord& c) {
    sqlite3_bind_int(insert_, 1, c.DELETED);
    sqlite3_bind_int(insert_, 2, c.CREATEDDATE);
    sqlite3_bind_int(insert_, 3, c.CREATEDTIME);
    sqlite3_bind_int(insert_, 4, c.CHANGEDDATE);
    sqlite3_bind_int(insert_, 5, c.CHANGEDTIME);
    auto text = [&](int column, std::string_view value) {
      sqlite3_bind_text(insert_, column, value.data(),
                        static_cast<int>(value.size()), SQLITE_TRANSIENT);
    };
    using vantrel::Clipped;
    text(6, Clipped(c.NAMEKEY));
    text(7, Clipped(c.COMPANYKEY));
    text(8, Clipped(c.LASTNAME));
    text(9, Clipped(c.FIRSTNAME));
    text(10, Clipped(c.COMPANY));
    sqlite3_bind_int(insert_, 11, c.LISTBYCOMPANY);
    text(12, Clipped(c.PHONES));
    text(13, Clipped(c.CATEGORY));
    text(14, Clipped(c.CONTENTS));
    if (sqlite3_step(insert_) != SQLITE_DONE) Fail(sqlite3_errmsg(db_));
    sqlite3_reset(insert_);
  }
  static std::string Text(sqlite3_stmt* row, int column) {
    const unsigned char* value = sqlite3_column_text(row, column);
    return value ? reinterpret_cast<const char*>(value) : "";
  }
  // Into a record buffer, as the program would read it.
  static void Read(sqlite3_stmt* row, CardRecord& c) {
    c.DELETED = static_cast<std::uint8_t>(sqlite3_column_int(row, 0));
    c.CREATEDDATE = sqlite3_column_int(row, 1);
    c.CREATEDTIME = sqlite3_column_int(row, 2);
    c.CHANGEDDATE = sqlite3_column_int(row, 3);
    c.CHANGEDTIME = sqlite3_column_int(row, 4);
    vantrel::Assign(c.NAMEKEY, Text(row, 5));
    vantrel::Assign(c.COMPANYKEY, Text(row, 6));
    vantrel::Assign(c.LASTNAME, Text(row, 7));
    vantrel::Assign(c.FIRSTNAME, Text(row, 8));
    vantrel::Assign(c.COMPANY, Text(row, 9));
    c.LISTBYCOMPANY = static_cast<std::uint8_t>(sqlite3_column_int(row, 10));
    vantrel::Assign(c.PHONES, Text(row, 11));
    vantrel::Assign(c.CATEGORY, Text(row, 12));
    vantrel::Assign(c.CONTENTS, Text(row, 13));
  }
  void Exec(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
      std::string text = message ? message : "?";
      sqlite3_free(message);
      Fail(std::string(sql) + ": " + text);
    }
  }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK)
      Fail(sqlite3_errmsg(db_));
    return statement;
  }

  std::string path_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  CardRecord first_{};
};

}  // namespace

int main(int argc, char** argv) {
  std::size_t cards = 30000;
  std::size_t saves = 20;
  int runs = 5;
  std::string dir = "/tmp";
  bool keep = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.rfind("--cards=", 0) == 0) cards = std::stoul(argv[i] + 8);
    if (arg.rfind("--saves=", 0) == 0) saves = std::stoul(argv[i] + 8);
    if (arg.rfind("--runs=", 0) == 0) runs = std::stoi(argv[i] + 7);
    if (arg.rfind("--dir=", 0) == 0) dir = argv[i] + 6;
    if (arg == "--keep") keep = true;
  }
  if (cards == 0 || saves == 0 || runs < 1) Fail("nothing to measure");
  saves = std::min(saves, cards);
  const std::string base = dir + "/app_compare." + std::to_string(getpid());
  const std::string card_path = base + ".vtl";
  const std::string sqlite_path = base + ".sqlite";
  setenv("VANTREL_CONFIG_DIR", dir.c_str(), 1);
  vantrel::RegisterTarnelDriver();

  const std::vector<CardRecord> all = MakeCards(cards);
  WriteCardFile(card_path, all);
  SqliteSide sqlite(sqlite_path);
  sqlite.Write(all);

  // Find and import first, on the cards as written.
  const auto [app_find, app_found] = MeasureAppFind(card_path, runs);
  std::vector<double> finds;
  std::size_t sqlite_found = 0;
  for (int run = 0; run < runs; ++run) {
    const double start = Now();
    sqlite_found = sqlite.Find(kFindText);
    finds.push_back(Now() - start);
  }
  if (app_found != sqlite_found || app_found == 0)
    Fail("the finds differ: " + std::to_string(app_found) + " cards, " +
         std::to_string(sqlite_found) + " rows");
  const double sqlite_find = Median(finds);
  const std::string change_path = base + ".changes.vtl";
  const std::string empty_path = base + ".empty.vtl";
  const ImportFigures import = MeasureAppImport(card_path, change_path, empty_path);
  const std::string counts = "Records Read: " + std::to_string(cards) +
                             "\r\n\r\nRecords ";
  if (import.export_box != counts + "Exported: " + std::to_string(cards) ||
      import.import_box != counts + "Imported: " + std::to_string(cards))
    Fail("export or import carried other counts: " + import.export_box +
         " / " + import.import_box);
  const std::string sqlite_insert_path = base + ".insert.sqlite";
  const double insert_start = Now();
  SqliteSide(sqlite_insert_path).Write(all);
  const double sqlite_insert = Now() - insert_start;
  for (const std::string& f : {change_path, empty_path, sqlite_insert_path})
    std::remove(f.c_str());

  const AppFigures app = MeasureApp(card_path, cards, saves, runs);

  std::vector<double> opens;
  std::size_t entries = 0;
  for (int run = 0; run < runs; ++run) {
    const double start = Now();
    entries = sqlite.Open();
    opens.push_back(Now() - start);
  }
  if (entries != app.entries)
    Fail("the lists differ: " + std::to_string(app.entries) + " entries, " +
         std::to_string(entries) + " rows");
  std::vector<double> sqlite_saves;
  sqlite.Connect();
  sqlite.PrepareInsert();
  for (std::size_t k = 0; k < saves; ++k)
    sqlite_saves.push_back(
        sqlite.Save(static_cast<std::int64_t>(1 + k * (cards / saves)),
                    "Edited " + std::to_string(k)));
  sqlite.Disconnect();
  const double sqlite_open = Median(opens);
  const double sqlite_save = Median(sqlite_saves);

  if (keep) {
    std::printf("card file %s\nsqlite file %s\n", card_path.c_str(),
                sqlite_path.c_str());
  } else {
    std::remove(card_path.c_str());
    std::remove(sqlite_path.c_str());
  }
  std::printf("%zu cards, %zu list entries; medians of %d opens, %zu saves "
              "(wall seconds)\n",
              cards, entries, runs, saves);
  std::printf("%-10s %10s %10s\n", "", "app", "sqlite");
  std::printf("%-10s %10.4f %10.4f\n", "open", app.open, sqlite_open);
  std::printf("%-10s %10.4f %10.4f\n", "save", app.save, sqlite_save);
  std::printf("%-10s %10.4f %10.4f   (%zu cards found)\n", "find", app_find,
              sqlite_find, app_found);
  std::printf("%-10s %10.4f\n", "export", import.export_seconds);
  std::printf("%-10s %10.4f %10.4f   (sqlite: the rows inserted)\n", "import",
              import.import_seconds, sqlite_insert);
  std::printf("lists: %.1f bytes per card\n", app.bytes_per_card);
  std::printf("app_save_seconds %.4f\n", app.save);
  std::printf("ratio app_open_%zuk %.3f\n", cards / 1000, app.open / sqlite_open);
  std::printf("ratio app_save_vs_sqlite %.3f\n", app.save / sqlite_save);
  std::printf("ratio app_find_%zuk %.3f\n", cards / 1000, app_find / sqlite_find);
  std::printf("ratio app_import_%zuk %.3f\n", cards / 1000,
              import.import_seconds / sqlite_insert);
  return 0;
}
