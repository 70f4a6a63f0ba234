#include "runtime/window/variable.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <span>

#include "runtime/data/text/string_ops.h"
#include "runtime/data/types/bfloat.h"
#include "runtime/data/types/decimal.h"
#include "runtime/data/types/field_number.h"
#include "runtime/data/types/field_text.h"
#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

// A number written plainly, blanks around it and a leading "+" allowed.
template <typename T>
std::optional<T> ParseNumber(std::string_view text) {
  text = ClipText(text);
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  T value{};
  auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return value;
}

template <typename T>
bool StoreWhole(std::uint8_t* data, std::int64_t value) {
  if (value < std::numeric_limits<T>::min() ||
      value > std::numeric_limits<T>::max())
    return false;
  T stored = static_cast<T>(value);
  std::memcpy(data, &stored, sizeof stored);  // little-endian host
  return true;
}

bool StoreText(const Variable& v, std::string_view text) {
  char* chars = reinterpret_cast<char*>(v.data);
  switch (v.type) {
    case FieldType::CSTRING: {
      if (v.size == 0) return false;
      std::size_t n = std::min<std::size_t>(text.size(), v.size - 1);
      std::memcpy(chars, text.data(), n);
      std::memset(chars + n, 0, v.size - n);
      return true;
    }
    case FieldType::PSTRING: {
      if (v.size == 0) return false;
      std::size_t n = std::min<std::size_t>(text.size(), v.size - 1);
      v.data[0] = static_cast<std::uint8_t>(n);
      std::memcpy(chars + 1, text.data(), n);
      return true;
    }
    default:
      vantrel::StoreText(std::span<char>(chars, v.size), text);
      return true;
  }
}

bool StoreDecimal(const Variable& v, std::string_view value) {
  DecimalField shape{v.type, v.size, v.places};
  std::string plain(ClipText(value));
  std::size_t first = plain.find_first_not_of(' ');
  if (first == std::string::npos) return false;
  return DecimalFromText(std::string_view(plain).substr(first), shape, v.data);
}

}  // namespace

Variable Variable::Of(std::int32_t& value) {
  return {FieldType::LONG, reinterpret_cast<std::uint8_t*>(&value), 4, 0};
}
Variable Variable::Of(std::int16_t& value) {
  return {FieldType::SHORT, reinterpret_cast<std::uint8_t*>(&value), 2, 0};
}
Variable Variable::Of(std::uint8_t& value) {
  return {FieldType::BYTE, &value, 1, 0};
}
Variable Variable::Of(double& value) {
  return {FieldType::REAL, reinterpret_cast<std::uint8_t*>(&value), 8, 0};
}
Variable Variable::OfField(std::uint8_t* record, const FieldInfo& field) {
  return {field.type, record + field.offset, field.size, field.places};
}

std::string VariableValue(const Variable& v) {
  if (!v.bound()) return {};
  if (IsTextType(v.type)) {
    return std::string(ClipText(FieldText(v.type, v.data, v.size)));
  }
  if (IsDecimalType(v.type)) {
    return DecimalToText(DecimalField{v.type, v.size, v.places}, v.data);
  }
  if (v.type == FieldType::DATE || v.type == FieldType::TIME) {
    std::uint32_t raw = 0;
    std::memcpy(&raw, v.data, sizeof raw);
    return NumberToText(std::int64_t{v.type == FieldType::DATE
                                         ? DateFieldToStandard(raw)
                                         : TimeFieldToStandard(raw)});
  }
  if (auto whole = LoadWholeNumber(v.type, v.data)) return NumberToText(*whole);
  if (auto real = LoadRealNumber(v.type, v.data)) return NumberToText(*real);
  return {};
}

bool StoreVariableValue(const Variable& v, std::string_view value) {
  if (!v.bound()) return false;
  if (IsTextType(v.type)) return StoreText(v, value);
  if (IsDecimalType(v.type)) return StoreDecimal(v, value);
  if (v.type == FieldType::SREAL || v.type == FieldType::REAL ||
      v.type == FieldType::BFLOAT4 || v.type == FieldType::BFLOAT8) {
    std::optional<double> real = ParseNumber<double>(value);
    if (!real || !std::isfinite(*real)) return false;
    switch (v.type) {
      case FieldType::SREAL: {
        float f = static_cast<float>(*real);
        std::memcpy(v.data, &f, sizeof f);
        return true;
      }
      case FieldType::BFLOAT4:
        DoubleToBFloat4(*real, v.data);
        return true;
      case FieldType::BFLOAT8:
        DoubleToBFloat8(*real, v.data);
        return true;
      default:
        std::memcpy(v.data, &*real, sizeof *real);
        return true;
    }
  }
  std::optional<std::int64_t> whole = ParseNumber<std::int64_t>(value);
  if (!whole) return false;
  switch (v.type) {
    case FieldType::BYTE:
      return StoreWhole<std::uint8_t>(v.data, *whole);
    case FieldType::SHORT:
      return StoreWhole<std::int16_t>(v.data, *whole);
    case FieldType::USHORT:
      return StoreWhole<std::uint16_t>(v.data, *whole);
    case FieldType::LONG:
      return StoreWhole<std::int32_t>(v.data, *whole);
    case FieldType::ULONG:
      return StoreWhole<std::uint32_t>(v.data, *whole);
    case FieldType::DATE:
    case FieldType::TIME: {
      if (*whole < 0 || *whole > std::numeric_limits<std::int32_t>::max())
        return false;
      auto standard = static_cast<std::int32_t>(*whole);
      std::uint32_t raw = v.type == FieldType::DATE
                              ? StandardToDateField(standard)
                              : StandardToTimeField(standard);
      std::memcpy(v.data, &raw, sizeof raw);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace vantrel
