// The memos and BLOBs of the current record between the program and the
// file: MEMOs through the declaration's buffers, BLOBs through blocks the
// open table owns.
#include <cstring>

#include "storage/tnl/memo_store.h"
#include "storage/tnl/tnl_driver.h"
#include "storage/tnl/tnl_driver_internal.h"

namespace vantrel {
namespace {

bool IsBlob(const DescribedMemo& memo) {
  return (memo.flags & kDescribedMemoBlob) != 0;
}

std::vector<std::size_t> DeclaredSizes(const FileDeclaration& file) {
  std::vector<std::size_t> sizes;
  for (const MemoDeclaration& memo : file.memos) sizes.push_back(memo.size);
  return sizes;
}

// The declaration's memo `m`, when the declaration has that many.
const MemoDeclaration* DeclaredMemo(const FileDeclaration& file,
                                    std::size_t m) {
  return m < file.memos.size() ? &file.memos[m] : nullptr;
}

}  // namespace

std::optional<ProgramMemoContents> ProgramMemos(TnlInstance& instance) {
  OpenTable& table = *instance.table;
  const auto& described = table.description.memos;
  table.blobs.resize(described.size());
  ProgramMemoContents contents(described.size());
  for (std::size_t m = 0; m < described.size(); ++m) {
    const MemoDeclaration* declared = DeclaredMemo(instance.declaration, m);
    if (IsBlob(described[m])) {
      contents[m] = table.blobs[m];
    } else if (declared != nullptr && !declared->buffer.empty()) {
      contents[m] =
          ByteString(declared->buffer.begin(), declared->buffer.end());
    } else {
      continue;
    }
    if (!MemoChunks(*contents[m], FormOf(described[m], table.oem))) {
      return std::nullopt;
    }
  }
  return contents;
}

void WriteProgramMemos(const OpenTable& table, BTree& tree,
                       std::uint32_t number,
                       const ProgramMemoContents& contents) {
  for (std::size_t m = 0; m < contents.size(); ++m) {
    if (!contents[m]) continue;
    WriteMemo(tree, table.number, number, static_cast<std::uint8_t>(m),
              *contents[m], FormOf(table.description.memos[m], table.oem));
  }
}

std::optional<std::vector<ByteString>> ReadMemosIntoBuffers(
    TnlInstance& instance, BTree& tree, std::uint32_t number) {
  OpenTable& table = *instance.table;
  const auto sizes = DeclaredSizes(instance.declaration);
  auto read = ReadRecordMemos(tree, table.number, number, table.description,
                              table.oem, sizes);
  if (!read) return std::nullopt;
  table.blobs.resize(read->size());
  for (std::size_t m = 0; m < read->size(); ++m) {
    const ByteString& contents = (*read)[m];
    if (IsBlob(table.description.memos[m])) {
      table.blobs[m] = contents;
      continue;
    }
    const MemoDeclaration* declared = DeclaredMemo(instance.declaration, m);
    if (declared == nullptr || declared->buffer.empty()) continue;
    std::span<char> buffer = declared->buffer;
    const std::size_t n = std::min(buffer.size(), contents.size());
    std::memcpy(buffer.data(), contents.data(), n);
    std::memset(buffer.data() + n, ' ', buffer.size() - n);
  }
  return read;
}

std::vector<std::uint8_t>* TableBlob(FileDeclaration& file, std::size_t memo) {
  auto* instance = dynamic_cast<TnlInstance*>(file.control.instance.get());
  if (instance == nullptr || !instance->table) return nullptr;
  OpenTable& table = *instance->table;
  if (memo >= table.description.memos.size() ||
      !IsBlob(table.description.memos[memo])) {
    return nullptr;
  }
  table.blobs.resize(table.description.memos.size());
  table.blobs_changed.resize(table.blobs.size());
  // The program may write through the block.
  table.blobs_changed[memo] = true;
  return &table.blobs[memo];
}

bool BlobChanged(const FileDeclaration& file, std::size_t memo) {
  const auto* instance =
      dynamic_cast<const TnlInstance*>(file.control.instance.get());
  if (instance == nullptr || !instance->table) return false;
  const std::vector<bool>& changed = instance->table->blobs_changed;
  return memo < changed.size() && changed[memo];
}

}  // namespace vantrel
