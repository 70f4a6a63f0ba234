// The two-step write and its recovery. A commit of one file:
//
//   phase 1  place every dirty page in a slot of its size class and compact
//            the zones; pages homed at or beyond the commit boundary (the
//            end of the committed page space) are written at home, the
//            others and then the new header as shadow copies from the
//            committed end on; flush; the old header, with only its
//            committed end (0x006) and shadow end (0x00A) replaced, at 0;
//            flush. From here on the change is durable.
//   phase 2  every shadowed page at its home, the new header at 0, then the
//            header committed afresh (committed end = shadow end = end of
//            page space), flushed before and after.
// A commit of several files reaches its commit point between the phases
// and then, before phase 2, rewrites the header at 0 once more with the
// change counter (0x018) of the new header, flushed: the header still
// describes the old state, and its counter says that phase 2 may have begun.
//
// A header found with committed end != shadow end was written by an
// interrupted commit. Its shadow area holds whole page images one after the
// other (each stepping by its stored length rounded up to 256) and ends with
// the new header (home 0). When the area is whole the change rolls forward,
// else it is discarded and the old header stands. A header at 0 with the
// new header's change counter rolls forward at once; otherwise the
// transaction layer decides (TransactionHooks::write_committed).
//
// What this asks of the disk: a write of the header at 0 that stops part
// way leaves the bytes before the cut new and the rest old. Every write at
// 0 changes at most the two ends (0x006..0x00D) and the change counter of
// the header there, or (phase two, roll forward) rewrites a header whose
// ends stay pending, so a cut anywhere is read as the old state, the new
// one, or a pending write that is repaired: an end mixed of two values
// either walks off the area (discarded; after phase two the header at 0 is
// already the new one) or claims more than the area (the walk stops at the
// header copy). A counter mixed across a carry can read lower than before,
// which another process comparing counters takes for no change; the format
// has no checksum to tell, so that case relies on the 512-byte sector
// being written whole. A new file whose first header was cut is new again.
// A commit that fails and cannot write its undo leaves the disk to decide
// at the next load: the header in memory is dropped.
#include "storage/tnl/pager/tnl_file.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <utility>
#include <vector>

#include "os/posix/os_error.h"
#include "runtime/data/base/byte_order.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/pager/file_locks.h"

namespace vantrel {
namespace {

TransactionHooks& Hooks() {
  static TransactionHooks hooks;
  return hooks;
}

std::uint64_t RoundToUnits(std::uint64_t length) {
  return (length + kPageUnit - 1) / kPageUnit * kPageUnit;
}

std::uint32_t PageSpaceEnd(const ZoneTable& zones) {
  return static_cast<std::uint32_t>(PagePosition(EndOfPageSpace(zones)));
}

}  // namespace

void SetTransactionHooks(const TransactionHooks& hooks) { Hooks() = hooks; }

bool TnlFile::Open(const std::string& name, unsigned mode) {
  Close();
  if (!channel_.Open(name, NativeOpenOptions(mode))) return false;
  channel_.set_reader_slot(StartingReaderSlot());
  state_.sharing = SharingOfOpenMode(mode);
  open_for_writing_ = (mode & kOpenAccessMask) != 0;
  state_.reading_mode = !open_for_writing_;
  return true;
}

bool TnlFile::OpenCommittedState(const std::string& name) {
  Close();
  OpenOptions options = NativeOpenOptions(kOpenReadShared);
  options.read_only_descriptor = true;
  if (!channel_.Open(name, options)) return false;
  // Nothing but a native file is locked or read further.
  std::array<unsigned char, kHeaderSize> image;
  Header header;
  const std::int64_t size = channel_.file()->Size();
  const bool native =
      size == 0 ||
      (size >= static_cast<std::int64_t>(kHeaderSize) &&
       channel_.file()->ReadAt(0, image.data(), image.size()).bytes ==
           image.size() &&
       DecodeHeader(image, &header));
  if (!native) {
    channel_.Close();
    SetLastSystemError(kSysInvalidAccess);
    return false;
  }
  channel_.set_reader_slot(StartingReaderSlot());
  state_.sharing = Sharing::kOthersWrite;
  state_.reading_mode = true;
  committed_state_only_ = true;
  return true;
}

void TnlFile::Close() {
  if (in_transaction_ && Hooks().leave != nullptr) Hooks().leave(*this);
  if (phase_one_done_) DiscardPending();
  in_change_ = false;
  EndOperation();
  ReleaseWriterByteIfHeld();
  head_map_.Unmap();
  channel_.Close();
  DropCachedPages();
  state_ = HeaderLoadState{};
  open_for_writing_ = false;
  committed_state_only_ = false;
}

void TnlFile::SetReadingMode(bool reading) {
  // A reader that read an interrupted write through the recovery map, or
  // that discarded one in memory (its header still shows the write
  // pending), leaves the repair to a writer; becoming one, it reloads and
  // repairs, and no commit is built on the pending header at 0.
  const bool repair_owed =
      !recovery_map_.empty() ||
      (!dirty_ && !phase_one_done_ && state_.header.has_magic &&
       state_.header.committed_end != state_.header.shadow_end);
  if (!reading && repair_owed) {
    DropCachedPages();
    state_.header.has_magic = false;
    state_.header_loaded = false;
  }
  state_.reading_mode = reading;
}

bool TnlFile::BeginChange() {
  if (!open_for_writing_) return false;
  if (state_.holds_reader_slot) {
    // Loaded under a reader slot: the next load takes the writer byte and
    // looks at the disk again.
    EndHeaderOperation(channel_, state_);
  }
  SetReadingMode(false);
  in_change_ = true;
  return true;
}

int TnlFile::EndChange() {
  const int error = Commit();
  in_change_ = false;
  ReleaseWriterByteIfHeld();
  state_.reading_mode = true;
  state_.header_loaded = false;
  return error;
}

bool TnlFile::DiskHeaderUnchanged() {
  if (!head_confirmed_) return false;
  std::array<unsigned char, kHeadBytes> now;
  return head_map_.Read(0, now.data(), now.size()) && now == confirmed_head_;
}

void TnlFile::DiskHeaderConfirmed() {
  head_confirmed_ = false;
  if (state_.sharing != Sharing::kOthersWrite || committed_state_only_ ||
      channel_.file() == nullptr) {
    return;
  }
  if (!head_map_.mapped() && !head_map_.Map(*channel_.file(), kHeadBytes)) {
    return;
  }
  head_confirmed_ =
      head_map_.Read(0, confirmed_head_.data(), confirmed_head_.size());
}

bool TnlFile::LoadUnlocked() {
  return unlocked_allowed_ && !state_.header_loaded && state_.reading_mode &&
         state_.sharing == Sharing::kOthersWrite && !committed_state_only_ &&
         state_.header.has_magic && zones_checked_ && !dirty_ && !in_change_ &&
         !phase_one_done_ && recovery_map_.empty() &&
         state_.header.committed_end == state_.header.shadow_end &&
         DiskHeaderUnchanged();
}

void TnlFile::LockUnlockedRead() {
  unlocked_ = false;
  if (!TakeReaderSlot(channel_, LockWait::kWait)) throw UnlockedReadOutdated{};
  state_.holds_reader_slot = true;
  // No commit runs while the slot is held: the disk now shows what the
  // pages read from here on belong to.
  if (!DiskHeaderUnchanged()) throw UnlockedReadOutdated{};
}

int TnlFile::LoadHeader(LockWait wait) {
  if (LoadUnlocked()) {
    state_.header_loaded = true;
    unlocked_ = true;
    return kLoadOk;
  }
  const int result = vantrel::LoadHeader(channel_, state_, wait, *this);
  if (result != kLoadOk) return result;
  // A header taken from the disk drops the cache first; one kept in memory
  // was checked when taken and has changed only through this process.
  if (zones_checked_) return kLoadOk;
  if (!ZonesConsistent(state_.header.zones)) {
    state_.header.has_magic = false;  // read it again next time
    EndOperation();
    return kLoadInvalidFile;
  }
  zones_checked_ = true;
  return kLoadOk;
}

void TnlFile::EndOperation() {
  unlocked_allowed_ = false;
  unlocked_ = false;
  if (!dirty_ && !in_change_) ReleaseWriterByteIfHeld();
  EndHeaderOperation(channel_, state_);
  cache_.Trim();
}

// Only clean pages go, and a clean page read again holds the same records,
// so the page stamp stays: a leaf hint finds its leaf gone and descends.
void TnlFile::TrimCache() { cache_.Trim(); }

PageNumber TnlFile::RootNumber() const {
  return pending_root_ != 0 ? pending_root_ : state_.header.root_page;
}

Page* TnlFile::RootPage() {
  Check(state_.header.has_magic, kCheckRootWithoutHeader);
  if (state_.header.change_counter == 0) {
    // A reader sees an empty tree: making the root would leave a page to
    // commit without the writer byte, and two such readers of one new file
    // would each wait at the commit for the other's reader slot.
    if (state_.reading_mode) return &empty_root_;
    state_.header.change_counter = 1;
    pending_root_ = NewPage(0)->number;
  }
  return GetPage(RootNumber());
}

Page* TnlFile::GetPage(PageNumber number) {
  if (Page* page = cache_.Find(number)) return page;
  return ReadPage(number);
}

Page* TnlFile::ReadPage(PageNumber number) {
  if (unlocked_) LockUnlockedRead();
  const int units = ClassOf(state_.header.zones, number);
  Check(units != 0, kCheckNoZone);
  const auto home = static_cast<std::uint32_t>(PagePosition(number));
  const auto shadow = recovery_map_.find(home);
  const std::uint64_t position =
      shadow != recovery_map_.end() ? shadow->second : home;
  // One buffer serves every read: a large allocation per page read made
  // the allocator sweep up the many small blocks that pages free.
  const std::size_t length = static_cast<std::size_t>(units) * kPageUnit;
  if (read_buffer_.size() < length) read_buffer_.resize(length);
  const std::span<unsigned char> image(read_buffer_.data(), length);
  Check(channel_.ReadBlock(length, image.data(), position) == length,
        kCheckShortPageRead);
  DecodedPage decoded = DecodePageImage(image);
  auto page = std::make_unique<Page>();
  page->number = number;
  page->level = decoded.level;
  page->records = std::move(decoded.records);
  page->used = decoded.used;
  page->units = units;
  return cache_.Add(std::move(page));
}

Page* TnlFile::NewPage(std::uint8_t level) {
  ++page_stamp_;
  auto page = std::make_unique<Page>();
  page->number = cache_.NextTemporary();
  page->level = level;
  page->dirty = true;
  dirty_ = true;
  return cache_.Add(std::move(page));
}

void TnlFile::MarkDirty(Page* page) {
  ++page_stamp_;
  cache_.MarkDirty(page);
  page->image = {};  // changed: encode afresh
  dirty_ = true;
}

// A commit places, writes and (for shadow copies) writes again each dirty
// page; its image is compressed once for all three unless the page changes
// in between (a move, or a child's new number in an inner page).
const PageImage& TnlFile::ImageOf(Page* page) {
  if (page->image.bytes.empty()) {
    page->image = EncodePageImage(page->level, page->records, 0);
  }
  return page->image;
}

void TnlFile::WriteImage(Page* page, std::uint64_t position) {
  PageImage& image = page->image;
  ImageOf(page);
  StoreLe32(&image.bytes[kPageHomeOffset],
            static_cast<std::uint32_t>(PagePosition(page->number)));
  channel_.WriteBlock(position, image.bytes.size(), image.bytes.data());
}

void TnlFile::FreePage(Page* page) {
  const PageNumber number = page->number;
  const int units = page->units;
  ++page_stamp_;
  cache_.Remove(page);
  dirty_ = true;
  if (units != 0) {
    Zones zones(state_.header.zones, *this);
    zones.GiveBack(units, number);
  }
}

std::uint32_t TnlFile::IssueNumber() {
  Check(state_.header.has_magic, kCheckIssueWithoutHeader);
  Check(!state_.reading_mode, kCheckIssueInReadingMode);
  Check(state_.header.last_issued < kLastIssuableNumber,
        kCheckNumbersExhausted);
  dirty_ = true;
  return ++state_.header.last_issued;
}

void TnlFile::MovePage(PageNumber from, PageNumber to) {
  Page* page = GetPage(from);
  ++page_stamp_;
  cache_.Renumber(page, to);
  FixReference(page, from);
  // The records stay as they were, so an image already made stays good
  // (its home word is set as it is written).
  PageImage image = std::move(page->image);
  MarkDirty(page);
  page->image = std::move(image);
}

// Points the one reference to a renumbered page (the header's root number,
// or the child entry in its parent) at its new number. The parent is found
// by descending from the root with the page's first key.
void TnlFile::FixReference(Page* page, PageNumber old_number) {
  if (old_number == RootNumber()) {
    if (page->number < 0) {
      pending_root_ = page->number;
    } else {
      state_.header.root_page = static_cast<std::uint32_t>(page->number);
      pending_root_ = 0;
    }
    return;
  }
  Check(!page->records.empty(), kCheckMovedPageEmpty);
  const std::vector<std::uint8_t> key(page->records.At(0).Key().begin(),
                                      page->records.At(0).Key().end());
  Page* at = GetPage(RootNumber());
  for (;;) {
    Check(at->level != 0 && !at->records.empty(), kCheckMovedPageParentMissing);
    const std::size_t above = at->records.UpperBound(key);
    const std::size_t entry = above == 0 ? 0 : above - 1;
    const PageNumber entry_child = at->records.At(entry).child;
    if (entry_child == old_number) {
      at->records.SetChild(entry, page->number);
      MarkDirty(at);
      return;
    }
    Page* child = GetPage(entry_child);
    Check(child->level < at->level, kCheckMovedPageChildLevel);
    at = child;
  }
}

// First pass of a commit: every dirty page without a slot of its size class
// leaves its old slot (if any) and takes a new one. Moves made on the way
// dirty more pages; those keep their class, so one pass over the growing
// list places them all.
void TnlFile::PlacePages(Zones& zones) {
  ++page_stamp_;
  for (std::size_t i = 0; i < cache_.dirty().size(); ++i) {
    Page* page = cache_.dirty()[i];
    const int units = ImageOf(page).units;
    if (page->units == units) continue;
    if (page->units != 0) {
      // Out of the old slot first, so the zone's last page can fill it.
      const PageNumber old_number = page->number;
      cache_.Renumber(page, cache_.NextTemporary());
      FixReference(page, old_number);
      zones.GiveBack(page->units, old_number);
      page->units = 0;
    }
    const PageNumber unplaced = page->number;
    cache_.Renumber(page, zones.Allocate(units));
    page->units = units;
    FixReference(page, unplaced);
  }
}

void TnlFile::WriteHeaderAt(std::uint64_t position, const Header& header) {
  std::array<unsigned char, kHeaderSize> image;
  EncodeHeader(header, image);
  channel_.WriteBlock(position, image.size(), image.data());
}

bool TnlFile::ReadDiskHeader(std::uint64_t position, Header* header) {
  std::array<unsigned char, kHeaderSize> image;
  return channel_.ReadBlock(image.size(), image.data(), position) ==
             image.size() &&
         DecodeHeader(image, header);
}

// Second pass: pages homed at or beyond the boundary go home and are done;
// the others are written as shadow copies from `shadow_end` on and stay
// dirty for phase 2. Returns the new shadow end.
std::uint64_t TnlFile::WritePages(std::uint64_t boundary,
                                  std::uint64_t shadow_end) {
  std::vector<Page*> home_written;
  for (Page* page : cache_.dirty()) {
    const std::uint64_t home = PagePosition(page->number);
    if (home >= boundary) {
      WriteImage(page, home);
      page->image = {};
      home_written.push_back(page);
    } else {
      WriteImage(page, shadow_end);
      shadow_end += page->image.bytes.size();
    }
  }
  cache_.MarkClean(home_written);
  return shadow_end;
}

// A commit raises the change counter twice: once for the new header that
// phase one writes as a shadow copy, once when phase two commits it afresh
// (CommitAfresh). Readers only compare counters, never count commits.
int TnlFile::WritePhaseOne(const Header& old_header) {
  const std::uint64_t boundary = PageSpaceEnd(old_header.zones);
  Zones zones(state_.header.zones, *this);
  PlacePages(zones);
  zones.Compact();
  Header& h = state_.header;
  h.committed_end = static_cast<std::uint32_t>(
      std::max<std::uint64_t>(PageSpaceEnd(h.zones), boundary));
  h.shadow_end = h.committed_end;
  ++h.change_counter;
  channel_.ClearError();
  const std::uint64_t header_copy = WritePages(boundary, h.committed_end);
  h.shadow_end = static_cast<std::uint32_t>(header_copy + kHeaderSize);
  WriteHeaderAt(header_copy, h);
  if (channel_.error() != 0 || !channel_.Flush()) return channel_.error();
  // The shadow copies are on the device: only now may the header at 0
  // point at them, or a crash in between would leave it pointing at junk.
  Header kept = old_header;
  kept.committed_end = h.committed_end;
  kept.shadow_end = h.shadow_end;
  WriteHeaderAt(0, kept);
  if (channel_.error() != 0 || !channel_.Flush()) return channel_.error();
  return 0;
}

void TnlFile::WritePhaseTwo() {
  const std::vector<Page*> shadowed = cache_.dirty();
  for (Page* page : shadowed) {
    WriteImage(page, PagePosition(page->number));
    page->image = {};
  }
  cache_.MarkClean(shadowed);
  WriteHeaderAt(0, state_.header);
  CommitAfresh();
}

void TnlFile::CommitAfresh() {
  Header& h = state_.header;
  h.committed_end = h.shadow_end = PageSpaceEnd(h.zones);
  ++h.change_counter;
  channel_.Flush();
  WriteHeaderAt(0, h);
  channel_.Flush();
}

void TnlFile::ReleaseCommitLock() {
  if (!holds_commit_lock_) return;
  vantrel::ReleaseCommitLock(channel_);
  holds_commit_lock_ = false;
}

void TnlFile::ReleaseWriterByteIfHeld() {
  if (!state_.holds_writer_byte) return;
  ReleaseWriterByte(channel_);
  state_.holds_writer_byte = false;
}

int TnlFile::Commit() {
  const int error = CommitPhaseOne();
  if (error == 0) CommitPhaseTwo();
  // Without a begun change the writer byte lasts only until the commit.
  if (!in_change_) ReleaseWriterByteIfHeld();
  return error;
}

// Phase one of a new file's first commit. The kept header reaches position
// 0 only at the end of phase one; a crash before that would leave pages
// without a header, a file no one could open again. So an empty header is
// made durable first: until the commit is, the file is an empty file.
int TnlFile::WriteFirstPhaseOne() {
  disk_header_ = NewFileHeader();
  channel_.ClearError();
  WriteHeaderAt(0, disk_header_);
  if (channel_.error() != 0 || !channel_.Flush()) return channel_.error();
  return WritePhaseOne(disk_header_);
}

int TnlFile::CommitPhaseOne() {
  assert(!phase_one_done_);
  if (!dirty_ || !open_for_writing_) return 0;
  head_confirmed_ = false;  // the disk's header is about to change
  if (state_.header.change_counter > kLastCommitCounter) {
    // Wrapping would make the file look rootless and other processes keep
    // stale pages: refused before anything is written.
    DropCachedPages();
    state_.header.has_magic = false;  // read it again at the next load
    return kCounterExhaustedError;
  }
  if (state_.sharing != Sharing::kExclusive) {
    holds_commit_lock_ = TakeCommitLock(channel_, LockWait::kWait);
  }
  // Only a file of length 0, or one holding only the start of a new
  // file's header, is new. A header read short is no base for a commit
  // (taken for a new file, it would be overwritten by an empty one):
  // nothing is written, and the next load reads the disk again.
  std::array<unsigned char, kHeaderSize> image;
  const std::size_t got = channel_.ReadBlock(image.size(), image.data(), 0);
  disk_header_valid_ =
      got == image.size() && DecodeHeader(image, &disk_header_);
  const bool is_new = IsCutNewFileHeader(std::span(image).first(got));
  if (!is_new && !disk_header_valid_) {
    ForgetHeader();
    ReleaseCommitLock();
    return kUnreadableHeaderError;
  }
  const int error =
      disk_header_valid_ ? WritePhaseOne(disk_header_) : WriteFirstPhaseOne();
  if (error != 0) {
    // The kept header may have reached position 0 before the failing
    // flush; put the old state back there so the file stays as it was. A
    // new file goes back to empty: a part of its first header would leave
    // a file that no one could open again.
    if (!disk_header_valid_) {
      File* file = channel_.file();
      if (file == nullptr || !file->Truncate(0)) {
        // What phase one wrote stays: the disk decides at the next load.
        ForgetHeader();
        ReleaseCommitLock();
        return error;
      }
    }
    RestoreDiskHeader();
    ReleaseCommitLock();
    return error;
  }
  phase_one_done_ = true;
  return 0;
}

void TnlFile::CommitPhaseTwo() {
  if (!phase_one_done_) return;
  phase_one_done_ = false;
  WritePhaseTwo();
  if (channel_.error() != 0) {
    // Durable, but not all at home: reload and repair on the next load.
    DropCachedPages();
    state_.header.has_magic = false;
  }
  ReleaseCommitLock();
  dirty_ = false;
  deferred_operations_ = 0;
}

void TnlFile::MarkPhaseTwoBegun() {
  // A file that had no header keeps what phase one wrote either way.
  if (!phase_one_done_ || !disk_header_valid_) return;
  Header marked = disk_header_;
  marked.committed_end = state_.header.committed_end;
  marked.shadow_end = state_.header.shadow_end;
  marked.change_counter = state_.header.change_counter;
  WriteHeaderAt(0, marked);
  channel_.Flush();
}

int TnlFile::DiscardPending() {
  if (!phase_one_done_) return 0;
  phase_one_done_ = false;
  channel_.ClearError();
  RestoreDiskHeader();
  const int error = channel_.error();
  ReleaseCommitLock();
  return error;
}

void TnlFile::DiscardChanges() {
  DiscardPending();
  DropCachedPages();
  state_.header.has_magic = false;  // read it again at the next load
  EndHeaderOperation(channel_, state_);
  ReleaseCommitLock();
  // A begun change keeps its writer byte until it ends.
  if (!in_change_) ReleaseWriterByteIfHeld();
}

// Drops the changes from memory and commits the header that was on disk
// before phase one afresh, so that its committed end and shadow end no
// longer point at a shadow area. A file that had no header yet keeps
// whatever phase one wrote; its in-memory header stays the empty one.
void TnlFile::RestoreDiskHeader() {
  DropCachedPages();
  state_.header = disk_header_;
  if (!disk_header_valid_) return;
  channel_.ClearError();
  CommitAfresh();
  // Refused, the header at 0 may still point at the shadow area: the old
  // state in memory is no longer the disk's, which the next load decides
  // (it rolls the change forward or discards it, and repairs).
  if (channel_.error() != 0) ForgetHeader();
}

void TnlFile::ForgetHeader() {
  DropCachedPages();
  state_.header.has_magic = false;
  state_.header_loaded = false;
}

void TnlFile::DropCachedPages() {
  ++page_stamp_;
  head_confirmed_ = false;
  zones_checked_ = false;
  cache_.Clear();
  recovery_map_.clear();
  pending_root_ = 0;
  dirty_ = false;
  deferred_operations_ = 0;
}

// Maps every image of the shadow area to its home; false unless the area
// is whole and ends exactly at the shadow end with the header copy, which a
// commit writes last. A shadow end that claims more (the bytes of two ends
// mixed by a cut write of the header at 0) would otherwise walk on into
// stale images past the area, and an old header copy there would win.
bool TnlFile::WalkShadowArea() {
  const Header& h = state_.header;
  std::uint64_t position = h.committed_end;
  std::array<unsigned char, kHeaderSize> start;
  while (position < h.shadow_end) {
    if (recovery_map_.contains(0)) return false;  // an image after the header
    if (channel_.ReadBlock(start.size(), start.data(), position) <
        start.size()) {
      return false;
    }
    const std::uint32_t home = LoadLe32(&start[kPageHomeOffset]);
    const std::uint64_t step =
        RoundToUnits(LoadLe16(&start[kPageStoredOffset]));
    const bool header_copy = home == 0 && step == kHeaderSize;
    const bool page_copy = home >= kPageSpaceBase &&
                           (home - kPageSpaceBase) % kPageUnit == 0 &&
                           step != 0 && step <= kMaxPageBytes;
    if (!header_copy && !page_copy) return false;
    recovery_map_[home] = static_cast<std::uint32_t>(position);
    position += step;
  }
  return position == h.shadow_end && recovery_map_.contains(0);
}

// Copies every shadow image to its home, the header last, and commits the
// header afresh.
void TnlFile::RollForward() {
  std::vector<unsigned char> image;
  auto copy_home = [&](std::uint32_t home, std::uint32_t shadow) {
    image.resize(kHeaderSize);
    Check(channel_.ReadBlock(kHeaderSize, image.data(), shadow) == kHeaderSize,
          kCheckShortRollForwardHead);
    const std::size_t length =
        home == 0 ? kHeaderSize
                  : RoundToUnits(LoadLe16(&image[kPageStoredOffset]));
    image.resize(std::max(length, kHeaderSize));
    Check(channel_.ReadBlock(length, image.data(), shadow) == length,
          kCheckShortRollForwardImage);
    channel_.WriteBlock(home, kPageUnit, image.data());
    if (length > kPageUnit) {
      channel_.WriteBlock(home + kPageUnit, length - kPageUnit,
                          image.data() + kPageUnit);
    }
  };
  for (const auto& [home, shadow] : recovery_map_) {
    if (home != 0) copy_home(home, shadow);
  }
  copy_home(0, recovery_map_.at(0));
  CommitAfresh();
  recovery_map_.clear();
}

// The transaction marker is looked up in the interrupted write's own tree,
// read through the recovery map under its header.
WriteDecision TnlFile::AskTransactionCommitted(const Header& shadow) {
  const Header disk = state_.header;
  home_header_ = disk;
  state_.header = shadow;
  WriteDecision committed = WriteDecision::kRollForward;
  try {
    if (Hooks().write_committed != nullptr) {
      committed = Hooks().write_committed(*this);
    }
  } catch (...) {
    // A damaged shadow tree: forget it and load again next time.
    DropCachedPages();
    state_.header = disk;
    state_.header.has_magic = false;
    throw;
  }
  state_.header = disk;
  return committed;
}

bool TnlFile::ReadHomeState(const std::function<void()>& read) {
  const Header pending = std::exchange(state_.header, home_header_);
  auto map = std::exchange(recovery_map_, {});
  ++page_stamp_;
  cache_.Clear();
  bool whole = true;
  {
    OperationScope scope;  // a failed check unwinds to here, not further
    try {
      read();
    } catch (const InternalCheckFailure&) {
      whole = false;
    }
  }
  cache_.Clear();
  ++page_stamp_;
  recovery_map_ = std::move(map);
  state_.header = pending;
  return whole;
}

int TnlFile::Recover() {
  Header& h = state_.header;
  recovery_map_.clear();
  Header shadow;
  const bool whole = WalkShadowArea() &&
                     ReadDiskHeader(recovery_map_.at(0), &shadow) &&
                     ZonesConsistent(shadow.zones);
  // Phase one leaves the old change counter at 0; only the step towards
  // phase two, or phase two itself, puts the new one there.
  const bool phase_two_begun =
      whole && h.change_counter == shadow.change_counter;
  const WriteDecision decision = !whole ? WriteDecision::kDiscard
                                 : phase_two_begun
                                     ? WriteDecision::kRollForward
                                     : AskTransactionCommitted(shadow);
  if (decision == WriteDecision::kUndecided) {
    DropCachedPages();
    h.has_magic = false;  // load and decide again next time
    return kLoadLocked;
  }
  const bool committed = decision == WriteDecision::kRollForward;
  // A repair raises the counter of the state it keeps; one that cannot is
  // left undone, and the file is read as a reader reads it.
  const std::uint32_t kept_counter =
      committed ? shadow.change_counter : h.change_counter;
  const bool repair =
      !state_.reading_mode && open_for_writing_ && kept_counter != 0xFFFFFFFF;
  if (!committed) {
    DropCachedPages();
    if (!ReadDiskHeader(0, &h)) return kLoadInvalidFile;
    if (repair) CommitAfresh();
  } else {
    h = shadow;
    if (repair) RollForward();  // a reader reads through the map instead
  }
  if (channel_.error() != 0) {
    channel_.ClearError();
    DropCachedPages();
    h.has_magic = false;  // still interrupted: load and repair again
    return kLoadLocked;
  }
  return kLoadOk;
}

}  // namespace vantrel
