#include "runtime/data/driver/driver_trace.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/data/ascii/ascii_driver.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/descriptor_builder.h"

namespace vantrel {
namespace {

constexpr std::int64_t kTickMs = 1234;  // every clock reading moves this far

std::int64_t FixedStepClock() {
  static std::int64_t now = 0;
  return now += kTickMs;
}

// Runs in a fresh directory that is also the configuration directory, so the
// system profile and a relative log name both land there.
class DriverTraceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel_trace_XXXXXX";
    dir_ = mkdtemp(pattern);
    old_dir_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    setenv("VANTREL_CONFIG_DIR", dir_.c_str(), 1);
    SetTraceClock(FixedStepClock);
    ClearError();
  }
  void TearDown() override {
    SetTraceClock(nullptr);
    unsetenv("VANTREL_CONFIG_DIR");
    std::filesystem::current_path(old_dir_);
    std::filesystem::remove_all(dir_);
  }

  void WriteProfile(const std::string& section_body) {
    std::ofstream(dir_ + "/win.ini") << "[HWASCII]\n" << section_body;
  }
  void WriteText(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }
  static std::vector<std::string> Lines(const std::string& name) {
    std::ifstream in(name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // A FILE of one STRING(10) line in a group, on `name`.
  void Declare(FileDeclaration& file, const std::string& name,
               std::string driver_string = {}) {
    file.label = "TXT";
    RegisterAsciiDriver();
    file.driver_name = "ASCII";
    file.driver_string = std::move(driver_string);
    file.name = name;
    file.descriptor = DescriptorBuilder()
                          .Group("TXT:RECORD")
                          .String("TXT:LINE", 10)
                          .End()
                          .Descriptor();
    file.record = buffer_;
  }

  std::string dir_;
  std::filesystem::path old_dir_;
  std::vector<char> buffer_ = std::vector<char>(10, ' ');
};

TEST_F(DriverTraceTest, AsciiCallsWithDetailsMatchTheLogLineByLine) {
  WriteProfile("Profile=1\nDetails=1\n");  // default log name
  WriteText("a.txt", "alpha\r\nb\tc\r\n");
  FileDeclaration file;
  Declare(file, "a.txt", "/TAB=4");
  Open(file);
  Set(file);
  Next(file);
  Next(file);
  Next(file);
  Close(file);

  const std::vector<std::string> expected = {
      "TXT        FILE,DRIVER('ASCII','/TAB=4'),NAME('a.txt')",
      "TXT:RECORD   RECORD",
      "TXT:LINE       STRING(10)",
      "             END",
      "           END",
      "",
      "OPEN(a.txt 1)     Time Taken: 1.23 secs",
      "SETfile(a.txt 1)  Time Taken: 1.23 secs",
      "NEXT(a.txt 1)     Time Taken: 1.23 secs",
      "TXT:RECORD",
      "TXT:LINE     'alpha     '",
      "           END",
      "NEXT(a.txt 1)     Time Taken: 1.23 secs",
      "TXT:RECORD",
      "TXT:LINE     'b   c     '",
      "           END",
      // A failed read shows the buffer as the failure left it.
      "NEXT(a.txt 1)     Error: Record Not Available Time Taken: 1.23 secs",
      "TXT:RECORD",
      "TXT:LINE     'b   c     '",
      "           END",
      "CLOSE(a.txt 1)    Time Taken: 1.23 secs",
  };
  EXPECT_EQ(Lines("ASCII.LOG"), expected);

  // A second opening appends and does not repeat the declaration; refusals
  // before the driver is reached are traced too.
  Next(file);
  const std::vector<std::string> log = Lines("ASCII.LOG");
  ASSERT_GT(log.size(), expected.size());
  EXPECT_EQ(log[expected.size()],
            "NEXT(a.txt 1)     Error: File Not Open Time Taken: 1.23 secs");
}

TEST_F(DriverTraceTest, SettingsDecideWhetherAndWhereToTrace) {
  WriteText("a.txt", "x\r\n");
  {
    WriteProfile("Profile=0\nTraceFile=off.log\n");
    FileDeclaration file;
    Declare(file, "a.txt");
    Open(file);
    Close(file);
    EXPECT_FALSE(std::filesystem::exists("off.log"));
  }
  {
    WriteProfile("Profile=1\nTraceFile=mine.log\n");  // no details
    FileDeclaration file;
    Declare(file, "a.txt");
    Open(file);
    Set(file);
    Next(file);
    const std::vector<std::string> log = Lines("mine.log");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "NEXT(a.txt 1)     Time Taken: 1.23 secs");
  }
  {
    // An empty name means the default log, not no log.
    WriteProfile("Profile=1\nTraceFile=\n");
    FileDeclaration file;
    Declare(file, "a.txt");
    Open(file);
    Close(file);
    const std::vector<std::string> log = Lines("ASCII.LOG");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "CLOSE(a.txt 1)    Time Taken: 1.23 secs");
  }
}

TEST_F(DriverTraceTest, EncryptedFilesShowDetailsOnlyWhenAllowed) {
  WriteProfile("Profile=1\nDetails=1\n");
  const TraceSettingsSource source{"HWASCII", "ASCII.LOG"};
  const struct {
    std::uint32_t attributes;
    std::string driver_string;
    bool details;
  } kCases[] = {
      {0, "", true},
      {kFileEncrypt, "", false},
      {kFileEncrypt, "/CLIP=OFF /allowdetails", true},
  };
  for (const auto& c : kCases) {
    FileDeclaration file;
    file.attributes = c.attributes;
    file.driver_string = c.driver_string;
    const TraceSettings settings = ReadTraceSettings(source, file);
    EXPECT_TRUE(settings.enabled);
    EXPECT_EQ(settings.log_file, "ASCII.LOG");
    EXPECT_EQ(settings.details, c.details) << c.driver_string;
  }
}

TEST_F(DriverTraceTest, DeclarationShowsKeysMemosAndAttributes) {
  FileDeclaration file;
  file.label = "VTL";
  file.driver_name = "MEMTEST";
  file.name = "cards.dat";
  file.owner = "secret";
  file.attributes = kFileCreate | kFileEncrypt | kFileThread;
  file.descriptor =
      DescriptorBuilder().String("VTL:NAME", 20).Long("VTL:ID").Descriptor();
  KeyDeclaration key;
  key.label = "VTL:BYNAME";
  key.flags = kKeyDup | kKeyNoCase;
  key.components = {1, -2};
  file.AddKey(key);
  KeyDeclaration index;
  index.label = "VTL:BYID";
  index.external_name = "ids";
  index.flags = kKeyIsIndex | kKeyPrimary;
  index.components = {2};
  KeyDeclaration& by_id = file.AddKey(index);
  file.memos.push_back(MemoDeclaration{"VTL:NOTES", "", 0, 200});
  file.memos.push_back(
      MemoDeclaration{"VTL:PIC", "pic", kMemoBlob | kMemoBinary});

  const std::vector<std::string> expected = {
      "VTL" + std::string(8, ' ') +
          "FILE,DRIVER('MEMTEST'),OWNER(******),NAME('cards.dat'),"
          "CREATE,ENCRYPT,THREAD",
      "VTL:BYNAME   KEY(+VTL:NAME,-VTL:ID),DUP,NOCASE",
      "VTL:BYID     INDEX(+VTL:ID),PRIMARY,NAME('ids')",
      "VTL:NOTES    MEMO(200)",
      "VTL:PIC      BLOB,NAME('pic'),BINARY",
      std::string(13, ' ') + "RECORD",
      "VTL:NAME       STRING(20)",
      "VTL:ID         LONG",
      std::string(13, ' ') + "END",
      std::string(11, ' ') + "END",
      "",
  };
  EXPECT_EQ(TraceDeclarationLines(file), expected);

  PostFileError("12", "Disk on fire", "cards.dat");
  EXPECT_EQ(
      TraceCallLine(file, DriverOp::kGETfilekey, &by_id, kErrFileSystem, 2345),
      "GETfilekey(cards.dat,VTL:BYID[2] 1) File Error: Disk on fire "
      "Time Taken: 2.34 secs");
  SetTraceThreadIndex(2);
  EXPECT_EQ(TraceCallLine(file, DriverOp::kCOMMIT, nullptr, -1, 9),
            "COMMIT(cards.dat 3) Time Taken: 0.00 secs");
  SetTraceThreadIndex(0);
  EXPECT_EQ(TraceCallLine(file, DriverOp::kADD, nullptr, 97, 0),
            "ADD(cards.dat 1)  Error: Unknown Error Posted : 97 Time Taken: "
            "0.00 secs");
}

TEST_F(DriverTraceTest, KeyValueSetShowsTheKeysComponents) {
  FileDeclaration file;
  file.label = "VTL";
  file.descriptor =
      DescriptorBuilder().String("VTL:NAME", 4).Long("VTL:ID").Descriptor();
  std::vector<char> record = {'a', 'b', ' ', ' ', 7, 0, 0, 0};
  file.record = record;
  KeyDeclaration key;
  key.label = "VTL:K";
  key.components = {-2, 1};
  KeyDeclaration& k = file.AddKey(key);
  const std::vector<std::string> expected = {"VTL:ID   7", "VTL:NAME 'ab  '"};
  EXPECT_EQ(TraceDetailLines(file, DriverOp::kSETkeykey, &k), expected);
  EXPECT_TRUE(TraceDetailLines(file, DriverOp::kSETfile, nullptr).empty());
  const std::vector<std::string> record_lines = {"VTL:NAME 'ab  '",
                                                 "VTL:ID   7"};
  EXPECT_EQ(TraceDetailLines(file, DriverOp::kPUT, nullptr), record_lines);
}

}  // namespace
}  // namespace vantrel
