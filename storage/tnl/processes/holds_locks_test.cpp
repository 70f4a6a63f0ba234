// Record holds and table locks between this test and a separate tnl_peer
// process on one shared file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

#include "storage/tnl/processes/peer_process.h"
#include "storage/tnl/processes/peer_table.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr std::int32_t kHeldId = 2;
// How long this side keeps what the peer waits for; the peer's wait must be
// at least this long.
constexpr milliseconds kGiveBackAfter{300};

long long MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(
             std::chrono::steady_clock::now() - start)
      .count();
}

// What both sides take and give back: a hold on record kHeldId, or the
// table lock.
struct Kind {
  const char* name;
  std::vector<std::string> peer_args;  // after FILE; a time limit may follow
  const char* taken;                   // the peer's report when it has it
  const char* given;                   // ... and when it gave it back
  int busy;                            // the error while the other has it
  bool waits_without_limit;            // else it fails at once
  std::function<void(PeerTable&, std::optional<std::int32_t>)> take;
  std::function<void(PeerTable&)> give;
};

const std::vector<Kind>& Kinds() {
  static const std::vector<Kind> kinds = {
      {"hold",
       {"hold", "", std::to_string(kHeldId)},
       "held",
       "released",
       kErrRecordHeld,
       true,
       [](PeerTable& t, std::optional<std::int32_t> seconds) {
         seconds ? Hold(t.file, *seconds) : Hold(t.file);
         t.SetId(kHeldId);
         Get(t.file, *t.id_key);
       },
       [](PeerTable& t) { Release(t.file); }},
      {"lock",
       {"lock", ""},
       "locked",
       "unlocked",
       kErrFileLocked,
       false,
       [](PeerTable& t, std::optional<std::int32_t> seconds) {
         seconds ? Lock(t.file, *seconds) : Lock(t.file);
       },
       [](PeerTable& t) { Unlock(t.file); }},
  };
  return kinds;
}

class HoldsLocksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ScratchDir();
    path_ = (dir_ / "cards.vtl").string();
    table_ = std::make_unique<PeerTable>(path_);
    ASSERT_EQ(table_->Open(), 0) << Error();
    for (std::int32_t id = 1; id <= 3; ++id) {
      table_->Fill(id);
      Add(table_->file);
      ASSERT_EQ(ErrorCode(), 0) << Error();
    }
  }
  void TearDown() override {
    table_.reset();
    fs::remove_all(dir_);
  }

  // Starts the peer on `kind` with an optional time limit.
  std::unique_ptr<PeerProcess> StartPeer(
      const Kind& kind, std::optional<std::int32_t> seconds = std::nullopt) {
    std::vector<std::string> args = kind.peer_args;
    args[1] = path_;
    if (seconds) args.push_back(std::to_string(*seconds));
    auto peer = std::make_unique<PeerProcess>(args);
    EXPECT_TRUE(peer->started());
    return peer;
  }

  // Starts a peer that takes what `kind` names and keeps it.
  std::unique_ptr<PeerProcess> PeerHaving(const Kind& kind) {
    auto peer = StartPeer(kind);
    EXPECT_TRUE(peer->ReadUntil(std::string(kind.taken) + " "));
    return peer;
  }
  // Tells the peer to give it back and to end.
  static void GiveBack(PeerProcess& peer, const Kind& kind) {
    peer.Tell("go");
    EXPECT_TRUE(peer.ReadUntil(kind.given));
    EXPECT_EQ(peer.Wait(), 0);
  }

  fs::path dir_;
  std::string path_;
  std::unique_ptr<PeerTable> table_;
};

// While the peer has it, this process fails at once, fails after its time
// limit, and has it as soon as the peer gives it back.
TEST_F(HoldsLocksTest, WhatAnotherProcessHasIsRefusedUntilGivenBack) {
  for (const Kind& kind : Kinds()) {
    SCOPED_TRACE(kind.name);
    auto peer = PeerHaving(kind);
    kind.take(*table_, 0);
    EXPECT_EQ(ErrorCode(), kind.busy);
    const auto start = std::chrono::steady_clock::now();
    kind.take(*table_, 1);
    EXPECT_EQ(ErrorCode(), kind.busy);
    EXPECT_GE(MsSince(start), 1000);

    GiveBack(*peer, kind);
    kind.take(*table_, 0);
    EXPECT_EQ(ErrorCode(), 0) << Error();
    kind.give(*table_);
  }
}

// A hold is on one record: others can be held, and the held one still read
// but neither changed nor deleted until the holder lets it go.
TEST_F(HoldsLocksTest, HeldRecordIsReadButNotChangedElsewhere) {
  const Kind& hold = Kinds()[0];
  auto peer = PeerHaving(hold);
  auto fetch = [&](std::int32_t id) {
    table_->SetId(id);
    Get(table_->file, *table_->id_key);
    ASSERT_EQ(ErrorCode(), 0) << id << ": " << Error();
  };
  fetch(kHeldId);
  EXPECT_TRUE(table_->Sound());
  Put(table_->file);
  EXPECT_EQ(ErrorCode(), kErrAccessDenied);
  fetch(kHeldId);
  Delete(table_->file);
  EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);
  for (std::int32_t id : {1, 3}) {
    Hold(table_->file, 0);
    fetch(id);
    Release(table_->file);
  }
  GiveBack(*peer, hold);

  fetch(kHeldId);
  Put(table_->file);
  EXPECT_EQ(ErrorCode(), 0) << Error();
  Delete(table_->file);
  EXPECT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Records(table_->file), 2);
}

// A record watched here and changed by another process meanwhile is not
// overwritten: PUT gives 89; fetched again, it shows the other's change.
TEST_F(HoldsLocksTest, WatchedRecordChangedElsewhereIsNotOverwritten) {
  constexpr std::int32_t kId = 3;
  Watch(table_->file);
  table_->SetId(kId);
  Get(table_->file, *table_->id_key);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  PeerProcess other({"put", path_, std::to_string(kId)});
  EXPECT_TRUE(other.ReadUntil("put"));
  EXPECT_EQ(other.Wait(), 0);

  table_->SetName("mine");
  Put(table_->file);
  EXPECT_EQ(ErrorCode(), kErrRecordChanged);
  Get(table_->file, *table_->id_key);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(table_->Name(), "changed " + std::to_string(kId));
}

// Fetches and steps here go on from what this process has cached until
// another process commits; the first one after that commit shows it, and
// so does every one after.
TEST_F(HoldsLocksTest, ReadsAfterAnotherProcessCommitsShowIt) {
  constexpr std::int32_t kId = 2;
  auto name_by_id = [&] {
    table_->SetId(kId);
    Get(table_->file, *table_->id_key);
    EXPECT_EQ(ErrorCode(), 0) << Error();
    return table_->Name();
  };
  auto names_in_record_order = [&] {
    std::vector<std::string> names;
    Set(table_->file);
    for (Next(table_->file); ErrorCode() == 0; Next(table_->file)) {
      names.push_back(table_->Name());
    }
    EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable) << Error();
    return names;
  };
  const std::string before = name_by_id();
  const std::vector<std::string> all_before = names_in_record_order();
  ASSERT_EQ(all_before.size(), 3u);
  EXPECT_EQ(name_by_id(), before);
  for (int round = 0; round < 2; ++round) {
    PeerProcess other({"put", path_, std::to_string(kId)});
    EXPECT_TRUE(other.ReadUntil("put"));
    EXPECT_EQ(other.Wait(), 0);
    EXPECT_EQ(name_by_id(), "changed " + std::to_string(kId));
    std::vector<std::string> expected = all_before;
    expected[kId - 1] = "changed " + std::to_string(kId);
    EXPECT_EQ(names_in_record_order(), expected);
    // Back to the name before, here, for the next round.
    table_->SetId(kId);
    Get(table_->file, *table_->id_key);
    table_->SetName(before);
    Put(table_->file);
    ASSERT_EQ(ErrorCode(), 0) << Error();
    EXPECT_EQ(names_in_record_order(), all_before);
  }
}

// The peer asks while this process has it: with a long limit (or none, for
// a hold) it gets it once given back, after waiting at least that long; with
// a short limit it gives up after the limit; LOCK without one fails at once.
TEST_F(HoldsLocksTest, WaitingProcessGetsItWhenGivenBackOrGivesUp) {
  struct Case {
    std::optional<std::int32_t> seconds;
    bool given_back;  // else kept until the peer gives up
    long long at_least_ms;
  };
  for (const Kind& kind : Kinds()) {
    const Case cases[] = {
        {std::nullopt, kind.waits_without_limit,
         kind.waits_without_limit ? kGiveBackAfter.count() : 0},
        {10, true, kGiveBackAfter.count()},
        {1, false, 1000},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(kind.name) + " limit " +
                   std::to_string(c.seconds.value_or(-1)));
      kind.take(*table_, 0);
      ASSERT_EQ(ErrorCode(), 0) << Error();
      auto peer = StartPeer(kind, c.seconds);
      ASSERT_TRUE(peer->ReadUntil("trying"));
      std::optional<std::string> answer;
      if (c.given_back) {
        std::this_thread::sleep_for(kGiveBackAfter);
        kind.give(*table_);
        answer = peer->ReadLine();
        ASSERT_TRUE(answer);
        EXPECT_GE(NumberAfter(*answer, std::string(kind.taken) + " "),
                  c.at_least_ms)
            << *answer;
        GiveBack(*peer, kind);
      } else {
        answer = peer->ReadLine();
        ASSERT_TRUE(answer);
        const std::string busy = "error " + std::to_string(kind.busy) + " ";
        EXPECT_GE(NumberAfter(*answer, busy), c.at_least_ms) << *answer;
        EXPECT_EQ(peer->Wait(), 1);
        kind.give(*table_);
      }
    }
  }
}

// A process killed while it holds a record or locks the table leaves
// nothing held behind.
TEST_F(HoldsLocksTest, KilledProcessLeavesNothingHeld) {
  for (const Kind& kind : Kinds()) {
    SCOPED_TRACE(kind.name);
    auto peer = PeerHaving(kind);
    kind.take(*table_, 0);
    EXPECT_EQ(ErrorCode(), kind.busy);
    peer->Kill();
    EXPECT_EQ(peer->Wait(), 128 + SIGKILL);
    kind.take(*table_, 0);
    EXPECT_EQ(ErrorCode(), 0) << Error();
    kind.give(*table_);
  }
}

// Two processes take the same two files for their transactions in opposite
// orders, each LOGOUT with a time limit: when each has one file and waits
// for the other, the one whose time runs out gives way (ROLLBACK, then
// again), so both finish every transaction instead of waiting for each
// other for ever.
TEST(TransactionLockTest, OppositeOrdersGiveWayInsteadOfWaitingForEver) {
  const std::string dir = ScratchDir();
  const std::string a = dir + "/a.vtl", b = dir + "/b.vtl";
  constexpr long kEach = 100;
  PeerProcess forward(
      {"txn", a, b, std::to_string(kEach), "1", "--logout-wait", "1"});
  PeerProcess backward(
      {"txn", b, a, std::to_string(kEach), "100001", "--logout-wait", "1"});
  for (PeerProcess* peer : {&forward, &backward}) {
    long committed = 0;
    for (const std::string& line : peer->ReadRest()) {
      committed += line.starts_with("committed ");
    }
    EXPECT_EQ(committed, kEach);
    EXPECT_EQ(peer->Wait(), 0);
  }
  for (const std::string& file : {a, b}) {
    const ReadReport report = ReadOnce(file, /*loose=*/true);
    EXPECT_TRUE(report.clean) << file << ": " << report.error;
    EXPECT_EQ(report.last, 2 * kEach) << file;
  }
  fs::remove_all(dir);
}

// LOGOUT with a time limit on a file another process has in its
// transaction fails with 5 once the time has passed, and succeeds once
// that process is gone.
TEST(TransactionLockTest, LogoutWithATimeLimitGivesUpOnAFileInUse) {
  const std::string dir = ScratchDir();
  const std::string a = dir + "/a.vtl", b = dir + "/b.vtl";
  // Stopped at the first write of its COMMIT, the peer has both files.
  PeerProcess other({"txn", a, b, "1", "--stop-at", "1"});
  ASSERT_TRUE(other.AwaitStopped());
  PeerTable table(a);
  ASSERT_EQ(table.Open(), 0);
  const auto start = std::chrono::steady_clock::now();
  Logout(table.file, 1);
  EXPECT_EQ(ErrorCode(), kErrAccessDenied);
  EXPECT_GE(MsSince(start), 1000);
  other.Kill();
  other.Wait();
  Logout(table.file, 1);
  EXPECT_EQ(ErrorCode(), 0);
  Rollback(table.file);
  EXPECT_EQ(ErrorCode(), 0);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vantrel
