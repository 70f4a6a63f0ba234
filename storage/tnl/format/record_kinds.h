// The kinds of record a native file holds, key part then data. T is the
// table number, R a record number (both 4 bytes big-endian).
//
//   table name     FE name                   data: T
//   description    T FA block(u16 LE)        data: up to 512 stream bytes
//   char tables    T FB 01                   data: OEM flag, 1,152 bytes
//   data record    T F3 R                    data: the record image
//   counters       T F6 kind                 data: u32 count, u32 flags (LE)
//   memo chunk     T FC R memo(1) seq(u16 BE) data: the chunk
//   key entry      T key(1) value [R if DUP] data: R
//   transaction    FF
//
// Character tables (1,152 bytes after the OEM flag):
//   0x000 256 collating weights     0x100 256 case partners (0 = none)
//   0x200 256 class masks           0x300 128 digraphs of 3 bytes each:
//   code, first, second (unused entries all zero)
#ifndef VANTREL_STORAGE_TNL_FORMAT_RECORD_KINDS_H_
#define VANTREL_STORAGE_TNL_FORMAT_RECORD_KINDS_H_

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "runtime/data/text/char_tables.h"
#include "storage/tnl/format/page_records.h"

namespace vantrel {

using ByteString = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kKindData = 0xF3;
inline constexpr std::uint8_t kKindCounters = 0xF6;
inline constexpr std::uint8_t kKindDescription = 0xFA;
inline constexpr std::uint8_t kKindCharTables = 0xFB;
inline constexpr std::uint8_t kKindMemo = 0xFC;
inline constexpr std::uint8_t kTableNameByte = 0xFE;
inline constexpr std::uint8_t kTransactionByte = 0xFF;
inline constexpr std::uint8_t kCharTablesIndex = 0x01;

inline constexpr std::size_t kTableNumberBytes = 4;
inline constexpr std::size_t kDataKeyLength = 9;
inline constexpr std::size_t kCountersKeyLength = 6;
inline constexpr std::size_t kCountersDataLength = 8;
inline constexpr std::size_t kDescriptionKeyLength = 7;
inline constexpr std::size_t kDescriptionBlockBytes = 512;
inline constexpr std::size_t kCharTablesKeyLength = 6;
inline constexpr std::size_t kCharTablesBytes = 0x480;
inline constexpr std::size_t kMemoKeyLength = 12;
inline constexpr std::size_t kKeyEntryPrefix = 5;

// Key parts.
ByteString TableNameKey(std::string_view name);
ByteString DescriptionKey(std::uint32_t table, std::uint16_t block);
ByteString CharTablesKey(std::uint32_t table);
ByteString DataKey(std::uint32_t table, std::uint32_t record_number);
// The same without a block of memory.
using DataKeyBytes = std::array<std::uint8_t, kDataKeyLength>;
DataKeyBytes DataKeyOf(std::uint32_t table, std::uint32_t record_number);
ByteString CountersKey(std::uint32_t table, std::uint8_t counted);
using CountersKeyBytes = std::array<std::uint8_t, kCountersKeyLength>;
CountersKeyBytes CountersKeyOf(std::uint32_t table, std::uint8_t counted);
ByteString MemoKey(std::uint32_t table, std::uint32_t record_number,
                   std::uint8_t memo, std::uint16_t sequence);
// A key entry's key part: the record number ends it in a DUP key.
ByteString KeyEntryKey(std::uint32_t table, std::uint8_t key,
                       std::span<const std::uint8_t> value,
                       std::uint32_t record_number, bool dup);
// The first four bytes of every record of a table.
ByteString TablePrefix(std::uint32_t table);

// A record from its key part and data.
PageRecord MakeRecord(std::span<const std::uint8_t> key,
                      std::span<const std::uint8_t> data);

PageRecord TableNameRecord(std::string_view name, std::uint32_t table);
PageRecord CountersRecord(std::uint32_t table, std::uint8_t counted,
                          std::uint32_t count, std::uint32_t flags);
PageRecord KeyEntryRecord(std::uint32_t table, std::uint8_t key,
                          std::span<const std::uint8_t> value,
                          std::uint32_t record_number, bool dup);
PageRecord CharTablesRecord(std::uint32_t table, bool oem,
                            const CharTables& tables);

// The data of a record (the bytes after its key part).
std::span<const std::uint8_t> RecordData(const RecordRef& record);

struct Counters {
  std::uint32_t count = 0;
  std::uint32_t flags = 0;
};
// The words of a counters record; none when its data is short.
std::optional<Counters> ReadCounters(const RecordRef& record);

struct StoredCharTables {
  bool oem = false;
  CharTables tables;
};
// The character tables of a record; none when its data is short.
std::optional<StoredCharTables> ReadCharTables(const RecordRef& record);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_RECORD_KINDS_H_
