#include "storage/tnl/format/key_encoding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "storage/tnl/format/test_hex.h"

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <typename T>
Bytes Stored(T value) {
  Bytes out(sizeof value);
  std::memcpy(out.data(), &value, sizeof value);
  return out;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string Encode(FieldType type, const Bytes& field, bool descending = false,
                   KeyStringRules rules = {}) {
  static const CharTables defaults = CharTables::Defaults();
  if (rules.tables == nullptr) rules.tables = &defaults;
  Bytes out;
  EncodeKeyField(type, field, descending, rules, out);
  return Hex(out.data(), out.size());
}

TEST(KeyEncodingTest, FieldEncodingsAreByteExact) {
  const struct {
    const char* name;
    FieldType type;
    Bytes field;
    bool descending;
    const char* hex;
  } cases[] = {
      {"LONG -1", FieldType::LONG, Stored<std::int32_t>(-1), false, "7fffffff"},
      {"LONG 0", FieldType::LONG, Stored<std::int32_t>(0), false, "80000000"},
      {"LONG -1 desc", FieldType::LONG, Stored<std::int32_t>(-1), true,
       "80000000"},
      {"LONG 0 desc", FieldType::LONG, Stored<std::int32_t>(0), true,
       "7fffffff"},
      {"SHORT 258", FieldType::SHORT, Stored<std::int16_t>(258), false, "8102"},
      {"USHORT", FieldType::USHORT, Stored<std::uint16_t>(0x1234), false,
       "1234"},
      {"ULONG", FieldType::ULONG, Stored<std::uint32_t>(0x01020304), false,
       "01020304"},
      {"REAL -2", FieldType::REAL, Stored(-2.0), false, "3fffffffffffffff"},
      {"REAL +1", FieldType::REAL, Stored(1.0), false, "bff0000000000000"},
      {"REAL -2 desc", FieldType::REAL, Stored(-2.0), true, "c000000000000000"},
      {"SREAL +1", FieldType::SREAL, Stored(1.0f), false, "bf800000"},
      {"DECIMAL -5", FieldType::DECIMAL, Bytes{0xF0, 0x05}, false, "7ffa"},
      {"DECIMAL +5", FieldType::DECIMAL, Bytes{0x00, 0x05}, false, "8005"},
      {"DECIMAL -5 desc", FieldType::DECIMAL, Bytes{0xF0, 0x05}, true, "8005"},
      {"PDECIMAL as stored", FieldType::PDECIMAL, Bytes{0x05, 0x0D}, false,
       "050d"},
      {"BYTE as stored", FieldType::BYTE, Bytes{0xC8}, false, "c8"},
      {"CSTRING AB in 5", FieldType::CSTRING, Bytes{'A', 'B', 0, 'x', 'y'},
       false, "4142000000"},
      {"PSTRING AB in 5", FieldType::PSTRING, Bytes{2, 'A', 'B', 'x', 'y'},
       false, "4142000000"},
      {"PSTRING overlong count", FieldType::PSTRING, Bytes{9, 'A', 'B'}, false,
       "414200"},
      {"STRING desc", FieldType::STRING, Text("AB"), true, "bebd"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Encode(c.type, c.field, c.descending), c.hex) << c.name;
  }
}

TEST(KeyEncodingTest, StringsFollowTheFileTablesAndNoCase) {
  CharTables tables = CharTables::Defaults();
  // A table that sorts 'b' before 'a', and 0xC6 as the digraph "AE".
  tables.weight['a'] = 'b';
  tables.weight['b'] = 'a';
  tables.digraphs.push_back({0xC6, 'A', 'E'});
  KeyStringRules rules{&tables, false, false};
  EXPECT_EQ(Encode(FieldType::STRING, Text("ab"), false, rules), "6261");
  EXPECT_EQ(Encode(FieldType::STRING, Bytes{0xC6, 'Z', 'Z'}, false, rules),
            "41455a");

  rules.nocase = true;
  EXPECT_EQ(Encode(FieldType::STRING, Text("SMITH"), false, rules),
            Encode(FieldType::STRING, Text("smith"), false, rules));
  rules.nocase = false;
  EXPECT_NE(Encode(FieldType::STRING, Text("SMITH"), false, rules),
            Encode(FieldType::STRING, Text("smith"), false, rules));
}

TEST(KeyEncodingTest, KeyValueConcatenatesComponentsInOrder) {
  // Record: LONG at 0, STRING(3) at 4; the key takes the string first.
  Bytes record = Stored<std::int32_t>(-1);
  for (char c : std::string("xyz")) record.push_back(c);
  const KeyComponent components[] = {
      {FieldType::STRING, 4, 3, false},
      {FieldType::LONG, 0, 4, true},
      {FieldType::BYTE, 6, 3, false},  // past the record's end: zeros
  };
  const CharTables defaults = CharTables::Defaults();
  const Bytes value =
      EncodeKeyValue(components, record, KeyStringRules{&defaults});
  EXPECT_EQ(Hex(value.data(), value.size()),
            "78797a"
            "80000000"
            "7a0000");
}

}  // namespace
}  // namespace vantrel
