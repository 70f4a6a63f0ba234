#include "storage/tnl/pager/io_channel.h"

#include <limits>
#include <vector>

#include "os/posix/os_error.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/pager/file_locks.h"

namespace vantrel {
namespace {

constexpr std::uint64_t kMaxPosition =
    static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());

}  // namespace

bool IoChannel::Open(const std::string& name, const OpenOptions& options) {
  Close();
  name_ = name;
  file_ = File::Open(name, options);
  reader_slot_ = StartingReaderSlot();
  return file_ != nullptr;
}

void IoChannel::Close() {
  file_.reset();
  error_ = 0;
}

void IoChannel::SetPassword(std::string_view owner_password) {
  if (owner_password.empty()) {
    cipher_.reset();
  } else {
    cipher_.emplace(owner_password);
  }
}

std::size_t IoChannel::ReadBlock(std::size_t length, void* buffer,
                                 std::uint64_t position) {
  Check(length % kCipherBlockSize == 0, kCheckReadBlockLength);
  Check(position <= kMaxPosition && length <= kMaxPosition - position,
        kCheckReadPosition);
  if (file_ == nullptr) {
    SetError(kSysInvalidHandle);
    FailCheck(kCheckReadWithoutFile);
  }
  const IoResult result = file_->ReadAt(position, buffer, length);
  if (result.error != kSysNone) {
    SetError(result.error);
    FailCheck(kCheckReadFailed);
  }
  if (cipher_) {
    // A partial block at the end of the file cannot be deciphered; only
    // whole blocks count as read.
    const std::size_t whole = result.bytes - result.bytes % kCipherBlockSize;
    cipher_->Decipher(static_cast<unsigned char*>(buffer), whole);
    return whole;
  }
  return result.bytes;
}

void IoChannel::WriteBlock(std::uint64_t position, std::size_t length,
                           const void* buffer) {
  Check(length % kCipherBlockSize == 0, kCheckWriteBlockLength);
  if (error_ != 0) return;
  if (file_ == nullptr) {
    SetError(kSysInvalidHandle);
    return;
  }
  const void* out = buffer;
  std::vector<unsigned char> enciphered;
  if (cipher_) {
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    enciphered.assign(bytes, bytes + length);
    cipher_->Encipher(enciphered.data(), length);
    out = enciphered.data();
  }
  const IoResult result = file_->WriteAt(position, out, length);
  if (result.error != kSysNone) {
    SetError(result.error);
  } else if (result.bytes < length) {
    SetError(kShortWriteError);
  }
}

bool IoChannel::Flush() {
  if (file_ == nullptr) {
    SetError(kSysInvalidHandle);
    return false;
  }
  if (file_->Flush()) return true;
  SetError(LastSystemError());
  return false;
}

}  // namespace vantrel
