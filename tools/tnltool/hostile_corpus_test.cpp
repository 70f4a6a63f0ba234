// The seed corpora of the native format's fuzz targets: small hostile files
// made by the tests' own crafting helpers (test_hostile_files.h,
// test_pages.h) from a file of a few sample records. Every committed
// fixture, and a set made afresh, goes through the entry its fuzz target
// calls and through the tool's commands, and must come to what its row
// below says: no crash, no hang, output of a bounded size, nothing written
// by a reader, and the check's finding.
//
// To rewrite the committed fixtures, from the source root:
//
//   VANTREL_WRITE_CORPUS=. build/tools/tnltool/vantrel_tnltool_corpus_test
//
// (sample records carry the writing process's id, so the bytes change from
// run to run; what each file shows does not).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "storage/tnl/format/description_stream.h"
#include "storage/tnl/format/header.h"
#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/format/page_image.h"
#include "storage/tnl/format/test_pages.h"
#include "storage/tnl/format/zones.h"
#include "storage/tnl/table/table_catalog.h"
#include "storage/tnl/table/test_hostile_files.h"
#include "tools/tnltool/tnl_tool.h"

// The fuzz targets' entries, built into this test under these names.
extern "C" int FileCheckFuzzInput(const std::uint8_t* data, std::size_t size);
extern "C" int TnlFileFuzzInput(const std::uint8_t* data, std::size_t size);
extern "C" int PageDecodeFuzzInput(const std::uint8_t* data, std::size_t size);
extern "C" int DescriptionStreamFuzzInput(const std::uint8_t* data,
                                          std::size_t size);

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// The corpus folders, below the source root. Whole files serve both fuzz
// targets that read them (file_check_fuzz and tnl_file_fuzz).
constexpr const char* kWholeFiles = "storage/tnl/table/corpus/file_check";
constexpr const char* kPages = "storage/tnl/format/corpus/page_decode";
constexpr const char* kDescriptions =
    "storage/tnl/driver/corpus/description_stream";

// More output than this from one command on a file of a few KB is work out
// of proportion to the file.
constexpr std::size_t kOutputBound = 64 * 1024;

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

Header HeaderOf(const std::string& bytes) {
  Header header;
  EXPECT_TRUE(DecodeHeader(
      std::span(reinterpret_cast<const unsigned char*>(bytes.data()),
                bytes.size()),
      &header));
  return header;
}

// The slot of page `page` as it lies in the file: class * 256 bytes.
std::string PageSlot(const std::string& file, PageNumber page) {
  const int units = ClassOf(HeaderOf(file).zones, page);
  EXPECT_GT(units, 0) << "page " << page;
  return file.substr(PagePosition(page), std::size_t(units) * kPageUnit);
}

// The first child of the root page (the file's root must be inner).
PageNumber FirstLeaf(const std::string& file) {
  const std::string root = PageSlot(file, HeaderOf(file).root_page);
  PageNumber child = 0;
  EXPECT_EQ(
      RunOperation("corpus",
                   [&] {
                     const DecodedPage page = DecodePageImage(std::span(
                         reinterpret_cast<const unsigned char*>(root.data()),
                         root.size()));
                     ASSERT_GT(page.level, 0);
                     child = page.records.At(0).child;
                   }),
      0);
  return child;
}

// Cuts what lies past the committed state and the shadow area of a pending
// write: free space, which only makes the fixture larger.
void Trim(const fs::path& path) {
  const Header header = HeaderOf(Bytes(path));
  const std::uintmax_t end = std::max(header.committed_end, header.shadow_end);
  if (end < fs::file_size(path)) fs::resize_file(path, end);
}

// The description stream of table `table` of a file.
std::string DescriptionOf(const fs::path& path, std::uint32_t table) {
  TnlFile file;
  EXPECT_TRUE(file.Open(path.string(), kOpenReadShared));
  std::vector<std::uint8_t> stream;
  EXPECT_EQ(RunOperation(path.string(),
                         [&] {
                           ASSERT_EQ(file.LoadHeader(LockWait::kWait), kLoadOk);
                           BTree tree(file);
                           stream = ReadDescriptionStream(tree, table);
                         }),
            0);
  file.EndOperation();
  return std::string(stream.begin(), stream.end());
}

// Writes the three corpora below `root`.
void WriteCorpora(const fs::path& root) {
  const fs::path files = root / kWholeFiles;
  const fs::path pages = root / kPages;
  const fs::path descriptions = root / kDescriptions;
  for (const fs::path& dir : {files, pages, descriptions}) {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  const auto at = [&](const char* name) { return (files / name).string(); };

  // A file of four sample records: an inner root over two leaves.
  {
    std::ostringstream out, err;
    ASSERT_EQ(RunTnlTool({"sample", at("sample.vtl"), "--records", "4",
                          "--seed", "26"},
                         out, err),
              kToolClean)
        << err.str();
    Trim(at("sample.vtl"));
  }
  const auto from_sample =
      [&](const char* name,
          const std::function<void(const std::string&)>& damage) {
        fs::copy_file(at("sample.vtl"), at(name));
        damage(at(name));
        Trim(at(name));
      };
  const auto patched = [&](std::size_t position,
                           std::initializer_list<std::uint8_t> bytes) {
    return [=](const std::string& path) { PatchFile(path, position, bytes); };
  };
  // Words a writer always writes the same way, and the change counter at
  // its end.
  from_sample("header_address.vtl", patched(kHeaderAddressOffset, {1}));
  from_sample("header_size.vtl", patched(kHeaderSizeOffset, {1}));
  from_sample("header_reserved.vtl", patched(kReservedOffset, {7}));
  from_sample("ends_past_file.vtl", [](const std::string& path) {
    PatchFile(path, kCommittedEndOffset + 2, {1});
    PatchFile(path, kShadowEndOffset + 2, {1});
  });
  from_sample("last_issued_below.vtl",
              patched(kLastIssuedOffset, {0, 0, 0, 1}));
  from_sample("counter_end.vtl", [](const std::string& path) {
    PatchFileLe32(path, kChangeCounterOffset, 0xFFFFFFFE);
  });
  from_sample("page_home.vtl", patched(PagePosition(0) + kPageHomeOffset, {1}));
  from_sample("page_used.vtl",
              patched(PagePosition(0) + kPageUsedOffset + 1, {0x3A}));
  // Records no writer leaves.
  from_sample("empty_leaf.vtl", EmptyALeafBelowTheRoot);
  from_sample("zero_key_length.vtl", ZeroTheFirstKeyLength);
  from_sample("short_char_tables.vtl",
              [](const std::string& path) { ShortenCharTables(path, 1); });
  // Pages that expand past what a writer makes: the root's expanded length
  // raised to 65,535, and the first leaf's slot filled with copies of one
  // record that measure several times a writer's page.
  from_sample("expanded_over_limit.vtl", [](const std::string& path) {
    const PageNumber root = HeaderOf(Bytes(path)).root_page;
    PatchFile(path, PagePosition(root) + kPageExpandedOffset, {0xFF, 0xFF});
  });
  from_sample("measure_over_limit.vtl", [](const std::string& path) {
    std::string file = Bytes(path);
    const PageNumber leaf = FirstLeaf(file);
    const std::size_t units = PageSlot(file, leaf).size() / kPageUnit;
    // 80 bytes of header and first record, then one byte a copy.
    const std::vector<unsigned char> image =
        RepeatedRecordImage(units * kPageUnit - 80, units,
                            static_cast<std::uint32_t>(PagePosition(leaf)));
    file.replace(PagePosition(leaf), image.size(),
                 std::string(image.begin(), image.end()));
    WriteBytes(path, file);
  });

  // A description that would make a dump print 26 million elements.
  WriteCafeFile(at("dump_bomb.vtl"));
  AddDumpBombTable(at("dump_bomb.vtl"));
  Trim(at("dump_bomb.vtl"));
  // Pending writes whose transaction markers name the file itself, each
  // other, and a file outside its directory.
  const std::string pair_a = at("marker_pair_a.vtl");
  const std::string pair_b = at("marker_pair_b.vtl");
  for (const std::string& path :
       {at("marker_self.vtl"), at("marker_outside.vtl"), pair_a, pair_b}) {
    WriteCafeFile(path);
  }
  WritePendingCafeRecord(at("marker_self.vtl"), "marker_self.vtl");
  WritePendingCafeRecord(at("marker_outside.vtl"), "/etc/passwd");
  WritePendingCafeRecord(pair_a, "marker_pair_b.vtl");
  WritePendingCafeRecord(pair_b, "marker_pair_a.vtl");
  for (const char* name : {"marker_self.vtl", "marker_outside.vtl",
                           "marker_pair_a.vtl", "marker_pair_b.vtl"}) {
    Trim(at(name));
  }

  // Page images: the sample's root and first leaf, a compressed page, and
  // the slots of the two files whose pages expand too far.
  const std::string sample = Bytes(at("sample.vtl"));
  WriteBytes(pages / "root.page", PageSlot(sample, HeaderOf(sample).root_page));
  WriteBytes(pages / "leaf.page", PageSlot(sample, FirstLeaf(sample)));
  {
    const std::vector<PageRecord> records = {{ByteString(600, 'z'), 4, 0}};
    const PageImage packed =
        EncodePageImage(0, PageRecords::Of(records),
                        static_cast<std::uint32_t>(PagePosition(1)));
    ASSERT_TRUE(packed.compressed);
    WriteBytes(pages / "compressed.page",
               std::string(packed.bytes.begin(), packed.bytes.end()));
  }
  const std::string expanded = Bytes(at("expanded_over_limit.vtl"));
  WriteBytes(pages / "expanded_over_limit.page",
             PageSlot(expanded, HeaderOf(expanded).root_page));
  const std::string measured = Bytes(at("measure_over_limit.vtl"));
  WriteBytes(pages / "measure_over_limit.page",
             PageSlot(measured, FirstLeaf(sample)));

  // Description streams: the sample's, CAFÉ's and the bomb's.
  WriteBytes(descriptions / "sample.desc", DescriptionOf(at("sample.vtl"), 1));
  WriteBytes(descriptions / "cafe.desc", DescriptionOf(at("dump_bomb.vtl"), 1));
  WriteBytes(descriptions / "dump_bomb.desc",
             DescriptionOf(at("dump_bomb.vtl"), 3));
}

// What a whole file must come to. Read commands (tables, info, check, dump)
// never change it or any file beside it.
struct WholeFileCase {
  const char* name;
  int check;            // check's exit status
  const char* problem;  // check's first line (empty: no output)
  const char* info;     // a line info prints, "" for none asked
  int writer = -1;      // status of `sample --records 1 --table NEW`;
                        // -1: not tried
};

const WholeFileCase kWholeFileCases[] = {
    {"sample.vtl", kToolClean, "", "table UNNAMED (1): 4 records", kToolClean},
    {"header_address.vtl", kToolProblems, "header: address word 1, not 0", ""},
    {"header_size.vtl", kToolProblems, "header: size word 513, not 512", ""},
    {"header_reserved.vtl", kToolProblems, "header: reserved word 7, not 0",
     ""},
    {"ends_past_file.vtl", kToolProblems,
     "header: committed end 70144 past the end of the file (4608 bytes)", ""},
    {"last_issued_below.vtl", kToolProblems,
     "header: last issued number 1 below number 5 in use", ""},
    {"counter_end.vtl", kToolProblems,
     "change counter 4294967294 near its end: 0 commits left",
     "table UNNAMED (1): 4 records", kToolNoAccess},
    {"page_home.vtl", kToolProblems,
     "page 0 at position 512: home word 513, not 512", ""},
    {"page_used.vtl", kToolProblems,
     "page 0 at position 512: used word 14914 but its records measure 66", ""},
    {"empty_leaf.vtl", kToolProblems,
     "structure: page 1: empty leaf below the root", ""},
    {"zero_key_length.vtl", kToolProblems,
     "page 1 at position 768: does not decode (internal check 1603)", ""},
    {"short_char_tables.vtl", kToolProblems,
     "table 1: character tables of 100 bytes, not 1153", ""},
    {"expanded_over_limit.vtl", kToolProblems,
     "page 0 at position 512: does not decode (internal check 1605)", "",
     kToolProblems},
    {"measure_over_limit.vtl", kToolProblems,
     "page 1 at position 768: does not decode (internal check 1606)", ""},
    {"dump_bomb.vtl", kToolProblems,
     "table 3: description refused: field 2 (L): size 0", ""},
    // A marker naming the file itself, or a file not beside it: no control
    // file, so the pending record is discarded. Two files naming each
    // other: each finds in the other a native file without the record of
    // its transaction, so its own record was committed.
    {"marker_self.vtl", kToolClean, "", "(1): 1 records", kToolClean},
    {"marker_outside.vtl", kToolClean, "", "(1): 1 records", kToolClean},
    {"marker_pair_a.vtl", kToolClean, "", "(1): 2 records", kToolClean},
    {"marker_pair_b.vtl", kToolClean, "", "(1): 2 records", kToolClean},
};

struct ToolRun {
  int status;
  std::string out, err;
};

ToolRun Tool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunTnlTool(args, out, err);
  return {status, out.str(), err.str()};
}

std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    files[entry.path().filename().string()] = Bytes(entry.path());
  }
  return files;
}

std::set<std::string> Names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

template <typename Entry>
void Feed(Entry entry, const std::string& bytes) {
  entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

void ExpectWholeFiles(const fs::path& corpus, const fs::path& scratch) {
  std::set<std::string> named;
  for (const WholeFileCase& c : kWholeFileCases) named.insert(c.name);
  EXPECT_EQ(Names(corpus), named) << corpus;

  for (const WholeFileCase& c : kWholeFileCases) {
    SCOPED_TRACE(c.name);
    // Written to stderr first, so that a crash names its fixture.
    std::fprintf(stderr, "fixture %s\n", c.name);
    const std::string bytes = Bytes(corpus / c.name);
    Feed(FileCheckFuzzInput, bytes);
    Feed(TnlFileFuzzInput, bytes);

    // The whole folder, so that markers find the files they name.
    fs::remove_all(scratch);
    fs::copy(corpus, scratch);
    const std::string path = (scratch / c.name).string();
    const auto before = Snapshot(scratch);
    const ToolRun check = Tool({"check", path});
    EXPECT_EQ(check.status, c.check) << check.out << check.err;
    const std::string first = check.out.substr(0, check.out.find('\n'));
    EXPECT_EQ(first, c.problem);
    for (const char* command : {"tables", "info", "dump"}) {
      const ToolRun run = Tool({command, path});
      EXPECT_TRUE(run.status == kToolClean || run.status == kToolProblems)
          << command << ": " << run.status << " " << run.err;
      EXPECT_LT(run.out.size() + run.err.size(), kOutputBound) << command;
      if (std::string(command) == "info" && *c.info != '\0') {
        EXPECT_NE(run.out.find(std::string(c.info) + "\n"), std::string::npos)
            << run.out << run.err;
      }
    }
    EXPECT_TRUE(Snapshot(scratch) == before) << "a reader changed a file";

    if (c.writer < 0) continue;
    const ToolRun writer =
        Tool({"sample", path, "--records", "1", "--table", "NEW"});
    EXPECT_EQ(writer.status, c.writer) << writer.out << writer.err;
    if (c.writer == kToolClean) {
      // Repaired on the way: clean, holding what the readers showed.
      EXPECT_EQ(Tool({"check", path}).status, kToolClean);
      EXPECT_NE(Tool({"info", path}).out.find(std::string(c.info) + "\n"),
                std::string::npos);
    } else {
      EXPECT_TRUE(Snapshot(scratch) == before) << "a refused writer wrote";
    }
    // Nothing beside it was touched, whatever the marker names.
    auto after = Snapshot(scratch);
    auto kept = before;
    after.erase(c.name);
    kept.erase(c.name);
    EXPECT_TRUE(after == kept) << "a writer changed another file";
  }
}

// Page images: the internal check decoding must end in (0: none).
const struct {
  const char* name;
  int check;
} kPageCases[] = {
    {"root.page", 0},
    {"leaf.page", 0},
    {"compressed.page", 0},
    {"expanded_over_limit.page", kCheckExpandedOverLimit},
    {"measure_over_limit.page", kCheckUsedOverLimit},
};

void ExpectPages(const fs::path& corpus) {
  std::set<std::string> named;
  for (const auto& c : kPageCases) named.insert(c.name);
  EXPECT_EQ(Names(corpus), named) << corpus;
  for (const auto& c : kPageCases) {
    SCOPED_TRACE(c.name);
    std::fprintf(stderr, "fixture %s\n", c.name);
    const std::string bytes = Bytes(corpus / c.name);
    Feed(PageDecodeFuzzInput, bytes);
    EXPECT_EQ(
        RunOperation("corpus",
                     [&] {
                       DecodePageImage(std::span(
                           reinterpret_cast<const unsigned char*>(bytes.data()),
                           bytes.size()));
                     }),
        c.check);
  }
}

// Description streams: why a reader refuses each (empty: it is read).
const struct {
  const char* name;
  const char* fault;
} kDescriptionCases[] = {
    {"sample.desc", ""},
    {"cafe.desc", ""},
    {"dump_bomb.desc", "field 2 (L): size 0"},
};

void ExpectDescriptions(const fs::path& corpus) {
  std::set<std::string> named;
  for (const auto& c : kDescriptionCases) named.insert(c.name);
  EXPECT_EQ(Names(corpus), named) << corpus;
  for (const auto& c : kDescriptionCases) {
    SCOPED_TRACE(c.name);
    std::fprintf(stderr, "fixture %s\n", c.name);
    const std::string bytes = Bytes(corpus / c.name);
    Feed(DescriptionStreamFuzzInput, bytes);
    std::string fault;
    const auto table = ReadDescription(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                  bytes.size()),
        &fault);
    EXPECT_EQ(fault, c.fault);
    EXPECT_EQ(table.has_value(), *c.fault == '\0');
  }
}

class HostileCorpusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = fs::path(::testing::TempDir()) /
               ("corpus_" + std::to_string(::getpid()));
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
  }
  void TearDown() override {
    fs::remove_all(scratch_);
    // The files the fuzz entries write their input to.
    for (const char* target : {"file_check_fuzz_", "tnl_file_fuzz_"}) {
      fs::remove("/tmp/" + std::string(target) + std::to_string(::getpid()) +
                 ".vtl");
    }
  }

  void ExpectOutcomes(const fs::path& root) {
    ExpectWholeFiles(root / kWholeFiles, scratch_ / "files");
    ExpectPages(root / kPages);
    ExpectDescriptions(root / kDescriptions);
  }

  fs::path scratch_;
};

TEST_F(HostileCorpusTest, CommittedFixturesComeToWhatTheyShow) {
  ExpectOutcomes(VANTREL_SOURCE_DIR);
}

// The fixtures made afresh show the same, so the helpers that made them
// still make what the corpora hold; with VANTREL_WRITE_CORPUS set they are
// written into the source tree there.
TEST_F(HostileCorpusTest, FixturesMadeAfreshComeToWhatTheyShow) {
  const char* into = std::getenv("VANTREL_WRITE_CORPUS");
  const fs::path root = into != nullptr ? fs::path(into) : scratch_ / "made";
  WriteCorpora(root);
  ExpectOutcomes(root);
}

}  // namespace
}  // namespace vantrel
