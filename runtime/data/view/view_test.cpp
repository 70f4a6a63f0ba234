#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_call.h"
#include "runtime/data/driver/driver_registry.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/expr/expr_bind.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/data/view/view_declaration.h"
#include "runtime/data/view/view_engine.h"
#include "runtime/data/view/view_order.h"
#include "runtime/data/view/view_statements.h"
#include "runtime/data/view/view_test_driver.h"

namespace vantrel {
namespace {

using testing_driver::MemoryDriverEntry;
using testing_driver::Tables;

// Field numbers of the test files.
constexpr int kCusId = 1, kCusName = 2;
constexpr int kOrdId = 1, kOrdCust = 2, kOrdItem = 3;
constexpr int kLinOrder = 1, kLinText = 2;

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterDriver(MemoryDriverEntry());
    Tables().clear();
    ClearError();
    Declare(
        cus_, "CUS",
        DescriptorBuilder().Long("CUS:ID").String("CUS:NAME", 8).Descriptor());
    key_cus_id_ = &cus_.AddKey({"CUS:KEYID", {}, 0, {kCusId}});
    key_cus_name_ = &cus_.AddKey({"CUS:KEYNAME", {}, kKeyDup, {kCusName}});
    Declare(ord_, "ORD",
            DescriptorBuilder()
                .Long("ORD:ID")
                .Long("ORD:CUSTID")
                .String("ORD:ITEM", 8)
                .Descriptor());
    key_ord_id_ = &ord_.AddKey({"ORD:KEYID", {}, 0, {kOrdId}});
    key_ord_cust_ = &ord_.AddKey({"ORD:KEYCUST", {}, 0, {kOrdCust, kOrdId}});
    Declare(lin_, "LIN",
            DescriptorBuilder()
                .Long("LIN:ORDID")
                .String("LIN:TEXT", 6)
                .Descriptor());
    key_lin_order_ = &lin_.AddKey({"LIN:KEYORD", {}, kKeyDup, {kLinOrder}});
  }

  void Declare(FileDeclaration& file, const std::string& label,
               TypeDescriptor descriptor) {
    file.label = label;
    file.name = label;
    file.driver_name = "MEMKEYS";
    file.descriptor = std::move(descriptor);
    buffers_.push_back(std::make_unique<std::vector<char>>(
        file.descriptor.Field(file.descriptor.FieldCount())->offset +
            file.descriptor.Field(file.descriptor.FieldCount())->size,
        ' '));
    file.record = *buffers_.back();
  }

  static void PutLong(FileDeclaration& file, int field, std::int32_t value) {
    std::memcpy(file.record.data() + file.descriptor.Field(field)->offset,
                &value, sizeof value);
  }
  static void PutText(FileDeclaration& file, int field, std::string text) {
    FieldInfo info = *file.descriptor.Field(field);
    text.resize(info.size, ' ');
    std::memcpy(file.record.data() + info.offset, text.data(), info.size);
  }
  static std::int32_t Long(const FileDeclaration& file, int field) {
    std::int32_t value;
    std::memcpy(&value,
                file.record.data() + file.descriptor.Field(field)->offset,
                sizeof value);
    return value;
  }
  static std::string Text(const FileDeclaration& file, int field) {
    FieldInfo info = *file.descriptor.Field(field);
    std::string text(file.record.data() + info.offset, info.size);
    return text.substr(0, text.find_last_not_of(' ') + 1);
  }

  void AddCustomer(std::int32_t id, const std::string& name) {
    PutLong(cus_, kCusId, id);
    PutText(cus_, kCusName, name);
    Add(cus_);
    ASSERT_EQ(ErrorCode(), 0);
  }
  void AddOrder(std::int32_t id, std::int32_t customer,
                const std::string& item) {
    PutLong(ord_, kOrdId, id);
    PutLong(ord_, kOrdCust, customer);
    PutText(ord_, kOrdItem, item);
    Add(ord_);
    ASSERT_EQ(ErrorCode(), 0);
  }
  void AddLine(std::int32_t order, const std::string& text) {
    PutLong(lin_, kLinOrder, order);
    PutText(lin_, kLinText, text);
    Add(lin_);
    ASSERT_EQ(ErrorCode(), 0);
  }
  void OpenAll(std::uint32_t mode = kDefaultOpenMode) {
    for (FileDeclaration* file : {&cus_, &ord_, &lin_}) {
      Open(*file, mode);
      ASSERT_EQ(ErrorCode(), 0);
    }
  }

  // Opens and SETs the view, then reads it to its end with NEXT, describing
  // each row; the read must end with 33.
  std::vector<std::string> ReadAll(ViewDeclaration& view,
                                   const std::function<std::string()>& row) {
    if (!(view.control.state & kStateOpen)) Open(view);
    EXPECT_EQ(ErrorCode(), 0) << Error();
    SetView(view);
    EXPECT_EQ(ErrorCode(), 0) << Error();
    std::vector<std::string> rows;
    for (Next(view); ErrorCode() == 0; Next(view)) rows.push_back(row());
    EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);
    return rows;
  }
  std::string CustomerRow() {
    return std::to_string(Long(cus_, kCusId)) + ":" + Text(cus_, kCusName);
  }
  std::string OrderRow() {
    return std::to_string(Long(ord_, kOrdId)) + "/" +
           std::to_string(Long(ord_, kOrdCust));
  }
  std::string Property(ViewDeclaration& view, int number, int index = 0) {
    std::string name = std::to_string(number);
    if (index != 0) name += "," + std::to_string(index);
    return GetProperty(view, name);
  }
  int RecordsRead(const FileDeclaration& file) {
    return Tables()[file.name].records_read;
  }

  FileDeclaration cus_, ord_, lin_;
  KeyDeclaration *key_cus_id_, *key_cus_name_, *key_ord_id_, *key_ord_cust_,
      *key_lin_order_;
  std::vector<std::unique_ptr<std::vector<char>>> buffers_;
};

TEST(ViewOrderTest, SplitsAtTopLevelCommasOnly) {
  struct Case {
    const char* order;
    std::vector<std::string> components;  // as read back
  };
  const Case cases[] = {
      {" -CUS:NAME , + CUS:ID", {"-CUS:NAME", "CUS:ID"}},
      {"SUB(CUS:NAME, 1, 2),-CUS:ID", {"SUB(CUS:NAME, 1, 2)", "-CUS:ID"}},
      {"'a,b' & CUS:NAME[1 : 2], X", {"'a,b' & CUS:NAME[1 : 2]", "X"}},
      {"'it''s, here', Y", {"'it''s, here'", "Y"}},
      {",, - ,+,A,", {"A"}},
      {"'open, (", {"'open, ("}},
      {"", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> read;
    for (const OrderComponent& component : SplitOrder(c.order)) {
      read.push_back(OrderComponentText(component));
    }
    EXPECT_EQ(read, c.components) << c.order;
  }
}

TEST_F(ViewTest, OrderUsesAKeyWhenOneSortsAlikeAndSortsOtherwise) {
  OpenAll();
  AddCustomer(4, "Dunn");
  AddCustomer(1, "Cole");
  AddCustomer(3, "Abel");
  AddCustomer(2, "Cole");
  struct Case {
    const char* order;
    const char* key_order;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"CUS:NAME", "1", {"3:Abel", "1:Cole", "2:Cole", "4:Dunn"}},
      {" + CUS:ID ", "1", {"1:Cole", "2:Cole", "3:Abel", "4:Dunn"}},
      {"-CUS:NAME", "0", {"4:Dunn", "1:Cole", "2:Cole", "3:Abel"}},
      {"CUS:NAME,-CUS:ID", "0", {"3:Abel", "2:Cole", "1:Cole", "4:Dunn"}},
      {"UPPER(CUS:NAME[2:2])", "0", {"3:Abel", "1:Cole", "2:Cole", "4:Dunn"}},
      {"", "0", {"4:Dunn", "1:Cole", "3:Abel", "2:Cole"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.order);
    ViewDeclaration view(cus_);
    SetViewOrder(view, c.order);
    EXPECT_EQ(ReadAll(view, [&] { return CustomerRow(); }), c.rows);
    EXPECT_EQ(Property(view, kViewPropKeyOrder), c.key_order);
  }
}

TEST_F(ViewTest, FilterKeepsTheRowsItHoldsFor) {
  OpenAll();
  AddCustomer(1, "Cole");
  AddCustomer(2, "Abel");
  AddCustomer(3, "Dunn");
  std::string wanted = "D";
  Bind("WANTED", &wanted);
  struct Case {
    const char* filter;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"CUS:ID <> 2", {"1:Cole", "3:Dunn"}},
      {"CUS:NAME[1:1] = WANTED OR CUS:ID = 1", {"1:Cole", "3:Dunn"}},
      {"CUS:ID / (CUS:ID - 2) > 0", {"3:Dunn"}},  // 2 divides by zero: out
      {"  ", {"1:Cole", "2:Abel", "3:Dunn"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    ViewDeclaration view(cus_);
    SetViewFilter(view, c.filter);
    SetViewOrder(view, "CUS:ID");
    EXPECT_EQ(ReadAll(view, [&] { return CustomerRow(); }), c.rows);
  }
}

TEST_F(ViewTest, FilterOnTheLeadingKeyComponentReadsOnlyItsRange) {
  OpenAll();
  for (int id = 1; id <= 200; ++id) AddCustomer(id, id % 2 ? "Odd" : "Even");
  // Orders of customer 5 with ids below and above zero: the start of the
  // range must come before all of them.
  for (int id : {7, -3, 0, -2147483647 - 1}) AddOrder(id, 5, "x");
  for (int id : {1, 2}) AddOrder(id, 6, "y");
  AddOrder(3, 4, "z");
  struct Case {
    FileDeclaration* file;
    const char* filter;
    std::vector<std::string> rows;
    bool narrow;
  };
  const Case cases[] = {
      {&cus_,
       "CUS:ID >= 40 AND CUS:ID < 43",
       {"40:Even", "41:Odd", "42:Even"},
       true},
      {&cus_, "199 < CUS:ID", {"200:Even"}, true},
      {&cus_, "CUS:ID = 77 AND CUS:NAME = 'Odd'", {"77:Odd"}, true},
      {&cus_, "CUS:ID + 0 = 77", {"77:Odd"}, false},
      {&cus_, "CUS:ID = 77 OR CUS:ID = 78", {"77:Odd", "78:Even"}, false},
      {&ord_, "ORD:CUSTID = 5", {"-2147483648/5", "-3/5", "0/5", "7/5"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    ViewDeclaration view(*c.file);
    SetViewFilter(view, c.filter);
    SetViewOrder(view, c.file == &cus_ ? "CUS:ID" : "ORD:CUSTID, ORD:ID");
    const int before = RecordsRead(*c.file);
    EXPECT_EQ(
        ReadAll(view,
                [&] { return c.file == &cus_ ? CustomerRow() : OrderRow(); }),
        c.rows);
    const int read = RecordsRead(*c.file) - before;
    if (c.narrow) {
      EXPECT_LE(read, static_cast<int>(c.rows.size()) * 2 + 1);
    } else {
      EXPECT_GE(read, 200);
    }
  }
}

TEST_F(ViewTest, JoinsInnerOuterOneToManyAndNested) {
  OpenAll();
  AddCustomer(1, "Abel");
  AddCustomer(2, "Cole");
  AddCustomer(3, "Dunn");
  AddOrder(10, 2, "pen");
  AddOrder(11, 1, "ink");
  AddOrder(12, 2, "pad");
  AddOrder(13, 9, "orphan");
  AddLine(10, "a");
  AddLine(10, "b");
  AddLine(12, "c");

  auto order_with_customer = [&](bool inner) {
    ViewDeclaration view(ord_);
    view.joins.push_back(
        ViewJoin{&cus_, key_cus_id_, {kOrdCust}, inner, {}, {}});
    SetViewOrder(view, "ORD:ID");
    return ReadAll(view, [&] {
      return std::to_string(Long(ord_, kOrdId)) + ":" + Text(cus_, kCusName);
    });
  };
  EXPECT_EQ(order_with_customer(false),
            (std::vector<std::string>{"10:Cole", "11:Abel", "12:Cole", "13:"}));
  EXPECT_EQ(order_with_customer(true),
            (std::vector<std::string>{"10:Cole", "11:Abel", "12:Cole"}));

  // Customers with their orders (linked by the names of the key's leading
  // component) and each order's lines; a filter and an order on joined
  // fields.
  ViewDeclaration view(cus_);
  ViewJoin lines{&lin_, key_lin_order_, {kOrdId}, false, {}, {}};
  view.joins.push_back(
      ViewJoin{&ord_, key_ord_cust_, {kCusId}, false, {}, {lines}});
  auto describe = [&] {
    return Text(cus_, kCusName) + "/" + std::to_string(Long(ord_, kOrdId)) +
           "/" + Text(lin_, kLinText);
  };
  EXPECT_EQ(ReadAll(view, describe),
            (std::vector<std::string>{"Abel/11/", "Cole/10/a", "Cole/10/b",
                                      "Cole/12/c", "Dunn/0/"}));
  SetViewFilter(view, "LIN:TEXT <> 'a'");
  SetViewOrder(view, "-ORD:ID, CUS:NAME");
  EXPECT_EQ(ReadAll(view, describe),
            (std::vector<std::string>{"Cole/12/c", "Abel/11/", "Cole/10/b",
                                      "Dunn/0/"}));
  view.joins[0].inner = true;
  SetViewFilter(view, "");
  SetViewOrder(view, "CUS:ID");
  EXPECT_EQ(ReadAll(view, describe),
            (std::vector<std::string>{"Abel/11/", "Cole/10/a", "Cole/10/b",
                                      "Cole/12/c"}));
}

TEST_F(ViewTest, JoinsThatCannotBeReadAreRefused) {
  OpenAll();
  AddOrder(1, 1, "x");
  struct Case {
    const char* what;
    ViewJoin join;
  };
  const Case cases[] = {
      {"no key", ViewJoin{&cus_, nullptr, {kOrdCust}, false, {}, {}}},
      {"key of another file",
       ViewJoin{&cus_, key_ord_id_, {kOrdCust}, false, {}, {}}},
      {"linking field of another type",
       ViewJoin{&cus_, key_cus_id_, {kOrdItem}, false, {}, {}}},
      {"more linking fields than components",
       ViewJoin{&cus_, key_cus_id_, {kOrdCust, kOrdId}, false, {}, {}}},
      {"a file joined to itself",
       ViewJoin{&ord_, key_ord_id_, {kOrdId}, false, {}, {}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ViewDeclaration view(ord_);
    view.joins.push_back(c.join);
    Open(view);
    SetView(view);
    EXPECT_EQ(ErrorCode(), kErrInvalidRecordDeclaration);
    Next(view);
    EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);
  }
}

TEST_F(ViewTest, WritesGoToThePrimaryFileUnderItsAccess) {
  OpenAll();
  AddCustomer(1, "Abel");
  AddCustomer(2, "Cole");
  AddCustomer(3, "Dunn");
  ViewDeclaration view(cus_);
  SetViewOrder(view, "-CUS:ID");  // sorted: rows are read back by pointer
  Open(view);
  SetView(view);
  Next(view);
  Next(view);
  ASSERT_EQ(CustomerRow(), "2:Cole");
  PutText(cus_, kCusName, "Cobb");
  Put(view);
  EXPECT_EQ(ErrorCode(), 0);
  Next(view);
  Delete(view);
  EXPECT_EQ(ErrorCode(), 0);
  Previous(view);
  EXPECT_EQ(CustomerRow(), "2:Cobb");
  Previous(view);
  EXPECT_EQ(CustomerRow(), "3:Dunn");
  Next(view);
  Next(view);
  EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);  // 1 is gone
  EXPECT_EQ(Records(cus_), 2);
  Close(view);

  // A view takes its primary's access: read-only here.
  Close(cus_);
  ViewDeclaration closed(cus_);
  Open(closed);
  EXPECT_EQ(ErrorCode(), kErrFileNotOpen);
  Open(cus_, kOpenReadShared);
  ViewDeclaration reader(cus_);
  Open(reader);
  SetView(reader);
  Next(reader);
  ASSERT_EQ(ErrorCode(), 0);
  Put(reader);
  EXPECT_EQ(ErrorCode(), kErrAccessDenied);
  Hold(reader);
  EXPECT_EQ(ErrorCode(), 0);
  Lock(reader);
  EXPECT_EQ(ErrorCode(), kErrUnsupportedFunction);
}

TEST_F(ViewTest, PositionsRegetResetAndCounting) {
  OpenAll();
  for (int id = 1; id <= 5; ++id) AddCustomer(id, "N" + std::to_string(id));
  AddOrder(10, 3, "x");
  ViewDeclaration view(cus_);
  view.joins.push_back(ViewJoin{&ord_, key_ord_cust_, {kCusId}, false, {}, {}});
  SetViewOrder(view, "CUS:ID");  // read by the key, row by row
  Open(view);
  SetView(view);
  Next(view);
  Next(view);
  Next(view);
  ASSERT_EQ(CustomerRow(), "3:N3");
  EXPECT_EQ(Long(ord_, kOrdId), 10);
  Previous(view);  // turning round reads the neighbour
  EXPECT_EQ(CustomerRow(), "2:N2");
  EXPECT_EQ(Long(ord_, kOrdId), 0);
  Next(view);
  EXPECT_EQ(CustomerRow(), "3:N3");
  const std::string third = Position(view);
  Get(cus_, 99);                // an error that counting must leave as it is
  EXPECT_EQ(Records(view), 5);  // counting keeps the place
  EXPECT_EQ(ErrorCode(), kErrRecordNotFound);
  EXPECT_EQ(ErrorFile(), "CUS");
  Next(view);
  EXPECT_EQ(CustomerRow(), "4:N4");
  EXPECT_EQ(Long(ord_, kOrdId), 0);

  Reget(view, third);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(CustomerRow(), "3:N3");
  EXPECT_EQ(Long(ord_, kOrdId), 10);
  Reset(view, third);
  Previous(view);
  EXPECT_EQ(CustomerRow(), "2:N2");
  Reset(view, third);
  Next(view);
  EXPECT_EQ(CustomerRow(), "3:N3");

  // RESET(view, file): from the records in the buffers.
  PutLong(cus_, kCusId, 5);
  ResetView(view);
  Next(view);
  EXPECT_EQ(CustomerRow(), "5:N5");

  for (const char* bad : {"x", "3", "3,0,1", "99,0"}) {
    Reget(view, bad);
    EXPECT_NE(ErrorCode(), 0) << bad;
  }
  Reset(view, "  ");
  EXPECT_EQ(ErrorCode(), kErrRecordNotFound);

  Get(view, 2);
  EXPECT_EQ(CustomerRow(), "2:N2");
  Skip(view, 2);
  EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);  // the sequence went
}

TEST_F(ViewTest, PropertiesAndErrors) {
  OpenAll();
  AddCustomer(1, "Abel");
  AddCustomer(2, "Cole");
  AddCustomer(3, "Dunn");
  ViewDeclaration view(cus_);
  view.joins.push_back(ViewJoin{&ord_, key_ord_cust_, {kCusId}, false, {}, {}});
  SetViewOrder(view, "CUS:NAME, -CUS:ID, SUB(CUS:NAME, 1, 2)");
  EXPECT_EQ(Property(view, kViewPropOrder, 1), "CUS:NAME");
  EXPECT_EQ(Property(view, kViewPropOrder, 2), "-CUS:ID");
  EXPECT_EQ(Property(view, kViewPropOrder, 3), "SUB(CUS:NAME, 1, 2)");
  EXPECT_EQ(Property(view, kViewPropOrder, 4), "");
  EXPECT_EQ(Property(view, kViewPropFileCount), "2");
  SetProperty(view, "29479", "7");
  EXPECT_EQ(Property(view, kViewPropSwitch), "7");
  SetProperty(view, "29477", "1");
  EXPECT_EQ(ErrorCode(), kErrUnsupportedFunction);
  SetProperty(view, "12345", "1");
  EXPECT_EQ(ErrorCode(), kErrUnsupportedFunction);

  // Start values: SET begins at the first row at or past them.
  SetProperty(view, "29509,1", "Cole");
  EXPECT_EQ(Property(view, kViewPropStartValue, 1), "Cole");
  EXPECT_EQ(ReadAll(view, [&] { return CustomerRow(); }),
            (std::vector<std::string>{"2:Cole", "3:Dunn"}));
  SetProperty(view, "29509,1", "");

  struct Case {
    const char* filter;
    const char* order;
    int code;
    const char* text;
  };
  const Case cases[] = {
      {"CUS:ID = ", "CUS:ID", kErrInvalidExpression,
       "Invalid expression for EVALUATE"},
      {"NOSUCH = 1", "CUS:ID", kErrNoBind, "No BIND on variable (NOSUCH)"},
      {"", "CUS:ID, (", kErrInvalidExpression,
       "Invalid expression for EVALUATE"},
      {"", "-CUS:ID, OTHER", kErrNoBind, "No BIND on variable (OTHER)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SetViewFilter(view, c.filter);
    SetViewOrder(view, c.order);
    SetView(view);
    EXPECT_EQ(ErrorCode(), c.code);
    EXPECT_EQ(Error(), c.text);
    Next(view);
    EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);
  }
  Close(ord_);
  SetViewFilter(view, "");
  SetViewOrder(view, "CUS:NAME, -CUS:ID, SUB(CUS:NAME, 1, 2)");
  SetView(view);
  EXPECT_EQ(ErrorCode(), kErrFileNotOpen);

  // The properties belong to the declaration: they outlast CLOSE.
  Close(view);
  EXPECT_EQ(Property(view, kViewPropOrder, 2), "-CUS:ID");
  EXPECT_EQ(Property(view, kViewPropSwitch), "7");
}

}  // namespace
}  // namespace vantrel
