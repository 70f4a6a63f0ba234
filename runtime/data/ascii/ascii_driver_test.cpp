#include "runtime/data/ascii/ascii_driver.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/data/ascii/ascii_options.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/driver_state_table.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/descriptor_builder.h"

namespace vantrel {
namespace {

class AsciiDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel_ascii_XXXXXX";
    dir_ = mkdtemp(pattern);
    ClearError();
  }
  void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }

  std::string Path(const std::string& name) { return dir_ + "/" + name; }

  void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  std::string ReadFile(const std::string& name) {
    std::ifstream in(Path(name), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  // A FILE of one STRING(length) line in a group, on dir/name.
  void Declare(FileDeclaration& file, const std::string& name,
               std::size_t length, std::string driver_string = {}) {
    buffers_.emplace_back(std::make_unique<std::vector<char>>(length, ' '));
    file.label = "TXT";
    RegisterAsciiDriver();
    file.driver_name = "ASCII";
    file.driver_string = std::move(driver_string);
    file.name = Path(name);
    file.descriptor =
        DescriptorBuilder()
            .Group("TXT:RECORD")
            .String("TXT:LINE", static_cast<std::uint32_t>(length))
            .End()
            .Descriptor();
    file.record = *buffers_.back();
  }

  static std::string Record(const FileDeclaration& file) {
    return std::string(file.record.begin(), file.record.end());
  }
  static void SetRecord(FileDeclaration& file, std::string_view text) {
    std::fill(file.record.begin(), file.record.end(), ' ');
    std::copy_n(text.begin(), std::min(text.size(), file.record.size()),
                file.record.begin());
  }
  // Every record from the start, trailing blanks removed.
  static std::vector<std::string> ReadAll(FileDeclaration& file) {
    std::vector<std::string> lines;
    Set(file);
    for (Next(file); ErrorCode() == 0; Next(file)) {
      std::string line = Record(file);
      line.erase(line.find_last_not_of(' ') + 1);
      lines.push_back(line);
    }
    EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);
    return lines;
  }

  std::string dir_;
  std::vector<std::unique_ptr<std::vector<char>>> buffers_;
};

TEST_F(AsciiDriverTest, ReadsLinesAsRecords) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string options;
    std::size_t length;
    std::vector<std::string> records;
  };
  const std::string z(1, kCtrlZ);
  const Case cases[] = {
      {"plain lines", "abc\r\nde\r\n\r\nf\r\n", "", 8, {"abc", "de", "", "f"}},
      {"long line cut, rest skipped",
       "abcdefg\r\nxy\r\n",
       "",
       4,
       {"abcd", "xy"}},
      {"exactly full", "abcd\r\nxy\r\n", "", 4, {"abcd", "xy"}},
      {"tab to multiples of 4", "a\tb\r\n", "/TAB=4", 8, {"a   b"}},
      {"tab as 2 blanks", "a\tb\r\n", "/TAB=-2", 8, {"a  b"}},
      {"tab dropped", "a\tb\r\n", "/TAB=0", 8, {"ab"}},
      {"tab kept", "a\tb\r\n", "/TAB=-100", 8, {"a\tb"}},
      {"default tab of 8", "a\tb\r\n", "", 12, {"a       b"}},
      {"tab past the end", "abc\tdef\r\nx\r\n", "", 5, {"abc", "x"}},
      {"last line without end", "x\r\ny", "", 8, {"x", "y"}},
      {"Ctrl-Z ends the data", "a\r\n" + z + "b\r\n", "", 8, {"a"}},
      {"Ctrl-Z without end of line", "abc" + z + "junk", "", 8, {"abc"}},
      {"Ctrl-Z as a character",
       "a\r\n" + z + "b\r\n",
       "/CTRLZISEOF=OFF",
       8,
       {"a", z + "b"}},
      {"line feed alone", "a\nbc\n", "/ENDOFRECORD=1,10", 8, {"a", "bc"}},
      {"line feed is text by default", "a\nb\r\n", "", 8, {"a\nb"}},
      {"lone carriage return", "a\rb\r\n", "", 8, {"a\rb"}},
      {"options in order",
       "a\tb\n",
       "/TAB=2 /ENDOFRECORD=1,10 /TAB=0",
       8,
       {"ab"}},
      {"no buffer reuse",
       "abc\r\nde\r\n",
       "/QUICKSCAN=OFF /FILEBUFFERS=1",
       8,
       {"abc", "de"}},
      {"empty file", "", "", 8, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile("in.txt", c.bytes);
    FileDeclaration file;
    Declare(file, "in.txt", c.length, c.options);
    Open(file);
    ASSERT_EQ(ErrorCode(), 0) << Error();
    EXPECT_EQ(ReadAll(file), c.records);
    Close(file);
  }
}

TEST_F(AsciiDriverTest, ShortLineLeavesTheRestBlank) {
  WriteFile("in.txt", "abcdefgh\r\nxy\r\n");
  FileDeclaration file;
  Declare(file, "in.txt", 8);
  Open(file);
  Set(file);
  Next(file);
  Next(file);
  EXPECT_EQ(Record(file), "xy      ");
  EXPECT_EQ(Pointer(file), 11);
}

TEST_F(AsciiDriverTest, WritesLinesWithClipAndEndOfRecord) {
  struct Case {
    const char* what;
    std::string before;
    std::string options;
    std::string after;
  };
  const std::string z(1, kCtrlZ);
  const Case cases[] = {
      {"clip", "", "", "ab c\r\n"},
      {"no clip", "", "/CLIP=OFF", "ab c    \r\n"},
      {"line feed", "x\n", "/ENDOFRECORD=1,10", "x\nab c\n"},
      {"over a final Ctrl-Z", "x\r\n" + z, "", "x\r\nab c\r\n"},
      {"Ctrl-Z kept when off", "x\r\n" + z, "/CTRLZISEOF=OFF",
       "x\r\n" + z + "ab c\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile("out.txt", c.before);
    FileDeclaration file;
    Declare(file, "out.txt", 8, c.options);
    Open(file);
    SetRecord(file, "ab c");
    Add(file);
    EXPECT_EQ(ErrorCode(), 0) << Error();
    EXPECT_EQ(Bytes(file), static_cast<std::int64_t>(c.after.size()));
    Close(file);
    EXPECT_EQ(ReadFile("out.txt"), c.after);
  }
}

TEST_F(AsciiDriverTest, AppendAndLengthFormsWriteWithoutBecomingCurrent) {
  WriteFile("out.txt", "");
  FileDeclaration file;
  Declare(file, "out.txt", 8);
  Open(file);
  SetRecord(file, "abcdefgh");
  Add(file);
  Add(file, 3u);
  Append(file);
  Append(file, 2u);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(Pointer(file), 1);  // only ADD makes its line current
  Close(file);
  EXPECT_EQ(ReadFile("out.txt"), "abcdefgh\r\nabc\r\nabcdefgh\r\nab\r\n");
}

TEST_F(AsciiDriverTest, PutReplacesExactlyOneLine) {
  WriteFile("t.txt", "one\r\ntwo\r\nthree\r\n");
  FileDeclaration file;
  Declare(file, "t.txt", 20);
  Open(file);
  Set(file);
  Next(file);
  Next(file);
  SetRecord(file, "second-and-longer");
  Put(file);
  EXPECT_EQ(ErrorCode(), 0);
  Next(file);  // the sequence goes on after the replaced line
  EXPECT_EQ(Record(file).substr(0, 5), "three");
  Get(file, std::int64_t{6});
  SetRecord(file, "2");
  Put(file);
  SetRecord(file, "THREE");
  Put(file, std::int64_t{9});
  SetRecord(file, "first line");
  Put(file, std::int64_t{1}, 5u);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(Bytes(file), 17);
  Close(file);
  EXPECT_EQ(ReadFile("t.txt"), "first\r\n2\r\nTHREE\r\n");
}

TEST_F(AsciiDriverTest, PutMovesALargeTailBothWays) {
  std::string tail;
  for (int i = 0; i < 30000; ++i) tail += "line " + std::to_string(i) + "\r\n";
  WriteFile("big.txt", "head\r\n" + tail);
  FileDeclaration file;
  Declare(file, "big.txt", 40);
  Open(file);
  for (std::string text : {"a much longer first line than before", "h", ""}) {
    Set(file);
    Next(file);
    SetRecord(file, text);
    Put(file);
    ASSERT_EQ(ErrorCode(), 0);
    EXPECT_EQ(ReadFile("big.txt"), text + "\r\n" + tail);
  }
}

TEST_F(AsciiDriverTest, PointersAndPositions) {
  WriteFile("p.txt", "aa\r\nbbb\r\ncccc\r\n");
  FileDeclaration file;
  Declare(file, "p.txt", 8);
  Open(file);
  Set(file);
  Next(file);
  Next(file);
  EXPECT_EQ(Pointer(file), 5);
  std::string second = Position(file);
  EXPECT_EQ(second.size(), 8u);
  Get(file, std::int64_t{10});
  EXPECT_EQ(Record(file), "cccc    ");
  Reget(file, second);
  EXPECT_EQ(Record(file), "bbb     ");
  Reset(file, second);
  Next(file);
  Next(file);
  EXPECT_EQ(Record(file), "cccc    ");
  EXPECT_TRUE(Eof(file));
  Set(file, std::int64_t{5});
  EXPECT_FALSE(Eof(file));
  for (std::int64_t pointer : {0, -3, 17, 99}) {
    Get(file, pointer);
    EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable) << pointer;
  }
}

TEST_F(AsciiDriverTest, SendReadsAndChangesOptions) {
  WriteFile("s.txt", "x\r\n");
  FileDeclaration file;
  Declare(file, "s.txt", 8, "/TAB=4");
  Open(file);
  struct Case {
    const char* command;
    const char* reply;
  };
  for (const Case& c :
       {Case{"CLIP", "ON"}, Case{"clip=off", "OFF"}, Case{"CLIP=maybe", "OFF"},
        Case{"TAB", "4"}, Case{"TAB=-2", "-2"}, Case{"TAB=x", "-2"},
        Case{"ENDOFRECORD", "2,13,10"}, Case{"ENDOFRECORD=1,10", "1,10"},
        Case{"ENDOFRECORD=2,10", "1,10"}, Case{"ENDOFRECORD=0", "1,10"},
        Case{"CTRLZISEOF", "ON"}, Case{"QUICKSCAN", "ON"},
        Case{"FILEBUFFERS=4", "4"}, Case{"CLIPS", ""}, Case{"C", ""}}) {
    EXPECT_EQ(Send(file, c.command), c.reply) << c.command;
  }
  EXPECT_EQ(GetProperty(file, "TAB"), "-2");
  SetProperty(file, "TAB", "3");
  EXPECT_EQ(Send(file, "TAB"), "3");

  FileDeclaration shared;
  Declare(shared, "s.txt", 8);
  Share(shared);
  EXPECT_EQ(Send(shared, "QUICKSCAN"), "OFF");
}

TEST_F(AsciiDriverTest, RefusesWhatItCannotDo) {
  WriteFile("r.txt", "x\r\n");
  FileDeclaration with_key;
  Declare(with_key, "r.txt", 8);
  with_key.AddKey(KeyDeclaration());
  Open(with_key);
  EXPECT_EQ(ErrorCode(), kErrInvalidRecordDeclaration);

  FileDeclaration with_long;
  Declare(with_long, "r.txt", 8);
  with_long.descriptor = DescriptorBuilder()
                             .Group("G")
                             .String("S", 4)
                             .Long("L")
                             .End()
                             .Descriptor();
  Open(with_long);
  EXPECT_EQ(ErrorCode(), kErrUnsupportedDataType);

  FileDeclaration not_group;
  Declare(not_group, "r.txt", 8);
  not_group.descriptor = DescriptorBuilder().String("S", 8).Descriptor();
  Open(not_group);
  EXPECT_EQ(ErrorCode(), kErrInvalidDescriptor);

  FileDeclaration file;
  Declare(file, "r.txt", 8);
  Open(file, kOpenReadShared);
  Stream(file);
  EXPECT_EQ(ErrorCode(), kErrUnsupportedFunction);
  Add(file);
  EXPECT_EQ(ErrorCode(), kErrAccessDenied);
  Set(file);
  Next(file);
  Put(file);
  EXPECT_EQ(ErrorCode(), kErrAccessDenied);
  Close(file);

  Open(file, kOpenReadWriteShared);
  Empty(file);
  EXPECT_EQ(ErrorCode(), kErrExclusiveAccessRequired);
  Lock(file);
  Empty(file);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(Bytes(file), 0);
  Close(file);

  FileDeclaration unnamed;
  Declare(unnamed, "", 8);
  unnamed.name.clear();
  Open(unnamed);
  EXPECT_EQ(ErrorCode(), kErrInvalidFilename);
  FileDeclaration missing;
  Declare(missing, "missing.txt", 8);
  Open(missing);
  EXPECT_EQ(ErrorCode(), kErrFileNotFound);
  Create(missing);
  EXPECT_EQ(ErrorCode(), kErrNoCreateAttribute);
  missing.attributes |= kFileCreate;
  Create(missing);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(ReadFile("missing.txt"), "");
}

TEST_F(AsciiDriverTest, FileNameOperations) {
  WriteFile("a.txt", "x\r\n");
  FileDeclaration file;
  Declare(file, "a.txt", 8);
  Copy(file, Path("b.txt"));
  EXPECT_EQ(ErrorCode(), 0);
  Rename(file, Path("b.txt"));  // never replaces
  EXPECT_NE(ErrorCode(), 0);
  Rename(file, Path("c.txt"));
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(ReadFile("c.txt"), "x\r\n");
  file.name = Path("b.txt");
  EXPECT_EQ(Name(file), Path("b.txt"));
  Remove(file);
  EXPECT_EQ(ErrorCode(), 0);
  Remove(file);
  EXPECT_EQ(ErrorCode(), kErrFileNotFound);
  file.name = Path("c.txt");
  Open(file);
  Copy(file, Path("d.txt"));  // not while open
  EXPECT_EQ(ErrorCode(), kErrFileAlreadyOpen);
}

TEST_F(AsciiDriverTest, LocksExcludeOtherOpensAndNest) {
  WriteFile("l.txt", "x\r\n");
  FileDeclaration first;
  FileDeclaration second;
  Declare(first, "l.txt", 8);
  Declare(second, "l.txt", 8);
  Share(first);
  Share(second);
  Lock(first);
  EXPECT_EQ(ErrorCode(), 0);
  Lock(second, 0);
  EXPECT_EQ(ErrorCode(), kErrFileLocked);
  Unlock(first);
  Lock(second, 0);
  EXPECT_EQ(ErrorCode(), 0);
  Unlock(second);
  EXPECT_EQ(second.control.state & kStateLocked, 0u);
}

TEST_F(AsciiDriverTest, SharedOpenSeesLinesAddedElsewhere) {
  WriteFile("sh.txt", "a\r\n");
  FileDeclaration reader;
  FileDeclaration writer;
  Declare(reader, "sh.txt", 8);
  Declare(writer, "sh.txt", 8);
  Share(reader);
  Share(writer);
  Set(reader);
  Next(reader);
  Next(reader);
  EXPECT_EQ(ErrorCode(), kErrRecordNotAvailable);
  SetRecord(writer, "b");
  Add(writer);
  Set(reader, std::int64_t{4});
  Next(reader);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(Record(reader), "b       ");
}

}  // namespace
}  // namespace vantrel
