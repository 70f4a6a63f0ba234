// Loading the file header at the start of an operation, under the locks of
// the file's sharing, and telling the page cache when another process has
// committed since it was filled.
#ifndef VANTREL_STORAGE_TNL_PAGER_HEADER_LOAD_H_
#define VANTREL_STORAGE_TNL_PAGER_HEADER_LOAD_H_

#include "os/posix/file.h"
#include "os/posix/open_mode.h"
#include "storage/tnl/format/header.h"
#include "storage/tnl/pager/io_channel.h"

namespace vantrel {

// Who else may use the file, from what the open mode denies (OpenDenyBits,
// os/posix/open_mode.h): denying nothing (compatibility, deny none), others
// may read and write; deny write, others may only read; deny read or deny
// all, no one else.
enum class Sharing { kOthersWrite, kOthersRead, kExclusive };

Sharing SharingOfOpenMode(unsigned mode);
// The platform open of a native file in `mode`: access from bits 0-1,
// sharing as above, create (0x100) and replace (0x200).
OpenOptions NativeOpenOptions(unsigned mode);

// Results of LoadHeader.
inline constexpr int kLoadOk = 0;
inline constexpr int kLoadInvalidFile = 1;  // short header or wrong magic
inline constexpr int kLoadLocked = 5;       // the lock could not be had

// What header load keeps of an open file.
struct HeaderLoadState {
  Header header;  // the in-memory copy
  Sharing sharing = Sharing::kExclusive;
  bool reading_mode = true;    // else writing mode
  bool header_loaded = false;  // for the current operation
  bool holds_reader_slot = false;
  bool holds_writer_byte = false;
};

// The page cache's side of a header load.
class HeaderLoadCache {
 public:
  virtual ~HeaderLoadCache() = default;
  // Drops every cached page and the recovery map.
  virtual void DropCachedPages() = 0;
  // The loaded header's committed end differs from its shadow end: a write
  // was interrupted. Returns a LoadHeader result.
  virtual int Recover() = 0;
  // Under the operation's lock: the header in memory is the disk's, with
  // no write pending.
  virtual void DiskHeaderConfirmed() {}
};

// Brings state.header up to date with the disk (nothing when already loaded
// for this operation). A file others may write is locked first: the writer
// byte in writing mode, else a reader slot. A file of length 0 is a new file,
// and so is one that holds only the start of a new file's first header (a
// first write cut off): the in-memory header keeps its values and gains the
// magic. When the disk's
// change counter is higher than the in-memory one (or nothing was loaded),
// the cache is dropped and the disk header taken; then an interrupted write
// is recovered. A lock taken here is given back when the load fails.
int LoadHeader(IoChannel& channel, HeaderLoadState& state, LockWait wait,
               HeaderLoadCache& cache);

// Ends an operation: gives back a reader slot and forgets that the header
// was loaded. The writer byte stays until its change is committed.
void EndHeaderOperation(IoChannel& channel, HeaderLoadState& state);

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_PAGER_HEADER_LOAD_H_
