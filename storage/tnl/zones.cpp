#include "storage/tnl/zones.h"

namespace vantrel {
namespace {

// The highest page number whose home position still fits the u32 home word.
constexpr std::uint64_t kMaxPageNumber =
    (UINT32_MAX - kPageSpaceBase) / kPageUnit;

std::uint32_t CeilToMultiple(std::uint32_t units, std::uint32_t k) {
  return (units + k - 1) / k * k;
}

}  // namespace

int Zones::ClassOf(PageNumber page) const {
  if (page < 0) return 0;
  for (int k = 1; k <= kMaxPageUnits; ++k) {
    if (t_.start[k] <= page && page < t_.end[k]) return k;
  }
  return 0;
}

std::uint32_t Zones::PageCount(int k) const {
  return (t_.end[k] - t_.start[k]) / static_cast<std::uint32_t>(k);
}

std::uint32_t Zones::EndOfPageSpace() const {
  for (int k = kMaxPageUnits; k >= 1; --k) {
    if (t_.start[k] != t_.end[k]) return t_.end[k];
  }
  return t_.end[0];
}

bool Zones::Consistent() const {
  for (int k = 1; k <= kMaxPageUnits; ++k) {
    if (t_.end[k - 1] > t_.start[k] || t_.start[k] > t_.end[k]) return false;
    if ((t_.end[k] - t_.start[k]) % static_cast<std::uint32_t>(k) != 0) {
      return false;
    }
  }
  return t_.end[kMaxPageUnits] <= kMaxPageNumber;
}

int Zones::Move(std::uint32_t from, std::uint32_t to) {
  return from == to ? 0 : mover_.MovePage(from, to);
}

int Zones::Allocate(int k, PageNumber& slot) {
  const auto units = static_cast<std::uint32_t>(k);
  bool below = false;
  if (int check = MakeRoomBelow(k, units, below)) return check;
  if (below) {
    t_.start[k] -= units;
    slot = t_.start[k];
    return 0;
  }
  if (int check = MakeRoomAbove(k, units)) return check;
  slot = t_.end[k];
  t_.end[k] += units;
  return 0;
}

// Makes the gap between zone k-1 and zone k at least `units` wide by sliding
// zone k-1 (and, recursively, the zones under it) down, when that can be done.
int Zones::MakeRoomBelow(int k, std::uint32_t units, bool& made) {
  made = GapBelow(k) >= units;
  const int j = k - 1;
  if (made || j == 0) return 0;
  const auto class_j = static_cast<std::uint32_t>(j);
  const std::uint32_t missing = units - GapBelow(k);
  if (int check = MakeRoomBelow(j, CeilToMultiple(missing, class_j), made)) {
    return check;
  }
  if (!made) return 0;
  while (GapBelow(k) < units) {
    // The top page of zone j goes to just below its start.
    if (t_.start[j] != t_.end[j]) {
      if (int check = Move(t_.end[j] - class_j, t_.start[j] - class_j)) {
        return check;
      }
    }
    t_.start[j] -= class_j;
    t_.end[j] -= class_j;
  }
  return 0;
}

// Makes the gap between zone k and zone k+1 at least `units` wide by pushing
// zone k+1 (and, recursively, the zones above it) up. Zone 59 has the growing
// end of the file above it.
int Zones::MakeRoomAbove(int k, std::uint32_t units) {
  if (units > static_cast<std::uint32_t>(k)) return kCheckRoomAboveTooLarge;
  if (k == kMaxPageUnits) {
    return t_.end[k] + units <= kMaxPageNumber + 1 ? 0 : kCheckNoZone;
  }
  const int n = k + 1;
  const std::uint32_t gap = t_.start[n] - t_.end[k];
  if (gap >= units) return 0;
  const auto class_n = static_cast<std::uint32_t>(n);
  if (PageCount(n) > 1) {
    // The bottom page of zone n goes to its end.
    if (int check = MakeRoomAbove(n, class_n)) return check;
    if (int check = Move(t_.start[n], t_.end[n])) return check;
    t_.start[n] += class_n;
    t_.end[n] += class_n;
    return 0;
  }
  const std::uint32_t missing = units - gap;
  if (int check = MakeRoomAbove(n, missing)) return check;
  if (PageCount(n) == 1) {
    if (int check = Move(t_.start[n], t_.start[n] + missing)) return check;
  }
  t_.start[n] += missing;
  t_.end[n] += missing;
  return 0;
}

int Zones::GiveBack(int k, PageNumber page) {
  const auto class_k = static_cast<std::uint32_t>(k);
  const std::uint32_t last = t_.end[k] - class_k;
  if (int check = Move(last, static_cast<std::uint32_t>(page))) return check;
  t_.end[k] = last;
  return 0;
}

int Zones::Compact() {
  for (int k = 2; k <= kMaxPageUnits; ++k) {
    const auto class_k = static_cast<std::uint32_t>(k);
    const std::uint32_t floor = t_.end[k - 1];
    const std::uint32_t count = PageCount(k);
    if (count <= 1) {
      if (count == 1) {
        if (int check = Move(t_.start[k], floor)) return check;
      }
      t_.start[k] = floor;
      t_.end[k] = floor + count * class_k;
      continue;
    }
    while (GapBelow(k) >= class_k) {
      if (int check = Move(t_.end[k] - class_k, t_.start[k] - class_k)) {
        return check;
      }
      t_.start[k] -= class_k;
      t_.end[k] -= class_k;
    }
  }
  return 0;
}

}  // namespace vantrel
