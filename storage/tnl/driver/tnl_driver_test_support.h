// A small orders table declared as the program would, for the driver's
// tests: ID (LONG, unique key), NAME (STRING 12, DUP NOCASE key), CITY
// (STRING 8, OPT key).
#ifndef VANTREL_STORAGE_TNL_DRIVER_TNL_DRIVER_TEST_SUPPORT_H_
#define VANTREL_STORAGE_TNL_DRIVER_TNL_DRIVER_TEST_SUPPORT_H_

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/descriptor_builder.h"
#include "storage/tnl/driver/tnl_driver.h"
#include "storage/tnl/format/header.h"
#include "storage/tnl/table/file_check.h"
#include "storage/tnl/table/table_catalog.h"

namespace vantrel {

inline constexpr std::size_t kOrderIdOffset = 0;
inline constexpr std::size_t kOrderNameOffset = 4;
inline constexpr std::size_t kOrderNameSize = 12;
inline constexpr std::size_t kOrderCityOffset = 16;
inline constexpr std::size_t kOrderCitySize = 8;
inline constexpr std::size_t kOrderLength = 24;

struct Order {
  std::int32_t id = 0;
  std::string name;
  std::string city;
  bool operator==(const Order&) const = default;
};

inline constexpr std::size_t kOrderNotesSize = 700;

// One FILE on the driver with its own record buffer; optionally a MEMO
// (NOTES, 700 bytes) and a BLOB (PICTURE).
class OrdersFile {
 public:
  explicit OrdersFile(const std::string& name, bool with_record = true,
                      bool with_memos = false) {
    file.label = "ORD";
    file.driver_name = "TARNEL";
    file.name = name;
    if (!with_record) return;
    file.descriptor = DescriptorBuilder()
                          .Group("ORD:RECORD")
                          .Long("ORD:ID")
                          .String("ORD:NAME", kOrderNameSize)
                          .String("ORD:CITY", kOrderCitySize)
                          .End()
                          .Descriptor();
    buffer_.assign(kOrderLength, ' ');
    file.record = buffer_;
    id_key = &AddKey("ORD:IDKEY", 0, {2});
    name_key = &AddKey("ORD:NAMEKEY", kKeyDup | kKeyNoCase, {3});
    city_key = &AddKey("ORD:CITYKEY", kKeyOpt, {4});
    if (!with_memos) return;
    notes_.assign(kOrderNotesSize, ' ');
    MemoDeclaration notes;
    notes.label = "ORD:NOTES";
    notes.size = kOrderNotesSize;
    notes.buffer = notes_;
    file.memos.push_back(notes);
    MemoDeclaration picture;
    picture.label = "ORD:PICTURE";
    picture.flags = kMemoBlob;
    file.memos.push_back(picture);
  }
  ~OrdersFile() {
    if (file.control.state & kStateOpen) Close(file);
  }

  KeyDeclaration& AddKey(std::string label, std::uint16_t flags,
                         std::vector<std::int16_t> components) {
    KeyDeclaration key;
    key.label = std::move(label);
    key.flags = flags;
    key.components = std::move(components);
    return file.AddKey(std::move(key));
  }

  void Set(const Order& order) {
    std::memcpy(file.record.data() + kOrderIdOffset, &order.id, 4);
    Put(order.name, kOrderNameOffset, kOrderNameSize);
    Put(order.city, kOrderCityOffset, kOrderCitySize);
  }
  std::string Notes() const { return {notes_.begin(), notes_.end()}; }
  void SetNotes(const std::string& text) {
    std::fill(notes_.begin(), notes_.end(), ' ');
    std::copy_n(text.begin(), std::min(text.size(), notes_.size()),
                notes_.begin());
  }

  Order Get() const {
    Order order;
    std::memcpy(&order.id, file.record.data() + kOrderIdOffset, 4);
    order.name = Text(kOrderNameOffset, kOrderNameSize);
    order.city = Text(kOrderCityOffset, kOrderCitySize);
    return order;
  }
  // Adds `order`; returns ERRORCODE.
  int AddOrder(const Order& order) {
    Set(order);
    Add(file);
    return ErrorCode();
  }

  FileDeclaration file;
  KeyDeclaration* id_key = nullptr;
  KeyDeclaration* name_key = nullptr;
  KeyDeclaration* city_key = nullptr;

 private:
  void Put(const std::string& text, std::size_t offset, std::size_t size) {
    std::memset(file.record.data() + offset, ' ', size);
    std::memcpy(file.record.data() + offset, text.data(),
                std::min(size, text.size()));
  }
  std::string Text(std::size_t offset, std::size_t size) const {
    std::string text(file.record.data() + offset, size);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }

  std::vector<char> buffer_;
  std::vector<char> notes_;
};

// A read-only look at the tree of a file that no FILE has open, inside one
// operation that lasts as long as this object.
class StoredFile {
 public:
  explicit StoredFile(const std::string& path) {
    EXPECT_TRUE(file.Open(path, kOpenReadShared));
    EXPECT_EQ(file.LoadHeader(LockWait::kWait), kLoadOk);
  }
  ~StoredFile() { file.EndOperation(); }
  // The number of table `name`, 0 when there is none.
  std::uint32_t Table(std::string_view name = "UNNAMED") {
    return FindTable(tree, name).value_or(0);
  }
  std::uint32_t Count(std::uint32_t table, std::uint8_t counted) {
    return ReadCountersOf(tree, table, counted).value_or(Counters{}).count;
  }

  TnlFile file;
  BTree tree{file};
};

// Replaces the root page's body on disk by `body` (returning the old one)
// and raises the change counter, so that the next user reloads it.
inline std::vector<char> ReplaceRootPage(const std::string& path,
                                         std::vector<char> body) {
  constexpr off_t kPageBody = 4;  // after the page's home address
  const int fd = ::open(path.c_str(), O_RDWR);
  std::uint32_t root = 0;
  std::uint32_t counter = 0;
  EXPECT_EQ(::pread(fd, &root, 4, 0x1C), 4);
  EXPECT_EQ(::pread(fd, &counter, 4, 0x18), 4);
  counter += 2;
  EXPECT_EQ(::pwrite(fd, &counter, 4, 0x18), 4);
  const off_t at = static_cast<off_t>(kHeaderSize) + root * 256 + kPageBody;
  std::vector<char> old(body.size());
  EXPECT_EQ(::pread(fd, old.data(), old.size(), at),
            static_cast<ssize_t>(old.size()));
  EXPECT_EQ(::pwrite(fd, body.data(), body.size(), at),
            static_cast<ssize_t>(body.size()));
  ::close(fd);
  return old;
}

// A fresh directory per test; the driver registered.
class TnlDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTarnelDriver();
    char pattern[] = "/tmp/vantrel_tnl_driver_XXXXXX";
    dir_ = mkdtemp(pattern);
    ClearError();
  }
  void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  // Creates the table `name` (a FILE name, "\!" allowed) and opens it.
  std::unique_ptr<OrdersFile> CreateOpen(const std::string& name,
                                         bool with_memos = false) {
    auto orders = std::make_unique<OrdersFile>(name, true, with_memos);
    Create(orders->file);
    EXPECT_EQ(ErrorCode(), 0) << Error();
    Share(orders->file);
    EXPECT_EQ(ErrorCode(), 0) << Error();
    return orders;
  }

  // The integrity check's findings on a file no table has open.
  static std::vector<std::string> Problems(const std::string& path) {
    TnlFile file;
    if (!file.Open(path, kOpenReadShared)) return {"cannot open " + path};
    return CheckFileIntegrity(file);
  }

  std::string dir_;
};

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_DRIVER_TNL_DRIVER_TEST_SUPPORT_H_
