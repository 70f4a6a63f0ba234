// Variables bound to controls: a field of a record buffer or a program
// variable, seen as its bytes with a field type and size. Controls read and
// write them in the value form pictures use (runtime/data/picture/picture.h):
// numbers as plain decimal text, dates as StandardDate and times as
// StandardTime in decimal, text as its characters.
#ifndef VANTREL_RUNTIME_WINDOW_VARIABLE_H_
#define VANTREL_RUNTIME_WINDOW_VARIABLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/data/types/field_type.h"
#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

struct Variable {
  FieldType type = FieldType::END;  // END: no variable bound
  std::uint8_t* data = nullptr;     // the variable's bytes
  std::uint32_t size = 0;           // bytes (text types: declared length)
  std::uint8_t places = 0;          // DECIMAL and PDECIMAL

  bool bound() const { return type != FieldType::END && data != nullptr; }

  static Variable Of(std::int32_t& value);  // LONG
  static Variable Of(std::int16_t& value);  // SHORT
  static Variable Of(std::uint8_t& value);  // BYTE
  static Variable Of(double& value);        // REAL
  template <std::size_t N>
  static Variable Of(char (&text)[N]) {  // STRING of N characters
    return {FieldType::STRING, reinterpret_cast<std::uint8_t*>(text), N, 0};
  }
  // The field of a record buffer that `field` describes.
  static Variable OfField(std::uint8_t* record, const FieldInfo& field);
};

// The variable's value in the value form; text types clipped of trailing
// blanks. Types without a value form give no text.
std::string VariableValue(const Variable& variable);

// Stores a value given in the value form. False, and the variable unchanged,
// when the text is not a value of the variable's type or out of its range.
// Text longer than a text variable is cut to its length.
bool StoreVariableValue(const Variable& variable, std::string_view value);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_VARIABLE_H_
