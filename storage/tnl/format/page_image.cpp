#include "storage/tnl/format/page_image.h"

#include <algorithm>
#include <vector>

#include "runtime/data/base/byte_order.h"
#include "storage/tnl/format/compression.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/format/record_framing.h"
#include "storage/tnl/format/zones.h"

namespace vantrel {
namespace {

std::size_t RoundToUnits(std::size_t length) {
  return (length + kPageUnit - 1) / kPageUnit * kPageUnit;
}

}  // namespace

namespace {

std::uint32_t RecordUsed(std::uint8_t level, const RecordRef& record) {
  return static_cast<std::uint32_t>(record.bytes.size()) + kUsedPerRecord +
         (level != 0 ? kUsedPerChild : 0);
}

}  // namespace

std::uint32_t UsedMeasure(std::uint8_t level, const PageRecords& records) {
  std::uint32_t used = kUsedBase;
  records.ForEach([&](const RecordRef& r) { used += RecordUsed(level, r); });
  return used;
}

PageImage EncodePageImage(std::uint8_t level, const PageRecords& records,
                          std::uint32_t home) {
  const std::uint32_t used = UsedMeasure(level, records);
  const std::size_t count = records.size();
  const std::size_t prefix =
      kPageHeaderSize + (level != 0 ? count * kChildEntrySize : 0);
  // The page is framed and compressed in buffers kept for the next page,
  // and only the image kept goes into a block of its own, of its size: a
  // commit holds every image it writes until it has written them all.
  thread_local std::vector<unsigned char> expanded;
  thread_local std::vector<unsigned char> packed;
  expanded.clear();
  expanded.resize(prefix);
  StoreLe32(&expanded[kPageHomeOffset], home);
  StoreLe16(&expanded[kPageUsedOffset], static_cast<std::uint16_t>(used));
  StoreLe16(&expanded[kPageCountOffset], static_cast<std::uint16_t>(count));
  expanded[kPageLevelOffset] = level;
  if (level != 0) {
    unsigned char* child = &expanded[kPageHeaderSize];
    records.ForEach([&](const RecordRef& r) {
      StoreLe32(child, static_cast<std::uint32_t>(r.child));
      child += kChildEntrySize;
    });
  }
  EncodeRecords(records, expanded);
  Check(expanded.size() <= used, kCheckEncodedOverUsed);

  PageImage image;
  const std::span<const unsigned char> body(expanded.begin() + prefix,
                                            expanded.end());
  // The compressed body follows a copy of the prefix; it is kept when it
  // saves at least one unit.
  packed.assign(expanded.begin(), expanded.begin() + prefix);
  image.compressed = AppendCompressedBody(body, packed) &&
                     RoundToUnits(packed.size()) <
                         RoundToUnits(expanded.size());
  const std::vector<unsigned char>& chosen =
      image.compressed ? packed : expanded;
  const std::size_t stored = chosen.size();
  const std::size_t rounded = RoundToUnits(stored);
  Check(rounded <= kMaxPageBytes, kCheckPageTooLarge);
  image.bytes.reserve(rounded);
  image.bytes.assign(chosen.begin(), chosen.end());
  StoreLe16(&image.bytes[kPageStoredOffset],
            static_cast<std::uint16_t>(stored));
  StoreLe16(&image.bytes[kPageExpandedOffset],
            static_cast<std::uint16_t>(prefix + body.size()));
  image.bytes.resize(rounded, kPagePadByte);
  image.units = static_cast<int>(rounded / kPageUnit);
  return image;
}

DecodedPage DecodePageImage(std::span<const unsigned char> image) {
  Check(image.size() >= kPageHeaderSize, kCheckPageImageShort);
  const std::size_t stored = LoadLe16(&image[kPageStoredOffset]);
  Check(stored >= kPageHeaderSize && RoundToUnits(stored) == image.size(),
        kCheckPageImageLength);
  DecodedPage page;
  page.home = LoadLe32(&image[kPageHomeOffset]);
  page.level = image[kPageLevelOffset];
  const std::size_t expanded_length = LoadLe16(&image[kPageExpandedOffset]);
  const std::size_t count = LoadLe16(&image[kPageCountOffset]);
  const std::size_t prefix =
      kPageHeaderSize + (page.level != 0 ? count * kChildEntrySize : 0);
  Check(prefix <= stored && stored <= expanded_length, kCheckPageBodyBounds);
  Check(expanded_length <= kMaxPageUsed, kCheckExpandedOverLimit);
  page.used_word = LoadLe16(&image[kPageUsedOffset]);

  // One buffer per thread serves every expansion (the records are copied
  // out of it): a large allocation per page made the allocator sweep up the
  // many small blocks that pages free, and zeroing it cost more than the
  // expansion, which writes every byte.
  thread_local std::vector<unsigned char> expanded_body;
  std::span<const unsigned char> body = image.subspan(prefix, stored - prefix);
  if (stored < expanded_length) {
    const std::size_t length = expanded_length - prefix;
    if (expanded_body.size() < length) expanded_body.resize(length);
    const std::span<unsigned char> out(expanded_body.data(), length);
    ExpandBody(body, out);
    body = out;
  }
  PageRecords& records = page.records;
  const auto consumed = DecodeRecords(body, count, records);
  Check(consumed.ok(), consumed.code());
  Check(consumed.value() == body.size(), kCheckPageDecodedLength);
  page.used = kUsedBase;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (i > 0) {
      Check(CompareKeys(records.At(i - 1).Key(), records.At(i).Key()) <= 0,
            kCheckRecordOrder);
    }
    if (page.level != 0) {
      records.SetChild(i,
                       LoadLe32(&image[kPageHeaderSize + i * kChildEntrySize]));
    }
    page.used += RecordUsed(page.level, records.At(i));
  }
  Check(page.used <= kMaxPageUsed, kCheckUsedOverLimit);
  return page;
}

}  // namespace vantrel
