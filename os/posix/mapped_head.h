// A read-only shared mapping of a file's first bytes, so that what other
// processes write there can be looked at without a system call.
//
// A file cut shorter than the mapping while it is mapped would stop the
// program with SIGBUS at the next look; Read catches that signal for its own
// copy and fails instead. A signal that comes from elsewhere goes to the
// handler that was in place before, or ends the program as usual.
#ifndef VANTREL_OS_POSIX_MAPPED_HEAD_H_
#define VANTREL_OS_POSIX_MAPPED_HEAD_H_

#include <cstddef>

#include "os/posix/file.h"

namespace vantrel {

class MappedHead {
 public:
  MappedHead() = default;
  ~MappedHead() { Unmap(); }
  MappedHead(const MappedHead&) = delete;
  MappedHead& operator=(const MappedHead&) = delete;

  // Maps the first `length` bytes of `file`; false (nothing mapped) when
  // the file is shorter or the system refuses.
  bool Map(File& file, std::size_t length);
  void Unmap();
  bool mapped() const { return base_ != nullptr; }

  // Copies `length` bytes from `offset` (within the mapped length) into
  // `out`; false when the file no longer holds them.
  bool Read(std::size_t offset, void* out, std::size_t length) const;

 private:
  void* base_ = nullptr;
  std::size_t length_ = 0;
};

}  // namespace vantrel

#endif  // VANTREL_OS_POSIX_MAPPED_HEAD_H_
