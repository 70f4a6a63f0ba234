// One open native data file: its I/O channel, the in-memory header, the page
// cache, and the page operations the record tree is built on.
//
// An operation runs inside RunOperation (internal_check.h): LoadHeader, then
// RootPage / GetPage / NewPage / MarkDirty / FreePage / IssueNumber, then
// Commit, then EndOperation. Page pointers stay valid until EndOperation or
// a header load that drops the cache; the cache is trimmed there, and by
// TrimCache, which a walk over the whole file calls between its steps.
//
// Modes: a file is in reading mode or writing mode. BeginChange switches to
// writing mode (a reader slot still held is given back first; the writer
// byte of a shared file is taken by the next header load and kept across
// operations); EndChange commits, gives the writer byte back and returns to
// reading mode. A file opened for writing starts in writing mode without a
// begun change: its writer byte then lasts until its next commit, or until
// an operation ends with nothing to commit.
#ifndef VANTREL_STORAGE_TNL_PAGER_TNL_FILE_H_
#define VANTREL_STORAGE_TNL_PAGER_TNL_FILE_H_

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "os/posix/mapped_head.h"
#include "os/posix/os_error.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/format/zones.h"
#include "storage/tnl/pager/header_load.h"
#include "storage/tnl/pager/io_channel.h"
#include "storage/tnl/pager/page_cache.h"

namespace vantrel {

class TnlFile;

// The pager's only view of transactions, which live in the layer above it.
// That layer installs the hooks once per process (transaction_control.cpp);
// until it does, a closing file has no transaction to leave and an
// interrupted write whose shadow area is whole rolls forward.
enum class WriteDecision {
  kRollForward,
  kDiscard,
  // Not to be decided now (the control file is kept from us): the header
  // load fails as locked and nothing is repaired.
  kUndecided,
};
struct TransactionHooks {
  // Asked during recovery, with the interrupted write's header in place and
  // its pages readable through the recovery map: does the write belong to a
  // transaction that committed?
  WriteDecision (*write_committed)(TnlFile& file) = nullptr;
  // The file is closing while it is a member of the process's transaction.
  void (*leave)(TnlFile& file) = nullptr;
};
void SetTransactionHooks(const TransactionHooks& hooks);

// The highest first byte of an issued number (numbers stay below FE000000).
inline constexpr std::uint32_t kLastIssuableNumber = 0xFDFFFFFF;

// Thrown out of a page read of an operation that began without its reader
// slot (AllowUnlockedRead) when, once the slot is had, the header on disk
// shows that another process committed meanwhile: what the operation has
// read so far may belong to the state before. Whoever allowed the unlocked
// start catches it, ends the operation and runs it again from the start.
struct UnlockedReadOutdated {};

// The change counter never wraps: 0 means a file without a root, and every
// reader takes a lower counter on disk for a state it already has. A commit
// raises it by two (phase one, then the header committed afresh) and a
// repair by one, so a file whose counter is above kLastCommitCounter is
// refused every commit (kCounterExhaustedError, nothing written) and stays
// readable as it is.
inline constexpr std::uint32_t kLastCommitCounter = 0xFFFFFFFD;
inline constexpr int kCounterExhaustedError = kSysWriteProtect;

class TnlFile : public HeaderLoadCache, private PageMover {
 public:
  TnlFile() = default;
  TnlFile(const TnlFile&) = delete;
  TnlFile& operator=(const TnlFile&) = delete;

  // Opens `name` in the runtime's open mode (os/posix/open_mode.h; sharing
  // as SharingOfOpenMode reads it); false with LastSystemError() set.
  bool Open(const std::string& name, unsigned mode);
  // Opens `name` only to read what it holds as committed: the descriptor is
  // read-only, the file must be empty or begin with a native header (else
  // false with kSysInvalidAccess), and a write interrupted in it is decided
  // as its own recovery would decide it, in memory and without asking a
  // control file of its own (its transaction marker, if any, is passed
  // over). For consulting a file another file points at.
  bool OpenCommittedState(const std::string& name);
  bool committed_state_only() const { return committed_state_only_; }
  void Close();

  IoChannel& channel() { return channel_; }
  const std::string& name() const { return channel_.name(); }
  const Header& header() const { return state_.header; }
  bool reading_mode() const { return state_.reading_mode; }
  // Reading mode (no changes) or writing mode; writing needs write access.
  void SetReadingMode(bool reading);

  // Begins a change: writing mode until EndChange. False when the file is
  // not open for writing.
  bool BeginChange();
  // Commits (the two-step write), releases the writer byte and returns to
  // reading mode. Returns 0 or the commit's error.
  int EndChange();
  bool in_change() const { return in_change_; }
  // Set while the file takes part in the process's transaction: operations
  // then leave their changes to the transaction's commit.
  bool in_transaction() const { return in_transaction_; }
  void set_in_transaction(bool in) { in_transaction_ = in; }

  // Brings the header up to date with the disk under the sharing's lock:
  // 0, 1 (not a valid file) or 5 (the lock could not be had).
  int LoadHeader(LockWait wait);
  // Lets the next LoadHeader of a reader of a file others may write begin
  // the operation without its reader slot when the header on disk is, byte
  // for byte, the one last loaded under the slot: the operation then works
  // on cached pages alone, which no commit elsewhere can change. Its first
  // page read takes the slot and, when the header moved meanwhile, throws
  // UnlockedReadOutdated. For operations that change nothing before their
  // last page read, so that running them again is harmless. Lasts until
  // EndOperation.
  void AllowUnlockedRead() { unlocked_allowed_ = true; }
  // Ends the operation: gives back a reader slot (and the writer byte when
  // nothing is left to commit) and trims the cache.
  void EndOperation();
  // Trims the cache inside a long reading operation (a walk over the whole
  // file), so that its memory stays within the cache's budget. Every page
  // pointer the caller holds may be gone afterwards.
  void TrimCache();

  // The root page. In a file that never had one, a writer makes an empty
  // leaf the root (the change counter becomes 1); a reader gets an empty
  // leaf that is never stored.
  Page* RootPage();
  // The page numbered `number` (negative: an unplaced page in the cache).
  Page* GetPage(PageNumber number);
  // The cached page numbered `number`, or nullptr; never reads.
  Page* CachedPage(PageNumber number) { return cache_.Find(number); }
  // Changes whenever a page changes, moves, is freed or made, and whenever
  // the cache is dropped (another process's commit among others): a leaf
  // remembered under an unchanged stamp still holds the same records.
  std::uint64_t page_stamp() const { return page_stamp_; }
  // Changes whenever a page leaves the cache (a trim among others): a page
  // pointer remembered under an unchanged count still points at that page.
  std::uint64_t cache_removals() const { return cache_.removals(); }
  // A leaf the record tree looks in first for the next exact find, kept
  // across operations. Only a hint: the tree checks what the page it names
  // holds before it relies on it.
  struct TreeHint {
    PageNumber leaf = 0;
    bool valid = false;
  };
  TreeHint& tree_hint() { return tree_hint_; }
  // A new empty page at `level`; it gets its slot when committed.
  Page* NewPage(std::uint8_t level);
  // Records that the page changed; it is written by the next commit.
  void MarkDirty(Page* page);
  // Gives the page's slot back and forgets the page. The caller removes its
  // reference (the parent's child entry) itself.
  void FreePage(Page* page);
  // Raises the number counter and returns the new number.
  std::uint32_t IssueNumber();

  // Writes every dirty page and the header by the two-step write. Returns 0
  // or the channel's error (kCounterExhaustedError when the change counter
  // cannot advance); after an error the file holds its old state and the
  // changes are dropped from memory.
  int Commit();
  bool dirty() const { return dirty_; }
  // Pages changed (or made) since the last commit.
  std::size_t dirty_pages() const { return cache_.dirty().size(); }
  // Operations that ended without committing their changes since the last
  // commit; the driver counts them to bound a deferral.
  int deferred_operations() const { return deferred_operations_; }
  void NoteDeferredOperation() { ++deferred_operations_; }
  // The two phases of Commit, for a commit of several files. Phase one
  // writes the change durably but not yet at home (a crash from its end on
  // is recovered through the transaction marker); it returns 0 or the
  // channel's error, after which the file holds its old state as Commit
  // leaves it. Phase two (only after phase one succeeded) puts the change
  // at home.
  int CommitPhaseOne();
  void CommitPhaseTwo();
  // Between the transaction's commit point and phase two: the header at 0
  // takes the change's new change counter (the old state stays as it was),
  // flushed, so that recovery can tell that phase two may have begun and
  // rolls the change forward without asking the control file, which may be
  // out of reach by then.
  void MarkPhaseTwoBegun();
  // Undoes a successful phase one that will not be followed by phase two:
  // the header at 0 is committed afresh over the old state, which drops the
  // shadow area. Returns 0 or the channel's error.
  int DiscardPending();
  // Forgets every change not yet committed (an operation was abandoned
  // half-way, or a transaction rolled back), and a pending phase one: the
  // cache is dropped, the header is read again on the next load, the
  // operation's locks are given back, and the writer byte too unless a
  // change is begun.
  void DiscardChanges();

  // For TransactionHooks::write_committed: runs `read` on the file as the
  // header at 0 and the pages at home show it, which phase two may have partly
  // overwritten. False when an internal check failed on the way.
  bool ReadHomeState(const std::function<void()>& read);
  // HeaderLoadCache.
  void DropCachedPages() override;
  int Recover() override;
  void DiskHeaderConfirmed() override;

  // Home position -> shadow position of an interrupted write read through.
  const std::map<std::uint32_t, std::uint32_t>& recovery_map() const {
    return recovery_map_;
  }

 private:
  void MovePage(PageNumber from, PageNumber to) override;
  PageNumber RootNumber() const;
  Page* ReadPage(PageNumber number);
  void Renumber(Page* page, PageNumber number);
  void FixReference(Page* page, PageNumber old_number);
  void PlacePages(Zones& zones);
  const PageImage& ImageOf(Page* page);
  // Writes the page's image, its home field set, at `position`.
  void WriteImage(Page* page, std::uint64_t position);
  std::uint64_t WritePages(std::uint64_t boundary, std::uint64_t shadow_end);
  int WritePhaseOne(const Header& old_header);
  int WriteFirstPhaseOne();
  void WritePhaseTwo();
  void RestoreDiskHeader();
  // Drops the cache and the header: the next load takes the disk's.
  void ForgetHeader();
  void CommitAfresh();
  void ReleaseWriterByteIfHeld();
  void WriteHeaderAt(std::uint64_t position, const Header& header);
  bool ReadDiskHeader(std::uint64_t position, Header* header);
  bool WalkShadowArea();
  WriteDecision AskTransactionCommitted(const Header& shadow);
  void RollForward();
  void ReleaseCommitLock();
  // The unlocked start of AllowUnlockedRead, when it may be taken.
  bool LoadUnlocked();
  // Takes the reader slot an unlocked operation went without, before its
  // first read of the disk.
  void LockUnlockedRead();
  // Whether the header on disk is, byte for byte, the one last confirmed.
  bool DiskHeaderUnchanged();

  // The file's state, and what changes it:
  //   open_for_writing_   Open with write access in the mode; Close.
  //   committed_state_only_  OpenCommittedState; Open and Close clear it.
  //   state_.reading_mode Open (reading unless open for writing),
  //                       SetReadingMode, BeginChange (writing), EndChange
  //                       (reading).
  //   in_change_          BeginChange; EndChange and Close. Writing mode
  //                       holds throughout.
  //   dirty_              NewPage, MarkDirty, FreePage, IssueNumber; cleared
  //                       by phase two and whenever the cache is dropped.
  //   phase_one_done_     CommitPhaseOne; CommitPhaseTwo, DiscardPending.
  //   holds_commit_lock_  taken by phase one of a shared file; given back
  //                       after phase two, a failed phase one or a discard.
  //   state_.holds_writer_byte  taken by a header load in writing mode of a
  //                       file others may write; given back, when no change
  //                       is begun, by Commit, DiscardChanges and an
  //                       EndOperation with nothing dirty; by EndChange and
  //                       Close in any case.
  //   in_transaction_     set and cleared by the transaction layer.
  IoChannel channel_;
  HeaderLoadState state_;
  PageCache cache_;
  bool dirty_ = false;            // changes not yet committed
  std::uint64_t page_stamp_ = 0;  // see page_stamp()
  TreeHint tree_hint_;            // see tree_hint()
  bool open_for_writing_ = false;
  bool committed_state_only_ = false;  // OpenCommittedState
  bool holds_commit_lock_ = false;
  bool in_change_ = false;          // between BeginChange and EndChange
  bool in_transaction_ = false;     // a member of the process's transaction
  bool phase_one_done_ = false;     // phase two (or a discard) is due
  int deferred_operations_ = 0;     // see deferred_operations()
  bool zones_checked_ = false;      // the header's zones since it was taken
  Header disk_header_;              // the header on disk before phase one
  bool disk_header_valid_ = false;  // false: the file had no header yet
  PageNumber pending_root_ = 0;     // the root's number while it is unplaced
  Page empty_root_;  // the root a reader sees in a file that has none yet
  std::uint64_t commit_boundary_ = 0;
  std::map<std::uint32_t, std::uint32_t> recovery_map_;
  std::vector<unsigned char> read_buffer_;  // page images as read
  Header home_header_;  // the header at 0, while recovery asks its hook
  // The header's first block as it lay on disk when the header in memory
  // was last confirmed under a lock (a file others may write), seen through
  // a mapping: while the disk shows the same bytes, nothing was committed.
  static constexpr std::size_t kHeadBytes = 64;
  MappedHead head_map_;
  std::array<unsigned char, kHeadBytes> confirmed_head_{};
  bool head_confirmed_ = false;
  bool unlocked_allowed_ = false;  // AllowUnlockedRead, until EndOperation
  bool unlocked_ = false;  // this operation runs without its reader slot
};

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_PAGER_TNL_FILE_H_
