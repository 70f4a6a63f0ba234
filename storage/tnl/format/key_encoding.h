// Key values: each component field is rewritten so that a plain unsigned
// byte comparison of the concatenation gives the declared order.
//
//   STRING, GROUP   bytes as stored; NOCASE swaps upper-case letters for
//                   their case partner; then through the collating weights
//   CSTRING         characters up to the zero, zero-padded; then as STRING
//   PSTRING         the counted characters, zero-padded; then as STRING
//   USHORT ULONG    bytes reversed (big-endian)
//   DATE TIME
//   SHORT LONG      reversed, top bit of the first byte inverted
//   SREAL REAL      reversed; negative: every byte complemented, else the
//                   sign bit set
//   DECIMAL         sign nibble set: nibble cleared, every byte complemented;
//                   then the top bit of the first byte inverted
//   others          bytes as stored
// A descending component has every byte b replaced by 0xFF - b (after the
// complement above, so a negative descending number is not complemented).
#ifndef VANTREL_STORAGE_TNL_FORMAT_KEY_ENCODING_H_
#define VANTREL_STORAGE_TNL_FORMAT_KEY_ENCODING_H_

#include <cstdint>
#include <span>
#include <vector>

#include "runtime/data/text/char_tables.h"
#include "runtime/data/types/field_type.h"

namespace vantrel {

// One component of a key: where its field lies in the record.
struct KeyComponent {
  FieldType type = FieldType::BYTE;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
  bool descending = false;
};

// How strings are encoded: the file's own tables and OEM flag.
struct KeyStringRules {
  const CharTables* tables = nullptr;  // nullptr: the tables in force
  bool oem = false;                    // strings are kept in the OEM set
  bool nocase = false;                 // the key is NOCASE
};

// Appends the encoding of one field (exactly field.size() bytes).
void EncodeKeyField(FieldType type, std::span<const std::uint8_t> field,
                    bool descending, const KeyStringRules& rules,
                    std::vector<std::uint8_t>& out);

// The key value of a record: its components' encodings in order. A
// component reaching past the record is encoded as if padded with zeros.
std::vector<std::uint8_t> EncodeKeyValue(
    std::span<const KeyComponent> components,
    std::span<const std::uint8_t> record, const KeyStringRules& rules);
// The same appended to `out`.
void AppendKeyValue(std::span<const KeyComponent> components,
                    std::span<const std::uint8_t> record,
                    const KeyStringRules& rules,
                    std::vector<std::uint8_t>& out);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_KEY_ENCODING_H_
