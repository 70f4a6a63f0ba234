// The card window as data: its menus, buttons, sheet, letter selector,
// list and card fields, with their icons, tips and places (dialog units).
#include <string>
#include <utility>

#include "app/card_window.h"
#include "app/card_window_controls.h"
#include "app/card_window_icons.h"
#include "runtime/window/user_input.h"

namespace vantrel {
namespace {

ControlDescription MenuItem(std::int16_t number, std::int16_t menu,
                            std::string text, std::string icon, std::string tip,
                            std::string shortcut = {}) {
  ControlDescription item =
      MakeControl(number, ControlKind::kMenuItem, std::move(text), {}, menu);
  item.icon = std::move(icon);
  item.tip = std::move(tip);
  item.shortcut = std::move(shortcut);
  return item;
}

ControlDescription Button(std::int16_t number, int x, std::string icon,
                          std::string tip) {
  constexpr int kTop = 2, kSize = 18;
  ControlDescription button =
      MakeControl(number, ControlKind::kButton, {}, {x, kTop, kSize, kSize});
  button.icon = std::move(icon);
  button.tip = std::move(tip);
  return button;
}

void AddMenus(std::vector<ControlDescription>& c) {
  c.push_back(MakeControl(kFileMenu, ControlKind::kMenu, "&File"));
  c.push_back(MenuItem(kNewFileItem, kFileMenu, "&New Vantrel File...",
                       kIconNewFile, "Create a new card file"));
  c.push_back(MenuItem(kOpenFileItem, kFileMenu, "&Open Vantrel File ...",
                       kIconOpenFile, "Open a different card file"));
  c.push_back(MenuItem(kSaveFileAsItem, kFileMenu, "&Save Vantrel File As ...",
                       kIconSaveFileAs, "Save a copy of the card file"));
  c.push_back(MenuItem(kImportItem, kFileMenu, "&Import Changes", kIconImport,
                       "Import the changes of another copy"));
  c.push_back(MenuItem(kExportItem, kFileMenu, "&Export Changes", kIconExport,
                       "Export the changes since the last export"));
  c.push_back(MenuItem(kLastExportItem, kFileMenu, "Set &Last Export Date ...",
                       kIconLastExport, "Set the date of the last export"));
  c.push_back(MenuItem(kImportVCardsItem, kFileMenu, "Import v&Cards...", "",
                       "Add the cards of a vCard file"));
  c.push_back(MenuItem(kExportVCardsItem, kFileMenu, "Export vCa&rds...", "",
                       "Write the cards shown as vCards 3.0"));
  c.push_back(MenuItem(kExportVCards40Item, kFileMenu, "Export vCards &4.0...",
                       "", "Write the cards shown as vCards 4.0"));
  c.push_back(MenuItem(kImportCsvItem, kFileMenu, "I&mport CSV...", "",
                       "Add the cards of a CSV file"));
  c.push_back(MenuItem(kExportCsvItem, kFileMenu, "Export CS&V...", "",
                       "Write the cards shown as CSV"));
  c.push_back(MenuItem(kPrintListItem, kFileMenu, "&Print Card List...",
                       kIconPrint, "Print the cards of the selected tab"));
  c.push_back(
      MenuItem(kExitItem, kFileMenu, "E&xit", kIconExit, "Leave Vantrel"));

  c.push_back(MakeControl(kCardMenu, ControlKind::kMenu, "&Card"));
  c.push_back(MenuItem(kNewCardItem, kCardMenu, "&New", kIconNew,
                       "Create New Card", "Ctrl N"));
  c.push_back(MenuItem(kDuplicateItem, kCardMenu, "Du&plicate", kIconDuplicate,
                       "Create Duplicate Card"));
  c.push_back(MenuItem(kDeleteItem, kCardMenu, "&Delete", kIconDelete,
                       "Delete Card", "Ctrl D"));
  c.push_back(
      MenuItem(kSaveItem, kCardMenu, "&Save", kIconSave, "Save Card Contents"));
  c.push_back(MenuItem(kUndoItem, kCardMenu, "&Undo", kIconUndo,
                       "Undo Last Operation"));
  c.push_back(MenuItem(kFindItem, kCardMenu, "&Find", kIconFind,
                       "Find Matching Cards"));

  c.push_back(MakeControl(kHelpMenu, ControlKind::kMenu, "&Help"));
  c.push_back(MenuItem(kHowToUseHelpItem, kHelpMenu, "&How to Use Vantrel ...",
                       kIconHelp, "How to use the card file"));
  c.push_back(MenuItem(kHelpTopicItem, kHelpMenu, "&Contents", kIconHelp,
                       "The contents of the help"));
  c.push_back(MenuItem(kSearchHelpItem, kHelpMenu, "&Search Vantrel Help...",
                       kIconSearchHelp, "Search the help"));
  c.push_back(MenuItem(kSupportItem, kHelpMenu, "&Support and Returns",
                       kIconSupport, "Support and returns policy"));
  c.push_back(MenuItem(kAboutItem, kHelpMenu, "&About Vantrel ...", kIconAbout,
                       "Program name and version"));
}

void AddToolbar(std::vector<ControlDescription>& c, CardData& data) {
  ControlDescription image =
      MakeControl(kImage, ControlKind::kImage, {}, {4, 2, 18, 18});
  image.icon = kIconStill;
  c.push_back(image);
  ControlDescription toggle =
      MakeControl(kAnimationToggle, ControlKind::kRegion, {}, {4, 2, 18, 18});
  toggle.tip = "Start or stop the animation";
  c.push_back(toggle);

  ControlDescription sheet =
      MakeControl(kSheet, ControlKind::kSheet, {}, {4, 24, 432, 14});
  c.push_back(sheet);
  c.push_back(MakeControl(kAllTab, ControlKind::kTab, std::string(kAllCategory),
                          {}, kSheet));

  ControlDescription letters =
      MakeControl(kLetterOption, ControlKind::kOption, {}, {4, 40, 432, 14});
  letters.variable = Variable::Of(data.state.LetterChoice);
  c.push_back(letters);
  for (int i = 0; i < kLetterCount; ++i) {
    const std::string letter(1, static_cast<char>('A' + i));
    ControlDescription radio = MakeControl(
        static_cast<std::int16_t>(kFirstLetter + i), ControlKind::kRadio,
        letter, {4 + i * 16, 40, 16, 14}, kLetterOption);
    radio.tip = "Go to " + letter;
    radio.icon = "~" + std::string(1, static_cast<char>('a' + i)) + ".svg";
    c.push_back(radio);
  }

  int x = 30;
  auto next = [&x] { return std::exchange(x, x + 20); };
  c.push_back(Button(kShowAllButton, next(), kIconAll, "Show All Entries"));
  c.push_back(Button(kNewButton, next(), kIconNew, "Create New Card"));
  c.push_back(Button(kDuplicateButton, next(), kIconDuplicate,
                     "Create Duplicate Card"));
  c.push_back(Button(kDeleteButton, next(), kIconDelete, "Delete Card"));
  c.push_back(Button(kSaveButton, next(), kIconSave, "Save Card Contents"));
  c.push_back(Button(kUndoButton, next(), kIconUndo, "Undo Last Operation"));
  c.push_back(Button(kFindButton, next(), kIconFind, "Find Matching Cards"));
  c.push_back(Button(kImportButton, next(), kIconImport, "Import Changes"));
  c.push_back(Button(kExportButton, next(), kIconExport, "Export Changes"));
}

void AddCardFields(std::vector<ControlDescription>& c, CardData& data) {
  CardRecord& vtl = data.vtl;
  ControlDescription list =
      MakeControl(kCardList, ControlKind::kList, {}, {4, 58, 200, 228});
  list.list = {&data.queues.all, kListSortKey};
  list.alert_keys = {kKeyInsert, kKeyEnter, kKeyDelete, kKeyDoubleClick};
  c.push_back(list);

  auto entry = [&c](std::int16_t prompt, std::int16_t number, const char* text,
                    int y, int width, Variable variable, const char* picture) {
    c.push_back(
        MakeControl(prompt, ControlKind::kPrompt, text, {210, y + 2, 44, 10}));
    ControlDescription field =
        MakeControl(number, ControlKind::kEntry, {}, {256, y, width, 12});
    field.variable = variable;
    field.picture = picture;
    c.push_back(field);
  };
  entry(kLastNamePrompt, kLastNameEntry, "&Last Name:", 58, 180,
        Variable::Of(vtl.LASTNAME), "@s30");
  entry(kFirstNamePrompt, kFirstNameEntry, "&First:", 74, 120,
        Variable::Of(vtl.FIRSTNAME), "@s20");
  entry(kCompanyPrompt, kCompanyEntry, "&Company:", 90, 180,
        Variable::Of(vtl.COMPANY), "@s30");

  ControlDescription check =
      MakeControl(kListByCompanyCheck, ControlKind::kCheck, "&List By Company",
                  {256, 106, 120, 12});
  check.variable = Variable::Of(vtl.LISTBYCOMPANY);
  c.push_back(check);

  c.push_back(MakeControl(kCategoryPrompt, ControlKind::kPrompt,
                          "Ca&tegory:", {210, 124, 44, 10}));
  ControlDescription combo =
      MakeControl(kCategoryCombo, ControlKind::kCombo, {}, {256, 122, 90, 12});
  combo.variable = Variable::Of(vtl.CATEGORY);
  combo.picture = "@s15";
  combo.list = {&data.queues.cat, kCatCategory};
  c.push_back(combo);

  // The two texts side by side under their prompts.
  auto text = [&c](std::int16_t prompt, std::int16_t number, const char* label,
                   int x, int width, Variable variable) {
    c.push_back(
        MakeControl(prompt, ControlKind::kPrompt, label, {x, 140, 60, 10}));
    ControlDescription box =
        MakeControl(number, ControlKind::kText, {}, {x, 150, width, 136});
    box.variable = variable;
    c.push_back(box);
  };
  text(kContentsPrompt, kContentsText, "C&ontents:", 210, 132,
       Variable::Of(vtl.CONTENTS));
  text(kPhonesPrompt, kPhonesText, "&Phones:", 346, 90,
       Variable::Of(vtl.PHONES));
  c.back().alert_keys = {kKeyEnter};
}

}  // namespace

WindowDescription CardWindowDescription(CardData& data) {
  WindowDescription window;
  window.title = std::string(kCardWindowTitle);
  window.icon = kIconWindow;
  window.layout = {0, 0, 440, 290};
  window.modal = false;
  AddMenus(window.controls);
  AddToolbar(window.controls, data);
  AddCardFields(window.controls, data);
  return window;
}

}  // namespace vantrel
