// The card window on the Qt backend: the demo card file opened in the real
// window, a card edited through its widgets and saved, the file read back.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/card_data.h"
#include "app/card_file_reader.h"
#include "app/card_window_controls.h"
#include "app/demo_cards.h"
#include "app/program.h"
#include "gui/qt/qt_test_fixture.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

class CardWindowQtTest : public qt::QtTest {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel_qt_app_XXXXXX";
    dir_ = mkdtemp(pattern);
    setenv("VANTREL_CONFIG_DIR", dir_.c_str(), 1);
    setenv("XDG_DATA_HOME", dir_.c_str(), 1);
    StartRuntime();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string dir_;
};

TEST_F(CardWindowQtTest, EditsAndSavesACardOfTheDemoFile) {
  const std::string path = ProvideDemoCardFile();
  ASSERT_FALSE(path.empty());
  const std::vector<std::string> before = LiveLastNames(ReadCardRecords(path));
  ASSERT_FALSE(before.empty());

  auto entry = [this](std::int16_t control) {
    return qobject_cast<QLineEdit*>(Field(control));
  };
  auto save = [this] {
    return qobject_cast<QAbstractButton*>(Field(kSaveButton));
  };
  std::string shown_last_name;
  qt::UserScript user(gui);
  user.WaitUntil([&] { return entry(kLastNameEntry) != nullptr; })
      .Then([&] {
        // The first card of the list is shown; the user renames it.
        shown_last_name = entry(kLastNameEntry)->text().trimmed().toStdString();
        EXPECT_FALSE(save()->isEnabled());
        QLineEdit* last = entry(kLastNameEntry);
        last->setFocus();
        last->selectAll();
        QTest::keyClicks(last, "Quintero");
      })
      .Then([&] { Field(kCardList)->setFocus(); })  // leaving the entry
      .WaitUntil([&] { return save()->isEnabled(); })
      .Then([&] { QTest::mouseClick(save(), Qt::LeftButton); })
      .WaitUntil([&] { return !save()->isEnabled(); })
      .Then([&] { Frame()->close(); });

  CardData data;
  ProgramOptions options;
  options.card_file = path;
  MainProcedure(data, options);
  EXPECT_EQ(user.steps_left(), 0u);

  std::vector<std::string> after = LiveLastNames(ReadCardRecords(path));
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(std::count(after.begin(), after.end(), "Quintero"), 1);
  EXPECT_EQ(std::count(after.begin(), after.end(), shown_last_name),
            std::count(before.begin(), before.end(), shown_last_name) - 1);
}

}  // namespace
}  // namespace vantrel
