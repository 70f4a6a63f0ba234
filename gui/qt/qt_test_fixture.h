// The fixture of the Qt backend's tests: one QApplication on the offscreen
// platform, a backend installed per test, and a scripted user that acts on
// real widgets while a window procedure waits for input.
//
//   UserScript user(gui);
//   user.Then([&] { QTest::keyClicks(Field(kName), "Ann"); })
//       .Then([&] { QTest::mouseClick(Field(kSave), Qt::LeftButton); });
//   RunMyWindowProcedure();
//
// Each step runs on its own pass of Qt's event loop, after the runtime has
// taken what the step before caused. A script that runs out while a loop
// still waits fails the test and ends the loops, so that no test hangs.
#ifndef VANTREL_GUI_QT_QT_TEST_FIXTURE_H_
#define VANTREL_GUI_QT_QT_TEST_FIXTURE_H_

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "gui/qt/native_window.h"
#include "gui/qt/qt_backend.h"
#include "runtime/window/events.h"
#include "runtime/window/window_statements.h"

// Qt's strings in test messages.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QRect& rect, std::ostream* out) {
  *out << "QRect(" << rect.x() << ", " << rect.y() << ", " << rect.width()
       << ", " << rect.height() << ")";
}

namespace vantrel::qt {

inline QApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "vantrel_qt_test";
  static char* argv[] = {name, nullptr};
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

class UserScript {
 public:
  explicit UserScript(QtBackend& gui) : gui_(gui) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Next(); });
    timer_.start();
  }
  UserScript& Then(std::function<void()> step) {
    steps_.push_back(std::move(step));
    return *this;
  }
  // Waits (letting Qt's loop run) until `done` holds; fails after
  // kWaitLimitMs.
  UserScript& WaitUntil(std::function<bool()> done) {
    auto started = std::make_shared<QElapsedTimer>();
    return Then([this, done, started] { Wait(done, started); });
  }
  std::size_t steps_left() const { return steps_.size(); }

 private:
  static constexpr int kWaitLimitMs = 5000;

  void Wait(std::function<bool()> done,
            std::shared_ptr<QElapsedTimer> started) {
    if (done()) return;
    if (!started->isValid()) started->start();
    if (started->elapsed() > kWaitLimitMs) {
      ADD_FAILURE() << "waited in vain";
      return;
    }
    steps_.push_front([this, done, started] { Wait(done, started); });
  }

  void Next() {
    if (steps_.empty()) {
      timer_.stop();
      ADD_FAILURE() << "the script ran out while a loop waits for input";
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
      gui_.RequestQuit();
      return;
    }
    std::function<void()> step = std::move(steps_.front());
    steps_.pop_front();
    step();
  }

  QtBackend& gui_;
  QTimer timer_;
  std::deque<std::function<void()>> steps_;
};

class QtTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { TestApplication(); }
  ~QtTest() override {
    while (Window* window = TopWindow()) CloseWindow(window);
  }

  // The widget of a control of the top window.
  QWidget* Field(std::int16_t control) const {
    Window* window = TopWindow();
    NativeWindow* native = window != nullptr ? gui.NativeOf(*window) : nullptr;
    return native != nullptr ? native->WidgetOf(control) : nullptr;
  }
  QWidget* Frame() const {
    Window* window = TopWindow();
    NativeWindow* native = window != nullptr ? gui.NativeOf(*window) : nullptr;
    return native != nullptr ? native->frame() : nullptr;
  }
  // Makes the top window the active one, as a click on it would.
  void Activate() const {
    QWidget* frame = Frame();
    frame->activateWindow();
    QApplication::setActiveWindow(frame);
  }

  static ControlDescription Control(std::int16_t number, ControlKind kind,
                                    std::string text = {}, Layout layout = {}) {
    ControlDescription control;
    control.number = number;
    control.kind = kind;
    control.text = std::move(text);
    control.layout = layout;
    return control;
  }

  QtBackend gui;
};

}  // namespace vantrel::qt

#endif  // VANTREL_GUI_QT_QT_TEST_FIXTURE_H_
