// The window manager: every window procedure derives from it. It runs the
// window's event loop, dispatches each event to overridable handlers and to
// the browse lists and file drops the window registered, and, for a form
// that edits one record of a primary file, carries out the request it was
// opened with (insert, change or delete) with the confirmations, retries and
// answers that go with it.
//
//   class CardForm : public WindowManager {
//     Level Init() override {
//       ERRORS = &errors;
//       errors.SetProcedureName("CardForm");  // popped again in Kill
//       Level level = WindowManager::Init();
//       if (level != Level::Proceed) return level;
//       PRIMARY = &cards;                      // a relation manager
//       OKCONTROL = kOk; FIRSTFIELD = kName;
//       if (PrimeUpdate() == kLevelLeaveLoop) return kLevelLeaveLoop;
//       OpenWindow(form); OPENED = 1; ini.FetchWindow("CardForm", ...);
//       return Level::Proceed;
//     }
//   };
//   GlobalRequest() = kChangeRecord;
//   if (CardForm().Run() == kRequestCompleted) ...
//
// Requests and responses pass between procedures through two process-wide
// bytes: the caller sets the request byte, Init copies it into REQUEST and
// clears both, and Run leaves its response in the response byte.
#ifndef VANTREL_FRAMEWORK_WINDOW_MANAGER_H_
#define VANTREL_FRAMEWORK_WINDOW_MANAGER_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/error_manager.h"
#include "framework/window_components.h"
#include "runtime/window/variable.h"

namespace vantrel {

class FileManager;
class RelationManager;

// What a handler's level tells the event loop.
inline constexpr Level kLevelContinue = Level::Proceed;   // default action
inline constexpr Level kLevelLeaveLoop = Level::Fatal;    // the loop ends
inline constexpr Level kLevelConsumed = Level::Notified;  // no default action

// Requests (REQUEST) and responses (RESPONSE).
enum Request : std::uint8_t {
  kViewRecord = 0,
  kInsertRecord = 1,
  kChangeRecord = 2,
  kDeleteRecord = 3,
};
enum Response : std::uint8_t {
  kResponseUndecided = 0,
  kRequestCompleted = 1,
  kRequestCancelled = 2,
};

// INSERTACTION: what a successful insert does next.
enum InsertAction : std::uint8_t {
  kInsertNotPrepared = 0,
  kInsertEndsWindow = 2,
  kInsertPrimesAnother = 3,
  kInsertAsksForAnother = 4,
};
// DELETEACTION: 2 and 4 delete at once, other values when the form
// completes.
enum DeleteAction : std::uint8_t {
  kDeleteAtOnceConfirmed = 2,
  kDeleteAtOnceUnconfirmed = 4,
};
// CANCELACTION bits: what closing an edited form does.
enum CancelAction : std::uint8_t {
  kCancelSaves = 0x01,  // clear: ask "Changes will be lost!"
  kCancelAsks = 0x02,   // with kCancelSaves: ask "Save Record" first
};
// INITED bits.
enum InitedBits : std::uint8_t {
  kInitedOpened = 0x01,      // translated and reset once
  kInitedFirstSized = 0x02,  // the first Sized event has been seen
};

// The process-wide request and response bytes, both 0 at start.
std::uint8_t& GlobalRequest();
std::uint8_t& GlobalResponse();

// A button that ends the window with a response.
struct WindowButton {
  std::int32_t CONTROL = 0;
  std::uint8_t ACTION = 0;
};

// A field that keeps its last completed value for recall.
struct HistoryEntry {
  std::int16_t control = 0;
  Variable field;                   // the field's variable
  std::vector<std::uint8_t> saved;  // its value when last completed
};

// Another file whose record the form saves when it is prepared and puts
// back each time it is primed for another record.
struct UpdateFile {
  FileManager* manager = nullptr;
  std::int32_t saved = 0;  // id of the saved record
};

class WindowManager {
 public:
  WindowManager() = default;
  virtual ~WindowManager();
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

  // The event loop: dispatches every event of the window to TakeEvent.
  virtual void Ask();
  // Prepares the manager; derived procedures call it, then open their
  // files and window and register their controls.
  virtual Level Init();
  // Releases what the window holds; once only.
  virtual void Kill();
  // Translates and resets the window once it is open.
  virtual void Open();
  // Hook for the field defaults of a new record.
  virtual void PrimeFields() {}
  // Prepares the request; kLevelLeaveLoop when the window has nothing more
  // to do (the request is already carried out or abandoned).
  virtual Level PrimeUpdate();
  // Resets the browse lists and file drops and redisplays the controls.
  virtual void Reset(bool force = false);
  // Copies the control's history value back into its field.
  virtual void RestoreField(std::int16_t control);
  // Init, Ask when Init succeeded, Kill; returns the response (cancelled
  // when none was decided) and leaves it in the response byte.
  virtual std::uint8_t Run();
  // Hook through which a window calls another procedure; cancelled here.
  virtual std::uint8_t RunProcedure() { return kRequestCancelled; }
  // Registers the browse lists' keys and HISTORYKEY as alert keys.
  virtual void SetAlerts();
  // Decides the response and asks for the window to close.
  virtual void SetResponse(std::uint8_t response);
  virtual Level TakeAccepted();
  virtual Level TakeCompleted();
  virtual Level TakeCloseEvent();
  // The dispatcher of one event.
  virtual Level TakeEvent();
  virtual Level TakeFieldEvent() { return kLevelContinue; }
  virtual Level TakeNewSelection();
  virtual Level TakeRejected();
  virtual Level TakeSelected() { return kLevelContinue; }
  virtual Level TakeWindowEvent();
  // Lets every browse list update its buffer.
  virtual void Update();

  // Registers a button that ends the window with `response`.
  void AddButton(std::int32_t control, std::uint8_t response);
  // The toolbar that drives this window.
  void SetToolbar(Toolbar* toolbar);
  // A field whose completed value the history key recalls.
  void AddHistoryField(std::int16_t control, const Variable& field);
  // A file whose record the form keeps as it was while it primes records.
  void AddUpdateFile(FileManager& manager);

  std::uint8_t AUTOREFRESH = 0;  // reset after events when a list asks
  std::uint8_t AUTOTOOLBAR = 0;  // the toolbar follows new selections
  std::unique_ptr<std::vector<BrowseList*>> BROWSES;
  std::unique_ptr<std::vector<WindowButton>> BUTTONS;
  std::unique_ptr<std::vector<FileDrop*>> FILEDROPS;
  std::uint8_t CANCELACTION = 0;  // CancelAction bits
  std::uint8_t CHANGEACTION = 0;  // kept for derived windows
  std::uint8_t DEAD = 0;          // shut down; Ask and Kill do nothing
  std::uint8_t DELETEACTION = 0;
  ErrorManager* ERRORS = nullptr;
  std::unique_ptr<std::vector<UpdateFile>> FILES;
  std::int32_t FIRSTFIELD = 0;   // focus at opening and after a refusal
  std::uint8_t FORCEDRESET = 0;  // a forced reset of the lists is due
  std::uint8_t RESETONGAINFOCUS = 0;
  std::unique_ptr<std::vector<HistoryEntry>> HISTORY;
  std::int32_t HISTORYKEY = 0;  // key code recalling a field's history
  std::uint8_t INITED = 0;      // InitedBits
  std::uint8_t INSERTACTION = 0;
  std::string LASTINSERTEDPOSITION;  // the last record inserted, kept open
  std::int32_t OKCONTROL = 0;
  std::uint8_t OPENED = 0;  // the window was opened
  std::uint8_t ORIGINALREQUEST = 0;
  RelationManager* PRIMARY = nullptr;  // the form's primary file
  std::uint8_t REQUEST = 0;
  Resizer* RESIZE = nullptr;
  std::uint8_t RESPONSE = 0;
  std::int32_t SAVED = 0;  // id of the primary record's saved copy
  Toolbar* TOOLBAR = nullptr;
  Translator* TRANSLATOR = nullptr;
  std::int32_t* VCRREQUEST = nullptr;  // the toolbar's navigation request

 private:
  Level CompleteInsert();
  Level CompleteChange();
  Level CompleteDelete();
  // Refuses the completion or close: focus to FIRSTFIELD.
  Level KeepForm();
  // Asks whether to try a failed write again: nothing for Yes; for No the
  // window is asked to close, for Cancel the form is kept as it stands.
  std::optional<Level> AnswerRetry(std::uint16_t id);
  FileManager& Primary() const;
};

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_WINDOW_MANAGER_H_
