#include "storage/tnl/table/salvage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "storage/tnl/table/file_check.h"
#include "storage/tnl/table/memo_store.h"
#include "storage/tnl/table/test_tables.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kFlags = 77;
constexpr std::size_t kBlobBytes = 300;  // two chunks

// NAME STRING(12) at 0, ID LONG at 12; a unique NOCASE key on NAME; a text
// memo and a BLOB.
TableDescription People() {
  TableDescription t;
  t.version = kDescriptionVersionBlob;
  t.record_length = 16;
  t.fields = {TestField(FieldType::STRING, "NAME", 0, 12),
              TestField(FieldType::LONG, "ID", 12, 4)};
  t.memos = {{std::nullopt, "NOTES", 1000, 0},
             {std::nullopt, "PHOTO", 0, kDescribedMemoBlob}};
  t.keys = {{std::nullopt, "BYNAME", kDescribedNoCase, {{0, 0}}}};
  return t;
}

ByteString Image(const std::string& name, std::int32_t id) {
  ByteString image(16, ' ');
  std::copy(name.begin(), name.end(), image.begin());
  for (int i = 0; i < 4; ++i) {
    image[12 + i] = static_cast<std::uint8_t>(id >> (8 * i));
  }
  return image;
}

// What a table holds as stored, apart from its record numbers: the data
// images, the memo chunks (memo number, sequence and data), the character
// tables record and the FLAGS value.
struct StoredTable {
  std::vector<ByteString> images;
  std::vector<ByteString> chunks;
  ByteString char_tables;
  std::uint32_t flags = 0;
  bool operator==(const StoredTable&) const = default;
};

StoredTable ReadStored(const std::string& path, const std::string& name) {
  StoredTable stored;
  TnlFile file;
  EXPECT_TRUE(file.Open(path, kOpenReadShared));
  EXPECT_EQ(RunOperation(path,
                         [&] {
                           ASSERT_EQ(file.LoadHeader(LockWait::kWait), kLoadOk);
                           BTree tree(file);
                           const auto table = FindTable(tree, name);
                           ASSERT_TRUE(table) << name;
                           const ByteString prefix = TablePrefix(*table);
                           auto next = tree.FindFirstGreater(prefix);
                           for (; next && std::equal(prefix.begin(),
                                                     prefix.end(),
                                                     next->bytes.begin());
                                next = tree.FindFirstGreater(next->Key())) {
                             const auto data = RecordData(*next);
                             const ByteString bytes(data.begin(), data.end());
                             const std::uint8_t kind = next->bytes[4];
                             if (kind == kKindData) {
                               stored.images.push_back(bytes);
                             } else if (const auto c =
                                            ParseMemoKey(next->Key())) {
                               ByteString chunk = {c->memo,
                                                   static_cast<std::uint8_t>(
                                                       c->sequence)};
                               chunk.insert(chunk.end(), bytes.begin(),
                                            bytes.end());
                               stored.chunks.push_back(chunk);
                             } else if (kind == kKindCharTables) {
                               stored.char_tables = bytes;
                             }
                           }
                           stored.flags = ReadTableFlags(tree, *table);
                         }),
            0);
  file.EndOperation();
  return stored;
}

class SalvageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("salvage_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    source_ = (dir_ / "source.vtl").string();
    std::ofstream(source_).close();
  }
  void TearDown() override { fs::remove_all(dir_); }

  // PEOPLE, kept in the OEM set under character tables of its own, and
  // PLAIN, beside it; every record has a memo and a BLOB.
  void Fill() {
    CommitChange(source_, [&](TnlFile& file, BTree& tree) {
      for (const bool oem : {true, false}) {
        CharTables tables = CharTables::Defaults();
        if (oem) std::swap(tables.weight['a'], tables.weight['b']);
        const std::uint32_t number = CreateTable(
            file, tree, oem ? "PEOPLE" : "PLAIN", description_, oem, tables);
        SetTableFlags(tree, number, kFlags);
        const TableKeys keys{number, &description_, {}, {&tables, oem}};
        for (int i = 0; i < 6; ++i) {
          // Windows-1252 umlauts, which the OEM set codes otherwise.
          const std::string name = "M\xFCller " + std::to_string(i);
          const AddedRecord added =
              AddDataRecord(file, tree, keys, Image(name, i));
          ASSERT_EQ(added.error, 0);
          const std::string memo = "\xE4rger " + std::string(300, 'x');
          ByteString blob(kBlobBytes);
          for (std::size_t b = 0; b < blob.size(); ++b) {
            blob[b] = static_cast<std::uint8_t>(b * 7 + i);
          }
          const std::vector<ByteString> contents = {
              ByteString(memo.begin(), memo.end()), blob};
          ASSERT_TRUE(WriteRecordMemos(tree, number, added.number,
                                       description_, contents, oem));
          records_.push_back(added.number);
        }
      }
    });
  }

  std::vector<std::string> Check(const std::string& path) {
    TnlFile file;
    EXPECT_TRUE(file.Open(path, kOpenReadShared));
    return CheckFileIntegrity(file, LockWait::kWait);
  }

  fs::path dir_;
  std::string source_;
  TableDescription description_ = People();
  std::vector<std::uint32_t> records_;  // as added, PEOPLE's first
};

// An intact file comes through as it was stored, OEM strings, character
// tables and FLAGS included, with keys built afresh.
TEST_F(SalvageTest, IntactTablesComeThroughAsStored) {
  Fill();
  const std::string target = (dir_ / "new.vtl").string();
  const SalvageResult result = SalvageFile({source_, target, "", "", ""});
  ASSERT_EQ(result.error, "");
  ASSERT_EQ(result.report.tables.size(), 2u);
  for (const SalvagedTable& t : result.report.tables) {
    EXPECT_EQ(t.records_written, 6u) << t.name;
    EXPECT_EQ(t.memos_written, 12u) << t.name;
    EXPECT_EQ(t.memos_lost, 0u) << t.name;
  }
  EXPECT_EQ(Check(target), std::vector<std::string>{});
  for (const char* name : {"PEOPLE", "PLAIN"}) {
    EXPECT_EQ(ReadStored(target, name), ReadStored(source_, name)) << name;
  }
  EXPECT_NE(ReadStored(target, "PEOPLE").char_tables,
            ReadStored(target, "PLAIN").char_tables);
}

// A BLOB that lost a chunk, or a memo that lost its first, is not carried
// over; the record is, with that memo empty.
TEST_F(SalvageTest, MemoWithoutAllItsChunksIsLost) {
  Fill();
  CommitChange(source_, [&](TnlFile&, BTree& tree) {
    const std::uint32_t people = *FindTable(tree, "PEOPLE");
    ASSERT_TRUE(tree.Remove(MemoKey(people, records_[1], 1, 1)));
    ASSERT_TRUE(tree.Remove(MemoKey(people, records_[2], 0, 0)));
  });
  const std::string target = (dir_ / "new.vtl").string();
  const SalvageResult result = SalvageFile({source_, target, "", "", ""});
  ASSERT_EQ(result.error, "");
  const SalvagedTable& people = result.report.tables.front();
  EXPECT_EQ(people.records_written, 6u);
  EXPECT_EQ(people.memos_written, 10u);
  EXPECT_EQ(people.memos_lost, 2u);
  EXPECT_EQ(Check(target), std::vector<std::string>{});
  // The two damaged memos' chunks are gone; every other chunk is as stored.
  StoredTable expected = ReadStored(source_, "PEOPLE");
  StoredTable got = ReadStored(target, "PEOPLE");
  EXPECT_EQ(got.images, expected.images);
  EXPECT_EQ(got.chunks.size() + 2, expected.chunks.size());
  for (const ByteString& chunk : got.chunks) {
    EXPECT_NE(std::find(expected.chunks.begin(), expected.chunks.end(), chunk),
              expected.chunks.end());
  }
}

}  // namespace
}  // namespace vantrel
