// The stable merge sort used for queue orders.
//
// Top-down: a range is split at its middle, both halves are sorted and then
// merged through one scratch array of the range's size. Ranges of
// kInsertionSortLimit or fewer items are sorted by binary insertion (find
// the place after all equal items, then move the block up by one). Equal
// items keep their relative order.
#ifndef VANTREL_RUNTIME_DATA_QUEUE_QUEUE_SORT_H_
#define VANTREL_RUNTIME_DATA_QUEUE_QUEUE_SORT_H_

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace vantrel {

inline constexpr std::size_t kInsertionSortLimit = 9;

namespace queue_sort_internal {

// `compare(a, b)` returns <0, 0 or >0.
template <typename T, typename Compare>
void InsertionSort(T* items, std::size_t count, Compare& compare) {
  for (std::size_t i = 1; i < count; ++i) {
    T item = items[i];
    std::size_t low = 0;
    std::size_t high = i;
    while (low < high) {  // the first place whose item is greater
      std::size_t mid = low + (high - low) / 2;
      if (compare(item, items[mid]) >= 0) {
        low = mid + 1;
      } else {
        high = mid;
      }
    }
    if (low == i) continue;
    std::memmove(static_cast<void*>(items + low + 1), items + low,
                 (i - low) * sizeof(T));
    items[low] = item;
  }
}

template <typename T, typename Compare>
void MergeSort(T* items, std::size_t count, T* scratch, Compare& compare) {
  if (count <= kInsertionSortLimit) {
    InsertionSort(items, count, compare);
    return;
  }
  std::size_t middle = count / 2;
  MergeSort(items, middle, scratch, compare);
  MergeSort(items + middle, count - middle, scratch, compare);
  // Already in order: nothing to merge.
  if (compare(items[middle - 1], items[middle]) <= 0) return;
  std::memcpy(static_cast<void*>(scratch), items, middle * sizeof(T));
  T* left = scratch;
  T* left_end = scratch + middle;
  T* right = items + middle;
  T* right_end = items + count;
  T* out = items;
  while (left < left_end && right < right_end) {
    // Ties take the left item, which keeps the sort stable.
    if (compare(*right, *left) < 0) {
      *out++ = *right++;
    } else {
      *out++ = *left++;
    }
  }
  std::memcpy(static_cast<void*>(out), left, (left_end - left) * sizeof(T));
}

}  // namespace queue_sort_internal

// Sorts `count` items stably by `compare`; `scratch` holds count / 2 items.
template <typename T, typename Compare>
void StableMergeSort(T* items, std::size_t count, T* scratch, Compare compare) {
  static_assert(std::is_trivially_copyable_v<T>);
  queue_sort_internal::MergeSort(items, count, scratch, compare);
}

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_QUEUE_QUEUE_SORT_H_
