#include <gtest/gtest.h>

#include "runtime/data/driver/build_progress.h"
#include "runtime/data/driver/driver_call.h"
#include "runtime/data/expr/expr_bind.h"
#include "storage/tnl/driver/tnl_driver_test_support.h"
#include "storage/tnl/table/key_build.h"
#include "storage/tnl/table/test_tables.h"

namespace vantrel {
namespace {

constexpr unsigned kExclusive = kOpenReadWrite | kOpenDenyAll;
constexpr std::uint8_t kIdKey = 0;
constexpr std::uint8_t kNameKey = 1;
constexpr std::uint8_t kCityKey = 2;

class TnlBuildTest : public TnlDriverTest {
 protected:
  void SetUp() override {
    TnlDriverTest::SetUp();
    path_ = Path("orders.tnl");
  }
  void TearDown() override {
    SetBuildProgressHandler({});
    TnlDriverTest::TearDown();
  }

  // ORDERS with `count` orders, closed again; `declare` may change the keys
  // before the table is made. The records go in as one change.
  std::unique_ptr<OrdersFile> MakeOrders(
      int count, const std::function<void(OrdersFile&)>& declare = {}) {
    auto orders = std::make_unique<OrdersFile>(path_);
    if (declare) declare(*orders);
    Create(orders->file);
    EXPECT_EQ(ErrorCode(), 0) << Error();
    CommitChange(path_, [&](TnlFile& file, BTree& tree) {
      const auto table = FindTable(tree, "UNNAMED");
      ASSERT_TRUE(table);
      const auto described =
          ReadDescription(ReadDescriptionStream(tree, *table));
      ASSERT_TRUE(described);
      const CharTables tables = GetCharTables();
      for (int i = 1; i <= count; ++i) {
        orders->Set({i, i % 3 ? "Smith" : "jones",
                     i % 4 ? "C" + std::to_string(i) : ""});
        const auto& record = orders->file.record;
        const TableKeys keys{*table, &*described, {}, {&tables}};
        ASSERT_EQ(
            AddDataRecord(file, tree, keys,
                          {reinterpret_cast<const std::uint8_t*>(record.data()),
                           record.size()})
                .error,
            0);
      }
    });
    return orders;
  }

  // Takes out every entry of the given keys behind the driver's back.
  void DropEntries(std::initializer_list<std::uint8_t> keys) {
    CommitChange(path_, [&](TnlFile&, BTree& tree) {
      const auto table = FindTable(tree, "UNNAMED");
      ASSERT_TRUE(table);
      for (std::uint8_t k : keys) RemoveKeyEntries(tree, *table, k);
    });
  }

  // Entries present per key, counted in the file.
  std::vector<std::uint64_t> EntryCounts() {
    std::vector<std::uint64_t> counts;
    TnlFile file;
    EXPECT_TRUE(file.Open(path_, kOpenReadShared));
    RunOperation(path_, [&] {
      ASSERT_EQ(file.LoadHeader(LockWait::kWait), kLoadOk);
      BTree tree(file);
      const auto table = FindTable(tree, "UNNAMED");
      ASSERT_TRUE(table);
      for (std::uint8_t k : {kIdKey, kNameKey, kCityKey}) {
        ByteString prefix = TablePrefix(*table);
        prefix.push_back(k);
        std::uint64_t n = 0;
        for (auto e = tree.FindFirstAtOrAbove(prefix);
             e && std::equal(prefix.begin(), prefix.end(), e->bytes.begin());
             e = tree.FindFirstGreater(e->Key())) {
          ++n;
        }
        counts.push_back(n);
      }
    });
    file.EndOperation();
    return counts;
  }

  std::string path_;
};

TEST_F(TnlBuildTest, BuildOfAClosedFileOpensItAloneAndClosesIt) {
  auto orders = MakeOrders(30);
  DropEntries({kIdKey, kNameKey, kCityKey});
  ASSERT_FALSE(Problems(path_).empty());

  Build(orders->file);
  EXPECT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(orders->file.control.state & kStateOpen, 0u);
  EXPECT_TRUE(Problems(path_).empty());
  EXPECT_EQ(EntryCounts(), (std::vector<std::uint64_t>{30, 30, 23}));
}

TEST_F(TnlBuildTest, BuildNeedsExclusiveUseOfAnOpenFile) {
  auto orders = MakeOrders(5);
  DropEntries({kNameKey});
  Share(orders->file);
  Build(orders->file);
  EXPECT_EQ(ErrorCode(), kErrExclusiveAccessRequired);
  Close(orders->file);

  Open(orders->file, kExclusive);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  Build(*orders->name_key);
  EXPECT_EQ(ErrorCode(), 0) << Error();
  Close(orders->file);
  EXPECT_TRUE(Problems(path_).empty());
}

TEST_F(TnlBuildTest, KeysEachBuildCovers) {
  // CITY declared as INDEX: BUILD leaves it, PACK and BUILD of the key
  // rebuild it.
  auto orders =
      MakeOrders(12, [](OrdersFile& o) { o.city_key->flags |= kKeyIsIndex; });
  DropEntries({kNameKey, kCityKey});

  Build(orders->file);
  EXPECT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(EntryCounts(), (std::vector<std::uint64_t>{12, 12, 0}));

  Pack(orders->file);
  EXPECT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(EntryCounts(), (std::vector<std::uint64_t>{12, 12, 9}));

  DropEntries({kIdKey, kCityKey});
  Open(orders->file, kExclusive);
  Build(*orders->city_key);
  EXPECT_EQ(ErrorCode(), 0) << Error();
  Close(orders->file);
  EXPECT_EQ(EntryCounts(), (std::vector<std::uint64_t>{0, 12, 9}));
}

TEST_F(TnlBuildTest, BuildEventReportsProgressAndTheProgramMayCancel) {
  auto orders = MakeOrders(1200);
  DropEntries({kNameKey});
  Open(orders->file, kExclusive);
  ASSERT_EQ(ErrorCode(), 0);

  std::vector<BuildReport> reports;
  int during = -1;
  SetBuildProgressHandler([&](const BuildReport& r) {
    reports.push_back(r);
    // Other operations on the file wait for the build's end.
    during = orders->AddOrder({9999, "Late", "X"});
    return r.percent < 50;  // cancel half way through reading
  });
  DriverArgs args;
  EXPECT_EQ(CallDriver(orders->file, DriverOp::kBUILDevent, args).code,
            kErrBuildCancelled);
  EXPECT_EQ(ErrorCode(), kErrBuildCancelled);
  EXPECT_EQ(during, kErrBuildInProgress);
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports.front().event, BuildEvent::kBuildFile);
  EXPECT_EQ(reports.back().event, BuildEvent::kBuildDone);
  EXPECT_EQ(orders->file.control.state & kStateBuilding, 0u);
  Close(orders->file);
  EXPECT_EQ(EntryCounts()[kNameKey], 0u);  // nothing written
  Open(orders->file, kExclusive);

  // Run to the end: the file's reports, then the keys', then done.
  reports.clear();
  SetBuildProgressHandler([&](const BuildReport& r) {
    reports.push_back(r);
    return true;
  });
  EXPECT_EQ(CallDriver(orders->file, DriverOp::kBUILDevent, args).code, 0);
  EXPECT_EQ(orders->file.control.state & kStateBuilding, 0u);
  ASSERT_GE(reports.size(), 3u);
  EXPECT_EQ(reports.back().event, BuildEvent::kBuildDone);
  const BuildReport& last_key = reports[reports.size() - 2];
  EXPECT_EQ(last_key.event, BuildEvent::kBuildKey);
  EXPECT_EQ(last_key.key, orders->city_key);
  EXPECT_EQ(last_key.percent, 100);
  for (std::size_t i = 1; i < reports.size(); ++i) {
    EXPECT_GE(static_cast<int>(reports[i].event),
              static_cast<int>(reports[i - 1].event));
    EXPECT_LE(reports[i].percent, 100);
  }
  Close(orders->file);
  EXPECT_TRUE(Problems(path_).empty());
}

TEST_F(TnlBuildTest, CloseFromTheProgressHandlerCancelsTheBuild) {
  auto orders = MakeOrders(600);
  DropEntries({kNameKey});
  Open(orders->file, kExclusive);
  SetBuildProgressHandler([&](const BuildReport& r) {
    if (r.event == BuildEvent::kBuildFile && r.percent > 0) {
      Close(orders->file);
    }
    return true;
  });
  DriverArgs args;
  EXPECT_EQ(CallDriver(orders->file, DriverOp::kBUILDevent, args).code,
            kErrBuildCancelled);
  EXPECT_EQ(orders->file.control.state & kStateOpen, 0u);
  SetBuildProgressHandler({});
  // The table was let go: the file opens again for exclusive use.
  Open(orders->file, kExclusive);
  EXPECT_EQ(ErrorCode(), 0) << Error();
}

TEST_F(TnlBuildTest, FullBuildTakesTheCollationNowInForce) {
  auto orders = MakeOrders(20);
  Open(orders->file, kExclusive);
  Send(orders->file, "FULLBUILD=on");
  ASSERT_EQ(Send(orders->file, "FULLBUILD"), "ON");
  const CharTables before = GetCharTables();
  CharTables reversed = before;
  for (std::size_t c = 0; c < kCharCount; ++c) {
    reversed.weight[c] = static_cast<std::uint8_t>(kCharCount - 1 - c);
  }
  SetCharTables(reversed);
  Build(orders->file);
  SetCharTables(before);
  EXPECT_EQ(ErrorCode(), 0) << Error();
  // Keys built after the build follow the new tables too.
  EXPECT_EQ(orders->AddOrder({21, "Adams", "Zug"}), 0);
  Close(orders->file);

  EXPECT_TRUE(Problems(path_).empty());
  CommitChange(path_, [&](TnlFile&, BTree& tree) {
    const auto stored = TableCharTables(tree, *FindTable(tree, "UNNAMED"));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->tables, reversed);
  });
}

TEST_F(TnlBuildTest, DynamicKeyOverTheRecordsAFilterAccepts) {
  auto orders = MakeOrders(
      10, [](OrdersFile& o) { o.name_key->flags |= kKeyRuntimeBuilt; });
  DropEntries({kNameKey});
  PushScope(true);
  BindReader("ORD:ID", [&] { return ExprValue::Integer(orders->Get().id); });
  Share(orders->file);
  orders->Set({77, "Buffer", "Kept"});

  BuildDynamic(*orders->name_key, "ORD:ID > 6");
  EXPECT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(orders->Get(), (Order{77, "Buffer", "Kept"}));
  EXPECT_EQ(EntryCounts()[kNameKey], 4u);
  // The key's entries are marked as not covering the table, so the file
  // stays sound, also once records change behind the key.
  EXPECT_TRUE(Problems(path_).empty());
  EXPECT_EQ(orders->AddOrder({11, "Late", "C11"}), 0);
  EXPECT_TRUE(Problems(path_).empty());

  const std::uint64_t entries = EntryCounts()[kNameKey];
  BuildDynamic(*orders->name_key, "ORD:ID >");
  EXPECT_EQ(ErrorCode(), kErrInvalidExpression);
  EXPECT_EQ(EntryCounts()[kNameKey], entries);

  BuildDynamic(*orders->name_key);
  EXPECT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(EntryCounts()[kNameKey], 11u);
  Close(orders->file);
  PopScope();
}

}  // namespace
}  // namespace vantrel
