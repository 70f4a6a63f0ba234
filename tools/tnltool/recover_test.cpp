// tnltool recover on sample files damaged in one place each: the new file
// checks clean and holds every record the damage did not reach.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>

#include "runtime/data/base/byte_order.h"
#include "runtime/data/base/error_state.h"
#include "storage/tnl/format/header.h"
#include "storage/tnl/format/page_image.h"
#include "storage/tnl/format/record_kinds.h"
#include "storage/tnl/pager/io_channel.h"
#include "storage/tnl/table/memo_store.h"
#include "tools/tnltool/tnl_tool.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

constexpr int kSampleRecords = 1200;
constexpr int kSampleBatch = 100;
constexpr std::size_t kMagicByte = 0x0E;

// One page of the intact file: where it lies and the keys it holds.
struct PageFacts {
  PageNumber number = 0;
  int units = 0;
  int level = 0;
  std::vector<ByteString> keys;
  bool HoldsKind(std::uint8_t kind) const {
    for (const ByteString& k : keys) {
      if (k.size() > kTableNumberBytes && k[0] < kTableNameByte &&
          k[kTableNumberBytes] == kind) {
        return true;
      }
    }
    return false;
  }
};

struct FileFacts {
  Header header;
  std::vector<PageFacts> pages;
};

// Reads every slot of an intact file.
FileFacts ReadFacts(const std::string& path, const std::string& password) {
  FileFacts facts;
  IoChannel channel;
  EXPECT_TRUE(channel.Open(path, OpenOptions{}));
  if (!password.empty()) channel.SetPassword(password);
  std::vector<unsigned char> bytes(kHeaderSize);
  EXPECT_EQ(RunOperation(path,
                         [&] {
                           channel.ReadBlock(kHeaderSize, bytes.data(), 0);
                           EXPECT_TRUE(DecodeHeader(bytes, &facts.header));
                           const ZoneTable& z = facts.header.zones;
                           for (int k = 1; k <= kMaxPageUnits; ++k) {
                             for (std::uint64_t p = z.start[k];
                                  p + k <= z.end[k]; p += k) {
                               bytes.assign(k * kPageUnit, 0);
                               channel.ReadBlock(bytes.size(), bytes.data(),
                                                 PagePosition(p));
                               DecodedPage page = DecodePageImage(bytes);
                               PageFacts f{static_cast<PageNumber>(p), k,
                                           page.level, {}};
                               page.records.ForEach([&](const RecordRef& r) {
                                 f.keys.emplace_back(r.Key().begin(),
                                                     r.Key().end());
                               });
                               facts.pages.push_back(std::move(f));
                             }
                           }
                         }),
            0);
  return facts;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytesAt(const std::string& path, std::uint64_t position,
                  const std::string& bytes) {
  std::fstream io(path, std::ios::binary | std::ios::in | std::ios::out);
  io.seekp(static_cast<std::streamoff>(position));
  io.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A dumped record: its field lines and its memo line.
struct DumpedRecord {
  std::string fields;
  std::string memo;
};

// The records of `tnltool dump` output by record number.
std::map<std::uint32_t, DumpedRecord> ParseDump(const std::string& dump) {
  std::map<std::uint32_t, DumpedRecord> records;
  std::istringstream in(dump);
  std::string line;
  DumpedRecord* current = nullptr;
  while (std::getline(in, line)) {
    if (line.starts_with("RECORD ")) {
      current = &records[std::stoul(line.substr(7))];
    } else if (current != nullptr && line.starts_with("  SMP:NOTES ")) {
      current->memo = line;
    } else if (current != nullptr) {
      current->fields += line + "\n";
    }
  }
  return records;
}

// The pages a damage reaches, chosen from the intact file's facts; the
// damage itself is done to the file at the path.
struct Damage {
  std::vector<PageNumber> pages;  // pages whose records are lost
  std::function<void(const std::string&)> apply;
};

// Overwrites the stored length of page `p` so that it no longer fits its
// slot: the page cannot be decoded.
Damage BreakPage(const PageFacts& p) {
  return {{p.number}, [at = PagePosition(p.number)](const std::string& path) {
            WriteBytesAt(path, at + kPageStoredOffset, "\xFF\xFF");
          }};
}

// A page of the intact file that `pick` accepts, chosen by `random`.
const PageFacts* PickPage(const FileFacts& facts, std::mt19937& random,
                          const std::function<bool(const PageFacts&)>& pick) {
  std::vector<const PageFacts*> candidates;
  for (const PageFacts& p : facts.pages) {
    if (pick(p)) candidates.push_back(&p);
  }
  if (candidates.empty()) return nullptr;
  return candidates[random() % candidates.size()];
}

struct RecoverCase {
  const char* name;
  const char* password;
  // Chooses the damage; none when the file offers no page of the kind.
  std::function<std::optional<Damage>(const FileFacts&, std::mt19937&)> damage;
  bool header_damaged = false;
  bool pages_lost = true;
  const char* report_says = "";  // a further line the report must hold
};

std::optional<Damage> LeafWith(const FileFacts& facts, std::mt19937& random,
                               std::uint8_t kind, bool only) {
  const PageFacts* page = PickPage(facts, random, [&](const PageFacts& p) {
    if (p.level != 0 || !p.HoldsKind(kind)) return false;
    if (!only) return true;
    for (std::uint8_t other : {kKindData, kKindMemo}) {
      if (other != kind && p.HoldsKind(other)) return false;
    }
    return true;
  });
  if (page == nullptr) return std::nullopt;
  return BreakPage(*page);
}

std::optional<Damage> InnerPage(const FileFacts& facts, std::mt19937& random,
                                bool root) {
  const PageFacts* page = PickPage(facts, random, [&](const PageFacts& p) {
    return p.level != 0 && (p.number == facts.header.root_page) == root;
  });
  if (page == nullptr) return std::nullopt;
  return BreakPage(*page);
}

const RecoverCase kCases[] = {
    {"header magic", "",
     [](const FileFacts&, std::mt19937&) -> std::optional<Damage> {
       return Damage{{}, [](const std::string& path) {
                       WriteBytesAt(path, kMagicByte, "X");
                     }};
     },
     true, false, "header: damaged\n"},
    {"zone table", "",
     [](const FileFacts& facts, std::mt19937&) -> std::optional<Damage> {
       // The highest zone's end drops below its start.
       int top = kMaxPageUnits;
       while (top > 0 && facts.header.zones.start[top] ==
                             facts.header.zones.end[top]) {
         --top;
       }
       const std::uint64_t at = kZoneEndOffset + 4 * top;
       return Damage{{}, [at](const std::string& path) {
                       WriteBytesAt(path, at, std::string(4, '\0'));
                     }};
     },
     true, false, "header: damaged (pages found by scanning every unit)"},
    {"zone bounds shifted by a unit", "",
     [](const FileFacts& facts, std::mt19937&) -> std::optional<Damage> {
       // The fullest zone with free space above it moves up one unit: the
       // table still looks sound, but every slot of the zone is out of step
       // with its pages. Scanning the zone finds them all but the first,
       // which now lies below it.
       const ZoneTable& zones = facts.header.zones;
       int shifted = 0;
       for (int k = 1; k < kMaxPageUnits; ++k) {
         const std::uint32_t pages = (zones.end[k] - zones.start[k]) / k;
         if (pages > 1 && zones.end[k] < zones.start[k + 1] &&
             (shifted == 0 ||
              pages > (zones.end[shifted] - zones.start[shifted]) / shifted)) {
           shifted = k;
         }
       }
       if (shifted == 0) return std::nullopt;
       std::string words(8, '\0');
       StoreLe32(reinterpret_cast<std::uint8_t*>(words.data()),
                 zones.start[shifted] + 1);
       StoreLe32(reinterpret_cast<std::uint8_t*>(words.data()) + 4,
                 zones.end[shifted] + 1);
       return Damage{{static_cast<PageNumber>(zones.start[shifted])},
                     [words, shifted](const std::string& path) {
                       WriteBytesAt(path, kZoneStartOffset + 4 * shifted,
                                    words.substr(0, 4));
                       WriteBytesAt(path, kZoneEndOffset + 4 * shifted,
                                    words.substr(4));
                     }};
     }},
    {"zone table past the end", "",
     [](const FileFacts& facts, std::mt19937&) -> std::optional<Damage> {
       // A sound-looking zone 59 of 200,000 pages past the end of the
       // file: slots that cannot be read, too many to list.
       const std::uint32_t start = EndOfPageSpace(facts.header.zones);
       std::string words(8, '\0');
       StoreLe32(reinterpret_cast<std::uint8_t*>(words.data()), start);
       StoreLe32(reinterpret_cast<std::uint8_t*>(words.data()) + 4,
                 start + kMaxPageUnits * 200000u);
       return Damage{{}, [words](const std::string& path) {
                       WriteBytesAt(path, kZoneStartOffset + 4 * kMaxPageUnits,
                                    words.substr(0, 4));
                       WriteBytesAt(path, kZoneEndOffset + 4 * kMaxPageUnits,
                                    words.substr(4));
                     }};
     }},
    {"root page", "",
     [](const FileFacts& f, std::mt19937& r) { return InnerPage(f, r, true); }},
    {"inner page", "",
     [](const FileFacts& f, std::mt19937& r) { return InnerPage(f, r, false); }},
    {"leaf of data records", "",
     [](const FileFacts& f, std::mt19937& r) {
       return LeafWith(f, r, kKindData, true);
     }},
    {"leaf of memo chunks", "",
     [](const FileFacts& f, std::mt19937& r) {
       return LeafWith(f, r, kKindMemo, true);
     }},
    {"leaf of the table name", "",
     [](const FileFacts& facts, std::mt19937& random) -> std::optional<Damage> {
       const PageFacts* page = PickPage(facts, random, [](const PageFacts& p) {
         return p.level == 0 &&
                std::any_of(p.keys.begin(), p.keys.end(), [](const auto& k) {
                  return !k.empty() && k[0] == kTableNameByte;
                });
       });
       if (page == nullptr) return std::nullopt;
       return BreakPage(*page);
     },
     false, true, "table TABLE1 (1): name lost; "},
    {"truncated tail", "",
     [](const FileFacts& facts, std::mt19937& random) -> std::optional<Damage> {
       // Cut inside the page that ends the page space.
       const PageFacts* last = &facts.pages.front();
       for (const PageFacts& p : facts.pages) {
         if (p.number + p.units > last->number + last->units) last = &p;
       }
       const std::uint64_t cut =
           PagePosition(last->number) + random() % (last->units * kPageUnit);
       return Damage{{last->number}, [cut](const std::string& path) {
                       fs::resize_file(path, cut);
                     }};
     }},
    {"enciphered leaf of data records", "Geheim-3",
     [](const FileFacts& f, std::mt19937& r) {
       return LeafWith(f, r, kKindData, false);
     }},
};

class RecoverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("recover_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) { return (dir_ / name).string(); }

  int Tool(std::vector<std::string> args, const std::string& password = "") {
    if (!password.empty()) {
      args.push_back("--password");
      args.push_back(password);
    }
    out_.str("");
    err_.str("");
    return RunTnlTool(args, out_, err_);
  }

  void MakeSample(const std::string& path, const std::string& password,
                  int records = kSampleRecords) {
    ASSERT_EQ(Tool({"sample", path, "--records", std::to_string(records),
                    "--batch", std::to_string(kSampleBatch)},
                   password),
              0)
        << err_.str();
  }

  std::map<std::uint32_t, DumpedRecord> Dump(const std::string& path,
                                             const std::string& password) {
    EXPECT_EQ(Tool({"dump", path}, password), kToolClean) << err_.str();
    return ParseDump(out_.str());
  }

  // Records whose data record, and whose memo chunks, the pages held (an
  // inner page holds only copies of keys).
  static void LostRecords(const FileFacts& facts,
                          const std::vector<PageNumber>& pages,
                          std::set<std::uint32_t>& data,
                          std::set<std::uint32_t>& memos) {
    for (const PageFacts& p : facts.pages) {
      if (p.level != 0 ||
          std::find(pages.begin(), pages.end(), p.number) == pages.end()) {
        continue;
      }
      for (const ByteString& key : p.keys) {
        if (key.size() == kDataKeyLength && key[4] == kKindData) {
          data.insert(LoadBe32(key.data() + 5));
        }
        if (const auto chunk = ParseMemoKey(key)) memos.insert(chunk->record);
      }
    }
  }

  // The recovered file holds exactly the intact records the damage did not
  // reach: no record is invented, none outside the lost pages is missing,
  // and a memo comes back whole or, when a lost page held part of it,
  // empty.
  void ExpectRecovered(const std::map<std::uint32_t, DumpedRecord>& intact,
                       const std::map<std::uint32_t, DumpedRecord>& recovered,
                       const std::set<std::uint32_t>& lost_data,
                       const std::set<std::uint32_t>& lost_memos) {
    std::map<std::string, std::string> memo_of;  // fields -> memo line
    for (const auto& [number, r] : recovered) {
      EXPECT_TRUE(memo_of.emplace(r.fields, r.memo).second)
          << "recovered twice:\n" << r.fields;
    }
    std::size_t expected = 0;
    const std::string empty_memo = "  SMP:NOTES ''";
    for (const auto& [number, r] : intact) {
      const auto found = memo_of.find(r.fields);
      if (lost_data.count(number) != 0) {
        if (found != memo_of.end()) memo_of.erase(found);
        continue;
      }
      ++expected;
      ASSERT_NE(found, memo_of.end()) << "record " << number << " missing";
      if (lost_memos.count(number) != 0) {
        EXPECT_EQ(found->second, empty_memo) << "record " << number;
      } else if (found->second != r.memo) {
        // Kept back only when the memo ends on a whole chunk next to a
        // lost page, where a further chunk may have been.
        const std::size_t length = r.memo.size() - empty_memo.size();
        EXPECT_TRUE(found->second == empty_memo &&
                    length % kMemoChunkBytes == 0)
            << "record " << number << ": " << found->second;
      }
      memo_of.erase(found);
    }
    EXPECT_TRUE(memo_of.empty()) << memo_of.size() << " records not in the "
                                 << "intact file, e.g.\n"
                                 << (memo_of.empty() ? ""
                                                     : memo_of.begin()->first);
    EXPECT_GT(expected, intact.size() / 2);
  }

  fs::path dir_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(RecoverTest, SalvagesWhatTheDamageDidNotReach) {
  std::mt19937 random(20261211);
  for (const RecoverCase& c : kCases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    const std::string intact = Path("intact.tnl");
    const std::string damaged = Path("damaged.tnl");
    const std::string recovered = Path("recovered.tnl");
    MakeSample(intact, c.password);
    const FileFacts facts = ReadFacts(intact, c.password);
    const auto damage = c.damage(facts, random);
    ASSERT_TRUE(damage) << "the sample file has no page of this kind";
    fs::copy_file(intact, damaged);
    damage->apply(damaged);
    const std::string damaged_bytes = ReadBytes(damaged);

    const int status = Tool({"recover", damaged, recovered}, c.password);
    ASSERT_NE(status, kToolNoAccess) << err_.str();
    const std::string report = out_.str();
    EXPECT_EQ(ReadBytes(damaged), damaged_bytes) << "the damaged file changed";
    EXPECT_EQ(report.find("header: damaged") != std::string::npos,
              c.header_damaged)
        << report;
    if (c.pages_lost) {
      EXPECT_EQ(status, kToolProblems) << report;
      EXPECT_EQ(report.find(", 0 skipped"), std::string::npos) << report;
    }
    EXPECT_NE(report.find(c.report_says), std::string::npos) << report;
    EXPECT_EQ(Tool({"check", recovered}, c.password), kToolClean)
        << out_.str();

    std::set<std::uint32_t> lost_data, lost_memos;
    LostRecords(facts, damage->pages, lost_data, lost_memos);
    ExpectRecovered(Dump(intact, c.password), Dump(recovered, c.password),
                    lost_data, lost_memos);
  }
}

// A table whose description records are lost takes the description of the
// table of the same name in another file, here an enciphered one; without
// one its records are reported lost and nothing is written for it.
TEST_F(RecoverTest, LostDescriptionComesFromAnotherFile) {
  const std::string intact = Path("intact.tnl");
  const std::string damaged = Path("damaged.tnl");
  const std::string donor = Path("donor.tnl");
  MakeSample(intact, "");
  MakeSample(donor, "Donor-1", 1);
  const FileFacts facts = ReadFacts(intact, "");
  std::mt19937 random(7);
  const auto damage = LeafWith(facts, random, kKindDescription, false);
  ASSERT_TRUE(damage);
  fs::copy_file(intact, damaged);
  damage->apply(damaged);

  EXPECT_EQ(Tool({"recover", damaged, Path("bare.tnl")}), kToolProblems);
  EXPECT_NE(out_.str().find("description lost"), std::string::npos)
      << out_.str();
  EXPECT_EQ(Tool({"tables", Path("bare.tnl")}), kToolClean);
  EXPECT_EQ(out_.str(), "");

  const std::string recovered = Path("recovered.tnl");
  EXPECT_EQ(Tool({"recover", damaged, recovered, "--descriptions", donor}),
            kToolNoAccess);
  EXPECT_FALSE(fs::exists(recovered));
  EXPECT_EQ(Tool({"recover", damaged, recovered, "--descriptions", donor,
                  "--descriptions-password", "Donor-1"}),
            kToolProblems);
  EXPECT_NE(out_.str().find("description from " + donor), std::string::npos)
      << out_.str();
  EXPECT_EQ(Tool({"check", recovered}), kToolClean) << out_.str();
  std::set<std::uint32_t> lost_data, lost_memos;
  LostRecords(facts, damage->pages, lost_data, lost_memos);
  ExpectRecovered(Dump(intact, ""), Dump(recovered, ""), lost_data,
                  lost_memos);
}

// Nothing is written over an existing file, nothing is read with a wrong
// password, and bad arguments change nothing.
TEST_F(RecoverTest, RefusesWithoutWriting) {
  const std::string intact = Path("intact.tnl");
  const std::string existing = Path("existing.tnl");
  MakeSample(intact, "Geheim-3", 50);
  MakeSample(existing, "", 5);
  const std::string existing_bytes = ReadBytes(existing);
  const std::string intact_bytes = ReadBytes(intact);
  const std::string fresh = Path("fresh.tnl");
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"recover", intact, existing, "--password", "Geheim-3"}, kToolNoAccess},
      {{"recover", intact, fresh, "--password", "wrong"}, kToolNoAccess},
      {{"recover", intact, fresh}, kToolNoAccess},
      {{"recover", Path("missing.tnl"), fresh}, kToolNoAccess},
      {{"recover", intact, fresh, "--descriptions", Path("missing.tnl"),
        "--password", "Geheim-3"},
       kToolNoAccess},
      {{"recover", intact}, kToolUsage},
      {{"recover", intact, fresh, "--password"}, kToolUsage},
      {{"recover", intact, fresh, "--unknown", "x"}, kToolUsage},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    EXPECT_EQ(Tool(c.args), c.status) << out_.str();
    EXPECT_FALSE(err_.str().empty());
    EXPECT_FALSE(fs::exists(fresh));
  }
  EXPECT_EQ(ReadBytes(existing), existing_bytes);
  EXPECT_EQ(ReadBytes(intact), intact_bytes);
  EXPECT_EQ(Tool({"--help"}), kToolClean);
  EXPECT_NE(out_.str().find("--descriptions FILE"), std::string::npos);
}

// Whatever the damage, recover leaves the damaged file as it was and either
// writes nothing or writes a file that checks clean.
TEST_F(RecoverTest, RandomDamageNeverYieldsAnUncleanFile) {
  const std::string intact = Path("intact.tnl");
  const std::string damaged = Path("damaged.tnl");
  MakeSample(intact, "", 300);
  const std::string intact_bytes = ReadBytes(intact);
  std::mt19937 random(99);
  for (int round = 0; round < 24; ++round) {
    SCOPED_TRACE(round);
    std::string bytes = intact_bytes;
    const int flips = 1 + static_cast<int>(random() % 64);
    for (int i = 0; i < flips; ++i) {
      bytes[random() % bytes.size()] = static_cast<char>(random());
    }
    if (round % 4 == 3) {
      bytes.resize(bytes.size() / 2 + random() % (bytes.size() / 2));
    }
    if (round == 0) {  // nothing of a native file at all
      for (char& b : bytes) b = static_cast<char>(random());
    }
    fs::remove(damaged);
    std::ofstream(damaged, std::ios::binary) << bytes;
    const std::string recovered = Path("recovered" + std::to_string(round));
    const int status = Tool({"recover", damaged, recovered});
    EXPECT_EQ(ReadBytes(damaged), bytes);
    if (status == kToolNoAccess) {
      EXPECT_FALSE(fs::exists(recovered)) << err_.str();
      EXPECT_EQ(round, 0) << err_.str();
    } else {
      EXPECT_EQ(Tool({"check", recovered}), kToolClean) << out_.str();
    }
  }
}

}  // namespace
}  // namespace vantrel
