#include "runtime/data/base/byte_order.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace vantrel {
namespace {

TEST(ByteOrderTest, StoresAndLoadsInTheNamedOrder) {
  std::array<std::uint8_t, 8> b{};
  StoreLe16(b.data(), 0x1234);
  EXPECT_EQ(b[0], 0x34);
  EXPECT_EQ(LoadLe16(b.data()), 0x1234);
  StoreLe32(b.data(), 0x12345678);
  EXPECT_EQ((std::array<std::uint8_t, 4>{b[0], b[1], b[2], b[3]}),
            (std::array<std::uint8_t, 4>{0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(LoadLe32(b.data()), 0x12345678u);
  StoreLe64(b.data(), 0x0102030405060708);
  EXPECT_EQ(b[0], 0x08);
  EXPECT_EQ(b[7], 0x01);
  EXPECT_EQ(LoadLe64(b.data()), 0x0102030405060708u);
  StoreBe16(b.data(), 0x1234);
  EXPECT_EQ(b[0], 0x12);
  EXPECT_EQ(LoadBe16(b.data()), 0x1234);
  StoreBe32(b.data(), 0xFEDCBA98);
  EXPECT_EQ((std::array<std::uint8_t, 4>{b[0], b[1], b[2], b[3]}),
            (std::array<std::uint8_t, 4>{0xFE, 0xDC, 0xBA, 0x98}));
  EXPECT_EQ(LoadBe32(b.data()), 0xFEDCBA98u);
}

TEST(ByteOrderTest, AppendsAndReadsShortSpansAsZero) {
  std::vector<std::uint8_t> out = {0xAA};
  AppendLe16(out, 0x0102);
  AppendBe16(out, 0x0304);
  AppendBe32(out, 0x05060708);
  EXPECT_EQ(out, (std::vector<std::uint8_t>{0xAA, 0x02, 0x01, 0x03, 0x04, 0x05,
                                            0x06, 0x07, 0x08}));
  EXPECT_EQ(ReadBe32(std::span(out).subspan(5)), 0x05060708u);
  EXPECT_EQ(ReadBe32(std::span(out).subspan(6)), 0u);
}

}  // namespace
}  // namespace vantrel
