#include "storage/tnl/table/file_check.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <set>

#include "runtime/data/base/byte_order.h"
#include "storage/tnl/format/header.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/format/page_image.h"
#include "storage/tnl/table/btree.h"
#include "storage/tnl/table/memo_store.h"
#include "storage/tnl/table/structure_check.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {

namespace {

std::string TableText(std::uint32_t table) {
  return "table " + std::to_string(table);
}

std::string Hex(std::uint8_t byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[byte >> 4], kDigits[byte & 0xF]};
}

std::string PageText(PageNumber page, std::uint64_t position) {
  return "page " + std::to_string(page) + " at position " +
         std::to_string(position);
}

// The header as it lies at position 0, against the file's size and the
// header in memory (which recovery may have taken from the shadow area).
void CheckHeader(TnlFile& file, std::vector<std::string>& problems) {
  std::array<unsigned char, kHeaderSize> image{};
  Header disk;
  if (file.channel().ReadBlock(kHeaderSize, image.data(), 0) != kHeaderSize ||
      !DecodeHeader(image, &disk)) {
    return;  // a new, empty file: nothing is on the disk yet
  }
  const auto add = [&](const std::string& what) {
    problems.push_back("header: " + what);
  };
  if (const std::uint32_t address = LoadLe32(&image[kHeaderAddressOffset]);
      address != 0) {
    add("address word " + std::to_string(address) + ", not 0");
  }
  if (const std::uint16_t size = LoadLe16(&image[kHeaderSizeOffset]);
      size != kHeaderSize) {
    add("size word " + std::to_string(size) + ", not " +
        std::to_string(kHeaderSize));
  }
  if (disk.reserved != 0) {
    add("reserved word " + std::to_string(disk.reserved) + ", not 0");
  }
  const std::int64_t length = file.channel().file()->Size();
  if (length < 0) return;
  const auto file_size = static_cast<std::uint64_t>(length);
  const std::string past =
      " past the end of the file (" + std::to_string(file_size) + " bytes)";
  if (disk.committed_end > file_size) {
    add("committed end " + std::to_string(disk.committed_end) + past);
  }
  if (disk.shadow_end > file_size) {
    add("shadow end " + std::to_string(disk.shadow_end) + past);
  }
  const std::uint64_t page_space =
      PagePosition(EndOfPageSpace(file.header().zones));
  if (page_space > file_size) {
    add("page space ends at " + std::to_string(page_space) + past);
  }
  if (disk.committed_end == disk.shadow_end && disk.change_counter != 0 &&
      disk.committed_end != PagePosition(EndOfPageSpace(disk.zones))) {
    add("committed end " + std::to_string(disk.committed_end) +
        " is not the end of the page space " +
        std::to_string(PagePosition(EndOfPageSpace(disk.zones))));
  }
}

// Every zone slot's image, read and decoded one at a time. False when an
// image does not decode: the tree cannot then be walked.
bool CheckPages(TnlFile& file, CheckDepth depth,
                std::vector<std::string>& problems) {
  const ZoneTable& zones = file.header().zones;
  std::vector<unsigned char> image;
  bool decoded_all = true;
  for (int k = 1; k <= kMaxPageUnits; ++k) {
    const auto units = static_cast<std::uint32_t>(k);
    for (std::uint32_t p = zones.start[k]; p + units <= zones.end[k];
         p += units) {
      const auto home = static_cast<std::uint32_t>(PagePosition(p));
      const auto shadow = file.recovery_map().find(home);
      const std::uint64_t position =
          shadow != file.recovery_map().end() ? shadow->second : home;
      const std::string where = PageText(static_cast<PageNumber>(p), position);
      image.assign(units * kPageUnit, 0);
      if (file.channel().ReadBlock(image.size(), image.data(), position) !=
          image.size()) {
        problems.push_back(where + ": past the end of the file");
        decoded_all = false;
        continue;
      }
      std::optional<DecodedPage> page;
      const int failed = RunOperation(
          file.name(), [&] { page.emplace(DecodePageImage(image)); });
      if (failed != 0) {
        problems.push_back(where + ": does not decode (internal check " +
                           std::to_string(failed) + ")");
        decoded_all = false;
        continue;
      }
      if (page->home != home) {
        problems.push_back(where + ": home word " + std::to_string(page->home) +
                           ", not " + std::to_string(home));
      }
      if (page->used_word != page->used) {
        problems.push_back(
            where + ": used word " + std::to_string(page->used_word) +
            " but its records measure " + std::to_string(page->used));
      }
      if (depth != CheckDepth::kStrict) continue;
      PageImage again;
      RunOperation(file.name(), [&] {
        again = EncodePageImage(page->level, page->records, home);
      });
      const auto differs = std::mismatch(
          image.begin(), image.end(), again.bytes.begin(), again.bytes.end());
      if (differs.first != image.end() || differs.second != again.bytes.end()) {
        const auto at =
            static_cast<std::uint64_t>(differs.first - image.begin());
        problems.push_back(where +
                           ": not as a writer encodes its records "
                           "(first difference at position " +
                           std::to_string(position + at) + ")");
      }
    }
  }
  return decoded_all;
}

// The chunks of one memo of one record, as they come.
struct MemoRun {
  std::uint32_t record = 0;
  std::uint8_t memo = 0;
  bool skip = false;          // reported already: the rest of its chunks is not
  std::uint16_t next = 0;     // the sequence expected next
  std::size_t last_size = 0;  // the contents of the chunk before
  std::uint64_t held = 0;
  std::uint32_t blob_length = 0;
  bool sizes_bad = false;
};

struct TableState {
  std::uint32_t number = 0;
  std::optional<TableDescription> description;
  std::string description_fault;
  CharTables tables;
  KeyStringRules rules;
  std::array<std::uint32_t, 256> pending{};
  std::uint64_t data_count = 0;
  std::map<std::uint8_t, std::uint64_t> entries;  // key -> entries
  std::map<std::uint8_t, Counters> counters;
  std::set<std::uint8_t> undeclared_reported;
  std::optional<MemoRun> memo;
};

// The records of the file in key order, one table at a time: what a table
// needs from its other records (description, character tables, pending
// numbers) is looked up when it begins, and a data record and its key
// entries are matched by looking each other up, so nothing grows with the
// number of records.
class RecordChecker {
 public:
  RecordChecker(TnlFile& file, std::vector<std::string>& problems)
      : file_(file), tree_(file), problems_(problems) {}

  void Run() {
    for (const TableEntry& t : ListTables(tree_)) {
      named_.insert(t.number);
      Note(t.number);
    }
    std::set<std::uint32_t> seen;
    ByteString at;
    LeafHint hint;
    while (auto record = tree_.FindFirstGreater(at, hint)) {
      at.assign(record->Key().begin(), record->Key().end());
      Take(*record, seen);
      file_.TrimCache();
    }
    if (table_) FinishTable();
    // Named tables without a single record of their own.
    for (const std::uint32_t number : named_) {
      if (seen.count(number)) continue;
      StartTable(number);
      FinishTable();
    }
    if (highest_ > file_.header().last_issued) {
      problems_.push_back("header: last issued number " +
                          std::to_string(file_.header().last_issued) +
                          " below number " + std::to_string(highest_) +
                          " in use");
    }
  }

 private:
  void Note(std::uint32_t number) { highest_ = std::max(highest_, number); }
  void Problem(const std::string& what) {
    problems_.push_back(TableText(table_->number) + ": " + what);
  }

  void Take(const PageRecord& record, std::set<std::uint32_t>& seen) {
    const auto key = record.Key();
    const auto data = RecordData(record);
    if (key[0] == kTransactionByte) return;
    if (key[0] == kTableNameByte) {
      if (data.size() != kTableNumberBytes) {
        problems_.push_back("table name record with bad data");
      }
      return;
    }
    if (key.size() < kTableNumberBytes + 1) {
      problems_.push_back("record with a short key");
      return;
    }
    const std::uint32_t number = ReadBe32(key);
    if (!table_ || table_->number != number) {
      if (table_) FinishTable();
      StartTable(number);
      seen.insert(number);
      Note(number);
    }
    const std::uint8_t kind = key[kTableNumberBytes];
    if (kind < kKindData) return TakeEntry(record, kind);
    const std::size_t expected =
        kind == kKindData          ? kDataKeyLength
        : kind == kKindCounters    ? kCountersKeyLength
        : kind == kKindDescription ? kDescriptionKeyLength
        : kind == kKindCharTables  ? kCharTablesKeyLength
        : kind == kKindMemo        ? kMemoKeyLength
                                   : 0;
    if (expected == 0) return Problem("record of unknown kind " + Hex(kind));
    if (key.size() != expected) {
      return Problem("record of kind " + Hex(kind) + " with a key of " +
                     std::to_string(key.size()) + " bytes");
    }
    if (kind == kKindData) return TakeData(record);
    if (kind == kKindMemo) return TakeChunk(record);
    if (kind == kKindCounters) {
      if (const auto counters = ReadCounters(record)) {
        table_->counters[key[5]] = *counters;
      } else {
        Problem("short counters record");
      }
    }
  }

  void StartTable(std::uint32_t number) {
    table_.emplace();
    TableState& t = *table_;
    t.number = number;
    t.description = ReadDescription(ReadDescriptionStream(tree_, number),
                                    &t.description_fault);
    const auto found = tree_.Find(CharTablesKey(number));
    const auto stored = found ? ReadCharTables(*found) : std::nullopt;
    if (found &&
        (!stored || RecordData(*found).size() != 1 + kCharTablesBytes)) {
      Problem("character tables of " +
              std::to_string(RecordData(*found).size()) + " bytes, not " +
              std::to_string(1 + kCharTablesBytes));
    }
    t.tables = stored ? stored->tables : GetCharTables();
    t.rules = KeyStringRules{&t.tables, stored && stored->oem, false};
    if (!t.description) return;
    for (std::size_t k = 0; k < t.description->keys.size(); ++k) {
      const auto counters =
          ReadCountersOf(tree_, number, static_cast<std::uint8_t>(k));
      t.pending[k] = counters ? counters->flags : 0;
    }
  }

  // An INDEX key is not kept up to date: from its pending number on (the
  // second word of its counters record, 0 when nothing is pending) records
  // may lack their entries and entries may name records that are gone.
  bool Pending(std::uint8_t key, std::uint32_t record) const {
    const std::uint32_t pending = table_->pending[key];
    return pending != 0 && record >= pending;
  }

  void TakeEntry(const PageRecord& entry, std::uint8_t key) {
    TableState& t = *table_;
    const auto data = RecordData(entry);
    if (data.size() != kTableNumberBytes) {
      return Problem("key entry with bad data");
    }
    ++t.entries[key];
    const std::uint32_t number = ReadBe32(data);
    Note(number);
    if (!t.description) return;
    if (key >= t.description->keys.size()) {
      if (t.undeclared_reported.insert(key).second) {
        Problem("entries of undeclared key " + std::to_string(key));
      }
      return;
    }
    if (Pending(key, number)) return;
    const std::string where = "key " + std::to_string(key) + ": ";
    const auto record = tree_.Find(DataKey(t.number, number));
    if (!record) {
      return Problem(where + "entry names missing record " +
                     std::to_string(number));
    }
    const auto image = RecordData(*record);
    if (image.size() != t.description->record_length) return;
    const auto expected =
        BuildKeyEntry(t.number, key, *t.description, image, number, t.rules);
    if (!expected || expected->bytes != entry.bytes) {
      Problem(where + "entry of record " + std::to_string(number) +
              " does not match the record");
    }
  }

  void TakeData(const PageRecord& record) {
    TableState& t = *table_;
    ++t.data_count;
    const std::uint32_t number = ReadBe32(record.Key().subspan(5));
    Note(number);
    if (!t.description) return;
    const auto image = RecordData(record);
    if (image.size() != t.description->record_length) {
      return Problem("record " + std::to_string(number) + " has " +
                     std::to_string(image.size()) + " bytes");
    }
    for (std::size_t k = 0; k < t.description->keys.size(); ++k) {
      const auto key = static_cast<std::uint8_t>(k);
      if (Pending(key, number)) continue;
      const auto expected =
          BuildKeyEntry(t.number, key, *t.description, image, number, t.rules);
      if (!expected) continue;
      const auto found = tree_.Find(expected->Key());
      if (!found || found->bytes != expected->bytes) {
        Problem("key " + std::to_string(k) + ": record " +
                std::to_string(number) + " has no entry");
      }
    }
  }

  std::string MemoWhere(const MemoRun& run) const {
    return TableText(table_->number) + " record " + std::to_string(run.record) +
           " memo " + std::to_string(run.memo);
  }

  void TakeChunk(const PageRecord& record) {
    TableState& t = *table_;
    const auto chunk = ParseMemoKey(record.Key());
    if (!chunk) return Problem("memo chunk with a bad key");
    Note(chunk->record);
    if (!t.memo || t.memo->record != chunk->record ||
        t.memo->memo != chunk->memo) {
      FinishMemo();
      t.memo.emplace();
      MemoRun& run = *t.memo;
      run.record = chunk->record;
      run.memo = chunk->memo;
      if (!tree_.Find(DataKey(t.number, chunk->record))) {
        problems_.push_back(MemoWhere(run) + ": chunks of a missing record");
      }
      if (t.description && chunk->memo >= t.description->memos.size()) {
        problems_.push_back(MemoWhere(run) + ": chunks of an undeclared memo");
        run.skip = true;
      }
    }
    MemoRun& run = *t.memo;
    if (run.skip || !t.description) return;
    if (chunk->sequence != run.next) {
      problems_.push_back(MemoWhere(run) + ": chunk " +
                          std::to_string(run.next) + " is missing");
      run.skip = true;
      return;
    }
    const auto data = RecordData(record);
    const bool blob =
        (t.description->memos[run.memo].flags & kDescribedMemoBlob) != 0;
    std::size_t size = data.size();
    if (run.next == 0 && blob) {
      if (size < kBlobLengthBytes) {
        run.sizes_bad = true;
      } else {
        run.blob_length = LoadLe32(data.data());
        size -= kBlobLengthBytes;
      }
    }
    // Every chunk but the last holds a whole chunk's contents.
    if (run.next > 0 && run.last_size != kMemoChunkBytes) run.sizes_bad = true;
    if (size == 0 || size > kMemoChunkBytes) run.sizes_bad = true;
    run.last_size = size;
    run.held += size;
    ++run.next;
  }

  void FinishMemo() {
    TableState& t = *table_;
    if (!t.memo || t.memo->skip || !t.description) return;
    const MemoRun& run = *t.memo;
    const bool blob =
        (t.description->memos[run.memo].flags & kDescribedMemoBlob) != 0;
    if (run.sizes_bad || (blob && run.held != run.blob_length)) {
      problems_.push_back(
          MemoWhere(run) + ": chunk sizes" +
          (blob ? " disagree with the BLOB's length" : " are not as written"));
    }
    t.memo.reset();
  }

  void FinishTable() {
    TableState& t = *table_;
    if (!named_.count(t.number)) Problem("no table name");
    if (!t.description) {
      Problem("description refused: " + t.description_fault);
      table_.reset();
      return;
    }
    FinishMemo();
    const auto data = t.counters.find(kKindData);
    if (data == t.counters.end()) {
      Problem("no counters record for data");
    } else if (data->second.count != t.data_count) {
      Problem("data count " + std::to_string(data->second.count) + " but " +
              std::to_string(t.data_count) + " data records");
    }
    for (std::size_t k = 0; k < t.description->keys.size(); ++k) {
      const auto key = static_cast<std::uint8_t>(k);
      const std::string where = "key " + std::to_string(k) + ": ";
      const auto counters = t.counters.find(key);
      const std::uint64_t entries = t.entries.count(key) ? t.entries[key] : 0;
      if (counters == t.counters.end()) {
        Problem(where + "no counters record");
      } else if (counters->second.count != entries) {
        Problem(where + "entry count " +
                std::to_string(counters->second.count) + " but " +
                std::to_string(entries) + " entries");
      }
    }
    table_.reset();
  }

  TnlFile& file_;
  BTree tree_;
  std::vector<std::string>& problems_;
  std::set<std::uint32_t> named_;    // table numbers with a name record
  std::optional<TableState> table_;  // the table whose records come now
  std::uint32_t highest_ = 0;        // the highest number in use
};

// Fewer commits than this before the change counter's end are reported.
constexpr std::uint32_t kFewCommitsLeft = 0x10000;

}  // namespace

std::vector<std::string> CheckFileIntegrity(TnlFile& file, LockWait wait,
                                            CheckDepth depth) {
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
    CheckHeader(file, problems);
    if (!CheckPages(file, depth, problems)) return;
    const std::string structure = CheckStructure(file);
    if (!structure.empty()) {
      problems.push_back("structure: " + structure);
      return;
    }
    RecordChecker(file, problems).Run();
  });
  file.EndOperation();
  if (check != 0) {
    problems.push_back("internal check " + std::to_string(check) +
                       " failed while reading");
  }
  return problems;
}

}  // namespace vantrel
