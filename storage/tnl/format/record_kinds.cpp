#include "storage/tnl/format/record_kinds.h"

#include <algorithm>

#include "runtime/data/base/byte_order.h"

namespace vantrel {

namespace {

constexpr std::size_t kWeightsAt = 0x000;
constexpr std::size_t kCaseMapAt = 0x100;
constexpr std::size_t kClassesAt = 0x200;
constexpr std::size_t kDigraphsAt = 0x300;
constexpr std::size_t kDigraphBytes = 3;

}  // namespace

ByteString TablePrefix(std::uint32_t table) {
  ByteString out;
  out.reserve(16);  // room for what the kinds' keys append
  AppendBe32(out, table);
  return out;
}

ByteString TableNameKey(std::string_view name) {
  ByteString out(1 + name.size());
  out[0] = kTableNameByte;
  std::copy(name.begin(), name.end(), out.begin() + 1);
  return out;
}

ByteString DescriptionKey(std::uint32_t table, std::uint16_t block) {
  ByteString out = TablePrefix(table);
  out.push_back(kKindDescription);
  AppendLe16(out, block);
  return out;
}

ByteString CharTablesKey(std::uint32_t table) {
  ByteString out = TablePrefix(table);
  out.push_back(kKindCharTables);
  out.push_back(kCharTablesIndex);
  return out;
}

DataKeyBytes DataKeyOf(std::uint32_t table, std::uint32_t record_number) {
  DataKeyBytes out;
  for (int i = 0; i < 4; ++i) {
    out[i] = static_cast<std::uint8_t>(table >> (24 - 8 * i));
    out[5 + i] = static_cast<std::uint8_t>(record_number >> (24 - 8 * i));
  }
  out[kTableNumberBytes] = kKindData;
  return out;
}

ByteString DataKey(std::uint32_t table, std::uint32_t record_number) {
  const DataKeyBytes key = DataKeyOf(table, record_number);
  return ByteString(key.begin(), key.end());
}

CountersKeyBytes CountersKeyOf(std::uint32_t table, std::uint8_t counted) {
  CountersKeyBytes out;
  for (int i = 0; i < 4; ++i) {
    out[i] = static_cast<std::uint8_t>(table >> (24 - 8 * i));
  }
  out[kTableNumberBytes] = kKindCounters;
  out[kTableNumberBytes + 1] = counted;
  return out;
}

ByteString CountersKey(std::uint32_t table, std::uint8_t counted) {
  const CountersKeyBytes key = CountersKeyOf(table, counted);
  return ByteString(key.begin(), key.end());
}

ByteString MemoKey(std::uint32_t table, std::uint32_t record_number,
                   std::uint8_t memo, std::uint16_t sequence) {
  ByteString out = TablePrefix(table);
  out.push_back(kKindMemo);
  AppendBe32(out, record_number);
  out.push_back(memo);
  AppendBe16(out, sequence);
  return out;
}

ByteString KeyEntryKey(std::uint32_t table, std::uint8_t key,
                       std::span<const std::uint8_t> value,
                       std::uint32_t record_number, bool dup) {
  ByteString out;
  out.reserve(kKeyEntryPrefix + value.size() + (dup ? 4 : 0));
  AppendBe32(out, table);
  out.push_back(key);
  out.insert(out.end(), value.begin(), value.end());
  if (dup) AppendBe32(out, record_number);
  return out;
}

PageRecord MakeRecord(std::span<const std::uint8_t> key,
                      std::span<const std::uint8_t> data) {
  PageRecord record;
  record.bytes.reserve(key.size() + data.size());
  record.bytes.assign(key.begin(), key.end());
  record.bytes.insert(record.bytes.end(), data.begin(), data.end());
  record.key_length = static_cast<std::uint16_t>(key.size());
  return record;
}

PageRecord TableNameRecord(std::string_view name, std::uint32_t table) {
  return MakeRecord(TableNameKey(name), TablePrefix(table));
}

PageRecord CountersRecord(std::uint32_t table, std::uint8_t counted,
                          std::uint32_t count, std::uint32_t flags) {
  unsigned char data[kCountersDataLength];
  StoreLe32(data, count);
  StoreLe32(data + 4, flags);
  return MakeRecord(CountersKey(table, counted), data);
}

// The key part, then the record number as the data; built in one block.
PageRecord KeyEntryRecord(std::uint32_t table, std::uint8_t key,
                          std::span<const std::uint8_t> value,
                          std::uint32_t record_number, bool dup) {
  PageRecord record;
  ByteString& out = record.bytes;
  out.reserve(kKeyEntryPrefix + value.size() + (dup ? 4 : 0) + 4);
  AppendBe32(out, table);
  out.push_back(key);
  out.insert(out.end(), value.begin(), value.end());
  if (dup) AppendBe32(out, record_number);
  record.key_length = static_cast<std::uint16_t>(out.size());
  AppendBe32(out, record_number);
  return record;
}

// The record keeps the tables whole: weights, case map (0 where a character
// has no partner) and class masks as 256 bytes each, then room for
// kMaxDigraphs digraphs in the order they were defined, unused entries zero.
// A reader stops at the first entry whose code is 0, so a code-0 digraph
// cannot be stored. A table is given the tables in force when it is created
// (CreateTable), and keeps them until a full build stores new ones.
PageRecord CharTablesRecord(std::uint32_t table, bool oem,
                            const CharTables& tables) {
  ByteString data(1 + kCharTablesBytes, 0);
  data[0] = oem ? 1 : 0;
  std::uint8_t* body = data.data() + 1;
  for (std::size_t c = 0; c < kCharCount; ++c) {
    body[kWeightsAt + c] = tables.weight[c];
    body[kCaseMapAt + c] = tables.case_map[c];
    body[kClassesAt + c] = tables.classes[c];
  }
  for (std::size_t i = 0; i < tables.digraphs.size() && i < kMaxDigraphs; ++i) {
    std::uint8_t* entry = body + kDigraphsAt + i * kDigraphBytes;
    entry[0] = tables.digraphs[i].code;
    entry[1] = tables.digraphs[i].first;
    entry[2] = tables.digraphs[i].second;
  }
  return MakeRecord(CharTablesKey(table), data);
}

std::span<const std::uint8_t> RecordData(const RecordRef& record) {
  return std::span<const std::uint8_t>(record.bytes)
      .subspan(std::min<std::size_t>(record.key_length, record.bytes.size()));
}

std::optional<Counters> ReadCounters(const RecordRef& record) {
  const auto data = RecordData(record);
  if (data.size() < kCountersDataLength) return std::nullopt;
  return Counters{LoadLe32(data.data()), LoadLe32(data.data() + 4)};
}

std::optional<StoredCharTables> ReadCharTables(const RecordRef& record) {
  const auto data = RecordData(record);
  if (data.size() < 1 + kCharTablesBytes) return std::nullopt;
  StoredCharTables out;
  out.oem = data[0] != 0;
  const std::uint8_t* body = data.data() + 1;
  for (std::size_t c = 0; c < kCharCount; ++c) {
    out.tables.weight[c] = body[kWeightsAt + c];
    out.tables.case_map[c] = body[kCaseMapAt + c];
    out.tables.classes[c] = body[kClassesAt + c];
  }
  for (std::size_t i = 0; i < kMaxDigraphs; ++i) {
    const std::uint8_t* entry = body + kDigraphsAt + i * kDigraphBytes;
    if (entry[0] == 0) break;  // the list ends at the first unused entry
    out.tables.digraphs.push_back({entry[0], entry[1], entry[2]});
  }
  return out;
}

}  // namespace vantrel
