#include "runtime/data/text/locale.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "runtime/data/base/error_state.h"
#include "runtime/data/text/charset.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

TEST(SplitEnvListTest, ItemsQuotesAndErrors) {
  using Items = std::vector<std::string>;
  struct Case {
    std::string_view value;
    std::optional<Items> items;
  } cases[] = {
      {"a, b ,c", Items{"a", "b", "c"}},
      {"", Items{""}},
      {"a,,b", Items{"a", "", "b"}},
      {R"( "x, y" , "say ""hi""")", Items{"x, y", R"(say "hi")"}},
      {R"("open)", std::nullopt},
      {R"("a"b)", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SplitEnvList(c.value), c.items) << c.value;
}

Locale Applied(std::vector<EnvEntry> entries,
               std::vector<std::string>* problems = nullptr) {
  Locale locale;
  std::vector<std::string> found = ApplyEnvironment(entries, &locale);
  if (problems) *problems = found;
  return locale;
}

TEST(ApplyEnvironmentTest, CharacterTables) {
  // \xC4 = A umlaut, \xE4 = a umlaut.
  Locale l = Applied({{"HESCASE", "\xC4\xE4,\xD6\xF6"},
                      {"HESCOLSEQ", "\"BA\""},
                      {"HESDIGRAPH",
                       "\xDFss,\xC6"
                       "AE"}});
  EXPECT_EQ(l.tables.case_map[0xC4], 0xE4);
  EXPECT_EQ(l.tables.case_map[0xE4], 0xC4);
  EXPECT_TRUE(l.tables.IsUpper(0xD6));
  EXPECT_TRUE(l.tables.IsLower(0xF6));
  EXPECT_EQ(l.tables.case_map['a'], 'A');  // defaults stay
  // B and A swap weights; everything else keeps its own code.
  EXPECT_EQ(l.tables.weight['B'], 'A');
  EXPECT_EQ(l.tables.weight['A'], 'B');
  EXPECT_EQ(l.tables.weight['C'], 'C');
  std::vector<Digraph> digraphs = {{0xDF, 's', 's'}, {0xC6, 'A', 'E'}};
  EXPECT_EQ(l.tables.digraphs, digraphs);
}

TEST(ApplyEnvironmentTest, TextsAndOptions) {
  Locale l = Applied({
      {"HESMONTH",
       "Januar,Februar,M\xE4rz,April,Mai,Juni,Juli,August,"
       "September,Oktober,November,Dezember"},
      {"HESMON", "jan,feb,mrt,apr,mei,jun,jul,aug,sep,okt,nov,dec"},
      {"HESAMPM", "vorm,nachm"},
      {"HESBUTTON", ",&Ja,&Nein"},
      {"HESCHARSET", "oem"},
      {"HESLFN", "ON"},
      {"OTHERKEY", "anything"},
  });
  EXPECT_EQ(l.regional.month_names[2], "M\xE4rz");
  EXPECT_EQ(l.regional.month_abbreviations[11], "dec");
  EXPECT_EQ(l.regional.am, "vo");
  EXPECT_EQ(l.regional.pm, "na");
  EXPECT_EQ(l.options.button_texts[0], "OK");
  EXPECT_EQ(l.options.button_texts[1], "&Ja");
  EXPECT_EQ(l.options.button_texts[2], "&Nein");
  EXPECT_EQ(l.options.button_texts[7], "&Help");
  EXPECT_EQ(l.options.charset, DataCharset::kOem);
  EXPECT_TRUE(l.options.long_file_names);
}

TEST(ApplyEnvironmentTest, UnusableValuesAreReportedAndChangeNothing) {
  std::vector<std::string> problems;
  Locale l = Applied({{"HESMONTH", "a,b,c"},
                      {"HESMON", "a,b,c,d,e,f,g,h,i,j,k,"},
                      {"HESAMPM", "am"},
                      {"HESCASE", "\xC4\xE4\xD6"},
                      {"HESCASE", "xx"},
                      {"HESDIGRAPH", "\xDFs"},
                      {"HESDIGRAPH", std::string(3 * (kMaxDigraphs + 1), 'x')},
                      {"HESCOLSEQ", ""},
                      {"HESCHARSET", "EBCDIC"},
                      {"HESLFN", "maybe"},
                      {"HESBUTTON", "1,2,3,4,5,6,7,8,9"},
                      {"HESBUTTON", "\"unclosed"}},
                     &problems);
  EXPECT_EQ(problems.size(), 12u);
  EXPECT_EQ(problems[0], "HESMONTH: value not usable: a,b,c");
  Locale defaults;
  EXPECT_EQ(l.tables, defaults.tables);
  EXPECT_EQ(l.regional.month_names, defaults.regional.month_names);
  EXPECT_EQ(l.regional.month_abbreviations,
            defaults.regional.month_abbreviations);
  EXPECT_EQ(l.regional.am, "AM");
  EXPECT_EQ(l.options.charset, DataCharset::kWindows);
  EXPECT_EQ(l.options.button_texts, defaults.options.button_texts);
}

class LoadLocaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantrel_locale_XXXXXX";
    root_ = mkdtemp(pattern);
    setenv("VANTREL_CONFIG_DIR", root_.c_str(), 1);
    setenv("VANTREL_ENV", (root_ / "prog.env").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VANTREL_CONFIG_DIR");
    unsetenv("VANTREL_ENV");
    fs::remove_all(root_);
    SetCharTables(CharTables::Defaults());
    LoadLocale();
  }
  void Write(const char* name, std::string_view text) {
    std::ofstream(root_ / name, std::ios::binary) << text;
  }
  fs::path root_;
};

TEST_F(LoadLocaleTest, IntlFirstThenTheEnvironmentFile) {
  Write("WIN.INI",
        "[intl]\niTime=1\niTLzero=0\nsTime=.\ns1159=morning\n"
        "sShortDate=dd.MM.yyyy\n");
  Write("prog.env", "HESAMPM=vm,nm\nHESCASE=\xC4\xE4\nHESCHARSET=OEM\n");
  PostError(kErrFileNotFound);
  EXPECT_TRUE(LoadLocale().empty());
  const RegionalSettings& r = GetRegionalSettings();
  EXPECT_EQ(r.short_time_layout, "Hh.mm");
  EXPECT_EQ(r.long_time_layout, "Hh.mm.ss");
  EXPECT_EQ(r.short_date_layout, "dd.mm.yyyy");
  EXPECT_EQ(r.am, "vm");
  EXPECT_EQ(GetCharTables().case_map[0xE4], 0xC4);
  EXPECT_TRUE(DataIsOem());
  EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(LoadLocaleTest, MissingFilesGiveTheDefaults) {
  PostError(kErrFileNotFound);
  EXPECT_TRUE(LoadLocale().empty());
  RegionalSettings defaults;
  const RegionalSettings& r = GetRegionalSettings();
  EXPECT_EQ(r.am, "AM");
  EXPECT_EQ(r.short_date_layout, defaults.short_date_layout);
  EXPECT_EQ(r.long_date_layout, defaults.long_date_layout);
  EXPECT_EQ(r.short_time_layout, defaults.short_time_layout);
  EXPECT_EQ(r.long_time_layout, defaults.long_time_layout);
  EXPECT_FALSE(DataIsOem());
  EXPECT_EQ(GetCharTables(), CharTables::Defaults());
  EXPECT_EQ(ErrorCode(), 0);
}

TEST(CharsetTest, ConversionIsAReversiblePermutation) {
  for (int c = 0; c < 256; ++c) {
    auto b = static_cast<std::uint8_t>(c);
    EXPECT_EQ(WindowsToOem(OemToWindows(b)), b);
    EXPECT_EQ(OemToWindows(WindowsToOem(b)), b);
  }
  // Shared characters map onto each other: e acute, u umlaut, pound, NBSP.
  EXPECT_EQ(WindowsToOem("\xE9\xFC\xA3\xA0 Az"), "\x82\x81\x9C\xFF Az");
  EXPECT_EQ(OemToWindows("\x9F\xE1"), "\x83\xDF");  // f hook, sharp s
}

}  // namespace
}  // namespace vantrel
