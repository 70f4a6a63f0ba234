#include "runtime/data/base/byte_scan.h"

#include <gtest/gtest.h>

#include <string>

namespace vantrel {
namespace {

// The plain loop the scan must agree with.
std::size_t Reference(const std::string& text, char a, char b, char c) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == a || text[i] == b || text[i] == c) return i;
  }
  return text.size();
}

TEST(ByteScanTest, FindsTheFirstOfThreeAtEveryPositionAndLength) {
  // Every length up to past two vectors, with the target at every position
  // and a later decoy of another kind, so lanes, words and the tail are all
  // exercised; high bytes must not match low ones.
  const char kTargets[] = {'\r', '\t', '\x1A'};
  for (std::size_t length = 0; length <= 40; ++length) {
    for (std::size_t at = 0; at <= length; ++at) {
      for (char target : kTargets) {
        std::string text(length, 'x');
        for (std::size_t i = 0; i < length; i += 3) text[i] = '\x8D';
        if (at < length) text[at] = target;
        if (at + 2 < length) text[at + 2] = '\t';
        EXPECT_EQ(FindFirstOf(text.data(), length, '\r', '\t', '\x1A'),
                  Reference(text, '\r', '\t', '\x1A'))
            << "length " << length << " at " << at;
      }
    }
  }
}

TEST(ByteScanTest, RepeatedTargetsAndHighByteValues) {
  const std::string text = std::string(20, '\x01') + "\x02\x01\xFF";
  EXPECT_EQ(FindFirstOf(text.data(), text.size(), '\xFF', '\x02', '\x02'), 20u);
  EXPECT_EQ(FindFirstOf(text.data(), text.size(), '\x01', '\x01', '\x01'), 0u);
  EXPECT_EQ(FindFirstOf(text.data(), text.size(), '\xFF', '\xFF', '\xFF'), 22u);
  EXPECT_EQ(FindFirstOf(text.data(), text.size(), 'a', 'b', 'c'), text.size());
}

}  // namespace
}  // namespace vantrel
