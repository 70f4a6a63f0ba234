// Control numbers of the card window. The procedure computes with some of
// them: category tab i is kFirstTab + i, so the selected tab is the sheet's
// choice + 24.
#ifndef VANTREL_APP_CARD_WINDOW_CONTROLS_H_
#define VANTREL_APP_CARD_WINDOW_CONTROLS_H_

#include <cstdint>

namespace vantrel {

enum CardControl : std::int16_t {
  // Menus and their items.
  kFileMenu = 1,
  kNewFileItem = 2,
  kOpenFileItem = 3,
  kSaveFileAsItem = 4,
  kImportItem = 5,
  kExportItem = 6,
  kLastExportItem = 7,
  kExitItem = 8,
  kCardMenu = 9,
  kNewCardItem = 10,
  kDuplicateItem = 11,
  kDeleteItem = 12,
  kSaveItem = 13,
  kUndoItem = 14,
  kFindItem = 15,
  kHelpMenu = 16,
  kHelpTopicItem = 17,
  kSupportItem = 18,
  kAboutItem = 19,
  kHowToUseHelpItem = 20,
  kSearchHelpItem = 21,
  // The window's controls.
  kImage = 22,
  kAnimationToggle = 23,
  kSheet = 24,
  kAllTab = 25,
  kFirstTab = 24,  // + the sheet's choice: the selected tab's number
  kLetterOption = 525,
  kFirstLetter = 526,  // A; Z is 551
  kShowAllButton = 552,
  kNewButton = 553,
  kDuplicateButton = 554,
  kDeleteButton = 555,
  kSaveButton = 556,
  kUndoButton = 557,
  kFindButton = 558,
  kImportButton = 559,
  kExportButton = 560,
  kCardList = 561,
  kLastNameEntry = 563,
  kFirstNameEntry = 564,
  kCompanyEntry = 565,
  kListByCompanyCheck = 566,
  kCategoryCombo = 567,
  kContentsText = 568,
  kPhonesText = 569,
  // Prompts of the entries and texts.
  kLastNamePrompt = 570,
  kFirstNamePrompt = 571,
  kCompanyPrompt = 572,
  kCategoryPrompt = 573,
  kContentsPrompt = 574,
  kPhonesPrompt = 575,
  // Items of the File menu for vCards and CSV.
  kImportVCardsItem = 590,
  kExportVCardsItem = 591,
  kExportVCards40Item = 592,
  kImportCsvItem = 593,
  kExportCsvItem = 594,
};

inline constexpr int kLetterCount = 26;

}  // namespace vantrel

#endif  // VANTREL_APP_CARD_WINDOW_CONTROLS_H_
