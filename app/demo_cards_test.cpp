#include "app/demo_cards.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/card_data.h"
#include "app/card_record.h"
#include "app/card_window.h"
#include "app/list_keys.h"
#include "app/phone_lines.h"
#include "gui/headless/script_session.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

class DemoCardsTest : public ::testing::Test {
 protected:
  DemoCardsTest()
      : dir_(fs::temp_directory_path() /
             ("vantrel_demo_test_" + std::to_string(::getpid()))) {
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~DemoCardsTest() override { fs::remove_all(dir_); }

  // Every record of a card file in file order.
  static std::vector<CardRecord> ReadAll(const std::string& path) {
    CardRecord record;
    FileDeclaration file;
    DeclareCardFile(file, "VTL", record);
    file.name = path;
    std::vector<CardRecord> records;
    Open(file, kOpenReadShared);
    EXPECT_EQ(ErrorCode(), 0) << path;
    Set(file);
    for (Next(file); ErrorCode() == 0; Next(file)) records.push_back(record);
    Close(file);
    return records;
  }

  static std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  fs::path dir_;
};

TEST_F(DemoCardsTest, HeaderThenLiveCardsAsTheCardWindowSavesThem) {
  const std::string path = (dir_ / "demo.vtl").string();
  ASSERT_TRUE(WriteDemoCardFile(path));
  std::vector<CardRecord> records = ReadAll(path);
  ASSERT_EQ(records.size(), kDemoCardCount + 1u);

  const CardRecord& header = records[0];
  EXPECT_TRUE(IsBlank(header.LASTNAME) && IsBlank(header.COMPANY) &&
              IsBlank(header.NAMEKEY));
  EXPECT_EQ(header.CHANGEDDATE, header.CREATEDDATE);
  EXPECT_EQ(header.CHANGEDTIME, header.CREATEDTIME);

  std::set<std::pair<std::int32_t, std::int32_t>> stamps;
  std::set<std::string> categories;
  int by_company = 0, firms = 0, several_phones = 0, uncategorised = 0;
  for (std::size_t i = 1; i < records.size(); ++i) {
    const CardRecord& card = records[i];
    SCOPED_TRACE(std::string(Clipped(card.NAMEKEY)) + "|" +
                 std::string(Clipped(card.COMPANYKEY)));
    EXPECT_EQ(card.DELETED, 0);
    // Each card is told apart by its creation stamp, later than the header.
    EXPECT_TRUE(stamps.insert({card.CREATEDDATE, card.CREATEDTIME}).second);
    EXPECT_GT(card.CREATEDDATE, header.CREATEDDATE);
    EXPECT_GE(card.CHANGEDDATE, card.CREATEDDATE);
    // Its list keys are composed, so it has a list entry and outlives the
    // purge on opening.
    CardRecord composed = card;
    ComposeListKeys(composed);
    EXPECT_EQ(std::string(card.bytes().data(), kCardLength),
              std::string(composed.bytes().data(), kCardLength));
    EXPECT_FALSE(IsBlank(card.NAMEKEY) && IsBlank(card.COMPANYKEY));
    // The phones are laid out already: laying them out again changes nothing.
    PhoneLines phones = SplitPhones({card.PHONES, sizeof card.PHONES});
    FormatPhones(phones);
    TrimPhones(phones);
    std::string joined = JoinPhones(phones);
    joined.erase(joined.find_last_not_of(' ') + 1);
    EXPECT_EQ(Clipped(card.PHONES), joined);

    if (IsBlank(card.CATEGORY)) ++uncategorised;
    categories.insert(std::string(Clipped(card.CATEGORY)));
    by_company += card.LISTBYCOMPANY;
    firms += IsBlank(card.LASTNAME) && IsBlank(card.FIRSTNAME);
    several_phones += phones.count >= 3;
  }
  EXPECT_GE(categories.size(), 6u);
  EXPECT_GE(uncategorised, 1);
  EXPECT_GE(by_company, 10);
  EXPECT_GE(firms, 5);
  EXPECT_GE(several_phones, 3);
}

TEST_F(DemoCardsTest, SameFileEveryTime) {
  ASSERT_TRUE(WriteDemoCardFile((dir_ / "a.vtl").string()));
  ASSERT_TRUE(WriteDemoCardFile((dir_ / "b.vtl").string()));
  std::string a = Bytes(dir_ / "a.vtl");
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(a, Bytes(dir_ / "b.vtl"));
}

TEST_F(DemoCardsTest, NeitherReplacesAFileNorLeavesAPartialOne) {
  const fs::path existing = dir_ / "mine.vtl";
  std::ofstream(existing) << "my cards";
  EXPECT_FALSE(WriteDemoCardFile(existing.string()));
  EXPECT_EQ(Bytes(existing), "my cards");

  const fs::path nowhere = dir_ / "no" / "such" / "demo.vtl";
  EXPECT_FALSE(WriteDemoCardFile(nowhere.string()));
  EXPECT_FALSE(fs::exists(nowhere));
  EXPECT_FALSE(fs::exists(nowhere.string() + ".part"));
  EXPECT_FALSE(WriteDemoCardFile(""));
  ClearError();
}

TEST_F(DemoCardsTest, ProvidedInTheDataDirectoryOnceAndKeptAfterwards) {
  const char* saved = std::getenv("XDG_DATA_HOME");
  const std::string saved_value = saved ? saved : "";
  setenv("XDG_DATA_HOME", dir_.c_str(), 1);

  const std::string path = (dir_ / "vantrel" / "demo.vtl").string();
  EXPECT_EQ(DemoCardFilePath(), path);
  EXPECT_EQ(ProvideDemoCardFile(), path);
  EXPECT_EQ(ReadAll(path).size(), kDemoCardCount + 1u);
  // A demo the user has changed is kept as it is.
  std::ofstream(path, std::ios::app) << "x";
  std::string changed = Bytes(path);
  EXPECT_EQ(ProvideDemoCardFile(), path);
  EXPECT_EQ(Bytes(path), changed);

  // A path the current-file-name variable cannot hold is not offered.
  const fs::path deep = dir_ / std::string(120, 'd');
  setenv("XDG_DATA_HOME", deep.c_str(), 1);
  EXPECT_EQ(ProvideDemoCardFile(), "");
  EXPECT_FALSE(fs::exists(deep));

  if (saved) {
    setenv("XDG_DATA_HOME", saved_value.c_str(), 1);
  } else {
    unsetenv("XDG_DATA_HOME");
  }
}

// The card window opens the demo file as any card file: a tab per category
// in alphabetical order, the letter selector, laid-out phones.
TEST_F(DemoCardsTest, CardWindowShowsTheDemo) {
  const std::string path = (dir_ / "demo.vtl").string();
  ASSERT_TRUE(WriteDemoCardFile(path));
  setenv("VANTREL_CONFIG_DIR", dir_.c_str(), 1);
  std::istringstream script(
      "expect 561 Abernathy, Walter\n"
      "show\n"
      "tab Clubs\n"
      "expect 561 Bergstr\xC3\xB6m, Karin (Pinecrest Tennis Club)\n"
      "tab ALL\n"
      "letter H\n"
      "expect \"Last Name\" Halvorsen\n"
      "expect Company Birchwood Dental Care\n"
      "choose 561 Hartley, Margaret\n"
      "expect Phones 555-0112\\n(212) 555-0148\\nMobile 555 0193\n");
  std::ostringstream transcript;
  int result = RunScriptSession(script, "demo.script", transcript, [&] {
    CardData data;
    CardWindow window(data);
    window.OpenFileAtStart(path);
    window.Run();
  });
  unsetenv("VANTREL_CONFIG_DIR");
  EXPECT_EQ(result, kScriptPassed) << transcript.str();
  EXPECT_THAT(transcript.str(),
              ::testing::HasSubstr(
                  "24 sheet = \"ALL\", tabs 25 \"ALL\", 26 \"Clubs\", 27 "
                  "\"Doctors\", 28 \"Family\", 29 \"Friends\", 30 "
                  "\"Services\", 31 \"Work\"\n"));
}

}  // namespace
}  // namespace vantrel
