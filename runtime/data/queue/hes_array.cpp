#include "runtime/data/queue/hes_array.h"

#include <array>
#include <atomic>
#include <cstdlib>

#include "runtime/data/base/fatal_report.h"

namespace vantrel {
namespace {

// Capacity of each class: doubling up to 256, then larger steps so big lists
// do not double their memory, then every million and every ten million.
constexpr std::array<std::uint32_t, 38> kCapacities = {
    0,        2,        4,        8,        16,       32,       64,
    128,      256,      1024,     2048,     4096,     8192,     16000,
    32000,    65000,    130000,   250000,   500000,   1000000,  2000000,
    3000000,  4000000,  5000000,  6000000,  7000000,  8000000,  9000000,
    10000000, 20000000, 30000000, 40000000, 50000000, 60000000, 70000000,
    80000000, 90000000, 100000000};

// A removal leaving this many elements moves down one class; each threshold
// fits the class below with room to spare, so add/remove at a boundary does
// not reallocate every time.
constexpr std::array<std::uint32_t, 38> kShrinkThresholds = {
    0,        0,        0,        0,        0,        0,        0,
    48,       96,       192,      640,      1536,     3072,     6144,
    14000,    28000,    55000,    120000,   200000,   400000,   800000,
    1600000,  2400000,  3600000,  4500000,  5500000,  6500000,  7500000,
    8500000,  9500000,  19000000, 29000000, 39000000, 49000000, 59000000,
    69000000, 79000000, 89000000};

static_assert(kCapacities.back() == kHesArrayMaxCount);

void* DefaultRealloc(void* block, std::size_t bytes) {
  return std::realloc(block, bytes);
}

std::atomic<HesArrayRealloc> realloc_hook{&DefaultRealloc};

}  // namespace

int HesArrayClassCount() { return static_cast<int>(kCapacities.size()); }

std::uint32_t HesArrayCapacity(int size_class) {
  return kCapacities[static_cast<std::size_t>(size_class)];
}

std::uint32_t HesArrayShrinkThreshold(int size_class) {
  return kShrinkThresholds[static_cast<std::size_t>(size_class)];
}

int HesArrayClassFor(std::uint32_t count) {
  int size_class = 0;
  while (kCapacities[static_cast<std::size_t>(size_class)] < count) {
    ++size_class;
  }
  return size_class;
}

HesArrayRealloc SetHesArrayReallocForTesting(HesArrayRealloc realloc_fn) {
  return realloc_hook.exchange(realloc_fn ? realloc_fn : &DefaultRealloc);
}

namespace hes_array_internal {

void* Reallocate(void* block, std::size_t bytes) {
  if (bytes == 0) {
    std::free(block);
    return nullptr;
  }
  void* moved = realloc_hook.load()(block, bytes);
  if (moved == nullptr)
    ReportFatalError(kHesArrayFatalCode, kHesArrayFatalText);
  return moved;
}

}  // namespace hes_array_internal
}  // namespace vantrel
