#include "runtime/data/expr/expr_sql.h"

#include <gtest/gtest.h>

#include "runtime/data/expr/expr_bind.h"

namespace vantrel {
namespace {

TEST(ExprSql, RendersFiltersAndOrders) {
  std::string name;
  std::int64_t years = 0;
  PushScope(true);
  Bind("NAME", &name);
  Bind("YEARS", &years);
  struct Case {
    const char* expression;
    const char* sql;
  } cases[] = {
      {"years >= 18 and not name = 'O''Neil'",
       "(YEARS >= 18) AND (NOT (NAME = 'O''Neil'))"},
      {"years =< 1 or years ~= 2 xor years => 3",
       "((YEARS <= 1) OR (YEARS <> 2)) XOR (YEARS >= 3)"},
      {"NULL(name)", "NAME IS NULL"},
      {"INSTRING('mit', name)", "NAME LIKE '%mit%'"},
      {"SUB(name, 1, 2) = 'Sm'", "NAME LIKE 'Sm%'"},
      {"name[1 : 3] = 'O''N'", "NAME LIKE 'O''N%'"},
      {"SUB(name, 1, 3) = 'Sm'", "SUB(NAME, 1, 3) = 'Sm'"},
      {"-years * 2", "-YEARS * 2"},
  };
  for (const Case& c : cases) {
    ExprParse parse = ParseExpression(c.expression);
    ASSERT_TRUE(parse.root) << c.expression;
    EXPECT_EQ(RenderSql(*parse.root), c.sql) << c.expression;
  }
  EXPECT_EQ(RenderSqlOrder("+name, -years,UPPER(name)"),
            "NAME, YEARS DESC, UPPER(NAME)");
  EXPECT_FALSE(RenderSqlOrder("name,,years"));
  PopScope();
}

}  // namespace
}  // namespace vantrel
