// Values of single fields in a record, as the managers set and compare key
// components and linking fields.
#ifndef VANTREL_FRAMEWORK_FILE_MANAGER_FIELDS_H_
#define VANTREL_FRAMEWORK_FILE_MANAGER_FIELDS_H_

#include <cstdint>
#include <optional>
#include <span>

#include "runtime/data/driver/file_declaration.h"
#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

// A field of a file's record: its description, when it lies within the
// record buffer.
std::optional<FieldInfo> RecordField(const FileDeclaration& file, int number);

// The bytes of a field within a record image.
std::span<std::uint8_t> FieldBytes(std::span<char> record,
                                   const FieldInfo& field);

// Clears a field: blanks for STRING, empty CSTRING and PSTRING, zero for
// the rest.
void ClearFieldValue(const FieldInfo& field, std::uint8_t* value);
// Sets a field to the highest value its type can hold.
void SetHighestValue(const FieldInfo& field, std::uint8_t* value);

// Stores `highest` + 1 (or 1 when there is no `highest`) into a numeric
// field; false for a type that cannot be numbered or a value at its top.
bool StoreNextNumber(const FieldInfo& field, const std::uint8_t* highest,
                     std::uint8_t* value);

// Whether two fields hold the same value (compared as keys compare).
bool SameFieldValue(const FieldInfo& a, const std::uint8_t* a_value,
                    const FieldInfo& b, const std::uint8_t* b_value);

// Copies a field's value into a field of another record: byte for byte
// when both have the same storage, else through the value's text or number.
void CopyFieldValue(const FieldInfo& from, const std::uint8_t* from_value,
                    const FieldInfo& to, std::uint8_t* to_value);

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_FILE_MANAGER_FIELDS_H_
