// An external merge sort of byte records, for key builds that do not fit in
// memory.
//
// Records are collected in a buffer of bounded size; each time it fills, it
// is sorted and written out as one run to a temporary file. Merging reads
// every run through a small buffer and takes the least head through a
// priority queue. When everything fits in the buffer no file is made at all.
//
// Order: unsigned bytes over the shorter length, then the shorter record
// first (the order of the file's keys when all records have one key length).
//
// A run in the temporary file (integers little-endian):
//   length   u32  bytes of the record that follows
//   record   `length` bytes
//   ... repeated, records in order; runs lie end to end, their bounds are
//   kept in memory.
//
// The temporary file is unlinked as soon as it is open, so it goes away with
// the sorter whatever happens, a crash included.
#ifndef VANTREL_STORAGE_TNL_TABLE_EXTERNAL_SORT_H_
#define VANTREL_STORAGE_TNL_TABLE_EXTERNAL_SORT_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vantrel {

class File;

struct ExternalSortOptions {
  // Bytes of records held in memory before a run is written out.
  std::size_t memory_bytes = std::size_t{16} << 20;
  // Where the temporary file goes; empty: $TMPDIR, else /tmp.
  std::string directory;
};

class ExternalSorter {
 public:
  explicit ExternalSorter(ExternalSortOptions options = {});
  ~ExternalSorter();
  ExternalSorter(const ExternalSorter&) = delete;
  ExternalSorter& operator=(const ExternalSorter&) = delete;

  // Adds one record. False when a run could not be written; the sorter is
  // then failed (error()) and takes nothing more.
  bool Add(std::span<const std::uint8_t> record);
  // Ends adding: sorts what is still in memory. False when failed.
  bool Finish();

  // Visits every record in order after Finish(); `visit` returns false to
  // stop early. May be called again to go over the records once more.
  // False when a run could not be read back (error() says why).
  using Visitor = std::function<bool(std::span<const std::uint8_t>)>;
  bool Merge(const Visitor& visit);

  std::uint64_t record_count() const { return record_count_; }
  // Runs written to the temporary file (0 while everything fits in memory).
  std::size_t run_count() const { return runs_.size(); }
  // The system error of the failure (os_error.h), or 0.
  int error() const { return error_; }

 private:
  struct Run {
    std::uint64_t begin = 0;  // file offset of its first length word
    std::uint64_t end = 0;    // one past its last record
  };
  // A record in the memory buffer.
  struct Slice {
    std::size_t offset;
    std::uint32_t length;
  };

  void SortBuffer();
  bool WriteRun();
  bool OpenTemporaryFile();
  bool Fail(int error);
  bool MergeBuffer(const Visitor& visit) const;
  bool MergeRuns(const Visitor& visit);

  ExternalSortOptions options_;
  std::vector<std::uint8_t> buffer_;  // records held in memory, end to end
  std::vector<Slice> slices_;         // where each one lies in buffer_
  std::unique_ptr<File> file_;        // the runs; none until the first
  std::vector<Run> runs_;
  std::uint64_t file_end_ = 0;
  std::uint64_t record_count_ = 0;
  bool finished_ = false;
  int error_ = 0;
};

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TABLE_EXTERNAL_SORT_H_
