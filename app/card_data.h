// Everything the card application keeps for its run: the card record and
// the change record with their files, the list queues and the program
// state the card window works on.
#ifndef VANTREL_APP_CARD_DATA_H_
#define VANTREL_APP_CARD_DATA_H_

#include <cstdint>

#include "app/card_record.h"
#include "app/list_queues.h"
#include "runtime/data/driver/file_declaration.h"

namespace vantrel {

inline constexpr std::size_t kCurrentFileNameLength = 100;
inline constexpr std::size_t kChangeFileNameLength = 80;
inline constexpr std::size_t kFindTextLength = 20;

// A transaction on the card file waits this long for other processes.
inline constexpr std::int32_t kLogoutWaitSeconds = 1;

// The category of the tab that lists every card.
inline constexpr std::string_view kAllCategory = "ALL";

struct ProgramState {
  ProgramState();

  char current_file_name[kCurrentFileNameLength];  // the card file's name
  char change_file_name[kChangeFileNameLength];    // import/export file
  char CurrentCategory[kCategoryLength];  // "ALL", a category or find text
  char CurrentKey[kSortKeyLength];        // sort key of the card shown
  std::uint8_t CurrentKeyType = 0;        // and its key type
  std::int32_t CurrentPointer = 0;        // record number of the card shown
  char ReselectKey[kSortKeyLength];       // the entry just picked; blank: none
  std::int32_t PendingNewPointer = 0;     // a new card not yet saved; 0: none
  std::uint8_t EditFlag = 0;              // an edit field has been entered
  CardRecord SavedCard{};                 // the card as last shown
  std::int32_t LastExportDate = 0;        // the header's CHANGED stamp
  std::int32_t LastExportTime = 0;
  std::int32_t HeaderPointer = 0;         // record number of the header
  char FindText[kFindTextLength];         // text of the last search
  std::uint8_t IgnoreCase = 0;            // the last search ignored case
  std::int16_t FindTabFeq = 0;            // the find tab; 0: none
  std::int16_t SelectedTabFeq = 0;        // the selected sheet tab
  std::int32_t LetterChoice = 1;          // the letter selector, 1 = A
  ListSourceRef list_source;              // ALL or TAB
};

struct CardData {
  CardData();
  CardData(const CardData&) = delete;
  CardData& operator=(const CardData&) = delete;

  CardRecord vtl{};  // the card file's record buffer
  CardRecord chg{};  // the change file's; also the window's scratch record
  FileDeclaration card_file;
  FileDeclaration change_file;
  KeyDeclaration* card_key;    // VTL:CREATEDKEY
  KeyDeclaration* change_key;  // CHG:CREATEDKEY
  ListQueues queues;
  ProgramState state;
};

}  // namespace vantrel

#endif  // VANTREL_APP_CARD_DATA_H_
