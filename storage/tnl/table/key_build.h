// Rebuilding the entries of a table's keys from its data records.
//
// A rebuild goes in two stages:
//   reading  every data record of the table is read once; the entry of each
//            key being built (OPT omissions as in key maintenance) goes into
//            that key's external sorter. A unique key is then checked for two
//            records with one value.
//   writing  (only when reading went through) the character-tables record is
//            replaced when new tables were asked for; then per key the old
//            entries are removed, the sorted entries inserted in key order,
//            and its counters record set to the new count and the pending
//            number asked for (normally 0: nothing pending).
// Nothing in the file changes before the writing stage, so a cancel, a
// duplicate value in a unique key or a failing temporary file leaves every
// key as it was. The writing stage cannot be cancelled and always ends with
// complete keys: should a run be unreadable there, the key's entries are
// inserted straight from the data records instead.
//
// Everything runs inside one operation with the header loaded.
#ifndef VANTREL_STORAGE_TNL_TABLE_KEY_BUILD_H_
#define VANTREL_STORAGE_TNL_TABLE_KEY_BUILD_H_

#include <cstdint>
#include <functional>
#include <span>

#include "runtime/data/text/char_tables.h"
#include "storage/tnl/format/description_stream.h"
#include "storage/tnl/format/key_encoding.h"
#include "storage/tnl/table/btree.h"
#include "storage/tnl/table/external_sort.h"

namespace vantrel {

enum class BuildStage { kReading, kWriting };

struct BuildProgress {
  BuildStage stage = BuildStage::kReading;
  std::uint64_t done = 0;   // data records read, or entries written
  std::uint64_t total = 0;  // of as many (never below done)
  std::uint8_t key = 0;     // writing: the key whose entries are going in
};

// Returns false to cancel; honoured only while reading.
using BuildProgressCallback = std::function<bool(const BuildProgress&)>;

struct KeyBuildOptions {
  ExternalSortOptions sort;  // memory is shared out among the keys
  BuildProgressCallback progress;
  // Build with these tables and store them as the table's character tables
  // (its OEM flag kept): a full rebuild under the collation now in force.
  const CharTables* new_tables = nullptr;
  // When set, only records it accepts (number, stored image) get entries in
  // the keys being built: a key over a subset of the table.
  std::function<bool(std::uint32_t, std::span<const std::uint8_t>)> include;
  // The second word of each built key's counters record: the lowest record
  // number whose entry may be missing, 0 for a key that is complete and kept
  // up to date.
  std::uint32_t pending = 0;
};

// A pending number that leaves every record's entry open: a key built over
// part of the table, or one that changes to the table do not maintain.
inline constexpr std::uint32_t kEveryRecordPending = 1;

// Rebuilds keys `keys` (key numbers of `description`) of `table`. `rules`
// carry the table's character tables and OEM flag. Returns 0, 40
// (kErrDuplicateKey: a unique key would hold one value twice), 93
// (kErrBuildCancelled) or 300 + a system error of the temporary file.
int RebuildKeys(BTree& tree, std::uint32_t table,
                const TableDescription& description,
                std::span<const std::uint8_t> keys, const KeyStringRules& rules,
                const KeyBuildOptions& options);

// Takes out every entry of key `key` of `table`; returns how many.
std::uint64_t RemoveKeyEntries(BTree& tree, std::uint32_t table,
                               std::uint8_t key);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_KEY_BUILD_H_
