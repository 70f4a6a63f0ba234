#include "runtime/data/queue/queue.h"

#include "runtime/data/base/error_state.h"
#include "runtime/data/queue/queue_engine.h"

namespace vantrel {
namespace {

// Every statement starts here: clears a pending error, refuses a null
// queue (7) and creates the engine on first use (8 when it cannot).
QueueEngine* Begin(Queue* queue) {
  if (ErrorCode() != kErrNone) ClearError();
  if (queue == nullptr) {
    PostError(kErrMemoryCorrupted);
    return nullptr;
  }
  if (!queue->engine) {
    queue->engine = QueueEngine::Create(*queue);
    if (!queue->engine) {
      PostError(kErrInsufficientMemory);
      return nullptr;
    }
  }
  return queue->engine.get();
}

}  // namespace

Queue::Queue(std::uint8_t* buffer, const TypeDescriptor* descriptor,
             std::uint32_t record_length)
    : buffer(buffer), descriptor(descriptor), record_length(record_length) {}

Queue::~Queue() = default;

void Add(Queue* queue) {
  if (QueueEngine* engine = Begin(queue)) engine->Add();
}

void Add(Queue* queue, std::int32_t position) {
  if (QueueEngine* engine = Begin(queue)) engine->AddAt(position);
}

void Add(Queue* queue, const QueueKey& key) {
  if (QueueEngine* engine = Begin(queue)) engine->AddByKey(key);
}

void Add(Queue* queue, std::initializer_list<int> key) {
  Add(queue, QueueKey(key));
}

void Get(Queue* queue, std::int32_t position) {
  if (QueueEngine* engine = Begin(queue)) engine->GetAt(position);
}

void Get(Queue* queue, const QueueKey& key) {
  if (QueueEngine* engine = Begin(queue)) engine->GetByKey(key);
}

void Get(Queue* queue, std::initializer_list<int> key) {
  Get(queue, QueueKey(key));
}

void Put(Queue* queue) {
  if (QueueEngine* engine = Begin(queue)) engine->Put();
}

void Delete(Queue* queue) {
  if (QueueEngine* engine = Begin(queue)) engine->Delete();
}

void Free(Queue* queue) {
  if (QueueEngine* engine = Begin(queue)) engine->Free();
}

void Sort(Queue* queue, const QueueKey& key) {
  if (QueueEngine* engine = Begin(queue)) engine->Sort(key);
}

void Sort(Queue* queue, std::initializer_list<int> key) {
  Sort(queue, QueueKey(key));
}

std::uint32_t RecordCount(Queue* queue) {
  QueueEngine* engine = Begin(queue);
  return engine ? engine->RecordCount() : 0;
}

std::uint32_t Pointer(Queue* queue) {
  QueueEngine* engine = Begin(queue);
  return engine ? engine->Pointer() : 0;
}

std::uint32_t ChangeCount(Queue* queue) {
  QueueEngine* engine = Begin(queue);
  return engine ? engine->ChangeCount() : 0;
}

}  // namespace vantrel
