#include "app/list_keys.h"

#include <gtest/gtest.h>

#include <string>

namespace vantrel {
namespace {

struct Case {
  const char* last;
  const char* first;
  const char* company;
  std::uint8_t list_by_company;
  const char* name_key;
  const char* company_key;
  std::uint8_t list_by_company_after;
};

const Case kCases[] = {
    {"Smith", "Ann", "Acme", 1, "Smith, Ann (Acme)", "Acme (Ann Smith)", 1},
    {"Smith", "Ann", "Acme", 0, "Smith, Ann (Acme)", "", 0},
    {"", "", "Acme", 1, "", "Acme", 1},
    {"", "", "Acme", 0, "", "", 0},
    // Names without a company are never listed by company.
    {"Smith", "Ann", "", 1, "Smith, Ann", "", 0},
    {"Smith", "", "", 0, "Smith", "", 0},
    {"Smith", "", "Acme", 1, "Smith (Acme)", "Acme ( Smith)", 1},
    {"", "Ann", "Acme", 1, ", Ann (Acme)", "Acme (Ann )", 1},
    {"", "", "", 1, "", "", 1},
    // Keys are cut to their 50 characters.
    {"Abcdefghijklmnopqrstuvwxyzabcd", "Abcdefghijklmnopqrst",
     "Abcdefghijklmnopqrstuvwxyzabcd", 1,
     "Abcdefghijklmnopqrstuvwxyzabcd, Abcdefghijklmnopqr",
     "Abcdefghijklmnopqrstuvwxyzabcd (Abcdefghijklmnopqr", 1},
};

TEST(ListKeysTest, ComposesNameAndCompanyKeys) {
  for (const Case& c : kCases) {
    CardRecord card;
    ClearCard(card);
    Assign(card.NAMEKEY, "stale name key");
    Assign(card.COMPANYKEY, "stale company key");
    Assign(card.LASTNAME, c.last);
    Assign(card.FIRSTNAME, c.first);
    Assign(card.COMPANY, c.company);
    card.LISTBYCOMPANY = c.list_by_company;
    ComposeListKeys(card);
    SCOPED_TRACE(std::string(c.last) + "/" + c.first + "/" + c.company);
    EXPECT_EQ(Clipped(card.NAMEKEY), c.name_key);
    EXPECT_EQ(Clipped(card.COMPANYKEY), c.company_key);
    EXPECT_EQ(card.LISTBYCOMPANY, c.list_by_company_after);
  }
}

}  // namespace
}  // namespace vantrel
