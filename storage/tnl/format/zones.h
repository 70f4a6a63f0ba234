// Page numbering and the size zones of a native data file.
//
// After the 512-byte header the file is page space in units of 256 bytes:
// page number p lies at position 0x200 + p * 256. A page takes k units,
// 1 <= k <= 59. Zone k (1..59) holds only pages of exactly k units, packed
// without holes in the page-number range [start k, end k), in ascending zone
// order without overlap (end k <= start k+1). Zone 0 is never allocated from;
// its start is 0 and its end is the floor below zone 1. The space between
// zones is free.
#ifndef VANTREL_STORAGE_TNL_FORMAT_ZONES_H_
#define VANTREL_STORAGE_TNL_FORMAT_ZONES_H_

#include <array>
#include <cstddef>
#include <cstdint>

#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/format/page_records.h"

namespace vantrel {

inline constexpr std::uint64_t kPageSpaceBase = 0x200;  // after the header
inline constexpr std::uint64_t kPageUnit = 256;
inline constexpr int kZoneCount = 60;  // zone 0 and the size classes 1..59
inline constexpr int kMaxPageUnits = kZoneCount - 1;

// The file position of page number p.
constexpr std::uint64_t PagePosition(std::uint64_t page) {
  return kPageSpaceBase + page * kPageUnit;
}

// The page number at a 256-aligned position past the header.
constexpr std::uint64_t PageAtPosition(std::uint64_t position) {
  return (position - kPageSpaceBase) / kPageUnit;
}

// The zone starts and ends 0..59, as held in the file header.
struct ZoneTable {
  std::array<std::uint32_t, kZoneCount> start{};
  std::array<std::uint32_t, kZoneCount> end{};
  bool operator==(const ZoneTable&) const = default;
};

// The size class of page p: the first zone 1..59 holding it, else 0.
int ClassOf(const ZoneTable& zones, PageNumber page);

// The page number just past the page space: end of the highest non-empty
// zone, or end of zone 0 when all are empty.
std::uint32_t EndOfPageSpace(const ZoneTable& zones);

// True when the table is well formed: every zone in order, no overlap,
// whole pages only, every home position within a u32.
bool ZonesConsistent(const ZoneTable& zones);

// Moves the page in slot `from` to slot `to` and corrects the one reference
// to it.
class PageMover {
 public:
  virtual ~PageMover() = default;
  virtual void MovePage(PageNumber from, PageNumber to) = 0;
};

// The zone operations. All that change the bounds may move pages through
// the mover. A failed internal check (FailCheck) abandons them.
class Zones {
 public:
  Zones(ZoneTable& table, PageMover& mover)
      : start_(table.start), end_(table.end), mover_(mover) {}

  // Pages held by zone k.
  std::uint32_t PageCount(int k) const;

  // Takes a slot of class k, below the zone when room is or can be made
  // there, else above it.
  PageNumber Allocate(int k);

  // Gives the slot of page p (in zone k) back: the zone's last page moves
  // into the hole and the zone shrinks by one page.
  void GiveBack(int k, PageNumber page);

  // Slides zones 2..59 down to close the gaps under them; zone 1 stays.
  void Compact();

 private:
  std::uint32_t GapBelow(int k) const { return start_[k] - end_[k - 1]; }
  bool MakeRoomBelow(int k, std::uint32_t units);
  void MakeRoomAbove(int k, std::uint32_t units);
  void Move(std::uint32_t from, std::uint32_t to);

  std::array<std::uint32_t, kZoneCount>& start_;
  std::array<std::uint32_t, kZoneCount>& end_;
  PageMover& mover_;
};

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_ZONES_H_
