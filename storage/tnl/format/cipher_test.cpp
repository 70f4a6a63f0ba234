#include "storage/tnl/format/cipher.h"

#include <gtest/gtest.h>

#include <string>

#include "storage/tnl/format/test_hex.h"

namespace vantrel {
namespace {

// Expected values worked out independently from the algorithm's description.
// The schedule enciphers S in place, each step reading its key word from the
// array it changes; enciphering a copy with the original as key would give
// another key (first word 0x81289290) and other blocks.
TEST(Cipher, KeyScheduleAndBlockAreFixed) {
  const Cipher cipher("Secret");
  const CipherWords expected_key = {
      0x2a212660, 0x484868d1, 0x8dca46a4, 0xe4b6f696, 0xa86702d4, 0x6260d545,
      0x6aac3460, 0x31d1924a, 0x4a068520, 0xd255d2a4, 0xbdada3a0, 0xd0acd352,
      0xd21892cc, 0xa37ac44c, 0xb83b1350, 0xe77dcaa8};
  EXPECT_EQ(cipher.key(), expected_key);

  unsigned char block[kCipherBlockSize];
  for (std::size_t i = 0; i < sizeof block; ++i) block[i] = i;
  cipher.Encipher(block, sizeof block);
  EXPECT_EQ(Hex(block, sizeof block),
            "783c63e3d56d4e4f8e525380a203c503244a890759ea7679803b2fda72cb0b4d"
            "44c2a143c8d27bfdc02e3d20f6d818f9c8b5c9b800ccacca668475f7d6f6b926");

  // A one-character password: the cycle is 0, p[0], 0, p[0] ...
  unsigned char zeros[kCipherBlockSize] = {};
  Cipher("x").Encipher(zeros, sizeof zeros);
  EXPECT_EQ(Hex(zeros, sizeof zeros),
            "b050634e90d4dfdeb0ddafeda074dfdee0f5f6bfe0fcfc3fa0baf5fff0bbffbf"
            "a824d32470fdeefe30d5bf6ed0fefef4d8ff77f750bdeefde05b77cff05eff3d");
}

TEST(Cipher, DecipherUndoesEncipherBlockByBlock) {
  const Cipher cipher("owner pass");
  unsigned char data[3 * kCipherBlockSize];
  for (std::size_t i = 0; i < sizeof data; ++i) data[i] = (i * 37 + 11) & 0xFF;
  unsigned char copy[sizeof data];
  std::copy(std::begin(data), std::end(data), copy);

  cipher.Encipher(data, sizeof data);
  // Equal plain blocks at different places encipher alike: no chaining.
  unsigned char first[kCipherBlockSize];
  std::copy(copy, copy + kCipherBlockSize, first);
  cipher.Encipher(first, sizeof first);
  EXPECT_TRUE(std::equal(first, first + kCipherBlockSize, data));
  EXPECT_FALSE(std::equal(data, data + sizeof data, copy));

  cipher.Decipher(data, sizeof data);
  EXPECT_TRUE(std::equal(data, data + sizeof data, copy));
}

}  // namespace
}  // namespace vantrel
