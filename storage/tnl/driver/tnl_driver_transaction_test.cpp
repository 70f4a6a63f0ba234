// LOGOUT, COMMIT, ROLLBACK, FLUSH and STREAM through the driver, and when an
// operation's changes reach the disk, as a second open of the file sees it.
#include <filesystem>

#include "os/posix/fault_injection.h"
#include "runtime/data/driver/build_progress.h"
#include "runtime/data/driver/driver_call.h"
#include "storage/tnl/driver/tnl_driver_internal.h"
#include "storage/tnl/driver/tnl_driver_test_support.h"
#include "storage/tnl/pager/file_locks.h"
#include "storage/tnl/table/transaction.h"
#include "storage/tnl/table/transaction_control.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// What another open of the file sees: the table's record count and the
// header's change counter.
struct OnDisk {
  std::uint32_t records = 0;
  std::uint32_t counter = 0;
};

OnDisk Disk(const std::string& path) {
  StoredFile stored(path);
  return {stored.Count(stored.Table(), kKindData),
          stored.file.header().change_counter};
}

std::optional<TransactionMarker> MarkerOf(const std::string& path) {
  StoredFile stored(path);
  const auto record = FindMarker(stored.tree);
  return record ? ReadMarker(*record) : std::nullopt;
}

// The open file behind a FILE on the driver.
TnlFile& FileOf(OrdersFile& orders) {
  auto* instance =
      dynamic_cast<TnlInstance*>(orders.file.control.instance.get());
  return instance->table->file();
}

class TnlTransactionTest : public TnlDriverTest {
 protected:
  void TearDown() override {
    SetBuildProgressHandler({});
    TnlDriverTest::TearDown();
  }

  // Files a.TNL and b.TNL holding one order each.
  void MakeTwoFiles() {
    a_ = CreateOpen(Path("a"));
    b_ = CreateOpen(Path("b"));
    ASSERT_EQ(a_->AddOrder({1, "Ann", "Oslo"}), 0);
    ASSERT_EQ(b_->AddOrder({1, "Bob", "Rome"}), 0);
  }

  std::unique_ptr<OrdersFile> a_;
  std::unique_ptr<OrdersFile> b_;
};

TEST_F(TnlTransactionTest, LogoutOverTwoFilesWithOneChangedCommitsItAlone) {
  MakeTwoFiles();
  Logout(a_->file);
  Logout(b_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  ASSERT_EQ(a_->AddOrder({2, "Cid", "Bern"}), 0);
  Get(b_->file, Pointer(b_->file));  // a read does not change b
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Disk(Path("a.TNL")).records, 1u);

  Commit(a_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Disk(Path("a.TNL")).records, 2u);
  // The file's own two-step write: no control file, no marker.
  EXPECT_FALSE(fs::exists(DefaultControlFilePath(Path("a.TNL"))));
  EXPECT_FALSE(MarkerOf(Path("a.TNL")));
  EXPECT_TRUE(Transaction::OfProcess().empty());
  EXPECT_TRUE(Problems(Path("a.TNL")).empty());
}

TEST_F(TnlTransactionTest, CommitOrRollbackOfTwoChangedFiles) {
  struct Case {
    DriverOp ending;
    std::uint32_t records_after;
  };
  for (const Case c : {Case{DriverOp::kCOMMIT, 3}, Case{DriverOp::kROLLBACK, 1}}) {
    SCOPED_TRACE(DriverOpName(static_cast<int>(c.ending)));
    MakeTwoFiles();
    Logout(a_->file);
    Logout(b_->file);
    for (std::int32_t id : {2, 3}) {
      ASSERT_EQ(a_->AddOrder({id, "Ann", ""}), 0) << Error();
      ASSERT_EQ(b_->AddOrder({id, "Bob", ""}), 0) << Error();
    }
    // Another open sees neither file changed before the end.
    const OnDisk before = Disk(Path("a.TNL"));
    EXPECT_EQ(before.records, 1u);
    EXPECT_EQ(Disk(Path("b.TNL")).records, 1u);

    DriverArgs args;
    ASSERT_EQ(CallDriver(a_->file, c.ending, args).code, 0) << Error();
    EXPECT_TRUE(Transaction::OfProcess().empty());
    // The same statement on the other FILE finds the transaction ended and
    // ends that FILE's LOGOUT too.
    ASSERT_EQ(CallDriver(b_->file, c.ending, args).code, 0) << Error();
    EXPECT_FALSE(b_->file.control.state & kStateLogout);
    for (const char* name : {"a.TNL", "b.TNL"}) {
      EXPECT_EQ(Disk(Path(name)).records, c.records_after) << name;
      EXPECT_TRUE(Problems(Path(name)).empty()) << name;
    }
    if (c.ending == DriverOp::kCOMMIT) {
      // Both files name the transaction, whose record has left the control
      // file again.
      const auto marker_a = MarkerOf(Path("a.TNL"));
      const auto marker_b = MarkerOf(Path("b.TNL"));
      ASSERT_TRUE(marker_a && marker_b);
      EXPECT_EQ(marker_a->number, marker_b->number);
      EXPECT_EQ(marker_a->control_name, kDefaultControlMarkerName);
      ControlFile control;
      ASSERT_EQ(control.Open(DefaultControlFilePath(Path("a.TNL")), false,
                             false),
                0);
      bool present = true;
      std::string first;
      ASSERT_EQ(control.Lookup(marker_a->number, &present, &first), kLoadOk);
      EXPECT_FALSE(present);
    } else {
      // This process sees the rollback too.
      EXPECT_EQ(Records(a_->file), 1);
      EXPECT_EQ(Records(b_->file), 1);
      EXPECT_EQ(Disk(Path("a.TNL")).counter, before.counter);
    }
    // Out of the transaction, an ADD commits at once again.
    ASSERT_EQ(b_->AddOrder({4, "Dan", "Lima"}), 0) << Error();
    EXPECT_EQ(Disk(Path("b.TNL")).records, c.records_after + 1);
    a_.reset();
    b_.reset();
    fs::remove(Path("a.TNL"));
    fs::remove(Path("b.TNL"));
    fs::remove(DefaultControlFilePath(Path("a.TNL")));
  }
}

TEST_F(TnlTransactionTest, LogoutHoldsTheWriterByteAcrossReadsUntilCommit) {
  MakeTwoFiles();
  TnlFile other;
  ASSERT_TRUE(other.Open(Path("a.TNL"), kDefaultShareMode));
  const auto other_can_write = [&] {
    const bool taken = TakeWriterByte(other.channel(), LockWait::kNoWait);
    if (taken) ReleaseWriterByte(other.channel());
    return taken;
  };
  ASSERT_TRUE(other_can_write());

  Logout(a_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_FALSE(other_can_write());
  Get(a_->file, Pointer(a_->file));
  Set(a_->file);
  Next(a_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_FALSE(other_can_write());
  EXPECT_FALSE(FileOf(*a_).reading_mode());
  Commit(a_->file);
  EXPECT_TRUE(other_can_write());
}

TEST_F(TnlTransactionTest, FailedCheckInOneFileAbandonsTheTransaction) {
  MakeTwoFiles();
  Logout(a_->file);
  Logout(b_->file);
  ASSERT_EQ(a_->AddOrder({2, "Cid", "Bern"}), 0);
  ASSERT_EQ(b_->AddOrder({2, "Dan", "Lima"}), 0);
  ReplaceRootPage(Path("b.TNL"), std::vector<char>(252, '\x5A'));
  Get(b_->file, 2);
  ASSERT_EQ(ErrorCode(), kErrFileSystem);

  // b's part is lost: a's must not commit alone.
  Commit(a_->file);
  EXPECT_EQ(ErrorCode(), kErrFileSystem);
  EXPECT_EQ(FileError(), "Possible data corruption in file");
  EXPECT_EQ(Disk(Path("a.TNL")).records, 1u);
  EXPECT_TRUE(Transaction::OfProcess().empty());

  Rollback(a_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  ASSERT_EQ(a_->AddOrder({3, "Eve", "Kiel"}), 0) << Error();
  EXPECT_EQ(Disk(Path("a.TNL")).records, 2u);
}

TEST_F(TnlTransactionTest, FileLeavesTheTransactionWhenItGoes) {
  MakeTwoFiles();
  Logout(a_->file);
  ASSERT_EQ(a_->AddOrder({2, "Cid", "Bern"}), 0);
  Close(a_->file);
  EXPECT_EQ(ErrorCode(), kErrLogoutAlreadyActive);
  EXPECT_FALSE(Transaction::OfProcess().empty());

  // The FILE goes without COMMIT: its change never commits, and the file
  // no longer takes part.
  a_.reset();
  EXPECT_TRUE(Transaction::OfProcess().empty());
  EXPECT_EQ(Disk(Path("a.TNL")).records, 1u);
  OrdersFile again(Path("a"));
  Share(again.file);
  ASSERT_EQ(again.AddOrder({3, "Dan", "Lima"}), 0) << Error();
  EXPECT_EQ(Disk(Path("a.TNL")).records, 2u);
  EXPECT_TRUE(Problems(Path("a.TNL")).empty());
}

TEST_F(TnlTransactionTest, StreamDefersUntilFlushOrClose) {
  MakeTwoFiles();
  Stream(a_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  ASSERT_EQ(a_->AddOrder({2, "Cid", "Bern"}), 0);
  ASSERT_EQ(a_->AddOrder({3, "Dan", "Lima"}), 0);
  Get(a_->file, *a_->id_key);  // reads see this process's changes
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Records(a_->file), 3);
  EXPECT_EQ(Disk(Path("a.TNL")).records, 1u);

  Flush(a_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Disk(Path("a.TNL")).records, 3u);
  // FLUSH ended the STREAM: the next ADD commits at once.
  ASSERT_EQ(a_->AddOrder({4, "Eve", "Kiel"}), 0);
  EXPECT_EQ(Disk(Path("a.TNL")).records, 4u);

  Stream(a_->file);
  ASSERT_EQ(a_->AddOrder({5, "Fay", "Riga"}), 0);
  EXPECT_EQ(Disk(Path("a.TNL")).records, 4u);
  Close(a_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Disk(Path("a.TNL")).records, 5u);

  // A FILE that goes without CLOSE commits too.
  Share(a_->file);
  Stream(a_->file);
  ASSERT_EQ(a_->AddOrder({6, "Gus", "Nice"}), 0);
  EXPECT_EQ(Disk(Path("a.TNL")).records, 5u);
  a_->file.control.instance.reset();
  EXPECT_EQ(Disk(Path("a.TNL")).records, 6u);
  EXPECT_TRUE(Problems(Path("a.TNL")).empty());
}

TEST_F(TnlTransactionTest, RollbackKeepsWhatStreamDeferredBeforeLogout) {
  MakeTwoFiles();
  Stream(a_->file);
  ASSERT_EQ(a_->AddOrder({2, "Cid", "Bern"}), 0);
  Logout(a_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  ASSERT_EQ(a_->AddOrder({3, "Dan", "Lima"}), 0);
  Rollback(a_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Records(a_->file), 2);
  EXPECT_EQ(Disk(Path("a.TNL")).records, 2u);
}

// Under STREAM a file commits at the end of the first operation that leaves
// 40 pages dirty. The same adds inside a transaction (which never commits on
// its own) tell how many pages each add leaves dirty.
TEST_F(TnlTransactionTest, StreamCommitsOnceFortyPagesAreDirty) {
  auto streamed = CreateOpen(Path("s"), /*with_memos=*/true);
  auto counted = CreateOpen(Path("t"), /*with_memos=*/true);
  Stream(streamed->file);
  Logout(counted->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();

  std::size_t most_deferred = 0;
  std::size_t dirty = 0;
  std::int32_t id = 1;
  for (;; ++id) {
    ASSERT_LT(id, 5000) << "never reached 40 dirty pages";
    for (OrdersFile* orders : {streamed.get(), counted.get()}) {
      orders->SetNotes(std::string(300, static_cast<char>('a' + id % 26)));
      ASSERT_EQ(orders->AddOrder({id, "N" + std::to_string(id), ""}), 0)
          << Error();
    }
    dirty = FileOf(*counted).dirty_pages();
    if (dirty >= 40) break;
    ASSERT_EQ(FileOf(*streamed).dirty_pages(), dirty) << "add " << id;
    most_deferred = dirty;
  }
  // The adds step one page at a time across the bound.
  EXPECT_EQ(most_deferred, 39u);
  EXPECT_EQ(dirty, 40u);
  EXPECT_EQ(FileOf(*streamed).dirty_pages(), 0u);
  EXPECT_EQ(Disk(Path("s.TNL")).records, static_cast<std::uint32_t>(id));
  EXPECT_TRUE(Problems(Path("s.TNL")).empty());
  Rollback(counted->file);
}

TEST_F(TnlTransactionTest, StreamCommitsAfterFiveThousandDeferredOperations) {
  MakeTwoFiles();
  Stream(a_->file);
  const std::uint32_t counter = Disk(Path("a.TNL")).counter;
  const auto put_name = [&](int i) {
    a_->Set({1, i % 2 ? "Odd" : "Even", "Oslo"});
    Put(a_->file);
    ASSERT_EQ(ErrorCode(), 0) << Error();
  };
  for (int i = 1; i <= 5000; ++i) put_name(i);
  EXPECT_EQ(Disk(Path("a.TNL")).counter, counter);
  EXPECT_TRUE(FileOf(*a_).dirty() && FileOf(*a_).dirty_pages() < 40);

  put_name(5001);
  EXPECT_GT(Disk(Path("a.TNL")).counter, counter);
  EXPECT_FALSE(FileOf(*a_).dirty());
  // The commit started the count afresh.
  put_name(5002);
  EXPECT_TRUE(FileOf(*a_).dirty());
}

TEST_F(TnlTransactionTest, BuildCommitsWhenItEnds) {
  MakeTwoFiles();
  for (std::int32_t id = 2; id < 50; ++id) {
    ASSERT_EQ(a_->AddOrder({id, "N" + std::to_string(id), ""}), 0);
  }
  Lock(a_->file);  // BUILD needs exclusive use; others may still read
  ASSERT_EQ(ErrorCode(), 0) << Error();
  const std::uint32_t counter = Disk(Path("a.TNL")).counter;
  std::optional<std::uint32_t> seen_when_done;
  SetBuildProgressHandler([&](const BuildReport& report) {
    if (report.event == BuildEvent::kBuildDone) {
      seen_when_done = Disk(Path("a.TNL")).counter;
    }
    return true;
  });
  DriverArgs args;
  ASSERT_EQ(CallDriver(a_->file, DriverOp::kBUILDevent, args).code, 0)
      << Error();
  ASSERT_TRUE(seen_when_done);
  EXPECT_EQ(*seen_when_done, counter);
  EXPECT_GT(Disk(Path("a.TNL")).counter, counter);
  EXPECT_FALSE(FileOf(*a_).dirty());
  EXPECT_TRUE(Problems(Path("a.TNL")).empty());
}

// A read that fails inside the transaction fails a check on that table:
// the transaction is over, COMMIT says so, and ROLLBACK ends the LOGOUT of
// every FILE so that each can close; opened again, neither file changed.
TEST_F(TnlTransactionTest, FailedReadInATransactionStillLetsEveryFileClose) {
  MakeTwoFiles();
  Logout(a_->file);
  Logout(b_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  ASSERT_EQ(b_->AddOrder({2, "Bob", ""}), 0) << Error();
  FaultPlan plan = FaultAt(1, FaultAction::kFail);
  plan.counts = kFaultReads;
  plan.path_suffix = "a.TNL";
  FaultInjection::Arm(plan);
  EXPECT_EQ(a_->AddOrder({2, "Ann", ""}), kErrFileSystem);
  FaultInjection::Disarm();
  Commit(b_->file);
  EXPECT_EQ(ErrorCode(), kErrFileSystem);
  for (OrdersFile* orders : {a_.get(), b_.get()}) {
    Rollback(orders->file);
    Close(orders->file);
    EXPECT_EQ(ErrorCode(), 0) << Error();
    EXPECT_EQ(orders->file.control.state & (kStateOpen | kStateLogout), 0u);
  }
  for (const char* name : {"a.TNL", "b.TNL"}) {
    EXPECT_EQ(Disk(Path(name)).records, 1u) << name;
    EXPECT_TRUE(Problems(Path(name)).empty()) << name;
  }
}

TEST_F(TnlTransactionTest, RecordOperationsMarkTheBlobsUnchanged) {
  auto orders = CreateOpen(Path("m"), /*with_memos=*/true);
  ASSERT_EQ(orders->AddOrder({1, "Ann", "Oslo"}), 0);
  const std::int64_t record = Pointer(orders->file);
  constexpr std::size_t kPicture = 1;

  struct Case {
    const char* what;
    std::function<void()> op;
    bool unchanged;
  };
  const Case cases[] = {
      {"GET", [&] { Get(orders->file, record); }, true},
      {"PUT", [&] { Put(orders->file); }, true},
      {"SET", [&] { Set(orders->file); }, false},
      {"NEXT", [&] { Next(orders->file); }, true},
      {"POINTER", [&] { Pointer(orders->file); }, false},
      {"ADD", [&] { orders->AddOrder({2, "Bob", "Rome"}); }, true},
  };
  for (const Case& c : cases) {
    TableBlob(orders->file, kPicture)->assign(3, 0x11);
    EXPECT_TRUE(BlobChanged(orders->file, kPicture)) << c.what;
    c.op();
    ASSERT_EQ(ErrorCode(), 0) << c.what << ": " << Error();
    EXPECT_EQ(BlobChanged(orders->file, kPicture), !c.unchanged) << c.what;
  }
  EXPECT_FALSE(BlobChanged(orders->file, 0));  // a MEMO is no BLOB
}

}  // namespace
}  // namespace vantrel
