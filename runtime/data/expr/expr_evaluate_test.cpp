#include "runtime/data/expr/expr_evaluate.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "runtime/data/base/error_state.h"
#include "runtime/data/base/fatal_report.h"
#include "runtime/data/expr/expr_bind.h"
#include "runtime/data/expr/expr_functions.h"
#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

struct Case {
  const char* expression;
  const char* value;
};

void ExpectValues(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(Evaluate(c.expression), c.value) << c.expression;
    EXPECT_EQ(ErrorCode(), 0) << c.expression;
  }
}

TEST(ExprEvaluate, OperatorsAndPrecedence) {
  ExpectValues({
      {"1 + 2 * 3 ^ 2", "19"},
      {"-2 ^ 2", "4"},
      {"2 ^ 3 ^ 2", "64"},  // left-associative
      {"10 - 4 - 3", "3"},
      {"--3", "3"},
      {"- +-3", "3"},
      {"7 / 2", "3.5"},
      {"8 / 2", "4"},
      {"7 % 3", "1"},
      {"7.5 % 2", "1.5"},
      {"(1 + 2) * 3", "9"},
      {".5 + 1", "1.5"},
      {"1.5E2", "150"},
      {"2e-1", "0.2"},
      {"'7' + 1", "8"},
      {"NOT 1 = 2", "1"},
      {"NOT NOT 0", "0"},
      {"NOT NOT NOT 0", "1"},
      {"~ 1 = 1", "0"},
      {"'a' & 'b' = 'ab'", "1"},
      {"'it''s'", "it's"},
      {"''''", "'"},
      {"1 =< 2", "1"},
      {"2 => 1", "1"},
      {"1 ~= 2", "1"},
      {"1 <> 1", "0"},
      {"2 ~> 1", "0"},  // ~> is <=
      {"2 ~< 1", "1"},  // ~< is >=
      {"1 < 2 AND 3 > 2", "1"},
      {"1 OR 0 AND 0", "1"},
      {"1 XOR 1", "0"},
      {"0 or 1", "1"},
      {"'abc ' = 'abc'", "1"},
      {"'10' = 10", "1"},
      {"'b' > 'a'", "1"},
      {"'Hello'[2 : 4]", "ell"},
      {"'Hello'[5]", "o"},
      {"'Hello'[4 : 2]", ""},
      {"1 & 2", "12"},
      {"9223372036854775807 + 1", "9223372036854775808"},
      {"2 ^ -1", "0.5"},
  });
}

TEST(ExprEvaluate, ErrorsLeaveAnEmptyResult) {
  for (const char* bad :
       {"", "1 +", "(1", "1)", "'open", "1 $ 2", "SUB('a')", "TODAY(1)", "NOT",
        "1 = = 2", "'a'[1", "ABS 1", "1 / 0", "5 % 0", "SQRT(-1)",
        "FORMAT(1, '@Q')", "@P###"}) {
    ClearError();
    EXPECT_EQ(Evaluate(bad), "") << bad;
    EXPECT_EQ(ErrorCode(), kErrInvalidExpression) << bad;
    EXPECT_EQ(Error(), "Invalid expression for EVALUATE") << bad;
  }
  EXPECT_EQ(Evaluate("XYZ + 1"), "");
  EXPECT_EQ(ErrorCode(), kErrNoBind);
  EXPECT_EQ(Error(), "No BIND on variable (XYZ)");
  Evaluate("1");
  EXPECT_EQ(ErrorCode(), 0);
}

// Inputs past a limit are refused with the reason in the error text, fast
// and before the memory is taken.
TEST(ExprEvaluate, HostileInputsAreRefusedWithTheirReason) {
  std::string x16 = "ALL('x', 65535)";
  for (int level = 0; level < 12; ++level) x16 = "(" + x16 + " & " + x16 + ")";
  struct Refusal {
    std::string expression;
    const char* reason;
  };
  const Refusal cases[] = {
      {"1e400", "number too large"},
      {"-1" + std::string(400, '0') + ".5", "number too large"},
      {"1" + std::string(309, '0'), "number too large"},
      {x16, "string longer than 16 MiB"},
      {"MATCH('a', '((a*){1,100}){1,100}b', 1)", "pattern too complex"},
      {"MATCH('a', '((a?a?a?a?){1,100}){1,100}b', 1)", "pattern too complex"},
      {"MATCH(ALL('a', 1000), '(a{0,100}){0,100}b', 1)", "pattern too complex"},
      {"MATCH('a', '(', 1)", "unmatched '('"},
      {"MATCH('aa', '(a)\\1', 1)", "back-references are not supported"},
  };
  for (const Refusal& c : cases) {
    ClearError();
    EXPECT_EQ(Evaluate(c.expression), "") << c.expression.substr(0, 60);
    EXPECT_EQ(ErrorCode(), kErrInvalidExpression);
    EXPECT_EQ(Error(),
              std::string("Invalid expression for EVALUATE (") + c.reason + ")")
        << c.expression.substr(0, 60);
  }
  // The reason belongs to one evaluation only.
  EXPECT_EQ(Evaluate("1 / 0"), "");
  EXPECT_EQ(Error(), "Invalid expression for EVALUATE");
}

// Every digit of a literal counts, however long; values rounded to the
// nearest double, with underflow reading as the nearest (possibly 0).
TEST(ExprEvaluate, NumberLiteralsAreReadWhole) {
  std::string tiny = "0." + std::string(70, '0') + "1";
  std::string big = "1" + std::string(70, '0');
  ExpectValues({
      {(big + " = 1e70").c_str(), "1"},
      {"1e70 = 1e63", "0"},
      {"1e70 / 1e69", "10"},
      {(tiny + " * 1e71").c_str(), "1"},
      {(tiny + " = 0").c_str(), "0"},
      {"1e-400", "0"},
      {"9223372036854775807", "9223372036854775807"},
      {"9223372036854775808 = 9.223372036854775808e18", "1"},
      {("'" + big + "' = 1e70").c_str(), "1"},
  });
}

TEST(ExprEvaluate, StringsUpToTheLimitAreBuilt) {
  std::string full = "(ALL('x', 65535) & 'x')";  // 64 KiB
  for (int level = 0; level < 8; ++level)
    full = "(" + full + " & " + full + ")";
  EXPECT_EQ(Evaluate("LEN(" + full + ")"),
            std::to_string(kMaxExprStringLength));
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(Evaluate("LEN(" + full + " & 'y')"), "");
  EXPECT_EQ(ErrorCode(), kErrInvalidExpression);
}

TEST(ExprEvaluate, DeepNestingIsRefusedNotFatal) {
  for (std::string text :
       {std::string(100000, '(') + "1", std::string(100000, '-') + "1",
        std::string(50000, '~') + "1"}) {
    Evaluate(text);  // must return
  }
  std::string sum = "1";
  for (int i = 0; i < 50000; ++i) sum += "+1";
  EXPECT_EQ(Evaluate(sum), "");
  EXPECT_EQ(ErrorCode(), kErrInvalidExpression);
  EXPECT_EQ(Evaluate(std::string(50, '(') + "1" + std::string(50, ')')), "1");
  EXPECT_EQ(Evaluate(std::string(100001, '-') + "1"), "-1");
}

TEST(ExprEvaluate, PictureLiteralsEndByTheirOwnRules) {
  ExpectValues({
      {"FORMAT(1234.5, @N10.2)", "  1,234.50"},
      {"FORMAT(5551234, @P###-####P)", "555-1234"},
      {"FORMAT(5551234,@P### ####P)", "555 1234"},
      {"FORMAT(5551234, @PRep: ###-####P)", "Rep: 555-1234"},
      {"DEFORMAT('1,234.50', @N10.2)", "1234.5"},
  });
}

TEST(ExprFunctions, Table) {
  std::int32_t d = StandardDateFrom(15, 3, 2024);
  std::string date = std::to_string(d);
  ExpectValues({
      {"ABS(-2.5)", "2.5"},
      {"ABS(3)", "3"},
      {"INT(-2.7)", "-2"},
      {"INT('3.9')", "3"},
      {"ROUND(2.675, 0.01)", "2.68"},
      {"ROUND(-2.5, 1)", "-3"},
      {"ROUND(1234, 100)", "1200"},
      {"SQRT(16)", "4"},
      {"LOG10(1000)", "3"},
      {"LOGE(1)", "0"},
      {"SIN(0)", "0"},
      {"COS(0)", "1"},
      {"TAN(0)", "0"},
      {"ASIN(0)", "0"},
      {"ACOS(1)", "0"},
      {"ATAN(0)", "0"},
      {"BAND(12, 10)", "8"},
      {"BOR(12, 10)", "14"},
      {"BXOR(12, 10)", "6"},
      {"BSHIFT(1, 4)", "16"},
      {"BSHIFT(16, -2)", "4"},
      {"BSHIFT(1, 64)", "0"},
      {"INRANGE(5, 1, 10)", "1"},
      {"INRANGE(11, 1, 10)", "0"},
      {"NUMERIC(' 12.5 ')", "1"},
      {"NUMERIC('12a')", "0"},
      {"VAL('A')", "65"},
      {"VAL('')", "0"},
      {"CHR(66)", "B"},
      {"CLIP('ab  ')", "ab"},
      {"LEN('abc  ')", "5"},
      {"UPPER('abC')", "ABC"},
      {"LOWER('AbC')", "abc"},
      {"SUB('Vantrel', 2, 3)", "ant"},
      {"SUB('Vantrel', -3, 2)", "re"},
      {"INSTRING('tr', 'Vantrel')", "4"},
      {"INSTRING('tr', 'Vantrel', 1, 5)", "0"},
      {"INSTRING('x', 'Vantrel')", "0"},
      {"LEFT('  ab', 4)", "ab  "},
      {"RIGHT('ab  ', 4)", "  ab"},
      {"RIGHT('abcdef', 3)", "def"},
      {"CENTER('ab', 6)", "  ab  "},
      {"ALL('ab', 5)", "ababa"},
      {"LEN(ALL('-'))", "255"},
      {"CHOOSE(2, 'a', 'b', 'c')", "b"},
      {"CHOOSE(9, 'a', 'b', 'c')", "c"},
      {"INLIST('b', 'a', 'b', 'c')", "2"},
      {"INLIST(3, 1, 2)", "0"},
      {"NULL('  ')", "1"},
      {"NULL('x')", "0"},
      {"NULL(0)", "0"},
      {"MATCH('Vantrel', 'V*r?l')", "1"},
      {"MATCH('Vantrel', 'v*')", "0"},
      {"MATCH('Vantrel', 'v*', 2)", "1"},
      {"MATCH('Vantrel', 'an.r', 1)", "1"},
      {"MATCH('Vantrel', '^TREL', 3)", "0"},
      {"MATCH('Vantrel', 'TREL$', 3)", "1"},
      {"DATE(3, 15, 2024)", date.c_str()},
      {"DATE(2, 30, 2024)", "0"},
      {"DATE(-9223372036854775807 - 1, 1, 2024)", "0"},
      {"DAY(DATE(3, 15, 2024))", "15"},
      {"MONTH(DATE(3, 15, 2024))", "3"},
      {"YEAR(DATE(3, 15, 2024))", "2024"},
      {"DAY(0)", "0"},
      {"AGE(DATE(3, 15, 2000), DATE(3, 14, 2024))", "23 YRS"},
      {"AGE(DATE(1, 15, 2024), DATE(3, 15, 2024))", "2 MOS"},
      {"AGE(DATE(3, 1, 2024), DATE(3, 15, 2024))", "14 DAYS"},
      {"FORMAT(DATE(3, 15, 2024), @D1)", "3/15/24"},
      {"DEFORMAT('3/15/24', @D1) = DATE(3, 15, 2024)", "1"},
      {"TODAY() > 0", "1"},
      {"CLOCK() > 0", "1"},
      {"MEMORY(1) >= MEMORY(0)", "1"},
  });
}

TEST(ExprFunctions, RandomIsSeedableAndInRange) {
  SeedExprRandom(42);
  std::string first = Evaluate("RANDOM(1, 1000000)");
  SeedExprRandom(42);
  EXPECT_EQ(Evaluate("RANDOM(1, 1000000)"), first);
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(Evaluate("INRANGE(RANDOM(7, 3), 3, 7)"), "1");
  }
}

TEST(ExprFunctions, GetIniReadsTheProfile) {
  std::string path = ::testing::TempDir() + "expr_getini.ini";
  std::ofstream(path) << "[app]\nkey=value\n";
  EXPECT_EQ(Evaluate("GETINI('app', 'key', 'd', '" + path + "')"), "value");
  EXPECT_EQ(Evaluate("GETINI('app', 'none', 'd', '" + path + "')"), "d");
  std::remove(path.c_str());
}

TEST(ExprBind, VariablesProceduresAndNameCuts) {
  std::string name = "Smith";
  std::int64_t count = 4;
  double rate = 0.5;
  Bind("VTL:Name$ trailing", &name);
  Bind("count", &count);
  Bind("rate", &rate);
  BindProcedure("Twice", [](std::span<const ExprValue> args) {
    return ExprValue::Integer(2 * AsInteger(args[0]));
  });
  EXPECT_EQ(Evaluate("vtl:name$ & '!'"), "Smith!");
  EXPECT_EQ(Evaluate("COUNT * RATE"), "2");
  count = 10;  // references are read when evaluated
  EXPECT_EQ(Evaluate("twice(count) + 1"), "21");
  EXPECT_EQ(Evaluate("VTL:NAME"), "");
  EXPECT_EQ(Error(), "No BIND on variable (VTL:NAME)");
  EXPECT_EQ(CutBindName("a_b:c#d"), "A_B:C#");
  EXPECT_EQ(CutBindName("9x"), "");
}

TEST(ExprBind, ScopesHideAndRestore) {
  std::string outer = "outer", inner = "inner", hidden = "hidden";
  PushScope(true);
  Bind("H", &hidden);
  PushScope(false);  // H's scope is hidden from here on
  Bind("O", &outer);
  PushScope(true);
  Bind("I", &inner);
  EXPECT_EQ(Evaluate("I & O"), "innerouter");
  EXPECT_EQ(Evaluate("H"), "");
  EXPECT_EQ(ErrorCode(), kErrNoBind);
  PopScope();
  EXPECT_EQ(Evaluate("I"), "");
  PopScope();
  EXPECT_EQ(Evaluate("H"), "hidden");
  EXPECT_EQ(Evaluate("O"), "");
  PopScope();
  EXPECT_EQ(ScopeDepth(), 0u);
}

TEST(ExprBind, ScopesArePerThread) {
  PushScope(true);
  std::size_t other_depth = 1;
  std::thread([&] { other_depth = ScopeDepth(); }).join();
  EXPECT_EQ(other_depth, 0u);
  PopScope();
}

[[noreturn]] void ThrowingFatal(int code, std::string_view text) {
  throw std::runtime_error(std::to_string(code) + " " + std::string(text));
}

TEST(ExprBind, UnmatchedPopScopeIsFatal) {
  FatalReportHandler previous = SetFatalReportHandler(ThrowingFatal);
  try {
    PopScope();
    ADD_FAILURE() << "POPSCOPE without a scope returned";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "802 Mismatched POPSCOPE");
  }
  SetFatalReportHandler(previous);
}

}  // namespace
}  // namespace vantrel
