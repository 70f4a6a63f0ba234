// The four in-memory queues of the card window, each with its record
// buffer:
//
//   ALL   one entry per list key of every live card, in SORTKEY order
//           POINTER  LONG       the card's record number
//           SORTKEY  STRING(40) the first 40 characters of the list key
//           KEYTYPE  BYTE       1 name key, 2 company key
//           CATEGORY STRING(15) the card's category
//   TAB   the entries of a category (or find) tab: the first 45 bytes of ALL
//   CAT   CATEGORY STRING(15): the distinct categories, ascending
//   UNDO  the undo stack, its top the last entry
//           ACTION BYTE, SORTKEY STRING(40), KEYTYPE BYTE,
//           POINTER LONG, OLDPOINTER LONG
//
// Entries are laid out byte for byte (every member has an alignment of 1).
// The pointers are 32 bits wide, as the card file's record numbers are, so
// the lists keep working whatever number a card has been given.
#ifndef VANTREL_APP_LIST_QUEUES_H_
#define VANTREL_APP_LIST_QUEUES_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/packed_long.h"
#include "runtime/data/queue/queue.h"
#include "runtime/data/types/type_descriptor.h"

namespace vantrel {

inline constexpr std::size_t kSortKeyLength = 40;
inline constexpr std::size_t kCategoryLength = 15;

// Key types of list entries.
enum KeyType : std::uint8_t { kNameKey = 1, kCompanyKey = 2 };

// Undo actions.
enum UndoAction : std::uint8_t {
  kUndoNew = 1,     // a card was added (new or duplicate)
  kUndoSaved = 3,   // a card's changes were saved
  kUndoDeleted = 4  // a card was deleted
};

struct AllEntry {
  PackedLong POINTER;
  char SORTKEY[kSortKeyLength];
  std::uint8_t KEYTYPE;
  char CATEGORY[kCategoryLength];
};
struct TabEntry {
  PackedLong POINTER;
  char SORTKEY[kSortKeyLength];
  std::uint8_t KEYTYPE;
};
struct CatEntry {
  char CATEGORY[kCategoryLength];
};
struct UndoEntry {
  std::uint8_t ACTION;
  char SORTKEY[kSortKeyLength];
  std::uint8_t KEYTYPE;
  PackedLong POINTER;
  PackedLong OLDPOINTER;
};

// TAB is the head of ALL, so an ALL entry becomes a TAB entry by copying
// those bytes.
inline constexpr std::size_t kTabEntryLength = 45;
static_assert(sizeof(AllEntry) == 60);
static_assert(sizeof(TabEntry) == kTabEntryLength);
static_assert(offsetof(AllEntry, SORTKEY) == offsetof(TabEntry, SORTKEY));
static_assert(offsetof(AllEntry, KEYTYPE) == offsetof(TabEntry, KEYTYPE));
static_assert(sizeof(CatEntry) == kCategoryLength);
static_assert(sizeof(UndoEntry) == 50);

// Field numbers of the entries (ALL and TAB share the first three).
enum ListField : int {
  kListPointer = 1,
  kListSortKey = 2,
  kListKeyType = 3,
  kListCategory = 4,
};
inline constexpr int kCatCategory = 1;

// The queues and their buffers; one instance lives for the program's run.
struct ListQueues {
  ListQueues();
  ListQueues(const ListQueues&) = delete;
  ListQueues& operator=(const ListQueues&) = delete;

  AllEntry all_entry{};
  TabEntry tab_entry{};
  CatEntry cat_entry{};
  UndoEntry undo_entry{};
  Queue all;
  Queue tab;
  Queue cat;
  Queue undo;
};

// The queue a list shows, ALL or TAB, and the fields of its buffer that
// the window reads (the head the two records share).
struct ListSourceRef {
  Queue* queue = nullptr;

  std::int32_t pointer() const;
  std::string_view sort_key() const;
  std::uint8_t key_type() const;
};
inline ListSourceRef AllSource(ListQueues& queues) { return {&queues.all}; }
inline ListSourceRef TabSource(ListQueues& queues) { return {&queues.tab}; }

}  // namespace vantrel

#endif  // VANTREL_APP_LIST_QUEUES_H_
