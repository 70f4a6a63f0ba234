// The memos and BLOBs of data records, stored as chunk records:
//
//   key   T FC R memo(u8, from 0) seq(u16 BE, from 0)     (kMemoKeyLength)
//   data  MEMO:  up to 256 bytes of the contents; the contents lose their
//                trailing spaces first and the last chunk is the shorter one
//         BLOB:  seq 0: length (u32 LE), then up to 256 bytes of contents;
//                later chunks 256 bytes each, the last one the rest
//
// An empty memo or BLOB has no chunks. A text memo of a file that keeps its
// strings in the OEM code page is converted chunk by chunk on the way in
// and out; BINARY memos and BLOBs are stored as they are.
//
// The memo number is the memo's position in the table's description.
// Everything runs inside an operation with the header loaded; the writing
// functions need writing mode.
#ifndef VANTREL_STORAGE_TNL_TABLE_MEMO_STORE_H_
#define VANTREL_STORAGE_TNL_TABLE_MEMO_STORE_H_

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "storage/tnl/format/description_stream.h"
#include "storage/tnl/format/record_kinds.h"
#include "storage/tnl/table/btree.h"

namespace vantrel {

inline constexpr std::size_t kMemoChunkBytes = 256;
inline constexpr std::size_t kBlobLengthBytes = 4;
// The chunk sequence is a u16, so a memo holds at most this many chunks.
inline constexpr std::size_t kMaxMemoChunks = 0x10000;
inline constexpr std::uint16_t kDescribedMemoBinary = 0x02;

// The parts of a chunk record's key; none when the key is not one.
struct MemoChunkKey {
  std::uint32_t table = 0;
  std::uint32_t record = 0;
  std::uint8_t memo = 0;
  std::uint16_t sequence = 0;
};
std::optional<MemoChunkKey> ParseMemoKey(std::span<const std::uint8_t> key);

// How one memo's contents become chunks.
struct MemoForm {
  bool blob = false;
  bool oem = false;  // text converted to and from the OEM code page
};
// The form of memo `memo` of a table; `oem` is the file's OEM flag.
MemoForm FormOf(const DescribedMemo& memo, bool oem);

// Whether a BLOB of `length` bytes fits in one record's chunks.
bool BlobFits(std::size_t length);

// The chunks that store `contents`; none when they need more than
// kMaxMemoChunks chunks.
std::optional<std::vector<ByteString>> MemoChunks(
    std::span<const std::uint8_t> contents, MemoForm form);
// The contents that `chunks` store. A MEMO comes back `declared_size` bytes
// long, filled with spaces (longer contents are cut there); a BLOB its
// stored length. None for a BLOB whose chunks disagree with its length.
std::optional<ByteString> MemoContents(const std::vector<ByteString>& chunks,
                                       MemoForm form,
                                       std::size_t declared_size);

// Whether `chunks` are as the writer leaves them: every chunk but the last
// holds exactly 256 bytes of contents, the last 1 to 256, and a BLOB's first
// chunk begins with the length that its chunks hold.
bool ChunksConsistent(const std::vector<ByteString>& chunks, MemoForm form);

// The chunks stored for one memo of a record: sequence 0, 1, ... up to the
// first one missing.
std::vector<ByteString> LoadMemoChunks(BTree& tree, std::uint32_t table,
                                       std::uint32_t record, std::uint8_t memo);
// Makes the stored chunks of one memo equal to `chunks`: a chunk whose
// stored data already equals the new one stays, a changed or missing one is
// (re)written, and every stored chunk beyond the new ones is removed.
// Returns the number of chunks written.
std::size_t StoreMemoChunks(BTree& tree, std::uint32_t table,
                            std::uint32_t record, std::uint8_t memo,
                            const std::vector<ByteString>& chunks);

// One memo's contents, read or written through the two steps above. Writing
// returns the chunks written, or none (nothing changed) when the contents
// do not fit; reading returns none for a damaged BLOB.
std::optional<std::size_t> WriteMemo(BTree& tree, std::uint32_t table,
                                     std::uint32_t record, std::uint8_t memo,
                                     std::span<const std::uint8_t> contents,
                                     MemoForm form);
std::optional<ByteString> ReadMemo(BTree& tree, std::uint32_t table,
                                   std::uint32_t record, std::uint8_t memo,
                                   MemoForm form, std::size_t declared_size);

// Every memo of a record, in the order of the description. Writing checks
// that all contents fit before it changes anything; it returns the chunks
// written over all memos, or none when one does not fit (or the number of
// contents differs from the description's memos). Reading returns none when
// a stored BLOB is damaged. A MEMO is read to `declared_sizes[m]` bytes when
// the program's sizes are given (the description keeps only the low 16 bits
// of each size), else to the described size.
std::optional<std::size_t> WriteRecordMemos(
    BTree& tree, std::uint32_t table, std::uint32_t record,
    const TableDescription& description, std::span<const ByteString> contents,
    bool oem);
std::optional<std::vector<ByteString>> ReadRecordMemos(
    BTree& tree, std::uint32_t table, std::uint32_t record,
    const TableDescription& description, bool oem,
    std::span<const std::size_t> declared_sizes = {});
// Whether reading the record's memos now would give exactly `contents`
// (the copies kept when the record was fetched).
bool StoredMemosEqual(BTree& tree, std::uint32_t table, std::uint32_t record,
                      const TableDescription& description,
                      std::span<const ByteString> contents, bool oem,
                      std::span<const std::size_t> declared_sizes = {});
// Removes every chunk of every memo of a record; returns how many.
std::size_t RemoveRecordMemos(BTree& tree, std::uint32_t table,
                              std::uint32_t record);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_MEMO_STORE_H_
