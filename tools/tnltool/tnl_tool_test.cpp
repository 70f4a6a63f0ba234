#include "tools/tnltool/tnl_tool.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "storage/tnl/format/internal_check.h"
#include "storage/tnl/table/memo_store.h"
#include "storage/tnl/table/table_catalog.h"
#include "storage/tnl/table/test_hostile_files.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

class TnlToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (fs::path(::testing::TempDir()) /
             ("tool_" + std::to_string(::getpid()) + ".vtl"))
                .string();
    WriteCafeFile(path_);
  }
  void TearDown() override { fs::remove(path_); }

  void Change(const std::function<void(TnlFile&, BTree&)>& body) {
    CommitChange(path_, body);
  }

  int Run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    return RunTnlTool(args, out_, err_);
  }

  std::string path_;
  std::ostringstream out_, err_;
};

TEST_F(TnlToolTest, CommandsOnACleanFile) {
  EXPECT_EQ(Run({"tables", path_}), 0);
  EXPECT_EQ(out_.str(), "CAF\u00C9 1\n");

  EXPECT_EQ(Run({"info", path_}), 0);
  EXPECT_NE(out_.str().find("last issued number: 2\n"), std::string::npos);
  EXPECT_NE(out_.str().find("table CAF\u00C9 (1): 1 records\n"),
            std::string::npos)
      << out_.str();

  EXPECT_EQ(Run({"check", path_}), 0);
  EXPECT_EQ(out_.str(), "");

  EXPECT_EQ(Run({"dump", path_, "--table", "CAF\u00C9"}), 0) << err_.str();
  EXPECT_EQ(out_.str(),
            "CAF\u00C9 FILE\n"
            "  BYNAME KEY(+NAME),NOCASE\n"
            "  NOTE MEMO(40)\n"
            "  PIC BLOB\n"
            "  REC GROUP\n"
            "    NAME STRING(6)\n"
            "    ID LONG\n"
            "END\n"
            "RECORD 2\n"
            "    NAME 'Jos\u00E9  '\n"
            "    ID 7\n"
            "  NOTE '<<b><13><10>it''s \u00E9'\n"
            "  PIC 20 bytes: 00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF "
            "...\n");
}

TEST_F(TnlToolTest, ProblemsAndUsage) {
  Change([](TnlFile&, BTree& tree) {
    WriteCountersOf(tree, 1, kKindData, {5, 0});
  });
  EXPECT_EQ(Run({"check", path_}), kToolProblems);
  EXPECT_EQ(out_.str(), "table 1: data count 5 but 1 data records\n");

  EXPECT_EQ(Run({"dump", path_, "--table", "NONE"}), kToolNoTable);
  EXPECT_EQ(Run({"info"}), kToolUsage);
  EXPECT_EQ(Run({"frobnicate", path_}), kToolUsage);
  EXPECT_EQ(Run({"check", path_, "--bogus"}), kToolUsage);
  EXPECT_EQ(Run({"check", path_ + ".missing"}), kToolNoAccess);
  EXPECT_EQ(Run({"check", path_, "--password", "\xFF"}), kToolUsage);
}

TEST_F(TnlToolTest, DamagedBlobIsShownAsSuchAndReported) {
  Change([](TnlFile&, BTree& tree) {
    auto head = tree.Find(MemoKey(1, 2, 1, 0));
    ASSERT_TRUE(head);
    ASSERT_TRUE(tree.Remove(head->Key()));
    head->bytes[kMemoKeyLength] = 21;  // the BLOB's length, one too many
    tree.Insert(*head);
  });
  EXPECT_EQ(Run({"dump", path_}), 0);
  EXPECT_NE(out_.str().find("\n  PIC (damaged)\n"), std::string::npos)
      << out_.str();
  EXPECT_EQ(Run({"check", path_}), kToolProblems);
  EXPECT_EQ(out_.str(),
            "table 1 record 2 memo 1: chunk sizes disagree with the BLOB's "
            "length\n");
}

// Markers that name the file itself, or two files that name each other:
// every command reads each file once and ends, and no reader changes them.
TEST_F(TnlToolTest, MarkersNamingTheFileOrEachOtherAreReadOnce) {
  const std::string other =
      (fs::path(path_).parent_path() /
       ("tool_other_" + std::to_string(::getpid()) + ".vtl"))
          .string();
  const struct {
    const char* name;
    bool mutual;
    int records;  // what the file shows
  } cases[] = {
      // Its own control file: no control file, the write is discarded.
      {"itself", false, 1},
      // The other file is native and holds no record of the transaction.
      {"each other", true, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    if (c.mutual) {
      fs::copy_file(path_, other, fs::copy_options::overwrite_existing);
      WritePendingCafeRecord(other, path_);
      WritePendingCafeRecord(path_, other);
    } else {
      WritePendingCafeRecord(path_, path_);
    }
    const auto bytes = [](const std::string& p) {
      std::ifstream in(p, std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string pending = bytes(path_);
    const std::string other_pending = c.mutual ? bytes(other) : "";
    EXPECT_EQ(Run({"tables", path_}), 0) << err_.str();
    EXPECT_EQ(Run({"check", path_}), 0) << out_.str();
    EXPECT_EQ(Run({"dump", path_}), 0) << err_.str();
    EXPECT_EQ(Run({"info", path_}), 0) << err_.str();
    EXPECT_NE(out_.str().find("(1): " + std::to_string(c.records) +
                              " records\n"),
              std::string::npos)
        << out_.str();
    EXPECT_EQ(bytes(path_), pending);
    if (c.mutual) {
      EXPECT_EQ(bytes(other), other_pending);
    }
    // A writer repairs the file the same way.
    EXPECT_EQ(Run({"sample", path_, "--records", "1", "--table", "NEW"}), 0)
        << err_.str();
    EXPECT_EQ(Run({"info", path_}), 0) << err_.str();
    EXPECT_NE(out_.str().find("(1): " + std::to_string(c.records) +
                              " records\n"),
              std::string::npos)
        << out_.str();
    EXPECT_EQ(Run({"check", path_}), 0) << out_.str();
    if (c.mutual) {
      EXPECT_EQ(bytes(other), other_pending);
    }
  }
  fs::remove(other);
}

// Each exit status means one thing, whatever the command.
TEST_F(TnlToolTest, ExitStatusesMeanOneThingEach) {
  const std::string missing = path_ + ".missing";
  const std::string text = path_ + ".txt";
  std::ofstream(text) << std::string(600, 'x');
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"--help"}, kToolClean},
      {{"check", path_, "--strict"}, kToolClean},
      {{"info"}, kToolUsage},
      {{"frobnicate", path_}, kToolUsage},
      {{"check", path_, "--bogus"}, kToolUsage},
      {{"info", path_, "--strict"}, kToolUsage},
      {{"check", path_, "--password", "\xFF"}, kToolUsage},
      {{"sample", path_}, kToolUsage},
      {{"check", missing}, kToolNoAccess},
      {{"info", missing}, kToolNoAccess},
      {{"tables", missing}, kToolNoAccess},
      {{"dump", missing}, kToolNoAccess},
      {{"check", text}, kToolProblems},
      {{"info", text}, kToolProblems},
      {{"dump", text}, kToolProblems},
      {{"dump", path_, "--table", "NONE"}, kToolNoTable},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.args), c.status) << c.args[0] << " " << c.args.back();
  }
  EXPECT_EQ(Run({"--help"}), kToolClean);
  EXPECT_NE(out_.str().find("  4  --table names no table of the file\n"),
            std::string::npos);
  fs::remove(text);
}

// A description of 400 zero-size LONG DIM(65535) fields: a dump used to
// print every element of every field of every record. Now the table is
// refused before anything of it is shown, and check says why.
TEST_F(TnlToolTest, DumpRefusesADescriptionNoDeclarationMakes) {
  AddDumpBombTable(path_);
  EXPECT_EQ(Run({"dump", path_, "--table", "BOMB"}), kToolProblems);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(err_.str(),
            "tnltool: table BOMB: description refused: field 2 (L): size 0; "
            "run check\n");
  EXPECT_EQ(Run({"check", path_}), kToolProblems);
  EXPECT_EQ(out_.str(), "table 3: description refused: field 2 (L): size 0\n");
  // The other table is still dumped in full.
  EXPECT_EQ(Run({"dump", path_}), kToolProblems);
  EXPECT_NE(out_.str().find("RECORD 2\n"), std::string::npos);
}

// 64 bytes of memo text in a compressed page overwritten with one letter:
// the records still decode and agree with each other, so the check finds
// nothing; but no writer stores a run of 64 equal bytes as literals, and
// --strict names the page.
TEST(TnlToolStrictTest, StrictNamesAPageWhoseBytesNoWriterMakes) {
  const std::string path = (fs::path(::testing::TempDir()) /
                            ("strict_" + std::to_string(::getpid()) + ".vtl"))
                               .string();
  fs::remove(path);
  std::ostringstream out, err;
  ASSERT_EQ(RunTnlTool({"sample", path, "--records", "30"}, out, err),
            kToolClean)
      << err.str();
  std::string bytes;
  {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  const auto u8 = [&](std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]);
  };
  const auto le16 = [&](std::size_t at) { return u8(at) | u8(at + 1) << 8; };
  const auto le32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(le16(at) | le16(at + 2) << 16);
  };
  // A compressed page holding 64 letters of a memo's alphabet in a row.
  std::size_t page = 0, position = 0, window = 0;
  for (std::size_t k = 1; k < 60 && window == 0; ++k) {
    for (std::uint32_t p = le32(0x20 + 4 * k);
         p + k <= le32(0x110 + 4 * k) && window == 0;
         p += static_cast<std::uint32_t>(k)) {
      const std::size_t at = 0x200 + std::size_t{p} * 256;
      const std::size_t stored = le16(at + 4);
      if (stored >= static_cast<std::size_t>(le16(at + 6))) continue;
      for (std::size_t i = at + 13; i + 64 <= at + stored && window == 0; ++i) {
        std::size_t run = 0;
        while (run < 64 && u8(i + run) >= 'a' && u8(i + run) <= 'z' &&
               (run == 0 ||
                u8(i + run) == 'a' + (u8(i + run - 1) - 'a' + 1) % 26)) {
          ++run;
        }
        if (run == 64) {
          page = p;
          position = at;
          window = i;
        }
      }
    }
  }
  ASSERT_NE(window, 0u) << "no compressed page holds memo text";
  bytes.replace(window, 64, std::string(64, 'Z'));
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;

  out.str("");
  EXPECT_EQ(RunTnlTool({"check", path}, out, err), kToolClean) << out.str();
  EXPECT_EQ(out.str(), "");
  out.str("");
  EXPECT_EQ(RunTnlTool({"check", path, "--strict"}, out, err), kToolProblems);
  // The run compresses: the stored length is the first word to differ.
  EXPECT_EQ(out.str(), "page " + std::to_string(page) + " at position " +
                           std::to_string(position) +
                           ": not as a writer encodes its records (first "
                           "difference at position " +
                           std::to_string(position + 4) + ")\n");
  fs::remove(path);
}

}  // namespace
}  // namespace vantrel
