// REMOVE, RENAME and COPY of whole files and of single tables.
#include <sys/stat.h>

#include "storage/tnl/driver/tnl_driver_test_support.h"

namespace vantrel {
namespace {

class TnlFilesTest : public TnlDriverTest {
 protected:
  bool Exists(const std::string& name) {
    struct stat info {};
    return ::stat(Path(name).c_str(), &info) == 0;
  }
  std::vector<std::string> Tables(const std::string& name) {
    StoredFile stored(Path(name));
    std::vector<std::string> names;
    for (const TableEntry& t : ListTables(stored.tree)) names.push_back(t.name);
    return names;
  }
  // The ids of the orders named `name`, through the DUP key.
  std::vector<std::int32_t> IdsNamed(const std::string& file,
                                     const std::string& name) {
    OrdersFile orders(Path(file));
    Open(orders.file);
    EXPECT_EQ(ErrorCode(), 0) << file << ": " << Error();
    std::vector<std::int32_t> ids;
    for (std::int32_t id = 1; id <= 3; ++id) {
      orders.Set({id, "", ""});
      Get(orders.file, *orders.id_key);
      if (ErrorCode() == 0 && orders.Get().name == name) ids.push_back(id);
    }
    orders.Set({0, name, ""});
    Get(orders.file, *orders.name_key);
    if (!ids.empty()) {
      EXPECT_EQ(orders.Get().id, ids.front()) << file;
    }
    return ids;
  }
};

TEST_F(TnlFilesTest, WholeFiles) {
  CreateOpen(Path("a")).reset();
  OrdersFile a(Path("a"));
  Copy(a.file, Path("b"));
  ASSERT_EQ(ErrorCode(), 0) << Error();
  OrdersFile b(Path("b.TNL"));
  Rename(b.file, Path("c"));
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_TRUE(Exists("a.TNL"));
  EXPECT_FALSE(Exists("b.TNL"));
  EXPECT_EQ(Tables("c.TNL"), (std::vector<std::string>{"UNNAMED"}));
  OrdersFile c(Path("c"));
  Remove(c.file);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_FALSE(Exists("c.TNL"));
  Remove(c.file);
  EXPECT_EQ(ErrorCode(), kErrFileNotFound);
}

TEST_F(TnlFilesTest, SingleTables) {
  {
    auto a = CreateOpen(Path("f.TNL") + "\\!A");
    for (const Order& o :
         {Order{1, "Dup", "X"}, Order{2, "Other", ""}, Order{3, "Dup", "Y"}}) {
      ASSERT_EQ(a->AddOrder(o), 0);
    }
    auto b = CreateOpen(Path("f.TNL") + "\\!B");
    ASSERT_EQ(b->AddOrder({1, "Bee", ""}), 0);
  }
  OrdersFile a(Path("f.TNL") + "\\!A");
  Copy(a.file, Path("g.TNL") + "\\!x");
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Tables("g.TNL"), (std::vector<std::string>{"X"}));
  EXPECT_EQ(IdsNamed("g.TNL\\!X", "Dup"), (std::vector<std::int32_t>{1, 3}));

  Rename(a.file, Path("f.TNL") + "\\!B");  // taken
  EXPECT_EQ(ErrorCode(), kErrAccessDenied);
  Rename(a.file, Path("f.TNL") + "\\!C");
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Tables("f.TNL"), (std::vector<std::string>{"B", "C"}));

  OrdersFile c(Path("f.TNL") + "\\!C");
  Rename(c.file, Path("g.TNL") + "\\!Y");
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(Tables("f.TNL"), (std::vector<std::string>{"B"}));
  EXPECT_EQ(IdsNamed("g.TNL\\!Y", "Dup"), (std::vector<std::int32_t>{1, 3}));

  OrdersFile x(Path("g.TNL") + "\\!X");
  Remove(x.file);
  ASSERT_EQ(ErrorCode(), 0) << Error();
  Remove(x.file);
  EXPECT_EQ(ErrorCode(), kErrFileNotFound);
  EXPECT_EQ(Tables("g.TNL"), (std::vector<std::string>{"Y"}));
  EXPECT_TRUE(Problems(Path("f.TNL")).empty());
  EXPECT_TRUE(Problems(Path("g.TNL")).empty());

  // A copy into the file it comes from takes numbers of its own.
  OrdersFile y(Path("g.TNL") + "\\!Y");
  Copy(y.file, Path("g.TNL") + "\\!Z");
  ASSERT_EQ(ErrorCode(), 0) << Error();
  EXPECT_EQ(IdsNamed("g.TNL\\!Z", "Dup"), (std::vector<std::int32_t>{1, 3}));
  EXPECT_TRUE(Problems(Path("g.TNL")).empty());
  std::vector<std::int64_t> numbers;
  for (const char* table : {"\\!Y", "\\!Z"}) {
    OrdersFile copy(Path("g.TNL") + table);
    Open(copy.file);
    copy.Set({1, "", ""});
    Get(copy.file, *copy.id_key);
    EXPECT_EQ(ErrorCode(), 0);
    numbers.push_back(Pointer(copy.file));
  }
  EXPECT_LT(numbers[0], numbers[1]);
}

}  // namespace
}  // namespace vantrel
