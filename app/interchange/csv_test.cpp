#include "app/interchange/csv.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "app/interchange/csv_cards.h"
#include "app/interchange/interchange_test_support.h"
#include "app/interchange/vcard_cards.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(CsvReader, QuotedFieldsLineBreaksAndByteOrderMark) {
  CsvFile file = ReadCsv(
      "\xEF\xBB\xBF"
      "a,\"b,c\",\"say \"\"hi\"\"\"\r\n"
      "\r\n"
      "\"two\r\nlines\",,x\"y\n"
      "last");
  ASSERT_EQ(file.error, "");
  ASSERT_EQ(file.rows.size(), 3u);
  EXPECT_THAT(file.rows[0], ElementsAre("a", "b,c", "say \"hi\""));
  EXPECT_THAT(file.rows[1], ElementsAre("two\r\nlines", "", "x\"y"));
  EXPECT_THAT(file.rows[2], ElementsAre("last"));
  EXPECT_THAT(file.lines, ElementsAre(1, 3, 5));
  EXPECT_EQ(ReadCsv("a,b\r\n\"open,\r\nstill open").error,
            "line 2: a quoted field is not closed");
}

TEST(CsvReader, WritingReadsBack) {
  const CsvRow row = {"plain", "with,comma", "with \"quote\"", "two\r\nlines",
                      ""};
  std::string out;
  AppendCsvRow(out, row);
  EXPECT_EQ(
      out, "plain,\"with,comma\",\"with \"\"quote\"\"\",\"two\r\nlines\",\r\n");
  CsvFile file = ReadCsv(out);
  ASSERT_EQ(file.rows.size(), 1u);
  EXPECT_EQ(file.rows[0], row);
}

class CsvImportTest : public CardFileTest {};

TEST_F(CsvImportTest, HeadersOfOtherAddressBooks) {
  ImportSummary summary;
  std::string error;
  ASSERT_TRUE(ImportCsvText(data, Fixture("other_book.csv"), &summary, &error))
      << error;
  EXPECT_EQ(summary.added, 2);
  std::vector<CardRecord> cards = LiveCards();
  ASSERT_EQ(cards.size(), 2u);
  EXPECT_EQ(Text(cards[0].LASTNAME), "Okafor");
  EXPECT_EQ(Text(cards[0].FIRSTNAME), "Grace");
  EXPECT_EQ(Text(cards[0].PHONES), "Mobile 312 555 0166");
  EXPECT_EQ(Text(cards[0].CATEGORY), "Family");
  EXPECT_EQ(Text(cards[0].CONTENTS),
            "802 Lakeview Terrace, Apt 3B\r\nChicago\r\nE-mail: "
            "grace@example.com\r\nCategories: Friends");
  EXPECT_EQ(Text(cards[1].COMPANY), "Lotus \"Tea\" House");
  EXPECT_EQ(Text(cards[1].PHONES), "Mobile 646 555 0137\r\nWork 212 555 0190");
  EXPECT_EQ(Text(cards[1].CONTENTS), "Job Title: Owner");
  EXPECT_EQ(cards[1].LISTBYCOMPANY, 0);
}

TEST_F(CsvImportTest, RefusedFilesChangeNothing) {
  for (const char* text :
       {"", "Colour,Size\r\nred,9\r\n", "Last Name\r\n\"Smith\r\n"}) {
    ImportSummary summary;
    std::string error;
    EXPECT_FALSE(ImportCsvText(data, text, &summary, &error)) << text;
    EXPECT_NE(error, "");
  }
  EXPECT_TRUE(LiveCards().empty());
}

TEST_F(CsvImportTest, TextThatIsNotUtf8IsReadAsWindows1252) {
  ImportSummary summary;
  std::string error;
  ASSERT_TRUE(ImportCsvText(
      data, "Surname,Given Name\r\nM\xFCller,J\xFCrgen\r\n", &summary, &error));
  EXPECT_THAT(summary.notes,
              ElementsAre("the file is not UTF-8; read as Windows-1252"));
  EXPECT_EQ(Text(LiveCards().at(0).LASTNAME), "M\xC3\xBCller");
}

// Cards written as the card window writes them, then out and back in.
class RoundTripTest : public CardFileTest {
 protected:
  void SetUp() override {
    CardFileTest::SetUp();
    std::vector<CardWrite> writes;
    auto add = [&](const char* last, const char* first, const char* company,
                   std::uint8_t by_company, const char* phones,
                   const char* category, const char* contents) {
      CardWrite write;
      ClearCard(write.card);
      Assign(write.card.LASTNAME, last);
      Assign(write.card.FIRSTNAME, first);
      Assign(write.card.COMPANY, company);
      write.card.LISTBYCOMPANY = by_company;
      Assign(write.card.PHONES, phones);
      Assign(write.card.CATEGORY, category);
      Assign(write.card.CONTENTS, contents);
      const std::int32_t n = static_cast<std::int32_t>(writes.size());
      write.card.CREATEDDATE = 80000 + n;
      write.card.CREATEDTIME = 360001 + n * 7;
      write.card.CHANGEDDATE = 80100 + n;
      write.card.CHANGEDTIME = 1 + n * 99;  // hundredths survive
      writes.push_back(write);
    };
    add("Smith, Jr.", "Ann; \"Nan\"", "Acme, Sons & Co.", 1,
        "(212) 555-0100\r\nMobile 917 555 0126\r\nWork\r\nFax 212 555 0199\r\n"
        "Home 1\r\nPager 2\r\n3\r\n4\r\n5\r\n6\r\n7",
        "Work",
        "Line one\r\nLine two, with comma; semicolon \\ backslash\r\n\r\n"
        "after an empty line");
    add("", "", "Only A Company", 1, "", "", "");
    add("M\xFCller", "Zo\xEB \x80 \x9C", "", 0, "", "Fam\xEDlia",
        std::string(399, 'x').append("y").c_str());
    add("Hartley", "Daniel", "Cobalt Design", 0, "5550127", "", "");
    std::string error;
    ASSERT_TRUE(WriteCards(data, writes, &error)) << error;
    original_ = Stored();
    ASSERT_EQ(original_.size(), 4u);
  }

  // Imports the text into a new card file and compares every card byte for
  // byte with the original.
  void ExpectSameCards(const std::string& text, bool csv) {
    CardData other;
    std::string error;
    const std::string path = dir_ + "/copy.vtl";
    std::remove(path.c_str());
    ASSERT_TRUE(CreateCardStore(other, path, &error)) << error;
    ASSERT_TRUE(OpenCardStore(other, path, CardAccess::kWrite, &error))
        << error;
    ImportSummary summary;
    ASSERT_TRUE(csv ? ImportCsvText(other, text, &summary, &error)
                    : ImportVCardText(other, text, &summary, &error))
        << error;
    EXPECT_THAT(summary.notes, ::testing::IsEmpty());
    std::vector<StoredCard> copy;
    ASSERT_TRUE(ReadLiveCards(other, &copy, &error));
    CloseCardStore(other);
    ASSERT_EQ(copy.size(), original_.size());
    for (std::size_t i = 0; i < copy.size(); ++i) {
      EXPECT_EQ(std::string(copy[i].card.bytes().data(), kCardLength),
                std::string(original_[i].card.bytes().data(), kCardLength))
          << "card " << i;
    }
  }

  std::vector<StoredCard> original_;
};

TEST_F(RoundTripTest, VCard30) {
  const std::string text = VCardsFromCards(original_, VCardVersion::k30);
  EXPECT_THAT(text, HasSubstr("TEL;TYPE=CELL:917 555 0126\r\n"));
  ExpectSameCards(text, false);
}

TEST_F(RoundTripTest, VCard40) {
  const std::string text = VCardsFromCards(original_, VCardVersion::k40);
  EXPECT_THAT(text, HasSubstr("VERSION:4.0\r\n"));
  EXPECT_THAT(text, HasSubstr("TEL;VALUE=text;TYPE=cell:917 555 0126\r\n"));
  ExpectSameCards(text, false);
}

TEST_F(RoundTripTest, Csv) { ExpectSameCards(CsvFromCards(original_), true); }

}  // namespace
}  // namespace vantrel
