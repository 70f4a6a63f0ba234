#include "storage/tnl/format/record_framing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel {
namespace {

PageRecord Rec(const std::string& bytes, std::uint16_t key_length) {
  return {std::vector<std::uint8_t>(bytes.begin(), bytes.end()), key_length, 0};
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> list) {
  return std::vector<std::uint8_t>(list.begin(), list.end());
}

std::vector<std::uint8_t> Encode(const std::vector<PageRecord>& records) {
  std::vector<std::uint8_t> body;
  EncodeRecords(PageRecords::Of(records), body);
  return body;
}

std::vector<PageRecord> Copies(const PageRecords& records) {
  std::vector<PageRecord> out;
  records.ForEach([&](const RecordRef& r) { out.push_back(r.Copy()); });
  return out;
}

TEST(RecordFramingTest, WritesLengthsOnlyWhenTheyChangeAndSharesPrefixes) {
  // "ab1" (3, key 2), "ab2" (same lengths, shares "ab"), "b" (new lengths).
  const auto body = Encode({Rec("ab1", 2), Rec("ab2", 2), Rec("b", 1)});
  EXPECT_EQ(body, Bytes({0xC0, 3, 0, 2, 0, 'a', 'b', '1',  //
                         0x02, '2',                        //
                         0xC0, 1, 0, 1, 0, 'b'}));
}

TEST(RecordFramingTest, SharedPrefixStopsAt63) {
  const std::string a(70, 'x');
  const std::string b = std::string(69, 'x') + "y";
  const auto body = Encode({Rec(a, 70), Rec(b, 70)});
  const std::size_t second = 5 + 70;
  ASSERT_EQ(body.size(), second + 1 + (70 - 63));
  EXPECT_EQ(body[second], 63);  // no length flags: both lengths repeat
  PageRecords out;
  const auto consumed = DecodeRecords(body, 2, out);
  ASSERT_TRUE(consumed.ok());
  EXPECT_EQ(consumed.value(), body.size());
  EXPECT_EQ(Copies(out), (std::vector<PageRecord>{Rec(a, 70), Rec(b, 70)}));
}

TEST(RecordFramingTest, RoundTripsAndStopsAtTheCount) {
  std::vector<PageRecord> records;
  for (int i = 0; i < 40; ++i) {
    records.push_back(Rec("key" + std::to_string(100 + i) + std::string(i, 'd'),
                          static_cast<std::uint16_t>(6 + i % 3)));
  }
  auto body = Encode(records);
  body.push_back(0xEE);  // bytes after the last record are not consumed
  PageRecords out;
  const auto consumed = DecodeRecords(body, records.size(), out);
  ASSERT_TRUE(consumed.ok());
  EXPECT_EQ(consumed.value(), body.size() - 1);
  EXPECT_EQ(Copies(out), records);
}

TEST(RecordFramingTest, RejectsImpossibleFraming) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> body;
    std::size_t count;
  } cases[] = {
      {"empty body", {}, 1},
      {"length cut short", Bytes({0xC0, 3}), 1},
      {"bytes cut short", Bytes({0xC0, 3, 0, 1, 0, 'a'}), 1},
      {"first record without lengths", Bytes({0x00}), 1},
      {"key longer than record", Bytes({0xC0, 1, 0, 2, 0, 'a'}), 1},
      {"shared prefix longer than previous record",
       Bytes({0xC0, 1, 0, 1, 0, 'a', 0x82, 3, 0, 'b'}), 2},
      {"shared prefix on the first record", Bytes({0xC1, 2, 0, 1, 0, 'b'}), 1},
  };
  for (const auto& c : cases) {
    PageRecords out;
    EXPECT_EQ(DecodeRecords(c.body, c.count, out).code(), kCheckRecordFraming)
        << c.name;
  }
}

// Erasing most records makes the page take its bytes back, and records
// inserted from the page itself survive the buffer growing under them.
TEST(PageRecordsTest, InsertEraseAndSearchAgreeWithASortedList) {
  PageRecords tree;
  std::vector<std::string> model;
  for (int i = 0; i < 300; ++i) {
    const std::string key = std::to_string((i * 7919) % 1000);
    const std::size_t at =
        tree.Insert(Rec(key, static_cast<std::uint16_t>(key.size())));
    auto pos = std::upper_bound(model.begin(), model.end(), key);
    EXPECT_EQ(at, static_cast<std::size_t>(pos - model.begin()));
    model.insert(pos, key);
    if (i % 3 == 2) {
      const std::size_t victim = (i * 31) % model.size();
      tree.EraseAt(victim);
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(victim));
    }
    if (i % 50 == 49) {
      const std::size_t copied = model.size() / 2;
      tree.Insert(tree.At(copied));
      model.insert(model.begin() + static_cast<std::ptrdiff_t>(copied) + 1,
                   model[copied]);
    }
  }
  for (int i = 0; model.size() > 20; ++i) {
    const std::size_t victim = (i * 13) % model.size();
    tree.EraseAt(victim);
    model.erase(model.begin() + static_cast<std::ptrdiff_t>(victim));
  }
  ASSERT_EQ(tree.size(), model.size());
  for (std::size_t i = 0; i < model.size(); ++i) {
    const RecordRef r = tree.At(i);
    ASSERT_EQ(std::string(r.bytes.begin(), r.bytes.end()), model[i]);
  }
  const std::vector<std::uint8_t> probe = {'5', '0'};
  EXPECT_EQ(
      tree.LowerBound(probe),
      static_cast<std::size_t>(
          std::lower_bound(model.begin(), model.end(), "50") - model.begin()));
  EXPECT_EQ(
      tree.UpperBound(probe),
      static_cast<std::size_t>(
          std::upper_bound(model.begin(), model.end(), "50") - model.begin()));

  PageRecords right = tree.SplitOff(7);
  right.Insert(Rec("~", 1));
  model.push_back("~");
  ASSERT_EQ(tree.size() + right.size(), model.size());
  for (std::size_t i = 0; i < model.size(); ++i) {
    const RecordRef r = i < 7 ? tree.At(i) : right.At(i - 7);
    EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), model[i]);
  }
}

// A split at every point of a page whose bytes lie partly in key order
// (appended records) and partly not (an insert between them, an erased
// record) keeps every record on its side, in a copy of the list too.
TEST(PageRecordsTest, SplitKeepsRecordsWhereverTheirBytesLie) {
  PageRecords base;
  std::vector<std::string> model;
  for (char c = 'a'; c <= 'k'; c += 2) {
    const std::string key(3, c);
    base.Append(Rec(key + std::string(20, c), 3));
    model.push_back(key + std::string(20, c));
  }
  base.Insert(Rec("ddd-inserted", 3));
  model.insert(model.begin() + 2, "ddd-inserted");
  base.EraseAt(1);
  model.erase(model.begin() + 1);
  for (std::size_t cut = 0; cut <= model.size(); ++cut) {
    PageRecords left = base;
    PageRecords right = left.SplitOff(cut);
    ASSERT_EQ(left.size(), cut);
    ASSERT_EQ(right.size(), model.size() - cut);
    for (std::size_t i = 0; i < model.size(); ++i) {
      const RecordRef r = i < cut ? left.At(i) : right.At(i - cut);
      EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), model[i])
          << "cut " << cut;
    }
    right.Insert(Rec("zzz", 3));
    EXPECT_EQ(right.size(), model.size() - cut + 1);
  }
}

}  // namespace
}  // namespace vantrel
