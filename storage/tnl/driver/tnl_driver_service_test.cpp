// The driver's service operations: BLOB_TAKE and BLOB_YIELD, CLEAR,
// QUERY_KEY, SET_PROPERTY and GET_PROPERTY, ENDVIEW, and the names its
// errors carry.
#include "runtime/data/driver/driver_call.h"
#include "runtime/data/driver/string_stack.h"
#include "storage/tnl/driver/tnl_driver_test_support.h"
#include "storage/tnl/table/memo_store.h"

namespace vantrel {
namespace {

constexpr std::int64_t kNotesNumber = 1;    // the MEMO
constexpr std::int64_t kPictureNumber = 2;  // the BLOB

class TnlServiceTest : public TnlDriverTest {
 protected:
  void SetUp() override {
    TnlDriverTest::SetUp();
    orders_ = CreateOpen(Path("orders"), /*with_memos=*/true);
  }

  // One BLOB operation on `number` with `block`; returns its code.
  int Blob(DriverOp op, std::int64_t number, std::vector<std::uint8_t>* block) {
    DriverArgs args;
    args.pointer = number;
    args.block = block;
    return CallDriver(orders_->file, op, args).code;
  }
  // The picture as the driver now has it, read through BLOB_YIELD and given
  // back through BLOB_TAKE.
  std::vector<std::uint8_t> Picture() {
    std::vector<std::uint8_t> block;
    EXPECT_EQ(Blob(DriverOp::kBLOB_YIELD, kPictureNumber, &block), 0);
    std::vector<std::uint8_t> copy = block;
    EXPECT_EQ(Blob(DriverOp::kBLOB_TAKE, kPictureNumber, &block), 0);
    return copy;
  }
  std::uint32_t StoredPictureChunks(std::int64_t record) {
    Close(orders_->file);
    std::size_t count = 0;
    {
      StoredFile stored(Path("orders.TNL"));
      count = LoadMemoChunks(stored.tree, stored.Table(),
                             static_cast<std::uint32_t>(record), 1)
                  .size();
    }
    Share(orders_->file);
    return static_cast<std::uint32_t>(count);
  }

  std::unique_ptr<OrdersFile> orders_;
};

TEST_F(TnlServiceTest, BlobTakeStoresAndYieldHandsTheContentsOver) {
  std::vector<std::uint8_t> block(300, 0xAB);
  ASSERT_EQ(Blob(DriverOp::kBLOB_TAKE, kPictureNumber, &block), 0) << Error();
  EXPECT_TRUE(block.empty());  // the driver has it now
  ASSERT_EQ(orders_->AddOrder({1, "Ann", "Oslo"}), 0) << Error();
  const std::int64_t record = Pointer(orders_->file);
  EXPECT_EQ(StoredPictureChunks(record), 2u);  // 4 + 256, then 44

  Get(orders_->file, record);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  ASSERT_EQ(Blob(DriverOp::kBLOB_YIELD, kPictureNumber, &block), 0);
  EXPECT_EQ(block, std::vector<std::uint8_t>(300, 0xAB));
  // Yielded, the BLOB is the program's: a PUT of other changes must not
  // store the now empty block over it.
  std::vector<std::uint8_t> again{1, 2, 3};
  ASSERT_EQ(Blob(DriverOp::kBLOB_YIELD, kPictureNumber, &again), 0);
  EXPECT_TRUE(again.empty());
  orders_->Set({1, "Anne", "Oslo"});
  Put(orders_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  Get(orders_->file, record);
  EXPECT_EQ(Picture(), std::vector<std::uint8_t>(300, 0xAB));

  // An empty block taken and put removes the stored BLOB.
  std::vector<std::uint8_t> none;
  ASSERT_EQ(Blob(DriverOp::kBLOB_TAKE, kPictureNumber, &none), 0);
  Put(orders_->file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(StoredPictureChunks(record), 0u);
  Close(orders_->file);
  EXPECT_TRUE(Problems(Path("orders.TNL")).empty());
}

TEST_F(TnlServiceTest, BlobOperationsRefuseWhatTheyCannotDo) {
  std::vector<std::uint8_t> block(10, 1);
  struct Case {
    DriverOp op;
    std::int64_t number;
    bool with_block;
    int code;
  };
  const Case cases[] = {
      {DriverOp::kBLOB_TAKE, kNotesNumber, true, kErrInvalidParameterCount},
      {DriverOp::kBLOB_TAKE, 0, true, kErrInvalidParameterCount},
      {DriverOp::kBLOB_TAKE, 3, true, kErrInvalidParameterCount},
      {DriverOp::kBLOB_TAKE, kPictureNumber, false, kErrInvalidParameterCount},
      {DriverOp::kBLOB_YIELD, kNotesNumber, true, kErrInvalidParameterCount},
      {DriverOp::kBLOB_YIELD, -1, true, kErrInvalidParameterCount},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Blob(c.op, c.number, c.with_block ? &block : nullptr), c.code)
        << DriverOpName(static_cast<int>(c.op)) << " " << c.number;
    EXPECT_EQ(ErrorCode(), c.code);
    EXPECT_EQ(block.size(), 10u);  // a refused take keeps the caller's block
  }
  // The table's own block cannot be handed to or from the table.
  std::vector<std::uint8_t>* own = TableBlob(orders_->file, 1);
  own->assign(5, 4);
  for (DriverOp op : {DriverOp::kBLOB_TAKE, DriverOp::kBLOB_YIELD}) {
    EXPECT_EQ(Blob(op, kPictureNumber, own), kErrInvalidParameterCount);
    EXPECT_EQ(*own, std::vector<std::uint8_t>(5, 4));
  }
  // Too long for a record's chunks: refused, and the caller keeps it.
  std::vector<std::uint8_t> huge(kMaxMemoChunks * kMemoChunkBytes + 1, 7);
  EXPECT_EQ(Blob(DriverOp::kBLOB_TAKE, kPictureNumber, &huge), kErrRecordLimit);
  EXPECT_EQ(huge.size(), kMaxMemoChunks * kMemoChunkBytes + 1);
  Close(orders_->file);
  EXPECT_EQ(Blob(DriverOp::kBLOB_TAKE, kPictureNumber, &block),
            kErrFileNotOpen);
}

TEST_F(TnlServiceTest, ClearEmptiesTheBufferMemosAndBlobs) {
  std::vector<std::uint8_t> block(20, 9);
  ASSERT_EQ(Blob(DriverOp::kBLOB_TAKE, kPictureNumber, &block), 0);
  orders_->SetNotes("some notes");
  orders_->Set({42, "Ann", "Oslo"});
  Get(orders_->file, 999);  // fails: CLEAR is a query and leaves the error
  ASSERT_EQ(ErrorCode(), kErrRecordNotFound);
  DriverArgs args;
  EXPECT_EQ(CallDriver(orders_->file, DriverOp::kCLEAR, args).code, 0);
  EXPECT_EQ(ErrorCode(), kErrRecordNotFound);
  EXPECT_EQ(orders_->Get(), (Order{0, "", ""}));
  EXPECT_EQ(orders_->Notes(), std::string(kOrderNotesSize, ' '));
  EXPECT_TRUE(Picture().empty());
}

TEST_F(TnlServiceTest, QueryKeyLooksUpWithoutFetching) {
  ASSERT_EQ(orders_->AddOrder({1, "Ann", "Oslo"}), 0);
  const std::int64_t first = Pointer(orders_->file);
  ASSERT_EQ(orders_->AddOrder({2, "Bob", ""}), 0);
  Get(orders_->file, first);
  struct Case {
    KeyDeclaration* key;
    Order buffer;
    std::int64_t found;
  };
  const Case cases[] = {
      {orders_->id_key, {2, "", ""}, 1},
      {orders_->id_key, {5, "", ""}, 0},
      {orders_->name_key, {0, "BOB", ""}, 1},  // NOCASE, DUP
      {orders_->name_key, {0, "Carl", ""}, 0},
      {orders_->city_key, {0, "", "Oslo"}, 1},
      {orders_->city_key, {0, "", ""}, 0},  // blank OPT: no entry
  };
  for (const Case& c : cases) {
    orders_->Set(c.buffer);
    DriverArgs args;
    args.key = c.key;
    const DriverResult result =
        CallDriver(orders_->file, DriverOp::kQUERY_KEY, args);
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.value, c.found) << c.key->label << " " << c.buffer.id;
    EXPECT_EQ(orders_->Get(), c.buffer);  // the buffer stays
    EXPECT_EQ(Pointer(orders_->file), first);
  }
}

TEST_F(TnlServiceTest, PropertiesAreTheSendSettings) {
  SetProperty(orders_->file, "FLAGS", "5");
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(GetProperty(orders_->file, "flags"), "5");
  EXPECT_EQ(Send(orders_->file, "FLAGS"), "5");
  // Reading never sets: the value after "=" is dropped.
  EXPECT_EQ(GetProperty(orders_->file, "FLAGS=9"), "5");
  EXPECT_EQ(Send(orders_->file, "FLAGS"), "5");
  SetProperty(orders_->file, "FullBuild", "on");
  EXPECT_EQ(GetProperty(orders_->file, "FULLBUILD"), "ON");
  SetProperty(orders_->file, "FULLBUILD", "no");
  EXPECT_EQ(GetProperty(orders_->file, "FULLBUILD"), "OFF");
  EXPECT_EQ(GetProperty(orders_->file, "PNM="), "UNNAMED");
  EXPECT_EQ(GetProperty(orders_->file, "PNM=UNNAMED"), "");

  SetProperty(orders_->file, "FLAGS", "five");
  EXPECT_EQ(ErrorCode(), kErrInvalidParameterCount);
  SetProperty(orders_->file, "COLOUR", "red");
  EXPECT_EQ(ErrorCode(), kErrUnsupportedFunction);
  SetProperty(orders_->file, "PNM=", "X");  // a listing, not a setting
  EXPECT_EQ(ErrorCode(), kErrUnsupportedFunction);
  EXPECT_EQ(Send(orders_->file, "FLAGS"), "5");
  EXPECT_EQ(GetStringStack().Depth(), 0u);
}

TEST_F(TnlServiceTest, EndViewIsAcceptedOnAnOpenTable) {
  DriverArgs args;
  EXPECT_EQ(CallDriver(orders_->file, DriverOp::kENDVIEW, args).code, 0);
  Close(orders_->file);
  EXPECT_EQ(CallDriver(orders_->file, DriverOp::kENDVIEW, args).code,
            kErrFileNotOpen);
}

TEST_F(TnlServiceTest, ErrorsNameTheFileByPathAndTable) {
  ASSERT_EQ(orders_->AddOrder({1, "Ann", "Oslo"}), 0);
  EXPECT_EQ(orders_->AddOrder({1, "Dup", ""}), kErrDuplicateKey);
  EXPECT_EQ(ErrorFile(), Path("orders.TNL"));

  OrdersFile missing(Path("orders") + "\\!ledger");
  Open(missing.file);
  EXPECT_EQ(ErrorCode(), kErrFileNotFound);
  EXPECT_EQ(ErrorFile(), Path("orders.TNL") + "\\!LEDGER");

  auto named = CreateOpen(Path("orders") + "\\!names");
  ASSERT_EQ(named->AddOrder({1, "Ann", ""}), 0);
  EXPECT_EQ(named->AddOrder({1, "Ann", ""}), kErrDuplicateKey);
  EXPECT_EQ(ErrorFile(), Path("orders.TNL") + "\\!NAMES");
}

}  // namespace
}  // namespace vantrel
