// PUT, DELETE and DUPLICATE through the driver interface.
#include "storage/tnl/memo_store.h"
#include "storage/tnl/tnl_driver_test_support.h"

namespace vantrel {
namespace {

class TnlChangeTest : public TnlDriverTest {
 protected:
  void SetUp() override {
    TnlDriverTest::SetUp();
    orders_ = CreateOpen(Path("orders"), /*with_memos=*/true);
    ASSERT_EQ(orders_->AddOrder({1, "Ann", "Oslo"}), 0);
    first_ = Pointer(orders_->file);
    ASSERT_EQ(orders_->AddOrder({2, "Bob", "Rome"}), 0);
  }
  // The id found through `key` for a buffer of `order`, 0 when none.
  std::int32_t Find(KeyDeclaration& key, const Order& order) {
    orders_->Set(order);
    Get(orders_->file, key);
    return ErrorCode() == 0 ? orders_->Get().id : 0;
  }

  std::unique_ptr<OrdersFile> orders_;
  std::int64_t first_ = 0;
};

TEST_F(TnlChangeTest, PutMovesTheKeys) {
  Get(orders_->file, first_);
  orders_->Set({7, "Anne", "Oslo"});
  Put(orders_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Find(*orders_->id_key, {7, "", ""}), 7);
  EXPECT_EQ(Find(*orders_->id_key, {1, "", ""}), 0);
  EXPECT_EQ(Find(*orders_->name_key, {0, "ANNE", ""}), 7);
  EXPECT_EQ(Find(*orders_->name_key, {0, "Ann", ""}), 0);
  EXPECT_EQ(Records(*orders_->id_key), 2);
  Close(orders_->file);
  EXPECT_TRUE(Problems(Path("orders.TNL")).empty());
}

TEST_F(TnlChangeTest, CollisionOnTheThirdKeyLeavesTheFirstTwo) {
  Get(orders_->file, first_);
  orders_->Set({9, "Zed", "Rome"});  // Rome is order 2's city
  Put(orders_->file);
  EXPECT_EQ(ErrorCode(), kErrDuplicateKey);
  EXPECT_EQ(Find(*orders_->id_key, {1, "", ""}), 1);
  EXPECT_EQ(Find(*orders_->id_key, {9, "", ""}), 0);
  EXPECT_EQ(Find(*orders_->name_key, {0, "Ann", ""}), 1);
  EXPECT_EQ(Find(*orders_->name_key, {0, "Zed", ""}), 0);
  Close(orders_->file);
  EXPECT_TRUE(Problems(Path("orders.TNL")).empty());
}

TEST_F(TnlChangeTest, DeleteTakesRecordEntriesAndMemos) {
  Get(orders_->file, first_);
  Delete(orders_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Records(orders_->file), 1);
  EXPECT_EQ(Find(*orders_->name_key, {0, "Ann", ""}), 0);
  Get(orders_->file, first_);
  EXPECT_EQ(ErrorCode(), kErrRecordNotFound);
  Delete(orders_->file);  // no current record
  EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);
  Close(orders_->file);
  EXPECT_TRUE(Problems(Path("orders.TNL")).empty());
}

TEST_F(TnlChangeTest, DuplicateLooksUpOtherRecords) {
  Get(orders_->file, first_);
  EXPECT_FALSE(Duplicate(orders_->file));  // its own entries do not count
  orders_->Set({2, "Ann", "Oslo"});
  EXPECT_TRUE(Duplicate(orders_->file));
  EXPECT_TRUE(Duplicate(*orders_->id_key));
  EXPECT_FALSE(Duplicate(*orders_->city_key));
  orders_->Set({3, "Bob", ""});  // DUP and blank OPT never collide
  EXPECT_FALSE(Duplicate(orders_->file));
}

TEST_F(TnlChangeTest, WatchedRecordChangedElsewhereIsRefused) {
  OrdersFile other(Path("orders"), true, true);
  Share(other.file);
  Watch(orders_->file);
  Get(orders_->file, first_);
  Get(other.file, first_);
  other.Set({1, "Ann", "Bergen"});
  Put(other.file);
  ASSERT_EQ(ErrorCode(), 0);
  orders_->Set({1, "Ann", "Lund"});
  Put(orders_->file);
  EXPECT_EQ(ErrorCode(), kErrRecordChanged);
  // Held elsewhere: the change is refused at once.
  Hold(other.file);
  Get(other.file, first_);
  Get(orders_->file, first_);
  Put(orders_->file);
  EXPECT_EQ(ErrorCode(), kErrAccessDenied);
  Release(other.file);
  Put(orders_->file);
  EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(TnlChangeTest, MemoChangeKeepsTheRecordAndDropsSurplusChunks) {
  const std::string text(600, 'm');
  Get(orders_->file, first_);
  orders_->SetNotes(text);
  Put(orders_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  Get(orders_->file, first_);
  orders_->SetNotes(text.substr(0, 300) + "X" + text.substr(301, 100));
  Put(orders_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  Close(orders_->file);

  StoredFile stored(Path("orders.TNL"));
  const auto chunks = LoadMemoChunks(stored.tree, stored.Table(),
                                     static_cast<std::uint32_t>(first_), 0);
  ASSERT_EQ(chunks.size(), 2u);  // 401 bytes: the third chunk went
  EXPECT_EQ(chunks[1][300 - 256], 'X');
  EXPECT_EQ(chunks[1].size(), 401u - 256u);
}

}  // namespace
}  // namespace vantrel
