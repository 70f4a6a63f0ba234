// One text file opened through the ASCII driver: the driver-side instance of
// a FILE. Records are lines:
//
//   line    the record's text (trailing blanks dropped when CLIP is on),
//           then the end-of-record sequence (ENDOFRECORD, CR LF by default)
//   end     the last line may lack the sequence; a Ctrl-Z (26) ends the
//           data when CTRLZISEOF is on
//
// A record pointer is the byte offset of its line plus one; a position
// string is that offset as 8 bytes, most significant first.
#ifndef VANTREL_RUNTIME_DATA_ASCII_ASCII_FILE_H_
#define VANTREL_RUNTIME_DATA_ASCII_ASCII_FILE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "os/posix/file.h"
#include "runtime/data/ascii/ascii_options.h"
#include "runtime/data/driver/driver_entry.h"
#include "runtime/data/driver/file_declaration.h"

namespace vantrel {

inline constexpr std::size_t kAsciiPositionSize = 8;
// The byte LOCK takes, below the bytes the platform keeps for sharing.
inline constexpr std::uint64_t kAsciiLockByte = 0x7FFFFFE0;

class AsciiFile final : public DriverInstance {
 public:
  explicit AsciiFile(FileDeclaration& declaration);

  DriverResult Perform(DriverOp op, DriverArgs& args) override;

 private:
  // Every operation but NEXT, which Perform serves directly.
  DriverResult PerformOther(DriverOp op, DriverArgs& args);

  // Whole-file operations.
  int Open(std::uint32_t mode);
  int Close();
  int Create();
  int Remove();
  int CopyOrRename(DriverOp op, std::string_view new_name);
  int Empty();
  int Lock(bool with_time_out, std::int32_t seconds);
  int Unlock();
  int Send(std::string_view command, DriverArgs& args);

  // Records.
  int ReadRecord(std::uint64_t pos, std::size_t length);
  // The rest of ReadRecord once the line is not plain text in the buffer.
  int ReadRecordSlowly(std::uint64_t pos, std::size_t length);
  int ReadAt(std::int64_t pointer, std::size_t length);
  int ReadAtPosition(std::string_view position);
  int AddLine(std::size_t length, bool make_current);
  int PutLine(std::uint64_t pos, std::uint64_t old_length, std::size_t length);
  int PutAt(std::int64_t pointer, std::size_t length);
  bool AtEndOfData(std::uint64_t pos);

  // File access through the read buffer.
  void RefreshSize();
  void ResizeBuffer();
  void Invalidate() { window_length_ = 0; }
  // Makes the buffer hold `pos` and up to `want` bytes after it; returns the
  // bytes available from `pos` (0 at the end of the file or on failure).
  std::size_t Window(std::uint64_t pos, std::size_t want);
  // Reads the buffer from `pos` on; returns the bytes available there.
  std::size_t Refill(std::uint64_t pos);
  int ByteAt(std::uint64_t pos);  // -1 at the end of the file
  bool EndOfRecordAt(std::uint64_t pos);
  // The bytes of the line at `pos`, its end-of-record sequence included.
  std::uint64_t LineLength(std::uint64_t pos);
  std::string ComposeLine(std::size_t length) const;
  bool WriteBytes(std::uint64_t pos, const std::string& bytes);
  bool MoveTail(std::uint64_t from, std::uint64_t length, std::int64_t delta);
  // The error for the last system failure (2, 3, 4, 5, 32, or 90 with the
  // driver's texts).
  int SystemFailure();

  FileDeclaration& declaration_;
  std::unique_ptr<File> file_;
  AsciiOptions options_;
  std::uint32_t mode_ = 0;
  bool read_only_ = false;
  bool shared_ = false;               // others may write: re-read the size
  bool io_failed_ = false;            // a read failed since the operation began
  std::uint64_t size_ = 0;            // bytes in the file
  std::uint64_t current_ = 0;         // offset of the current record
  std::uint64_t current_length_ = 0;  // its bytes in the file
  std::uint64_t next_ = 0;            // offset of the record NEXT reads
  std::vector<char> buffer_;          // the read buffer
  std::uint64_t window_start_ = 0;    // file offset of buffer_[0]
  std::size_t window_length_ = 0;     // valid bytes in buffer_
  int lock_count_ = 0;
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_ASCII_ASCII_FILE_H_
