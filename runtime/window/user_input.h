// What the user did, as a backend reports it. Each call turns the action
// into the events the window's loop takes (Accepted, NewSelection, Selected,
// AlertKey, Timer, CloseWindow ...). Actions on disabled or hidden controls
// are ignored.
#ifndef VANTREL_RUNTIME_WINDOW_USER_INPUT_H_
#define VANTREL_RUNTIME_WINDOW_USER_INPUT_H_

#include <cstdint>
#include <string_view>

#include "runtime/window/window_model.h"

namespace vantrel {

// Key codes the backends report for keys without a character.
enum KeyCode : std::int32_t {
  kKeyEnter = 13,
  kKeyEscape = 27,
  kKeyF1 = 0x70,
  kKeyF2 = 0x71,
  kKeyF10 = 0x79,
  kKeyDelete = 0x2E,
  kKeyInsert = 0x2D,
  // A double click of the left mouse button, reported like a key.
  kKeyDoubleClick = 5,
};

// The window became the application's active window.
void UserActivate(Window& window);
// The window stopped being the application's active window without another
// window of the program taking its place (the user went to another
// program). Nothing happens when it is not the active one.
void UserDeactivate(Window& window);
// The mouse moved to the position (window coordinates).
void UserMoveMouse(Window& window, std::int32_t x, std::int32_t y);
// The user moved the focus to the control.
void UserFocus(Window& window, std::int16_t control);
// Whether typing into the control goes key by key through its picture (key-in
// templates, patterns, dates and times); such a control's text is changed
// only through UserTypeText.
bool TypesByPicture(const ControlState& control);
// Characters typed into the focused control at its caret, replacing its
// selection.
void UserTypeText(Window& window, std::string_view text);
// The focused control's whole text as the user edited it (for backends
// whose widgets edit by themselves).
void UserSetText(Window& window, std::int16_t control, std::string_view text);
// The caret and selection of an editable control, 1-based, as the user moved
// them (a selection start of 0: nothing selected). No event follows.
void UserMoveCaret(Window& window, std::int16_t control, int caret,
                   int selection_start = 0, int selection_end = 0);
// The user gave a command (a menu item, a shortcut) while editing the
// focused control: an edited entry is read back as leaving it would, with
// Accepted or Rejected, and keeps the focus.
void UserFinishEditing(Window& window);
// A key press; alert keys of the window or the focused control are reported
// as PreAlert and AlertKey.
void UserPressKey(Window& window, std::int32_t key_code,
                  std::uint8_t key_state = 0, std::uint8_t key_char = 0);
// A click on a button, menu item, check box, radio button or region.
void UserClick(Window& window, std::int16_t control);
// The user chose entry n (1-based) of a list, drop list or combo.
void UserChooseEntry(Window& window, std::int16_t control, int entry);
// The user selected tab n (1-based) of a sheet.
void UserSelectTab(Window& window, std::int16_t sheet, int tab);
// Other field actions of the control (scrolling a list, mouse over a
// region, dragging, a tree's expanding ...), reported as that field event.
// Returns false, doing nothing, for numbers that are not field events.
bool UserFieldAction(Window& window, std::int16_t control, std::int32_t event);
// The window was moved, sized, maximized, iconized, restored, docked or
// undocked (Move .. Iconize before the change, Moved .. UnDocked after it).
// Returns false, doing nothing, for other events.
bool UserWindowAction(Window& window, std::int32_t event);
// The user moved, sized, maximized, iconized or restored the window; the
// placement is the window's new one. Posts what changed after the fact:
// Iconized, Maximized or Restored, then Moved and Sized for the normal form.
void UserPlaceWindow(Window& window, const WindowPlacement& placement);
// The user asked to close the window (its close box, Alt+F4 ...).
void UserCloseWindow(Window& window);
// A tick of the window's timer; at most one Timer event waits.
void TimerTick(Window& window);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_USER_INPUT_H_
