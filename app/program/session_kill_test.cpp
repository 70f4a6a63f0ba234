// A session of the program killed at any moment: the card file it leaves
// checks clean and holds every card the session saved before the kill.
// The session saves new cards one after another, so what survives must be
// the demo cards plus a prefix of the new ones: a save lost after a later
// one was kept, or a half-written one, fails the test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/card_file_reader.h"
#include "app/demo_cards.h"
#include "app/program.h"
#include "storage/tnl/pager/tnl_file.h"
#include "storage/tnl/table/file_check.h"

extern char** environ;

namespace vantrel {
namespace {

constexpr int kNewCards = 30;

std::string NewName(int i) {
  char name[24];
  std::snprintf(name, sizeof name, "Killtest%02d", i);
  return name;
}

class SessionKillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel_kill_XXXXXX";
    dir_ = mkdtemp(pattern);
    setenv("VANTREL_CONFIG_DIR", dir_.c_str(), 1);
    setenv("XDG_DATA_HOME", dir_.c_str(), 1);
    StartRuntime();
    pristine_ = ProvideDemoCardFile();
    ASSERT_FALSE(pristine_.empty());
    demo_names_ = LiveLastNames(ReadCardRecords(pristine_));
    ASSERT_FALSE(demo_names_.empty());

    std::ofstream script(dir_ + "/saves.script");
    for (int i = 1; i <= kNewCards; ++i) {
      script << "click Create New Card\n"
             << "set \"Last Name\" " << NewName(i) << "\n"
             << "click Save Card Contents\n";
    }
    script << "click File/Exit\n";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Starts the session on a fresh copy of the demo file.
  pid_t StartSession() {
    std::filesystem::copy_file(
        pristine_, cards_, std::filesystem::copy_options::overwrite_existing);
    const std::string script = dir_ + "/saves.script";
    const char* argv[] = {VANTREL_PROGRAM, cards_.c_str(), "--script",
                          script.c_str(),  "--config-dir", dir_.c_str(),
                          nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null",
                                     O_WRONLY, 0);
    pid_t pid = -1;
    const int started = posix_spawn(&pid, VANTREL_PROGRAM, &actions, nullptr,
                                    const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(started, 0);
    return pid;
  }

  // How many new cards the file holds, after checking that it is clean and
  // holds the demo cards and a prefix of the new ones, in order.
  int SavedCards() {
    TnlFile file;
    EXPECT_TRUE(file.Open(cards_, kOpenReadShared)) << cards_;
    std::vector<std::string> problems = CheckFileIntegrity(file);
    EXPECT_TRUE(problems.empty()) << problems.front();
    file.Close();

    std::vector<std::string> names = LiveLastNames(ReadCardRecords(cards_));
    EXPECT_GE(names.size(), demo_names_.size());
    std::vector<std::string> kept(names.begin(),
                                  names.begin() + demo_names_.size());
    EXPECT_EQ(kept, demo_names_);
    const int saved = static_cast<int>(names.size() - demo_names_.size());
    for (int i = 1; i <= saved; ++i)
      EXPECT_EQ(names[demo_names_.size() + i - 1], NewName(i));
    return saved;
  }

  std::string dir_;
  std::string pristine_;
  std::string cards_ = std::string();
  std::vector<std::string> demo_names_;
};

TEST_F(SessionKillTest, EverySavedCardSurvivesAKillAtAnyMoment) {
  cards_ = dir_ + "/cards.vtl";
  // A whole session first: it saves every card, and tells how long it runs.
  const auto started = std::chrono::steady_clock::now();
  pid_t pid = StartSession();
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  const auto whole = std::chrono::steady_clock::now() - started;
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ASSERT_EQ(SavedCards(), kNewCards);

  // Then sessions killed at moments spread over that time.
  constexpr int kKills = 12;
  int interrupted = 0;
  for (int k = 1; k <= kKills; ++k) {
    pid = StartSession();
    std::this_thread::sleep_for(whole * k / (kKills + 1));
    kill(pid, SIGKILL);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    const int saved = SavedCards();
    if (WIFSIGNALED(status) && saved < kNewCards) ++interrupted;
  }
  // The kills must have landed inside sessions for the test to mean much.
  EXPECT_GT(interrupted, 0);
}

}  // namespace
}  // namespace vantrel
