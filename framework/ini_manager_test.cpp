#include "framework/ini_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/ini_list.h"
#include "framework/ini_test_support.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/window/user_input.h"
#include "runtime/window/window_test_fixture.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr char kIniName[] = "vantrel.INI";

class IniManagerTest : public ::testing::Test {
 protected:
  IniManagerTest() { ini.Init(kIniName); }
  ~IniManagerTest() override { ini.Kill(); }

  TempConfigDir config;
  IniManager ini;
};

TEST_F(IniManagerTest, MissingEntriesAndFields) {
  // No file at all reads like a file without entries.
  EXPECT_EQ(ini.Fetch("VantrelFile", "CurrentFile"), "");
  EXPECT_EQ(ini.TryFetch("VantrelFile", "CurrentFile"), kIniUnknown);

  ini.Update("VantrelFile", "CurrentFile", "/home/ann/cards.vtl");
  ini.Update("VantrelFile", "Empty", "");
  ini.Update("Parts", "Three", "a,,c");
  EXPECT_EQ(ini.Fetch("VantrelFile", "CurrentFile"), "/home/ann/cards.vtl");
  EXPECT_EQ(ini.TryFetch("VantrelFile", "Empty"), "");  // present, empty
  EXPECT_EQ(ini.Fetch("VantrelFile", "Empty"), "");

  struct Case {
    int n;
    const char* part;
  } cases[] = {{1, "a"}, {2, ""}, {3, "c"}, {4, ""}, {0, ""}, {-1, ""}};
  for (const Case& c : cases) {
    EXPECT_EQ(ini.FetchField("Parts", "Three", c.n), c.part) << c.n;
  }
  EXPECT_EQ(ini.FetchField("Parts", "None", 1), kIniUnknown);
}

TEST_F(IniManagerTest, BothSpellingsOfTheNameReachOneFile) {
  ini.Update("VantrelFile", "CurrentFile", "one.vtl");
  IniManager upper;
  upper.Init("VANTREL.INI");
  EXPECT_EQ(upper.Fetch("VantrelFile", "CurrentFile"), "one.vtl");
  upper.Update("VantrelFile", "CurrentFile", "two.vtl");
  upper.Kill();
  EXPECT_EQ(ini.Fetch("VantrelFile", "CurrentFile"), "two.vtl");
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(config.path()))
    files.push_back(e.path().filename().string());
  EXPECT_THAT(files, ElementsAre(kIniName));
}

TEST_F(IniManagerTest, FileNameIsCutTo260Bytes) {
  IniManager other;
  other.Init(std::string(300, 'x'));
  EXPECT_EQ(other.FILENAME.size(), kIniFileNameLength);
  other.Kill();
}

// A queue of (NAME string 20, NUMBER long, TAG string 10).
struct ListFixture {
  struct Record {
    char NAME[20];
    std::int32_t NUMBER;
    char TAG[10];
  } record{};
  TypeDescriptor descriptor = DescriptorBuilder()
                                  .String("L:NAME", 20)
                                  .Long("L:NUMBER")
                                  .String("L:TAG", 10)
                                  .Descriptor();
  Queue queue{reinterpret_cast<std::uint8_t*>(&record), &descriptor,
              sizeof record};
  Variable name = Variable::Of(record.NAME);
  Variable number = Variable::Of(record.NUMBER);
  Variable tag = Variable::Of(record.TAG);

  void Append(const char* n, std::int32_t num, const char* t) {
    StoreVariableValue(name, n);
    record.NUMBER = num;
    StoreVariableValue(tag, t);
    Add(&queue);
  }
  // "name/number/tag" of every entry.
  std::vector<std::string> Entries() {
    std::vector<std::string> out;
    for (std::uint32_t i = 1; i <= RecordCount(&queue); ++i) {
      Get(&queue, static_cast<std::int32_t>(i));
      out.push_back(VariableValue(name) + "/" + std::to_string(record.NUMBER) +
                    "/" + VariableValue(tag));
    }
    return out;
  }
};

TEST_F(IniManagerTest, ListsRoundTripWithOneToThreeFields) {
  ListFixture saved;
  saved.Append("Smith", 7, "home");
  saved.Append("Jones", -2, "");
  ini.UpdateQueue("Recent", "Names", &saved.queue, saved.name, saved.number,
                  saved.tag);
  ini.UpdateQueue("Recent", "Short", &saved.queue, saved.name);
  std::string text = config.Read(kIniName);
  EXPECT_THAT(text, HasSubstr("Names=2\n"));
  EXPECT_THAT(text, HasSubstr("Names_1=Smith,7,home\n"));
  EXPECT_THAT(text, HasSubstr("Names_2=Jones,-2,\n"));
  EXPECT_THAT(text, HasSubstr("Short_1=Smith\n"));

  ListFixture loaded;
  ini.FetchQueue("Recent", "Names", &loaded.queue, loaded.name, loaded.number,
                 loaded.tag);
  EXPECT_THAT(loaded.Entries(), ElementsAre("Smith/7/home", "Jones/-2/"));

  ListFixture one_field;
  StoreVariableValue(one_field.tag, "kept");
  ini.FetchQueue("Recent", "Short", &one_field.queue, one_field.name);
  EXPECT_THAT(one_field.Entries(), ElementsAre("Smith/0/kept", "Jones/0/kept"));
}

TEST_F(IniManagerTest, EmptyListWritesItsCountOnly) {
  ListFixture empty;
  ini.UpdateQueue("Recent", "Names", &empty.queue, empty.name);
  EXPECT_EQ(ini.TryFetch("Recent", "Names"), "0");
  EXPECT_EQ(ini.TryFetch("Recent", ListEntryName("Names", 1)), kIniUnknown);
  ini.FetchQueue("Recent", "Missing", &empty.queue, empty.name);
  EXPECT_EQ(RecordCount(&empty.queue), 0u);
}

TEST_F(IniManagerTest, DamagedListsLoadWhatTheyHold) {
  config.Write(kIniName,
               "[Recent]\n"
               "Names=4000000000\n"  // far more than stored
               "Names_1=Smith,notanumber,toolongforthetag\n"
               "Names_2=Jones,12\n"
               "Names_4=never,reached\n"
               "Bad=x\n"
               "Bad_1=never\n");
  ListFixture loaded;
  loaded.record.NUMBER = 99;
  ini.FetchQueue("Recent", "Names", &loaded.queue, loaded.name, loaded.number,
                 loaded.tag);
  // A part that is no number leaves 0, not the last value; the reading ends
  // at the first missing record.
  EXPECT_THAT(loaded.Entries(), ElementsAre("Smith/0/toolongfor", "Jones/12/"));
  ini.FetchQueue("Recent", "Bad", &loaded.queue, loaded.name);
  EXPECT_EQ(RecordCount(&loaded.queue), 2u);
}

TEST_F(IniManagerTest, LongAndMultiLineRecordsStillReadBack) {
  ListFixture saved;
  saved.Append("line one\nline two", 1, "a");
  ini.UpdateQueue("Recent", "Names", &saved.queue, saved.name, saved.number,
                  saved.tag);
  ListFixture loaded;
  ini.FetchQueue("Recent", "Names", &loaded.queue, loaded.name, loaded.number,
                 loaded.tag);
  EXPECT_THAT(loaded.Entries(), ElementsAre("line one line two/1/a"));

  // A record longer than a read can take is stored cut, never dropped.
  SectorList wide;
  std::memset(&wide.record, 'w', sizeof wide.record);
  for (int i = 0; i < 4; ++i) Add(&wide.queue);
  SectorRecord& r = wide.record;
  ini.UpdateQueue("Wide", "Items", &wide.queue, Variable::Of(r.FAMILY),
                  Variable::Of(r.ITEM), Variable::Of(r.TYPE));
  SectorList back;
  ini.FetchQueue("Wide", "Items", &back.queue,
                 Variable::Of(back.record.FAMILY));
  EXPECT_EQ(RecordCount(&back.queue), 4u);
}

TEST_F(IniManagerTest, SectorsAreKeptBetweenRuns) {
  SectorRecord& r = ini.SECTORS->record;
  StoreVariableValue(Variable::Of(r.FAMILY), "Cards");
  StoreVariableValue(Variable::Of(r.ITEM), "Filter");
  StoreVariableValue(Variable::Of(r.TYPE), "Text");
  Add(&ini.SECTORS->queue);
  ini.Kill();
  EXPECT_THAT(config.Read(kIniName),
              HasSubstr("[Sectors]\n__Dont_Touch_Me__=1\n"
                        "__Dont_Touch_Me___1=Cards,Filter,Text\n"));

  IniManager next;
  next.Init(kIniName);
  ASSERT_EQ(RecordCount(&next.SECTORS->queue), 1u);
  Get(&next.SECTORS->queue, 1);
  EXPECT_EQ(VariableValue(Variable::Of(next.SECTORS->record.ITEM)), "Filter");
  next.Kill();
  ini.Init(kIniName);  // for the fixture's Kill
}

// Window placement, on windows of the headless backend.
class IniWindowTest : public WindowTest {
 protected:
  IniWindowTest() {
    ini.Init(kIniName);
    sizable.title = "Sizable";
    sizable.layout = {10, 20, 300, 200};
    sizable.resizable = true;
    fixed.title = "Fixed";
    fixed.layout = {5, 6, 100, 50};
  }
  ~IniWindowTest() override { ini.Kill(); }

  // Opens the window, restores it, lets `user` act on it, saves it, closes
  // it; returns the placement it was restored to.
  WindowPlacement Session(const WindowDescription& description,
                          const std::string& procedure,
                          const WindowPlacement* user = nullptr) {
    Window& window = OpenWindow(description);
    ini.FetchWindow(procedure, window);
    WindowPlacement restored = gui.Shown(window)->placement;
    if (user != nullptr) UserPlaceWindow(window, *user);
    ini.UpdateWindow(procedure, window);
    CloseWindow(&window);
    return restored;
  }

  TempConfigDir config;
  IniManager ini;
  WindowDescription sizable;
  WindowDescription fixed;
};

TEST_F(IniWindowTest, MaximizedWindowKeepsItsLastNormalPlacement) {
  // Never closed: no section, the designed placement.
  Window& window = OpenWindow(sizable);
  ini.FetchWindow("Cards", window);
  EXPECT_EQ(gui.Shown(window)->placement,
            (WindowPlacement{sizable.layout, false, false}));
  CloseWindow(&window);

  WindowPlacement moved{{40, 50, 320, 240}, false, false};
  Session(sizable, "Cards", &moved);
  EXPECT_EQ(Session(sizable, "Cards"), moved);

  WindowPlacement maximized{{40, 50, 320, 240}, true, false};
  WindowPlacement maximized_elsewhere{{1, 2, 3, 4}, true, false};
  Session(sizable, "Cards", &maximized_elsewhere);
  std::string text = config.Read(kIniName);
  EXPECT_THAT(text, HasSubstr("[Cards]\nMaximize=Yes\nXPos=40\nYPos=50\n"
                              "Width=320\nHeight=240\n"));
  EXPECT_EQ(Session(sizable, "Cards"), maximized);
}

TEST_F(IniWindowTest, FixedSizeWindowKeepsOnlyItsPosition) {
  WindowPlacement moved{{70, 80, 999, 999}, false, false};
  Session(fixed, "About", &moved);
  std::string text = config.Read(kIniName);
  EXPECT_THAT(text, HasSubstr("[About]\nMaximize=No\nXPos=70\nYPos=80\n"));
  EXPECT_THAT(text, Not(HasSubstr("Width")));
  // Restored at the saved position with its designed size; a stored
  // "Maximize=Yes" cannot maximize it.
  ini.Update("About", "Width", "500");
  ini.Update("About", "Maximize", "Yes");
  EXPECT_EQ(Session(fixed, "About"),
            (WindowPlacement{{70, 80, 100, 50}, false, false}));
}

TEST_F(IniWindowTest, IconizedWindowSavesNothing) {
  WindowPlacement iconized{{40, 50, 320, 240}, false, true};
  Session(sizable, "Cards", &iconized);
  EXPECT_EQ(config.Read(kIniName).find("[Cards]"), std::string::npos);
}

TEST_F(IniWindowTest, UnreadableValuesKeepTheDesignedPlacement) {
  struct Case {
    const char* text;
    WindowPlacement restored;
  } cases[] = {
      {"Maximize=maybe\nXPos=1\nYPos=2\n", {{10, 20, 300, 200}, false, false}},
      {"Maximize=No\nXPos=abc\nYPos=7\nWidth=-5\nHeight=0x10\n",
       {{10, 7, 300, 200}, false, false}},
      {"Maximize=No\nXPos=\nYPos=7\n", {{10, 20, 300, 200}, false, false}},
      {"Maximize=Yes\n", {{10, 20, 300, 200}, true, false}},
  };
  for (const Case& c : cases) {
    config.Write(kIniName, std::string("[Cards]\n") + c.text);
    EXPECT_EQ(Session(sizable, "Cards"), c.restored) << c.text;
  }
}

}  // namespace
}  // namespace vantrel
