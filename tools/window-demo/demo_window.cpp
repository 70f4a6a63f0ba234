#include "tools/window-demo/demo_window.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/data/queue/queue.h"
#include "runtime/data/text/string_ops.h"
#include "runtime/data/text/text_codec.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/data/types/std_date.h"
#include "runtime/window/accept_loop.h"
#include "runtime/window/events.h"
#include "runtime/window/file_dialog.h"
#include "runtime/window/message_box.h"
#include "runtime/window/properties.h"
#include "runtime/window/services.h"
#include "runtime/window/user_input.h"
#include "runtime/window/window_statements.h"

namespace vantrel::demo {
namespace {

// Menus and their items.
enum : std::int16_t {
  kFileMenu = 1,
  kOpenItem,
  kSaveAsItem,
  kExitItem,
  kCardMenu = 10,
  kNewItem,
  kDeleteItem,
  kSaveItem,
  kDetailsItem,
  kHelpMenu = 20,
  kContentsItem,
  kTopicItem,
  kAboutItem,
};
// Controls of the main window, top to bottom.
enum : std::int16_t {
  kImage = 30,
  kRegion,
  kSheet,
  kAllTab,
  kLetters = 40,  // the letter radios follow: 41 .. 66
  kAllButton = 70,
  kNewButton,
  kDuplicateButton,
  kDeleteButton,
  kSaveButton,
  kUndoButton,
  kFindButton,
  kImportButton,
  kExportButton,
  kPrintButton,
  kList = 90,
  kLastPrompt,
  kLast,
  kFirstPrompt,
  kFirst,
  kCompanyPrompt,
  kCompany,
  kByCompany,
  kCategoryPrompt,
  kCategory,
  kContents,
  kPhonesPrompt,
  kPhones,
  kBornPrompt,
  kBorn,
  kStatus,
  kFirstCategoryTab = 200,
};
// Controls of the Details dialog.
enum : std::int16_t {
  kBalancePrompt = 1,
  kBalance,
  kRatingPrompt,
  kRating,
  kPriority,
  kLow,
  kNormal,
  kHigh,
  kOk,
  kCancel,
};

constexpr int kLetterCount = 26;
constexpr int kAnimationFrames = 5;
constexpr int kAnimationHundredths = 20;
constexpr char kHelpFile[] = "WindowDemo.hlp";
constexpr char kFilter[] = "Vantrel|*.vtl|ALL|*.*";

struct Card {
  std::string last, first, company, category, contents, phones;
  std::int32_t born = 0;
  double balance = 0;
  std::string rating = "Good";
  std::int32_t priority = 2;
};

std::vector<Card> SampleCards(int count) {
  static const std::array<const char*, 20> kLast = {
      "Abbott", "Baker", "Carver", "Dalton", "Ellis",     "Fischer", "Garner",
      "Holm",   "Ibsen", "Jansen", "Keller", "Lindqvist", "Moreau",  "Nilsson",
      "Olsen",  "Petit", "Quinn",  "Rossi",  "Sauer",     "Varga"};
  static const std::array<const char*, 10> kFirst = {
      "Anna",     "Bruno", "Chloé", "David", "Eva",
      "François", "Greta", "Hugo",  "Inès",  "Jörg"};
  static const std::array<const char*, 6> kCompany = {
      "Northwind Traders", "Blue Harbour Ltd", "Café Lumière",
      "Oak & Iron",        "Søndergaard A/S",  ""};
  static const std::array<const char*, 5> kCategory = {"Family", "Friends",
                                                       "Suppliers", "Work", ""};
  std::vector<Card> cards;
  for (int i = 0; i < count; ++i) {
    Card card;
    card.last = kLast[(i * 7) % kLast.size()];
    if (i >= static_cast<int>(kLast.size()))
      card.last += " " + std::to_string(i / kLast.size());
    card.first = kFirst[(i * 3) % kFirst.size()];
    card.company = kCompany[i % kCompany.size()];
    card.category = kCategory[(i * 5 / 3) % kCategory.size()];
    card.contents = "Met at the spring fair.\r\nPrefers e-mail.";
    card.phones = "(555) 010-" + std::to_string(1000 + i) + "\r\nmobile";
    card.born = StandardDateFrom(1 + i % 28, 1 + i % 12, 1950 + i % 50);
    card.balance = (i % 17) * 125.5;
    cards.push_back(std::move(card));
  }
  // The names above are UTF-8; the runtime keeps Windows-1252.
  for (Card& card : cards) {
    for (std::string* text : {&card.first, &card.company}) {
      std::string problem;
      *text = Utf8ToWindows1252(*text, &problem).value_or(*text);
    }
  }
  std::sort(cards.begin(), cards.end(), [](const Card& a, const Card& b) {
    return a.last + a.first < b.last + b.first;
  });
  return cards;
}

class DemoWindow {
 public:
  explicit DemoWindow(const DemoOptions& options)
      : options_(options), cards_(SampleCards(options.cards)) {
    Clear();
  }

  void Run() {
    OpenWindow(Description());
    AcceptLoop([this] { Handle(); });
    CloseWindow();
  }

 private:
  // Bound variables.
  char last_[30];
  char first_[20];
  char company_[30];
  char category_[15];
  char contents_[400];
  char phones_[200];
  char status_[60];
  std::int32_t born_ = 0;
  std::uint8_t by_company_ = 0;
  std::int32_t letter_ = 0;

  // The list: the shown name and the card's index.
  std::uint8_t list_record_[44] = {};
  TypeDescriptor list_descriptor_ =
      DescriptorBuilder().String("L:NAME", 40).Long("L:INDEX").Descriptor();
  Queue list_{list_record_, &list_descriptor_, sizeof list_record_};
  // The categories of the combo and the tabs.
  std::uint8_t category_record_[15] = {};
  TypeDescriptor category_descriptor_ =
      DescriptorBuilder().String("C:NAME", 15).Descriptor();
  Queue categories_{category_record_, &category_descriptor_,
                    sizeof category_record_};

  DemoOptions options_;
  std::vector<Card> cards_;
  std::string current_category_;  // empty: every card
  int shown_ = -1;                // index of the card shown
  int frame_ = 0;

  void Clear() {
    for (std::span<char> field :
         {std::span<char>(last_), std::span<char>(first_),
          std::span<char>(company_), std::span<char>(category_),
          std::span<char>(contents_), std::span<char>(phones_),
          std::span<char>(status_)})
      ClearTextField(field);
  }

  WindowDescription Description() {
    WindowDescription w;
    w.title = "Vantrel Window Demo";
    w.icon = "~Vantrel.ico";
    w.layout = {0, 0, 424, 262};
    w.resizable = true;
    w.modal = false;
    auto menu = [&](std::int16_t n, const char* text, std::int16_t parent = 0) {
      w.controls.push_back(MakeControl(
          n, parent == 0 ? ControlKind::kMenu : ControlKind::kMenuItem, text,
          {}, parent));
    };
    menu(kFileMenu, "&File");
    menu(kOpenItem, "&Open Vantrel File ...", kFileMenu);
    menu(kSaveAsItem, "&Save Vantrel File As ...", kFileMenu);
    menu(kExitItem, "E&xit", kFileMenu);
    menu(kCardMenu, "&Card");
    menu(kNewItem, "&New\tCtrl N", kCardMenu);
    menu(kDeleteItem, "&Delete\tCtrl D", kCardMenu);
    menu(kSaveItem, "&Save", kCardMenu);
    menu(kDetailsItem, "De&tails ...", kCardMenu);
    menu(kHelpMenu, "&Help");
    menu(kContentsItem, "&How to Use the Demo ...", kHelpMenu);
    menu(kTopicItem, "&Letter Selector", kHelpMenu);
    menu(kAboutItem, "&About the Demo ...", kHelpMenu);

    w.controls.push_back(
        MakeControl(kImage, ControlKind::kImage, "", {4, 3, 18, 18}));
    w.controls.back().icon = "VANTREL.ICO";
    w.controls.push_back(
        MakeControl(kRegion, ControlKind::kRegion, "", {4, 3, 18, 18}));
    struct Tool {
      std::int16_t number;
      const char* icon;
      const char* tip;
    };
    const Tool tools[] = {
        {kAllButton, "ALL.ICO", "Show All Entries"},
        {kNewButton, "NEW.ICO", "Create New Card"},
        {kDuplicateButton, "DUPLCATE.ICO", "Create Duplicate Card"},
        {kDeleteButton, "DELETE.ICO", "Delete Card"},
        {kSaveButton, "SAVE.ICO", "Save Card Contents"},
        {kUndoButton, "UNDO.ICO", "Undo Last Operation"},
        {kFindButton, "FIND.ICO", "Find Matching Cards"},
        {kImportButton, "IMPORT.ICO", "Import Changes"},
        {kExportButton, "EXPORT.ICO", "Export Changes"},
        {kPrintButton, "PRINT.ICO", "Print the List"},
    };
    int x = 28;
    for (const Tool& tool : tools) {
      ControlDescription button =
          MakeControl(tool.number, ControlKind::kButton, "", {x, 3, 17, 16});
      button.icon = tool.icon;
      button.tip = tool.tip;
      w.controls.push_back(button);
      x += tool.number == kAllButton || tool.number == kUndoButton ? 22 : 18;
    }

    ControlDescription letters = MakeControl(kLetters, ControlKind::kOption, "",
                                             {4, 24, 13 * kLetterCount, 13});
    letters.variable = Variable::Of(letter_);
    w.controls.push_back(letters);
    for (int i = 0; i < kLetterCount; ++i) {
      char name = static_cast<char>('A' + i);
      ControlDescription radio =
          MakeControl(static_cast<std::int16_t>(kLetters + 1 + i),
                      ControlKind::kRadio, std::string(1, name), {}, kLetters);
      radio.icon = std::string(1, name) + ".ICO";
      w.controls.push_back(radio);
    }

    w.controls.push_back(
        MakeControl(kSheet, ControlKind::kSheet, "", {4, 40, 416, 13}));
    w.controls.push_back(
        MakeControl(kAllTab, ControlKind::kTab, "ALL", {}, kSheet));

    ControlDescription list =
        MakeControl(kList, ControlKind::kList, "", {4, 55, 150, 190});
    list.list = {&list_, 1};
    list.format = "[16607L(2)]";
    list.alert_keys = {kKeyInsert, kKeyDelete, kKeyEnter, kKeyDoubleClick};
    w.controls.push_back(list);

    auto entry = [&](std::int16_t prompt, const char* text, std::int16_t number,
                     int y, int width, Variable variable, const char* picture) {
      w.controls.push_back(
          MakeControl(prompt, ControlKind::kPrompt, text, {162, y, 46, 12}));
      ControlDescription e =
          MakeControl(number, ControlKind::kEntry, "", {210, y, width, 12});
      e.variable = variable;
      e.picture = picture;
      w.controls.push_back(e);
    };
    entry(kLastPrompt, "&Last Name:", kLast, 56, 130, Variable::Of(last_),
          "@s30");
    entry(kFirstPrompt, "&First:", kFirst, 71, 100, Variable::Of(first_),
          "@s20");
    entry(kCompanyPrompt, "&Company:", kCompany, 86, 130,
          Variable::Of(company_), "@s30");
    ControlDescription check =
        MakeControl(kByCompany, ControlKind::kCheck, "List &By Company",
                    {210, 101, 90, 11});
    check.variable = Variable::Of(by_company_);
    w.controls.push_back(check);
    w.controls.push_back(MakeControl(kCategoryPrompt, ControlKind::kPrompt,
                                     "Ca&tegory:", {162, 115, 46, 12}));
    ControlDescription combo =
        MakeControl(kCategory, ControlKind::kCombo, "", {210, 115, 80, 12});
    combo.variable = Variable::Of(category_);
    combo.picture = "@s15";
    combo.list = {&categories_, 1};
    w.controls.push_back(combo);
    w.controls.push_back(MakeControl(kBornPrompt, ControlKind::kPrompt,
                                     "B&orn:", {300, 115, 24, 12}));
    ControlDescription born =
        MakeControl(kBorn, ControlKind::kEntry, "", {326, 115, 60, 12});
    born.variable = Variable::Of(born_);
    born.picture = "@D2";
    w.controls.push_back(born);
    ControlDescription contents =
        MakeControl(kContents, ControlKind::kText, "", {162, 132, 258, 66});
    contents.variable = Variable::Of(contents_);
    w.controls.push_back(contents);
    w.controls.push_back(MakeControl(kPhonesPrompt, ControlKind::kPrompt,
                                     "&Phones:", {162, 203, 46, 12}));
    ControlDescription phones =
        MakeControl(kPhones, ControlKind::kText, "", {210, 203, 120, 42});
    phones.variable = Variable::Of(phones_);
    w.controls.push_back(phones);
    ControlDescription status =
        MakeControl(kStatus, ControlKind::kString, "", {4, 249, 300, 10});
    status.variable = Variable::Of(status_);
    w.controls.push_back(status);
    return w;
  }

  void Handle() {
    switch (CurrentEvent()) {
      case kEventOpenWindow:
        return Opened();
      case kEventGainFocus:
        return SetProperty(kPropTimer, 0, std::to_string(kAnimationHundredths));
      case kEventLoseFocus:
        return SetProperty(kPropTimer, 0, "0");
      case kEventTimer:
        frame_ = frame_ % kAnimationFrames + 1;
        return SetProperty(kPropText, kImage,
                           "Vantrel" + std::to_string(frame_) + ".ico");
      case kEventAccepted:
        return Accepted(AcceptedField());
      case kEventSelected:
        if (EventField() >= kLast && EventField() <= kPhones)
          Enable(kSaveButton);
        return;
      case kEventNewSelection:
        if (EventField() == kList) return ShowCard(Choice(kList));
        if (EventField() == kSheet) return TabChosen();
        return;
      case kEventAlertKey:
        return AlertKey();
      case kEventCloseWindow:
        if (ShowMessage("Leave the window demo?", "Window Demo",
                        StandardIconString(kIconQuestion),
                        kButtonYes + kButtonNo, kButtonYes) != kButtonYes)
          SkipDefault();
        return;
    }
  }

  void Opened() {
    ShowHelp(kHelpFile);
    Disable(kUndoButton);
    std::vector<std::string> names;
    for (const Card& card : cards_) {
      std::string name(ClipText(card.category));
      if (!name.empty() &&
          std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (std::size_t i = 0; i < names.size(); ++i) {
      StoreText(std::span<char>(reinterpret_cast<char*>(category_record_), 15),
                names[i]);
      Add(&categories_);
      auto tab = static_cast<std::int16_t>(kFirstCategoryTab + i);
      CreateControl(tab, ControlKind::kTab, kSheet);
      SetProperty(kPropText, tab, names[i]);
      UnhideControl(tab);
    }
    FillList();
    Select(kList, 1);
    ShowCard(1);
    const std::pair<const char*, std::int16_t> shown_at_once[] = {
        {"details", kDetailsItem},
        {"help", kContentsItem},
        {"delete", kDeleteButton},
        {"open", kOpenItem},
        {"save", kSaveAsItem}};
    for (const auto& [name, control] : shown_at_once) {
      if (options_.show == name) PostEvent(kEventAccepted, control);
    }
  }

  void FillList() {
    Free(&list_);
    for (std::size_t i = 0; i < cards_.size(); ++i) {
      const Card& card = cards_[i];
      if (!current_category_.empty() && card.category != current_category_)
        continue;
      std::string name = card.last;
      if (!card.first.empty()) name += ", " + card.first;
      StoreText(std::span<char>(reinterpret_cast<char*>(list_record_), 40),
                name);
      std::int32_t index = static_cast<std::int32_t>(i);
      std::memcpy(list_record_ + 40, &index, sizeof index);
      Add(&list_);
    }
    Display(kList);
  }

  int CardAt(int entry) {
    if (entry < 1 || entry > static_cast<int>(RecordCount(&list_))) return -1;
    Get(&list_, entry);
    std::int32_t index;
    std::memcpy(&index, list_record_ + 40, sizeof index);
    return index;
  }

  void ShowCard(int entry) {
    int index = CardAt(entry);
    if (index < 0) return;
    shown_ = index;
    const Card& card = cards_[index];
    StoreText(last_, card.last);
    StoreText(first_, card.first);
    StoreText(company_, card.company);
    StoreText(category_, card.category);
    StoreText(contents_, card.contents);
    StoreText(phones_, card.phones);
    born_ = card.born;
    by_company_ = 0;
    letter_ = card.last.empty() ? 0 : std::toupper(card.last[0]) - 'A' + 1;
    StoreText(status_, "Card " + std::to_string(entry) + " of " +
                           std::to_string(RecordCount(&list_)));
    Display();
    Disable(kSaveButton);
  }

  void SaveCard() {
    if (shown_ < 0) return;
    Card& card = cards_[shown_];
    card.last = ClipText(last_);
    card.first = ClipText(first_);
    card.company = ClipText(company_);
    card.category = ClipText(category_);
    card.contents = ClipText(contents_);
    card.phones = ClipText(phones_);
    card.born = born_;
    int choice = Choice(kList);
    FillList();
    Select(kList, choice);
    ShowCard(choice);
  }

  void TabChosen() {
    int tab = Choice(kSheet);
    current_category_ =
        tab <= 1 ? std::string()
                 : GetProperty(kPropText, static_cast<std::int16_t>(
                                              kFirstCategoryTab + tab - 2));
    if (tab <= 1) {
      Disable(kAllButton);
    } else {
      Enable(kAllButton);
    }
    FillList();
    Select(kList, 1);
    ShowCard(1);
  }

  void JumpToLetter() {
    int count = static_cast<int>(RecordCount(&list_));
    int entry = 1;
    for (; entry <= count; ++entry) {
      int index = CardAt(entry);
      char first = cards_[index].last.empty() ? 0 : cards_[index].last[0];
      if (std::toupper(static_cast<unsigned char>(first)) >= letter_ + 64)
        break;
    }
    entry = std::min(entry, count);
    Select(kList, entry);
    ShowCard(entry);
  }

  void AlertKey() {
    if (EventField() != kList) return;
    switch (EventKeyCode()) {
      case kKeyInsert:
        return Accepted(kNewItem);
      case kKeyDelete:
        return Accepted(kDeleteItem);
      default:
        return Select(kContents);
    }
  }

  void Accepted(std::int16_t field) {
    switch (field) {
      case kRegion:
        if (GetProperty(kPropTimer) != "0") {
          SetProperty(kPropTimer, 0, "0");
          SetProperty(kPropText, kImage, "~Vantrel.ico");
        } else {
          SetProperty(kPropTimer, 0, std::to_string(kAnimationHundredths));
        }
        return;
      case kLetters:
        return JumpToLetter();
      case kAllButton:
        Select(kSheet, 1);
        return PostEvent(kEventNewSelection, kSheet);
      case kNewItem:
      case kNewButton:
      case kDuplicateButton: {
        Card card;
        if (field == kDuplicateButton && shown_ >= 0) card = cards_[shown_];
        card.last = "New card";
        card.first.clear();
        cards_.push_back(card);
        FillList();
        Select(kList, static_cast<int>(RecordCount(&list_)));
        ShowCard(static_cast<int>(RecordCount(&list_)));
        Enable(kUndoButton);
        return Select(kLast, 1, 8);
      }
      case kDeleteItem:
      case kDeleteButton:
        if (ShowMessage("Delete this card?|It cannot be brought back.",
                        "Delete Card", StandardIconString(kIconExclamation),
                        kButtonYes + kButtonNo + kButtonCancel,
                        kButtonNo) == kButtonYes &&
            shown_ >= 0) {
          cards_.erase(cards_.begin() + shown_);
          int choice = std::max(1, Choice(kList) - 1);
          FillList();
          Select(kList, choice);
          ShowCard(choice);
        }
        return;
      case kSaveItem:
      case kSaveButton:
        return SaveCard();
      case kUndoButton:
        ShowMessage("Nothing is kept to undo in this demo.", "Undo", {},
                    kButtonOk, 0, kStyleIconAsterisk);
        return Disable(kUndoButton);
      case kFindButton:
        ShowMessage(
            "Finding cards is the card application's work.|This window only "
            "shows the controls.",
            "Find", StandardIconString(kIconAsterisk));
        return;
      case kPrintButton:
        ShowMessage("Printing is not part of this demo.", "Print", {},
                    kButtonOk, 0, kStyleIconHand);
        return;
      case kOpenItem:
      case kImportButton:
        return ChooseFile("Open a Different Vantrel File", 0);
      case kSaveAsItem:
      case kExportButton:
        return ChooseFile("Save Vantrel File As ...", kFileSave);
      case kDetailsItem:
        return RunDetails();
      case kContentsItem:
        return ShowHelp(kHelpFile, "contents");
      case kTopicItem:
        return ShowHelp(kHelpFile, "letters");
      case kAboutItem:
        ShowMessage(
            "Vantrel Window Demo|Every kind of control, shown through the Qt "
            "backend.",
            "About", "~Vantrel.ico");
        return;
      case kExitItem:
        return EndLoop();
    }
  }

  void ChooseFile(const char* title, int flags) {
    char path[260];
    ClearTextField(path);
    if (FileDialog(title, Variable::Of(path), kFilter,
                   flags | kFileKeepDirectory))
      StoreText(status_, std::string("Chosen: ") + std::string(ClipText(path)));
    else
      StoreText(status_, "The file dialog was cancelled.");
    Display(kStatus);
  }

  // A modal dialog over the window: a number, a drop list and an option.
  void RunDetails() {
    if (shown_ < 0) return;
    Card& card = cards_[shown_];
    double balance = card.balance;
    char rating[10];
    StoreText(rating, card.rating);
    std::int32_t priority = card.priority;
    std::uint8_t rating_record[10] = {};
    TypeDescriptor rating_descriptor =
        DescriptorBuilder().String("R:NAME", 10).Descriptor();
    Queue ratings(rating_record, &rating_descriptor, sizeof rating_record);
    for (const char* name : {"Poor", "Fair", "Good", "Great"}) {
      StoreText(std::span<char>(reinterpret_cast<char*>(rating_record), 10),
                name);
      Add(&ratings);
    }
    WindowDescription d;
    d.title = "Details of " + card.last;
    d.layout = {0, 0, 186, 92};
    d.controls.push_back(MakeControl(kBalancePrompt, ControlKind::kPrompt,
                                     "&Balance:", {8, 8, 50, 12}));
    ControlDescription amount =
        MakeControl(kBalance, ControlKind::kEntry, "", {60, 8, 70, 12});
    amount.variable = Variable::Of(balance);
    amount.picture = "@N12.2";
    d.controls.push_back(amount);
    d.controls.push_back(MakeControl(kRatingPrompt, ControlKind::kPrompt,
                                     "&Rating:", {8, 24, 50, 12}));
    ControlDescription drop =
        MakeControl(kRating, ControlKind::kDropList, "", {60, 24, 70, 12});
    drop.variable = Variable::Of(rating);
    drop.list = {&ratings, 1};
    d.controls.push_back(drop);
    ControlDescription option = MakeControl(kPriority, ControlKind::kOption,
                                            "Priority", {8, 40, 170, 26});
    option.variable = Variable::Of(priority);
    d.controls.push_back(option);
    d.controls.push_back(
        MakeControl(kLow, ControlKind::kRadio, "&Low", {}, kPriority));
    d.controls.push_back(
        MakeControl(kNormal, ControlKind::kRadio, "&Normal", {}, kPriority));
    d.controls.push_back(
        MakeControl(kHigh, ControlKind::kRadio, "&High", {}, kPriority));
    ControlDescription ok =
        MakeControl(kOk, ControlKind::kButton, "OK", {74, 72, 50, 14});
    ok.completes = true;
    d.controls.push_back(ok);
    d.controls.push_back(MakeControl(kCancel, ControlKind::kButton, "Cancel",
                                     {128, 72, 50, 14}));
    OpenWindow(d);
    bool confirmed = false;
    AcceptLoop([&] {
      switch (CurrentEvent()) {
        case kEventCompleted:
          confirmed = true;
          return EndLoop();
        case kEventAccepted:
          if (AcceptedField() == kCancel) EndLoop();
          return;
        case kEventCloseWindow:
          return EndLoop();
      }
    });
    CloseWindow();
    if (!confirmed) return;
    card.balance = balance;
    card.rating = ClipText(rating);
    card.priority = priority;
    StoreText(status_, "Details of " + card.last + " kept.");
    Display(kStatus);
  }
};

}  // namespace

void RunDemoWindow(const DemoOptions& options) {
  DemoWindow window(options);
  window.Run();
}

}  // namespace vantrel::demo
