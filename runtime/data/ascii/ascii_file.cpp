#include "runtime/data/ascii/ascii_file.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "os/posix/file_names.h"
#include "os/posix/open_mode.h"
#include "os/posix/os_error.h"
#include "runtime/data/base/byte_scan.h"
#include "runtime/data/base/error_state.h"

namespace vantrel {
namespace {

constexpr std::size_t kSharedBuffer = 512;
constexpr std::size_t kExclusiveBuffer = 1024;
constexpr std::size_t kMoveChunk = 1 << 16;
constexpr char kTab = '\t';
constexpr char kBlank = ' ';

std::string PositionText(std::uint64_t offset) {
  std::string text(kAsciiPositionSize, '\0');
  for (std::size_t i = 0; i < kAsciiPositionSize; ++i) {
    text[kAsciiPositionSize - 1 - i] = static_cast<char>(offset >> (8 * i));
  }
  return text;
}

// True when `text` starts with the end-of-record sequence.
inline bool StartsWith(const char* text, const std::string& eor) {
  for (std::size_t i = 0; i < eor.size(); ++i) {
    if (text[i] != eor[i]) return false;
  }
  return true;
}

}  // namespace

AsciiFile::AsciiFile(FileDeclaration& declaration)
    : declaration_(declaration) {}

DriverResult AsciiFile::Perform(DriverOp op, DriverArgs& args) {
  // NEXT is most of the traffic; it goes straight to the read.
  if (op == DriverOp::kNEXT) {
    io_failed_ = false;
    int code = ReadRecord(next_, declaration_.record.size());
    if (code == 0 && io_failed_) code = SystemFailure();
    return {code, 0};
  }
  return PerformOther(op, args);
}

DriverResult AsciiFile::PerformOther(DriverOp op, DriverArgs& args) {
  io_failed_ = false;
  const std::size_t record_length = declaration_.record.size();
  int code = 0;
  std::int64_t value = 0;
  switch (op) {
    case DriverOp::kOPEN:
    case DriverOp::kSHARE:
      code = Open(args.mode);
      break;
    case DriverOp::kCLOSE:
      code = Close();
      break;
    case DriverOp::kCREATE:
      code = Create();
      break;
    case DriverOp::kREMOVE:
      code = Remove();
      break;
    case DriverOp::kRENAME:
    case DriverOp::kCOPY:
      code = CopyOrRename(op, args.text);
      break;
    case DriverOp::kEMPTY:
      code = Empty();
      break;
    case DriverOp::kFLUSH:
      code = file_->Flush() ? 0 : SystemFailure();
      break;
    case DriverOp::kBYTES:
      RefreshSize();
      value = static_cast<std::int64_t>(size_);
      break;
    case DriverOp::kNAME:
      args.result_text = declaration_.name;
      break;
    case DriverOp::kSEND:
      code = Send(args.text, args);
      break;
    case DriverOp::kGET_PROPERTY:
      code = Send(args.text.substr(0, args.text.find('=')), args);
      break;
    case DriverOp::kSET_PROPERTY:
      code = Send(std::string(args.text) + "=" + std::string(args.value), args);
      break;
    case DriverOp::kLOCKfile:
    case DriverOp::kLOCKfilesec:
      code = Lock(op == DriverOp::kLOCKfilesec, args.seconds);
      break;
    case DriverOp::kUNLOCK:
      code = Unlock();
      break;
    case DriverOp::kSETfile:
      next_ = 0;
      break;
    case DriverOp::kSETfileptr:
      next_ =
          args.pointer > 0 ? static_cast<std::uint64_t>(args.pointer) - 1 : 0;
      break;
    case DriverOp::kRESETfile:
      if (args.text.size() < kAsciiPositionSize) {
        code = kErrRecordNotFound;
      } else {
        next_ = 0;
        for (std::size_t i = 0; i < kAsciiPositionSize; ++i) {
          next_ = (next_ << 8) | static_cast<unsigned char>(args.text[i]);
        }
      }
      break;
    case DriverOp::kGETfileptr:
      code = ReadAt(args.pointer, record_length);
      break;
    case DriverOp::kGETfileptrlen:
      code = ReadAt(args.pointer,
                    std::min<std::size_t>(args.length, record_length));
      break;
    case DriverOp::kREGETfile:
      code = ReadAtPosition(args.text);
      break;
    case DriverOp::kEOF:
      value = AtEndOfData(next_) ? 1 : 0;
      break;
    case DriverOp::kPOINTERfile:
      value = static_cast<std::int64_t>(current_) + 1;
      break;
    case DriverOp::kPOSITIONfile:
      args.result_text = PositionText(current_);
      break;
    case DriverOp::kADD:
    case DriverOp::kAPPEND:
      code = AddLine(record_length, op == DriverOp::kADD);
      break;
    case DriverOp::kADDfilelen:
    case DriverOp::kAPPENDlen:
      code = AddLine(std::min<std::size_t>(args.length, record_length), false);
      break;
    case DriverOp::kPUT:
      code = PutLine(current_, current_length_, record_length);
      break;
    case DriverOp::kPUTfileptr:
      code = PutAt(args.pointer, record_length);
      break;
    case DriverOp::kPUTfileptrlen:
      code = PutAt(args.pointer,
                   std::min<std::size_t>(args.length, record_length));
      break;
    case DriverOp::kINVIEW:
    case DriverOp::kENDVIEW:
      break;
    default:
      code = kErrUnsupportedFunction;
      break;
  }
  if (code == 0 && io_failed_) code = SystemFailure();
  return {code, value};
}

int AsciiFile::SystemFailure() {
  return SystemFailureCode(declaration_.DisplayName());
}

int AsciiFile::Open(std::uint32_t mode) {
  if (declaration_.name.empty()) return kErrInvalidFilename;
  std::unique_ptr<File> file =
      File::Open(declaration_.name, OpenOptionsFromMode(mode));
  if (!file) return SystemFailure();
  file_ = std::move(file);
  mode_ = mode;
  read_only_ = (mode & kOpenAccessMask) == 0;
  shared_ = !OpenDeniesOthers(mode);
  size_ = 0;
  RefreshSize();
  current_ = current_length_ = next_ = 0;
  lock_count_ = 0;
  options_ = AsciiOptions();
  options_.quick_scan = OpenDeniesOthers(mode);
  ApplyDriverString(options_, declaration_.driver_string);
  ResizeBuffer();
  return io_failed_ ? SystemFailure() : 0;
}

int AsciiFile::Close() {
  file_.reset();
  buffer_.clear();
  Invalidate();
  lock_count_ = 0;
  return 0;
}

int AsciiFile::Create() {
  if (!(declaration_.attributes & kFileCreate)) return kErrNoCreateAttribute;
  if (declaration_.name.empty()) return kErrInvalidFilename;
  OpenOptions options;
  options.write = true;
  options.create = true;
  options.replace = true;
  return File::Open(declaration_.name, options) ? 0 : SystemFailure();
}

int AsciiFile::Remove() {
  if (declaration_.name.empty()) return kErrInvalidFilename;
  return RemoveFile(declaration_.name) ? 0 : SystemFailure();
}

int AsciiFile::CopyOrRename(DriverOp op, std::string_view new_name) {
  std::size_t last = new_name.find_last_not_of(kBlank);
  std::string target(
      new_name.substr(0, last == std::string_view::npos ? 0 : last + 1));
  if (declaration_.name.empty() || target.empty()) return kErrInvalidFilename;
  bool done = op == DriverOp::kCOPY ? CopyFile(declaration_.name, target)
                                    : RenameFile(declaration_.name, target);
  return done ? 0 : SystemFailure();
}

int AsciiFile::Empty() {
  if (read_only_ || !file_->Truncate(0)) return kErrAccessDenied;
  size_ = current_ = current_length_ = next_ = 0;
  Invalidate();
  return 0;
}

int AsciiFile::Lock(bool with_time_out, std::int32_t seconds) {
  if (lock_count_ > 0) {
    ++lock_count_;
    return 0;
  }
  if (!with_time_out) {
    // Waiting in the system is the same as retrying while the file is
    // locked elsewhere.
    if (!file_->LockByte(kAsciiLockByte, LockWait::kWait)) {
      return SystemFailure();
    }
  } else {
    auto give_up = std::chrono::steady_clock::now() +
                   std::chrono::seconds(std::max(seconds, 0));
    while (!file_->LockByte(kAsciiLockByte, LockWait::kNoWait)) {
      int code = SystemFailure();
      if (code != kErrFileLocked ||
          std::chrono::steady_clock::now() >= give_up) {
        return code;
      }
      std::this_thread::sleep_for(std::chrono::seconds(1));
    }
  }
  lock_count_ = 1;
  return 0;
}

int AsciiFile::Unlock() {
  if (lock_count_ == 0) return 0;
  if (--lock_count_ > 0) return 0;
  return file_->UnlockByte(kAsciiLockByte) ? 0 : SystemFailure();
}

int AsciiFile::Send(std::string_view command, DriverArgs& args) {
  args.result_text = options_.Apply(command);
  if (file_) ResizeBuffer();
  Invalidate();
  return 0;
}

void AsciiFile::RefreshSize() {
  std::int64_t size = file_->Size();
  if (size < 0) {
    io_failed_ = true;
    return;
  }
  if (static_cast<std::uint64_t>(size) != size_) Invalidate();
  size_ = static_cast<std::uint64_t>(size);
}

void AsciiFile::ResizeBuffer() {
  std::size_t size = options_.file_buffers != 0
                         ? std::size_t{options_.file_buffers} * kFileBufferUnit
                     : OpenDeniesOthers(mode_) ? kExclusiveBuffer
                                               : kSharedBuffer;
  // Room for a whole record and its end of record in one window.
  size = std::max(size, 2 * declaration_.record.size() + kMaxEndOfRecord);
  if (buffer_.size() != size) {
    buffer_.assign(size, '\0');
    Invalidate();
  }
}

std::size_t AsciiFile::Window(std::uint64_t pos, std::size_t want) {
  if (pos >= size_) return 0;
  want = static_cast<std::size_t>(
      std::min<std::uint64_t>(std::min(want, buffer_.size()), size_ - pos));
  const std::uint64_t end = window_start_ + window_length_;
  if (pos >= window_start_ && pos + want <= end) {
    return static_cast<std::size_t>(end - pos);
  }
  return Refill(pos);
}

std::size_t AsciiFile::Refill(std::uint64_t pos) {
  IoResult got = file_->ReadAt(pos, buffer_.data(), buffer_.size());
  if (got.error != kSysNone) {
    io_failed_ = true;
    Invalidate();
    return 0;
  }
  window_start_ = pos;
  window_length_ =
      static_cast<std::size_t>(std::min<std::uint64_t>(got.bytes, size_ - pos));
  return window_length_;
}

int AsciiFile::ByteAt(std::uint64_t pos) {
  if (Window(pos, 1) == 0) return -1;
  return static_cast<unsigned char>(buffer_[pos - window_start_]);
}

bool AsciiFile::EndOfRecordAt(std::uint64_t pos) {
  const std::string& eor = options_.end_of_record;
  std::size_t available = Window(pos, eor.size());
  return available >= eor.size() && std::memcmp(&buffer_[pos - window_start_],
                                                eor.data(), eor.size()) == 0;
}

bool AsciiFile::AtEndOfData(std::uint64_t pos) {
  if (shared_) RefreshSize();
  int first = ByteAt(pos);
  return first < 0 || (options_.ctrl_z_is_eof && first == kCtrlZ);
}

int AsciiFile::ReadRecord(std::uint64_t pos, std::size_t length) {
  std::span<char> record = declaration_.record;
  if (!options_.quick_scan) Invalidate();
  if (shared_) RefreshSize();
  const std::string& eor = options_.end_of_record;
  const bool ctrl_z = options_.ctrl_z_is_eof;

  // The end of the data: past the end of the file, or at a Ctrl-Z.
  const std::size_t available = Window(pos, length + eor.size());
  if (available == 0 || (ctrl_z && buffer_[pos - window_start_] == kCtrlZ)) {
    return io_failed_ ? SystemFailure() : kErrRecordNotAvailable;
  }

  // Fast path: the whole line lies in the buffer and the first of the end of
  // record, a tab or (with CTRLZISEOF) a Ctrl-Z within a record's length is
  // the end of record: the text before it is copied as it stands.
  const char* text = &buffer_[pos - window_start_];
  const std::size_t scan = std::min(available, length + 1);
  const std::size_t n =
      FindFirstOf(text, scan, eor[0], kTab, ctrl_z ? kCtrlZ : kTab);
  if (n < scan && text[n] == eor[0] && n + eor.size() <= available &&
      StartsWith(text + n, eor)) {
    std::memcpy(record.data(), text, n);
    std::fill(record.begin() + n, record.end(), kBlank);
    current_ = pos;
    current_length_ = n + eor.size();
    next_ = pos + current_length_;
    return 0;
  }
  return ReadRecordSlowly(pos, length);
}

// Character by character: tabs, Ctrl-Z, long lines, the end of the file.
int AsciiFile::ReadRecordSlowly(std::uint64_t pos, std::size_t length) {
  std::span<char> record = declaration_.record;
  const std::string& eor = options_.end_of_record;
  const bool ctrl_z = options_.ctrl_z_is_eof;
  std::fill(record.begin(), record.end(), kBlank);
  std::size_t stored = 0;
  std::uint64_t at = pos;
  for (;;) {
    int c = ByteAt(at);
    if (c < 0 || (ctrl_z && c == kCtrlZ)) break;
    if (c == static_cast<unsigned char>(eor[0]) && EndOfRecordAt(at)) {
      at += eor.size();
      break;
    }
    ++at;
    if (stored >= length) continue;  // the rest of an over-long line
    if (c == kTab && options_.tab != kTabKeep) {
      std::size_t width = static_cast<std::size_t>(std::abs(options_.tab));
      std::size_t blanks = options_.tab > 0 ? width - stored % width : width;
      stored = std::min(length, stored + blanks);  // already blank
    } else {
      record[stored++] = static_cast<char>(c);
    }
  }
  if (io_failed_) return SystemFailure();
  current_ = pos;
  current_length_ = at - pos;
  next_ = at;
  return 0;
}

int AsciiFile::ReadAt(std::int64_t pointer, std::size_t length) {
  if (pointer < 1) return kErrRecordNotAvailable;
  return ReadRecord(static_cast<std::uint64_t>(pointer) - 1, length);
}

int AsciiFile::ReadAtPosition(std::string_view position) {
  if (position.size() < kAsciiPositionSize) return kErrRecordNotFound;
  std::uint64_t offset = 0;
  for (std::size_t i = 0; i < kAsciiPositionSize; ++i) {
    offset = (offset << 8) | static_cast<unsigned char>(position[i]);
  }
  return ReadRecord(offset, declaration_.record.size());
}

std::string AsciiFile::ComposeLine(std::size_t length) const {
  std::string_view text(declaration_.record.data(), length);
  if (options_.clip) {
    std::size_t last = text.find_last_not_of(kBlank);
    text = text.substr(0, last == std::string_view::npos ? 0 : last + 1);
  }
  std::string line(text);
  line += options_.end_of_record;
  return line;
}

bool AsciiFile::WriteBytes(std::uint64_t pos, const std::string& bytes) {
  Invalidate();
  IoResult put = file_->WriteAt(pos, bytes.data(), bytes.size());
  return put.error == kSysNone && put.bytes == bytes.size();
}

int AsciiFile::AddLine(std::size_t length, bool make_current) {
  if (read_only_) return kErrAccessDenied;
  if (shared_) RefreshSize();
  std::uint64_t at = size_;
  if (options_.ctrl_z_is_eof && size_ > 0 && ByteAt(size_ - 1) == kCtrlZ) {
    at = size_ - 1;
  }
  std::string line = ComposeLine(length);
  if (!WriteBytes(at, line)) return kErrAccessDenied;
  size_ = std::max(size_, at + line.size());
  if (make_current) {
    current_ = at;
    current_length_ = line.size();
  }
  return 0;
}

std::uint64_t AsciiFile::LineLength(std::uint64_t pos) {
  const std::string& eor = options_.end_of_record;
  std::uint64_t at = pos;
  for (;;) {
    std::size_t available = Window(at, buffer_.size());
    if (available == 0) return at - pos;
    const char* text = &buffer_[at - window_start_];
    const void* hit = std::memchr(text, eor[0], available);
    std::size_t n = hit ? static_cast<const char*>(hit) - text : available;
    if (options_.ctrl_z_is_eof) {
      const void* z = std::memchr(text, kCtrlZ, n);
      if (z != nullptr) return at + (static_cast<const char*>(z) - text) - pos;
    }
    at += n;
    if (hit != nullptr) {
      if (EndOfRecordAt(at)) return at + eor.size() - pos;
      ++at;
    }
  }
}

int AsciiFile::PutAt(std::int64_t pointer, std::size_t length) {
  if (shared_) RefreshSize();
  if (pointer < 1 || AtEndOfData(static_cast<std::uint64_t>(pointer) - 1)) {
    return kErrRecordNotAvailable;
  }
  std::uint64_t pos = static_cast<std::uint64_t>(pointer) - 1;
  return PutLine(pos, LineLength(pos), length);
}

// Replaces the `old_length` bytes of the line at `pos` by the record's line.
// When the lengths differ the rest of the file moves up or down first, so
// that the file holds exactly its old lines with this one replaced.
int AsciiFile::PutLine(std::uint64_t pos, std::uint64_t old_length,
                       std::size_t length) {
  if (read_only_) return kErrAccessDenied;
  if (shared_) RefreshSize();
  if (pos > size_) return kErrRecordNotAvailable;
  old_length = std::min(old_length, size_ - pos);
  std::string line = ComposeLine(length);
  std::int64_t delta = static_cast<std::int64_t>(line.size()) -
                       static_cast<std::int64_t>(old_length);
  std::uint64_t tail = pos + old_length;
  if (delta != 0 && !MoveTail(tail, size_ - tail, delta)) {
    return kErrAccessDenied;
  }
  if (!WriteBytes(pos, line)) return kErrAccessDenied;
  std::uint64_t new_size = size_ + delta;
  if (delta < 0 && !file_->Truncate(new_size)) return kErrAccessDenied;
  size_ = new_size;
  if (next_ >= tail) {
    next_ += delta;
  } else if (next_ > pos) {
    next_ = pos + line.size();
  }
  current_ = pos;
  current_length_ = line.size();
  return 0;
}

// Moves [from, from + length) by `delta` bytes, in chunks ordered so that no
// byte is overwritten before it has been moved.
bool AsciiFile::MoveTail(std::uint64_t from, std::uint64_t length,
                         std::int64_t delta) {
  Invalidate();
  std::vector<char> chunk(std::min<std::uint64_t>(kMoveChunk, length));
  std::uint64_t done = 0;
  while (done < length) {
    std::size_t n = static_cast<std::size_t>(
        std::min<std::uint64_t>(chunk.size(), length - done));
    // Growing moves the last chunk first; shrinking the first.
    std::uint64_t source = delta > 0 ? from + length - done - n : from + done;
    IoResult got = file_->ReadAt(source, chunk.data(), n);
    if (got.error != kSysNone || got.bytes != n) return false;
    IoResult put = file_->WriteAt(source + delta, chunk.data(), n);
    if (put.error != kSysNone || put.bytes != n) return false;
    done += n;
  }
  return true;
}

}  // namespace vantrel
