// The standard message box. The runtime builds it from the text, caption,
// icon, button set and style; the backend shows it and reports the button.
#ifndef VANTREL_RUNTIME_WINDOW_MESSAGE_BOX_H_
#define VANTREL_RUNTIME_WINDOW_MESSAGE_BOX_H_

#include <string_view>

#include "runtime/window/gui_backend.h"

namespace vantrel {

// Button masks; the order of the bits is the order of the buttons.
enum MessageButton : int {
  kButtonOk = 1,
  kButtonYes = 2,
  kButtonNo = 4,
  kButtonAbort = 8,
  kButtonRetry = 16,
  kButtonIgnore = 32,
  kButtonCancel = 64,
  kButtonHelp = 128,
};

// Style bits choosing the platform's icon when no icon is given.
enum MessageStyle : int {
  kStyleIconHand = 0x10,
  kStyleIconQuestion = 0x20,
  kStyleIconExclamation = 0x30,
  kStyleIconAsterisk = 0x40,
};
inline constexpr int kStyleIconMask = 0x70;

// The look of message boxes: the newer look uses 8-point "MS Sans Serif" of
// normal weight, the older 8-point "Helv" in bold. The newer look is the
// default.
void SetNewLook(bool on);

// The box ShowMessage shows: lines split at "|", one button per bit of the
// set in mask order (OK alone for an empty set), button texts from the
// environment file's HESBUTTON, the default the button whose mask is
// `default_button` or else the first.
MessageBoxRequest BuildMessageBox(std::string_view text,
                                  std::string_view caption,
                                  std::string_view icon, int buttons,
                                  int default_button, int style);

// Shows the box and returns the mask of the button pressed. A box closed
// without a button returns Cancel, else No, else Abort when the set has
// one, else the default button.
int ShowMessage(std::string_view text, std::string_view caption = {},
                std::string_view icon = {}, int buttons = kButtonOk,
                int default_button = 0, int style = 0);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_MESSAGE_BOX_H_
