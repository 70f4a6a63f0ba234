#include "runtime/data/text/env_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace vantrel {
namespace {

TEST(EnvFileTest, ParsesKeysAndValues) {
  std::string long_value(kMaxEnvValueLength + 10, 'x');
  std::string text =
      " hes month\t= Jan , Feb \t \r\n"  // key: blanks skipped, upper-cased
      "no equals sign\n"
      "=no key\n"
      "\rHESAMPM=<97><109>,<112>m<\n"  // escapes; a lone '<' stays
      "K=<256><x><12\n"                // not escapes
      "K2=<32>\n"                      // a blank kept by its escape
      "LONG=" +
      long_value +
      "\n"
      "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789=cut key\n"
      "LAST=before\x1A"
      "AFTER=ignored\n";
  std::vector<EnvEntry> expected = {
      {"HESMONTH", " Jan , Feb"},
      {"HESAMPM", "am,pm<"},
      {"K", "<256><x><12"},
      {"K2", " "},
      {"LONG", std::string(kMaxEnvValueLength, 'x')},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234", "cut key"},
      {"LAST", "before"},
  };
  EXPECT_EQ(ParseEnvFile(text), expected);
}

TEST(EnvFileTest, EscapeForCodeZeroAndEmptyValue) {
  std::vector<EnvEntry> expected = {{"A", std::string("x\0y", 3)}, {"B", ""}};
  EXPECT_EQ(ParseEnvFile("A=x<0>y\nB=  \t\n"), expected);
}

TEST(EnvFileTest, PathReplacesTheProgramsExtension) {
  struct Case {
    const char* program;
    const char* env;
  } cases[] = {
      {"/usr/bin/vantrel", "/usr/bin/vantrel.env"},
      {"/opt/v1.2/prog.exe", "/opt/v1.2/prog.env"},
      {"/home/u/.hidden", "/home/u/.hidden.env"},
      {"prog", "prog.env"},
  };
  for (const Case& c : cases) EXPECT_EQ(EnvPathFor(c.program), c.env);
}

TEST(EnvFileTest, MissingFileHasNoEntries) {
  std::string problem;
  EXPECT_TRUE(ReadEnvFile("/nonexistent/dir/prog.env", &problem).empty());
  EXPECT_EQ(problem, "");
}

TEST(EnvFileTest, FilesThatCannotBeUsedAreNamedWithTheReason) {
  char pattern[] = "/tmp/vantrel_env_XXXXXX";
  std::string dir = mkdtemp(pattern);
  std::string fifo = dir + "/fifo.env", big = dir + "/big.env";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::ofstream(big) << "DECIMAL=,\n" << std::string(kMaxEnvFileSize, ' ');
  struct Case {
    std::string path, problem;
  } cases[] = {
      {dir, dir + " is not a regular file"},
      {fifo, fifo + " is not a regular file"},
      {"/dev/zero", "/dev/zero is not a regular file"},
      {big, big + " is larger than 1048576 bytes"},
  };
  for (const Case& c : cases) {
    std::string problem;
    EXPECT_TRUE(ReadEnvFile(c.path, &problem).empty());
    EXPECT_EQ(problem, c.problem);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vantrel
