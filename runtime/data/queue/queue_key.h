// QueueKey: the key of a queue order, as written in a statement's key list.
#ifndef VANTREL_RUNTIME_DATA_QUEUE_QUEUE_KEY_H_
#define VANTREL_RUNTIME_DATA_QUEUE_QUEUE_KEY_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace vantrel {

inline constexpr std::size_t kMaxKeyComponents = 16;

// Signed 1-based field numbers: ascending when positive, descending when
// negative. A list is read up to its first 0 or its 16th component. A key
// without components compares whole records byte by byte.
class QueueKey {
 public:
  QueueKey() = default;
  explicit QueueKey(std::span<const int> list) {
    for (int component : list) {
      if (component == 0 || count_ == kMaxKeyComponents) break;
      components_[count_++] = component;
    }
  }
  QueueKey(std::initializer_list<int> list)
      : QueueKey(std::span<const int>(list.begin(), list.size())) {}

  std::span<const int> components() const {
    return {components_.data(), count_};
  }
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }

  bool operator==(const QueueKey& other) const {
    if (count_ != other.count_) return false;
    for (std::size_t i = 0; i < count_; ++i) {
      if (components_[i] != other.components_[i]) return false;
    }
    return true;
  }

 private:
  std::array<int, kMaxKeyComponents> components_{};
  std::size_t count_ = 0;
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_QUEUE_QUEUE_KEY_H_
