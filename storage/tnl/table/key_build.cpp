#include "storage/tnl/table/key_build.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "runtime/data/base/byte_order.h"
#include "runtime/data/base/error_state.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {

namespace {

// How often (in records or entries) progress is reported.
constexpr std::uint64_t kProgressInterval = 512;
// Every key entry's data is the record number it names.
constexpr std::size_t kEntryDataBytes = 4;

// One key being built: its number, whether its values must be unique, and
// its entries in sorting.
struct KeyInBuild {
  std::uint8_t key;
  bool unique;
  std::unique_ptr<ExternalSorter> sorter;
};

bool StartsWith(std::span<const std::uint8_t> bytes,
                std::span<const std::uint8_t> prefix) {
  return bytes.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

// Calls `visit` with the number and image of every data record of `table`,
// in record order, until it returns false.
template <typename Visit>
void ForEachDataRecord(BTree& tree, std::uint32_t table, Visit&& visit) {
  ByteString at = DataKey(table, 0);
  const std::span<const std::uint8_t> kind_prefix(at.data(),
                                                  kTableNumberBytes + 1);
  const ByteString prefix(kind_prefix.begin(), kind_prefix.end());
  while (auto record = tree.FindFirstGreater(at)) {
    const auto key = record->Key();
    if (key.size() != kDataKeyLength || !StartsWith(key, prefix)) break;
    at.assign(key.begin(), key.end());
    const std::uint32_t number = ReadBe32(key.subspan(kTableNumberBytes + 1));
    if (!visit(number, RecordData(*record))) break;
  }
}

class KeyBuilder {
 public:
  KeyBuilder(BTree& tree, std::uint32_t table,
             const TableDescription& description, const KeyStringRules& rules,
             const KeyBuildOptions& options)
      : tree_(tree),
        table_(table),
        description_(description),
        rules_(rules),
        options_(options) {
    if (options.new_tables != nullptr) rules_.tables = options.new_tables;
  }

  int Run(std::span<const std::uint8_t> keys) {
    for (std::uint8_t k : keys) {
      if (k >= description_.keys.size()) continue;
      ExternalSortOptions sort = options_.sort;
      sort.memory_bytes =
          std::max<std::size_t>(1, sort.memory_bytes / keys.size());
      keys_.push_back({k, (description_.keys[k].flags & kDescribedDup) == 0,
                       std::make_unique<ExternalSorter>(sort)});
    }
    if (const int code = ReadEntries(); code != 0) return code;
    if (const int code = CheckUnique(); code != 0) return code;
    WriteKeys();
    return 0;
  }

 private:
  bool Report(BuildStage stage, std::uint64_t done, std::uint64_t total,
              std::uint8_t key = 0) {
    if (!options_.progress) return true;
    return options_.progress({stage, done, std::max(done, total), key});
  }

  int SortFailure(const ExternalSorter& sorter) const {
    return kErrOsBase + sorter.error();
  }

  // The reading stage: every record's entries into the sorters.
  int ReadEntries() {
    const std::uint64_t total =
        ReadCountersOf(tree_, table_, kKindData).value_or(Counters{}).count;
    if (!Report(BuildStage::kReading, 0, total)) return kErrBuildCancelled;
    std::uint64_t done = 0;
    int code = 0;
    ForEachDataRecord(tree_, table_, [&](std::uint32_t number, auto image) {
      const bool included =
          !options_.include || options_.include(number, image);
      for (KeyInBuild& k :
           included ? std::span(keys_) : std::span<KeyInBuild>()) {
        const auto entry =
            BuildKeyEntry(table_, k.key, description_, image, number, rules_);
        if (entry && !k.sorter->Add(entry->bytes)) {
          code = SortFailure(*k.sorter);
          return false;
        }
      }
      if (++done % kProgressInterval == 0 &&
          !Report(BuildStage::kReading, done, total)) {
        code = kErrBuildCancelled;
        return false;
      }
      return true;
    });
    if (code != 0) return code;
    for (KeyInBuild& k : keys_) {
      if (!k.sorter->Finish()) return SortFailure(*k.sorter);
      entries_total_ += k.sorter->record_count();
    }
    if (!Report(BuildStage::kReading, done, total)) return kErrBuildCancelled;
    return 0;
  }

  // Sorted entries of a unique key: equal neighbouring key parts collide.
  int CheckUnique() {
    for (KeyInBuild& k : keys_) {
      if (!k.unique) continue;
      ByteString previous;
      bool first = true;
      bool collision = false;
      const bool read = k.sorter->Merge([&](std::span<const std::uint8_t> e) {
        const auto key_part = e.first(e.size() - kEntryDataBytes);
        collision = !first && std::equal(key_part.begin(), key_part.end(),
                                         previous.begin(), previous.end());
        first = false;
        previous.assign(key_part.begin(), key_part.end());
        return !collision;
      });
      if (collision) return kErrDuplicateKey;
      if (!read) return SortFailure(*k.sorter);
    }
    return 0;
  }

  void WriteKeys() {
    if (options_.new_tables != nullptr) ReplaceCharTables();
    for (KeyInBuild& k : keys_) {
      writing_ = k.key;
      RemoveKeyEntries(tree_, table_, k.key);
      std::uint64_t count = 0;
      const bool read = k.sorter->Merge([&](std::span<const std::uint8_t> e) {
        InsertEntry(e);
        ++count;
        return true;
      });
      if (!read) {
        // The run could not be read back: start the key over, unsorted.
        entries_written_ -= count;
        RemoveKeyEntries(tree_, table_, k.key);
        count = InsertEntriesDirectly(k.key);
      }
      WriteCountersOf(tree_, table_, k.key,
                      {static_cast<std::uint32_t>(count), options_.pending});
    }
    Report(BuildStage::kWriting, entries_written_, entries_total_, writing_);
  }

  void InsertEntry(std::span<const std::uint8_t> bytes) {
    PageRecord record;
    record.bytes.assign(bytes.begin(), bytes.end());
    record.key_length =
        static_cast<std::uint16_t>(bytes.size() - kEntryDataBytes);
    tree_.Insert(std::move(record));
    if (++entries_written_ % kProgressInterval == 0) {
      Report(BuildStage::kWriting, entries_written_, entries_total_, writing_);
    }
  }

  std::uint64_t InsertEntriesDirectly(std::uint8_t key) {
    std::uint64_t count = 0;
    ForEachDataRecord(tree_, table_, [&](std::uint32_t number, auto image) {
      if (options_.include && !options_.include(number, image)) return true;
      if (auto entry =
              BuildKeyEntry(table_, key, description_, image, number, rules_)) {
        InsertEntry(entry->bytes);
        ++count;
      }
      return true;
    });
    return count;
  }

  void ReplaceCharTables() {
    const auto stored = TableCharTables(tree_, table_);
    tree_.Remove(CharTablesKey(table_));
    tree_.Insert(CharTablesRecord(table_, stored ? stored->oem : rules_.oem,
                                  *options_.new_tables));
  }

  BTree& tree_;
  std::uint32_t table_;
  const TableDescription& description_;
  KeyStringRules rules_;
  const KeyBuildOptions& options_;
  std::vector<KeyInBuild> keys_;
  std::uint64_t entries_total_ = 0;
  std::uint64_t entries_written_ = 0;
  std::uint8_t writing_ = 0;  // the key whose entries are going in
};

}  // namespace

int RebuildKeys(BTree& tree, std::uint32_t table,
                const TableDescription& description,
                std::span<const std::uint8_t> keys, const KeyStringRules& rules,
                const KeyBuildOptions& options) {
  return KeyBuilder(tree, table, description, rules, options).Run(keys);
}

std::uint64_t RemoveKeyEntries(BTree& tree, std::uint32_t table,
                               std::uint8_t key) {
  ByteString prefix = TablePrefix(table);
  prefix.push_back(key);
  std::uint64_t removed = 0;
  while (auto entry = tree.FindFirstAtOrAbove(prefix)) {
    if (!StartsWith(entry->Key(), prefix)) break;
    tree.Remove(entry->Key());
    ++removed;
  }
  return removed;
}

}  // namespace vantrel
