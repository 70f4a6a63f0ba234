#include "storage/tnl/format/zones.h"

#include "storage/tnl/format/internal_check.h"

namespace vantrel {
namespace {

// The highest page number whose home position still fits the u32 home word.
constexpr std::uint64_t kMaxPageNumber =
    (UINT32_MAX - kPageSpaceBase) / kPageUnit;

std::uint32_t CeilToMultiple(std::uint32_t units, std::uint32_t k) {
  return (units + k - 1) / k * k;
}

}  // namespace

int ClassOf(const ZoneTable& zones, PageNumber page) {
  if (page < 0) return 0;
  for (int k = 1; k <= kMaxPageUnits; ++k) {
    if (zones.start[k] <= page && page < zones.end[k]) return k;
  }
  return 0;
}

std::uint32_t Zones::PageCount(int k) const {
  return (end_[k] - start_[k]) / static_cast<std::uint32_t>(k);
}

std::uint32_t EndOfPageSpace(const ZoneTable& zones) {
  for (int k = kMaxPageUnits; k >= 1; --k) {
    if (zones.start[k] != zones.end[k]) return zones.end[k];
  }
  return zones.end[0];
}

bool ZonesConsistent(const ZoneTable& zones) {
  const auto& start = zones.start;
  const auto& end = zones.end;
  for (int k = 1; k <= kMaxPageUnits; ++k) {
    if (end[k - 1] > start[k] || start[k] > end[k]) return false;
    if ((end[k] - start[k]) % static_cast<std::uint32_t>(k) != 0) return false;
  }
  return end[kMaxPageUnits] <= kMaxPageNumber;
}

void Zones::Move(std::uint32_t from, std::uint32_t to) {
  if (from != to) mover_.MovePage(from, to);
}

PageNumber Zones::Allocate(int k) {
  const auto units = static_cast<std::uint32_t>(k);
  if (MakeRoomBelow(k, units)) {
    start_[k] -= units;
    return start_[k];
  }
  MakeRoomAbove(k, units);
  const PageNumber slot = end_[k];
  end_[k] += units;
  return slot;
}

// Makes the gap between zone k-1 and zone k at least `units` wide by sliding
// zone k-1 (and, recursively, the zones under it) down. False when that
// cannot be done; nothing has moved then.
bool Zones::MakeRoomBelow(int k, std::uint32_t units) {
  if (GapBelow(k) >= units) return true;
  const int j = k - 1;
  if (j == 0) return false;
  const auto class_j = static_cast<std::uint32_t>(j);
  const std::uint32_t missing = units - GapBelow(k);
  if (!MakeRoomBelow(j, CeilToMultiple(missing, class_j))) return false;
  while (GapBelow(k) < units) {
    // The top page of zone j goes to just below its start.
    if (start_[j] != end_[j]) Move(end_[j] - class_j, start_[j] - class_j);
    start_[j] -= class_j;
    end_[j] -= class_j;
  }
  return true;
}

// Makes the gap between zone k and zone k+1 at least `units` wide by pushing
// zone k+1 (and, recursively, the zones above it) up. Above zone 59 the file
// grows.
void Zones::MakeRoomAbove(int k, std::uint32_t units) {
  Check(units <= static_cast<std::uint32_t>(k), kCheckRoomAboveTooLarge);
  if (k == kMaxPageUnits) {
    Check(end_[k] + std::uint64_t{units} <= kMaxPageNumber + 1,
          kCheckPageSpaceFull);
    return;
  }
  const int n = k + 1;
  const std::uint32_t gap = start_[n] - end_[k];
  if (gap >= units) return;
  const auto class_n = static_cast<std::uint32_t>(n);
  if (PageCount(n) > 1) {
    // The bottom page of zone n goes to its end.
    MakeRoomAbove(n, class_n);
    Move(start_[n], end_[n]);
    start_[n] += class_n;
    end_[n] += class_n;
    return;
  }
  const std::uint32_t missing = units - gap;
  MakeRoomAbove(n, missing);
  if (PageCount(n) == 1) Move(start_[n], start_[n] + missing);
  start_[n] += missing;
  end_[n] += missing;
}

void Zones::GiveBack(int k, PageNumber page) {
  const std::uint32_t last = end_[k] - static_cast<std::uint32_t>(k);
  Move(last, static_cast<std::uint32_t>(page));
  end_[k] = last;
}

void Zones::Compact() {
  for (int k = 2; k <= kMaxPageUnits; ++k) {
    const auto class_k = static_cast<std::uint32_t>(k);
    const std::uint32_t floor = end_[k - 1];
    const std::uint32_t count = PageCount(k);
    if (count <= 1) {
      if (count == 1) Move(start_[k], floor);
      start_[k] = floor;
      end_[k] = floor + count * class_k;
      continue;
    }
    while (GapBelow(k) >= class_k) {
      Move(end_[k] - class_k, start_[k] - class_k);
      start_[k] -= class_k;
      end_[k] -= class_k;
    }
  }
}

}  // namespace vantrel
