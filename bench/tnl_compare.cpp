// The native file format side by side with SQLite on the same card-like
// data, in the same run: bulk adds in one transaction, fetches by key in
// random order, scans in record and key order, file size, and adds that are
// each committed durably. Prints one `ratio` line per figure (our cost over
// SQLite's) and fails when either side reads back something else than it
// wrote.
//
//   tnl_compare [--records=N] [--commits=M] [--dir=D]
//
// The native side runs twice. First as the card application opens its
// files: read and write, others may only read, so that it locks only to
// commit (the tnl_* ratios). Then shared for writing: every operation takes
// its lock and looks at the header on disk, which is what a file others may
// write costs (the tnl_shared_* ratios).
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_declaration.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/descriptor_builder.h"
#include "storage/tnl/driver/tnl_driver.h"

namespace {

using vantrel::ErrorCode;

// The card: 813 bytes, mostly blanks once filled.
struct CardLayout {
  static constexpr std::size_t kDate = 0, kTime = 4, kFlag = 8, kName = 9,
                               kCompany = 59, kPhones = 109, kCategory = 213,
                               kNotes = 233, kLength = 813;
  static constexpr std::size_t kNameSize = 50, kCompanySize = 50,
                               kPhoneSize = 26, kPhoneCount = 4,
                               kCategorySize = 20, kNotesSize = 580;
};

struct Card {
  std::int32_t date;
  std::int32_t time;
  std::uint8_t flag;
  std::string name;
  std::string company;
  std::string phone;
  std::string category;
};

std::vector<Card> MakeCards(std::size_t count) {
  std::mt19937 random(7);
  static const char* const kCategories[] = {"Family", "Friends", "Work",
                                            "Suppliers", "Clubs"};
  std::vector<Card> cards(count);
  for (std::size_t i = 0; i < count; ++i) {
    Card& card = cards[i];
    card.date = 70000 + static_cast<std::int32_t>(random() % 9000);
    card.time = static_cast<std::int32_t>(random() % 8640000);
    card.flag = static_cast<std::uint8_t>(random() % 2);
    // Unique names in an order unrelated to the adding order.
    char name[40];
    std::snprintf(name, sizeof name, "%c%c%c Person %07u",
                  'A' + static_cast<int>(random() % 26),
                  'a' + static_cast<int>(random() % 26),
                  'a' + static_cast<int>(random() % 26),
                  static_cast<unsigned>(i));
    card.name = name;
    card.company = "Company " + std::to_string(random() % 5000);
    card.phone = "+1 555 " + std::to_string(1000000 + random() % 8999999);
    card.category = kCategories[random() % 5];
  }
  return cards;
}

void PutText(std::vector<char>& record, std::size_t at, std::size_t size,
             const std::string& text) {
  std::memset(record.data() + at, ' ', size);
  std::memcpy(record.data() + at, text.data(), std::min(size, text.size()));
}

void Fill(std::vector<char>& record, const Card& card) {
  using L = CardLayout;
  std::memcpy(record.data() + L::kDate, &card.date, 4);
  std::memcpy(record.data() + L::kTime, &card.time, 4);
  record[L::kFlag] = static_cast<char>(card.flag);
  PutText(record, L::kName, L::kNameSize, card.name);
  PutText(record, L::kCompany, L::kCompanySize, card.company);
  PutText(record, L::kPhones, L::kPhoneSize, card.phone);
  std::memset(record.data() + L::kPhones + L::kPhoneSize, ' ',
              L::kPhoneSize * (L::kPhoneCount - 1));
  PutText(record, L::kCategory, L::kCategorySize, card.category);
  std::memset(record.data() + L::kNotes, ' ', L::kNotesSize);
}

std::string_view Trimmed(const char* text, std::size_t size) {
  std::string_view view(text, size);
  std::size_t end = view.find_last_not_of(' ');
  return view.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

double Now() {
  using Clock = std::chrono::steady_clock;
  return std::chrono::duration<double>(Clock::now().time_since_epoch())
      .count();
}

template <typename Body>
double Seconds(Body body) {
  double start = Now();
  body();
  return Now() - start;
}

std::uint64_t FileSize(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(
                                              info.st_size)
                                        : 0;
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "tnl_compare: %s\n", what.c_str());
  std::exit(1);
}

// The timings of one side.
struct Figures {
  double bulk_add = 0, get_key = 0, scan_record = 0, scan_key = 0,
         commit_each = 0;
  std::uint64_t file_size = 0;
};

// The native side, through the runtime's file statements.
class NativeSide {
 public:
  NativeSide(const std::string& path, std::uint32_t sharing)
      : record_(CardLayout::kLength) {
    using namespace vantrel;
    RegisterTarnelDriver();
    file_.label = "CRD";
    file_.driver_name = "TARNEL";
    file_.name = path;
    file_.descriptor = DescriptorBuilder()
                           .Group("CRD:RECORD")
                           .Long("CRD:DATE")
                           .Long("CRD:TIME")
                           .Byte("CRD:FLAG")
                           .String("CRD:NAME", CardLayout::kNameSize)
                           .String("CRD:COMPANY", CardLayout::kCompanySize)
                           .String("CRD:PHONE", CardLayout::kPhoneSize)
                           .Dim({CardLayout::kPhoneCount})
                           .String("CRD:CATEGORY", CardLayout::kCategorySize)
                           .String("CRD:NOTES", CardLayout::kNotesSize)
                           .End()
                           .Descriptor();
    file_.record = record_;
    KeyDeclaration when;
    when.label = "CRD:WHENKEY";
    when.flags = kKeyDup;
    when.components = {2, 3, 4};
    when_key_ = &file_.AddKey(when);
    KeyDeclaration name;
    name.label = "CRD:NAMEKEY";
    name.flags = kKeyNoCase;
    name.components = {5};
    name_key_ = &file_.AddKey(name);
    Create(file_);
    Check("CREATE");
    Open(file_, vantrel::kOpenReadWrite | sharing);
    Check("OPEN");
  }
  ~NativeSide() { vantrel::Close(file_); }

  void BulkAdd(const std::vector<Card>& cards) {
    vantrel::Logout(file_);
    Check("LOGOUT");
    for (const Card& card : cards) {
      Fill(record_, card);
      vantrel::Add(file_);
      Check("ADD");
    }
    vantrel::Commit(file_);
    Check("COMMIT");
  }
  void AddEach(const std::vector<Card>& cards) {
    for (const Card& card : cards) {
      Fill(record_, card);
      vantrel::Add(file_);
      Check("ADD");
    }
  }
  // Fetches each card by its name and returns how many matched.
  std::size_t GetByName(const std::vector<const Card*>& order) {
    std::size_t found = 0;
    for (const Card* card : order) {
      PutText(record_, CardLayout::kName, CardLayout::kNameSize,
              card->name);
      vantrel::Get(file_, *name_key_);
      Check("GET");
      std::int32_t date;
      std::memcpy(&date, record_.data() + CardLayout::kDate, 4);
      if (date == card->date) ++found;
    }
    return found;
  }
  // Reads every record in record order (key none) or in name order;
  // returns the count and checks that names come in order.
  std::size_t Scan(bool by_name) {
    if (by_name) {
      vantrel::Set(*name_key_);
    } else {
      vantrel::Set(file_);
    }
    Check("SET");
    std::size_t count = 0;
    std::string previous;
    for (vantrel::Next(file_); ErrorCode() == 0; vantrel::Next(file_)) {
      ++count;
      if (by_name) {
        std::string name(
            Trimmed(record_.data() + CardLayout::kName, CardLayout::kNameSize));
        if (strcasecmp(previous.c_str(), name.c_str()) > 0) {
          Fail("key order broken at " + name);
        }
        previous = std::move(name);
      }
    }
    if (ErrorCode() != 33) Check("NEXT");
    return count;
  }

 private:
  static void Check(const char* what) {
    if (ErrorCode() != 0) {
      Fail(std::string(what) + " failed: " + std::to_string(ErrorCode()) +
           " " + std::string(vantrel::Error()));
    }
  }

  std::vector<char> record_;
  vantrel::FileDeclaration file_;
  vantrel::KeyDeclaration* when_key_ = nullptr;
  vantrel::KeyDeclaration* name_key_ = nullptr;
};

// The SQLite side: the same fields, text stored without trailing blanks as
// a user of SQLite would, with the same two indexes.
class SqliteSide {
 public:
  explicit SqliteSide(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) Fail("sqlite open");
    Exec("PRAGMA synchronous=FULL");
    Exec(
        "CREATE TABLE cards(date INTEGER, time INTEGER, flag INTEGER, "
        "name TEXT, company TEXT, phone1 TEXT, phone2 TEXT, phone3 TEXT, "
        "phone4 TEXT, category TEXT, notes TEXT)");
    Exec("CREATE INDEX cards_when ON cards(date, time, flag)");
    Exec("CREATE UNIQUE INDEX cards_name ON cards(name COLLATE NOCASE)");
    insert_ = Prepare(
        "INSERT INTO cards VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, "
        "?11)");
    by_name_ =
        Prepare("SELECT * FROM cards WHERE name = ?1 COLLATE NOCASE");
  }
  ~SqliteSide() {
    sqlite3_finalize(insert_);
    sqlite3_finalize(by_name_);
    sqlite3_close(db_);
  }

  void BulkAdd(const std::vector<Card>& cards) {
    Exec("BEGIN");
    AddEach(cards);
    Exec("COMMIT");
  }
  void AddEach(const std::vector<Card>& cards) {
    for (const Card& card : cards) {
      Fill(record_, card);
      using L = CardLayout;
      sqlite3_bind_int(insert_, 1, card.date);
      sqlite3_bind_int(insert_, 2, card.time);
      sqlite3_bind_int(insert_, 3, card.flag);
      BindText(4, L::kName, L::kNameSize);
      BindText(5, L::kCompany, L::kCompanySize);
      for (std::size_t i = 0; i < L::kPhoneCount; ++i) {
        BindText(6 + static_cast<int>(i), L::kPhones + i * L::kPhoneSize,
                 L::kPhoneSize);
      }
      BindText(10, L::kCategory, L::kCategorySize);
      BindText(11, L::kNotes, L::kNotesSize);
      if (sqlite3_step(insert_) != SQLITE_DONE) Fail(sqlite3_errmsg(db_));
      sqlite3_reset(insert_);
    }
  }
  std::size_t GetByName(const std::vector<const Card*>& order) {
    std::size_t found = 0;
    for (const Card* card : order) {
      sqlite3_bind_text(by_name_, 1, card->name.data(),
                        static_cast<int>(card->name.size()), SQLITE_STATIC);
      if (sqlite3_step(by_name_) == SQLITE_ROW) {
        ReadRow(by_name_);
        if (sqlite3_column_int(by_name_, 0) == card->date) ++found;
      }
      sqlite3_reset(by_name_);
    }
    return found;
  }
  std::size_t Scan(bool by_name) {
    sqlite3_stmt* scan = Prepare(
        by_name ? "SELECT * FROM cards ORDER BY name COLLATE NOCASE"
                : "SELECT * FROM cards ORDER BY rowid");
    std::size_t count = 0;
    while (sqlite3_step(scan) == SQLITE_ROW) {
      ReadRow(scan);
      ++count;
    }
    sqlite3_finalize(scan);
    return count;
  }

 private:
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
    if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
      Fail(sqlite3_errmsg(db_));
    }
    return statement;
  }
  void BindText(int column, std::size_t at, std::size_t size) {
    std::string_view text = Trimmed(record_.data() + at, size);
    sqlite3_bind_text(insert_, column, text.data(),
                      static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  // Copies a row's columns into a record buffer, as a program reading it
  // into its own variables would.
  void ReadRow(sqlite3_stmt* row) {
    using L = CardLayout;
    std::int32_t date = sqlite3_column_int(row, 0);
    std::int32_t time = sqlite3_column_int(row, 1);
    std::memcpy(record_.data() + L::kDate, &date, 4);
    std::memcpy(record_.data() + L::kTime, &time, 4);
    record_[L::kFlag] = static_cast<char>(sqlite3_column_int(row, 2));
    auto text = [&](int column, std::size_t at, std::size_t size) {
      const unsigned char* value = sqlite3_column_text(row, column);
      PutText(record_, at, size,
              value ? reinterpret_cast<const char*>(value) : "");
    };
    text(3, L::kName, L::kNameSize);
    text(4, L::kCompany, L::kCompanySize);
    for (std::size_t i = 0; i < L::kPhoneCount; ++i) {
      text(5 + static_cast<int>(i), L::kPhones + i * L::kPhoneSize,
           L::kPhoneSize);
    }
    text(9, L::kCategory, L::kCategorySize);
    text(10, L::kNotes, L::kNotesSize);
  }

  sqlite3* db_ = nullptr;
  sqlite3_stmt* insert_ = nullptr;
  sqlite3_stmt* by_name_ = nullptr;
  std::vector<char> record_ = std::vector<char>(CardLayout::kLength);
};

template <typename Side>
Figures Measure(Side& side, const std::vector<Card>& bulk,
                const std::vector<Card>& each, const std::string& path,
                const char* label) {
  Figures figures;
  figures.bulk_add = Seconds([&] { side.BulkAdd(bulk); });
  figures.file_size = FileSize(path);

  std::vector<const Card*> order(bulk.size());
  for (std::size_t i = 0; i < bulk.size(); ++i) order[i] = &bulk[i];
  std::shuffle(order.begin(), order.end(), std::mt19937(11));
  std::size_t found = 0;
  figures.get_key = Seconds([&] { found = side.GetByName(order); });
  if (found != bulk.size()) {
    Fail(std::string(label) + ": fetched " + std::to_string(found) + " of " +
         std::to_string(bulk.size()));
  }
  for (bool by_name : {false, true}) {
    std::size_t count = 0;
    double seconds = Seconds([&] { count = side.Scan(by_name); });
    (by_name ? figures.scan_key : figures.scan_record) = seconds;
    if (count != bulk.size()) {
      Fail(std::string(label) + ": scan read " + std::to_string(count));
    }
  }
  figures.commit_each = Seconds([&] { side.AddEach(each); });
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t records = 100000;
  std::size_t commits = 1000;
  std::string dir = "/tmp";
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.rfind("--records=", 0) == 0) records = std::stoul(argv[i] + 10);
    if (arg.rfind("--commits=", 0) == 0) commits = std::stoul(argv[i] + 10);
    if (arg.rfind("--dir=", 0) == 0) dir = argv[i] + 6;
  }
  std::string base = dir + "/tnl_compare." + std::to_string(getpid());
  std::string tnl_path = base + ".tnl";
  std::string shared_path = base + ".shared.tnl";
  std::string sqlite_path = base + ".sqlite";
  std::remove(tnl_path.c_str());
  std::remove(shared_path.c_str());
  std::remove(sqlite_path.c_str());

  std::vector<Card> all = MakeCards(records + commits);
  std::vector<Card> bulk(all.begin(), all.begin() + records);
  std::vector<Card> each(all.begin() + records, all.end());

  Figures native;
  Figures shared;
  Figures sqlite;
  {
    NativeSide side(tnl_path, vantrel::kOpenDenyWrite);
    native = Measure(side, bulk, each, tnl_path, "native");
  }
  {
    NativeSide side(shared_path, vantrel::kOpenDenyNone);
    shared = Measure(side, bulk, each, shared_path, "shared");
  }
  {
    SqliteSide side(sqlite_path);
    sqlite = Measure(side, bulk, each, sqlite_path, "sqlite");
  }
  std::remove(tnl_path.c_str());
  std::remove(shared_path.c_str());
  std::remove(sqlite_path.c_str());

  std::printf("%zu records, %zu single commits (wall seconds)\n", records,
              commits);
  std::printf("%-14s %10s %10s %10s\n", "", "native", "shared", "sqlite");
  auto row = [](const char* name, double ours, double ours_shared,
                double theirs) {
    std::printf("%-14s %10.3f %10.3f %10.3f\n", name, ours, ours_shared,
                theirs);
  };
  row("bulk_add", native.bulk_add, shared.bulk_add, sqlite.bulk_add);
  row("get_key", native.get_key, shared.get_key, sqlite.get_key);
  row("scan_record", native.scan_record, shared.scan_record,
      sqlite.scan_record);
  row("scan_key", native.scan_key, shared.scan_key, sqlite.scan_key);
  row("commit_each", native.commit_each, shared.commit_each,
      sqlite.commit_each);
  std::printf("%-14s %10llu %10llu %10llu bytes\n", "file_size",
              static_cast<unsigned long long>(native.file_size),
              static_cast<unsigned long long>(shared.file_size),
              static_cast<unsigned long long>(sqlite.file_size));
  auto ratios = [&](const char* prefix, const Figures& ours) {
    std::printf("ratio %s_bulk_add %.3f\n", prefix,
                ours.bulk_add / sqlite.bulk_add);
    std::printf("ratio %s_get_key %.3f\n", prefix,
                ours.get_key / sqlite.get_key);
    std::printf("ratio %s_scan_record %.3f\n", prefix,
                ours.scan_record / sqlite.scan_record);
    std::printf("ratio %s_scan_key %.3f\n", prefix,
                ours.scan_key / sqlite.scan_key);
    std::printf("ratio %s_commit_each %.3f\n", prefix,
                ours.commit_each / sqlite.commit_each);
  };
  ratios("tnl", native);
  std::printf("ratio tnl_file_size %.3f\n",
              static_cast<double>(native.file_size) /
                  static_cast<double>(sqlite.file_size));
  ratios("tnl_shared", shared);
  return 0;
}
