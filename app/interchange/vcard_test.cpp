#include "app/interchange/vcard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "app/interchange/interchange_test_support.h"
#include "app/interchange/vcard_cards.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string OneValue(std::string_view text) {
  VCardFile file = ReadVCards(text);
  EXPECT_EQ(file.error, "");
  if (file.cards.size() != 1 || file.cards[0].properties.size() != 1)
    return "<no single property>";
  return file.cards[0].properties[0].value;
}

TEST(VCardReader, UnfoldsAndDecodesValues) {
  struct Case {
    const char* text;
    const char* value;
  } cases[] = {
      // Folding: the break and one blank or tab go, whatever the line end.
      {"BEGIN:VCARD\r\nNOTE:ab\r\n cd\r\n\tef\r\nEND:VCARD\r\n", "abcdef"},
      {"BEGIN:VCARD\nNOTE:ab\n  cd\nEND:VCARD", "ab cd"},
      {"BEGIN:VCARD\rNOTE:ab\r cd\rEND:VCARD\r", "abcd"},
      // Quoted-printable, its soft line break, charsets.
      {"BEGIN:VCARD\r\nNOTE;ENCODING=QUOTED-PRINTABLE:a=3Db=\r\nc\r\nEND:VCARD",
       "a=bc"},
      {"BEGIN:VCARD\r\nNOTE;QUOTED-PRINTABLE;CHARSET=UTF-8:=C3=A9\r\nEND:VCARD",
       "\xC3\xA9"},
      {"BEGIN:VCARD\r\nNOTE;CHARSET=WINDOWS-1252;ENCODING=QUOTED-PRINTABLE:=80"
       "\r\nEND:VCARD",
       "\xE2\x82\xAC"},
      // Eight-bit text without a charset that is not UTF-8.
      {"BEGIN:VCARD\r\nNOTE:caf\xE9\r\nEND:VCARD", "caf\xC3\xA9"},
      // A group, a quoted parameter holding ':' and ';'.
      {"BEGIN:VCARD\r\nitem1.NOTE;X-A=\"a:b;c\":v\r\nEND:VCARD", "v"},
  };
  for (const Case& c : cases) EXPECT_EQ(OneValue(c.text), c.value) << c.text;
}

TEST(VCardReader, ParametersAndTypes) {
  VCardFile file = ReadVCards(
      "BEGIN:VCARD\r\nTEL;WORK;VOICE:1\r\nTEL;TYPE=\"cell,voice\";PREF=1:2\r\n"
      "TEL;type=HOME;TYPE=fax:3\r\nEND:VCARD\r\n");
  ASSERT_EQ(file.cards.size(), 1u);
  const auto& p = file.cards[0].properties;
  ASSERT_EQ(p.size(), 3u);
  EXPECT_THAT(p[0].Types(), ElementsAre("work", "voice"));
  EXPECT_THAT(p[1].Types(), ElementsAre("cell", "voice"));
  EXPECT_THAT(p[2].Types(), ElementsAre("home", "fax"));
  EXPECT_EQ(*p[1].Param("PREF"), "1");
}

TEST(VCardReader, EscapesSplitAndJoin) {
  EXPECT_THAT(SplitValue("a\\;b;c\\,d;;e\\\\", ';'),
              ElementsAre("a;b", "c,d", "", "e\\"));
  EXPECT_EQ(Unescape("one\\ntwo\\Nthree\\"), "one\ntwo\nthree\\");
  const std::string text = "a,b;c\\d\ne";
  EXPECT_EQ(Unescape(Escape(text)), text);
  EXPECT_THAT(SplitValue(Escape("x;y") + ";" + Escape("z,w"), ';'),
              ElementsAre("x;y", "z,w"));
}

TEST(VCardReader, FoldsAt75OctetsWithoutSplittingCharacters) {
  std::string value;
  for (int i = 0; i < 60; ++i) value += "\xC3\xA9";  // 120 octets
  std::string out;
  AppendFolded(out, "NOTE", value);
  std::size_t start = 0;
  int lines = 0;
  while (start < out.size()) {
    const std::size_t end = out.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LE(end - start, 75u);
    // No line begins or ends inside a two-byte character.
    EXPECT_NE(out[end - 1], '\xC3');
    start = end + 2;
    ++lines;
  }
  EXPECT_GT(lines, 1);
  EXPECT_EQ(OneValue("BEGIN:VCARD\r\n" + out + "END:VCARD\r\n"), value);
}

TEST(VCardReader, BrokenInputIsRefusedOrNoted) {
  struct Case {
    const char* text;
    const char* error;  // empty: read, with a note
  } cases[] = {
      {"BEGIN:VCARD\r\nN:a;b\r\n",
       "the card that begins on line 1 has no END:VCARD"},
      {"BEGIN:VCARD\r\nBEGIN:VCARD\r\nEND:VCARD\r\n",
       "line 2: a card begins before the card of line 1 has ended"},
      {"", "no vCard in the file (no BEGIN:VCARD line)"},
      {"\xFF garbage\r\n:;\r\n", "no vCard in the file (no BEGIN:VCARD line)"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadVCards(c.text).error, c.error);
  VCardFile broken = ReadVCards(
      "junk\r\nBEGIN:VCARD\r\nNOTE;ENCODING=QUOTED-PRINTABLE:a=XYb=4\r\n"
      "no colon here\r\nEND:VCARD\r\n");
  ASSERT_EQ(broken.error, "");
  EXPECT_THAT(broken.notes, ElementsAre("line 1: not inside a card; ignored"));
  ASSERT_EQ(broken.cards.size(), 1u);
  EXPECT_EQ(broken.cards[0].properties[0].value, "a=XYb=4");
  EXPECT_THAT(broken.cards[0].notes,
              ElementsAre("line 3: broken quoted-printable kept as it stands",
                          "line 4: no ':' after the property name; ignored"));
}

TEST(VCardReader, HugeInputsStayLinear) {
  // A line of 8 MB and a million cards are read without trouble.
  std::string line =
      "BEGIN:VCARD\r\nNOTE:" + std::string(8 << 20, 'x') + "\r\nEND:VCARD\r\n";
  VCardFile one = ReadVCards(line);
  ASSERT_EQ(one.cards.size(), 1u);
  EXPECT_EQ(one.cards[0].properties[0].value.size(), 8u << 20);
  std::string many;
  constexpr int kCards = 1000000;
  many.reserve(kCards * 30);
  for (int i = 0; i < kCards; ++i) many += "BEGIN:VCARD\nFN:A B\nEND:VCARD\n";
  VCardFile file = ReadVCards(many);
  EXPECT_EQ(file.error, "");
  EXPECT_EQ(file.cards.size(), static_cast<std::size_t>(kCards));
}

class VCardImportTest : public CardFileTest {
 protected:
  ImportSummary Import(std::string_view text) {
    ImportSummary summary;
    std::string error;
    EXPECT_TRUE(ImportVCardText(data, text, &summary, &error)) << error;
    return summary;
  }
};

TEST_F(VCardImportTest, PhoneDialectOf21) {
  ImportSummary summary = Import(Fixture("phone_21.vcf"));
  EXPECT_EQ(summary.added, 3);
  std::vector<CardRecord> cards = LiveCards();
  ASSERT_EQ(cards.size(), 3u);
  EXPECT_EQ(Text(cards[0].LASTNAME), "M\xC3\xBCller");
  EXPECT_EQ(Text(cards[0].FIRSTNAME), "J\xC3\xBCrgen");
  // A type word that would make the line too long is left out.
  EXPECT_EQ(Text(cards[0].PHONES), "+49 170 5550123\r\nWork 030 5550 1188");
  EXPECT_EQ(Text(cards[0].CONTENTS),
            "Erste Zeile\r\nZweite Zeile mit einem sehr langen Text, der auf "
            "die n\xC3\xA4"
            "chste Zeile umbricht.");
  EXPECT_EQ(Text(cards[0].NAMEKEY), "M\xC3\xBCller, J\xC3\xBCrgen");
  EXPECT_EQ(Text(cards[1].LASTNAME), "Fran\xC3\xA7ois");
  EXPECT_EQ(Text(cards[1].FIRSTNAME),
            "Ren\xC3\xA9"
            "e");
  EXPECT_EQ(Text(cards[1].COMPANY), "Caf\xC3\xA9 du Nord");
  EXPECT_EQ(cards[1].LISTBYCOMPANY, 0);
  EXPECT_EQ(Text(cards[1].PHONES), "Home 555 0101");
  EXPECT_EQ(Text(cards[1].CATEGORY), "Friends");
  EXPECT_EQ(Text(cards[2].LASTNAME), "G\xC3\xB6tz");
  EXPECT_EQ(Text(cards[2].FIRSTNAME), "Ana\xC3\xAFs");
  EXPECT_THAT(summary.notes,
              ElementsAre("card 1 (line 1): phone Mobile +49 170 5550123: the "
                          "word Mobile left out to fit 20 characters"));
}

TEST_F(VCardImportTest, MailDialectOf30KeepsWhatDoesNotFitAFieldInTheContents) {
  ImportSummary summary = Import(Fixture("mail_30.vcf"));
  std::vector<CardRecord> cards = LiveCards();
  ASSERT_EQ(cards.size(), 1u);
  const CardRecord& card = cards[0];
  EXPECT_EQ(Text(card.LASTNAME), "Smith, Jr.");
  EXPECT_EQ(Text(card.FIRSTNAME), "Ann");
  EXPECT_EQ(Text(card.COMPANY), "Acme; Sons");
  EXPECT_EQ(Text(card.PHONES),
            "Work +1 212 555 0100\r\n+1 917 555 0126\r\nFax +1 212 555 0199");
  EXPECT_EQ(Text(card.CATEGORY), "Work");
  EXPECT_EQ(Text(card.CONTENTS),
            "Met at the fair\r\nPrefers e-mail, never calls before ten. This "
            "note is folded in the middle of a word.\r\n"
            "Title: Buyer\r\nE-mail: ann@example.com\r\n"
            "Address: 14 Orchard Lane, Millbrook, NY, 12545, USA\r\n"
            "Birthday: 1980-05-03\r\nDepartment: Sales\r\n"
            "Categories: Clients, Golf");
  EXPECT_THAT(summary.notes, ElementsAre(HasSubstr("the word Mobile left out"),
                                         "card 1 (line 1): not kept: PHOTO"));
}

TEST_F(VCardImportTest, Dialect40WithTypeListsAndACompanyCard) {
  Import(Fixture("contacts_40.vcf"));
  std::vector<CardRecord> cards = LiveCards();
  ASSERT_EQ(cards.size(), 2u);
  EXPECT_EQ(Text(cards[0].LASTNAME), "Whitfield");
  EXPECT_EQ(Text(cards[0].FIRSTNAME), "Zo\xC3\xAB");
  EXPECT_EQ(Text(cards[0].PHONES), "+44-20-5550-1234\r\n+44-20-5550-9876");
  EXPECT_EQ(Text(cards[0].CONTENTS), "E-mail: zoe@example.org");
  // Only a company: listed by it, no person's name taken from FN.
  EXPECT_EQ(Text(cards[1].LASTNAME), "");
  EXPECT_EQ(Text(cards[1].COMPANY), "Brightwater Software");
  EXPECT_EQ(cards[1].LISTBYCOMPANY, 1);
  EXPECT_EQ(Text(cards[1].COMPANYKEY), "Brightwater Software");
  EXPECT_EQ(Text(cards[1].PHONES), "Work 212 555 0100");
}

TEST_F(VCardImportTest, MixedLineEndingsAcrossCards) {
  ImportSummary summary = Import(
      "BEGIN:VCARD\r\nVERSION:3.0\r\nN:One;A\r\nEND:VCARD\n"
      "BEGIN:VCARD\nVERSION:3.0\nN:Two;B\rEND:VCARD\r"
      "BEGIN:VCARD\r\nVERSION:3.0\nN:Three;C\r\nEND:VCARD");
  EXPECT_EQ(summary.added, 3);
  std::vector<CardRecord> cards = LiveCards();
  ASSERT_EQ(cards.size(), 3u);
  EXPECT_EQ(Text(cards[2].NAMEKEY), "Three, C");
}

TEST_F(VCardImportTest, WhatDoesNotFitIsReportedCardByCard) {
  std::string text = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" + std::string(35, 'L') +
                     ";Ann\r\nFN:Ann\r\nNOTE:" + std::string(450, 'n') + "\r\n";
  for (int i = 1; i <= 12; ++i)
    text += "TEL:555 01" + std::to_string(10 + i) + "\r\n";
  text +=
      "TEL:+1 555 0100 extension "
      "4711\r\nCATEGORIES:\xE2\x88\x9E\r\nEND:VCARD\r\n";
  ImportSummary summary = Import(text);
  std::vector<CardRecord> cards = LiveCards();
  ASSERT_EQ(cards.size(), 1u);
  EXPECT_EQ(Text(cards[0].LASTNAME), std::string(30, 'L'));
  EXPECT_EQ(Text(cards[0].CATEGORY), "?");
  ASSERT_EQ(summary.notes.size(), 5u);
  EXPECT_EQ(summary.notes[0],
            "card 1 (line 1): Last name cut to 30 characters; "
            "it was: " +
                std::string(35, 'L'));
  EXPECT_EQ(summary.notes[1],
            "card 1 (line 1): Category: characters without a "
            "Windows-1252 code written as ?: U+221E");
  EXPECT_THAT(summary.notes[2], HasSubstr("phone 555 0122 does not fit"));
  EXPECT_THAT(summary.notes[3],
              HasSubstr("phone +1 555 0100 extension 4711 does not fit"));
  EXPECT_THAT(summary.notes[4], HasSubstr("Contents cut to 400 characters"));
  EXPECT_EQ(Text(cards[0].PHONES).substr(0, 18), "555 0111\r\n555 0112");
  EXPECT_THAT(summary.Text(), HasSubstr("Cards added: 1\n"));
}

TEST_F(VCardImportTest, StampsOfThisProgramMatchAndTheNewerWins) {
  ImportSummary first = Import(
      "BEGIN:VCARD\r\nN:Okafor;Grace\r\nTEL:1\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nN:Chen;Wei\r\nUID:urn:x-vantrel-card:80000-100\r\n"
      "X-VANTREL-CHANGED:80001-100\r\nEND:VCARD\r\n");
  EXPECT_EQ(first.added, 2);
  std::string newer =
      "BEGIN:VCARD\r\nN:Chen;Wei Ming\r\nUID:urn:x-vantrel-card:80000-100\r\n"
      "X-VANTREL-CHANGED:80002-5\r\nEND:VCARD\r\n";
  std::string older =
      "BEGIN:VCARD\r\nN:Chen;Old\r\nUID:urn:x-vantrel-card:80000-100\r\n"
      "REV:20000101T000000Z\r\nEND:VCARD\r\n";
  std::string same_person =
      "BEGIN:VCARD\r\nN:Okafor;Grace\r\nTEL:1\r\nEND:VCARD\r\n";
  ImportSummary second = Import(newer + older + same_person);
  EXPECT_EQ(second.updated, 1);
  EXPECT_EQ(second.not_newer, 1);
  EXPECT_EQ(second.duplicates, 1);
  EXPECT_EQ(second.added, 0);
  std::vector<StoredCard> cards = Stored();
  ASSERT_EQ(cards.size(), 2u);
  EXPECT_EQ(Text(cards[1].card.FIRSTNAME), "Wei Ming");
  EXPECT_EQ(cards[1].card.CREATEDDATE, 80000);
  EXPECT_EQ(cards[1].card.CHANGEDDATE, 80002);
  // The same file again changes nothing.
  ImportSummary third = Import(newer);
  EXPECT_EQ(third.not_newer, 1);
  EXPECT_EQ(Stored()[1].pointer, cards[1].pointer);
}

TEST_F(VCardImportTest, ARefusedFileLeavesTheCardFileAsItWas) {
  Import("BEGIN:VCARD\r\nN:Kept;Card\r\nEND:VCARD\r\n");
  const std::vector<CardRecord> before = LiveCards();
  for (std::string text :
       {std::string(
            "BEGIN:VCARD\r\nN:A;B\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:C;D\r\n"),
        std::string("BEGIN:VCARD\r\nBEGIN:VCARD\r\n")}) {
    ImportSummary summary;
    std::string error;
    EXPECT_FALSE(ImportVCardText(data, text, &summary, &error));
    EXPECT_NE(error, "");
    std::vector<CardRecord> after = LiveCards();
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(std::memcmp(&after[0], &before[0], sizeof(CardRecord)), 0);
  }
}

TEST_F(VCardImportTest, AFailedWriteRollsTheWholeImportBack) {
  // Opened only to read, the file refuses the writes: nothing is kept.
  CloseCardStore(data);
  std::string error;
  ASSERT_TRUE(OpenCardStore(data, path_, CardAccess::kRead, &error));
  ImportSummary summary;
  EXPECT_FALSE(ImportVCardText(data,
                               "BEGIN:VCARD\r\nN:A;B\r\nEND:VCARD\r\nBEGIN:"
                               "VCARD\r\nN:C;D\r\nEND:VCARD\r\n",
                               &summary, &error));
  EXPECT_NE(error, "");
  EXPECT_TRUE(LiveCards().empty());
}

}  // namespace
}  // namespace vantrel
