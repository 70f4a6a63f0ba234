// Hostile and damaged native files, made from committed ones: shared by the
// tests that show what the tools make of them and by the writer of the fuzz
// targets' seed corpora (tools/tnltool/hostile_corpus_test.cpp).
#ifndef VANTREL_STORAGE_TNL_TABLE_TEST_HOSTILE_FILES_H_
#define VANTREL_STORAGE_TNL_TABLE_TEST_HOSTILE_FILES_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "storage/tnl/format/page_image.h"
#include "storage/tnl/table/memo_store.h"
#include "storage/tnl/table/test_tables.h"
#include "storage/tnl/table/transaction_control.h"

namespace vantrel {

// Overwrites bytes of the file at `path` from position `at`.
inline void PatchFile(const std::string& path, std::size_t at,
                      std::initializer_list<std::uint8_t> bytes) {
  std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
  ASSERT_TRUE(f.is_open()) << path;
  f.seekp(static_cast<std::streamoff>(at));
  for (const std::uint8_t b : bytes) f.put(static_cast<char>(b));
}

// The same for a little-endian 32-bit word.
inline void PatchFileLe32(const std::string& path, std::size_t at,
                          std::uint32_t value) {
  PatchFile(
      path, at,
      {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
       static_cast<std::uint8_t>(value >> 16),
       static_cast<std::uint8_t>(value >> 24)});
}

// Makes `change` in one operation and commits it, but leaves the file as it
// stood between the commit's two phases: the new pages in the shadow area
// and the header saying a write is pending, for recovery to decide.
// `committed`, when given, sees the file open after the whole commit.
inline void LeaveInterruptedWrite(
    const std::string& path,
    const std::function<void(TnlFile&, BTree&)>& change,
    const std::function<void(TnlFile&)>& committed = {}) {
  const std::string pending = path + ".pending";
  {
    TnlFile file;
    ASSERT_TRUE(file.Open(path, kOpenReadWriteShared));
    ASSERT_EQ(
        RunOperation(path,
                     [&] {
                       ASSERT_EQ(file.LoadHeader(LockWait::kWait), kLoadOk);
                       BTree tree(file);
                       change(file, tree);
                       ASSERT_EQ(file.CommitPhaseOne(), 0);
                       std::filesystem::copy_file(
                           path, pending,
                           std::filesystem::copy_options::overwrite_existing);
                       file.CommitPhaseTwo();
                     }),
        0);
    file.EndOperation();
    if (committed) committed(file);
  }
  std::filesystem::rename(pending, path);
}

// Table "CAFÉ" (Windows-1252 inside): NAME STRING(6) with a NOCASE key, a
// text memo and a BLOB.
inline TableDescription Cafe() {
  TableDescription t;
  t.record_length = 10;
  t.fields = {TestField(FieldType::GROUP, "REC", 0, 10, 0, 1),
              TestField(FieldType::STRING, "NAME", 0, 6, 1, 2),
              TestField(FieldType::LONG, "ID", 6, 4, 1, 3)};
  t.keys = {{std::nullopt, "BYNAME", kDescribedNoCase, {{1, 0}}}};
  t.memos = {{std::nullopt, "NOTE", 40, 0},
             {std::nullopt, "PIC", 0, kDescribedMemoBlob}};
  return t;
}

// A new file at `path` holding CAFÉ with record 2 ("José", 7), its memo and
// a BLOB of 20 bytes.
inline void WriteCafeFile(const std::string& path) {
  std::ofstream(path).close();
  CommitChange(path, [](TnlFile& f, BTree& tree) {
    const CharTables tables = CharTables::Defaults();
    const TableDescription cafe = Cafe();
    const TableKeys keys{CreateTable(f, tree, "CAF\xC9", cafe, false, tables),
                         &cafe,
                         {},
                         KeyStringRules{&tables}};
    const std::uint8_t image[] = {'J', 'o', 's', 0xE9, ' ', ' ', 7, 0, 0, 0};
    const AddedRecord added = AddDataRecord(f, tree, keys, image);
    ASSERT_EQ(added.error, 0);
    const std::string note = "<b>\r\nit's \xE9   ";
    ByteString pic(20);
    for (std::size_t i = 0; i < pic.size(); ++i) {
      pic[i] = static_cast<std::uint8_t>(i * 17);
    }
    const std::vector<ByteString> memos = {ByteString(note.begin(), note.end()),
                                           pic};
    ASSERT_TRUE(
        WriteRecordMemos(tree, keys.table, added.number, cafe, memos, false));
  });
}

// Leaves the CAFÉ file at `path` as a commit of several files stopped after
// its phase one: one more record ("Anna", 8) under a marker naming
// `control`.
inline void WritePendingCafeRecord(const std::string& path,
                                   const std::string& control) {
  LeaveInterruptedWrite(path, [&](TnlFile& file, BTree& tree) {
    const CharTables tables = CharTables::Defaults();
    const TableDescription cafe = Cafe();
    const auto table = FindTable(tree, "CAF\xC9");
    ASSERT_TRUE(table);
    const TableKeys keys{*table, &cafe, {}, KeyStringRules{&tables}};
    const std::uint8_t image[] = {'A', 'n', 'n', 'a', ' ', ' ', 8, 0, 0, 0};
    ASSERT_EQ(AddDataRecord(file, tree, keys, image).error, 0);
    ReplaceMarker(tree, {0x5151, control});
  });
}

// Adds table BOMB with one record of 4 bytes, described as 400 LONG fields
// of size 0 and DIM(65535) each: a dump that believed the description would
// print 26 million elements for its one record.
inline void AddDumpBombTable(const std::string& path) {
  CommitChange(path, [](TnlFile& f, BTree& tree) {
    TableDescription bomb;
    bomb.record_length = 4;
    bomb.fields = {TestField(FieldType::GROUP, "REC", 0, 4, 0, 1)};
    for (int i = 0; i < 400; ++i) {
      DescribedField field = TestField(FieldType::LONG, "L", 0, 0, 1,
                                       static_cast<std::uint16_t>(i + 2));
      field.element_count = 65535;
      bomb.fields.push_back(field);
    }
    const CharTables tables = CharTables::Defaults();
    const TableKeys keys{CreateTable(f, tree, "BOMB", bomb, false, tables),
                         &bomb,
                         {},
                         KeyStringRules{&tables}};
    const std::uint8_t image[4] = {};
    ASSERT_EQ(AddDataRecord(f, tree, keys, image).error, 0);
  });
}

// Empties the second leaf below the root, which keeps its slot: first cut
// down to one record, so that it keeps a slot of one unit when it is
// emptied (a writer moves no empty page). The root must be an inner page.
inline void EmptyALeafBelowTheRoot(const std::string& path) {
  const auto cut = [](std::size_t keep) {
    return [keep](TnlFile& f, BTree&) {
      Page* page = f.RootPage();
      ASSERT_GT(page->level, 0);
      while (page->level > 0) {
        page = f.GetPage(page->records.At(1).child);
      }
      std::vector<PageRecord> kept;
      if (keep > 0) kept.push_back(page->records.At(0).Copy());
      page->records = PageRecords::Of(kept);
      page->used = UsedMeasure(0, page->records);
      f.MarkDirty(page);
    };
  };
  CommitChange(path, cut(1));
  CommitChange(path, cut(0));
}

// Gives the first record of the first leaf a key part of no bytes, which
// no writer frames.
inline void ZeroTheFirstKeyLength(const std::string& path) {
  CommitChange(path, [](TnlFile& f, BTree&) {
    Page* page = f.RootPage();
    while (page->level > 0) page = f.GetPage(page->records.At(0).child);
    std::vector<PageRecord> records;
    page->records.ForEach(
        [&](const RecordRef& r) { records.push_back(r.Copy()); });
    records[0].key_length = 0;
    page->records = PageRecords::Of(records);
    f.MarkDirty(page);
  });
}

// Cuts table `table`'s character tables record to 100 bytes of 0.
inline void ShortenCharTables(const std::string& path, std::uint32_t table) {
  CommitChange(path, [table](TnlFile&, BTree& tree) {
    ASSERT_TRUE(tree.Remove(CharTablesKey(table)));
    tree.Insert(MakeRecord(CharTablesKey(table), ByteString(100, 0)));
  });
}

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_TEST_HOSTILE_FILES_H_
