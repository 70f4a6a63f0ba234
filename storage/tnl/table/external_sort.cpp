#include "storage/tnl/table/external_sort.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <queue>

#include "os/posix/file.h"
#include "os/posix/file_names.h"
#include "os/posix/os_error.h"

namespace vantrel {

namespace {

constexpr std::size_t kLengthBytes = 4;
// The least read buffer of one run while merging, however many runs there are.
constexpr std::size_t kMinReadBuffer = 4096;

bool RecordLess(std::span<const std::uint8_t> a,
                std::span<const std::uint8_t> b) {
  const std::size_t common = std::min(a.size(), b.size());
  if (common != 0) {
    const int order = std::memcmp(a.data(), b.data(), common);
    if (order != 0) return order < 0;
  }
  return a.size() < b.size();
}

void PutLength(std::uint32_t length, std::vector<std::uint8_t>& out) {
  for (std::size_t i = 0; i < kLengthBytes; ++i) {
    out.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
  }
}

std::uint32_t GetLength(const std::uint8_t* bytes) {
  std::uint32_t length = 0;
  for (std::size_t i = 0; i < kLengthBytes; ++i) {
    length |= std::uint32_t{bytes[i]} << (8 * i);
  }
  return length;
}

std::string TemporaryDirectory(const std::string& chosen) {
  if (!chosen.empty()) return chosen;
  const char* tmpdir = std::getenv("TMPDIR");
  return tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
}

// Reads one run back record by record through a buffer.
class RunReader {
 public:
  RunReader(File& file, std::uint64_t begin, std::uint64_t end,
            std::size_t buffer_bytes)
      : file_(file), next_read_(begin), end_(end) {
    buffer_.resize(buffer_bytes);
  }

  // Moves to the next record: true with current() set, false at the run's
  // end or on a read failure (error() then says which).
  bool Next() {
    if (!Have(kLengthBytes)) return false;
    const std::uint32_t length = GetLength(buffer_.data() + position_);
    position_ += kLengthBytes;
    if (!Have(length)) {
      if (error_ == 0) error_ = kSysReadFault;  // a run cut short
      return false;
    }
    current_ = {buffer_.data() + position_, length};
    position_ += length;
    return true;
  }
  std::span<const std::uint8_t> current() const { return current_; }
  int error() const { return error_; }

 private:
  // Makes `count` unread bytes available at position_, reading more of the
  // run (and growing the buffer for a record longer than it) when needed.
  bool Have(std::size_t count) {
    if (fill_ - position_ >= count) return true;
    std::memmove(buffer_.data(), buffer_.data() + position_, fill_ - position_);
    fill_ -= position_;
    position_ = 0;
    if (buffer_.size() < count) buffer_.resize(count);
    const std::size_t wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>(buffer_.size() - fill_, end_ - next_read_));
    if (wanted != 0) {
      const IoResult read =
          file_.ReadAt(next_read_, buffer_.data() + fill_, wanted);
      if (read.bytes != wanted) {
        error_ = read.error != 0 ? read.error : kSysReadFault;
        return false;
      }
      fill_ += wanted;
      next_read_ += wanted;
    }
    if (fill_ >= count) return true;
    // Bytes left over that do not make a whole length word are damage.
    if (fill_ != 0) error_ = kSysReadFault;
    return false;
  }

  File& file_;
  std::uint64_t next_read_;  // file offset of the first byte not yet read
  std::uint64_t end_;
  std::vector<std::uint8_t> buffer_;
  std::size_t position_ = 0;  // first unread byte in buffer_
  std::size_t fill_ = 0;      // bytes of buffer_ in use
  std::span<const std::uint8_t> current_;
  int error_ = 0;
};

}  // namespace

ExternalSorter::ExternalSorter(ExternalSortOptions options)
    : options_(std::move(options)) {}

ExternalSorter::~ExternalSorter() = default;

bool ExternalSorter::Fail(int error) {
  error_ = error != 0 ? error : kSysUnknown;
  buffer_.clear();
  slices_.clear();
  return false;
}

bool ExternalSorter::Add(std::span<const std::uint8_t> record) {
  if (error_ != 0 || finished_) return false;
  if (!slices_.empty() &&
      buffer_.size() + record.size() > options_.memory_bytes && !WriteRun()) {
    return false;
  }
  slices_.push_back(
      {buffer_.size(), static_cast<std::uint32_t>(record.size())});
  buffer_.insert(buffer_.end(), record.begin(), record.end());
  ++record_count_;
  return true;
}

bool ExternalSorter::Finish() {
  if (error_ != 0) return false;
  if (finished_) return true;
  finished_ = true;
  // Once a run is on disk, the rest becomes a run too: merging then deals
  // with runs only.
  if (!runs_.empty() && !slices_.empty()) return WriteRun();
  SortBuffer();
  return true;
}

void ExternalSorter::SortBuffer() {
  const std::uint8_t* base = buffer_.data();
  std::sort(slices_.begin(), slices_.end(),
            [base](const Slice& a, const Slice& b) {
              return RecordLess({base + a.offset, a.length},
                                {base + b.offset, b.length});
            });
}

bool ExternalSorter::OpenTemporaryFile() {
  static std::atomic<std::uint32_t> serial{0};
  const std::string path = TemporaryDirectory(options_.directory) +
                           "/vantrel-sort-" + std::to_string(::getpid()) + "-" +
                           std::to_string(++serial) + ".tmp";
  OpenOptions open;
  open.read = true;
  open.write = true;
  open.create = true;
  open.replace = true;
  file_ = File::Open(path, open);
  if (file_ == nullptr) return Fail(LastSystemError());
  // The open file stays usable; its name goes at once.
  RemoveFile(path);
  return true;
}

bool ExternalSorter::WriteRun() {
  if (file_ == nullptr && !OpenTemporaryFile()) return false;
  SortBuffer();
  std::vector<std::uint8_t> out;
  out.reserve(buffer_.size() + kLengthBytes * slices_.size());
  for (const Slice& s : slices_) {
    PutLength(s.length, out);
    out.insert(out.end(), buffer_.begin() + s.offset,
               buffer_.begin() + s.offset + s.length);
  }
  const IoResult written = file_->WriteAt(file_end_, out.data(), out.size());
  if (written.bytes != out.size()) {
    return Fail(written.error != 0 ? written.error : kSysHandleDiskFull);
  }
  runs_.push_back({file_end_, file_end_ + out.size()});
  file_end_ += out.size();
  buffer_.clear();
  slices_.clear();
  return true;
}

bool ExternalSorter::Merge(const Visitor& visit) {
  if (error_ != 0 || !finished_) return false;
  return runs_.empty() ? MergeBuffer(visit) : MergeRuns(visit);
}

bool ExternalSorter::MergeBuffer(const Visitor& visit) const {
  for (const Slice& s : slices_) {
    if (!visit({buffer_.data() + s.offset, s.length})) break;
  }
  return true;
}

bool ExternalSorter::MergeRuns(const Visitor& visit) {
  const std::size_t read_buffer =
      std::max(kMinReadBuffer, options_.memory_bytes / runs_.size());
  std::vector<RunReader> readers;
  readers.reserve(runs_.size());
  for (const Run& run : runs_) {
    readers.emplace_back(*file_, run.begin, run.end, read_buffer);
  }
  // The least current record on top; equal records leave the earlier run
  // first, so the merge is stable.
  const auto after = [&readers](std::size_t a, std::size_t b) {
    const auto ra = readers[a].current();
    const auto rb = readers[b].current();
    if (RecordLess(rb, ra)) return true;
    return !RecordLess(ra, rb) && b < a;
  };
  std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(after)>
      heads(after);
  for (std::size_t i = 0; i < readers.size(); ++i) {
    if (readers[i].Next()) {
      heads.push(i);
    } else if (readers[i].error() != 0) {
      error_ = readers[i].error();
      return false;
    }
  }
  while (!heads.empty()) {
    const std::size_t top = heads.top();
    heads.pop();
    if (!visit(readers[top].current())) return true;
    if (readers[top].Next()) {
      heads.push(top);
    } else if (readers[top].error() != 0) {
      error_ = readers[top].error();
      return false;
    }
  }
  return true;
}

}  // namespace vantrel
