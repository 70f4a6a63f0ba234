// The help page against the program: every topic the card window's help
// menu shows has its anchor, and every link of the page leads somewhere.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "app/card_data.h"
#include "app/card_window.h"
#include "app/demo_cards.h"
#include "gui/headless/script_session.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// The page in the source tree (its path is compiled in).
std::string HelpPage() {
  std::ifstream in(VANTREL_HELP_PAGE);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::set<std::string> Matches(const std::string& text, const std::regex& re) {
  std::set<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re);
       it != std::sregex_iterator(); ++it)
    found.insert((*it)[1]);
  return found;
}

// A topic's anchor: lower case, each run of other characters than letters
// and digits one "-", none at either end.
std::string Anchor(const std::string& topic) {
  std::string anchor;
  for (char c : topic) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      anchor += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else if (!anchor.empty() && anchor.back() != '-') {
      anchor += '-';
    }
  }
  if (!anchor.empty() && anchor.back() == '-') anchor.pop_back();
  return anchor;
}

TEST(HelpTest, EveryLinkLeadsToAnAnchor) {
  std::string page = HelpPage();
  ASSERT_FALSE(page.empty());
  std::set<std::string> anchors =
      Matches(page, std::regex("name=\"([^\"]+)\""));
  for (const std::string& link :
       Matches(page, std::regex("href=\"#([^\"]+)\"")))
    EXPECT_TRUE(anchors.contains(link)) << link;
}

TEST(HelpTest, TopicsOfTheHelpMenuHaveTheirAnchors) {
  fs::path dir = fs::temp_directory_path() /
                 ("vantrel_help_test_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string cards = (dir / "cards.vtl").string();
  ASSERT_TRUE(WriteDemoCardFile(cards));
  setenv("VANTREL_CONFIG_DIR", dir.c_str(), 1);
  std::istringstream script(
      "click Help/Contents\n"
      "click Help/How to Use Vantrel\n"
      "click Help/Search Vantrel Help\n");
  std::ostringstream transcript;
  int result = RunScriptSession(script, "help.script", transcript, [&] {
    CardData data;
    CardWindow window(data);
    window.OpenFileAtStart(cards);
    window.Run();
  });
  unsetenv("VANTREL_CONFIG_DIR");
  fs::remove_all(dir);
  ASSERT_EQ(result, kScriptPassed) << transcript.str();

  std::set<std::string> topics = Matches(
      transcript.str(), std::regex("help \"[^\"]*\", topic \"([^\"]+)\""));
  EXPECT_EQ(topics.size(), 3u) << transcript.str();
  std::set<std::string> anchors =
      Matches(HelpPage(), std::regex("name=\"([^\"]+)\""));
  for (const std::string& topic : topics)
    EXPECT_TRUE(anchors.contains(Anchor(topic))) << topic;
}

}  // namespace
}  // namespace vantrel
