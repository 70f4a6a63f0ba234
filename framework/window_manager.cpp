#include "framework/window_manager.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "framework/file_manager.h"
#include "framework/relation_manager.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/window/accept_loop.h"
#include "runtime/window/event_numbers.h"
#include "runtime/window/events.h"
#include "runtime/window/gui_backend.h"
#include "runtime/window/message_box.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

// Key codes left by a mouse click that opened the window; the new window
// must not act on them.
constexpr std::int32_t kMouseKeyCodes[] = {0x02, 0x82};

// NewSelection on controls of this kind leaves the window as it is.
constexpr std::uint8_t kKindKeptOnNewSelection = 0x25;

constexpr int kYesNoCancel = kButtonYes | kButtonNo | kButtonCancel;

bool IsForm(std::uint8_t request) {
  return request == kInsertRecord || request == kChangeRecord;
}

std::vector<std::uint8_t> BytesOf(const Variable& field) {
  return {field.data, field.data + field.size};
}

// Reads the record at a position the manager took (Position): through its
// primary key when it has one, else through the file.
void RereadAt(FileManager& manager, const std::string& position) {
  std::uint8_t key = manager.PRIMARYKEY;
  if (key != 0 && manager.KEYS && key <= manager.KEYS->size()) {
    Reget(*(*manager.KEYS)[key - 1].KEY, position);
  } else {
    Reget(*manager.FILE, position);
  }
}

}  // namespace

std::uint8_t& GlobalRequest() {
  static std::uint8_t request = 0;
  return request;
}

std::uint8_t& GlobalResponse() {
  static std::uint8_t response = 0;
  return response;
}

WindowManager::~WindowManager() = default;

FileManager& WindowManager::Primary() const { return *PRIMARY->ME; }

void WindowManager::Ask() {
  if (DEAD) return;
  LASTINSERTEDPOSITION.clear();
  AcceptLoop([this] {
    Level level = TakeEvent();
    if (level == kLevelLeaveLoop) {
      EndLoop();
    } else if (level == kLevelConsumed) {
      SkipDefault();
    }
  });
}

Level WindowManager::Init() {
  REQUEST = GlobalRequest();
  GlobalRequest() = 0;
  GlobalResponse() = 0;
  ORIGINALREQUEST = REQUEST;
  BROWSES = std::make_unique<std::vector<BrowseList*>>();
  BUTTONS = std::make_unique<std::vector<WindowButton>>();
  FILEDROPS = std::make_unique<std::vector<FileDrop*>>();
  if (std::ranges::find(kMouseKeyCodes, KeyCode()) != std::end(kMouseKeyCodes))
    SetKeyCode(0);
  INSERTACTION = kInsertEndsWindow;
  DELETEACTION = kDeleteAtOnceConfirmed;
  CHANGEACTION = 1;
  CANCELACTION = kCancelSaves | kCancelAsks;
  AUTOTOOLBAR = 1;
  AUTOREFRESH = 1;
  return kLevelContinue;
}

void WindowManager::Kill() {
  if (DEAD) return;
  if (BROWSES) {
    for (BrowseList* list : *BROWSES) list->Kill();
  }
  if (FILEDROPS) {
    for (FileDrop* drop : *FILEDROPS) drop->Kill();
  }
  BROWSES.reset();
  FILEDROPS.reset();
  BUTTONS.reset();
  HISTORY.reset();
  if (FILES) {
    for (UpdateFile& file : *FILES) {
      if (file.saved != 0) file.manager->RestoreBuffer(file.saved, false);
    }
    FILES.reset();
  }
  if (PRIMARY != nullptr && SAVED != 0) {
    Primary().RestoreBuffer(SAVED, false);
    SAVED = 0;
  }
  if (TOOLBAR != nullptr) {
    TOOLBAR->Kill();
    TOOLBAR = nullptr;
  }
  if (RESIZE != nullptr) RESIZE->Kill();
  DEAD = 1;
}

void WindowManager::Open() {
  if (TRANSLATOR != nullptr) TRANSLATOR->TranslateWindow();
  Reset();
  INITED |= kInitedOpened;
}

Level WindowManager::PrimeUpdate() {
  if (PRIMARY != nullptr) {
    // The form holds the file open for change while it is shown.
    Primary().UseFile(kUseChange);
    PRIMARY->SaveLinks();
  }
  if (FILES) {
    for (UpdateFile& file : *FILES) file.saved = file.manager->SaveBuffer();
  }
  if (REQUEST == kInsertRecord && INSERTACTION != kInsertNotPrepared) {
    RESPONSE = kRequestCompleted;
    PrimeFields();
    if (RESPONSE == kRequestCancelled) return kLevelLeaveLoop;
    RESPONSE = kRequestCancelled;  // until the insert is completed
  }
  if (REQUEST == kDeleteRecord && PRIMARY != nullptr &&
      (DELETEACTION == kDeleteAtOnceConfirmed ||
       DELETEACTION == kDeleteAtOnceUnconfirmed)) {
    Level deleted = PRIMARY->Delete(DELETEACTION == kDeleteAtOnceConfirmed);
    RESPONSE =
        deleted == Level::Proceed ? kRequestCompleted : kRequestCancelled;
    return kLevelLeaveLoop;
  }
  if (PRIMARY != nullptr) SAVED = Primary().SaveBuffer();
  return kLevelContinue;
}

void WindowManager::Reset(bool force) {
  Window* window = TopWindow();
  if (window != nullptr && window->accept_all) return;
  force = force || FORCEDRESET != 0;
  FORCEDRESET = 0;
  if (BROWSES) {
    for (BrowseList* list : *BROWSES) list->ResetList(force);
  }
  if (FILEDROPS) {
    for (FileDrop* drop : *FILEDROPS) drop->ResetList(force);
  }
  Display();
}

// The recall ("Ditto") of a field's last completed value.
void WindowManager::RestoreField(std::int16_t control) {
  if (!HISTORY) return;
  for (HistoryEntry& entry : *HISTORY) {
    if (entry.control != control) continue;
    std::memcpy(entry.field.data, entry.saved.data(), entry.saved.size());
    Display(control);
    return;
  }
}

std::uint8_t WindowManager::Run() {
  if (Init() == kLevelContinue) Ask();
  Kill();
  std::uint8_t response = RESPONSE;
  if (response == kResponseUndecided) response = kRequestCancelled;
  GlobalResponse() = response;
  return response;
}

void WindowManager::SetAlerts() {
  if (BROWSES) {
    for (BrowseList* list : *BROWSES) list->SetAlerts();
  }
  Window* window = TopWindow();
  if (HISTORYKEY == 0 || !HISTORY || window == nullptr) return;
  for (const HistoryEntry& entry : *HISTORY) {
    ControlState* control = window->Find(entry.control);
    if (control == nullptr) continue;
    std::vector<std::int32_t>& keys = control->description.alert_keys;
    if (std::ranges::find(keys, HISTORYKEY) == keys.end())
      keys.push_back(HISTORYKEY);
  }
}

void WindowManager::SetResponse(std::uint8_t response) {
  RESPONSE = response;
  PostEvent(kEventCloseWindow);
  if (response == kRequestCancelled && TOOLBAR != nullptr &&
      VCRREQUEST != nullptr)
    *VCRREQUEST = 0;
}

Level WindowManager::TakeAccepted() {
  std::int16_t control = AcceptedField();
  if (TOOLBAR != nullptr) {
    TOOLBAR->TakeEvent(VCRREQUEST, *this);
    if (control == kToolbarHistoryButton) RestoreField(SelectedField());
  }
  if (BUTTONS) {
    for (const WindowButton& button : *BUTTONS) {
      if (button.CONTROL != control) continue;
      SetResponse(button.ACTION);
      return kLevelConsumed;
    }
  }
  if (control != 0 && control == OKCONTROL) {
    // A form completes only when every control accepts its value.
    if (IsForm(ORIGINALREQUEST)) {
      AcceptAll();
    } else {
      PostEvent(kEventCompleted);
    }
  }
  return kLevelContinue;
}

Level WindowManager::TakeCompleted() {
  if (HISTORY) {
    for (HistoryEntry& entry : *HISTORY) entry.saved = BytesOf(entry.field);
  }
  // Only a form over a primary file carries out its request.
  if (PRIMARY == nullptr) return kLevelContinue;
  switch (REQUEST) {
    case kInsertRecord:
      return CompleteInsert();
    case kChangeRecord:
      return CompleteChange();
    case kDeleteRecord:
      return CompleteDelete();
    default:
      return kLevelContinue;
  }
}

Level WindowManager::KeepForm() {
  if (FIRSTFIELD != 0) Select(static_cast<std::int16_t>(FIRSTFIELD));
  return kLevelConsumed;
}

Level WindowManager::CompleteInsert() {
  FileManager& primary = Primary();
  if (primary.Insert() != Level::Proceed) return KeepForm();
  // Any action but another record ends the window: the record is written,
  // so the form must not stay open as if it were not (closing it would ask
  // to save it a second time).
  bool another = INSERTACTION == kInsertPrimesAnother ||
                 (INSERTACTION == kInsertAsksForAnother &&
                  ERRORS->Raise(kMsgRecordAdded) == Level::Proceed);
  if (!another) {
    SetResponse(kRequestCompleted);
    return kLevelContinue;
  }
  // Keep the window for another record, starting from the same values.
  LASTINSERTEDPOSITION = primary.Position();
  if (FILES) {
    for (UpdateFile& file : *FILES) {
      file.manager->RestoreBuffer(file.saved, true);
      file.saved = file.manager->SaveBuffer();
    }
  }
  primary.RestoreBuffer(SAVED, true);
  if (primary.PrimeAutoInc() != Level::Proceed) {
    PostEvent(kEventCloseWindow);
  } else {
    PrimeFields();
    RESPONSE = kRequestCancelled;
  }
  SAVED = primary.SaveBuffer();
  Display();
  return KeepForm();
}

Level WindowManager::CompleteChange() {
  FileManager& primary = Primary();
  for (;;) {
    bool unchanged = primary.EqualBuffer(SAVED);
    Level level = unchanged ? Level::Proceed : PRIMARY->Update(HISTORYKEY != 0);
    if (level == Level::Proceed) {
      bool navigating =
          TOOLBAR != nullptr && VCRREQUEST != nullptr && *VCRREQUEST != 0;
      if (unchanged && (TOOLBAR == nullptr || navigating)) {
        PostEvent(kEventCloseWindow);
      } else {
        SetResponse(kRequestCompleted);
      }
      return kLevelContinue;
    }
    if (level == Level::Question) {
      if (std::optional<Level> done = AnswerRetry(kMsgRetryUpdate))
        return *done;
      continue;
    }
    // Shows the record as it now stands (another station's version after
    // a clash) and lets the user go on editing.
    Display();
    return KeepForm();
  }
}

Level WindowManager::CompleteDelete() {
  RESPONSE = kRequestCancelled;
  for (;;) {
    Level level = PRIMARY->Delete(DELETEACTION == kDeleteAtOnceConfirmed);
    if (level == Level::Proceed) {
      SetResponse(kRequestCompleted);
      return kLevelContinue;
    }
    if (std::optional<Level> done = AnswerRetry(kMsgRetryDelete)) return *done;
  }
}

std::optional<Level> WindowManager::AnswerRetry(std::uint16_t id) {
  int answer = ERRORS->Ask(id, kYesNoCancel, kButtonCancel);
  if (answer == kButtonYes) return std::nullopt;
  if (answer == kButtonNo) {
    PostEvent(kEventCloseWindow);
    return kLevelContinue;
  }
  Display();
  return KeepForm();
}

Level WindowManager::TakeCloseEvent() {
  if (RESPONSE == kRequestCompleted || PRIMARY == nullptr)
    return kLevelContinue;
  FileManager& primary = Primary();
  if (IsForm(REQUEST) && CANCELACTION != 0 && !primary.EqualBuffer(SAVED)) {
    if (!(CANCELACTION & kCancelSaves)) {
      if (ERRORS->Raise(kMsgConfirmCancel) != Level::Proceed) return KeepForm();
    } else if (CANCELACTION & kCancelAsks) {
      int answer = ERRORS->Ask(kMsgSaveRecord, kYesNoCancel, kButtonCancel);
      if (answer == kButtonYes) {
        PostEvent(kEventAccepted, static_cast<std::int16_t>(OKCONTROL));
        return kLevelConsumed;
      }
      if (answer != kButtonNo) return KeepForm();
    } else {
      PostEvent(kEventAccepted, static_cast<std::int16_t>(OKCONTROL));
      return kLevelConsumed;
    }
  }
  if (ORIGINALREQUEST == kInsertRecord && RESPONSE == kRequestCancelled &&
      PRIMARY->CancelAutoInc() != Level::Proceed)
    return KeepForm();
  if (!LASTINSERTEDPOSITION.empty()) {
    // The caller finds the last record inserted in the buffer.
    RESPONSE = kRequestCompleted;
    RereadAt(primary, LASTINSERTEDPOSITION);
  }
  return kLevelContinue;
}

Level WindowManager::TakeEvent() {
  std::int32_t event = CurrentEvent();
  if (!IsFieldEvent(event)) {
    Level level = TakeWindowEvent();
    if (level != kLevelContinue) return level;
  }
  Level level = kLevelContinue;
  switch (event) {
    case kEventAccepted:
      level = TakeAccepted();
      break;
    case kEventRejected:
      level = TakeRejected();
      break;
    case kEventSelected:
      level = TakeSelected();
      break;
    case kEventNewSelection:
      level = TakeNewSelection();
      break;
    case kEventAlertKey:
      if (HISTORYKEY != 0 && EventKeyCode() == HISTORYKEY)
        RestoreField(SelectedField());
      break;
    default:
      break;
  }
  if (level != kLevelContinue) return level;
  Level field_level = kLevelContinue;
  if (IsFieldEvent(event)) field_level = TakeFieldEvent();
  if (BROWSES) {
    for (BrowseList* list : *BROWSES) list->TakeEvent();
  }
  if (FILEDROPS) {
    for (FileDrop* drop : *FILEDROPS) drop->TakeEvent();
  }
  if (AUTOREFRESH && BROWSES) {
    for (BrowseList* list : *BROWSES) {
      if (list->NeedsRefresh()) Reset();
    }
  }
  return field_level;
}

Level WindowManager::TakeNewSelection() {
  Window* window = TopWindow();
  std::int16_t control = EventField();
  const ControlState* state =
      window != nullptr ? window->Find(control) : nullptr;
  if (state != nullptr &&
      static_cast<std::uint8_t>(state->kind()) == kKindKeptOnNewSelection)
    return kLevelContinue;
  Reset();
  if (AUTOTOOLBAR && TOOLBAR != nullptr) TOOLBAR->SetTarget(control);
  return kLevelContinue;
}

Level WindowManager::TakeRejected() {
  std::int16_t control = EventField();
  Backend().Beep();
  Display(control);
  Select(control);
  return kLevelContinue;
}

Level WindowManager::TakeWindowEvent() {
  switch (CurrentEvent()) {
    case kEventOpenWindow:
      if (!(INITED & kInitedOpened)) Open();
      if (FIRSTFIELD != 0) Select(static_cast<std::int16_t>(FIRSTFIELD));
      break;
    case kEventLoseFocus:
      if (RESETONGAINFOCUS) FORCEDRESET = 1;
      break;
    case kEventGainFocus:
      if (INITED & kInitedOpened) {
        Reset();
      } else {
        Open();
      }
      break;
    case kEventSized:
      if (INITED & kInitedFirstSized) {
        Reset();
      } else {
        INITED |= kInitedFirstSized;
      }
      break;
    case kEventCompleted:
      return TakeCompleted();
    case kEventCloseWindow:
    case kEventCloseDown:
      return TakeCloseEvent();
    default:
      break;
  }
  return kLevelContinue;
}

void WindowManager::Update() {
  if (!BROWSES) return;
  for (BrowseList* list : *BROWSES) list->UpdateBuffer();
}

void WindowManager::AddButton(std::int32_t control, std::uint8_t response) {
  if (!BUTTONS) BUTTONS = std::make_unique<std::vector<WindowButton>>();
  BUTTONS->push_back({control, response});
}

void WindowManager::SetToolbar(Toolbar* toolbar) {
  TOOLBAR = toolbar;
  if (TOOLBAR != nullptr) TOOLBAR->Init();
}

void WindowManager::AddHistoryField(std::int16_t control,
                                    const Variable& field) {
  if (!HISTORY) HISTORY = std::make_unique<std::vector<HistoryEntry>>();
  HISTORY->push_back({control, field, BytesOf(field)});
}

void WindowManager::AddUpdateFile(FileManager& manager) {
  if (!FILES) FILES = std::make_unique<std::vector<UpdateFile>>();
  FILES->push_back({&manager, 0});
}

}  // namespace vantrel
