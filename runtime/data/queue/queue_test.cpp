#include "runtime/data/queue/queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/queue/queue_engine.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

// A 15-byte record: 1 ID LONG, 2 NAME STRING(10), 3 FLAG BYTE.
struct Row {
  std::int32_t id;
  std::string name;
  std::uint8_t flag;
  bool operator==(const Row&) const = default;
};

void PrintTo(const Row& row, std::ostream* os) {
  *os << "{" << row.id << ",'" << row.name << "'," << int{row.flag} << "}";
}

class QueueTest : public ::testing::Test {
 protected:
  QueueTest()
      : descriptor_(DescriptorBuilder()
                        .Long("Q:ID")
                        .String("Q:NAME", 10)
                        .Byte("Q:FLAG")
                        .Descriptor()),
        queue_(buffer_, &descriptor_, sizeof(buffer_)) {
    ClearError();
  }

  void Set(const Row& row) {
    std::memcpy(buffer_, &row.id, 4);
    std::memset(buffer_ + 4, ' ', 10);
    std::memcpy(buffer_ + 4, row.name.data(),
                std::min<size_t>(row.name.size(), 10));
    buffer_[14] = row.flag;
  }
  Row Current() const {
    Row row;
    std::memcpy(&row.id, buffer_, 4);
    row.name.assign(reinterpret_cast<const char*>(buffer_) + 4, 10);
    row.name.erase(row.name.find_last_not_of(' ') + 1);
    row.flag = buffer_[14];
    return row;
  }
  void AddRows(const std::vector<Row>& rows, QueueKey key) {
    for (const Row& row : rows) {
      Set(row);
      if (key.empty()) {
        Add(&queue_);
      } else {
        Add(&queue_, key);
      }
      ASSERT_EQ(ErrorCode(), 0);
    }
  }
  // The entries of the current order, by position.
  std::vector<Row> All() {
    std::vector<Row> rows;
    for (std::uint32_t i = 1; i <= RecordCount(&queue_); ++i) {
      Get(&queue_, static_cast<std::int32_t>(i));
      rows.push_back(Current());
    }
    return rows;
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const Row& row : All()) names.push_back(row.name);
    return names;
  }
  QueueEngine& engine() { return *queue_.engine; }

  std::uint8_t buffer_[15] = {};
  TypeDescriptor descriptor_;
  Queue queue_;
};

using NameList = std::vector<std::string>;

// How a queue order compares two rows by `key`.
int CompareBy(const QueueKey& key, const Row& a, const Row& b) {
  for (int c : key.components()) {
    int field = std::abs(c);
    int result = field == 1   ? (a.id > b.id) - (a.id < b.id)
                 : field == 3 ? a.flag - b.flag
                              : a.name.compare(b.name);
    if (result != 0) return c > 0 ? result : -result;
  }
  return 0;
}

TEST_F(QueueTest, KeyedAddPlacesEqualKeysInArrivalOrder) {
  AddRows({{5, "a", 0}, {3, "b", 0}, {5, "c", 0}, {5, "d", 0}, {4, "e", 0}},
          {1});
  EXPECT_EQ(Names(), (NameList{"b", "e", "a", "c", "d"}));
  Set({5, "", 0});
  Get(&queue_, {1});
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(Current(), (Row{5, "a", 0}));
  EXPECT_EQ(Pointer(&queue_), 3u);
  Set({6, "", 0});
  Get(&queue_, {1});
  EXPECT_EQ(ErrorCode(), kErrEntryNotFound);
}

TEST_F(QueueTest, DescendingAndMultiComponentKeys) {
  AddRows({{1, "b", 0}, {2, "a", 0}, {1, "a", 0}, {2, "b", 0}}, {});
  Sort(&queue_, {-1, 2});
  EXPECT_EQ(All(), (std::vector<Row>{
                       {2, "a", 0}, {2, "b", 0}, {1, "a", 0}, {1, "b", 0}}));
  Sort(&queue_, {2, -1});
  EXPECT_EQ(All(), (std::vector<Row>{
                       {2, "a", 0}, {1, "a", 0}, {2, "b", 0}, {1, "b", 0}}));
  // An empty key list sorts on whole records, byte by byte.
  Sort(&queue_, QueueKey{});
  EXPECT_EQ(All(), (std::vector<Row>{
                       {1, "a", 0}, {1, "b", 0}, {2, "a", 0}, {2, "b", 0}}));
}

TEST_F(QueueTest, SortIsStableOverLargeInputs) {
  std::mt19937 random(17);
  std::vector<Row> rows;
  for (int i = 0; i < 3000; ++i) {
    rows.push_back({static_cast<std::int32_t>(random() % 40 - 20),
                    std::to_string(i),
                    static_cast<std::uint8_t>(random() % 3)});
  }
  AddRows(rows, {});
  struct Case {
    QueueKey key;
    bool (*less)(const Row&, const Row&);
  };
  const Case cases[] = {
      {{3}, [](const Row& a, const Row& b) { return a.flag < b.flag; }},
      {{-1}, [](const Row& a, const Row& b) { return a.id > b.id; }},
      {{3, 1},
       [](const Row& a, const Row& b) {
         return a.flag != b.flag ? a.flag < b.flag : a.id < b.id;
       }},
  };
  std::vector<Row> expected = rows;
  for (const Case& c : cases) {
    // Each sort starts from the previous order, which equal keys keep.
    std::stable_sort(expected.begin(), expected.end(), c.less);
    Sort(&queue_, c.key);
    ASSERT_EQ(All(), expected);
  }
}

TEST_F(QueueTest, PositionsOutsideTheListPostEntryNotFound) {
  AddRows({{1, "a", 0}, {2, "b", 0}}, {});
  Get(&queue_, 3);
  EXPECT_EQ(ErrorCode(), kErrEntryNotFound);
  EXPECT_EQ(Pointer(&queue_), 2u);  // the last ADD's entry is still current
  Get(&queue_, -1);
  EXPECT_EQ(ErrorCode(), kErrEntryNotFound);
  Get(&queue_, 0);
  EXPECT_EQ(ErrorCode(), kErrEntryNotFound);
  EXPECT_EQ(Pointer(&queue_), 0u);
  for (void (*statement)(Queue*) : {&Put, &Delete}) {
    statement(&queue_);
    EXPECT_EQ(ErrorCode(), kErrEntryNotFound);
  }
  EXPECT_EQ(Names(), (NameList{"a", "b"}));
}

TEST_F(QueueTest, AddByPositionInsertsOrAppends) {
  AddRows({{1, "a", 0}, {2, "b", 0}}, {});
  struct Case {
    std::int32_t position;
    const char* name;
    std::uint32_t pointer;
  };
  for (Case c :
       {Case{1, "front", 1}, Case{0, "zero", 4}, Case{6, "beyond", 5},
        Case{-3, "negative", 6}, Case{2, "second", 2}, Case{8, "last", 8}}) {
    Set({9, c.name, 0});
    Add(&queue_, c.position);
    EXPECT_EQ(Pointer(&queue_), c.pointer) << c.name;
  }
  EXPECT_EQ(Names(), (NameList{"front", "second", "a", "b", "zero", "beyond",
                               "negative", "last"}));
}

TEST_F(QueueTest, AddByPositionOffTheKeyDropsTheKey) {
  AddRows({{1, "a", 0}, {3, "c", 0}}, {1});
  Set({5, "e", 0});
  Add(&queue_);  // its key place is the end: the order stays keyed
  EXPECT_TRUE(engine().current_order_keyed());
  Set({2, "b", 0});
  Add(&queue_, 4);  // not its key place
  EXPECT_FALSE(engine().current_order_keyed());
  EXPECT_EQ(Names(), (NameList{"a", "c", "e", "b"}));
  // A keyed statement on that key now builds a fresh, sorted order.
  Set({4, "d", 0});
  Add(&queue_, {1});
  EXPECT_TRUE(engine().current_order_keyed());
  EXPECT_EQ(Names(), (NameList{"a", "b", "c", "d", "e"}));
}

TEST_F(QueueTest, PutRepositionsInKeyedOrdersOnly) {
  AddRows({{1, "a", 0}, {2, "b", 0}, {3, "c", 0}}, {1});
  Set({2, "", 0});
  Get(&queue_, {1});
  Set({9, "b2", 0});
  Put(&queue_);
  EXPECT_EQ(Pointer(&queue_), 3u);
  EXPECT_EQ(Names(), (NameList{"a", "c", "b2"}));
  // The insertion-order list kept its place for the changed entry.
  Sort(&queue_, {2});
  Get(&queue_, 2);
  Set({9, "b2", 7});  // same name key: stays in place
  Put(&queue_);
  EXPECT_EQ(Pointer(&queue_), 2u);
  EXPECT_EQ(All()[1], (Row{9, "b2", 7}));
}

TEST_F(QueueTest, SeventeenthKeyReusesAnOrderAndKeepsEntries) {
  std::vector<Row> rows;
  for (int i = 0; i < 50; ++i) {
    rows.push_back({(i * 37) % 11, std::string(1, 'a' + i % 26),
                    static_cast<std::uint8_t>(i % 4)});
  }
  AddRows(rows, {});
  const QueueKey keys[] = {{1},    {-1},    {2},     {-2},    {3},       {-3},
                           {1, 2}, {1, -2}, {-1, 2}, {2, 1},  {2, 3},    {3, 1},
                           {3, 2}, {1, 3},  {-3, 1}, {2, -3}, {3, -1, 2}};
  for (const QueueKey& key : keys) Sort(&queue_, key);
  EXPECT_EQ(engine().order_count(), 16u);
  // Every kept order, and the reused one, sees the entries added later.
  Set({5, "new", 1});
  Add(&queue_, {1});
  for (const QueueKey& key : keys) {
    Sort(&queue_, key);
    std::vector<Row> got = All();
    ASSERT_EQ(got.size(), 51u);
    std::vector<Row> sorted = got;
    std::stable_sort(
        sorted.begin(), sorted.end(),
        [&](const Row& a, const Row& b) { return CompareBy(key, a, b) < 0; });
    EXPECT_EQ(got, sorted);
  }
  EXPECT_EQ(engine().order_count(), 16u);
}

TEST_F(QueueTest, KeyBeyondTheFieldsPostsInvalidDescriptor) {
  AddRows({{1, "a", 0}}, {});
  for (const QueueKey& key : {QueueKey{4}, QueueKey{1, -4}}) {
    Get(&queue_, key);
    EXPECT_EQ(ErrorCode(), kErrInvalidDescriptor);
    Sort(&queue_, key);
    EXPECT_EQ(ErrorCode(), kErrInvalidDescriptor);
    Set({2, "x", 0});
    Add(&queue_, key);
    EXPECT_EQ(ErrorCode(), kErrInvalidDescriptor);
  }
  EXPECT_EQ(RecordCount(&queue_), 1u);
  EXPECT_EQ(engine().order_count(), 1u);
}

TEST_F(QueueTest, NullQueueAndPendingErrors) {
  PostError(kErrFileNotFound);
  EXPECT_EQ(RecordCount(&queue_), 0u);
  EXPECT_EQ(ErrorCode(), 0);  // cleared by the statement
  for (void (*statement)(Queue*) : {&Add, &Put, &Delete, &Free}) {
    statement(nullptr);
    EXPECT_EQ(ErrorCode(), kErrMemoryCorrupted);
  }
  EXPECT_EQ(RecordCount(nullptr), 0u);
  EXPECT_EQ(ErrorCode(), kErrMemoryCorrupted);
}

TEST_F(QueueTest, ChangeCountMovesOnEveryChangeOnly) {
  std::int32_t before = Clock();
  std::uint32_t start = ChangeCount(&queue_);
  std::int32_t after = Clock();
  bool from_clock = false;
  for (std::int32_t c = before; c <= after; ++c) {
    from_clock |= start == static_cast<std::uint32_t>(c) * 25781083u;
  }
  EXPECT_TRUE(from_clock);

  AddRows({{1, "a", 0}, {2, "b", 0}}, {});
  struct Step {
    const char* name;
    void (*run)(Queue*);
    bool changes;
  };
  const Step steps[] = {
      {"add", [](Queue* q) { Add(q); }, true},
      {"add key", [](Queue* q) { Add(q, {1}); }, true},
      {"get", [](Queue* q) { Get(q, 1); }, false},
      {"get key", [](Queue* q) { Get(q, {1}); }, false},
      {"count", [](Queue* q) { RecordCount(q); }, false},
      {"pointer", [](Queue* q) { Pointer(q); }, false},
      {"put", [](Queue* q) { Put(q); }, true},
      {"sort", [](Queue* q) { Sort(q, {2}); }, true},
      {"delete", [](Queue* q) { Delete(q); }, true},
      {"free", [](Queue* q) { Free(q); }, true},
  };
  for (const Step& step : steps) {
    std::uint32_t old = ChangeCount(&queue_);
    step.run(&queue_);
    ASSERT_EQ(ErrorCode(), 0) << step.name;
    EXPECT_EQ(ChangeCount(&queue_) != old, step.changes) << step.name;
  }
}

TEST_F(QueueTest, FreeLeavesOneEmptyUnkeyedOrder) {
  AddRows({{2, "b", 0}, {1, "a", 0}}, {1});
  Sort(&queue_, {2});
  Free(&queue_);
  EXPECT_EQ(RecordCount(&queue_), 0u);
  EXPECT_EQ(engine().order_count(), 1u);
  EXPECT_FALSE(engine().current_order_keyed());
  EXPECT_EQ(Pointer(&queue_), 0u);
  AddRows({{2, "b", 0}, {1, "a", 0}}, {});
  EXPECT_EQ(Names(), (NameList{"b", "a"}));
}

// Random statements on a queue with several orders: every keyed order stays
// sorted and complete, and GET by key finds the first equal entry whether
// it searches or (after enough lookups) uses an auxiliary index.
TEST_F(QueueTest, OrdersStayExactUnderRandomStatements) {
  std::mt19937 random(23);
  const QueueKey keys[] = {{3}, {1}, {-1, 2}, {2}};
  bool indexed[2] = {false, false};
  for (int round = 0; round < 3000; ++round) {
    const QueueKey& key = keys[random() % 4];
    Row row{static_cast<std::int32_t>(random() % 60) - 30,
            std::string(1, 'a' + random() % 5),
            static_cast<std::uint8_t>(random() % 7)};
    std::uint32_t action = random() % 10;
    std::uint32_t count = RecordCount(&queue_);
    if (action < 4 || count < 40) {
      Set(row);
      Add(&queue_, key);
    } else if (action < 6) {
      Get(&queue_, static_cast<std::int32_t>(random() % count + 1));
      Set(row);
      (action == 4 ? Put : Delete)(&queue_);
    } else {
      Set(row);
      Get(&queue_, key);
      bool found = ErrorCode() == 0;
      Row got = Current();
      std::uint32_t pointer = Pointer(&queue_);
      std::vector<Row> rows = All();
      for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_LE(CompareBy(key, rows[i - 1], rows[i]), 0) << round;
      }
      auto first = std::find_if(rows.begin(), rows.end(), [&](const Row& r) {
        return CompareBy(key, r, row) == 0;
      });
      ASSERT_EQ(found, first != rows.end()) << round;
      if (found) {
        ASSERT_EQ(got, *first) << round;
        ASSERT_EQ(pointer, first - rows.begin() + 1u) << round;
      }
      if (key == keys[0]) indexed[0] |= engine().current_order_indexed();
      if (key == keys[1]) indexed[1] |= engine().current_order_indexed();
    }
    ASSERT_EQ(ErrorCode() == 0 || ErrorCode() == kErrEntryNotFound, true);
  }
  // Both index forms (one-byte table, integer hash) took part.
  EXPECT_TRUE(indexed[0]);
  EXPECT_TRUE(indexed[1]);
}

// Integer keys are searched by rank across many blocks of entries: signed
// values, descending components and two-component keys keep their order,
// and Put and Delete keep the blocks' first entries right.
TEST_F(QueueTest, IntegerKeysKeepTheirOrderAcrossManyBlocks) {
  std::mt19937 random(5);
  const QueueKey keys[] = {{1}, {-1}, {3, -1}};
  for (const QueueKey& key : keys) {
    Free(&queue_);
    std::vector<Row> rows;
    for (int i = 0; i < 3000; ++i) {
      rows.push_back({static_cast<std::int32_t>(random() % 4001) - 2000, "r",
                      static_cast<std::uint8_t>(random() % 250)});
    }
    AddRows(rows, key);
    for (int i = 0; i < 400; ++i) {
      Get(&queue_, static_cast<std::int32_t>(random() % RecordCount(&queue_) + 1));
      ASSERT_EQ(ErrorCode(), 0);
      Set({static_cast<std::int32_t>(random() % 4001) - 2000, "p",
           static_cast<std::uint8_t>(random() % 250)});
      (i % 2 == 0 ? Put : Delete)(&queue_);
      ASSERT_EQ(ErrorCode(), 0);
    }
    const std::vector<Row> all = All();
    for (std::size_t i = 1; i < all.size(); ++i) {
      ASSERT_LE(CompareBy(key, all[i - 1], all[i]), 0) << i;
    }
    for (std::size_t i = 0; i < all.size(); i += 97) {
      Set(all[i]);
      Get(&queue_, key);
      ASSERT_EQ(ErrorCode(), 0);
      EXPECT_EQ(CompareBy(key, Current(), all[i]), 0);
    }
  }
}

// Records of 128 bytes and more are stored compressed with string tails
// normalised, in groups and arrays too.
class LongRecordQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearError(); }
};

TEST_F(LongRecordQueueTest, CompressesFrom128Bytes) {
  for (std::uint32_t length : {127u, 128u}) {
    TypeDescriptor descriptor = DescriptorBuilder()
                                    .Long("L:ID")
                                    .String("L:TEXT", length - 4)
                                    .Descriptor();
    std::vector<std::uint8_t> buffer(length, ' ');
    Queue queue(buffer.data(), &descriptor, length);
    buffer[0] = 1;
    Add(&queue);
    ASSERT_EQ(ErrorCode(), 0);
    EXPECT_EQ(queue.engine->encoding(), length == 127
                                            ? QueueEncoding::kPlain
                                            : QueueEncoding::kNormalised);
    EXPECT_EQ(queue.engine->current_entry_compressed(), length == 128)
        << length;
    // Noise does not compress: the entry is stored plain.
    std::mt19937 random(length);
    for (auto& byte : buffer) byte = static_cast<std::uint8_t>(random());
    std::vector<std::uint8_t> noisy = buffer;
    Add(&queue);
    EXPECT_FALSE(queue.engine->current_entry_compressed());
    std::fill(buffer.begin(), buffer.end(), 0);
    Get(&queue, 1);
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(buffer[length - 1], ' ');
    Get(&queue, 2);
    EXPECT_EQ(buffer, noisy);
  }
}

TEST_F(LongRecordQueueTest, NormalisesStringTailsInGroupsAndArrays) {
  TypeDescriptor descriptor = DescriptorBuilder()
                                  .CString("T:C", 20)
                                  .Group("T:G")
                                  .CString("T:GC", 6)
                                  .PString("T:GP", 6)
                                  .End()
                                  .Dim({2})
                                  .CString("T:ARR", 5)
                                  .Dim({2})
                                  .String("T:PAD", 100)
                                  .Descriptor();
  const std::uint32_t length = 20 + 2 * 12 + 10 + 100;
  std::vector<std::uint8_t> buffer(length, 'x');
  auto put = [&](std::size_t at, std::string_view bytes) {
    std::memcpy(buffer.data() + at, bytes.data(), bytes.size());
  };
  put(0, std::string_view("abc\0", 4));
  put(20, std::string_view("ab\0", 3));  // G[1].GC
  put(26, "\x02yz");                     // G[1].GP: "yz"
  put(32, std::string_view("\0", 1));    // G[2].GC empty
  put(38, "\x01q");                      // G[2].GP: "q"
  put(44, std::string_view("k\0", 2));   // ARR[1]
  // ARR[2] has no zero: left as it is.
  Queue queue(buffer.data(), &descriptor, length);
  Add(&queue);
  ASSERT_EQ(ErrorCode(), 0);
  std::string expected = std::string("abc") + std::string(17, '\0') +
                         std::string("ab\0\0\0\0", 6) + "\x02yzzzz" +
                         std::string(6, '\0') + "\x01qqqqq" +
                         std::string("k\0\0\0\0", 5) + "xxxxx" +
                         std::string(100, 'x');
  std::string got(buffer.begin(), buffer.end());
  EXPECT_EQ(got, expected);  // the buffer itself is normalised
  std::fill(buffer.begin(), buffer.end(), 0);
  Get(&queue, 1);
  EXPECT_EQ(std::string(buffer.begin(), buffer.end()), expected);
  EXPECT_TRUE(queue.engine->current_entry_compressed());
}

TEST_F(LongRecordQueueTest, WithoutARecordMapCompressesAsIs) {
  std::vector<std::uint8_t> buffer(200, 0);
  std::memcpy(buffer.data(), "abc\0zzz", 7);
  Queue queue(buffer.data(), nullptr, 200);
  Add(&queue);
  EXPECT_EQ(queue.engine->encoding(), QueueEncoding::kCompressed);
  EXPECT_TRUE(queue.engine->current_entry_compressed());
  std::fill(buffer.begin(), buffer.end(), 1);
  Get(&queue, 1);
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 8),
            std::string("abc\0zzz\0", 8));
}

}  // namespace
}  // namespace vantrel
