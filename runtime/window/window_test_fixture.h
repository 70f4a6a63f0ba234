// The fixture of the window runtime's tests: a headless backend whose
// running out of script fails the test, and no window left open afterwards.
#ifndef VANTREL_RUNTIME_WINDOW_WINDOW_TEST_FIXTURE_H_
#define VANTREL_RUNTIME_WINDOW_WINDOW_TEST_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/headless/headless_backend.h"
#include "runtime/window/accept_loop.h"
#include "runtime/window/events.h"
#include "runtime/window/window_runtime_internal.h"
#include "runtime/window/window_statements.h"

namespace vantrel {

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() {
    gui.OnScriptExhausted(
        [](const std::string& message) { ADD_FAILURE() << message; });
  }
  ~WindowTest() override {
    while (Window* window = TopWindow()) CloseWindow(window);
  }

  static ControlDescription Control(std::int16_t number, ControlKind kind,
                                    std::string text = {}) {
    ControlDescription control;
    control.number = number;
    control.kind = kind;
    control.text = std::move(text);
    return control;
  }

  // "name:control" for the events a loop saw, e.g. "OpenWindow:0".
  static std::string Seen() {
    std::string name(EventTraceName(CurrentEvent() + kEventBase));
    return name.substr(name.find(':') + 1) + ":" + std::to_string(EventField());
  }

  HeadlessBackend gui;
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_WINDOW_WINDOW_TEST_FIXTURE_H_
