// The card window's check after a file or queue statement: when the
// runtime's error code is set, a message box names the step in its caption
// and shows the error text; processing then goes on.
#ifndef VANTREL_APP_ERROR_CHECK_H_
#define VANTREL_APP_ERROR_CHECK_H_

#include <string_view>

namespace vantrel {

// The message is the error text after ten blanks; the box has the
// information icon and an OK button. Returns whether an error was shown.
bool ErrorCheck(std::string_view step);

}  // namespace vantrel

#endif  // VANTREL_APP_ERROR_CHECK_H_
