#include "storage/tnl/format/header.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "storage/tnl/format/test_hex.h"

namespace vantrel {
namespace {

using Image = std::array<unsigned char, kHeaderSize>;

Header Sample() {
  Header h;
  h.committed_end = 0x00001A00;
  h.shadow_end = 0x00002B00;
  h.has_magic = true;
  h.last_issued = 0x01020304;
  h.change_counter = 7;
  h.root_page = 0x11;
  h.zones.end[0] = 2;
  h.zones.start[1] = 2;
  h.zones.end[1] = 5;
  for (int k = 2; k < 59; ++k) h.zones.start[k] = h.zones.end[k] = 5;
  h.zones.start[59] = 0x40;
  h.zones.end[59] = 0x40 + 59;
  return h;
}

TEST(Header, ImageIsByteExact) {
  Image image;
  EncodeHeader(Sample(), image);
  EXPECT_EQ(Hex(image.data(), 0x20),
            "00000000"    // address 0
            "0002"        // size 0x200
            "001a0000"    // committed end
            "002b0000"    // shadow end
            "7441724e"    // "tArN"
            "0000"        // reserved
            "01020304"    // last issued, big-endian
            "07000000"    // change counter
            "11000000");  // root page
  EXPECT_EQ(Hex(&image[0x020], 8), "0000000002000000");  // zone 0, zone 1 start
  EXPECT_EQ(Hex(&image[0x10C], 4), "40000000");          // zone 59 start
  EXPECT_EQ(Hex(&image[0x110], 8), "0200000005000000");  // zone 0, 1 end
  EXPECT_EQ(Hex(&image[0x1FC], 4), "7b000000");          // zone 59 end
  EXPECT_EQ(Hex(&image[0x028], 4), "05000000");          // zone 2 start

  Header back;
  ASSERT_TRUE(DecodeHeader(image, &back));
  EXPECT_EQ(back, Sample());
}

TEST(Header, ZoneZeroStartIsAlwaysZero) {
  Header h = Sample();
  h.zones.start[0] = 9;
  Image image;
  EncodeHeader(h, image);
  EXPECT_EQ(Hex(&image[0x020], 4), "00000000");
  image[0x020] = 5;  // as another writer might leave it
  Header back;
  ASSERT_TRUE(DecodeHeader(image, &back));
  EXPECT_EQ(back.zones.start[0], 0u);
}

TEST(Header, ShortOrUnmarkedImagesAreInvalid) {
  Image image;
  EncodeHeader(Sample(), image);
  Header out;
  EXPECT_FALSE(DecodeHeader(std::span(image).first(kHeaderSize - 1), &out));
  Image wrong = image;
  wrong[0x00E] = 'T';
  EXPECT_FALSE(DecodeHeader(wrong, &out));
  Header unmarked = Sample();
  unmarked.has_magic = false;
  EncodeHeader(unmarked, wrong);
  EXPECT_FALSE(DecodeHeader(wrong, &out));
}

}  // namespace
}  // namespace vantrel
