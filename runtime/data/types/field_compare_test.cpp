#include "runtime/data/types/field_compare.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "runtime/data/base/byte_order.h"
#include "runtime/data/types/bfloat.h"
#include "runtime/data/types/decimal.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

FieldInfo OnlyField(const DescriptorBuilder& builder) {
  return *builder.Descriptor().Field(1);
}

Bytes Le32(std::uint32_t v) {
  Bytes b(4);
  StoreLe32(b.data(), v);
  return b;
}
Bytes Le16(std::uint16_t v) {
  Bytes b(2);
  StoreLe16(b.data(), v);
  return b;
}
Bytes Real(double v) {
  Bytes b(8);
  std::memcpy(b.data(), &v, 8);
  return b;
}
Bytes BF8(double v) {
  Bytes b(8);
  DoubleToBFloat8(v, b.data());
  return b;
}
Bytes Dec(std::string_view text, const FieldInfo& f) {
  Bytes b(f.size);
  EXPECT_TRUE(DecimalFromText(text, {f.type, f.size, f.places}, b.data()));
  return b;
}
Bytes Text(std::string_view s, std::size_t size) {
  Bytes b(size, 0);
  std::memcpy(b.data(), s.data(), std::min(s.size(), size));
  return b;
}

TEST(FieldCompareTest, OrdersEachTypeByValue) {
  const FieldInfo shrt = OnlyField(DescriptorBuilder().Short());
  const FieldInfo ushrt = OnlyField(DescriptorBuilder().UShort());
  const FieldInfo lng = OnlyField(DescriptorBuilder().Long());
  const FieldInfo ulng = OnlyField(DescriptorBuilder().ULong());
  const FieldInfo date = OnlyField(DescriptorBuilder().Date());
  const FieldInfo time = OnlyField(DescriptorBuilder().Time());
  const FieldInfo real = OnlyField(DescriptorBuilder().Real());
  const FieldInfo bf8 = OnlyField(DescriptorBuilder().BFloat8());
  const FieldInfo dec = OnlyField(DescriptorBuilder().Decimal("D", 5, 2));
  const FieldInfo pdec = OnlyField(DescriptorBuilder().PDecimal("P", 5, 2));
  const FieldInfo str = OnlyField(DescriptorBuilder().String("S", 6));
  const FieldInfo cstr = OnlyField(DescriptorBuilder().CString("C", 6));
  const FieldInfo pstr = OnlyField(DescriptorBuilder().PString("P", 6));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    const char* what;
    const FieldInfo& field;
    Bytes a, b;
    int expected;
  } kCases[] = {
      {"SHORT signed", shrt, Le16(0xFFFF), Le16(1), -1},
      {"USHORT unsigned", ushrt, Le16(0xFFFF), Le16(1), 1},
      {"LONG signed", lng, Le32(0x80000000), Le32(5), -1},
      {"ULONG unsigned", ulng, Le32(0x80000000), Le32(5), 1},
      {"DATE by day", date, Le32(PackDateField({31, 12, 2023})),
       Le32(PackDateField({1, 1, 2024})), -1},
      {"TIME by time", time, Le32(PackTimeField({9, 59, 0, 0})),
       Le32(PackTimeField({10, 0, 0, 0})), -1},
      {"REAL", real, Real(-0.5), Real(0.25), -1},
      {"REAL NaN last", real, Real(nan), Real(1e300), 1},
      {"REAL NaN equal", real, Real(nan), Real(nan), 0},
      {"BFLOAT8 negative", bf8, BF8(-2.0), BF8(-1.0), -1},
      {"DECIMAL signs", dec, Dec("-1.5", dec), Dec("0.25", dec), -1},
      {"PDECIMAL digits", pdec, Dec("10", pdec), Dec("9.99", pdec), 1},
      {"STRING blanks", str, Text("ab    ", 6), Text("ab", 6), 1},
      {"STRING trailing blanks", str, Text("ab    ", 6), Text("ab    ", 6), 0},
      {"CSTRING ends at zero", cstr, Text("ab\0zz", 6), Text("ab", 6), 0},
      {"CSTRING vs blank", cstr, Text("ab", 6), Text("ab!", 6), -1},
      {"PSTRING length", pstr,
       Text("\x02"
            "abzzz",
            6),
       Text("\x02"
            "ab",
            6),
       0},
      {"PSTRING clamps length", pstr,
       Text("\xFF"
            "abcde",
            6),
       Text("\x05"
            "abcde",
            6),
       0},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(CompareFieldValues(c.field, c.a.data(), c.b.data()), c.expected)
        << c.what;
    EXPECT_EQ(CompareFieldValues(c.field, c.b.data(), c.a.data()), -c.expected)
        << c.what << " reversed";
  }
}

TEST(FieldCompareTest, ArraysAndGroupsCompareInOrder) {
  const auto fields = DescriptorBuilder()
                          .Short("A")
                          .Dim({2})
                          .Group("G")
                          .Short()
                          .Short()
                          .End()
                          .Descriptor()
                          .Fields();
  ASSERT_TRUE(fields);
  // The first element decides before the second.
  const Bytes a = {0x02, 0x00, 0x00, 0x00};
  const Bytes b = {0x01, 0x00, 0x09, 0x00};
  EXPECT_EQ(CompareFieldValues((*fields)[0], a.data(), b.data()), 1);
  // A group compares its bytes unsigned, not its members by value.
  const Bytes g1 = {0xFF, 0xFF, 0x00, 0x00};  // first member -1
  const Bytes g2 = {0x01, 0x00, 0x00, 0x00};  // first member 1
  EXPECT_EQ(CompareFieldValues((*fields)[1], g1.data(), g2.data()), 1);
}

}  // namespace
}  // namespace vantrel
