#include "storage/tnl/table/memo_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/data/text/charset.h"
#include "storage/tnl/table/test_tables.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kTable = 1;
constexpr MemoForm kText{false, false};
constexpr MemoForm kBlob{true, false};

ByteString Bytes(const std::string& text) {
  return ByteString(text.begin(), text.end());
}

// Contents of `size` bytes that differ from chunk to chunk.
ByteString Pattern(std::size_t size) {
  ByteString out(size);
  for (std::size_t i = 0; i < size; ++i) {
    out[i] = static_cast<std::uint8_t>('A' + i % 23);
  }
  return out;
}

std::vector<std::size_t> Sizes(const std::vector<ByteString>& chunks) {
  std::vector<std::size_t> out;
  for (const auto& c : chunks) out.push_back(c.size());
  return out;
}

TEST(MemoChunksTest, CutsContentsIntoChunks) {
  ByteString text = Pattern(600);
  text.insert(text.end(), 100, ' ');
  const struct {
    const char* name;
    ByteString contents;
    MemoForm form;
    std::vector<std::size_t> sizes;
  } cases[] = {
      {"text loses trailing spaces", text, kText, {256, 256, 88}},
      {"text of one full chunk", Pattern(256), kText, {256}},
      {"inner spaces stay", Bytes("a  b   "), kText, {4}},
      {"blank text", ByteString(700, ' '), kText, {}},
      {"empty text", {}, kText, {}},
      {"blob keeps trailing spaces", Bytes("xy  "), kBlob, {4 + 4}},
      {"blob of 300", Pattern(300), kBlob, {4 + 256, 44}},
      {"blob of 256", Pattern(256), kBlob, {4 + 256}},
      {"blob of 513", Pattern(513), kBlob, {4 + 256, 256, 1}},
      {"empty blob", {}, kBlob, {}},
  };
  for (const auto& c : cases) {
    const auto chunks = MemoChunks(c.contents, c.form);
    ASSERT_TRUE(chunks) << c.name;
    EXPECT_EQ(Sizes(*chunks), c.sizes) << c.name;
  }
}

TEST(MemoChunksTest, BlobLengthLeadsTheFirstChunk) {
  const ByteString blob = Pattern(300);
  const auto chunks = MemoChunks(blob, kBlob);
  ASSERT_TRUE(chunks);
  const ByteString head((*chunks)[0].begin(), (*chunks)[0].begin() + 6);
  EXPECT_EQ(head, (ByteString{0x2C, 0x01, 0x00, 0x00, 'A', 'B'}));
  EXPECT_EQ((*chunks)[1], ByteString(blob.begin() + 256, blob.end()));
}

TEST(MemoChunksTest, RefusesContentsBeyondTheChunkSequence) {
  const ByteString huge(kMaxMemoChunks * kMemoChunkBytes + 1, 'x');
  EXPECT_FALSE(MemoChunks(huge, kText));
  EXPECT_FALSE(MemoChunks(huge, kBlob));
  EXPECT_TRUE(MemoChunks(std::span(huge).first(huge.size() - 1), kText));
}

TEST(MemoContentsTest, TextIsPaddedOrCutToTheDeclaredSize) {
  const std::vector<ByteString> chunks = {Pattern(256), Bytes("tail")};
  ByteString expected = Pattern(256);
  expected.insert(expected.end(), {'t', 'a', 'i', 'l'});
  expected.resize(300, ' ');
  EXPECT_EQ(MemoContents(chunks, kText, 300), expected);
  expected.resize(258);
  EXPECT_EQ(MemoContents(chunks, kText, 258), expected);
  EXPECT_EQ(MemoContents({}, kText, 3), Bytes("   "));
}

TEST(MemoContentsTest, ChunksMustBeFullButTheLastAndAgreeWithTheLength) {
  const auto blob = *MemoChunks(Pattern(300), kBlob);
  auto long_length = blob;
  long_length[0][0] = 0x2D;  // 301
  auto short_head = blob;
  short_head[0].resize(3);
  auto short_middle = *MemoChunks(Pattern(600), kBlob);
  short_middle[1].pop_back();
  auto oversized_last = blob;
  oversized_last[1].resize(kMemoChunkBytes + 1);
  const ByteString zero_length = {0, 0, 0, 0};
  const struct {
    const char* name;
    std::vector<ByteString> chunks;
    MemoForm form;
    bool consistent;
  } cases[] = {
      {"blob", blob, kBlob, true},
      {"length beyond the chunks", long_length, kBlob, false},
      {"first chunk shorter than the length", short_head, kBlob, false},
      {"short chunk in the middle", short_middle, kBlob, false},
      {"oversized last chunk", oversized_last, kBlob, false},
      {"blob chunk holding nothing", {zero_length}, kBlob, false},
      {"text", {Pattern(256), Bytes("x")}, kText, true},
      {"empty text chunk", {Pattern(256), {}}, kText, false},
      {"short text chunk first", {Bytes("x"), Bytes("y")}, kText, false},
      {"no chunks", {}, kBlob, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChunksConsistent(c.chunks, c.form), c.consistent) << c.name;
    if (c.form.blob) {
      EXPECT_EQ(MemoContents(c.chunks, kBlob, 0).has_value(), c.consistent)
          << c.name;
    }
  }
  EXPECT_EQ(MemoContents(blob, kBlob, 0), Pattern(300));
}

// A table with a text MEMO(700), a BINARY MEMO(50) and a BLOB, in a file.
class MemoStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (fs::path(::testing::TempDir()) /
             ("memo_" + std::to_string(::getpid()) + ".vtl"))
                .string();
    std::ofstream(path_).close();
    description_.record_length = 4;
    description_.fields = {TestField(FieldType::LONG, "ID", 0, 4)};
    description_.memos = {{std::nullopt, "NOTES", 700, 0},
                          {std::nullopt, "RAW", 50, kDescribedMemoBinary},
                          {std::nullopt, "PICTURE", 0, kDescribedMemoBlob}};
  }
  void TearDown() override { fs::remove(path_); }

  void Change(const std::function<void(BTree&)>& body) {
    CommitChange(path_, [&](TnlFile&, BTree& tree) { body(tree); });
  }

  std::size_t Write(std::uint32_t record, const std::vector<ByteString>& memos,
                    bool oem = false) {
    std::optional<std::size_t> written;
    Change([&](BTree& tree) {
      written =
          WriteRecordMemos(tree, kTable, record, description_, memos, oem);
    });
    EXPECT_TRUE(written);
    return written.value_or(0);
  }

  std::vector<ByteString> Read(std::uint32_t record, bool oem = false) {
    std::optional<std::vector<ByteString>> memos;
    Change([&](BTree& tree) {
      memos = ReadRecordMemos(tree, kTable, record, description_, oem);
    });
    EXPECT_TRUE(memos);
    return memos.value_or(std::vector<ByteString>{});
  }

  std::vector<ByteString> Chunks(std::uint32_t record, std::uint8_t memo) {
    std::vector<ByteString> chunks;
    Change([&](BTree& tree) {
      chunks = LoadMemoChunks(tree, kTable, record, memo);
    });
    return chunks;
  }

  std::string path_;
  TableDescription description_;
};

ByteString Padded(ByteString text, std::size_t size) {
  text.resize(size, ' ');
  return text;
}

TEST_F(MemoStoreTest, RecordMemosComeBackAsWritten) {
  ByteString notes = Pattern(600);
  notes.insert(notes.end(), 100, ' ');
  const ByteString raw = {'r', 'a', 'w', 0, ' ', ' '};
  const ByteString picture = Pattern(300);
  EXPECT_EQ(Write(7, {notes, raw, picture}), 3u + 1u + 2u);
  EXPECT_EQ(Sizes(Chunks(7, 0)), (std::vector<std::size_t>{256, 256, 88}));
  EXPECT_EQ(Read(7),
            (std::vector<ByteString>{notes, Padded(raw, 50), picture}));
  // The program's own sizes win over the described ones.
  const std::size_t sizes[] = {0x10000 + 700, 2};
  Change([&](BTree& tree) {
    const auto memos =
        ReadRecordMemos(tree, kTable, 7, description_, false, sizes);
    ASSERT_TRUE(memos);
    EXPECT_EQ(*memos, (std::vector<ByteString>{Padded(notes, 0x10000 + 700),
                                               Padded(raw, 2), picture}));
  });
  // Another record's memos are its own.
  EXPECT_EQ(Read(8), (std::vector<ByteString>{Padded({}, 700), Padded({}, 50),
                                              ByteString{}}));
}

TEST_F(MemoStoreTest, RewriteReplacesOnlyChangedChunksAndDropsSurplus) {
  const ByteString notes = Pattern(600);
  const ByteString picture = Pattern(1000);
  Write(7, {notes, {}, picture});
  Write(9, {notes, {}, picture});

  ByteString edited = notes;
  edited[300] = '#';  // second chunk only
  EXPECT_EQ(Write(7, {edited, {}, picture}), 1u);
  EXPECT_EQ(Read(7)[0], Padded(edited, 700));
  EXPECT_EQ(Write(7, {edited, {}, picture}), 0u);

  // Shorter contents: the chunk that got shorter is rewritten, the rest go.
  EXPECT_EQ(Write(7, {Bytes("short"),
                      {},
                      ByteString(picture.begin(), picture.begin() + 10)}),
            2u);
  EXPECT_EQ(Chunks(7, 0), std::vector<ByteString>{Bytes("short")});
  EXPECT_EQ(Chunks(7, 2).size(), 1u);
  EXPECT_EQ(Read(7)[2], ByteString(picture.begin(), picture.begin() + 10));
  EXPECT_EQ(Write(7, {{}, {}, {}}), 0u);
  EXPECT_TRUE(Chunks(7, 0).empty());
  EXPECT_TRUE(Chunks(7, 2).empty());
  // Record 9 kept all of its chunks.
  EXPECT_EQ(Read(9), (std::vector<ByteString>{Padded(notes, 700),
                                              Padded({}, 50), picture}));
}

TEST_F(MemoStoreTest, RewriteRemovesChunksBeyondAGap) {
  Write(7, {Pattern(700), {}, {}});
  Change([](BTree& tree) { tree.Remove(MemoKey(kTable, 7, 0, 1)); });
  EXPECT_EQ(Chunks(7, 0).size(), 1u);  // reading stops at the gap
  Write(7, {Bytes("x"), {}, {}});
  Change(
      [](BTree& tree) { EXPECT_FALSE(tree.Find(MemoKey(kTable, 7, 0, 2))); });
}

TEST_F(MemoStoreTest, OemFilesConvertTextMemosOnly) {
  const ByteString accented = Bytes("caf\xE9 \xFC");
  ASSERT_NE(WindowsToOem(0xE9), 0xE9);
  Write(7, {accented, accented, accented}, /*oem=*/true);
  ByteString oem = accented;
  for (auto& c : oem) c = WindowsToOem(c);
  EXPECT_EQ(Chunks(7, 0), std::vector<ByteString>{oem});
  EXPECT_EQ(Chunks(7, 1), std::vector<ByteString>{accented});
  ByteString blob_head = {0x06, 0, 0, 0};
  blob_head.insert(blob_head.end(), accented.begin(), accented.end());
  EXPECT_EQ(Chunks(7, 2), std::vector<ByteString>{blob_head});
  EXPECT_EQ(Read(7, /*oem=*/true),
            (std::vector<ByteString>{Padded(accented, 700),
                                     Padded(accented, 50), accented}));
}

TEST_F(MemoStoreTest, ComparesStoredMemosWithCopies) {
  const std::vector<ByteString> memos = {Bytes("note"), Bytes("raw"),
                                         Pattern(20)};
  Write(7, memos);
  const auto copies = Read(7);
  auto changed = copies;
  changed[2][5] ^= 1;
  Change([&](BTree& tree) {
    EXPECT_TRUE(StoredMemosEqual(tree, kTable, 7, description_, copies, false));
    EXPECT_FALSE(
        StoredMemosEqual(tree, kTable, 7, description_, changed, false));
    EXPECT_FALSE(StoredMemosEqual(tree, kTable, 7, description_,
                                  std::span(copies).first(2), false));
  });
}

TEST_F(MemoStoreTest, RemovesEveryChunkOfOneRecord) {
  Write(7, {Pattern(600), Bytes("r"), Pattern(300)});
  Write(8, {Bytes("n"), {}, {}});
  std::size_t removed = 0;
  Change([&](BTree& tree) { removed = RemoveRecordMemos(tree, kTable, 7); });
  EXPECT_EQ(removed, 3u + 1u + 2u);
  EXPECT_TRUE(Chunks(7, 0).empty() && Chunks(7, 1).empty() &&
              Chunks(7, 2).empty());
  EXPECT_EQ(Chunks(8, 0), std::vector<ByteString>{Bytes("n")});
}

TEST_F(MemoStoreTest, ContentsThatDoNotFitChangeNothing) {
  Write(7, {Bytes("kept"), {}, {}});
  const ByteString huge(kMaxMemoChunks * kMemoChunkBytes + 1, 'x');
  Change([&](BTree& tree) {
    EXPECT_FALSE(WriteRecordMemos(tree, kTable, 7, description_,
                                  std::vector<ByteString>{{}, {}, huge},
                                  false));
    EXPECT_FALSE(WriteRecordMemos(tree, kTable, 7, description_,
                                  std::vector<ByteString>{{}}, false));
    // Memo 256 would wrap onto memo 0's chunks.
    TableDescription many = description_;
    many.memos.resize(kMaxDeclaredMemos + 1);
    EXPECT_FALSE(WriteRecordMemos(tree, kTable, 7, many,
                                  std::vector<ByteString>(many.memos.size()),
                                  false));
    EXPECT_FALSE(ReadRecordMemos(tree, kTable, 7, many, false));
  });
  EXPECT_EQ(Chunks(7, 0), std::vector<ByteString>{Bytes("kept")});
}

}  // namespace
}  // namespace vantrel
