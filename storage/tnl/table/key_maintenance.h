// Keeping a table's key entries in step with its data records when a record
// is added, changed or deleted, and asking whether a record would collide
// with another record's entry.
//
// Per key, in declaration order:
//   - a key built at run time lives in a file object of its own and is
//     skipped; its builder maintains it;
//   - the old and new entries are built (none for an OPT key whose
//     components are all empty); equal entries need nothing;
//   - an INDEX key is not kept up to date: the second word of its counters
//     record, the lowest record number whose entry is pending (0 = none), is
//     lowered to this record's number;
//   - otherwise the new entry is inserted (a key without DUP must not hold
//     an entry with the same key part: error 40), the old entry is removed
//     when it names this record, and the entry count in the first word of
//     the key's counters record follows.
// Every collision is found before the first key is touched, so a change that
// fails with 40 leaves all keys and counters as they were.
//
// Everything runs inside an operation with the header loaded.
#ifndef VANTREL_STORAGE_TNL_TABLE_KEY_MAINTENANCE_H_
#define VANTREL_STORAGE_TNL_TABLE_KEY_MAINTENANCE_H_

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "storage/tnl/table/table_catalog.h"

namespace vantrel {

// What only the program's declaration tells about a key: the stored
// description keeps neither.
struct KeyUse {
  bool index = false;          // declared INDEX: built on request
  bool runtime_built = false;  // built at run time in an object of its own
};

// The uses of a declaration's keys from their attribute flags, in order.
std::vector<KeyUse> KeyUsesOf(std::span<const std::uint16_t> key_flags);

// One table's keys as maintenance needs them.
struct TableKeys {
  std::uint32_t table = 0;
  const TableDescription* description = nullptr;
  // Per key; keys beyond its end (a table opened without a declaration) are
  // plain KEYs.
  std::span<const KeyUse> uses;
  // The file's character tables and OEM flag (nocase is set per key).
  KeyStringRules rules;
};

// A record image, or none.
using OptionalImage = std::optional<std::span<const std::uint8_t>>;

// Maintains every key for record `number` going from `old_image` to
// `new_image` (none: the record is being added, or deleted). Both images
// are as stored (strings already in the OEM set when the file keeps it).
// Returns 0, or kErrDuplicateKey with nothing changed; kErrInvalidRecord-
// Declaration when the description has more keys than a file can number.
int MaintainKeys(BTree& tree, const TableKeys& keys, OptionalImage new_image,
                 OptionalImage old_image, std::uint32_t number);

// Whether the program's record buffer `image` would collide in key `key`
// (CollidesInKey) or in any key (CollidesInAnyKey) with the entry of another
// record. DUP keys, omitted OPT entries and runtime-built keys never collide;
// an entry naming `current` (the current record) does not count.
bool CollidesInKey(BTree& tree, const TableKeys& keys, std::uint8_t key,
                   std::span<const std::uint8_t> image,
                   std::optional<std::uint32_t> current);
bool CollidesInAnyKey(BTree& tree, const TableKeys& keys,
                      std::span<const std::uint8_t> image,
                      std::optional<std::uint32_t> current);

// The stored form of a program's record image: its strings converted to the
// OEM set when the file keeps them so.
ByteString StoredImage(const TableKeys& keys,
                       std::span<const std::uint8_t> image);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_KEY_MAINTENANCE_H_
