// The fixture of the managers' tests: a fresh directory for native files,
// an initialised error manager, and a headless backend whose message boxes
// take queued answers (a box without one fails the test).
#ifndef VANTREL_FRAMEWORK_MANAGER_TEST_FIXTURE_H_
#define VANTREL_FRAMEWORK_MANAGER_TEST_FIXTURE_H_

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/error_manager.h"
#include "gui/headless/headless_backend.h"
#include "runtime/data/base/error_state.h"
#include "runtime/window/message_box.h"

namespace vantrel {

class ManagerTest : public ::testing::Test {
 protected:
  ManagerTest() {
    gui.OnScriptExhausted(
        [](const std::string& message) { ADD_FAILURE() << message; });
    char pattern[] = "/tmp/vantrel_managers_XXXXXX";
    dir_ = mkdtemp(pattern);
    ClearError();
    errors.Init();
  }
  ~ManagerTest() override {
    errors.Kill();
    std::filesystem::remove_all(dir_);
  }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  // The captions of the boxes shown so far, in order.
  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const MessageBoxRequest& box : gui.message_boxes()) {
      captions.push_back(box.caption);
    }
    return captions;
  }
  // The text of the last box shown.
  std::string LastText() const {
    if (gui.message_boxes().empty()) return {};
    std::string text;
    for (const std::string& line : gui.message_boxes().back().lines) {
      if (!text.empty()) text += '|';
      text += line;
    }
    return text;
  }

  HeadlessBackend gui;
  ErrorManager errors;
  std::string dir_;
};

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_MANAGER_TEST_FIXTURE_H_
