// One open native data file: its I/O channel, the in-memory header, the page
// cache, and the page operations the record tree is built on.
//
// An operation runs inside RunOperation (internal_check.h): LoadHeader, then
// RootPage / GetPage / NewPage / MarkDirty / FreePage / IssueNumber, then
// Commit, then EndOperation. Page pointers stay valid until EndOperation or
// a header load that drops the cache; the cache is trimmed only there.
#ifndef VANTREL_STORAGE_TNL_TNL_FILE_H_
#define VANTREL_STORAGE_TNL_TNL_FILE_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "storage/tnl/header_load.h"
#include "storage/tnl/io_channel.h"
#include "storage/tnl/page_cache.h"
#include "storage/tnl/zones.h"

namespace vantrel {

// Internal checks of the open file.
inline constexpr int kCheckRootWithoutHeader = 1013;
inline constexpr int kCheckIssueInReadingMode = 1163;
inline constexpr int kCheckIssueWithoutHeader = 1164;
inline constexpr int kCheckNumbersExhausted = 1173;
inline constexpr int kCheckShortPageRead = 2172;
inline constexpr int kCheckMovedPageEmpty = 1891;
inline constexpr int kCheckMovedPageParentMissing = 1894;

// The highest first byte of an issued number (numbers stay below FE000000).
inline constexpr std::uint32_t kLastIssuableNumber = 0xFDFFFFFF;

class TnlFile : public HeaderLoadCache, private PageMover {
 public:
  TnlFile() = default;
  TnlFile(const TnlFile&) = delete;
  TnlFile& operator=(const TnlFile&) = delete;

  // Opens `name` in the runtime's open mode (access bits 0-1, sharing 0x30,
  // create 0x100, replace 0x200); false with LastSystemError() set.
  bool Open(const std::string& name, unsigned mode);
  void Close();

  IoChannel& channel() { return channel_; }
  const Header& header() const { return state_.header; }
  bool reading_mode() const { return state_.reading_mode; }
  // Reading mode (no changes) or writing mode; writing needs write access.
  void SetReadingMode(bool reading);

  // Brings the header up to date with the disk under the sharing's lock:
  // 0, 1 (not a valid file) or 5 (the lock could not be had).
  int LoadHeader(LockWait wait);
  // Ends the operation: gives back a reader slot (and the writer byte when
  // nothing is left to commit) and trims the cache.
  void EndOperation();

  // The root page. In a file that never had one, the change counter becomes
  // 1 and an empty leaf is made the root.
  Page* RootPage();
  // The page numbered `number` (negative: an unplaced page in the cache).
  Page* GetPage(PageNumber number);
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
  // or the channel's error; after an error the file holds its old state and
  // the changes are dropped from memory.
  int Commit();
  bool dirty() const { return dirty_; }
  // Forgets every change not yet committed (an operation was abandoned
  // half-way): the cache is dropped, the header is read again on the next
  // load and the writer byte is given back.
  void DiscardChanges();

  // Asked during recovery whether the interrupted write belongs to a
  // transaction that committed. Until transactions exist every interrupted
  // write whose shadow area is whole rolls forward.
  using TransactionQuery = std::function<bool(const TnlFile&)>;
  void SetTransactionQuery(TransactionQuery query) {
    transaction_committed_ = std::move(query);
  }

  // HeaderLoadCache.
  void DropCachedPages() override;
  int Recover() override;

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
  std::uint64_t WritePages(std::uint64_t boundary, std::uint64_t shadow_end);
  int CommitPhaseOne(const Header& old_header);
  void CommitPhaseTwo();
  void CommitAfresh();
  void WriteHeaderAt(std::uint64_t position, const Header& header);
  bool ReadDiskHeader(std::uint64_t position, Header* header);
  bool WalkShadowArea();
  void RollForward();
  void ReleaseCommitLock();

  IoChannel channel_;
  HeaderLoadState state_;
  PageCache cache_;
  bool dirty_ = false;  // changes not yet committed
  bool open_for_writing_ = false;
  bool holds_commit_lock_ = false;
  PageNumber pending_root_ = 0;  // the root's number while it is unplaced
  std::uint64_t commit_boundary_ = 0;
  std::map<std::uint32_t, std::uint32_t> recovery_map_;
  TransactionQuery transaction_committed_;
};

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_TNL_FILE_H_
