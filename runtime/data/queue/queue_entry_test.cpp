#include "runtime/data/queue/queue_entry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Repeat(std::size_t count, std::uint8_t byte) {
  return Bytes(count, byte);
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Bytes without any three equal in a row.
Bytes Distinct(std::size_t count) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return bytes;
}

std::optional<Bytes> Decode(const Bytes& runs, std::size_t record_length) {
  Bytes out(record_length, 0xEE);
  std::optional<std::size_t> written = DecodeRuns(runs, out);
  if (!written) return std::nullopt;
  out.resize(*written);
  return out;
}

TEST(RunLengthTest, DecodesEveryLengthForm) {
  struct Case {
    const char* name;
    Bytes runs;
    Bytes record;
  };
  const Case cases[] = {
      {"short repeat", {0x03, 'a'}, Repeat(3, 'a')},
      {"short literal", {0x82, 'x', 'y'}, {'x', 'y'}},
      {"n*256+byte", {0x41, 0x02, ' '}, Repeat(258, ' ')},
      {"two-byte length", {0x40 | 49, 0x00, 0x01, 'z'}, Repeat(256, 'z')},
      {"four-byte length", {0x40 | 48, 0x05, 0, 0, 0, 'q'}, Repeat(5, 'q')},
      {"literal n*256+byte", Join({{0xC0, 0x02}, Distinct(2)}), Distinct(2)},
      {"zero-length run", {0x00, 'a', 0x81, 'b'}, {'b'}},
      {"runs in sequence", {0x82, 'a', 'b', 0x02, 0}, {'a', 'b', 0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Decode(c.runs, c.record.size()), c.record) << c.name;
  }
}

TEST(RunLengthTest, RejectsOverflowAndTruncation) {
  const Bytes bad[] = {
      {0x05, 'a'},  // five bytes into a four-byte record
      {0x84, 'a', 'b', 'c', 'd', 0x01, 'x'},  // the second run overflows
      {0x41},                                 // length byte missing
      {0x40 | 48, 1, 0, 0},                   // four-byte length cut short
      {0x40 | 50, 1},                         // two-byte length cut short
      {0x83, 'a', 'b'},                       // literal cut short
      {0x02},                                 // repeat byte missing
  };
  for (const Bytes& runs : bad) {
    EXPECT_EQ(Decode(runs, 4), std::nullopt) << testing::PrintToString(runs);
  }
}

TEST(RunLengthTest, EncodedRecordsDecodeToThemselves) {
  std::mt19937 random(7);
  Bytes noisy(3000);
  for (auto& byte : noisy) byte = static_cast<std::uint8_t>(random() % 3);
  const Bytes records[] = {
      {},
      {'a'},
      Repeat(63, ' '),
      Repeat(64, ' '),
      Join({Distinct(70), Repeat(12287, ' '), Distinct(1)}),
      Join({Repeat(12288, 0), Distinct(64)}),
      Repeat(65535, 'x'),
      Join({Repeat(70000, 'x'), Distinct(100000)}),
      noisy,
  };
  for (const Bytes& record : records) {
    Bytes out(record.size() + record.size() / 64 + 16);
    std::optional<std::size_t> size = EncodeRuns(record, out);
    ASSERT_TRUE(size) << record.size();
    out.resize(*size);
    EXPECT_EQ(Decode(out, record.size()), record) << record.size();
  }
}

TEST(RunLengthTest, EncoderStopsWhenOutputIsTooSmall) {
  Bytes record = Distinct(100);
  Bytes out(50);
  EXPECT_EQ(EncodeRuns(record, out), std::nullopt);
}

TEST(RunLengthTest, PrefixDecodingStopsEarly) {
  Bytes record = Join({Distinct(10), Repeat(200, ' '), Distinct(5)});
  Bytes runs(300);
  runs.resize(*EncodeRuns(record, runs));
  Bytes prefix(50);
  ASSERT_TRUE(DecodeRunsPrefix(runs, prefix));
  EXPECT_EQ(prefix, Bytes(record.begin(), record.begin() + 50));
  Bytes too_long(record.size() + 1);
  EXPECT_FALSE(DecodeRunsPrefix(runs, too_long));
}

TEST(QueueEntryTest, CompressesOnlyWhenItSavesSixteenBytes) {
  // 50 distinct bytes then r equal ones compress to 50 + 1 + 2 bytes.
  struct Case {
    std::size_t repeat;
    bool compressed;
  };
  for (Case c : {Case{18, false}, Case{19, true}}) {
    Bytes record = Join({Distinct(50), Repeat(c.repeat, ' ')});
    Bytes scratch(record.size());
    QueueEntry* entry = MakeQueueEntry(record, true, scratch);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->compressed(), c.compressed) << c.repeat;
    Bytes back(record.size());
    const std::uint8_t* data =
        QueueEntryRecord(*entry, back.size(), back.data());
    EXPECT_EQ(Bytes(data, data + record.size()), record);
    FreeQueueEntry(entry);
  }
}

TEST(QueueEntryTest, PlainWhenCompressionIsOff) {
  Bytes record = Repeat(200, ' ');
  Bytes scratch(record.size());
  QueueEntry* entry = MakeQueueEntry(record, false, scratch);
  ASSERT_NE(entry, nullptr);
  EXPECT_FALSE(entry->compressed());
  EXPECT_EQ(QueueEntryBytes(*entry, record.size()), 204u);
  EXPECT_EQ(Bytes(entry->data(), entry->data() + 200), record);
  FreeQueueEntry(entry);
}

}  // namespace
}  // namespace vantrel
