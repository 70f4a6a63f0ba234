#include "framework/about_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "framework/ini_test_support.h"
#include "runtime/window/window_test_fixture.h"

namespace vantrel {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class AboutWindowTest : public WindowTest {
 protected:
  AboutWindowTest() {
    errors.Init();
    ini.Init("vantrel.INI");
  }
  ~AboutWindowTest() override {
    ini.Kill();
    errors.Kill();
  }

  TempConfigDir config;
  ErrorManager errors;
  IniManager ini;
};

TEST_F(AboutWindowTest, ShowsNameAndVersionAndClosesWithClose) {
  const HeadlessBackend::ShownWindow* shown = nullptr;
  gui.Then([&] {
       shown = gui.Shown("About Vantrel");
       ASSERT_NE(shown, nullptr);
       EXPECT_EQ(shown->controls.at(kAboutName).value, "Vantrel");
       EXPECT_EQ(shown->controls.at(kAboutVersion).value, kProgramVersion);
       EXPECT_EQ(shown->controls.at(kAboutClose).value, "Close");
       EXPECT_EQ(shown->focus, kAboutClose);
       EXPECT_EQ(errors.CurrentProcedure(), kAboutProcedure);
     })
      .Click(kAboutClose);
  ShowAboutWindow(errors, ini);
  EXPECT_EQ(gui.steps_left(), 0u);
  EXPECT_FALSE(gui.Shown("About Vantrel")->open);
  EXPECT_EQ(errors.CurrentProcedure(), "");
}

TEST_F(AboutWindowTest, ReopensWhereItWasClosed) {
  Layout designed = AboutWindow::Description().layout;
  gui.Then([&] {
       EXPECT_EQ(gui.Shown("About Vantrel")->placement.normal, designed);
     })
      .Place({{120, 90, designed.width, designed.height}, false, false})
      .Close();  // the close box saves as well
  ShowAboutWindow(errors, ini);
  std::string text = config.Read("vantrel.INI");
  EXPECT_THAT(text,
              HasSubstr("[AboutVantrel]\nMaximize=No\nXPos=120\nYPos=90\n"));
  EXPECT_THAT(text, Not(HasSubstr("Width")));  // a dialog of fixed size

  gui.Then([&] {
       EXPECT_EQ(gui.Shown("About Vantrel")->placement.normal,
                 (Layout{120, 90, designed.width, designed.height}));
     })
      .Click(kAboutClose);
  ShowAboutWindow(errors, ini);
  EXPECT_EQ(gui.steps_left(), 0u);
}

}  // namespace
}  // namespace vantrel
