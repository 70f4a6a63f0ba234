// The queue statements: a QUEUE is a record buffer plus a list of stored
// copies of it, kept in one or more orders.
//
//   Add(q)              append the buffer to the current order
//   Add(q, position)    insert it there (below 1 or past the end: append)
//   Add(q, {2, -1})     make that key's order current; insert after equals
//   Get(q, position)    copy that entry of the current order to the buffer
//   Get(q, {2, -1})     copy the first entry whose key equals the buffer's
//   Put(q)              replace the current entry by the buffer
//   Delete(q)           remove the current entry from every order
//   Free(q)             discard every entry and order
//   Sort(q, {2, -1})    make that key's order current, sorted
//   RecordCount(q), Pointer(q), ChangeCount(q)
//
// Key lists are signed 1-based field numbers, descending when negative, up
// to 16 of them (a 0 ends the list early). Outcomes are left in the error
// state: 30 entry not found, 75 a key field beyond the record, 8 no memory,
// 7 a null queue. Every statement first clears a pending error.
#ifndef VANTREL_RUNTIME_DATA_QUEUE_QUEUE_H_
#define VANTREL_RUNTIME_DATA_QUEUE_QUEUE_H_

#include <cstdint>
#include <initializer_list>
#include <memory>

#include "runtime/data/queue/queue_key.h"
#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

class QueueEngine;

// A queue declaration: its record buffer, the buffer's descriptor and
// length, and the engine, created by the first statement.
struct Queue {
  Queue(std::uint8_t* buffer, const TypeDescriptor* descriptor,
        std::uint32_t record_length);
  ~Queue();
  Queue(const Queue&) = delete;
  Queue& operator=(const Queue&) = delete;

  std::uint8_t* buffer;
  const TypeDescriptor* descriptor;
  std::uint32_t record_length;
  std::unique_ptr<QueueEngine> engine;
};

void Add(Queue* queue);
void Add(Queue* queue, std::int32_t position);
void Add(Queue* queue, const QueueKey& key);
void Add(Queue* queue, std::initializer_list<int> key);
void Get(Queue* queue, std::int32_t position);
void Get(Queue* queue, const QueueKey& key);
void Get(Queue* queue, std::initializer_list<int> key);
void Put(Queue* queue);
void Delete(Queue* queue);
void Free(Queue* queue);
void Sort(Queue* queue, const QueueKey& key);
void Sort(Queue* queue, std::initializer_list<int> key);
std::uint32_t RecordCount(Queue* queue);
std::uint32_t Pointer(Queue* queue);
std::uint32_t ChangeCount(Queue* queue);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_QUEUE_QUEUE_H_
