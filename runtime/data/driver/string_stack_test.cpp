#include "runtime/data/driver/string_stack.h"

#include <gtest/gtest.h>

#include <string>

namespace vantrel {
namespace {

using Kind = StringStack::Kind;

TEST(StringStackTest, PopIntoFieldPadsOrCuts) {
  StringStack stack;
  std::string wide(20, '#');
  std::string narrow(5, '#');
  stack.PushText("Abcdefg");
  stack.PushText("Abcdefg");
  stack.PopIntoField(wide);
  stack.PopIntoField(narrow);
  EXPECT_EQ(wide, "Abcdefg" + std::string(13, ' '));
  EXPECT_EQ(narrow, "Abcde");
  EXPECT_EQ(stack.Depth(), 0u);
  stack.PopIntoField(narrow);  // nothing left: an empty text
  EXPECT_EQ(narrow, "     ");
}

TEST(StringStackTest, PushesBeyondTheLimitAreIgnored) {
  StringStack stack;
  std::string texts[StringStack::kMaxEntries + 1];
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    texts[i] = std::to_string(i);
    stack.PushText(texts[i]);
  }
  EXPECT_EQ(stack.Depth(), StringStack::kMaxEntries);
  EXPECT_EQ(stack.Top(), "31");
  stack.PushNumber(7);
  stack.PushCopy("x");
  EXPECT_EQ(stack.PopText(), "31");
  EXPECT_EQ(stack.Depth(), StringStack::kMaxEntries - 1);
}

TEST(StringStackTest, NumbersBecomeTextWhenNeeded) {
  StringStack stack;
  stack.PushText("total=");
  stack.PushNumber(-12.5);
  EXPECT_EQ(stack.TopKind(), Kind::kNumber);
  stack.Join();
  EXPECT_EQ(stack.TopKind(), Kind::kPrivate);
  EXPECT_EQ(stack.PopText(), "total=-12.5");
  stack.PushNumber(std::int64_t{1234567});
  EXPECT_EQ(stack.Numeric(), 1);
  stack.PushNumber(40);
  EXPECT_EQ(stack.Length(), 2);
}

// Composes a list key the way the card window does: clip, upper-case, join.
TEST(StringStackTest, ComposesAnExpression) {
  StringStack stack;
  const std::string last_name = "  Smith     ";  // a blank-padded field
  stack.PushText(last_name);
  stack.Clip();
  stack.Upper();
  stack.PushText(", ");
  stack.Join();
  stack.PushText("john   ");
  stack.Clip();
  stack.Piece(1, 1);
  stack.Upper();
  stack.Join();
  std::string key(12, '#');
  stack.PopIntoField(key);
  EXPECT_EQ(key, "  SMITH, J  ");
  EXPECT_EQ(last_name, "  Smith     ");  // the referenced field is untouched
}

TEST(StringStackTest, OperationsOnPrivateCopies) {
  StringStack stack;
  stack.PushCopy("abcdef   ");
  stack.Clip();
  stack.Piece(-3, 2);  // the piece lies inside the entry's own copy
  EXPECT_EQ(stack.TopKind(), Kind::kPrivate);
  EXPECT_EQ(stack.Top(), "de");
  stack.PushText(nullptr, 5);
  EXPECT_EQ(stack.Top(), "");
  stack.Join();
  EXPECT_EQ(stack.PopText(), "de");
}

TEST(StringStackTest, SearchNumericAndLengthPopTheirOperands) {
  StringStack stack;
  stack.PushText("below");
  stack.PushText("ann");
  stack.PushText("n");
  EXPECT_EQ(stack.Search(2, 1), 2);
  stack.PushText("ann");
  stack.PushText("");
  EXPECT_EQ(stack.Search(1, 1), 0);
  stack.PushText("123 4567");
  EXPECT_EQ(stack.Numeric(), 0);
  stack.PushText("abc  ");
  EXPECT_EQ(stack.Length(), 5);
  EXPECT_EQ(stack.PopText(), "below");
  EXPECT_EQ(stack.Depth(), 0u);
}

TEST(StringStackTest, MissingOperandsAreEmptyTexts) {
  StringStack stack;
  stack.Join();
  stack.Clip();
  stack.Upper();
  stack.Piece(1, 2);
  stack.Pop();
  EXPECT_EQ(stack.Depth(), 0u);
  EXPECT_EQ(stack.Length(), 0);
  EXPECT_EQ(stack.Numeric(), 0);
  stack.PushText("needle");
  EXPECT_EQ(stack.Search(1, 1), 0);  // nothing below to search in
  EXPECT_EQ(stack.Depth(), 0u);
  stack.PushText("alone");
  stack.Join();
  EXPECT_EQ(stack.PopText(), "alone");
}

}  // namespace
}  // namespace vantrel
