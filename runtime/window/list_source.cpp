#include "runtime/window/list_source.h"

#include <string>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/queue/queue.h"
#include "runtime/window/variable.h"

namespace vantrel {

std::uint32_t ListCount(const ControlState& control) {
  Queue* queue = control.list.queue;
  return queue == nullptr ? 0 : RecordCount(queue);
}

std::vector<std::string> ListEntries(const ControlState& control) {
  std::vector<std::string> entries;
  Queue* queue = control.list.queue;
  if (queue == nullptr || queue->descriptor == nullptr) return entries;
  std::optional<FieldInfo> field = queue->descriptor->Field(control.list.field);
  if (!field || field->offset + field->Extent() > queue->record_length)
    return entries;

  // Reading entries goes through the buffer; the program's view of the queue
  // (its buffer, its pointer and the error state) must not change. The error
  // state is saved first: every queue statement clears it.
  int saved_error = ErrorCode();
  std::string saved_file(ErrorFile());
  std::string saved_file_code(FileErrorCode());
  std::string saved_file_error(FileError());
  std::vector<std::uint8_t> saved_buffer(queue->buffer,
                                         queue->buffer + queue->record_length);
  std::uint32_t saved_pointer = Pointer(queue);
  std::uint32_t count = RecordCount(queue);
  entries.reserve(count);
  Variable value = Variable::OfField(queue->buffer, *field);
  for (std::uint32_t i = 1; i <= count; ++i) {
    Get(queue, static_cast<std::int32_t>(i));
    std::string text = VariableValue(value);
    entries.push_back(
        control.picture.valid() ? FormatPicture(text, control.picture) : text);
  }
  if (saved_pointer != 0) Get(queue, static_cast<std::int32_t>(saved_pointer));
  std::copy(saved_buffer.begin(), saved_buffer.end(), queue->buffer);
  if (saved_error == 0) {
    ClearError();
  } else if (saved_error == kErrFileSystem) {
    PostFileError(saved_file_code, saved_file_error, saved_file);
  } else {
    PostError(saved_error, saved_file);
  }
  return entries;
}

}  // namespace vantrel
