#include "runtime/data/driver/driver_registry.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(DriverRegistryTest, FindsByNameInEitherCaseAndLaterEntryReplaces) {
  static DriverEntry first;
  first.name = "REGTEST";
  static DriverEntry second = first;
  RegisterDriver(first);
  EXPECT_EQ(FindDriver("regtest"), &first);
  RegisterDriver(second);
  EXPECT_EQ(FindDriver("RegTest"), &second);
  EXPECT_EQ(FindDriver("REGTES"), nullptr);
  EXPECT_EQ(FindDriver(""), nullptr);
}

TEST(DriverEntryTest, NamesAreCutToTheirWidth) {
  DriverEntry entry;
  entry.name = "A_NAME_LONGER_THAN_TWENTY_BYTES";
  EXPECT_EQ(entry.name.view(), "A_NAME_LONGER_THAN_T");
}

TEST(DriverEntryTest, SupportedListsAreCountedAndBounded) {
  static constexpr std::uint8_t kLists[] = {2, 1, 24, 2, 18, 22};
  DriverEntry entry;
  entry.supported = kLists;
  EXPECT_TRUE(entry.Supports(DriverOp::kADD));
  EXPECT_TRUE(entry.Supports(DriverOp::kNEXT));
  EXPECT_FALSE(entry.Supports(DriverOp::kBOF));
  EXPECT_FALSE(entry.Supports(static_cast<DriverOp>(18)));  // a type code
  EXPECT_TRUE(entry.SupportsType(18));
  EXPECT_TRUE(entry.SupportsType(22));
  EXPECT_FALSE(entry.SupportsType(24));

  // A count that runs past the end lists nothing.
  static constexpr std::uint8_t kTruncated[] = {2, 1, 24, 9, 18};
  entry.supported = kTruncated;
  EXPECT_TRUE(entry.Supports(DriverOp::kADD));
  EXPECT_FALSE(entry.SupportsType(18));
}

}  // namespace
}  // namespace vantrel
