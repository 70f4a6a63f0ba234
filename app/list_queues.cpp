#include "app/list_queues.h"

#include <cstring>

#include "runtime/data/types/descriptor_builder.h"

namespace vantrel {
namespace {

const TypeDescriptor& AllDescriptor() {
  static const TypeDescriptor descriptor =
      DescriptorBuilder()
          .Long("ALL:POINTER")
          .String("ALL:SORTKEY", kSortKeyLength)
          .Byte("ALL:KEYTYPE")
          .String("ALL:CATEGORY", kCategoryLength)
          .Descriptor();
  return descriptor;
}

const TypeDescriptor& TabDescriptor() {
  static const TypeDescriptor descriptor =
      DescriptorBuilder()
          .Long("TAB:POINTER")
          .String("TAB:SORTKEY", kSortKeyLength)
          .Byte("TAB:KEYTYPE")
          .Descriptor();
  return descriptor;
}

const TypeDescriptor& CatDescriptor() {
  static const TypeDescriptor descriptor =
      DescriptorBuilder().String("CAT:CATEGORY", kCategoryLength).Descriptor();
  return descriptor;
}

const TypeDescriptor& UndoDescriptor() {
  static const TypeDescriptor descriptor =
      DescriptorBuilder()
          .Byte("UNDO:ACTION")
          .String("UNDO:SORTKEY", kSortKeyLength)
          .Byte("UNDO:KEYTYPE")
          .Long("UNDO:POINTER")
          .Long("UNDO:OLDPOINTER")
          .Descriptor();
  return descriptor;
}

template <typename Entry>
std::uint8_t* Buffer(Entry& entry) {
  return reinterpret_cast<std::uint8_t*>(&entry);
}

}  // namespace

ListQueues::ListQueues()
    : all(Buffer(all_entry), &AllDescriptor(), sizeof all_entry),
      tab(Buffer(tab_entry), &TabDescriptor(), sizeof tab_entry),
      cat(Buffer(cat_entry), &CatDescriptor(), sizeof cat_entry),
      undo(Buffer(undo_entry), &UndoDescriptor(), sizeof undo_entry) {}

std::int32_t ListSourceRef::pointer() const {
  std::int32_t value;
  std::memcpy(&value, queue->buffer + offsetof(TabEntry, POINTER),
              sizeof value);
  return value;
}

std::string_view ListSourceRef::sort_key() const {
  return {reinterpret_cast<const char*>(queue->buffer) +
              offsetof(TabEntry, SORTKEY),
          kSortKeyLength};
}

std::uint8_t ListSourceRef::key_type() const {
  return queue->buffer[offsetof(TabEntry, KEYTYPE)];
}

}  // namespace vantrel
