#include "runtime/data/base/value_or_code.h"

#include <gtest/gtest.h>

#include <memory>

namespace vantrel {
namespace {

struct Base {
  virtual ~Base() = default;
};
struct Derived : Base {};

ValueOrCode<std::unique_ptr<Base>> Make(bool fail) {
  if (fail) return FailureCode{47};
  return std::make_unique<Derived>();  // converted on the way out
}

TEST(ValueOrCodeTest, HoldsAValueOrACode) {
  auto made = Make(false);
  ASSERT_TRUE(made.ok());
  EXPECT_EQ(made.code(), 0);
  EXPECT_NE(dynamic_cast<Derived*>(made.value().get()), nullptr);
  std::unique_ptr<Base> taken = std::move(made.value());
  EXPECT_NE(taken, nullptr);

  const auto failed = Make(true);
  EXPECT_FALSE(failed.ok());
  EXPECT_EQ(failed.code(), 47);

  // A value that is itself 0 is still a value.
  const ValueOrCode<std::size_t> zero = std::size_t{0};
  EXPECT_TRUE(zero.ok());
  EXPECT_EQ(zero.value(), 0u);
}

}  // namespace
}  // namespace vantrel
