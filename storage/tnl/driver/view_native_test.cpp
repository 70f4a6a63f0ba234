// Views over native files: a filter, an order a key gives, an order that
// needs a sort, and joins between two tables of one data file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/view/view_engine.h"
#include "runtime/data/view/view_statements.h"
#include "storage/tnl/driver/tnl_driver_test_support.h"

namespace vantrel {
namespace {

constexpr int kIdField = 2;  // field 1 is the record's group

class ViewNativeTest : public TnlDriverTest {
 protected:
  // Opens and SETs the view and reads it to its end.
  std::vector<Order> ReadAll(ViewDeclaration& view, OrdersFile& shown) {
    if (!(view.control.state & kStateOpen)) Open(view);
    SetView(view);
    EXPECT_EQ(ErrorCode(), 0) << Error();
    std::vector<Order> rows;
    for (Next(view); ErrorCode() == 0; Next(view)) rows.push_back(shown.Get());
    EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable) << Error();
    return rows;
  }
  static std::vector<std::int32_t> Ids(const std::vector<Order>& rows) {
    std::vector<std::int32_t> ids;
    for (const Order& row : rows) ids.push_back(row.id);
    return ids;
  }
};

TEST_F(ViewNativeTest, FilterAndOrdersByKeyAndBySort) {
  auto orders = CreateOpen(Path("shop.vtl") + "\\!orders");
  for (const Order& order :
       {Order{5, "Smith", "Rome"}, Order{2, "Adams", "Oslo"},
        Order{9, "Brown", "Bern"}, Order{7, "Smith", "Basel"},
        Order{3, "Cole", "Cork"}}) {
    ASSERT_EQ(orders->AddOrder(order), 0) << Error();
  }
  struct Case {
    const char* filter;
    const char* order;
    const char* key_order;
    std::vector<std::int32_t> ids;
  };
  const Case cases[] = {
      {"", "ORD:ID", "1", {2, 3, 5, 7, 9}},
      {"ORD:ID >= 3 AND ORD:ID < 9", "ORD:ID", "1", {3, 5, 7}},
      {"ORD:NAME = 'Smith'", "-ORD:ID", "0", {7, 5}},
      {"", "ORD:CITY, -ORD:ID", "0", {7, 9, 3, 2, 5}},
      {"ORD:CITY <> 'Rome' AND ORD:ID > 2", "ORD:NAME", "0", {9, 3, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.filter) + " / " + c.order);
    ViewDeclaration view(orders->file);
    SetViewFilter(view, c.filter);
    SetViewOrder(view, c.order);
    EXPECT_EQ(Ids(ReadAll(view, *orders)), c.ids);
    EXPECT_EQ(GetProperty(view, "29478"), c.key_order);
    Close(view);
  }
}

TEST_F(ViewNativeTest, InnerAndOuterJoinBetweenTables) {
  auto orders = CreateOpen(Path("shop.vtl") + "\\!orders");
  auto shipped = CreateOpen(Path("shop.vtl") + "\\!shipped");
  shipped->file.label = "SHP";
  for (std::int32_t id : {1, 2, 3, 4}) {
    ASSERT_EQ(orders->AddOrder({id, "N" + std::to_string(id), ""}), 0);
  }
  ASSERT_EQ(shipped->AddOrder({2, "by sea", "Oslo"}), 0);
  ASSERT_EQ(shipped->AddOrder({4, "by air", "Rome"}), 0);

  for (const bool inner : {false, true}) {
    SCOPED_TRACE(inner ? "inner" : "outer");
    ViewDeclaration view(orders->file);
    view.joins.push_back(
        ViewJoin{&shipped->file, shipped->id_key, {kIdField}, inner, {}, {}});
    SetViewOrder(view, "ORD:ID");
    Open(view);
    SetView(view);
    std::vector<std::string> rows;
    for (Next(view); ErrorCode() == 0; Next(view)) {
      rows.push_back(orders->Get().name + ":" + shipped->Get().name);
    }
    EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);
    const std::vector<std::string> expected =
        inner
            ? std::vector<std::string>{"N2:by sea", "N4:by air"}
            : std::vector<std::string>{"N1:", "N2:by sea", "N3:", "N4:by air"};
    EXPECT_EQ(rows, expected);
  }
}

}  // namespace
}  // namespace vantrel
