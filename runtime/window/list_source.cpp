#include "runtime/window/list_source.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/queue/queue.h"
#include "runtime/window/variable.h"

namespace vantrel {
namespace {

// Every queue statement clears the error state; a list that reads its
// queue must leave the program's error state as it was.
class SavedErrorState {
 public:
  SavedErrorState()
      : error_(ErrorCode()),
        file_(ErrorFile()),
        file_code_(FileErrorCode()),
        file_error_(FileError()) {}
  ~SavedErrorState() {
    if (error_ == 0) {
      ClearError();
    } else if (error_ == kErrFileSystem) {
      PostFileError(file_code_, file_error_, file_);
    } else {
      PostError(error_, file_);
    }
  }
  SavedErrorState(const SavedErrorState&) = delete;
  SavedErrorState& operator=(const SavedErrorState&) = delete;

 private:
  int error_;
  std::string file_;
  std::string file_code_;
  std::string file_error_;
};

// Reading entries goes through the queue's buffer; the program's view of the
// queue (its buffer, its pointer and the error state) must not change while
// a list reads. The destructor puts everything back.
class QueueReadGuard {
 public:
  explicit QueueReadGuard(Queue* queue)
      : queue_(queue),
        saved_buffer_(queue->buffer, queue->buffer + queue->record_length),
        saved_pointer_(Pointer(queue)) {}
  ~QueueReadGuard() {
    if (saved_pointer_ != 0)
      Get(queue_, static_cast<std::int32_t>(saved_pointer_));
    std::copy(saved_buffer_.begin(), saved_buffer_.end(), queue_->buffer);
  }
  QueueReadGuard(const QueueReadGuard&) = delete;
  QueueReadGuard& operator=(const QueueReadGuard&) = delete;

 private:
  SavedErrorState saved_error_;  // first: restored last
  Queue* queue_;
  std::vector<std::uint8_t> saved_buffer_;
  std::uint32_t saved_pointer_;
};

// The field of the queue's record that the list shows, offset by `offset`
// fields; nothing when it lies outside the record.
std::optional<FieldInfo> ShownField(const ControlState& control, int offset) {
  Queue* queue = control.list.queue;
  if (queue == nullptr || queue->descriptor == nullptr) return std::nullopt;
  std::optional<FieldInfo> field =
      queue->descriptor->Field(control.list.field + offset);
  if (!field || field->offset + field->Extent() > queue->record_length)
    return std::nullopt;
  return field;
}

std::string Shown(const ControlState& control, const FieldInfo& field) {
  std::string text =
      VariableValue(Variable::OfField(control.list.queue->buffer, field));
  return control.picture.valid() ? FormatPicture(text, control.picture) : text;
}

}  // namespace

std::uint32_t ListCount(const ControlState& control) {
  Queue* queue = control.list.queue;
  if (queue == nullptr) return 0;
  SavedErrorState saved;
  return RecordCount(queue);
}

std::vector<std::string> ListEntries(const ControlState& control) {
  std::vector<std::string> entries;
  std::optional<FieldInfo> field = ShownField(control, 0);
  if (!field) return entries;
  Queue* queue = control.list.queue;
  QueueReadGuard guard(queue);
  std::uint32_t count = RecordCount(queue);
  entries.reserve(count);
  for (std::uint32_t i = 1; i <= count; ++i) {
    Get(queue, static_cast<std::int32_t>(i));
    entries.push_back(Shown(control, *field));
  }
  return entries;
}

std::string ListEntry(const ControlState& control, std::uint32_t entry) {
  std::optional<FieldInfo> field = ShownField(control, 0);
  if (!field) return {};
  QueueReadGuard guard(control.list.queue);
  if (entry < 1 || entry > RecordCount(control.list.queue)) return {};
  Get(control.list.queue, static_cast<std::int32_t>(entry));
  return Shown(control, *field);
}

std::vector<std::string> ListEntryFields(const ControlState& control,
                                         std::uint32_t entry, int count) {
  std::vector<std::string> values;
  if (ShownField(control, 0) == std::nullopt) return values;
  QueueReadGuard guard(control.list.queue);
  if (entry < 1 || entry > RecordCount(control.list.queue)) return values;
  Get(control.list.queue, static_cast<std::int32_t>(entry));
  for (int i = 0; i < count; ++i) {
    std::optional<FieldInfo> field = ShownField(control, i);
    values.push_back(field ? VariableValue(Variable::OfField(
                                 control.list.queue->buffer, *field))
                           : std::string());
  }
  return values;
}

}  // namespace vantrel
