#include "runtime/data/types/field_compare.h"

#include <cmath>
#include <cstring>

#include "runtime/data/text/string_compare.h"
#include "runtime/data/types/decimal.h"
#include "runtime/data/types/field_number.h"
#include "runtime/data/types/field_text.h"

namespace vantrel {
namespace {

template <typename T>
int Order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int OrderReals(double a, double b) {
  const bool a_nan = std::isnan(a);
  const bool b_nan = std::isnan(b);
  if (a_nan || b_nan) return Order(a_nan, b_nan);
  return Order(a, b);
}

int CompareElement(const FieldInfo& field, const std::uint8_t* a,
                   const std::uint8_t* b) {
  if (field.size < FixedFieldSize(field.type)) {
    return Order(std::memcmp(a, b, field.size), 0);  // not a whole number
  }
  if (const auto x = LoadWholeNumber(field.type, a)) {
    return Order(*x, *LoadWholeNumber(field.type, b));
  }
  if (const auto x = LoadRealNumber(field.type, a)) {
    return OrderReals(*x, *LoadRealNumber(field.type, b));
  }
  if (IsDecimalType(field.type)) {
    return CompareDecimalFields(
        DecimalField{field.type, field.size, field.places}, a, b);
  }
  if (IsTextType(field.type)) {
    const int result = CompareStrings(FieldText(field.type, a, field.size),
                                      FieldText(field.type, b, field.size));
    return Order(result, 0);
  }
  return Order(std::memcmp(a, b, field.size), 0);
}

}  // namespace

int CompareFieldValues(const FieldInfo& field, const std::uint8_t* a,
                       const std::uint8_t* b) {
  if (field.type == FieldType::GROUP) {
    return Order(std::memcmp(a, b, field.Extent()), 0);
  }
  if (field.size == 0) return 0;
  const std::uint32_t elements = field.ElementCount();
  for (std::uint32_t i = 0; i < elements; ++i) {
    const std::size_t at = std::size_t{i} * field.size;
    if (const int result = CompareElement(field, a + at, b + at)) {
      return result;
    }
  }
  return 0;
}

}  // namespace vantrel
