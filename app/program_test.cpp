// The main procedure: the managers around one run of the card window.
#include "app/program.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/card_window_test_support.h"
#include "app/current_file_setting.h"
#include "framework/about_window.h"
#include "framework/file_manager.h"

namespace vantrel {
namespace {

using ::testing::HasSubstr;

class ProgramTest : public CardWindowTest {
 protected:
  std::string ReadIni() {
    std::ifstream in(Path(kIniFile));
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

void ExpectManaged(FileDeclaration& file, KeyDeclaration& key) {
  FileManager* manager = FindFileManager(file);
  ASSERT_NE(manager, nullptr) << file.label;
  EXPECT_EQ(manager->OPENMODE, 0x22);
  EXPECT_EQ(manager->LOCKRECOVER, 10);
  EXPECT_EQ(manager->CREATE, 1);
  EXPECT_EQ(manager->FILENAME, &file.name);
  ASSERT_EQ(manager->KEYS->size(), 1u);
  EXPECT_EQ(manager->KEYS->front().KEY, &key);
}

TEST_F(ProgramTest, RunsTheCardWindowOnceBetweenStartUpAndShutDown) {
  const std::string path = Path("cards.vtl");
  MakeCardFile(path, {{"Smith"}});
  WriteCurrentFile(path);
  user.Then([&] {
        ExpectManaged(data.card_file, *data.card_key);
        ExpectManaged(data.change_file, *data.change_key);
        EXPECT_EQ(Field(kLastNameEntry), "Smith");  // the remembered file
      })
      .Click(kAboutItem);
  gui.On("About Vantrel").Click(kAboutClose);
  user.Then([&] {  // back in the card window
        EXPECT_EQ(Shown().title,
                  "'Vantrel - A Personal Card File' (" + path + ")");
      })
      .Exit();
  MainProcedure(data);

  EXPECT_EQ(gui.steps_left(), 0u);
  ASSERT_NE(gui.Shown("About Vantrel"), nullptr);
  EXPECT_FALSE(gui.Shown("About Vantrel")->open);
  EXPECT_EQ(FindFileManager(data.card_file), nullptr);
  EXPECT_EQ(FindFileManager(data.change_file), nullptr);
  EXPECT_FALSE(data.card_file.control.state & kStateOpen);
  // One INI file keeps the card file and the About window's place.
  EXPECT_THAT(ReadIni(), HasSubstr("CurrentFile=" + path));
  EXPECT_THAT(ReadIni(), HasSubstr("[" + std::string(kAboutProcedure) + "]"));
}

TEST_F(ProgramTest, ACardFileAskedForIsOpenedAndRemembered) {
  const std::string path = Path("asked.vtl");
  MakeCardFile(path, {{"Asked"}});
  WriteCurrentFile(Path("other.vtl"));
  user.Then([&] { EXPECT_EQ(Field(kLastNameEntry), "Asked"); }).Exit();
  ProgramOptions options;
  options.card_file = path;
  MainProcedure(data, options);
  EXPECT_EQ(ReadCurrentFile(), path);
}

}  // namespace
}  // namespace vantrel
