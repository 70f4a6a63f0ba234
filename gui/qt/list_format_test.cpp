#include "gui/qt/list_format.h"

#include <gtest/gtest.h>

namespace vantrel::qt {
namespace {

TEST(ListFormatTest, ColumnsAreReadInOrder) {
  ListFormat one = ParseListFormat("[16607L(2)]");
  ASSERT_TRUE(one.error.empty()) << one.error;
  ASSERT_EQ(one.columns.size(), 1u);
  EXPECT_EQ(one.columns[0].width, 16607);
  EXPECT_EQ(one.columns[0].justify, Justify::kLeft);
  EXPECT_EQ(one.columns[0].indent, 2);

  ListFormat two = ParseListFormat("80L(2)|M~Name~@s20@ 60R(1)~Balance~");
  ASSERT_TRUE(two.error.empty()) << two.error;
  ASSERT_EQ(two.columns.size(), 2u);
  EXPECT_TRUE(two.columns[0].right_border);
  EXPECT_TRUE(two.columns[0].resizable);
  EXPECT_EQ(two.columns[0].header, "Name");
  EXPECT_EQ(two.columns[0].picture, "@s20");
  EXPECT_EQ(two.columns[1].justify, Justify::kRight);
  EXPECT_EQ(two.columns[1].header, "Balance");
  EXPECT_TRUE(two.headers());

  ListFormat none = ParseListFormat("");
  EXPECT_EQ(none.columns.size(), 1u);
  EXPECT_FALSE(none.headers());
}

TEST(ListFormatTest, MalformedFormatsAreRefusedWithTheReason) {
  struct Case {
    const char* format;
    const char* reason;
  } cases[] = {
      {"[80L", "without its ']'"},
      {"80L]", "without its '['"},
      {"80L(2", "')' expected"},
      {"80L~Name", "without its closing"},
      {"L80", "where a column width belongs"},
      {"999999999999L", "too large"},
  };
  for (const Case& c : cases) {
    ListFormat format = ParseListFormat(c.format);
    EXPECT_TRUE(format.columns.empty()) << c.format;
    EXPECT_NE(format.error.find(c.reason), std::string::npos)
        << c.format << ": " << format.error;
  }
}

}  // namespace
}  // namespace vantrel::qt
