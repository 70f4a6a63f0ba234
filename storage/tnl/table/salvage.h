// Salvaging a damaged native file into a new one.
//
// The damaged file is opened for reading only and never written. Its page
// space is read slot by slot, not through the tree, so that pages cut off
// from the root by a damaged inner page are still found; each page is
// decoded on its own and one that does not decode is skipped. The zone
// table is used even when the header's magic is damaged; when a slot does
// not decode, the zones' own ranges are also scanned unit by unit for pages
// whose home word names their position (a damaged zone bound can put slots
// out of step with pages). When the table does not hold together, or gives
// no page, the whole file is scanned so; such a scan may also meet stale
// images of moved pages in free space: a key found twice keeps its first
// copy.
//
// From the leaf pages that decode, every table keeps its description (or,
// when its description records are lost, the description of the table of
// the same name in a second native file), its character tables and FLAGS
// value, and every data record of the described length. The new file gets
// each table through the table layer: CreateTable, then AddDataRecord for
// every record in record-number order, so every key is built by the normal
// key maintenance, then the record's memos and BLOBs. Records get new
// numbers. A memo is carried over only when its chunks run from 0 without a
// gap, are cut as the writer cuts them, and nothing suggests that a lost
// page held more of them; otherwise the record keeps an empty memo and the
// memo counts as lost.
//
// Key entries and counters of the damaged file are not read: the new file
// builds its own.
#ifndef VANTREL_STORAGE_TNL_TABLE_SALVAGE_H_
#define VANTREL_STORAGE_TNL_TABLE_SALVAGE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

struct SalvageOptions {
  std::string damaged;  // read only
  std::string target;   // must not exist yet
  std::string password;  // both files' owner password; empty: not enciphered
  // A native file holding tables of the same names whose descriptions are
  // used when the damaged file's are lost; empty: none.
  std::string descriptions_from;
  std::string descriptions_password;
};

// What became of one table of the damaged file.
struct SalvagedTable {
  std::string name;        // as stored; a table whose name record is lost
                           // gets "TABLE" and its number
  std::uint32_t number = 0;  // in the damaged file
  bool name_lost = false;
  // "stored", "from <file>", or empty when no description was found (the
  // table is then lost with all its records).
  std::string description_source;
  // The data records' count in the damaged file's counters record, when
  // that record was read.
  std::optional<std::uint32_t> records_counted;
  std::size_t records_found = 0;    // data records read from the damaged file
  std::size_t records_written = 0;  // added to the new file
  // Found but not written: a record of the wrong length, or one that collides
  // in a unique key with a record written before it.
  std::size_t records_refused = 0;
  std::size_t memos_written = 0;  // non-empty memos and BLOBs carried over
  std::size_t memos_lost = 0;     // memos whose chunks were not whole
};

struct SalvageReport {
  bool header_readable = false;  // magic and zone table sound
  bool scanned = false;          // pages found by scanning every unit
  // The header shows an interrupted write. Its shadow copies are not rolled
  // forward here: the pages at home were read. (Opening the file for
  // writing once rolls it forward or discards it, as its transaction says.)
  bool write_pending = false;
  std::uint64_t pages_read = 0;     // decoded pages, leaves and inner pages
  // Slots (or pages found by their home word) that did not decode, and
  // slots past the end of the file.
  std::uint64_t pages_skipped = 0;
  // Record copies that disagreed with another copy of the same key (only
  // when scanning, which may meet stale images); the first was kept.
  std::size_t conflicting_copies = 0;
  std::vector<SalvagedTable> tables;
};

// The outcome: an error text (nothing was written beyond a new file that
// is removed again) or the report.
struct SalvageResult {
  std::string error;
  SalvageReport report;
};

SalvageResult SalvageFile(const SalvageOptions& options);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_SALVAGE_H_
