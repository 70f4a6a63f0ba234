// The memos and BLOBs of the current record between the program and the
// file: MEMOs through the declaration's buffers, BLOBs through blocks the
// open table owns.
#include <algorithm>
#include <cstring>

#include "runtime/data/base/error_state.h"
#include "storage/tnl/driver/tnl_driver.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/table/memo_store.h"

namespace vantrel {
namespace {

bool IsBlob(const DescribedMemo& memo) {
  return (memo.flags & kDescribedMemoBlob) != 0;
}

bool BlobYielded(const OpenTable& table, std::size_t m) {
  return m < table.blobs_yielded.size() && table.blobs_yielded[m];
}

// A block (and a yielded mark) for every memo of the table.
void EnsureBlobBlocks(OpenTable& table) {
  const std::size_t count = table.description.memos.size();
  table.blobs.resize(count);
  table.blobs_changed.resize(count, false);
  table.blobs_yielded.resize(count, false);
}

// Every BLOB block present again, and the program's.
void ResetBlobBlocks(OpenTable& table) {
  EnsureBlobBlocks(table);
  table.blobs_yielded.assign(table.blobs_yielded.size(), false);
}

// The 0-based index of the BLOB numbered `number` (from 1) among the
// table's memos; none when that memo is not a BLOB.
std::optional<std::size_t> BlobIndex(const OpenTable& table,
                                     std::int64_t number) {
  const auto& memos = table.description.memos;
  if (number < 1 || number > static_cast<std::int64_t>(memos.size())) {
    return std::nullopt;
  }
  const auto m = static_cast<std::size_t>(number - 1);
  if (!IsBlob(memos[m])) return std::nullopt;
  return m;
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

// Whether `block` is one of the table's own blocks (from TableBlob), which
// cannot be handed to or from the table itself.
bool OwnBlock(const OpenTable& table, const std::vector<std::uint8_t>* block) {
  return std::any_of(table.blobs.begin(), table.blobs.end(),
                     [block](const auto& own) { return &own == block; });
}

}  // namespace

std::optional<ProgramMemoContents> ProgramMemos(TnlInstance& instance) {
  OpenTable& table = *instance.table;
  const auto& described = table.description.memos;
  EnsureBlobBlocks(table);
  ProgramMemoContents contents(described.size());
  for (std::size_t m = 0; m < described.size(); ++m) {
    const MemoDeclaration* declared = DeclaredMemo(instance.declaration, m);
    if (IsBlob(described[m])) {
      if (BlobYielded(table, m)) continue;
      contents[m] = table.blobs[m];
    } else if (declared != nullptr && !declared->buffer.empty()) {
      const auto* bytes =
          reinterpret_cast<const std::uint8_t*>(declared->buffer.data());
      contents[m] = ByteString(bytes, bytes + declared->buffer.size());
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
  // A table without memos has nothing to read nor any BLOB block to reset.
  if (table.description.memos.empty()) return std::vector<ByteString>{};
  const auto sizes = DeclaredSizes(instance.declaration);
  auto read = ReadRecordMemos(tree, table.number, number, table.description,
                              table.oem, sizes);
  if (!read) return std::nullopt;
  ResetBlobBlocks(table);
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
  // The program may write through the block, and whoever fills it gives
  // the BLOB back for ADD and PUT.
  EnsureBlobBlocks(table);
  table.blobs_changed[memo] = true;
  table.blobs_yielded[memo] = false;
  return &table.blobs[memo];
}

bool BlobChanged(const FileDeclaration& file, std::size_t memo) {
  const auto* instance =
      dynamic_cast<const TnlInstance*>(file.control.instance.get());
  if (instance == nullptr || !instance->table) return false;
  const std::vector<bool>& changed = instance->table->blobs_changed;
  return memo < changed.size() && changed[memo];
}

DriverResult BlobTakeOp(TnlInstance& instance, DriverArgs& args) {
  OpenTable& table = *instance.table;
  const auto m = BlobIndex(table, args.pointer);
  if (!m || args.block == nullptr || OwnBlock(table, args.block)) {
    return {kErrInvalidParameterCount};
  }
  // Refused here, the block stays with the caller; taken, it could only
  // fail the next ADD or PUT.
  if (!BlobFits(args.block->size())) return {kErrRecordLimit};
  EnsureBlobBlocks(table);
  table.blobs[*m] = std::move(*args.block);
  table.blobs_changed[*m] = true;
  table.blobs_yielded[*m] = false;
  args.block->clear();
  return {};
}

DriverResult BlobYieldOp(TnlInstance& instance, DriverArgs& args) {
  OpenTable& table = *instance.table;
  const auto m = BlobIndex(table, args.pointer);
  if (!m || args.block == nullptr || OwnBlock(table, args.block)) {
    return {kErrInvalidParameterCount};
  }
  EnsureBlobBlocks(table);
  if (table.blobs_yielded[*m]) {
    args.block->clear();  // handed over already: nothing is left here
  } else {
    *args.block = std::move(table.blobs[*m]);
    table.blobs[*m].clear();
    table.blobs_yielded[*m] = true;
  }
  return {};
}

void ClearMemos(TnlInstance& instance) {
  for (MemoDeclaration& memo : instance.declaration.memos) {
    std::fill(memo.buffer.begin(), memo.buffer.end(), ' ');
  }
  if (!instance.table) return;
  OpenTable& table = *instance.table;
  ResetBlobBlocks(table);
  for (std::size_t m = 0; m < table.blobs.size(); ++m) {
    if (table.blobs[m].empty()) continue;
    table.blobs[m].clear();
    table.blobs_changed[m] = true;
  }
}

}  // namespace vantrel
