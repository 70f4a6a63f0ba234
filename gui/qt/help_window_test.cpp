#include "gui/qt/help_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTreeWidget>

#include "gui/qt/qt_test_fixture.h"
#include "runtime/window/services.h"

namespace vantrel::qt {
namespace {

using ::testing::ElementsAre;

class HelpWindowTest : public QtTest {
 protected:
  HelpWindowTest() {
    QFile page(dir.filePath("Guide.HTML"));
    page.open(QIODevice::WriteOnly);
    page.write(
        "<html><body><h1 id='start'>Getting started</h1><p>Open a file.</p>"
        "<h2 id='letters'>Letter selector</h2><p>Jump through the list.</p>"
        "<h2>Category tabs</h2><p>Each tab lists one category.</p>"
        "</body></html>");
  }
  QString Named(const char* name) const { return dir.filePath(name); }

  QTemporaryDir dir;
};

TEST_F(HelpWindowTest, TheProgramsHelpFileIsFoundAsAnHtmlPageOfItsName) {
  QString found = FindHelpPage(Named("guide.hlp"));
  EXPECT_EQ(found, QFileInfo(Named("Guide.HTML")).canonicalFilePath());
  EXPECT_TRUE(FindHelpPage(Named("other.hlp")).isEmpty());
}

TEST_F(HelpWindowTest, TopicsAreAnchorsOrHeadingsAndTheSearchFindsSections) {
  HelpWindow help;
  EXPECT_TRUE(help.Open(Named("guide.hlp"), "letters"));
  EXPECT_TRUE(help.Open(Named("guide.hlp"), "category TABS"));
  EXPECT_FALSE(help.Open(Named("guide.hlp"), "printing"));
  EXPECT_EQ(help.contents()->topLevelItemCount(), 1);
  EXPECT_EQ(help.contents()->topLevelItem(0)->childCount(), 2);
  EXPECT_THAT(help.Search("list"),
              ElementsAre("Letter selector", "Category tabs"));
  EXPECT_THAT(help.Search("jump LIST"), ElementsAre("Letter selector"));
  EXPECT_FALSE(help.Open(Named("missing.hlp"), "letters"));
  EXPECT_TRUE(help.browser()->toPlainText().contains("missing.hlp"));
}

TEST_F(HelpWindowTest, ShowHelpOpensTheHelpWindowAtTheTopic) {
  ShowHelp(Named("guide.hlp").toStdString());
  ShowHelp({}, "letters");
  ASSERT_NE(gui.help_window(), nullptr);
  EXPECT_TRUE(gui.help_window()->isVisible());
  EXPECT_TRUE(
      gui.help_window()->browser()->toPlainText().contains("Letter selector"));
}

}  // namespace
}  // namespace vantrel::qt
