#include "storage/tnl/table/btree.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/pager/page_cache.h"
#include "storage/tnl/table/structure_check.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kLongestRandomKey = 12;
// Longer than every random key and all 0xFF, so above all of them.
constexpr std::size_t kAboveAll = kLongestRandomKey + 1;

using Bytes = std::vector<std::uint8_t>;

PageRecord Record(const std::string& key, std::size_t data_length,
                  std::uint8_t fill = 'd') {
  PageRecord r;
  r.bytes.assign(key.begin(), key.end());
  r.bytes.resize(key.size() + data_length, fill);
  r.key_length = static_cast<std::uint16_t>(key.size());
  return r;
}

Bytes KeyOf(const std::string& key) { return Bytes(key.begin(), key.end()); }

std::string Numbered(int i) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "r%05d", i);
  return buf;
}

class BTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("btree_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "tree.vtl").string();
    std::ofstream(path_).close();
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs `body` as one committed operation on a fresh open of the file.
  template <typename Body>
  int WithFile(Body body, bool commit = true) {
    TnlFile file;
    EXPECT_TRUE(file.Open(path_, kOpenReadWriteShared));
    const int check = RunOperation(path_, [&] {
      ASSERT_EQ(file.LoadHeader(LockWait::kWait), kLoadOk);
      BTree tree(file);
      body(file, tree);
      if (commit && file.dirty()) {
        ASSERT_EQ(file.Commit(), 0);
      }
    });
    file.EndOperation();
    file.Close();
    return check;
  }

  // Every record in order, stepping with FindFirstGreater, as key -> bytes.
  static std::map<Bytes, Bytes> Walk(BTree& tree) {
    std::map<Bytes, Bytes> out;
    Bytes key;
    while (auto next = tree.FindFirstGreater(key)) {
      key.assign(next->Key().begin(), next->Key().end());
      EXPECT_TRUE(out.emplace(key, next->bytes).second);
    }
    return out;
  }

  // Every record in reverse order, stepping with FindLastBelow from a key
  // above all others, as (key, bytes) pairs.
  static std::vector<std::pair<Bytes, Bytes>> WalkBackward(BTree& tree) {
    std::vector<std::pair<Bytes, Bytes>> out;
    auto previous = tree.FindLastAtOrBelow(Bytes(kAboveAll, 0xFF));
    while (previous) {
      Bytes key(previous->Key().begin(), previous->Key().end());
      out.emplace_back(key, previous->bytes);
      previous = tree.FindLastBelow(key);
    }
    return out;
  }

  // The keys of the records of each child of the root, in order.
  static std::vector<std::vector<std::string>> RootChildren(TnlFile& f) {
    std::vector<std::vector<std::string>> out;
    Page* root = f.RootPage();
    for (std::size_t i = 0; i < root->records.size(); ++i) {
      Page* child = f.GetPage(root->records.At(i).child);
      std::vector<std::string> keys;
      child->records.ForEach([&](const RecordRef& r) {
        keys.emplace_back(r.Key().begin(), r.Key().end());
      });
      out.push_back(keys);
    }
    return out;
  }

  fs::path dir_;
  std::string path_;
};

TEST_F(BTreeTest, RandomInsertsAndRemovesMatchAMapModel) {
  std::mt19937 rng(20261210);
  std::map<Bytes, Bytes> model;
  std::vector<Bytes> keys;  // the model's keys, for picking at random

  auto insert_phase = [&](int count) {
    ASSERT_EQ(WithFile([&](TnlFile&, BTree& tree) {
                for (int i = 0; i < count; ++i) {
                  Bytes key(1 + rng() % kLongestRandomKey);
                  for (auto& b : key) b = static_cast<std::uint8_t>(rng());
                  if (i % 4 == 0 && !keys.empty()) {
                    // A find leaves its leaf as the tree's hint; a key
                    // just after the one found mostly goes into that leaf
                    // without a descent.
                    key = keys[rng() % keys.size()];
                    ASSERT_TRUE(tree.FindView(key).has_value());
                    key.push_back(static_cast<std::uint8_t>(rng()));
                  }
                  if (model.count(key) || key.size() > kLongestRandomKey) {
                    continue;
                  }
                  // Mostly small records, now and then a large one.
                  const std::size_t data =
                      rng() % 50 == 0 ? 2000 + rng() % 4000 : rng() % 60;
                  PageRecord r;
                  r.bytes = key;
                  r.key_length = static_cast<std::uint16_t>(key.size());
                  for (std::size_t j = 0; j < data; ++j) {
                    r.bytes.push_back(static_cast<std::uint8_t>(rng()));
                  }
                  model.emplace(key, r.bytes);
                  keys.push_back(key);
                  tree.Insert(std::move(r));
                }
              }),
              0);
  };
  auto remove_phase = [&](std::size_t keep) {
    ASSERT_EQ(WithFile([&](TnlFile&, BTree& tree) {
                while (keys.size() > keep) {
                  const std::size_t pick = rng() % keys.size();
                  std::swap(keys[pick], keys.back());
                  ASSERT_TRUE(tree.Remove(keys.back()));
                  EXPECT_FALSE(tree.Remove(keys.back()));
                  model.erase(keys.back());
                  keys.pop_back();
                }
              }),
              0);
  };
  // Backward searches for random keys, keys of records and their prefixes
  // (which sort just before them) against the model.
  // The found record must be the model's last one before `bound`.
  auto expect_before = [&](const std::optional<PageRecord>& found,
                           std::map<Bytes, Bytes>::const_iterator bound) {
    ASSERT_EQ(found.has_value(), bound != model.cbegin());
    if (found) {
      EXPECT_EQ(found->bytes, std::prev(bound)->second);
    }
  };
  auto probe_backward = [&](BTree& tree) {
    for (int i = 0; i < 400; ++i) {
      Bytes probe;
      if (!keys.empty() && i % 2 == 0) {
        probe = keys[rng() % keys.size()];
        if (i % 4 == 0) probe.resize(rng() % probe.size());
      } else {
        probe.resize(rng() % kAboveAll);
        for (auto& b : probe) b = static_cast<std::uint8_t>(rng());
      }
      expect_before(tree.FindLastBelow(probe), model.lower_bound(probe));
      expect_before(tree.FindLastAtOrBelow(probe), model.upper_bound(probe));
    }
  };
  auto verify = [&](const char* phase) {
    SCOPED_TRACE(phase);
    ASSERT_EQ(WithFile(
                  [&](TnlFile& f, BTree& tree) {
                    EXPECT_EQ(CheckStructure(f), "");
                    EXPECT_TRUE(Walk(tree) == model);
                    const auto backward = WalkBackward(tree);
                    const std::vector<std::pair<Bytes, Bytes>> reversed(
                        model.rbegin(), model.rend());
                    EXPECT_TRUE(backward == reversed);
                    probe_backward(tree);
                    for (std::size_t i = 0; i < keys.size(); i += 97) {
                      auto found = tree.Find(keys[i]);
                      ASSERT_TRUE(found.has_value());
                      EXPECT_EQ(found->bytes, model[keys[i]]);
                    }
                  },
                  false),
              0);
  };

  // Replace takes a record of the same length in place and refuses any
  // other, and a key the tree does not hold.
  auto replace_phase = [&] {
    ASSERT_EQ(WithFile([&](TnlFile&, BTree& tree) {
                for (std::size_t i = 0; i < keys.size(); i += 7) {
                  PageRecord r;
                  r.bytes = model[keys[i]];
                  r.key_length = static_cast<std::uint16_t>(keys[i].size());
                  r.bytes.push_back(0);
                  EXPECT_FALSE(tree.Replace(r));
                  r.bytes.pop_back();
                  for (std::size_t j = r.key_length; j < r.bytes.size(); ++j) {
                    r.bytes[j] ^= 0x5A;
                  }
                  ASSERT_TRUE(tree.Replace(r));
                  model[keys[i]] = r.bytes;
                }
                Bytes absent(kAboveAll, 0xFF);
                EXPECT_FALSE(tree.Replace(
                    Record(std::string(absent.begin(), absent.end()), 4)));
              }),
              0);
  };

  insert_phase(30000);
  verify("after inserting");
  replace_phase();
  verify("after replacing");
  remove_phase(keys.size() / 2);
  verify("after removing half");
  insert_phase(15000);
  verify("after inserting again");
  remove_phase(50);
  verify("after removing nearly all");
  remove_phase(0);
  verify("after removing all");
  insert_phase(100);
  verify("after refilling");
}

TEST_F(BTreeTest, SplitsAtBothThresholdsWithTheMedianToTheSmallerHalf) {
  // 21 records of 205 measure each: 13 + 21 * 205 = 4318 > 4096 with more
  // than 20 records; at 20 records (4113) the page stays whole.
  PageNumber root_number = 0;
  ASSERT_EQ(WithFile([&](TnlFile& f, BTree& tree) {
              for (int i = 0; i < 20; ++i)
                tree.Insert(Record(Numbered(i), 194));
              EXPECT_EQ(f.RootPage()->level, 0);
            }),
            0);
  ASSERT_EQ(WithFile([&](TnlFile& f, BTree& tree) {
              root_number = f.RootPage()->number;
              tree.Insert(Record(Numbered(20), 194));
            }),
            0);
  ASSERT_EQ(WithFile([&](TnlFile& f, BTree&) {
              Page* root = f.RootPage();
              EXPECT_EQ(root->number, root_number);  // the root stays put
              EXPECT_EQ(root->level, 1);
              const auto children = RootChildren(f);
              ASSERT_EQ(children.size(), 2u);
              // Median: position 21 / 2 = 10; halves of 10 and 10, so the
              // new right page takes it.
              EXPECT_EQ(children[0].size(), 10u);
              EXPECT_EQ(children[0].front(), Numbered(0));
              EXPECT_EQ(children[1].size(), 11u);
              EXPECT_EQ(children[1].front(), Numbered(10));
              EXPECT_EQ(root->records.At(1).Key().size(), 6u);  // key only
              EXPECT_EQ(root->records.At(1).bytes.size(), 6u);
              EXPECT_EQ(CheckStructure(f), "");
            }),
            0);

  // Large records: three of 6005 measure exceed 15,094 with few records.
  fs::remove(path_);
  std::ofstream(path_).close();
  ASSERT_EQ(WithFile([&](TnlFile& f, BTree& tree) {
              tree.Insert(Record("a", 6000));
              tree.Insert(Record("b", 6000));
              EXPECT_EQ(f.RootPage()->level, 0);
              tree.Insert(Record("c", 6000));
              EXPECT_EQ(f.RootPage()->level, 1);
              const auto children = RootChildren(f);
              EXPECT_EQ(children, (std::vector<std::vector<std::string>>{
                                      {"a"}, {"b", "c"}}));
            }),
            0);

  // Four records: the median (position 2) leaves 2 left and 1 right, so
  // the right half takes it.
  fs::remove(path_);
  std::ofstream(path_).close();
  ASSERT_EQ(WithFile([&](TnlFile& f, BTree& tree) {
              for (const char* k : {"a", "b", "c"})
                tree.Insert(Record(k, 4000));
              EXPECT_EQ(f.RootPage()->level, 0);
              tree.Insert(Record("d", 4000));  // 13 + 4 * 4006 = 16037
              EXPECT_EQ(RootChildren(f), (std::vector<std::vector<std::string>>{
                                             {"a", "b"}, {"c", "d"}}));
            }),
            0);
}

TEST_F(BTreeTest, RemovalGivesEmptyLeavesBackAndRenewsSeparators) {
  ASSERT_EQ(WithFile([&](TnlFile&, BTree& tree) {
              for (int i = 0; i < 21; ++i)
                tree.Insert(Record(Numbered(i), 194));
            }),
            0);
  ASSERT_EQ(WithFile([&](TnlFile& f, BTree& tree) {
              ASSERT_TRUE(tree.Remove(KeyOf(Numbered(10))));
              Page* root = f.RootPage();
              ASSERT_EQ(root->records.size(), 2u);
              const auto sep = root->records.At(1).Key();
              EXPECT_EQ(std::string(sep.begin(), sep.end()), Numbered(11));
              EXPECT_EQ(CheckStructure(f), "");
            }),
            0);
  ASSERT_EQ(WithFile([&](TnlFile& f, BTree& tree) {
              for (int i = 11; i < 21; ++i) {
                ASSERT_TRUE(tree.Remove(KeyOf(Numbered(i))));
              }
              Page* root = f.RootPage();
              EXPECT_EQ(root->level, 1);  // no merging, no loss of height
              EXPECT_EQ(root->records.size(), 1u);
              EXPECT_FALSE(tree.FindFirstGreater(KeyOf(Numbered(9))));
              EXPECT_EQ(CheckStructure(f), "");
            }),
            0);
  ASSERT_EQ(WithFile([&](TnlFile& f, BTree& tree) {
              EXPECT_EQ(CheckStructure(f), "");
              auto next = tree.FindFirstGreater(KeyOf(Numbered(3)));
              ASSERT_TRUE(next);
              EXPECT_EQ(next->bytes.size(), 200u);
              EXPECT_EQ(next->bytes[5], '4');
            }),
            0);
}

// Steps that go on in the last leaf must find what a descent finds, while
// this file changes the tree between steps and while another open of the
// file commits between operations.
TEST_F(BTreeTest, HintedStepsAgreeWithTheTreeAcrossChanges) {
  std::map<std::string, int> model;
  ASSERT_EQ(WithFile([&](TnlFile&, BTree& tree) {
              for (int i = 0; i < 600; i += 2) {
                tree.Insert(Record(Numbered(i), 60));
                model[Numbered(i)] = 0;
              }
            }),
            0);
  TnlFile mine;
  TnlFile other;
  ASSERT_TRUE(mine.Open(path_, kOpenReadWriteShared));
  ASSERT_TRUE(other.Open(path_, kOpenReadWriteShared));
  for (const bool forward : {true, false}) {
    LeafHint hint;
    std::string at = forward ? "" : "s";
    for (int step = 0;; ++step) {
      std::optional<PageRecord> found;
      ASSERT_EQ(RunOperation(
                    path_,
                    [&] {
                      ASSERT_EQ(mine.LoadHeader(LockWait::kWait), kLoadOk);
                      BTree tree(mine);
                      // A copy: the view ends when the tree changes below.
                      const auto view =
                          forward ? tree.FindFirstGreaterView(KeyOf(at), hint)
                                  : tree.FindLastBelowView(KeyOf(at), hint);
                      if (view) found = view->Copy();
                      const std::string key = Numbered(step * 3 + 1);
                      if (step % 7 == 3 && !model.contains(key)) {
                        // this file changes between steps
                        tree.Insert(Record(key, 900));
                        model[key] = 0;
                      }
                      if (mine.dirty()) {
                        ASSERT_EQ(mine.Commit(), 0);
                      }
                    }),
                0);
      mine.EndOperation();
      const auto expected =
          forward ? model.upper_bound(at) : model.lower_bound(at);
      if (forward ? expected == model.end() : expected == model.begin()) {
        EXPECT_FALSE(found.has_value()) << at;
        break;
      }
      const std::string want =
          forward ? expected->first : std::prev(expected)->first;
      ASSERT_TRUE(found.has_value()) << at;
      ASSERT_EQ(std::string(found->Key().begin(), found->Key().end()), want);
      at = want;
      const int number = std::stoi(at.substr(1, 5));
      const std::string key =
          forward ? Numbered(number) + "z" : Numbered(number - 1) + "y";
      if (step % 11 == 5 && number > 0 && !model.contains(key)) {
        // another open of the file changes it
        ASSERT_EQ(RunOperation(path_,
                               [&] {
                                 ASSERT_EQ(other.LoadHeader(LockWait::kWait),
                                           kLoadOk);
                                 BTree tree(other);
                                 tree.Insert(Record(key, 10));
                                 ASSERT_EQ(other.Commit(), 0);
                               }),
                  0);
        other.EndOperation();
        model[key] = 0;
      }
    }
  }
}

// A step that goes on from its hint must not use a leaf the cache has
// dropped meanwhile, nor the hint's position when the step starts from
// another key than the one found last.
TEST_F(BTreeTest, HintedStepsAcrossCacheTrimsAndJumps) {
  std::vector<std::string> keys;
  ASSERT_EQ(WithFile([&](TnlFile&, BTree& tree) {
              for (int i = 0; i < 400; ++i) {
                keys.push_back(Numbered(i * 2));
                tree.Insert(Record(keys.back(), 1500, 'a' + i % 26));
              }
            }),
            0);
  // A budget this small keeps only the fewest pages between operations.
  SetPageCacheBudget(1);
  TnlFile file;
  SetPageCacheBudget(0);
  ASSERT_TRUE(file.Open(path_, kOpenReadWriteShared));
  for (const bool forward : {true, false}) {
    LeafHint hint;
    std::size_t index = forward ? 0 : keys.size() - 1;
    std::string from = forward ? "" : "s";
    for (int step = 0; step < 1200; ++step) {
      std::optional<PageRecord> found;
      ASSERT_EQ(RunOperation(
                    path_,
                    [&] {
                      ASSERT_EQ(file.LoadHeader(LockWait::kWait), kLoadOk);
                      BTree tree(file);
                      const auto view =
                          forward ? tree.FindFirstGreaterView(KeyOf(from), hint)
                                  : tree.FindLastBelowView(KeyOf(from), hint);
                      if (view) found = view->Copy();
                      // Reads elsewhere push the leaf out.
                      if (step % 3 == 1) {
                        tree.Find(KeyOf(keys[(index + 200) % 400]));
                      }
                    }),
                0);
      file.EndOperation();
      ASSERT_TRUE(found.has_value()) << step;
      ASSERT_EQ(std::string(found->Key().begin(), found->Key().end()),
                keys[index]);
      EXPECT_EQ(found->bytes.back(), 'a' + index % 26);
      if ((forward ? index + 1 == keys.size() : index == 0)) break;
      from = keys[index];
      if (step % 5 == 4 && (forward ? index >= 3 : index + 3 < keys.size())) {
        // Every fifth step starts from a little way back instead, between
        // two keys.
        index = forward ? index - 3 : index + 3;
        from = keys[index] + (forward ? "0" : "");
        if (!forward) from.back() -= 1;
      }
      index = forward ? index + 1 : index - 1;
    }
  }
}

TEST_F(BTreeTest, FailedChecks) {
  EXPECT_EQ(WithFile([](TnlFile&, BTree& tree) {
              tree.Insert(Record("k", kRecordLengthLimit - 1));
            }),
            kCheckRecordTooLong);
  // The longest record passes check 824, but alone in a page it exceeds the
  // split measure and a page of one record cannot split.
  EXPECT_EQ(WithFile([](TnlFile&, BTree& tree) {
              tree.Insert(Record("k", kRecordLengthLimit - 2));
            }),
            kCheckSplitTooFew);
  EXPECT_EQ(WithFile([](TnlFile& f, BTree& tree) {
              tree.Insert(Record("k", 15000));
              EXPECT_EQ(f.RootPage()->records.size(), 1u);
            }),
            0);
  EXPECT_EQ(WithFile(
                [](TnlFile& f, BTree& tree) {
                  f.SetReadingMode(true);
                  tree.Remove(KeyOf("k"));
                },
                false),
            kCheckRemoveInReadingMode);
  EXPECT_EQ(WithFile(
                [](TnlFile& f, BTree& tree) {
                  f.SetReadingMode(true);
                  tree.Replace(Record("k", 15000));
                },
                false),
            kCheckChangeInReadingMode);

  // A damaged file whose inner page names itself as its child fails a check
  // instead of being descended for ever, forwards and backwards.
  ASSERT_EQ(WithFile([](TnlFile&, BTree& tree) {
              for (int i = 0; i < 400; ++i)
                tree.Insert(Record(Numbered(i), 60));
            }),
            0);
  for (const bool backward : {false, true}) {
    EXPECT_EQ(WithFile(
                  [&](TnlFile& f, BTree& tree) {
                    Page* root = f.RootPage();
                    ASSERT_GT(root->level, 0);
                    for (std::size_t i = 0; i < root->records.size(); ++i) {
                      root->records.SetChild(i, root->number);
                    }
                    if (backward) {
                      tree.FindLastAtOrBelow(KeyOf("z"));
                    } else {
                      tree.Find(KeyOf(Numbered(7)));
                    }
                  },
                  false),
              kCheckChildLevel)
        << backward;
  }
}

}  // namespace
}  // namespace vantrel
