// The tables of a native file: creating one (its name, description blocks,
// character tables and counters records), finding them, their counters, and
// adding, changing and deleting a data record with its key entries.
//
// Everything runs inside an operation with the header loaded.
#ifndef VANTREL_STORAGE_TNL_TABLE_TABLE_CATALOG_H_
#define VANTREL_STORAGE_TNL_TABLE_TABLE_CATALOG_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/text/char_tables.h"
#include "storage/tnl/format/description_stream.h"
#include "storage/tnl/format/key_encoding.h"
#include "storage/tnl/format/record_kinds.h"
#include "storage/tnl/table/btree.h"

namespace vantrel {

struct TableEntry {
  std::string name;
  std::uint32_t number = 0;
};

// Key flags as the description keeps them.
inline constexpr std::uint8_t kDescribedDup = 0x01;
inline constexpr std::uint8_t kDescribedOpt = 0x02;
inline constexpr std::uint8_t kDescribedNoCase = 0x04;

// Creates table `name` and returns its number, drawn from the file's
// counter. All counters records start at zero.
std::uint32_t CreateTable(TnlFile& file, BTree& tree, std::string_view name,
                          const TableDescription& description, bool oem,
                          const CharTables& tables);

std::optional<std::uint32_t> FindTable(BTree& tree, std::string_view name);
// Every table-name record in order.
std::vector<TableEntry> ListTables(BTree& tree);

// The table's description stream from its consecutive blocks.
std::vector<std::uint8_t> ReadDescriptionStream(BTree& tree,
                                                std::uint32_t table);
// The table's character tables, or none when it has no such record.
std::optional<StoredCharTables> TableCharTables(BTree& tree,
                                                std::uint32_t table);

std::optional<Counters> ReadCountersOf(BTree& tree, std::uint32_t table,
                                       std::uint8_t counted);
void WriteCountersOf(BTree& tree, std::uint32_t table, std::uint8_t counted,
                     Counters counters);
// Reads, adjusts and writes back a counters record in one lookup (a
// missing or short one is written whole, from zero).
void AdjustCountersOf(BTree& tree, std::uint32_t table, std::uint8_t counted,
                      const std::function<void(Counters&)>& adjust);

// An INDEX key is built on request, not kept up to date: the second word of
// its counters record is the lowest record number whose entry is pending,
// 0 when none is.
std::uint32_t PendingNumber(BTree& tree, std::uint32_t table, std::uint8_t key);
// Lowers the key's pending number to `record_number` unless an equal or
// lower one is pending already. False (nothing written) when the key has no
// counters record.
bool LowerPendingNumber(BTree& tree, std::uint32_t table, std::uint8_t key,
                        std::uint32_t record_number);
// After a build of the key: nothing pending. False as above.
bool ClearPendingNumber(BTree& tree, std::uint32_t table, std::uint8_t key);

// The table's FLAGS value, the second word of its data counters record.
// Both make that record (count and flags 0) when it is missing, so they need
// writing mode then.
std::uint32_t ReadTableFlags(BTree& tree, std::uint32_t table);
void SetTableFlags(BTree& tree, std::uint32_t table, std::uint32_t flags);

// The key entry of key `key` for a record image; none for an OPT key whose
// components are all empty (such records have no entry): STRING and GROUP
// only spaces, CSTRING and PSTRING a first byte of 0, any other type only
// zero bytes.
std::optional<PageRecord> BuildKeyEntry(std::uint32_t table, std::uint8_t key,
                                        const TableDescription& description,
                                        std::span<const std::uint8_t> image,
                                        std::uint32_t record_number,
                                        const KeyStringRules& rules);

// Converts the characters of every STRING, CSTRING (up to its zero) and
// PSTRING (its counted characters) field of a record image between the
// platform's character set and the OEM code page.
void ConvertRecordStrings(const TableDescription& description,
                          std::span<std::uint8_t> image, bool to_oem);

struct TableKeys;  // key_maintenance.h

// The number of an added record, or the error that stopped the add.
struct AddedRecord {
  int error = 0;
  std::uint32_t number = 0;
};

// The data record operations below take the program's record image; with
// keys.rules.oem its strings are stored in the OEM code page. Each leaves
// the tree untouched when it fails.

// Adds a data record: issues its number, maintains the keys, inserts the
// data record and raises the data count. Errors: kErrAccessDenied when the
// table has no counters record, kErrDuplicateKey (the issued number is then
// lost).
AddedRecord AddDataRecord(TnlFile& file, BTree& tree, const TableKeys& keys,
                          std::span<const std::uint8_t> image);

// Changes data record `number` to `image`: the keys are maintained and the
// record is removed and inserted again under its number. Nothing happens
// when the stored record already equals the image. Errors:
// kErrRecordNotAvailable when the record is missing, kErrDuplicateKey.
int ReplaceDataRecord(BTree& tree, const TableKeys& keys, std::uint32_t number,
                      std::span<const std::uint8_t> image);

// Deletes data record `number` with its key entries and lowers the data
// count. Error: kErrRecordNotAvailable when the record is missing.
int RemoveDataRecord(BTree& tree, const TableKeys& keys, std::uint32_t number);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_TABLE_CATALOG_H_
