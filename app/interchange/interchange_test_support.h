// A fresh card file in a temporary directory for the interchange tests,
// open for writing, and its live cards read back.
#ifndef VANTREL_APP_INTERCHANGE_INTERCHANGE_TEST_SUPPORT_H_
#define VANTREL_APP_INTERCHANGE_INTERCHANGE_TEST_SUPPORT_H_

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/card_store.h"
#include "app/interchange/card_text.h"
#include "runtime/data/base/error_state.h"
#include "storage/tnl/driver/tnl_driver.h"

namespace vantrel {

class CardFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTarnelDriver();
    ClearError();
    char pattern[] = "/tmp/vantrel_interchange_XXXXXX";
    dir_ = mkdtemp(pattern);
    path_ = dir_ + "/cards.vtl";
    std::string error;
    ASSERT_TRUE(CreateCardStore(data, path_, &error)) << error;
    ASSERT_TRUE(OpenCardStore(data, path_, CardAccess::kWrite, &error))
        << error;
  }
  void TearDown() override {
    CloseCardStore(data);
    std::system(("rm -rf " + dir_).c_str());
  }

  std::vector<CardRecord> LiveCards() {
    std::vector<StoredCard> stored;
    std::string error;
    EXPECT_TRUE(ReadLiveCards(data, &stored, &error)) << error;
    std::vector<CardRecord> cards;
    for (const StoredCard& s : stored) cards.push_back(s.card);
    return cards;
  }
  std::vector<StoredCard> Stored() {
    std::vector<StoredCard> stored;
    std::string error;
    EXPECT_TRUE(ReadLiveCards(data, &stored, &error)) << error;
    return stored;
  }

  static std::string Fixture(const std::string& name) {
    std::ifstream in(std::string(std::getenv("VANTREL_TEST_DATA")) + "/" + name,
                     std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // A field as UTF-8 text without trailing blanks.
  template <std::size_t N>
  static std::string Text(const char (&field)[N]) {
    return FieldText(field);
  }

  CardData data;
  std::string dir_;
  std::string path_;
};

}  // namespace vantrel

#endif  // VANTREL_APP_INTERCHANGE_INTERCHANGE_TEST_SUPPORT_H_
