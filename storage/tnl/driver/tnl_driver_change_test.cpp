// PUT, DELETE and DUPLICATE through the driver interface.
#include <random>

#include "os/posix/fault_injection.h"
#include "runtime/data/driver/driver_call.h"
#include "runtime/data/text/locale.h"
#include "storage/tnl/driver/tnl_driver_test_support.h"
#include "storage/tnl/table/memo_store.h"

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

// A table that keeps its strings in the OEM code page compares the buffer's
// strings converted once, as they are stored.
TEST_F(TnlDriverTest, DuplicateOnAnOemTableComparesStoredStrings) {
  const EnvironmentOptions kept = GetEnvironmentOptions();
  EnvironmentOptions oem = kept;
  oem.charset = DataCharset::kOem;
  SetEnvironmentOptions(oem);
  auto orders = CreateOpen(Path("oem"));
  SetEnvironmentOptions(kept);
  const std::string cafe = "Caf\xE9";
  const std::string sete = "S\xE8te";
  ASSERT_EQ(orders->AddOrder({1, cafe, sete}), 0) << Error();
  ASSERT_EQ(orders->AddOrder({2, "Tea", ""}), 0) << Error();
  struct Case {
    KeyDeclaration* key;  // none: any key
    Order buffer;
    bool duplicate;
  };
  const Case cases[] = {
      {orders->city_key, {3, "", sete}, true},
      {orders->city_key, {3, "", "Sete"}, false},
      {nullptr, {3, cafe, sete}, true},
      {nullptr, {3, cafe, ""}, false},  // the name key is a DUP key
  };
  for (const Case& c : cases) {
    orders->Set(c.buffer);
    EXPECT_EQ(c.key ? Duplicate(*c.key) : Duplicate(orders->file), c.duplicate)
        << c.buffer.city;
  }
  DriverArgs args;
  args.key = orders->name_key;
  orders->Set({0, cafe, ""});
  EXPECT_EQ(CallDriver(orders->file, DriverOp::kQUERY_KEY, args).value, 1);
  orders->Set({0, "Cafe", ""});
  EXPECT_EQ(CallDriver(orders->file, DriverOp::kQUERY_KEY, args).value, 0);
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

TEST_F(TnlChangeTest, WatchedRecordWhoseMemosChangedElsewhereIsRefused) {
  OrdersFile other(Path("orders"), true, true);
  Share(other.file);
  struct Case {
    const char* what;
    bool blob;
  };
  for (const Case c : {Case{"memo", false}, Case{"blob", true}}) {
    Watch(orders_->file);
    Get(orders_->file, first_);
    Get(other.file, first_);
    if (c.blob) {
      *TableBlob(other.file, 1) = {1, 2, 3};
    } else {
      other.SetNotes(std::string("changed by the other station ") + c.what);
    }
    Put(other.file);  // only a memo or the BLOB changes
    ASSERT_EQ(ErrorCode(), 0) << Error();
    orders_->SetNotes("mine");
    Put(orders_->file);
    EXPECT_EQ(ErrorCode(), kErrRecordChanged) << c.what;
    // The refused PUT left the other station's change in place.
    Get(orders_->file, first_);
    EXPECT_EQ(orders_->Notes(), other.Notes()) << c.what;
    EXPECT_EQ(*TableBlob(orders_->file, 1), *TableBlob(other.file, 1));
  }
}

// Pages a PUT writes, counted through the write seam (each dirty page is
// one write, more when the commit goes through the shadow area).
class PageWriteCount {
 public:
  PageWriteCount() { FaultInjection::Arm(FaultPlan{}); }
  ~PageWriteCount() { FaultInjection::Disarm(); }
  std::int64_t Writes() const { return FaultInjection::Writes(); }
};

std::int64_t WritesOfPut(FileDeclaration& file) {
  PageWriteCount count;
  Put(file);
  EXPECT_EQ(ErrorCode(), 0) << Error();
  return count.Writes();
}

TEST_F(TnlChangeTest, MemoOnlyChangeRewritesOnlyTheChangedChunks) {
  // A BLOB of incompressible bytes spread over several pages.
  std::vector<std::uint8_t> picture(200 * kMemoChunkBytes);
  std::mt19937 random(7);
  for (std::uint8_t& byte : picture) byte = static_cast<std::uint8_t>(random());
  Get(orders_->file, first_);
  *TableBlob(orders_->file, 1) = picture;
  orders_->SetNotes(std::string(600, 'n'));
  Put(orders_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();

  // One byte of the notes' second chunk: one chunk, one page.
  Get(orders_->file, first_);
  orders_->SetNotes(std::string(300, 'n') + "X" + std::string(299, 'n'));
  const std::int64_t one_notes_chunk = WritesOfPut(orders_->file);
  // One byte in the middle of the BLOB: no more than that.
  Get(orders_->file, first_);
  (*TableBlob(orders_->file, 1))[100 * kMemoChunkBytes] ^= 0xFF;
  const std::int64_t one_blob_chunk = WritesOfPut(orders_->file);
  EXPECT_LE(one_blob_chunk, one_notes_chunk);
  // Nothing changed: nothing written.
  Get(orders_->file, first_);
  EXPECT_EQ(WritesOfPut(orders_->file), 0);
  // Every BLOB chunk changed: every page of it is written.
  Get(orders_->file, first_);
  for (std::uint8_t& byte : *TableBlob(orders_->file, 1)) byte ^= 0xFF;
  EXPECT_GT(WritesOfPut(orders_->file), one_blob_chunk + 2);

  // The data record and keys were left alone throughout.
  EXPECT_EQ(Find(*orders_->id_key, {1, "", ""}), 1);
  EXPECT_EQ(Records(*orders_->id_key), 2);
  Close(orders_->file);
  EXPECT_TRUE(Problems(Path("orders.TNL")).empty());
}

}  // namespace
}  // namespace vantrel
