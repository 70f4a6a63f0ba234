// Fetches, holds, locks, SEND, EMPTY and memos through the driver interface.
#include <cinttypes>

#include "storage/tnl/driver/tnl_driver_test_support.h"
#include "storage/tnl/table/memo_store.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {
namespace {

std::string BigEndian(std::uint32_t n) {
  return {static_cast<char>(n >> 24), static_cast<char>(n >> 16),
          static_cast<char>(n >> 8), static_cast<char>(n)};
}

class TnlFetchTest : public TnlDriverTest {
 protected:
  // Orders 1 Smith/Oslo, 2 Jones/(none), 3 smith/Rome; their record numbers.
  void SetUp() override {
    TnlDriverTest::SetUp();
    orders_ = CreateOpen(Path("orders"));
    for (const Order& o : {Order{1, "Smith", "Oslo"}, Order{2, "Jones", ""},
                           Order{3, "smith", "Rome"}}) {
      ASSERT_EQ(orders_->AddOrder(o), 0) << Error();
      numbers_.push_back(static_cast<std::uint32_t>(Pointer(orders_->file)));
    }
  }

  std::unique_ptr<OrdersFile> orders_;
  std::vector<std::uint32_t> numbers_;
};

TEST_F(TnlFetchTest, GetByKeyValue) {
  struct Case {
    const char* what;
    Order buffer;
    KeyDeclaration* OrdersFile::*key;
    int code;
    std::int32_t id;  // of the order found
  };
  const Case cases[] = {
      {"unique", {2, "", ""}, &OrdersFile::id_key, 0, 2},
      {"DUP takes the first of a value",
       {0, "Smith", ""},
       &OrdersFile::name_key,
       0,
       1},
      {"NOCASE", {0, "SMITH", ""}, &OrdersFile::name_key, 0, 1},
      {"OPT", {0, "", "Rome"}, &OrdersFile::city_key, 0, 3},
      {"blank OPT value",
       {0, "", ""},
       &OrdersFile::city_key,
       kErrRecordNotFound,
       0},
      {"missing", {9, "", ""}, &OrdersFile::id_key, kErrRecordNotFound, 0},
      {"missing DUP value",
       {0, "Smit", ""},
       &OrdersFile::name_key,
       kErrRecordNotFound,
       0},
  };
  for (const Case& c : cases) {
    orders_->Set(c.buffer);
    Get(orders_->file, *(orders_.get()->*c.key));
    EXPECT_EQ(ErrorCode(), c.code) << c.what;
    if (c.code == 0) {
      EXPECT_EQ(orders_->Get().id, c.id) << c.what;
    }
  }
}

TEST_F(TnlFetchTest, RegetByPositionBytes) {
  Reget(orders_->file, BigEndian(numbers_[1]));
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(orders_->Get(), (Order{2, "Jones", ""}));
  Reget(*orders_->name_key, BigEndian(numbers_[2]) + "anything");
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(orders_->Get().id, 3);
  Reget(orders_->file, "ab");
  EXPECT_EQ(ErrorCode(), kErrRecordNotFound);
}

TEST_F(TnlFetchTest, HoldsAndLocksKeepOtherTablesOut) {
  OrdersFile other(Path("orders"));
  Share(other.file);
  ASSERT_EQ(ErrorCode(), 0);

  Hold(orders_->file);
  Get(orders_->file, numbers_[0]);
  ASSERT_EQ(ErrorCode(), 0);
  other.Set({42, "untouched", ""});
  Hold(other.file, 0);
  Get(other.file, numbers_[0]);
  EXPECT_EQ(ErrorCode(), kErrRecordHeld);
  EXPECT_EQ(other.Get().id, 42);  // the buffer is left as it was
  Hold(other.file, 0);
  Get(other.file, numbers_[1]);  // another record is free
  EXPECT_EQ(ErrorCode(), 0);
  // A fetch without hold ends the hold, as RELEASE does.
  Get(orders_->file, numbers_[2]);
  Hold(other.file, 0);
  Get(other.file, numbers_[0]);
  EXPECT_EQ(ErrorCode(), 0);
  Hold(orders_->file, 0);
  Get(orders_->file, numbers_[0]);
  EXPECT_EQ(ErrorCode(), kErrRecordHeld);
  Release(other.file);
  Hold(orders_->file, 0);
  Get(orders_->file, numbers_[0]);
  EXPECT_EQ(ErrorCode(), 0);

  Lock(orders_->file);
  ASSERT_EQ(ErrorCode(), 0);
  Lock(other.file);
  EXPECT_EQ(ErrorCode(), kErrFileLocked);
  Unlock(orders_->file);
  Lock(other.file, 1);
  EXPECT_EQ(ErrorCode(), 0);
  Close(other.file);  // closing gives the lock back
  Lock(orders_->file);
  EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(TnlFetchTest, SendTexts) {
  const std::string entry =
      std::to_string(reinterpret_cast<std::uintptr_t>(&TarnelDriverEntry()));
  EXPECT_EQ(Send(orders_->file, "register"), entry);
  EXPECT_EQ(Send(orders_->file, "TCF"), dir_ + "/tarnel.tcf");
  EXPECT_EQ(Send(orders_->file, "TCF=/var/t.tcf"), "/var/t.tcf");
  EXPECT_EQ(ControlFileNameSetting(), "/var/t.tcf");
  EXPECT_EQ(Send(orders_->file, "TCF="), dir_ + "/tarnel.tcf");
  EXPECT_EQ(Send(orders_->file, "tcf"), "");  // only "TCF" in upper case
  EXPECT_EQ(Send(orders_->file, "FullBuild"), "OFF");
  EXPECT_EQ(Send(orders_->file, "FULLBUILD=on"), "ON");
  EXPECT_EQ(Send(orders_->file, "FULLBUILD=yes"), "OFF");
  EXPECT_EQ(Send(orders_->file, "FLAGS=12"), "12");
  EXPECT_EQ(Send(orders_->file, "flags"), "12");

  auto b = CreateOpen(Path("orders.TNL") + "\\!B");
  auto a = CreateOpen(Path("orders.TNL") + "\\!A");
  std::vector<std::string> names;
  for (std::string name = Send(a->file, "PNM=");
       !name.empty() && names.size() < 5; name = Send(a->file, "PNM=" + name)) {
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "UNNAMED"}));
  EXPECT_EQ(ErrorCode(), 0);

  Close(orders_->file);
  OrdersFile again(Path("orders"));
  Open(again.file);
  EXPECT_EQ(Send(again.file, "FLAGS"), "12");
}

TEST_F(TnlFetchTest, EmptyLeavesAnEmptyTableWithItsSettings) {
  Send(orders_->file, "FLAGS=3");
  Close(orders_->file);
  OrdersFile mine(Path("orders"));
  Open(mine.file, kOpenReadWrite | kOpenDenyAll);
  Empty(mine.file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Records(mine.file), 0);
  EXPECT_EQ(Records(*mine.id_key), 0);
  Get(mine.file, numbers_[0]);
  EXPECT_EQ(ErrorCode(), kErrRecordNotFound);
  EXPECT_EQ(Send(mine.file, "FLAGS"), "3");
  ASSERT_EQ(mine.AddOrder({1, "Smith", "Oslo"}), 0);  // keys are empty too
  Close(mine.file);
  EXPECT_TRUE(Problems(Path("orders.TNL")).empty());
}

class TnlMemoTest : public TnlDriverTest {};

TEST_F(TnlMemoTest, MemosAndBlobsTravelWithTheirRecord) {
  auto orders = CreateOpen(Path("notes"), /*with_memos=*/true);
  const std::string text = std::string(600, 'n');
  orders->SetNotes(text + std::string(100, ' '));
  std::vector<std::uint8_t>* picture = TableBlob(orders->file, 1);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(TableBlob(orders->file, 0), nullptr);  // a MEMO, not a BLOB
  picture->assign(300, 0xAB);
  ASSERT_EQ(orders->AddOrder({1, "Memo", ""}), 0) << Error();
  const auto number = static_cast<std::uint32_t>(Pointer(orders->file));
  ASSERT_EQ(orders->AddOrder({2, "Plain", ""}), 0);  // memos from the buffers
  orders->SetNotes("");
  picture->clear();
  ASSERT_EQ(orders->AddOrder({3, "Empty", ""}), 0);

  Get(orders->file, number);
  ASSERT_EQ(ErrorCode(), 0);
  EXPECT_EQ(orders->Notes(), text + std::string(100, ' '));
  EXPECT_EQ(*TableBlob(orders->file, 1), std::vector<std::uint8_t>(300, 0xAB));
  // NOMEMO leaves the buffers as they were.
  orders->SetNotes("kept");
  NoMemo(orders->file);
  Get(orders->file, number);
  EXPECT_EQ(orders->Notes().substr(0, 5), "kept ");
  Close(orders->file);
  EXPECT_TRUE(Problems(Path("notes.TNL")).empty());

  StoredFile stored(Path("notes.TNL"));
  const std::uint32_t table = stored.Table();
  std::vector<std::size_t> sizes;
  for (const ByteString& chunk :
       LoadMemoChunks(stored.tree, table, number, 0)) {
    sizes.push_back(chunk.size());
  }
  EXPECT_EQ(sizes, (std::vector<std::size_t>{256, 256, 88}));
  EXPECT_EQ(LoadMemoChunks(stored.tree, table, number + 2, 0).size(), 0u);
  EXPECT_EQ(LoadMemoChunks(stored.tree, table, number + 2, 1).size(), 0u);
}

}  // namespace
}  // namespace vantrel
