#include "runtime/data/types/field_dump.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/data/base/byte_order.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/types/bfloat.h"
#include "runtime/data/types/decimal.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/data/types/std_date.h"

namespace vantrel {

void PrintTo(const DumpLine& line, std::ostream* out) {
  *out << line.depth << " [" << line.label << "] " << line.text;
}

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(FieldDumpTest, ValueFormats) {
  const auto fields = DescriptorBuilder()
                          .Byte()
                          .Short()
                          .UShort()
                          .Long()
                          .ULong()
                          .Date()
                          .Time()
                          .SReal()
                          .Real()
                          .BFloat8()
                          .Decimal("D", 5, 2)
                          .String("S", 4)
                          .CString("C", 4)
                          .PString("P", 4)
                          .BFloat4()
                          .Descriptor()
                          .Fields();
  ASSERT_TRUE(fields);
  auto field = [&](FieldType type) {
    for (const FieldInfo& f : *fields) {
      if (f.type == type) return f;
    }
    return FieldInfo{};
  };
  auto le32 = [](std::uint32_t v) {
    Bytes b(4);
    StoreLe32(b.data(), v);
    return b;
  };
  const float sreal = 1.5f;
  const double real = -0.1;
  Bytes sreal_bytes(4), real_bytes(8), bf8(8), dec(3), bf4(4);
  std::memcpy(sreal_bytes.data(), &sreal, 4);
  std::memcpy(real_bytes.data(), &real, 8);
  DoubleToBFloat8(2.5, bf8.data());
  DoubleToBFloat4(2.5, bf4.data());
  ASSERT_TRUE(DecimalFromText("-7.5", {FieldType::DECIMAL, 3, 2}, dec.data()));
  const struct {
    FieldType type;
    Bytes value;
    std::string text;
  } kCases[] = {
      {FieldType::BYTE, {0x0A}, "0AH"},
      {FieldType::SHORT, {0xFE, 0xFF}, "-2"},
      {FieldType::USHORT, {0xFE, 0xFF}, "65534"},
      {FieldType::LONG, le32(0xFFFFFFFF), "-1"},
      {FieldType::ULONG, le32(0xFFFFFFFF), "4294967295"},
      {FieldType::DATE, le32(PackDateField({7, 3, 2024})),
       "07 Mar 2024 (132645639)"},
      {FieldType::DATE, le32(PackDateField({0, 3, 2024})),
       "Invalid date (132645632)"},
      {FieldType::DATE, le32(PackDateField({32, 1, 2024})),
       "Invalid date (132645152)"},
      {FieldType::DATE, le32(PackDateField({1, 13, 2024})),
       "Invalid date (132648193)"},
      {FieldType::DATE, le32(0), "Invalid date (0)"},
      {FieldType::TIME, le32(PackTimeField({9, 5, 7, 3})),
       "09:05:07.03 (151324419)"},
      {FieldType::TIME, le32(PackTimeField({24, 0, 0, 0})),
       "Invalid time (402653184)"},
      {FieldType::TIME, le32(PackTimeField({1, 60, 0, 0})),
       "Invalid time (20709376)"},
      {FieldType::TIME, le32(PackTimeField({1, 0, 60, 0})),
       "Invalid time (16792576)"},
      {FieldType::SREAL, sreal_bytes, "1.500000"},
      {FieldType::REAL, real_bytes, "-0.1"},
      {FieldType::BFLOAT8, bf8, "2.5"},
      {FieldType::DECIMAL, dec, "-7.50"},
      {FieldType::STRING, {'a', 'b', ' ', ' '}, "'ab  '"},
      {FieldType::CSTRING, {'a', 'b', 0, 'x'}, "'ab'"},
      {FieldType::PSTRING, {2, 'a', 'b', 'x'}, "'ab'"},
      {FieldType::BFLOAT4, bf4, ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(FieldValueText(field(c.type), c.value.data()), c.text)
        << FieldTypeName(static_cast<int>(c.type));
  }
}

std::string Shout(std::string_view picture, std::string_view text) {
  return std::string(picture) + ":" + std::string(text);
}

TEST(FieldDumpTest, StringPictureGoesThroughTheFormatter) {
  const FieldInfo field =
      *DescriptorBuilder().String("S", 2, "P2").Descriptor().Field(1);
  const Bytes value = {'h', 'i'};
  EXPECT_EQ(FieldValueText(field, value.data()), "'hi'");
  EXPECT_EQ(FieldValueText(field, value.data(), Shout), "'P2:hi'");
}

TEST(FieldDumpTest, DeclarationsWithGroupsDimsOverAndNames) {
  const TypeDescriptor descriptor = DescriptorBuilder()
                                        .String("VTL:NAME", 30)
                                        .Name("NAME")
                                        .String("VTL:FIRST", 1)
                                        .Over("VTL:NAME")
                                        .Name("VTL:FIRST")
                                        .Decimal("VTL:AMOUNT", 7, 2)
                                        .Name("Amount")
                                        .Group("VTL:PHONES")
                                        .CString("VTL:NUMBER", 20, "@s20")
                                        .PString("VTL:TAG", 5, "s5")
                                        .Dim({2, 3})
                                        .End()
                                        .Dim({4})
                                        .Long("VTL:ID")
                                        .Descriptor();
  const auto lines = DumpDeclarations(descriptor);
  ASSERT_TRUE(lines);
  const std::vector<DumpLine> expected = {
      {0, "VTL:NAME", "STRING(30),NAME('NAME')"},
      {0, "VTL:FIRST", "STRING(1), OVER(VTL:NAME)"},
      {0, "VTL:AMOUNT", "DECIMAL(7,2),NAME('Amount')"},
      {0, "VTL:PHONES", "GROUP, DIM(4)"},
      {1, "VTL:NUMBER", "CSTRING(@s20)"},
      {1, "VTL:TAG", "PSTRING(@s5), DIM(2,3)"},
      {0, "", "END"},
      {0, "VTL:ID", "LONG"},
  };
  EXPECT_EQ(*lines, expected);
}

TEST(FieldDumpTest, ValuesOfARecord) {
  const TypeDescriptor descriptor = DescriptorBuilder()
                                        .Short("A")
                                        .Dim({3})
                                        .Group("G")
                                        .Byte("B")
                                        .Group("H")
                                        .End()
                                        .End()
                                        .Long("L")
                                        .Descriptor();
  const Bytes record = {1, 0, 2, 0, 3, 0, 0xFF, 7, 0, 0, 0};
  const auto lines = DumpValues(descriptor, record);
  ASSERT_TRUE(lines);
  const std::vector<DumpLine> expected = {
      {0, "A", "1, 2, 3"}, {0, "G", ""},   {1, "B", "FFH"}, {1, "H", ""},
      {1, "", "END"},      {0, "", "END"}, {0, "L", "7"},
  };
  EXPECT_EQ(*lines, expected);
  // A record too short for a field leaves its value out.
  const auto short_lines = DumpValues(descriptor, std::span(record).first(7));
  ASSERT_TRUE(short_lines);
  EXPECT_EQ(short_lines->back(), (DumpLine{0, "L", ""}));
}

TEST(FieldDumpTest, MalformedDescriptorDumpsNothing) {
  ClearError();
  const TypeDescriptor broken(std::vector<std::uint8_t>{0x12, 0x02, 0x05});
  EXPECT_FALSE(DumpDeclarations(broken));
  EXPECT_FALSE(DumpValues(broken, {}));
  EXPECT_EQ(ErrorCode(), kErrInvalidDescriptor);
}

}  // namespace
}  // namespace vantrel
