// The main card window: the card file named in the INI file, its cards in
// a list by name and by company under category tabs and a letter selector,
// one card edited in place; new, duplicate, delete, save and undo; new,
// open and save-as of card files; change files exported and imported;
// finding cards.
//
//   CardData data;
//   CardWindow window(data);
//   window.Run();  // returns when the user leaves; the card file is closed
//
// It works on the thread's top window through the window runtime's
// statements, so it runs alike on every GUI backend.
#ifndef VANTREL_APP_CARD_WINDOW_H_
#define VANTREL_APP_CARD_WINDOW_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/card_data.h"
#include "runtime/window/window_description.h"

namespace vantrel {

inline constexpr std::string_view kCardWindowTitle =
    "'Vantrel - A Personal Card File'";
inline constexpr char kCardFileFilter[] = "Vantrel|*.vtl|ALL|*.*";
inline constexpr char kWindowHelpFile[] = "Vantrel.hlp";
// The outside program behind "Support and Returns".
inline constexpr char kSupportProgram[] = "vantrel-policy";

// The window as data, its controls bound to `data`.
WindowDescription CardWindowDescription(CardData& data);

// Commands that other parts of the program provide; a command without one
// has its menu item and button disabled.
struct CardWindowCommands {
  std::function<void()> about;
  // vCards and CSV; an import returns whether it changed the card file,
  // which is then opened again.
  std::function<bool()> import_vcards;
  std::function<void()> export_vcards;
  std::function<void()> export_vcards_40;
  std::function<bool()> import_csv;
  std::function<void()> export_csv;
};

class CardWindow {
 public:
  explicit CardWindow(CardData& data, CardWindowCommands commands = {});
  CardWindow(const CardWindow&) = delete;
  CardWindow& operator=(const CardWindow&) = delete;

  // Opens the card file `file` instead of the one the INI file names.
  void OpenFileAtStart(std::string file) { start_file_ = std::move(file); }

  // Opens the window and the card file, runs the event loop until the user
  // leaves, closes the card file and the window.
  void Run();

  // Opening a card file: the name in the current-file-name variable.
  void OpenCardFile();
  // Showing the selected card of the list.
  void ShowSelectedCard();

 private:
  // Opening the window and its events.
  void OpenTheWindow();
  void OnEvent();
  void OnAccepted(std::int16_t control);
  void OnNewSelection(std::int16_t control);
  void OnSelected(std::int16_t control);

  // Opening a card file.
  void LoadCards();
  void CreateCategoryTabs();
  void ForgetPreviousFile();

  // Showing and picking cards.
  void PickListEntry();
  void ListAlertKey();
  void LetterSelector();
  void Reselect(std::int32_t preferred_pointer);
  void HighlightFindText();
  void ShowNoCard();

  // Tabs and the category list.
  void SelectTab();
  void ShowAll();
  void SelectAllTab();
  void SetListSource(ListSourceRef source);
  void RebuildCategoryList();
  void RemoveEmptyCategoryTab();
  void AddNewCategory(std::string_view category);
  void SetCategoryTabTexts();
  std::string TabText(std::int16_t tab);
  bool OnAllTab() const;

  // Editing.
  void EnterEditField(std::int16_t control);
  void PhonesSelected();
  void PhonesAccepted();
  void PhonesPreAlert();
  void TakeInFocusedField();

  // Card commands.
  void NewCard(bool duplicate);
  void SaveCommand();
  bool SaveCard();
  void ChooseCurrentKey(const CardRecord& card);
  void RestoreAfterFailedSave();
  void ShowSelectionOrLast();
  void DiscardPendingNewCard();
  void DeleteCard();
  void Undo();
  bool UndoNewCard(const UndoEntry& entry);
  bool UndoSave(const UndoEntry& entry);
  bool UndoDelete(const UndoEntry& entry);
  void RelistCard(const UndoEntry& entry, std::int32_t pointer);
  void ShowUndoneCard(const UndoEntry& entry, std::int32_t pointer);
  void AppendUndo(const UndoEntry& entry);
  void EnableUndo(bool enable);
  void EnableNewAndDuplicate(bool enable);
  void EnableSave(bool enable);

  // List entries of cards.
  // Each entry goes to its key position, or, when loading a file, to the
  // end (the load sorts ALL once).
  void AddListEntries(const CardRecord& card, std::int32_t pointer,
                      bool keyed = true);
  // Removes every ALL entry of the card; the category's list follows
  // unless `rebuild_tab` is false (its caller rebuilds it later).
  void RemoveListEntries(std::int32_t pointer, bool rebuild_tab = true);

  // Card files.
  void NewCardFile();
  void OpenAnotherCardFile();
  void SaveCardFileAs();
  // A choice longer than `limit` characters is refused.
  std::optional<std::string> AskForFile(
      std::string_view title, std::span<const char> initial, int flags,
      std::size_t limit = kCurrentFileNameLength);
  void CloseCardFile();
  void ImportCards(const std::function<bool()>& command);

  // Change files.
  void ExportChanges();
  void ImportChanges();
  void SetLastExport();
  void SaveShownEdits();
  bool WriteExportStamp(std::int32_t date, std::int32_t time);

  // Finding cards.
  void FindCards();
  void SearchCards();

  // Help, support, animation.
  void RunSupportProgram();
  void Animate();
  void ToggleAnimation();

  CardData& data_;
  ProgramState& state_;
  ListQueues& queues_;
  CardWindowCommands commands_;
  std::optional<std::string> start_file_;
  std::int32_t reselect_pointer_ = 0;  // the pointer of the entry picked
  int animation_frame_ = 0;            // 1..5 while animating
};

}  // namespace vantrel

#endif  // VANTREL_APP_CARD_WINDOW_H_
