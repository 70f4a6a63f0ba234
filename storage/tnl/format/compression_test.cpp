#include "storage/tnl/format/compression.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/tnl/format/internal_check.h"

namespace vantrel {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes Of(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(Compression, EncodesExactBytesAndRoundTrips) {
  Bytes distinct;
  for (int i = 0; i < 200; ++i) distinct.push_back(i % 3 == 0 ? 'x' : i);
  struct Case {
    const char* name;
    Bytes body;
    Bytes expected;  // empty: stays uncompressed
  } cases[] = {
      {"300 equal", Bytes(300, 0x41), {0x01, 0x41, 0xAB, 0x02, 0x00}},
      {"no run", Of("abcabc"), {}},
      {"run of 3 only", Of("aaab"), {}},
      {"empty", {}, {}},
      {"ends in a run", Of("aaaa"), {0x01, 'a', 0x03, 0x00}},
      {"run inside", Of("xyaaaaab"), {0x03, 'x', 'y', 'a', 0x04, 0x01, 'b'}},
      {"two runs",
       Of("aaaabbbbbc"),
       {0x01, 'a', 0x03, 0x01, 'b', 0x04, 0x01, 'c'}},
      {"long literal", Cat(distinct, Bytes(4, 0)),
       Cat(Cat({0xC9, 0x01}, distinct), {0x00, 0x03, 0x00})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes packed = CompressBody(c.body);
    EXPECT_EQ(packed, c.expected);
    if (packed.empty()) continue;
    Bytes out(c.body.size(), 0xEE);
    EXPECT_EQ(RunOperation("t", [&] { ExpandBody(packed, out); }), 0);
    EXPECT_EQ(out, c.body);
  }
}

TEST(Compression, DecoderAcceptsAMissingFinalCount) {
  Bytes out(4);
  EXPECT_EQ(RunOperation("t", [&] { ExpandBody(Bytes{1, 'q', 3}, out); }), 0);
  EXPECT_EQ(out, Of("qqqq"));
}

TEST(Compression, DecoderFaultsFailTheirChecks) {
  struct Case {
    const char* name;
    Bytes compressed;
    std::size_t expanded;
    int check;
  } cases[] = {
      {"literal too long",
       {0x05, 'a', 'b', 'c', 'd', 'e'},
       3,
       kCheckLiteralCount},
      {"literal bytes missing", {0x02, 'a'}, 3, kCheckLiteralBytes},
      {"no input", {}, 2, kCheckLiteralCount},
      {"endless count",
       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01},
       3,
       kCheckLiteralCount},
      {"repeat too long", {0x01, 'a', 0x09}, 5, kCheckRepeatCount},
      {"repeat missing", {0x01, 'a'}, 3, kCheckRepeatCount},
      {"repeat of nothing", {0x00, 0x03}, 3, kCheckRepeatOfNothing},
      {"final literal too long",
       {0x01, 'a', 0x01, 0x02, 'b', 'c'},
       3,
       kCheckLiteralCount},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes out(c.expanded);
    EXPECT_EQ(RunOperation("t", [&] { ExpandBody(c.compressed, out); }),
              c.check);
  }
}

}  // namespace
}  // namespace vantrel
