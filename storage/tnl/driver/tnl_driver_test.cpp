#include "storage/tnl/driver/tnl_driver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <span>

#include "runtime/data/driver/driver_registry.h"
#include "runtime/data/text/char_tables.h"
#include "storage/tnl/driver/tnl_driver_test_support.h"
#include "storage/tnl/format/header.h"
#include "storage/tnl/format/record_kinds.h"
#include "storage/tnl/table/table_catalog.h"
#include "storage/tnl/table/table_name.h"

namespace vantrel {
namespace {

std::set<std::string> OpNames(std::span<const std::uint8_t> ops) {
  std::set<std::string> names;
  for (const std::uint8_t op : ops) names.emplace(DriverOpName(op));
  return names;
}

TEST(TarnelEntryTest, RegisteredWithExactlyTheNativeOperationsAndTypes) {
  RegisterTarnelDriver();
  const DriverEntry* entry = FindDriver("tarnel");
  ASSERT_EQ(entry, &TarnelDriverEntry());
  EXPECT_EQ(entry->trace.section, "HWTARNEL");
  EXPECT_EQ(entry->trace.default_file, "TARNEL.LOG");

  // The native operations, as the format's table of operations names them;
  // the length forms, NULL handling, views and the key and blob property
  // forms are not among them.
  const std::vector<std::string> operations = {
      "OPEN",         "SHARE",       "CREATE",       "CLOSE",
      "ADD",          "APPEND",      "PUT",          "PUTfileptr",
      "DELETE",       "GETfilekey",  "GETfileptr",   "GETkeyptr",
      "REGETfile",    "REGETkey",    "SETfile",      "SETfilekey",
      "SETfileptr",   "SETkey",      "SETkeykey",    "SETkeyptr",
      "SETkeykeyptr", "RESETfile",   "RESETkey",     "NEXT",
      "PREVIOUS",     "SKIP",        "EOF",          "BOF",
      "POSITIONfile", "POSITIONkey", "POINTERfile",  "POINTERkey",
      "RECORDSfile",  "RECORDSkey",  "COUNTRECORDS", "HOLDfile",
      "HOLDfilesec",  "RELEASE",     "WATCH",        "LOCKfile",
      "LOCKfilesec",  "UNLOCK",      "LOGOUT",       "COMMIT",
      "ROLLBACK",     "FLUSH",       "STREAM",       "EMPTY",
      "BUILDfile",    "BUILDkey",    "BUILDdyn",     "BUILDdynfilter",
      "BUILDevent",   "PACK",        "DUPLICATE",    "DUPLICATEkey",
      "REMOVE",       "RENAME",      "COPY",         "NOMEMO",
      "BYTES",        "NAME",        "SEND",         "SET_PROPERTY",
      "GET_PROPERTY", "BLOB_TAKE",   "BLOB_YIELD",   "QUERY_KEY",
      "ENDVIEW",      "CLEAR"};
  ASSERT_EQ(operations.size(), 70u);
  const auto listed = entry->SupportedOps();
  EXPECT_EQ(listed.size(), operations.size());  // each one once
  EXPECT_EQ(OpNames(listed),
            std::set<std::string>(operations.begin(), operations.end()));

  // Codes 1 to 10 (BYTE to DECIMAL), then STRING 18, CSTRING 19, PSTRING 20,
  // MEMO 21, GROUP 22, ARRAY 24 and BLOB 27.
  const std::set<int> types = {1,  2,  3,  4,  5,  6,  7,  8, 9,
                               10, 18, 19, 20, 21, 22, 24, 27};
  const auto listed_types = entry->SupportedTypes();
  EXPECT_EQ(listed_types.size(), types.size());
  EXPECT_EQ(std::set<int>(listed_types.begin(), listed_types.end()), types);
  EXPECT_EQ(entry->supported.size(), 1 + 70 + 1 + 17u);
}

class TableNameTest : public TnlDriverTest {};

TEST_F(TableNameTest, SplitsAtTheFirstSelectorAfterAnyDirectory) {
  // A part before "\!" that names a directory does not end the file name.
  ASSERT_EQ(mkdir(Path("dir").c_str(), 0700), 0);
  struct Case {
    std::string name;
    std::string path;
    std::string table;
    std::string message;
  };
  const Case cases[] = {
      {"CARDS.vtl\\!names", "CARDS.vtl", "NAMES", "CARDS.vtl\\!NAMES"},
      {"cards", "cards.TNL", "UNNAMED", "cards.TNL"},
      {"cards\\!", "cards.TNL", "UNNAMED", "cards.TNL"},
      {"a.b/cards\\!x\\!y", "a.b/cards.TNL", "X\\!Y", "a.b/cards.TNL\\!X\\!Y"},
      {".hidden", ".hidden.TNL", "UNNAMED", ".hidden.TNL"},
      {Path("dir") + "\\!f.dat\\!t", Path("dir") + "\\!f.dat", "T",
       Path("dir") + "\\!f.dat\\!T"},
  };
  for (const Case& c : cases) {
    const TableName split = SplitTableName(c.name);
    EXPECT_EQ(split.path, c.path) << c.name;
    EXPECT_EQ(split.table, c.table) << c.name;
    EXPECT_EQ(split.MessageName(), c.message) << c.name;
  }
}

// Pairs added to the case map (an environment's HESCASE) do not change
// which table a name selects: a table made under the default tables is
// found again under the pairs.
TEST_F(TableNameTest, NamesUpperCaseByTheDefaultTablesWhateverPairsAreSet) {
  CharTables pairs = CharTables::Defaults();
  pairs.case_map[0xE4] = 0xC4;  // a-umlaut <-> A-umlaut (Windows-1252)
  pairs.case_map[0xC4] = 0xE4;
  pairs.classes[0xE4] = kCharLower;
  pairs.classes[0xC4] = kCharUpper;
  struct Restore {
    ~Restore() { SetCharTables(CharTables::Defaults()); }
  } restore;
  const std::string name = Path("orders") + "\\!n\xe4me";
  SetCharTables(CharTables::Defaults());
  CreateOpen(name).reset();
  SetCharTables(pairs);
  EXPECT_EQ(SplitTableName(name).table, "N\xe4ME");
  OrdersFile again(name);
  Open(again.file);
  EXPECT_EQ(ErrorCode(), 0) << Error();
}

TEST_F(TnlDriverTest, AddedRecordsComeBackByPointerAfterReopening) {
  const Order first{7, "Miller", "Bern"};
  const Order second{8, "Smith", ""};
  {
    auto orders = CreateOpen(Path("orders"));
    ASSERT_EQ(orders->AddOrder(first), 0) << Error();
    const std::int64_t first_number = Pointer(orders->file);
    ASSERT_EQ(orders->AddOrder(second), 0) << Error();
    EXPECT_GT(Pointer(orders->file), first_number);
  }
  EXPECT_TRUE(Problems(Path("orders.TNL")).empty());

  OrdersFile again(Path("orders"));
  Open(again.file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  // Numbers come from one counter: the table took the first, the records
  // follow.
  std::vector<Order> found;
  for (std::int64_t n = 1; n <= 4; ++n) {
    Get(again.file, n);
    if (ErrorCode() == 0) found.push_back(again.Get());
  }
  EXPECT_EQ(found, (std::vector<Order>{first, second}));
  Get(again.file, 99);
  EXPECT_EQ(ErrorCode(), kErrRecordNotFound);
  EXPECT_EQ(again.Get(), second);  // a failed fetch leaves the buffer
}

TEST_F(TnlDriverTest, OpenFailures) {
  auto orders = CreateOpen(Path("ORDERS.TNL"));
  Close(orders->file);

  struct Case {
    std::string name;
    int code;
  };
  const Case cases[] = {
      {"", kErrInvalidFilename},
      {Path("missing.TNL"), kErrFileNotFound},
      // The file holds only UNNAMED.
      {Path("ORDERS.TNL") + "\\!ORDERS", kErrFileNotFound},
  };
  for (const Case& c : cases) {
    OrdersFile file(c.name);
    Open(file.file);
    EXPECT_EQ(ErrorCode(), c.code) << c.name;
    EXPECT_FALSE(file.file.control.state & kStateOpen) << c.name;
  }
}

TEST_F(TnlDriverTest, DeclarationComparedWithTheStoredDescription) {
  CreateOpen(Path("orders")).reset();

  // Other labels only: accepted.
  OrdersFile relabelled(Path("orders"));
  relabelled.id_key->label = "ORD:NUMBERKEY";
  relabelled.file.label = "X";
  Open(relabelled.file);
  EXPECT_EQ(ErrorCode(), 0) << Error();
  Close(relabelled.file);

  // A key that is no longer DUP: refused.
  OrdersFile changed(Path("orders"));
  changed.name_key->flags = kKeyNoCase;
  Open(changed.file);
  EXPECT_EQ(ErrorCode(), kErrInvalidRecordDeclaration);
}

TEST_F(TnlDriverTest, FileWithoutRecordIsDeclaredFromTheTable) {
  {
    auto orders = CreateOpen(Path("orders"));
    ASSERT_EQ(orders->AddOrder({5, "Jones", "Rome"}), 0);
  }
  OrdersFile bare(Path("orders"), /*with_record=*/false);
  Open(bare.file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  ASSERT_EQ(bare.file.record.size(), kOrderLength);
  ASSERT_EQ(bare.file.keys.size(), 3u);
  EXPECT_EQ(bare.file.keys[1].flags, kKeyDup | kKeyNoCase);
  Get(bare.file, 2);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(bare.Get(), (Order{5, "Jones", "Rome"}));
  Close(bare.file);
  EXPECT_TRUE(bare.file.record.empty());
}

TEST_F(TnlDriverTest, IndexComesFromTheDeclarationAndABareOpenKeepsAKey) {
  {
    OrdersFile declared(Path("orders"));
    declared.city_key->flags |= kKeyIsIndex;
    Create(declared.file);
    Share(declared.file);
    ASSERT_EQ(declared.AddOrder({1, "Ann", "Oslo"}), 0) << Error();
  }
  {
    // The declared INDEX is left alone: no entry, only a pending number.
    StoredFile stored(Path("orders.TNL"));
    const std::uint32_t table = stored.Table();
    EXPECT_EQ(stored.Count(table, 2), 0u);
    EXPECT_NE(ReadCountersOf(stored.tree, table, 2)->flags, 0u);
  }
  // The stored description cannot say INDEX: without a declaration the key
  // is a KEY, and an add writes its entry.
  OrdersFile bare(Path("orders"), /*with_record=*/false);
  Share(bare.file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  ASSERT_EQ(bare.file.keys.size(), 3u);
  EXPECT_EQ(bare.file.keys[2].flags, kKeyOpt);
  ASSERT_EQ(bare.AddOrder({2, "Bob", "Rome"}), 0) << Error();
  Close(bare.file);
  StoredFile stored(Path("orders.TNL"));
  EXPECT_EQ(stored.Count(stored.Table(), 2), 1u);
}

TEST_F(TnlDriverTest, NewTableStoresTheCharacterTablesByteForByte) {
  SetCharTables(CharTables::Defaults());
  CreateOpen(Path("orders")).reset();

  // Key: table 1, kind FB, index 01. Data: OEM flag 0; weights = codes;
  // case map a-z <-> A-Z and 0 elsewhere; class masks 01 upper, 02 lower,
  // 04 digit; 128 empty digraph entries of three bytes.
  std::vector<std::uint8_t> expected = {0, 0, 0, 1, 0xFB, 0x01, 0x00};
  for (int c = 0; c < 256; ++c) expected.push_back(c);
  for (int c = 0; c < 256; ++c) {
    expected.push_back(c >= 'a' && c <= 'z'   ? c - 0x20
                       : c >= 'A' && c <= 'Z' ? c + 0x20
                                              : 0);
  }
  for (int c = 0; c < 256; ++c) {
    expected.push_back(c >= 'A' && c <= 'Z'   ? 0x01
                       : c >= 'a' && c <= 'z' ? 0x02
                       : c >= '0' && c <= '9' ? 0x04
                                              : 0);
  }
  expected.resize(expected.size() + 128 * 3, 0);
  ASSERT_EQ(expected.size(), 6u + 1 + 0x480);

  StoredFile stored(Path("orders.TNL"));
  ASSERT_EQ(stored.Table(), 1u);
  const auto record = stored.tree.Find(CharTablesKey(1));
  ASSERT_TRUE(record);
  EXPECT_EQ(record->key_length, 6);
  EXPECT_EQ(record->bytes, expected);
}

TEST_F(TnlDriverTest, CreateReplacesItsTableAndKeepsTheOthers) {
  const std::string file = Path("multi.TNL");
  {
    auto a = CreateOpen(file + "\\!a");
    ASSERT_EQ(a->AddOrder({1, "Alpha", "X"}), 0);
    auto b = CreateOpen(file + "\\!b");  // same file, open twice
    ASSERT_EQ(b->AddOrder({2, "Beta", "Y"}), 0);
  }
  OrdersFile again(file + "\\!A");
  Create(again.file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_TRUE(Problems(file).empty());

  StoredFile stored(file);
  const auto tables = ListTables(stored.tree);
  ASSERT_EQ(tables.size(), 2u);
  for (const TableEntry& t : tables) {
    // A is new and empty under a new number; B kept its record.
    EXPECT_EQ(stored.Count(t.number, kKindData), t.name == "A" ? 0u : 1u)
        << t.name;
  }
  EXPECT_GT(tables[0].number, tables[1].number);
}

TEST_F(TnlDriverTest, AddChecksUniqueKeysBeforeWritingAnything) {
  auto orders = CreateOpen(Path("orders"));
  ASSERT_EQ(orders->AddOrder({1, "Same", "Oslo"}), 0);
  const std::int64_t current = Pointer(orders->file);
  // DUP key NAME and OPT key CITY never collide; ID does.
  EXPECT_EQ(orders->AddOrder({2, "same", ""}), 0);
  EXPECT_EQ(orders->AddOrder({1, "Other", "Rome"}), kErrDuplicateKey);
  EXPECT_EQ(Pointer(orders->file), current + 1);
  // The refused add had issued its number before its keys were tried; the
  // number stays used.
  ASSERT_EQ(orders->AddOrder({3, "Third", "Bern"}), 0);
  EXPECT_EQ(Pointer(orders->file), current + 3);
  Close(orders->file);

  EXPECT_TRUE(Problems(Path("orders.TNL")).empty());
  StoredFile stored(Path("orders.TNL"));
  const std::uint32_t table = stored.Table();
  EXPECT_EQ(stored.Count(table, kKindData), 3u);
  EXPECT_EQ(stored.Count(table, 0), 3u);
  EXPECT_EQ(stored.Count(table, 2), 2u);  // blank city: no entry
}

TEST_F(TnlDriverTest, FailedInternalCheckLatchesOnTheTable) {
  auto orders = CreateOpen(Path("orders"));
  ASSERT_EQ(orders->AddOrder({1, "Ann", "Oslo"}), 0);
  const std::int64_t record = Pointer(orders->file);
  const std::vector<char> sound =
      ReplaceRootPage(Path("orders.TNL"), std::vector<char>(252, '\x5A'));

  Get(orders->file, record);
  ASSERT_EQ(ErrorCode(), kErrFileSystem);
  EXPECT_EQ(FileError(), "Possible data corruption in file");
  const std::string check(FileErrorCode());
  EXPECT_FALSE(check.empty());

  // Later operations report the same check and do nothing, even once the
  // file is sound again: the ADD adds no record.
  ReplaceRootPage(Path("orders.TNL"), sound);
  ClearError();
  EXPECT_EQ(orders->AddOrder({2, "Bob", "Rome"}), kErrFileSystem);
  EXPECT_EQ(FileErrorCode(), check);
  EXPECT_EQ(Name(orders->file), Path("orders.TNL"));
  Close(orders->file);
  EXPECT_EQ(ErrorCode(), 0);

  OrdersFile again(Path("orders"));
  Open(again.file);
  EXPECT_EQ(Records(again.file), 1);
  EXPECT_EQ(ErrorCode(), 0) << Error();
}

}  // namespace
}  // namespace vantrel
