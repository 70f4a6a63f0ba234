#include "gui/qt/icon_library.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

#include "gui/qt/qt_test_fixture.h"

namespace vantrel::qt {
namespace {

class IconLibraryTest : public QtTest {};

TEST_F(IconLibraryTest, TheNamesTheApplicationUsesAllFindAnIcon) {
  std::vector<std::string> names = {
      "VANTREL.ICO", "~Vantrel.ico", "Vantrel1.ico", "Vantrel5.ico",
      "ALL.ICO",     "NEW.ICO",      "DUPLCATE.ICO", "DELETE.ICO",
      "SAVE.ICO",    "UNDO.ICO",     "FIND.ICO",     "IMPORT.ICO",
      "EXPORT.ICO",  "open.ico",     "Print.Ico",    "help"};
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    names.push_back(std::string(1, letter) + ".ICO");
  for (int standard : {kIconHand, kIconExclamation, kIconQuestion,
                       kIconAsterisk, kIconApplication})
    names.push_back(StandardIconString(standard));
  for (const std::string& name : names)
    EXPECT_FALSE(LookUpIcon(name).isNull()) << name;
  EXPECT_TRUE(LookUpIcon("NOSUCH.ICO").isNull());
  EXPECT_TRUE(LookUpIcon("~nosuch").isNull());
  EXPECT_TRUE(LookUpIcon("").isNull());
  // Case and the linked-resource mark do not matter.
  EXPECT_EQ(IconResource("~Vantrel.ico"), IconResource("VANTREL.ICO"));
  EXPECT_NE(IconResource("A.ICO"), IconResource("B.ICO"));
}

TEST_F(IconLibraryTest, IconsAreDrawnAtTheScreensPixelRatio) {
  QIcon icon = LookUpIcon("SAVE.ICO");
  for (double ratio : {1.0, 2.0}) {
    QPixmap pixmap = icon.pixmap(QSize(24, 24), ratio);
    EXPECT_EQ(pixmap.size(), QSize(24, 24) * ratio) << ratio;
    // The icon fills most of its square.
    QImage image = pixmap.toImage();
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        opaque += qAlpha(image.pixel(x, y)) > 0;
    EXPECT_GT(opaque, image.width() * image.height() / 3) << ratio;
  }
}

}  // namespace
}  // namespace vantrel::qt
