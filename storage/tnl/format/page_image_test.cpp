#include "storage/tnl/format/page_image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/format/record_framing.h"
#include "storage/tnl/format/test_pages.h"
#include "storage/tnl/format/zones.h"

namespace vantrel {
namespace {

PageRecord Rec(const std::string& bytes, std::uint16_t key_length,
               PageNumber child = 0) {
  return {std::vector<std::uint8_t>(bytes.begin(), bytes.end()), key_length,
          child};
}

using Bytes = std::vector<unsigned char>;

// The expected image: `head` followed by 0xB0 up to `units` * 256 bytes.
Bytes Padded(Bytes head, int units) {
  head.resize(static_cast<std::size_t>(units) * kPageUnit, kPagePadByte);
  return head;
}

PageImage Encode(std::uint8_t level, const std::vector<PageRecord>& records,
                 std::uint32_t home) {
  return EncodePageImage(level, PageRecords::Of(records), home);
}

// Decodes the image and encodes it again: the bytes must come back.
void ExpectRoundTrip(const PageImage& image) {
  DecodedPage page = DecodePageImage(image.bytes);
  const PageImage again = EncodePageImage(page.level, page.records, page.home);
  EXPECT_EQ(again.bytes, image.bytes);
  EXPECT_EQ(page.used, UsedMeasure(page.level, page.records));
}

TEST(PageImageTest, LeafAndInnerImagesByteForByte) {
  const PageImage leaf = Encode(0, {Rec("ab1", 2), Rec("ab2", 2), Rec("b", 1)},
                                static_cast<std::uint32_t>(PagePosition(5)));
  EXPECT_EQ(leaf.bytes,
            Padded({0x00, 0x07, 0x00, 0x00,     // home 0x700
                    29,   0,    29,   0,        // stored, expanded
                    35,   0,    3,    0,    0,  // used, count, level
                    0xC0, 3,    0,    2,    0, 'a', 'b', '1',
                    0x02, '2',  0xC0, 1,    0, 1,   0,   'b'},
                   1));
  EXPECT_EQ(leaf.units, 1);
  EXPECT_FALSE(leaf.compressed);
  ExpectRoundTrip(leaf);

  const PageImage inner =
      Encode(1, {Rec("k1", 2, 7), Rec("k2", 2, 0x0102)}, 0x200);
  EXPECT_EQ(inner.bytes,
            Padded({0x00, 0x02, 0x00, 0x00,                            //
                    30,   0,    30,   0,    35,   0,    2,   0,    1,  //
                    7,    0,    0,    0,    0x02, 0x01, 0,   0,  // children
                    0xC0, 2,    0,    2,    0,    'k',  '1', 0x01, '2'},
                   1));
  ExpectRoundTrip(inner);
}

TEST(PageImageTest, CompressesOnlyWhenItSavesAUnit) {
  // 600 equal bytes: 618 expanded bytes (3 units) pack into 23 (1 unit).
  const PageImage packed = Encode(0, {Rec(std::string(600, 'z'), 4)}, 0x300);
  EXPECT_EQ(packed.bytes, Padded({0x00, 0x03, 0x00, 0x00,     //
                                  23,   0,    0x6A, 0x02,     // 23 of 618
                                  0x6A, 0x02, 1,    0,    0,  //
                                  6,    0xC0, 0x58, 0x02, 4, 0, 'z',  // literal
                                  0xD7, 0x04,  // repeat 599
                                  0},          // final literal
                                 1));
  EXPECT_TRUE(packed.compressed);
  ExpectRoundTrip(packed);

  // A run inside a page of one unit saves bytes but no unit.
  std::string bytes;
  for (int i = 0; i < 100; ++i) bytes += static_cast<char>('A' + i % 50);
  bytes += std::string(20, '-');
  const PageImage plain = Encode(0, {Rec(bytes, 10)}, 0x200);
  EXPECT_FALSE(plain.compressed);
  EXPECT_EQ(plain.units, 1);
  EXPECT_EQ(plain.bytes[kPageStoredOffset], plain.bytes[kPageExpandedOffset]);
  EXPECT_EQ(plain.bytes[kPageStoredOffset], 13 + 5 + 120);
  ExpectRoundTrip(plain);
}

TEST(PageImageTest, EmptyLeafAndLargestPage) {
  EXPECT_EQ(Encode(0, {}, 0x200).bytes,
            Padded({0, 2, 0, 0, 13, 0, 13, 0, 13, 0, 0, 0, 0}, 1));
  // Random-looking bytes that do not compress: 0x3B00 is the limit.
  std::string big;
  for (std::size_t i = 0; i < kMaxPageBytes; ++i)
    big += static_cast<char>((i * 131 + i / 7) % 251);
  EXPECT_EQ(Encode(0, {Rec(big.substr(0, 0x3B00 - 18), 4)}, 0x200).units, 59);
  EXPECT_EQ(
      RunOperation(
          "t", [&] { Encode(0, {Rec(big.substr(0, 0x3B00 - 17), 4)}, 0x200); }),
      kCheckPageTooLarge);
}

TEST(PageImageTest, CorruptImagesFailTheirChecks) {
  const PageImage leaf =
      Encode(0, {Rec("ab1", 2), Rec("ab2", 2), Rec("b", 1)}, 0x200);
  const PageImage packed = Encode(0, {Rec(std::string(600, 'z'), 4)}, 0x200);
  struct Case {
    const char* name;
    const PageImage& base;
    std::size_t offset;
    unsigned char value;
    int check;
  };
  const Case cases[] = {
      {"stored length beyond the slot", leaf, kPageStoredOffset + 1, 1,
       kCheckPageImageLength},
      {"stored length below the header", leaf, kPageStoredOffset, 5,
       kCheckPageImageLength},
      {"a record more than the body holds", leaf, kPageCountOffset, 4,
       kCheckRecordFraming},
      {"a record less than the body holds", leaf, kPageCountOffset, 2,
       kCheckPageDecodedLength},
      {"records out of order", leaf, 28, 'a', kCheckRecordOrder},
      {"a child array eating the body", leaf, kPageLevelOffset, 1,
       kCheckRecordFraming},
      {"expanded length below the stored", leaf, kPageExpandedOffset, 13,
       kCheckPageBodyBounds},
      {"literal bytes missing", packed, 13, 0x7F, kCheckLiteralBytes},
      {"repeat count past the output", packed, 20, 0xD8, kCheckRepeatCount},
      {"a key part of no bytes", leaf, 16, 0, kCheckRecordFraming},
      {"expanded beyond a writer's page", packed, kPageExpandedOffset + 1, 0xFF,
       kCheckExpandedOverLimit},
  };
  for (const Case& c : cases) {
    Bytes image = c.base.bytes;
    image[c.offset] = c.value;
    EXPECT_EQ(RunOperation("t", [&] { DecodePageImage(image); }), c.check)
        << c.name;
  }
}

// A small image of 300 copies of one record, each after the first framed in
// one byte: its records measure 20,413, more than a writer ever leaves in a
// page, and would cost memory out of all proportion.
TEST(PageImageTest, RecordsMeasuringMoreThanAWritersPageAreRefused) {
  EXPECT_EQ(
      RunOperation("t", [&] { DecodePageImage(RepeatedRecordImage(300, 2)); }),
      kCheckUsedOverLimit);
  // The same framing with 200 copies measures 13,613 and is read.
  EXPECT_EQ(
      RunOperation("t", [&] { DecodePageImage(RepeatedRecordImage(200, 2)); }),
      0);
}

}  // namespace
}  // namespace vantrel
