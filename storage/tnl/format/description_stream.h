// A table's description: one byte stream stored in 512-byte blocks. Every
// integer is a u16, low byte first; a text is its characters and a zero
// byte, the empty text 00 00, an absent text 00 01.
//
//   version (2 with a BLOB, else 1), record length,
//   field count, memo count, key count
//   per field:  type (u8), offset, label, element count, size of all
//               elements, enclosing group (0 at the top), position;
//               DECIMAL: places (u8), element size (u8); PDECIMAL: 00 00;
//               STRING CSTRING PSTRING: string length, picture
//   per memo:   external name, label, size, flags (0x02 BINARY, 0x04 BLOB)
//   per key:    external name, label, flags (u8: 0x01 DUP, 0x02 OPT,
//               0x04 NOCASE, 0x10 PRIMARY), component count,
//               per component: field number (from 0), flags (non-zero:
//               descending)
#ifndef VANTREL_STORAGE_TNL_FORMAT_DESCRIPTION_STREAM_H_
#define VANTREL_STORAGE_TNL_FORMAT_DESCRIPTION_STREAM_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/data/types/field_type.h"

namespace vantrel {

class FileDeclaration;

using OptionalText = std::optional<std::string>;

struct DescribedField {
  FieldType type = FieldType::BYTE;
  std::uint16_t offset = 0;
  OptionalText label;
  std::uint16_t element_count = 1;
  std::uint16_t size = 0;  // of all elements
  std::uint16_t group = 0;
  std::uint16_t position = 0;
  std::uint8_t places = 0;        // DECIMAL
  std::uint8_t element_size = 0;  // DECIMAL
  std::uint16_t string_length = 0;
  OptionalText picture;
  bool operator==(const DescribedField&) const = default;
};

struct DescribedMemo {
  OptionalText external_name;
  OptionalText label;
  std::uint16_t size = 0;
  std::uint16_t flags = 0;
  bool operator==(const DescribedMemo&) const = default;
};

struct DescribedComponent {
  std::uint16_t field = 0;
  std::uint16_t flags = 0;
  bool operator==(const DescribedComponent&) const = default;
};

struct DescribedKey {
  OptionalText external_name;
  OptionalText label;
  std::uint8_t flags = 0;
  std::vector<DescribedComponent> components;
  bool operator==(const DescribedKey&) const = default;
};

struct TableDescription {
  std::uint16_t version = 1;
  std::uint16_t record_length = 0;
  std::vector<DescribedField> fields;
  std::vector<DescribedMemo> memos;
  std::vector<DescribedKey> keys;
  bool operator==(const TableDescription&) const = default;
};

inline constexpr std::uint16_t kDescriptionVersion = 1;
inline constexpr std::uint16_t kDescriptionVersionBlob = 2;
inline constexpr std::uint8_t kDescribedPrimary = 0x10;
inline constexpr std::uint16_t kDescribedMemoBlob = 0x04;

// Write mode: the stream of a description.
std::vector<std::uint8_t> WriteDescription(const TableDescription& table);
// The stream cut into blocks of 512 bytes, the last holding the rest.
std::vector<std::vector<std::uint8_t>> DescriptionBlocks(
    std::span<const std::uint8_t> stream);

// Read mode: the description a stream holds; none when it is malformed or
// describes what no declaration can (DescriptionFault), with the reason in
// `*fault` when given.
std::optional<TableDescription> ReadDescription(
    std::span<const std::uint8_t> stream, std::string* fault = nullptr);

// What makes a description one that no valid declaration describes, or
// empty when it is sound: a version that does not match its memos; more
// record bytes, memos or keys than a table may have; a field that names no
// open group or nests too deep, of an unknown type, without elements,
// with no bytes (a GROUP aside), whose size disagrees with its type, or that
// ends past the record or outside its group; a key component naming no
// field. Opening, dumping and checking a table refuse such a description,
// since its sizes and counts would drive every walk over the record.
std::string DescriptionFault(const TableDescription& table);

// The types a record may hold outside a GROUP: BYTE to DECIMAL, the text
// types and GROUP.
bool IsTopLevelFieldType(FieldType type);

// Compare mode: how a program's description differs from a stored one.
enum class DescriptionMatch { kEqual = 0, kSoft = 1, kStructural = 2 };
DescriptionMatch CompareDescription(const TableDescription& declared,
                                    std::span<const std::uint8_t> stream);

inline constexpr std::size_t kMaxDeclaredRecord = 15000;
// Memo numbers are one byte; key numbers stay below the data-record kind
// byte (0xF3) so that a table's key entries sort before its data records.
inline constexpr std::size_t kMaxDeclaredMemos = 0x100;
inline constexpr std::size_t kMaxDeclaredKeys = 0xF3;
inline constexpr std::uint32_t kMaxGroupNesting = 100;

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_DESCRIPTION_STREAM_H_
