#include "storage/tnl/table/salvage.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "os/posix/file.h"
#include "os/posix/file_names.h"
#include "os/posix/open_mode.h"
#include "os/posix/os_error.h"
#include "runtime/data/base/byte_order.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/text/char_tables.h"
#include "storage/tnl/format/header.h"
#include "storage/tnl/format/page_image.h"
#include "storage/tnl/pager/io_channel.h"
#include "storage/tnl/table/key_maintenance.h"
#include "storage/tnl/table/memo_store.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {

namespace {

// Records added to the new file between two commits, so that the pages of
// a large table do not all wait in memory for one commit.
constexpr std::size_t kRecordsPerCommit = 5000;
// Slots past the end of the file that are listed one by one; beyond this a
// zone table claims more than a cut tail explains.
constexpr std::uint64_t kMaxListedBeyondEnd = 1 << 16;
// The lost name of table n becomes this prefix and n.
constexpr std::string_view kLostNamePrefix = "TABLE";

// A span of keys that a lost page may have held: [low, high), high absent
// when the span is open above. The first child of an inner page holds every
// key below its neighbour's separator, so its span starts at the empty key.
struct LostSpan {
  ByteString low;
  std::optional<ByteString> high;
};

// An inner page as read: its children and their separators.
struct InnerPage {
  std::vector<PageNumber> children;
  std::vector<ByteString> separators;
};

// Everything read from the damaged file's pages.
struct FoundRecords {
  std::map<ByteString, PageRecord> records;  // leaf records by key part
  std::set<PageNumber> pages;                // decoded pages
  std::set<PageNumber> skipped;              // pages that did not decode
  // Position -> end of every page that decoded.
  std::map<std::uint64_t, std::uint64_t> extents;
  std::set<PageNumber> beyond;   // slots past the end of the file, listed
  std::uint64_t beyond_end = 0;  // and counted
  // First key -> last key of every leaf read.
  std::map<ByteString, ByteString> leaf_ranges;
  std::vector<InnerPage> inner_pages;
  std::vector<LostSpan> lost_spans;
  // A skipped page that no inner page names: what it held is unknown.
  bool unknown_loss = false;
  std::size_t conflicting_copies = 0;
};

// Whether a record with key part `key` may have been on a lost page. Leaves
// divide the key space in order, so a key inside the range of a leaf that
// was read is not lost; one between two leaves that were read was lost only
// when a lost page may have sat between them.
bool MayBeLost(const FoundRecords& found, std::span<const std::uint8_t> key) {
  const ByteString k(key.begin(), key.end());
  // The first leaf whose first key sorts after `key`, and the one before it.
  auto next = found.leaf_ranges.upper_bound(k);
  const ByteString* below = nullptr;  // the last key of the leaf before
  if (next != found.leaf_ranges.begin()) {
    const auto previous = std::prev(next);
    if (CompareKeys(key, previous->second) <= 0) return false;
    below = &previous->second;
  }
  if (found.unknown_loss) return true;
  const ByteString* above = next == found.leaf_ranges.end() ? nullptr
                                                            : &next->first;
  return std::any_of(
      found.lost_spans.begin(), found.lost_spans.end(),
      [&](const LostSpan& s) {
        return (above == nullptr || CompareKeys(s.low, *above) < 0) &&
               (below == nullptr || !s.high ||
                CompareKeys(*below, *s.high) < 0);
      });
}

// Reads the damaged file through a channel opened for reading only.
class DamagedFile {
 public:
  bool Open(const std::string& path, const std::string& password) {
    OpenOptions options;  // read only, sharing everything
    if (!channel_.Open(path, options)) return false;
    if (!password.empty()) channel_.SetPassword(password);
    const std::int64_t size = channel_.file()->Size();
    size_ = size < 0 ? 0 : static_cast<std::uint64_t>(size);
    return true;
  }
  std::uint64_t size() const { return size_; }
  // `length` bytes (a multiple of 64) at `position`; false when the file
  // ends before them or the read fails.
  bool Read(std::uint64_t position, std::size_t length,
            std::vector<unsigned char>& out) {
    out.assign(length, 0);
    std::size_t got = 0;
    const int check = RunOperation(channel_.name(), [&] {
      got = channel_.ReadBlock(length, out.data(), position);
    });
    channel_.ClearError();
    if (check != 0) ClearError();
    return check == 0 && got == length;
  }

 private:
  IoChannel channel_;
  std::uint64_t size_ = 0;
};

// Decodes one image; none when it does not decode or is not at home.
std::optional<DecodedPage> DecodeAt(std::span<const unsigned char> image,
                                    PageNumber page, const std::string& name) {
  std::optional<DecodedPage> decoded;
  const int check =
      RunOperation(name, [&] { decoded = DecodePageImage(image); });
  if (check != 0) {
    ClearError();
    return std::nullopt;
  }
  if (decoded->home != PagePosition(static_cast<std::uint64_t>(page))) {
    return std::nullopt;
  }
  return decoded;
}

void TakePage(const DecodedPage& page, PageNumber number, FoundRecords& found) {
  found.pages.insert(number);
  if (page.level != 0) {
    InnerPage inner;
    page.records.ForEach([&](const RecordRef& r) {
      inner.children.push_back(r.child);
      inner.separators.emplace_back(r.Key().begin(), r.Key().end());
    });
    found.inner_pages.push_back(std::move(inner));
    return;
  }
  if (!page.records.empty()) {
    const auto first = page.records.At(0).Key();
    const auto last = page.records.At(page.records.size() - 1).Key();
    found.leaf_ranges.emplace(ByteString(first.begin(), first.end()),
                              ByteString(last.begin(), last.end()));
  }
  page.records.ForEach([&](const RecordRef& r) {
    ByteString key(r.Key().begin(), r.Key().end());
    const auto [at, inserted] = found.records.try_emplace(std::move(key));
    if (inserted) {
      at->second = r.Copy();
    } else if (r != RecordRef(at->second)) {
      ++found.conflicting_copies;
    }
  });
}

// Reads the page of `units` units in slot `page`.
void ReadSlot(DamagedFile& file, PageNumber page, int units,
              const std::string& name, FoundRecords& found) {
  std::vector<unsigned char> image;
  const std::uint64_t position = PagePosition(static_cast<std::uint64_t>(page));
  std::optional<DecodedPage> decoded;
  if (file.Read(position, static_cast<std::size_t>(units) * kPageUnit, image)) {
    decoded = DecodeAt(image, page, name);
  }
  if (decoded) {
    TakePage(std::move(*decoded), page, found);
    found.extents[position] = position + image.size();
  } else {
    found.skipped.insert(page);
  }
}

// The end of the decoded page that covers `position`, or 0.
std::uint64_t CoveredUpTo(const FoundRecords& found, std::uint64_t position) {
  auto after = found.extents.upper_bound(position);
  if (after == found.extents.begin()) return 0;
  const auto covering = std::prev(after);
  return position < covering->second ? covering->second : 0;
}

// Reads every slot of the zones. Slots past the end of the file (a cut
// tail, or a zone table that only looks sound) are not read; each counts as
// skipped, and when there are too many to list their keys count as unknown.
void ReadZones(DamagedFile& file, const ZoneTable& zones,
               const std::string& name, FoundRecords& found) {
  for (int k = 1; k <= kMaxPageUnits; ++k) {
    for (std::uint64_t p = zones.start[k]; p + k <= zones.end[k]; p += k) {
      if (PagePosition(p) >= file.size()) {
        const std::uint64_t beyond = (zones.end[k] - p) / k;
        found.beyond_end += beyond;
        if (found.beyond_end > kMaxListedBeyondEnd) {
          found.unknown_loss = true;
        } else {
          for (std::uint64_t i = 0; i < beyond; ++i) {
            found.beyond.insert(static_cast<PageNumber>(p + i * k));
          }
        }
        break;
      }
      ReadSlot(file, static_cast<PageNumber>(p), k, name, found);
    }
  }
}

// Tries every unit in [from, to) that no decoded page covers as the start
// of a page whose home word names its position; a page that decodes is
// stepped over whole.
void ScanUnits(DamagedFile& file, const std::string& name, std::uint64_t from,
               std::uint64_t to, FoundRecords& found) {
  std::vector<unsigned char> head;
  std::uint64_t position = from;
  to = std::min(to, file.size());
  while (position + kPageUnit <= to) {
    if (const std::uint64_t end = CoveredUpTo(found, position); end != 0) {
      position = end;
      continue;
    }
    const auto page = static_cast<PageNumber>(PageAtPosition(position));
    std::uint64_t step = kPageUnit;
    if (file.Read(position, kPageUnit, head) &&
        LoadLe32(head.data() + kPageHomeOffset) == position) {
      const std::uint32_t stored = LoadLe16(head.data() + kPageStoredOffset);
      const std::uint64_t units = (stored + kPageUnit - 1) / kPageUnit;
      if (stored >= kPageHeaderSize && units <= kMaxPageUnits) {
        ReadSlot(file, page, static_cast<int>(units), name, found);
        if (found.pages.count(page) != 0) step = units * kPageUnit;
      }
    }
    position += step;
  }
}

// Scans the zones' own ranges for pages that their slots did not give: a
// damaged zone bound that still looks sound puts the slots of its zone out
// of step with the pages. Free space between zones, where stale images of
// moved pages lie, is left alone. A slot that a page found so covers was no
// page; it no longer counts as skipped.
void ScanZonesForMissedPages(DamagedFile& file, const ZoneTable& zones,
                             const std::string& name, FoundRecords& found) {
  if (found.skipped.empty()) return;
  for (int k = 1; k <= kMaxPageUnits; ++k) {
    if (zones.start[k] == zones.end[k]) continue;
    ScanUnits(file, name, PagePosition(zones.start[k]),
              PagePosition(zones.end[k]), found);
  }
  std::erase_if(found.skipped, [&](PageNumber p) {
    return CoveredUpTo(found, PagePosition(static_cast<std::uint64_t>(p))) != 0;
  });
}

enum class HeaderState {
  kSound,     // magic and zone table sound
  kZonesOnly, // the magic is damaged but the zone table holds together
  kUnusable,
};

// The header, read even when its magic is damaged: one damaged byte should
// not cost the zone table, which keeps stale page images in free space out
// of the salvage.
HeaderState ReadHeader(DamagedFile& file, Header& header) {
  std::vector<unsigned char> head;
  if (!file.Read(0, kHeaderSize, head)) return HeaderState::kUnusable;
  const bool magic = DecodeHeader(head, &header);
  if (!magic) {
    std::copy(kHeaderMagic.begin(), kHeaderMagic.end(),
              head.begin() + kMagicOffset);
    DecodeHeader(head, &header);
  }
  if (!ZonesConsistent(header.zones)) return HeaderState::kUnusable;
  return magic ? HeaderState::kSound : HeaderState::kZonesOnly;
}

// The spans that lost children of readable inner pages held, and whether
// some lost page is named by none of them.
void MarkLostSpans(FoundRecords& found) {
  std::set<PageNumber> named;
  for (const InnerPage& inner : found.inner_pages) {
    for (std::size_t i = 0; i < inner.children.size(); ++i) {
      named.insert(inner.children[i]);
      if (found.pages.count(inner.children[i]) != 0) continue;
      LostSpan span;
      if (i > 0) span.low = inner.separators[i];
      if (i + 1 < inner.children.size()) span.high = inner.separators[i + 1];
      found.lost_spans.push_back(std::move(span));
    }
  }
  for (const auto* lost : {&found.skipped, &found.beyond}) {
    for (PageNumber p : *lost) {
      if (named.count(p) == 0) found.unknown_loss = true;
    }
  }
}

// One memo's chunks by sequence.
using MemoChunkMap = std::map<std::uint16_t, ByteString>;

// A table of the damaged file as its records give it.
struct TableParts {
  std::optional<std::string> name;
  std::map<std::uint16_t, ByteString> description_blocks;
  std::optional<StoredCharTables> char_tables;
  std::optional<Counters> counters;  // of the data records
  std::map<std::uint32_t, ByteString> data;  // by record number
  std::map<std::uint32_t, std::map<std::uint8_t, MemoChunkMap>> memos;
};

std::map<std::uint32_t, TableParts> GroupByTable(const FoundRecords& found) {
  std::map<std::uint32_t, TableParts> tables;
  for (const auto& [key, record] : found.records) {
    const auto data = RecordData(record);
    if (!key.empty() && key[0] == kTableNameByte) {
      // An empty name cannot be opened again; the table counts as unnamed.
      if (data.size() != kTableNumberBytes || key.size() == 1) continue;
      TableParts& t = tables[ReadBe32(data)];
      if (!t.name) t.name = std::string(key.begin() + 1, key.end());
      continue;
    }
    if (key.size() <= kTableNumberBytes || key[0] == kTransactionByte) {
      continue;
    }
    const std::uint32_t table = ReadBe32(key);
    const std::uint8_t kind = key[kTableNumberBytes];
    const auto rest =
        std::span<const std::uint8_t>(key).subspan(kTableNumberBytes + 1);
    if (kind == kKindData && key.size() == kDataKeyLength) {
      tables[table].data[ReadBe32(rest)] = ByteString(data.begin(), data.end());
    } else if (kind == kKindDescription && key.size() == kDescriptionKeyLength) {
      tables[table].description_blocks[LoadLe16(rest.data())] =
          ByteString(data.begin(), data.end());
    } else if (kind == kKindCharTables && key.size() == kCharTablesKeyLength &&
               rest[0] == kCharTablesIndex) {
      tables[table].char_tables = ReadCharTables(record);
    } else if (kind == kKindCounters && key.size() == kCountersKeyLength &&
               rest[0] == kKindData) {
      tables[table].counters = ReadCounters(record);
    } else if (kind == kKindMemo) {
      if (const auto chunk = ParseMemoKey(key)) {
        tables[table].memos[chunk->record][chunk->memo][chunk->sequence] =
            ByteString(data.begin(), data.end());
      }
    }
  }
  return tables;
}

// Whether a table can be made with the description: the limits a
// declaration is held to (a damaged stream may parse yet exceed them).
bool Usable(const TableDescription& description) {
  return description.record_length <= kMaxDeclaredRecord &&
         description.memos.size() <= kMaxDeclaredMemos &&
         description.keys.size() <= kMaxDeclaredKeys;
}

// The stored description when its blocks run from 0 without a gap, parse
// and can be used.
std::optional<TableDescription> StoredDescription(const TableParts& parts) {
  ByteString stream;
  std::uint16_t next = 0;
  for (const auto& [block, bytes] : parts.description_blocks) {
    if (block != next++) return std::nullopt;
    stream.insert(stream.end(), bytes.begin(), bytes.end());
  }
  if (stream.empty()) return std::nullopt;
  auto description = ReadDescription(stream);
  if (description && !Usable(*description)) return std::nullopt;
  return description;
}

// A table of the file that supplies lost descriptions.
struct DonorTable {
  std::string name;
  TableDescription description;
  std::optional<StoredCharTables> char_tables;
};

// The readable tables of the donor file; an error text when it cannot be
// read at all.
std::string ReadDonor(const std::string& path, const std::string& password,
                      std::vector<DonorTable>& tables) {
  TnlFile file;
  if (!file.Open(path, kOpenReadShared)) return "cannot open " + path;
  if (!password.empty()) file.channel().SetPassword(password);
  file.SetReadingMode(true);
  bool loaded = false;
  const int check = RunOperation(path, [&] {
    if (file.LoadHeader(LockWait::kWait) != kLoadOk) return;
    loaded = true;
    BTree tree(file);
    for (const TableEntry& entry : ListTables(tree)) {
      auto description =
          ReadDescription(ReadDescriptionStream(tree, entry.number));
      if (!description || !Usable(*description)) continue;
      tables.push_back({entry.name, std::move(*description),
                        TableCharTables(tree, entry.number)});
    }
  });
  file.EndOperation();
  file.Close();
  if (check != 0) ClearError();
  if (check != 0 || !loaded) return path + " is not a readable native file";
  return "";
}

// The donor table for a damaged table: the one of the same name, or, when
// the name is lost, the donor's only table.
const DonorTable* DonorFor(const std::vector<DonorTable>& donors,
                           const std::optional<std::string>& name) {
  if (!name) return donors.size() == 1 ? &donors.front() : nullptr;
  for (const DonorTable& d : donors) {
    if (d.name == *name) return &d;
  }
  return nullptr;
}

// Whether the memo whose chunks are `chunks` came through whole: its chunks
// run from 0 without a gap and are cut as the writer cuts them, and when
// they end on a whole chunk of a text memo (or there are none), no lost
// page may have held the next one. A shorter last chunk ends a memo, and a
// BLOB's first chunk gives its length.
bool MemoWhole(const FoundRecords& found, std::uint32_t table,
               std::uint32_t record, std::uint8_t memo,
               const MemoChunkMap& chunks, const MemoForm& form,
               std::vector<ByteString>& ordered) {
  ordered.clear();
  std::uint16_t next = 0;
  for (const auto& [sequence, bytes] : chunks) {
    if (sequence != next++) return false;
    ordered.push_back(bytes);
  }
  if (ordered.empty()) {
    return !MayBeLost(found, MemoKey(table, record, memo, 0));
  }
  if (!ChunksConsistent(ordered, form)) return false;
  const bool may_go_on =
      !form.blob && ordered.back().size() == kMemoChunkBytes;
  return !may_go_on || !MayBeLost(found, MemoKey(table, record, memo, next));
}

// The new file, made for this salvage and removed again when it fails.
class NewFile {
 public:
  explicit NewFile(std::string path) : path_(std::move(path)) {}
  ~NewFile() {
    file_.Close();
    if (made_ && !kept_) RemoveFile(path_);
  }
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  // Makes the file, refusing one that exists.
  std::string Make(const std::string& password) {
    OpenOptions options;
    options.write = true;
    options.create = true;
    options.exclusive = true;
    if (File::Open(path_, options) == nullptr) {
      return LastSystemError() == kSysFileExists
                 ? path_ + " exists; recover writes only a new file"
                 : "cannot make " + path_;
    }
    made_ = true;
    if (!file_.Open(path_, kOpenReadWrite | kOpenDenyAll)) {
      return "cannot open " + path_;
    }
    if (!password.empty()) file_.channel().SetPassword(password);
    return "";
  }
  // Runs `body` as one committed operation; an error text when it fails.
  std::string Change(const std::function<void(BTree&)>& body) {
    int committed = 0;
    const int check = RunOperation(path_, [&] {
      if (file_.LoadHeader(LockWait::kWait) != kLoadOk) {
        committed = -1;
        return;
      }
      BTree tree(file_);
      body(tree);
      committed = file_.Commit();
    });
    file_.EndOperation();
    if (check != 0) {
      ClearError();
      return "writing " + path_ + " failed internal check " +
             std::to_string(check);
    }
    if (committed != 0) {
      return "writing " + path_ + " failed (" + std::to_string(committed) + ")";
    }
    return "";
  }
  TnlFile& file() { return file_; }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  TnlFile file_;
  bool made_ = false;
  bool kept_ = false;
};

// A name for the table in the new file that no other table there has.
std::string UniqueName(std::string name, std::set<std::string>& taken) {
  const std::string base = name;
  for (int n = 2; taken.count(name) != 0; ++n) {
    name = base + "_" + std::to_string(n);
  }
  taken.insert(name);
  return name;
}

// Memos of one record that came through whole, and those that did not.
struct MemoTally {
  std::size_t whole = 0;  // non-empty
  std::size_t lost = 0;
};

// The table's memos for one record, in the program's character set.
std::vector<ByteString> RecordMemos(const FoundRecords& found,
                                    const TableParts& parts,
                                    std::uint32_t table, std::uint32_t record,
                                    const TableDescription& description,
                                    bool oem, MemoTally& tally) {
  std::vector<ByteString> contents(description.memos.size());
  const auto stored = parts.memos.find(record);
  for (std::size_t m = 0; m < description.memos.size(); ++m) {
    const auto memo = static_cast<std::uint8_t>(m);
    static const MemoChunkMap kNone;
    const MemoChunkMap* chunks = &kNone;
    if (stored != parts.memos.end()) {
      if (const auto it = stored->second.find(memo); it != stored->second.end()) {
        chunks = &it->second;
      }
    }
    const DescribedMemo& described = description.memos[m];
    std::vector<ByteString> ordered;
    if (!MemoWhole(found, table, record, memo, *chunks,
                   FormOf(described, false), ordered)) {
      ++tally.lost;
      continue;
    }
    if (ordered.empty()) continue;
    std::size_t length = 0;
    for (const ByteString& c : ordered) length += c.size();
    // The description keeps only the low 16 bits of a memo's size: never
    // cut what the chunks hold.
    auto whole = MemoContents(ordered, FormOf(described, oem),
                              std::max<std::size_t>(described.size, length));
    if (!whole) {
      ++tally.lost;
      continue;
    }
    contents[m] = std::move(*whole);
    ++tally.whole;
  }
  return contents;
}

// Writes one table and its records; an error text when the new file could
// not be written.
std::string WriteTable(NewFile& out, const FoundRecords& found,
                       const TableParts& parts, std::uint32_t old_number,
                       const std::string& name,
                       const TableDescription& description,
                       const StoredCharTables& char_tables,
                       SalvagedTable& report) {
  std::uint32_t number = 0;
  std::string error = out.Change([&](BTree& tree) {
    number = CreateTable(out.file(), tree, name, description, char_tables.oem,
                         char_tables.tables);
    if (parts.counters && parts.counters->flags != 0) {
      SetTableFlags(tree, number, parts.counters->flags);
    }
  });
  if (!error.empty()) return error;
  TableKeys keys;
  keys.table = number;
  keys.description = &description;
  keys.rules.tables = &char_tables.tables;
  keys.rules.oem = char_tables.oem;
  auto next = parts.data.begin();
  while (next != parts.data.end()) {
    error = out.Change([&](BTree& tree) {
      for (std::size_t n = 0; n < kRecordsPerCommit && next != parts.data.end();
           ++n, ++next) {
        const auto& [record, stored] = *next;
        if (stored.size() != description.record_length) {
          ++report.records_refused;
          continue;
        }
        // The table layer takes the program's image and stores it in the
        // file's character set again.
        ByteString image = stored;
        if (char_tables.oem) ConvertRecordStrings(description, image, false);
        const AddedRecord added = AddDataRecord(out.file(), tree, keys, image);
        if (added.error != 0) {
          ++report.records_refused;
          continue;
        }
        ++report.records_written;
        MemoTally tally;
        const auto contents = RecordMemos(found, parts, old_number, record,
                                          description, char_tables.oem, tally);
        // Memos that do not fit a record's chunks leave all its memos out.
        if (WriteRecordMemos(tree, number, added.number, description, contents,
                             char_tables.oem)) {
          report.memos_written += tally.whole;
          report.memos_lost += tally.lost;
        } else {
          report.memos_lost += tally.whole + tally.lost;
        }
      }
    });
    if (!error.empty()) return error;
  }
  return "";
}

}  // namespace

SalvageResult SalvageFile(const SalvageOptions& options) {
  SalvageResult result;
  SalvageReport& report = result.report;
  DamagedFile damaged;
  if (!damaged.Open(options.damaged, options.password)) {
    result.error = "cannot open " + options.damaged;
    return result;
  }
  std::vector<DonorTable> donors;
  if (!options.descriptions_from.empty()) {
    result.error = ReadDonor(options.descriptions_from,
                             options.descriptions_password, donors);
    if (!result.error.empty()) return result;
  }
  NewFile out(options.target);
  result.error = out.Make(options.password);
  if (!result.error.empty()) return result;

  FoundRecords found;
  Header header;
  const HeaderState state = ReadHeader(damaged, header);
  report.header_readable = state == HeaderState::kSound;
  report.write_pending =
      report.header_readable && header.committed_end != header.shadow_end;
  if (state != HeaderState::kUnusable) {
    ReadZones(damaged, header.zones, options.damaged, found);
    ScanZonesForMissedPages(damaged, header.zones, options.damaged, found);
  }
  // A zone table that gives no page at all is no guide: scan instead.
  if (found.pages.empty()) {
    found = FoundRecords{};
    report.scanned = true;
    ScanUnits(damaged, options.damaged, kPageSpaceBase, damaged.size(), found);
  }
  MarkLostSpans(found);
  report.pages_read = found.pages.size();
  report.pages_skipped = found.skipped.size() + found.beyond_end;
  report.conflicting_copies = found.conflicting_copies;
  if (found.pages.empty()) {
    result.error = "no page of " + options.damaged +
                   " could be read" +
                   (options.password.empty() ? "" : " (wrong password?)");
    return result;
  }

  std::set<std::string> taken;
  for (const auto& [number, parts] : GroupByTable(found)) {
    SalvagedTable table;
    table.number = number;
    table.name_lost = !parts.name;
    table.records_found = parts.data.size();
    if (parts.counters) table.records_counted = parts.counters->count;
    const DonorTable* donor = DonorFor(donors, parts.name);
    std::string name = parts.name.value_or(
        donor ? donor->name
              : std::string(kLostNamePrefix) + std::to_string(number));
    table.name = UniqueName(name, taken);
    auto description = StoredDescription(parts);
    std::optional<StoredCharTables> char_tables = parts.char_tables;
    if (description) {
      table.description_source = "stored";
    } else if (donor) {
      description = donor->description;
      table.description_source = "from " + options.descriptions_from;
      if (!char_tables) char_tables = donor->char_tables;
    }
    if (!char_tables) char_tables = StoredCharTables{false, GetCharTables()};
    if (description) {
      result.error = WriteTable(out, found, parts, number, table.name,
                                *description, *char_tables, table);
      if (!result.error.empty()) return result;
    }
    report.tables.push_back(std::move(table));
  }
  out.Keep();
  return result;
}

}  // namespace vantrel
