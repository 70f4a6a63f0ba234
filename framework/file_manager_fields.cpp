#include "framework/file_manager_fields.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "runtime/data/types/decimal.h"
#include "runtime/data/types/field_compare.h"
#include "runtime/data/types/field_number.h"
#include "runtime/data/types/field_text.h"

namespace vantrel {
namespace {

constexpr std::uint8_t kBlank = ' ';
constexpr std::uint8_t kHighestByte = 0xFF;

template <typename T>
void StoreAs(T value, std::uint8_t* out) {
  std::memcpy(out, &value, sizeof value);
}

template <typename T>
void StoreHighest(std::uint8_t* out) {
  StoreAs(std::numeric_limits<T>::max(), out);
}

bool IsWholeType(FieldType type) {
  switch (type) {
    case FieldType::BYTE:
    case FieldType::SHORT:
    case FieldType::USHORT:
    case FieldType::LONG:
    case FieldType::ULONG:
      return true;
    default:
      return false;
  }
}

// Stores a whole number into a whole-number field; false when it does not
// fit.
bool StoreWhole(FieldType type, std::int64_t value, std::uint8_t* out) {
  const auto fits = [value](auto sample) {
    using T = decltype(sample);
    return value >= std::numeric_limits<T>::lowest() &&
           value <= std::numeric_limits<T>::max();
  };
  switch (type) {
    case FieldType::BYTE:
      if (!fits(std::uint8_t{})) return false;
      StoreAs(static_cast<std::uint8_t>(value), out);
      return true;
    case FieldType::SHORT:
      if (!fits(std::int16_t{})) return false;
      StoreAs(static_cast<std::int16_t>(value), out);
      return true;
    case FieldType::USHORT:
      if (!fits(std::uint16_t{})) return false;
      StoreAs(static_cast<std::uint16_t>(value), out);
      return true;
    case FieldType::LONG:
      if (!fits(std::int32_t{})) return false;
      StoreAs(static_cast<std::int32_t>(value), out);
      return true;
    case FieldType::ULONG:
      if (!fits(std::uint32_t{})) return false;
      StoreAs(static_cast<std::uint32_t>(value), out);
      return true;
    default:
      return false;
  }
}

bool StoreReal(FieldType type, double value, std::uint8_t* out) {
  if (type == FieldType::SREAL) {
    StoreAs(static_cast<float>(value), out);
    return true;
  }
  if (type == FieldType::REAL) {
    StoreAs(value, out);
    return true;
  }
  return false;
}

DecimalField ShapeOf(const FieldInfo& field) {
  return DecimalField{field.type, field.size, field.places};
}

// A field's value as text, for fields that are compared or copied across
// types: text types as their characters without trailing blanks, numbers
// in decimal.
std::string ValueText(const FieldInfo& field, const std::uint8_t* value) {
  if (IsTextType(field.type)) {
    std::string text(FieldText(field.type, value, field.size));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }
  if (IsDecimalType(field.type)) return DecimalToText(ShapeOf(field), value);
  if (const auto whole = LoadWholeNumber(field.type, value)) {
    return std::to_string(*whole);
  }
  if (const auto real = LoadRealNumber(field.type, value)) {
    return std::to_string(*real);
  }
  return std::string(reinterpret_cast<const char*>(value), field.size);
}

void StoreText(const FieldInfo& field, std::string_view text,
               std::uint8_t* out) {
  ClearFieldValue(field, out);
  switch (field.type) {
    case FieldType::STRING:
      std::memcpy(out, text.data(),
                  std::min<std::size_t>(text.size(), field.size));
      return;
    case FieldType::CSTRING:
      if (field.size > 0) {
        std::memcpy(out, text.data(),
                    std::min<std::size_t>(text.size(), field.size - 1));
      }
      return;
    case FieldType::PSTRING: {
      if (field.size == 0) return;
      const std::size_t length = std::min<std::size_t>(
          {text.size(), field.size - 1, std::size_t{255}});
      out[0] = static_cast<std::uint8_t>(length);
      std::memcpy(out + 1, text.data(), length);
      return;
    }
    default:
      if (IsDecimalType(field.type)) {
        DecimalFromText(text, ShapeOf(field), out);
      } else if (IsWholeType(field.type)) {
        StoreWhole(field.type, std::atoll(std::string(text).c_str()), out);
      } else if (field.type == FieldType::SREAL ||
                 field.type == FieldType::REAL) {
        StoreReal(field.type, std::atof(std::string(text).c_str()), out);
      }
      return;
  }
}

}  // namespace

std::optional<FieldInfo> RecordField(const FileDeclaration& file, int number) {
  if (number <= 0) return std::nullopt;
  std::optional<FieldInfo> field =
      file.descriptor.Field(static_cast<std::size_t>(number));
  if (!field || field->offset + field->Extent() > file.record.size()) {
    return std::nullopt;
  }
  return field;
}

std::span<std::uint8_t> FieldBytes(std::span<char> record,
                                   const FieldInfo& field) {
  return {reinterpret_cast<std::uint8_t*>(record.data()) + field.offset,
          static_cast<std::size_t>(field.Extent())};
}

void ClearFieldValue(const FieldInfo& field, std::uint8_t* value) {
  switch (field.type) {
    case FieldType::STRING:
    case FieldType::MEMO:
      std::memset(value, kBlank, field.size);
      return;
    case FieldType::DECIMAL:
    case FieldType::PDECIMAL:
      if (!DecimalFromText("0", ShapeOf(field), value)) {
        std::memset(value, 0, field.size);
      }
      return;
    default:
      std::memset(value, 0, field.size);
      return;
  }
}

void SetHighestValue(const FieldInfo& field, std::uint8_t* value) {
  switch (field.type) {
    case FieldType::BYTE:
      StoreHighest<std::uint8_t>(value);
      return;
    case FieldType::SHORT:
      StoreHighest<std::int16_t>(value);
      return;
    case FieldType::USHORT:
      StoreHighest<std::uint16_t>(value);
      return;
    case FieldType::LONG:
      StoreHighest<std::int32_t>(value);
      return;
    case FieldType::ULONG:
    case FieldType::DATE:
    case FieldType::TIME:
      StoreHighest<std::uint32_t>(value);
      return;
    case FieldType::SREAL:
      StoreHighest<float>(value);
      return;
    case FieldType::REAL:
      StoreHighest<double>(value);
      return;
    case FieldType::DECIMAL:
    case FieldType::PDECIMAL: {
      const DecimalField shape = ShapeOf(field);
      if (!shape.Valid()) return;
      std::string nines(shape.Digits() - field.places, '9');
      if (field.places > 0) nines += "." + std::string(field.places, '9');
      DecimalFromText(nines, shape, value);
      return;
    }
    case FieldType::CSTRING:
      if (field.size == 0) return;
      std::memset(value, kHighestByte, field.size - 1);
      value[field.size - 1] = 0;
      return;
    case FieldType::PSTRING:
      if (field.size == 0) return;
      value[0] = static_cast<std::uint8_t>(
          std::min<std::uint32_t>(field.size - 1, 255));
      std::memset(value + 1, kHighestByte, field.size - 1);
      return;
    default:
      std::memset(value, kHighestByte, field.size);
      return;
  }
}

bool StoreNextNumber(const FieldInfo& field, const std::uint8_t* highest,
                     std::uint8_t* value) {
  if (IsWholeType(field.type)) {
    const std::int64_t next =
        highest ? LoadWholeNumber(field.type, highest).value_or(0) + 1 : 1;
    return StoreWhole(field.type, next, value);
  }
  if (field.type == FieldType::SREAL || field.type == FieldType::REAL) {
    const double next =
        highest ? LoadRealNumber(field.type, highest).value_or(0) + 1 : 1;
    return StoreReal(field.type, next, value);
  }
  if (IsDecimalType(field.type)) {
    const DecimalField shape = ShapeOf(field);
    DecimalStack stack;
    if (highest ? !stack.PushField(shape, highest) : !stack.PushText("0")) {
      return false;
    }
    stack.PushText("1");
    stack.Add();
    std::vector<std::uint8_t> next(field.size);
    if (!stack.PopToField(shape, next.data())) return false;
    // A number that lost its top digits would start again from the bottom.
    if (highest && CompareDecimalFields(shape, next.data(), highest) <= 0) {
      return false;
    }
    std::memcpy(value, next.data(), next.size());
    return true;
  }
  return false;
}

bool SameFieldValue(const FieldInfo& a, const std::uint8_t* a_value,
                    const FieldInfo& b, const std::uint8_t* b_value) {
  if (SameStorage(a, b)) return CompareFieldValues(a, a_value, b_value) == 0;
  return ValueText(a, a_value) == ValueText(b, b_value);
}

void CopyFieldValue(const FieldInfo& from, const std::uint8_t* from_value,
                    const FieldInfo& to, std::uint8_t* to_value) {
  if (SameStorage(from, to)) {
    std::memmove(to_value, from_value, static_cast<std::size_t>(to.Extent()));
    return;
  }
  StoreText(to, ValueText(from, from_value), to_value);
}

}  // namespace vantrel
