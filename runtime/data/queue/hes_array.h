// HesArray: the growable array behind queue entry lists.
//
// Storage grows and shrinks in fixed capacity classes, so appends reallocate
// only when a class is full and removals give memory back in steps:
//   class     0  1  2  3  4   5   6   7    8    9     10 ...
//   capacity  0  2  4  8  16  32  64  128  256  1024  2048 ...
// (the whole table is in hes_array.cpp), capped at kHesArrayMaxCount
// elements. A reallocation that fails ends the program with run-time error
// 501 "Out of memory in HESARRAY!".
#ifndef VANTREL_RUNTIME_DATA_QUEUE_HES_ARRAY_H_
#define VANTREL_RUNTIME_DATA_QUEUE_HES_ARRAY_H_

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace vantrel {

inline constexpr std::uint32_t kHesArrayMaxCount = 100000000;
inline constexpr int kHesArrayFatalCode = 501;
inline constexpr const char* kHesArrayFatalText = "Out of memory in HESARRAY!";

// The number of capacity classes.
int HesArrayClassCount();
// Elements that class `size_class` holds.
std::uint32_t HesArrayCapacity(int size_class);
// A removal that leaves this many elements (or fewer) moves down one class.
std::uint32_t HesArrayShrinkThreshold(int size_class);
// The smallest class that holds `count` elements (count <= the cap).
int HesArrayClassFor(std::uint32_t count);

// The reallocation function; tests replace it to make allocation fail.
using HesArrayRealloc = void* (*)(void* block, std::size_t bytes);
HesArrayRealloc SetHesArrayReallocForTesting(HesArrayRealloc realloc_fn);

namespace hes_array_internal {
// Reallocates `block` to `bytes` (freeing it when bytes is 0); never returns
// null for a non-zero size: a failure is a fatal run-time error.
void* Reallocate(void* block, std::size_t bytes);
}  // namespace hes_array_internal

// A growable array of trivially copyable elements in capacity classes.
template <typename T>
class HesArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  HesArray() = default;
  HesArray(const HesArray&) = delete;
  HesArray& operator=(const HesArray&) = delete;
  HesArray(HesArray&& other) noexcept {
    *this = static_cast<HesArray&&>(other);
  }
  HesArray& operator=(HesArray&& other) noexcept {
    if (this != &other) {
      Clear();
      size_class_ = other.size_class_;
      count_ = other.count_;
      items_ = other.items_;
      other.size_class_ = 0;
      other.count_ = 0;
      other.items_ = nullptr;
    }
    return *this;
  }
  ~HesArray() { Clear(); }

  std::uint32_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  int size_class() const { return size_class_; }
  T* data() { return items_; }
  const T* data() const { return items_; }
  T& operator[](std::uint32_t index) {
    assert(index < count_);
    return items_[index];
  }
  const T& operator[](std::uint32_t index) const {
    assert(index < count_);
    return items_[index];
  }

  // Appends `value`; false (and nothing changes) when the array is at the
  // element cap.
  bool Append(const T& value) { return Insert(count_, value); }

  // Inserts `value` before position `index` (<= size()); false at the cap.
  bool Insert(std::uint32_t index, const T& value) {
    assert(index <= count_);
    if (count_ >= kHesArrayMaxCount) return false;
    if (count_ == HesArrayCapacity(size_class_)) Resize(size_class_ + 1);
    std::memmove(items_ + index + 1, items_ + index,
                 (count_ - index) * sizeof(T));
    items_[index] = value;
    ++count_;
    return true;
  }

  // Removes the element at `index`, moving down a class when the count has
  // fallen to the class's shrink threshold.
  void RemoveAt(std::uint32_t index) {
    assert(index < count_);
    std::memmove(items_ + index, items_ + index + 1,
                 (count_ - index - 1) * sizeof(T));
    --count_;
    if (size_class_ > 0 && count_ <= HesArrayShrinkThreshold(size_class_)) {
      Resize(size_class_ - 1);
    }
  }

  // Replaces the contents with `count` elements from `items`, in the smallest
  // class that holds them.
  void Assign(const T* items, std::uint32_t count) {
    assert(count <= kHesArrayMaxCount);
    int wanted = HesArrayClassFor(count);
    if (wanted != size_class_) Resize(wanted);
    if (count > 0) std::memcpy(items_, items, count * sizeof(T));
    count_ = count;
  }

  // Keeps the first `count` elements, moving down classes as removals would.
  void Truncate(std::uint32_t count) {
    assert(count <= count_);
    count_ = count;
    int wanted = size_class_;
    while (wanted > 0 && count_ <= HesArrayShrinkThreshold(wanted)) --wanted;
    if (wanted != size_class_) Resize(wanted);
  }

  void Clear() {
    hes_array_internal::Reallocate(items_, 0);
    items_ = nullptr;
    count_ = 0;
    size_class_ = 0;
  }

 private:
  void Resize(int new_class) {
    std::size_t bytes = std::size_t{HesArrayCapacity(new_class)} * sizeof(T);
    items_ = static_cast<T*>(hes_array_internal::Reallocate(items_, bytes));
    if (bytes == 0) items_ = nullptr;
    size_class_ = static_cast<std::uint8_t>(new_class);
  }

  std::uint8_t size_class_ = 0;  // index into the capacity table
  std::uint32_t count_ = 0;      // elements in use
  T* items_ = nullptr;           // HesArrayCapacity(size_class_) elements
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_QUEUE_HES_ARRAY_H_
