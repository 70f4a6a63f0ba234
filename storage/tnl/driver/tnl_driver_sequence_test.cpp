#include <functional>
#include <vector>

#include "storage/tnl/driver/tnl_driver_test_support.h"

namespace vantrel {
namespace {

using Ids = std::vector<std::int32_t>;

class TnlSequenceTest : public TnlDriverTest {
 protected:
  // Orders in the order they are added; key orders: NAME (NOCASE DUP)
  // adams 1, baker 4, miller 3, MILLER 5, smith 2; CITY (OPT) leaves out 2.
  void SetUp() override {
    TnlDriverTest::SetUp();
    orders_ = CreateOpen(Path("orders"));
    for (const Order& order :
         {Order{3, "miller", "Bern"}, Order{1, "Adams", "Rome"},
          Order{2, "smith", ""}, Order{4, "Baker", "Oslo"},
          Order{5, "MILLER", "Lima"}}) {
      ASSERT_EQ(orders_->AddOrder(order), 0) << Error();
      numbers_.push_back(Pointer(orders_->file));
    }
  }

  // The IDs that NEXT (or PREVIOUS) fetches until the sequence ends with 33.
  Ids Walk(bool forward = true) {
    Ids ids;
    for (;;) {
      forward ? Next(orders_->file) : Previous(orders_->file);
      if (ErrorCode() != 0) break;
      ids.push_back(orders_->Get().id);
    }
    EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable) << Error();
    return ids;
  }
  std::int32_t NextId() {
    Next(orders_->file);
    EXPECT_EQ(ErrorCode(), 0) << Error();
    return orders_->Get().id;
  }

  std::unique_ptr<OrdersFile> orders_;
  std::vector<std::int64_t> numbers_;  // record numbers by order of adding
};

TEST_F(TnlSequenceTest, NextAndPreviousFollowEachWayOfSetting) {
  OrdersFile& o = *orders_;
  struct Case {
    const char* name;
    std::function<void()> set;
    Ids forward;
    Ids backward;
  };
  const Case cases[] = {
      {"file", [&] { Set(o.file); }, {3, 1, 2, 4, 5}, {5, 4, 2, 1, 3}},
      {"NOCASE DUP key",
       [&] { Set(*o.name_key); },
       {1, 4, 3, 5, 2},
       {2, 5, 3, 4, 1}},
      {"OPT key", [&] { Set(*o.city_key); }, {3, 5, 4, 1}, {1, 4, 5, 3}},
      {"file from a key value: then record order",
       [&] {
         o.Set({0, "MILLER", ""});
         Set(o.file, *o.name_key);
       },
       {3, 1, 2, 4, 5},
       {5, 4, 2, 1, 3}},
      {"key from a key value",
       [&] {
         o.Set({0, "Miller", ""});
         Set(*o.name_key, *o.name_key);
       },
       {3, 5, 2},
       {5, 3, 4, 1}},
      {"key from a value and record number",
       [&] {
         o.Set({0, "miller", ""});
         Set(*o.name_key, *o.name_key, numbers_[4]);
       },
       {5, 2},
       {5, 3, 4, 1}},
      {"file from a record number",
       [&] { Set(o.file, numbers_[2]); },
       {2, 4, 5},
       {2, 1, 3}},
      {"key from a record number",
       [&] { Set(*o.id_key, numbers_[2]); },
       {2, 3, 4, 5},
       {2, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.set();
    ASSERT_EQ(ErrorCode(), 0) << Error();
    EXPECT_EQ(Walk(), c.forward);
    c.set();
    EXPECT_EQ(Walk(false), c.backward);
  }
}

TEST_F(TnlSequenceTest, PositionThenResetComesBackToTheSameRecord) {
  OrdersFile& o = *orders_;
  Set(*o.name_key);
  NextId();
  ASSERT_EQ(NextId(), 4);
  const std::string key_position = Position(*o.name_key);
  const std::string file_position = Position(o.file);
  EXPECT_EQ(key_position.substr(0, 4), file_position);
  ASSERT_EQ(NextId(), 3);

  Reset(*o.name_key, key_position);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Walk(), (Ids{4, 3, 5, 2}));
  Reset(o.file, file_position);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Walk(), (Ids{4, 5}));

  Reset(*o.name_key, file_position);  // no key value in it
  EXPECT_EQ(ErrorCode(), kErrRecordNotFound);
}

TEST_F(TnlSequenceTest, SkipEofAndBofMoveAsTheySay) {
  OrdersFile& o = *orders_;
  Set(*o.id_key);
  EXPECT_FALSE(Eof(o.file));
  EXPECT_FALSE(Bof(o.file));
  Skip(o.file, 2);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(NextId(), 3);
  Skip(o.file, -2);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(NextId(), 2);

  // Looking ahead does not move: after 5 nothing is left forward.
  Skip(o.file, 2);
  EXPECT_EQ(NextId(), 5);
  EXPECT_TRUE(Eof(o.file));
  EXPECT_FALSE(Bof(o.file));
  Previous(o.file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(o.Get().id, 4);

  Skip(o.file, 10);
  EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);
}

TEST_F(TnlSequenceTest, AStepOntoARecordHeldElsewhereFailsAndKeepsTheBuffer) {
  OrdersFile& o = *orders_;
  OrdersFile other(Path("orders"));
  Share(other.file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  Hold(other.file);
  Get(other.file, numbers_[0]);  // order 3
  ASSERT_EQ(ErrorCode(), 0) << Error();

  Set(*o.id_key);
  ASSERT_EQ(NextId(), 1);
  ASSERT_EQ(NextId(), 2);
  Hold(o.file, 0);
  Next(o.file);
  EXPECT_EQ(ErrorCode(), kErrRecordHeld);
  EXPECT_EQ(o.Get().id, 2);

  // Without a hold the record is fetched all the same; once released it
  // can be held.
  Set(*o.id_key, numbers_[0]);
  EXPECT_EQ(NextId(), 3);
  Release(other.file);
  Set(*o.id_key, numbers_[0]);
  Hold(o.file, 0);
  EXPECT_EQ(NextId(), 3);
}

}  // namespace
}  // namespace vantrel
