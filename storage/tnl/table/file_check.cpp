#include "storage/tnl/table/file_check.h"

#include <map>
#include <set>

#include "runtime/data/base/byte_order.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/table/btree.h"
#include "storage/tnl/table/memo_store.h"
#include "storage/tnl/table/structure_check.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {

namespace {

// What one table's records hold, gathered in one pass over the tree.
struct TableRecords {
  std::map<std::uint32_t, std::vector<std::uint8_t>> data;  // number -> image
  std::map<std::uint8_t, std::vector<PageRecord>> entries;  // key -> entries
  std::map<std::uint8_t, Counters> counters;
  // (record number, memo number) -> the chunks in key order, with their
  // sequence numbers.
  std::map<std::pair<std::uint32_t, std::uint8_t>,
           std::vector<std::pair<std::uint16_t, ByteString>>>
      memos;
  bool has_name = false;
};

std::string TableText(std::uint32_t table) {
  return "table " + std::to_string(table);
}

// Memo chunks belong to an existing data record and a memo the table
// describes, run 0, 1, 2 ... without gaps, and are cut as the writer cuts
// them (a BLOB's chunks holding the length its first chunk gives).
void CheckMemoChunks(const std::string& where,
                     const TableDescription& description,
                     const TableRecords& records,
                     std::vector<std::string>& problems) {
  for (const auto& [owner, chunks] : records.memos) {
    const auto [number, memo] = owner;
    const std::string memo_where = where + " record " + std::to_string(number) +
                                   " memo " + std::to_string(memo);
    if (!records.data.count(number)) {
      problems.push_back(memo_where + ": chunks of a missing record");
    }
    if (memo >= description.memos.size()) {
      problems.push_back(memo_where + ": chunks of an undeclared memo");
      continue;
    }
    std::vector<ByteString> contents;
    for (const auto& [sequence, data] : chunks) {
      if (sequence != contents.size()) {
        problems.push_back(memo_where + ": chunk " +
                           std::to_string(contents.size()) + " is missing");
        break;
      }
      contents.push_back(data);
    }
    if (contents.size() == chunks.size() &&
        !ChunksConsistent(contents, FormOf(description.memos[memo], false))) {
      problems.push_back(memo_where + ": chunk sizes" +
                         (description.memos[memo].flags & kDescribedMemoBlob
                              ? " disagree with the BLOB's length"
                              : " are not as written"));
    }
  }
}

// A key's entries match its counters record and the data records. An
// INDEX key is not kept up to date: from its pending number on (the second
// word of its counters record, 0 when nothing is pending) records may lack
// their entries and entries may name records that are gone.
void CheckKeyEntries(std::uint32_t table, std::uint8_t key,
                     const TableDescription& description,
                     const TableRecords& records, const KeyStringRules& rules,
                     std::vector<std::string>& problems) {
  const std::string key_where =
      TableText(table) + " key " + std::to_string(key);
  const auto found = records.entries.find(key);
  const std::vector<PageRecord> none;
  const auto& entries = found == records.entries.end() ? none : found->second;
  const auto counters = records.counters.find(key);
  std::uint32_t pending = 0;
  if (counters == records.counters.end()) {
    problems.push_back(key_where + ": no counters record");
  } else {
    pending = counters->second.flags;
    if (counters->second.count != entries.size()) {
      problems.push_back(key_where + ": entry count " +
                         std::to_string(counters->second.count) + " but " +
                         std::to_string(entries.size()) + " entries");
    }
  }
  const auto is_pending = [pending](std::uint32_t number) {
    return pending != 0 && number >= pending;
  };
  std::set<ByteString> present;
  for (const PageRecord& entry : entries) {
    const std::uint32_t number = ReadBe32(RecordData(entry));
    present.emplace(entry.bytes.begin(), entry.bytes.end());
    if (!records.data.count(number) && !is_pending(number)) {
      problems.push_back(key_where + ": entry names missing record " +
                         std::to_string(number));
    }
  }
  for (const auto& [number, image] : records.data) {
    if (is_pending(number)) continue;
    const auto expected =
        BuildKeyEntry(table, key, description, image, number, rules);
    if (expected && !present.count(expected->bytes)) {
      problems.push_back(key_where + ": record " + std::to_string(number) +
                         " has no entry");
    }
  }
}

void CheckTable(BTree& tree, std::uint32_t table, const TableRecords& records,
                std::vector<std::string>& problems) {
  const std::string where = TableText(table);
  if (!records.has_name) problems.push_back(where + ": no table name");
  const auto description = ReadDescription(ReadDescriptionStream(tree, table));
  if (!description) {
    problems.push_back(where + ": description does not parse");
    return;
  }
  const auto data_count = records.counters.find(kKindData);
  if (data_count == records.counters.end()) {
    problems.push_back(where + ": no counters record for data");
  } else if (data_count->second.count != records.data.size()) {
    problems.push_back(where + ": data count " +
                       std::to_string(data_count->second.count) + " but " +
                       std::to_string(records.data.size()) + " data records");
  }
  const auto stored = TableCharTables(tree, table);
  const CharTables& tables = stored ? stored->tables : GetCharTables();
  const KeyStringRules rules{&tables, stored && stored->oem, false};
  for (const auto& [number, image] : records.data) {
    if (image.size() != description->record_length) {
      problems.push_back(where + ": record " + std::to_string(number) +
                         " has " + std::to_string(image.size()) + " bytes");
    }
  }
  for (std::size_t k = 0; k < description->keys.size(); ++k) {
    CheckKeyEntries(table, static_cast<std::uint8_t>(k), *description, records,
                    rules, problems);
  }
  CheckMemoChunks(where, *description, records, problems);
  for (const auto& [key, entries] : records.entries) {
    if (key >= description->keys.size()) {
      problems.push_back(where + ": entries of undeclared key " +
                         std::to_string(key));
    }
  }
}

void CheckRecords(TnlFile& file, std::vector<std::string>& problems) {
  BTree tree(file);
  std::map<std::uint32_t, TableRecords> tables;
  ByteString at;
  while (auto record = tree.FindFirstGreater(at)) {
    at.assign(record->Key().begin(), record->Key().end());
    const auto data = RecordData(*record);
    if (at[0] == kTransactionByte) continue;
    if (at[0] == kTableNameByte) {
      if (data.size() != kTableNumberBytes) {
        problems.push_back("table name record with bad data");
      } else {
        tables[ReadBe32(data)].has_name = true;
      }
      continue;
    }
    if (at.size() < kTableNumberBytes + 1) {
      problems.push_back("record with a short key");
      continue;
    }
    TableRecords& table = tables[ReadBe32(at)];
    const std::uint8_t kind = at[kTableNumberBytes];
    if (kind == kKindData && at.size() == kDataKeyLength) {
      table.data[ReadBe32(std::span(at).subspan(5))] =
          ByteString(data.begin(), data.end());
    } else if (kind == kKindCounters && at.size() == kCountersKeyLength) {
      if (auto counters = ReadCounters(*record)) {
        table.counters[at[5]] = *counters;
      } else {
        problems.push_back(TableText(ReadBe32(at)) + ": short counters record");
      }
    } else if (kind == kKindMemo) {
      if (const auto chunk = ParseMemoKey(at)) {
        table.memos[{chunk->record, chunk->memo}].emplace_back(
            chunk->sequence, ByteString(data.begin(), data.end()));
      } else {
        problems.push_back(TableText(ReadBe32(at)) +
                           ": memo chunk with a bad key");
      }
    } else if (kind < kKindData) {
      if (data.size() != kTableNumberBytes) {
        problems.push_back(TableText(ReadBe32(at)) +
                           ": key entry with bad data");
      } else {
        table.entries[kind].push_back(*record);
      }
    }
  }
  for (const auto& [number, records] : tables) {
    CheckTable(tree, number, records, problems);
  }
}

// Fewer commits than this before the change counter's end are reported.
constexpr std::uint32_t kFewCommitsLeft = 0x10000;

}  // namespace

std::vector<std::string> CheckFileIntegrity(TnlFile& file, LockWait wait) {
  std::vector<std::string> problems;
  const int check = RunOperation("", [&] {
    const int load = file.LoadHeader(wait);
    if (load != kLoadOk) {
      problems.push_back(load == kLoadInvalidFile ? "not a valid file"
                                                  : "the file is locked");
      return;
    }
    const std::uint32_t counter = file.header().change_counter;
    const std::uint32_t commits_left =
        counter > kLastCommitCounter ? 0
                                     : (kLastCommitCounter - counter) / 2 + 1;
    if (commits_left < kFewCommitsLeft) {
      problems.push_back("change counter " + std::to_string(counter) +
                         " near its end: " + std::to_string(commits_left) +
                         " commits left");
    }
    const std::string structure = CheckStructure(file);
    if (!structure.empty()) {
      problems.push_back("structure: " + structure);
      return;
    }
    CheckRecords(file, problems);
  });
  file.EndOperation();
  if (check != 0) {
    problems.push_back("internal check " + std::to_string(check) +
                       " failed while reading");
  }
  return problems;
}

}  // namespace vantrel
