#include "app/error_check.h"

#include <string>

#include "runtime/data/base/error_state.h"
#include "runtime/window/icons.h"
#include "runtime/window/message_box.h"

namespace vantrel {

bool ErrorCheck(std::string_view step) {
  if (ErrorCode() == 0) return false;
  ShowMessage(std::string(10, ' ') + std::string(Error()), step,
              StandardIconString(kIconAsterisk), kButtonOk);
  return true;
}

}  // namespace vantrel
