#include "runtime/data/driver/driver_op.h"

#include <gtest/gtest.h>

#include <set>

namespace vantrel {
namespace {

TEST(DriverOpTest, TraceNames) {
  struct Case {
    int op;
    std::string_view name;
  };
  for (const Case& c :
       {Case{0, "(0)"}, Case{1, "ADD"}, Case{14, "EOF"}, Case{15, "GETfilekey"},
        Case{35, "(35)"}, Case{39, "(39)"}, Case{51, "ADDfilelen"},
        Case{87, "Internal"}, Case{91, "Internal"}, Case{94, "Internal"},
        Case{95, "COUNTRECORDS"}, Case{96, ""}, Case{-1, ""}, Case{255, ""}}) {
    EXPECT_EQ(DriverOpName(c.op), c.name) << c.op;
  }
}

TEST(DriverOpTest, ExactlyTheKeyOperationsTakeAKeyFirst) {
  const std::set<int> key_ops = {5,  6,  15, 17, 28, 33, 34, 42, 44, 45,
                                 46, 47, 57, 62, 64, 67, 85, 86, 89};
  for (int op = 0; op < kDriverOpCount; ++op) {
    EXPECT_EQ(TakesKey(static_cast<DriverOp>(op)), key_ops.count(op) == 1)
        << DriverOpName(op);
  }
}

}  // namespace
}  // namespace vantrel
