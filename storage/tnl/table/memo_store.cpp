#include "storage/tnl/table/memo_store.h"

#include <algorithm>
#include <functional>

#include "runtime/data/base/byte_order.h"
#include "runtime/data/text/charset.h"

namespace vantrel {

namespace {

constexpr std::uint8_t kBlank = ' ';
// Key bytes shared by the chunks of one record (T FC R) and of one memo.
constexpr std::size_t kRecordMemosPrefix = kMemoKeyLength - 3;
constexpr std::size_t kOneMemoPrefix = kMemoKeyLength - 2;
constexpr std::size_t kRecordAt = kTableNumberBytes + 1;
constexpr std::size_t kMemoNumberAt = kRecordMemosPrefix;
constexpr std::size_t kSequenceAt = kOneMemoPrefix;

void ConvertChunk(ByteString& chunk, bool to_oem) {
  for (auto& c : chunk) c = to_oem ? WindowsToOem(c) : OemToWindows(c);
}

// Calls `visit` with every chunk record whose key starts with the first
// `prefix_length` bytes of `from`, beginning at `from`; stops early when
// `visit` returns false.
void ForEachChunk(BTree& tree, const ByteString& from,
                  std::size_t prefix_length,
                  const std::function<bool(const PageRecord&)>& visit) {
  const auto prefix = std::span(from).first(prefix_length);
  auto record = tree.FindFirstAtOrAbove(from);
  while (record && record->key_length == kMemoKeyLength &&
         std::equal(prefix.begin(), prefix.end(), record->bytes.begin())) {
    if (!visit(*record)) return;
    const ByteString key(record->Key().begin(), record->Key().end());
    record = tree.FindFirstGreater(key);
  }
}

// Removes the chunk records from `from` on that share its prefix.
std::size_t RemoveChunksFrom(BTree& tree, const ByteString& from,
                             std::size_t prefix_length) {
  std::vector<ByteString> keys;
  ForEachChunk(tree, from, prefix_length, [&](const PageRecord& r) {
    keys.emplace_back(r.Key().begin(), r.Key().end());
    return true;
  });
  for (const ByteString& key : keys) tree.Remove(key);
  return keys.size();
}

}  // namespace

std::optional<MemoChunkKey> ParseMemoKey(std::span<const std::uint8_t> key) {
  if (key.size() != kMemoKeyLength || key[kTableNumberBytes] != kKindMemo) {
    return std::nullopt;
  }
  return MemoChunkKey{ReadBe32(key), ReadBe32(key.subspan(kRecordAt)),
                      key[kMemoNumberAt], LoadBe16(&key[kSequenceAt])};
}

MemoForm FormOf(const DescribedMemo& memo, bool oem) {
  const bool blob = (memo.flags & kDescribedMemoBlob) != 0;
  const bool binary = (memo.flags & kDescribedMemoBinary) != 0;
  return {blob, oem && !blob && !binary};
}

bool BlobFits(std::size_t length) {
  // The first chunk holds the length and up to 256 bytes; each later one
  // 256 bytes.
  const std::size_t first = std::min(length, kMemoChunkBytes);
  const std::size_t count =
      1 + (length - first + kMemoChunkBytes - 1) / kMemoChunkBytes;
  return count <= kMaxMemoChunks && length <= UINT32_MAX;
}

// A MEMO drops its trailing spaces before it is cut, so a short text in a
// large MEMO stores only its text; a BLOB keeps every byte and puts its
// length in front. Every chunk but the last is full and none is empty:
// ChunksConsistent, and so the integrity check, hold files to that.
std::optional<std::vector<ByteString>> MemoChunks(
    std::span<const std::uint8_t> contents, MemoForm form) {
  std::vector<ByteString> chunks;
  if (form.blob) {
    if (contents.empty()) return chunks;
    if (!BlobFits(contents.size())) return std::nullopt;
    const std::size_t first = std::min(contents.size(), kMemoChunkBytes);
    ByteString head(kBlobLengthBytes);
    StoreLe32(head.data(), static_cast<std::uint32_t>(contents.size()));
    head.insert(head.end(), contents.begin(), contents.begin() + first);
    chunks.push_back(std::move(head));
    contents = contents.subspan(first);
  } else {
    const auto end = std::find_if(contents.rbegin(), contents.rend(),
                                  [](std::uint8_t c) { return c != kBlank; });
    contents = contents.first(contents.size() - (end - contents.rbegin()));
    if ((contents.size() + kMemoChunkBytes - 1) / kMemoChunkBytes >
        kMaxMemoChunks) {
      return std::nullopt;
    }
  }
  while (!contents.empty()) {
    const std::size_t take = std::min(contents.size(), kMemoChunkBytes);
    chunks.emplace_back(contents.begin(), contents.begin() + take);
    if (form.oem) ConvertChunk(chunks.back(), true);
    contents = contents.subspan(take);
  }
  return chunks;
}

std::optional<ByteString> MemoContents(const std::vector<ByteString>& chunks,
                                       MemoForm form,
                                       std::size_t declared_size) {
  ByteString contents;
  if (!form.blob) {
    for (ByteString chunk : chunks) {
      if (form.oem) ConvertChunk(chunk, false);
      contents.insert(contents.end(), chunk.begin(), chunk.end());
      if (contents.size() >= declared_size) break;
    }
    contents.resize(declared_size, kBlank);
    return contents;
  }
  if (!ChunksConsistent(chunks, form)) return std::nullopt;
  if (chunks.empty()) return contents;
  const std::uint32_t length = LoadLe32(chunks[0].data());
  contents.reserve(length);
  contents.insert(contents.end(), chunks[0].begin() + kBlobLengthBytes,
                  chunks[0].end());
  for (std::size_t i = 1; i < chunks.size(); ++i) {
    contents.insert(contents.end(), chunks[i].begin(), chunks[i].end());
  }
  return contents;
}

bool ChunksConsistent(const std::vector<ByteString>& chunks, MemoForm form) {
  if (chunks.empty()) return true;
  const std::size_t head = form.blob ? kBlobLengthBytes : 0;
  if (chunks[0].size() < head) return false;
  std::size_t held = 0;
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    const std::size_t size = chunks[i].size() - (i == 0 ? head : 0);
    const bool last = i + 1 == chunks.size();
    if (size == 0 || size > kMemoChunkBytes ||
        (!last && size != kMemoChunkBytes)) {
      return false;
    }
    held += size;
  }
  return !form.blob || held == LoadLe32(chunks[0].data());
}

std::vector<ByteString> LoadMemoChunks(BTree& tree, std::uint32_t table,
                                       std::uint32_t record,
                                       std::uint8_t memo) {
  std::vector<ByteString> chunks;
  ForEachChunk(tree, MemoKey(table, record, memo, 0), kOneMemoPrefix,
               [&](const PageRecord& r) {
                 if (ParseMemoKey(r.Key())->sequence != chunks.size())
                   return false;
                 const auto data = RecordData(r);
                 chunks.emplace_back(data.begin(), data.end());
                 return true;
               });
  return chunks;
}

std::size_t StoreMemoChunks(BTree& tree, std::uint32_t table,
                            std::uint32_t record, std::uint8_t memo,
                            const std::vector<ByteString>& chunks) {
  std::size_t written = 0;
  for (std::size_t i = 0; i < chunks.size(); ++i) {
    const ByteString key =
        MemoKey(table, record, memo, static_cast<std::uint16_t>(i));
    const auto stored = tree.Find(key);
    if (stored) {
      const auto data = RecordData(*stored);
      if (std::equal(data.begin(), data.end(), chunks[i].begin(),
                     chunks[i].end())) {
        continue;
      }
      tree.Remove(key);
    }
    tree.Insert(MakeRecord(key, chunks[i]));
    ++written;
  }
  // Chunks beyond the new last one, gaps in the sequence included.
  if (chunks.size() < kMaxMemoChunks) {
    RemoveChunksFrom(
        tree,
        MemoKey(table, record, memo, static_cast<std::uint16_t>(chunks.size())),
        kOneMemoPrefix);
  }
  return written;
}

std::optional<std::size_t> WriteMemo(BTree& tree, std::uint32_t table,
                                     std::uint32_t record, std::uint8_t memo,
                                     std::span<const std::uint8_t> contents,
                                     MemoForm form) {
  const auto chunks = MemoChunks(contents, form);
  if (!chunks) return std::nullopt;
  return StoreMemoChunks(tree, table, record, memo, *chunks);
}

std::optional<ByteString> ReadMemo(BTree& tree, std::uint32_t table,
                                   std::uint32_t record, std::uint8_t memo,
                                   MemoForm form, std::size_t declared_size) {
  return MemoContents(LoadMemoChunks(tree, table, record, memo), form,
                      declared_size);
}

std::optional<std::size_t> WriteRecordMemos(
    BTree& tree, std::uint32_t table, std::uint32_t record,
    const TableDescription& description, std::span<const ByteString> contents,
    bool oem) {
  const auto& memos = description.memos;
  if (contents.size() != memos.size() || memos.size() > kMaxDeclaredMemos) {
    return std::nullopt;
  }
  std::vector<std::vector<ByteString>> all;
  for (std::size_t m = 0; m < memos.size(); ++m) {
    auto chunks = MemoChunks(contents[m], FormOf(memos[m], oem));
    if (!chunks) return std::nullopt;
    all.push_back(std::move(*chunks));
  }
  std::size_t written = 0;
  for (std::size_t m = 0; m < all.size(); ++m) {
    written += StoreMemoChunks(tree, table, record,
                               static_cast<std::uint8_t>(m), all[m]);
  }
  return written;
}

std::optional<std::vector<ByteString>> ReadRecordMemos(
    BTree& tree, std::uint32_t table, std::uint32_t record,
    const TableDescription& description, bool oem,
    std::span<const std::size_t> declared_sizes) {
  if (description.memos.size() > kMaxDeclaredMemos) return std::nullopt;
  std::vector<ByteString> out;
  for (std::size_t m = 0; m < description.memos.size(); ++m) {
    const DescribedMemo& memo = description.memos[m];
    // The description keeps a MEMO's size to 16 bits only, so the program's
    // declared size wins when there is one.
    const std::size_t size =
        m < declared_sizes.size() ? declared_sizes[m] : memo.size;
    auto contents = ReadMemo(tree, table, record, static_cast<std::uint8_t>(m),
                             FormOf(memo, oem), size);
    if (!contents) return std::nullopt;
    out.push_back(std::move(*contents));
  }
  return out;
}

bool StoredMemosEqual(BTree& tree, std::uint32_t table, std::uint32_t record,
                      const TableDescription& description,
                      std::span<const ByteString> contents, bool oem,
                      std::span<const std::size_t> declared_sizes) {
  const auto stored =
      ReadRecordMemos(tree, table, record, description, oem, declared_sizes);
  return stored && std::equal(stored->begin(), stored->end(), contents.begin(),
                              contents.end());
}

std::size_t RemoveRecordMemos(BTree& tree, std::uint32_t table,
                              std::uint32_t record) {
  return RemoveChunksFrom(tree, MemoKey(table, record, 0, 0),
                          kRecordMemosPrefix);
}

}  // namespace vantrel
