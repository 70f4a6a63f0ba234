// The I/O channel of an open native file: the platform file, its name, a
// sticky error, the reader slot this user holds, and the cipher of an
// enciphered file.
//
// Reads and writes move whole 64-byte blocks so that enciphering works block
// by block at any position that is a multiple of 64. The sticky error keeps
// the first failure of a write or flush (a system error number; 5, access
// denied, for a write the device stopped short); while it is set, writes do
// nothing, so a commit that failed part-way writes no more and reports that
// first failure.
#ifndef VANTREL_STORAGE_TNL_PAGER_IO_CHANNEL_H_
#define VANTREL_STORAGE_TNL_PAGER_IO_CHANNEL_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "os/posix/file.h"
#include "storage/tnl/format/cipher.h"
#include "storage/tnl/format/internal_check.h"

namespace vantrel {

// Sticky error of a write that the device stopped short.
inline constexpr int kShortWriteError = 5;
// A header that a commit cannot read whole: the commit writes nothing.
inline constexpr int kUnreadableHeaderError = 5;

class IoChannel {
 public:
  IoChannel() = default;
  IoChannel(const IoChannel&) = delete;
  IoChannel& operator=(const IoChannel&) = delete;

  // Opens `name`; false with LastSystemError() set on failure (a sharing
  // conflict is kSysSharingViolation). Clears the sticky error.
  bool Open(const std::string& name, const OpenOptions& options);
  void Close();
  bool is_open() const { return file_ != nullptr; }

  const std::string& name() const { return name_; }
  // The platform file, for locks and size; nullptr when closed.
  File* file() const { return file_.get(); }

  // The first failure since the last ClearError(), 0 when none.
  int error() const { return error_; }
  void ClearError() { error_ = 0; }

  int reader_slot() const { return reader_slot_; }
  void set_reader_slot(int slot) { reader_slot_ = slot; }

  // Enciphers the file under `owner_password`; an empty one turns it off.
  void SetPassword(std::string_view owner_password);
  bool enciphered() const { return cipher_.has_value(); }

  // Reads `length` bytes (a multiple of 64) at `position` into `buffer`,
  // deciphering them; returns the count read, fewer at the end of the file.
  // A failed read sets the sticky error and fails kCheckReadFailed (2277);
  // a read with no file open kCheckReadWithoutFile.
  std::size_t ReadBlock(std::size_t length, void* buffer,
                        std::uint64_t position);
  // Writes `length` bytes (a multiple of 64) of `buffer` at `position`,
  // enciphered when the file is. Does nothing while the sticky error is set;
  // a failure sets it. The caller's buffer is never changed.
  void WriteBlock(std::uint64_t position, std::size_t length,
                  const void* buffer);
  // Puts written data on the device; a failure sets the sticky error, since
  // a commit may not go on past data that did not reach the disk.
  bool Flush();

 private:
  void SetError(int error) {
    if (error_ == 0) error_ = error;
  }

  std::unique_ptr<File> file_;
  std::string name_;
  int error_ = 0;
  int reader_slot_ = 0;  // 0..1022
  std::optional<Cipher> cipher_;
};

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_PAGER_IO_CHANNEL_H_
