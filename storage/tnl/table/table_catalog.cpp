#include "storage/tnl/table/table_catalog.h"

#include <algorithm>

#include "runtime/data/base/byte_order.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/text/charset.h"
#include "storage/tnl/table/key_maintenance.h"

namespace vantrel {

namespace {

constexpr std::uint8_t kBlank = ' ';

// Whether a key component counts as empty for an OPT key. Bytes past the
// image count as zeros, as the key value encodes them.
bool IsEmptyComponent(const DescribedField& f,
                      std::span<const std::uint8_t> image) {
  const std::size_t begin = std::min<std::size_t>(f.offset, image.size());
  const std::size_t end =
      std::min<std::size_t>(f.offset + f.size, image.size());
  const auto bytes = image.subspan(begin, end - begin);
  switch (f.type) {
    case FieldType::STRING:
    case FieldType::GROUP:
      return std::all_of(bytes.begin(), bytes.end(),
                         [](std::uint8_t b) { return b == kBlank; }) &&
             end - begin == f.size;
    case FieldType::CSTRING:
    case FieldType::PSTRING:
      return bytes.empty() || bytes[0] == 0;
    default:
      return std::all_of(bytes.begin(), bytes.end(),
                         [](std::uint8_t b) { return b == 0; });
  }
}

}  // namespace

std::uint32_t CreateTable(TnlFile& file, BTree& tree, std::string_view name,
                          const TableDescription& description, bool oem,
                          const CharTables& tables) {
  const std::uint32_t table = file.IssueNumber();
  tree.Insert(TableNameRecord(name, table));
  const auto blocks = DescriptionBlocks(WriteDescription(description));
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    tree.Insert(MakeRecord(DescriptionKey(table, static_cast<std::uint16_t>(i)),
                           blocks[i]));
  }
  tree.Insert(CharTablesRecord(table, oem, tables));
  tree.Insert(CountersRecord(table, kKindData, 0, 0));
  for (std::size_t k = 0; k < description.keys.size(); ++k) {
    tree.Insert(CountersRecord(table, static_cast<std::uint8_t>(k), 0, 0));
  }
  return table;
}

std::optional<std::uint32_t> FindTable(BTree& tree, std::string_view name) {
  const auto found = tree.Find(TableNameKey(name));
  if (!found) return std::nullopt;
  return ReadBe32(RecordData(*found));
}

std::vector<TableEntry> ListTables(BTree& tree) {
  std::vector<TableEntry> out;
  const std::uint8_t name_byte[] = {kTableNameByte};
  auto next = tree.FindFirstAtOrAbove(name_byte);
  while (next && !next->bytes.empty() && next->bytes[0] == kTableNameByte) {
    const auto key = next->Key();
    out.push_back(
        {std::string(key.begin() + 1, key.end()), ReadBe32(RecordData(*next))});
    next = tree.FindFirstGreater(key);
  }
  return out;
}

std::vector<std::uint8_t> ReadDescriptionStream(BTree& tree,
                                                std::uint32_t table) {
  std::vector<std::uint8_t> stream;
  for (std::uint32_t block = 0; block <= 0xFFFF; ++block) {
    const auto found =
        tree.Find(DescriptionKey(table, static_cast<std::uint16_t>(block)));
    if (!found) break;
    const auto data = RecordData(*found);
    stream.insert(stream.end(), data.begin(), data.end());
  }
  return stream;
}

std::optional<StoredCharTables> TableCharTables(BTree& tree,
                                                std::uint32_t table) {
  const auto found = tree.FindView(CharTablesKey(table));
  if (!found) return std::nullopt;
  return ReadCharTables(*found);
}

std::optional<Counters> ReadCountersOf(BTree& tree, std::uint32_t table,
                                       std::uint8_t counted) {
  const auto found = tree.FindView(CountersKeyOf(table, counted));
  if (!found) return std::nullopt;
  return ReadCounters(*found);
}

void WriteCountersOf(BTree& tree, std::uint32_t table, std::uint8_t counted,
                     Counters counters) {
  // Every ADD and DELETE rewrites its counters: in place, when the record
  // keeps its length, it costs one descent instead of a removal and an
  // insert.
  const PageRecord record =
      CountersRecord(table, counted, counters.count, counters.flags);
  if (tree.Replace(record)) return;
  tree.Remove(record.Key());
  tree.Insert(record);
}

void AdjustCountersOf(BTree& tree, std::uint32_t table, std::uint8_t counted,
                      const std::function<void(Counters&)>& adjust) {
  const bool changed = tree.ChangeData(
      CountersKeyOf(table, counted), [&](std::span<std::uint8_t> data) {
        if (data.size() < kCountersDataLength) return false;
        Counters counters{LoadLe32(data.data()), LoadLe32(data.data() + 4)};
        adjust(counters);
        StoreLe32(data.data(), counters.count);
        StoreLe32(data.data() + 4, counters.flags);
        return true;
      });
  if (changed) return;
  Counters counters = ReadCountersOf(tree, table, counted).value_or(Counters{});
  adjust(counters);
  WriteCountersOf(tree, table, counted, counters);
}

std::uint32_t PendingNumber(BTree& tree, std::uint32_t table,
                            std::uint8_t key) {
  const auto counters = ReadCountersOf(tree, table, key);
  return counters ? counters->flags : 0;
}

bool LowerPendingNumber(BTree& tree, std::uint32_t table, std::uint8_t key,
                        std::uint32_t record_number) {
  auto counters = ReadCountersOf(tree, table, key);
  if (!counters) return false;
  if (counters->flags == 0 || counters->flags > record_number) {
    counters->flags = record_number;
    WriteCountersOf(tree, table, key, *counters);
  }
  return true;
}

bool ClearPendingNumber(BTree& tree, std::uint32_t table, std::uint8_t key) {
  auto counters = ReadCountersOf(tree, table, key);
  if (!counters) return false;
  if (counters->flags != 0) {
    counters->flags = 0;
    WriteCountersOf(tree, table, key, *counters);
  }
  return true;
}

std::uint32_t ReadTableFlags(BTree& tree, std::uint32_t table) {
  const auto counters = ReadCountersOf(tree, table, kKindData);
  if (counters) return counters->flags;
  WriteCountersOf(tree, table, kKindData, Counters{});
  return 0;
}

void SetTableFlags(BTree& tree, std::uint32_t table, std::uint32_t flags) {
  auto counters = ReadCountersOf(tree, table, kKindData).value_or(Counters{});
  counters.flags = flags;
  WriteCountersOf(tree, table, kKindData, counters);
}

std::optional<PageRecord> BuildKeyEntry(std::uint32_t table, std::uint8_t key,
                                        const TableDescription& description,
                                        std::span<const std::uint8_t> image,
                                        std::uint32_t record_number,
                                        const KeyStringRules& rules) {
  const DescribedKey& declared = description.keys.at(key);
  // Every add builds an entry per key: the components and the value are
  // put together in buffers kept for the next entry.
  thread_local std::vector<KeyComponent> components;
  thread_local ByteString value;
  components.clear();
  bool all_empty = true;
  for (const DescribedComponent& c : declared.components) {
    if (c.field >= description.fields.size()) return std::nullopt;
    const DescribedField& f = description.fields[c.field];
    components.push_back({f.type, f.offset, f.size, c.flags != 0});
    all_empty &= IsEmptyComponent(f, image);
  }
  if ((declared.flags & kDescribedOpt) && all_empty) return std::nullopt;
  KeyStringRules key_rules = rules;
  key_rules.nocase = (declared.flags & kDescribedNoCase) != 0;
  value.clear();
  AppendKeyValue(components, image, key_rules, value);
  return KeyEntryRecord(table, key, value, record_number,
                        (declared.flags & kDescribedDup) != 0);
}

void ConvertRecordStrings(const TableDescription& description,
                          std::span<std::uint8_t> image, bool to_oem) {
  for (const DescribedField& f : description.fields) {
    if (!IsTextType(f.type) || f.string_length == 0) continue;
    for (std::size_t at = f.offset;
         at + f.string_length <= image.size() && at < f.offset + f.size;
         at += f.string_length) {
      auto text = image.subspan(at, f.string_length);
      if (f.type == FieldType::PSTRING) {
        text = text.subspan(1, std::min<std::size_t>(text[0], text.size() - 1));
      } else if (f.type == FieldType::CSTRING) {
        text = text.first(static_cast<std::size_t>(
            std::find(text.begin(), text.end(), 0) - text.begin()));
      }
      for (auto& c : text) c = to_oem ? WindowsToOem(c) : OemToWindows(c);
    }
  }
}

// The order is: issue the number, insert the key entries, then the data
// record. A key that refuses the add (a duplicate) stops it after the number
// was issued, and the number stays used: numbers are never given twice.
AddedRecord AddDataRecord(TnlFile& file, BTree& tree, const TableKeys& keys,
                          std::span<const std::uint8_t> image) {
  if (!ReadCountersOf(tree, keys.table, kKindData)) return {kErrAccessDenied};
  // Only a table kept in the OEM set stores other bytes than the image.
  ByteString converted;
  std::span<const std::uint8_t> stored = image;
  if (keys.rules.oem) {
    converted = StoredImage(keys, image);
    stored = converted;
  }
  const std::uint32_t number = file.IssueNumber();
  const int error =
      MaintainKeys(tree, keys, OptionalImage(stored), std::nullopt, number);
  if (error != kErrNone) return {error};
  tree.Insert(MakeRecord(DataKeyOf(keys.table, number), stored));
  AdjustCountersOf(tree, keys.table, kKindData,
                   [](Counters& counters) { ++counters.count; });
  return {kErrNone, number};
}

int ReplaceDataRecord(BTree& tree, const TableKeys& keys, std::uint32_t number,
                      std::span<const std::uint8_t> image) {
  const ByteString key = DataKey(keys.table, number);
  const auto found = tree.Find(key);
  if (!found) return kErrRecordNotAvailable;
  const ByteString stored = StoredImage(keys, image);
  const auto old_data = RecordData(*found);
  if (std::equal(stored.begin(), stored.end(), old_data.begin(),
                 old_data.end())) {
    return kErrNone;
  }
  const int error = MaintainKeys(tree, keys, OptionalImage(stored),
                                 OptionalImage(old_data), number);
  if (error != kErrNone) return error;
  tree.Remove(key);
  tree.Insert(MakeRecord(key, stored));
  return kErrNone;
}

int RemoveDataRecord(BTree& tree, const TableKeys& keys, std::uint32_t number) {
  const ByteString key = DataKey(keys.table, number);
  const auto found = tree.Find(key);
  if (!found) return kErrRecordNotAvailable;
  tree.Remove(key);
  MaintainKeys(tree, keys, std::nullopt, OptionalImage(RecordData(*found)),
               number);
  if (auto counters = ReadCountersOf(tree, keys.table, kKindData);
      counters && counters->count > 0) {
    --counters->count;
    WriteCountersOf(tree, keys.table, kKindData, *counters);
  }
  return kErrNone;
}

}  // namespace vantrel
