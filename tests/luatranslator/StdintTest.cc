// The "stdint" module in a plain Lua state: conversions, arithmetic,
// comparisons, formatting, and the error each C function raises.
#include "luatranslator/Stdint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LuaTestSupport.h"

namespace voxlatorlua {
namespace {

using testing::Outcome;
using testing::run;

class StdintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(state_, nullptr);
    luaL_openlibs(L());
    ASSERT_TRUE(testing::open(L(), openStdint, "stdint"));
  }

  lua_State* L() { return state_.get(); }

  testing::State state_{luaL_newstate()};
};

struct Case {
  const char* expression;
  const char* expected;
};

TEST_F(StdintTest, ConvertsComputesAndFormats) {
  const Case cases[] = {
      // Strings: "%li" for i64 (0x hexadecimal, leading-0 octal), "%lu" for
      // u64 (decimal only, stops at the first character that does not fit).
      {"stdint.i64('0x10')", "16"},
      {"stdint.u64('0x10')", "0"},
      {"stdint.i64('010')", "8"},
      {"stdint.u64('010')", "10"},
      {"stdint.i64('  -42xyz')", "-42"},
      {"stdint.i64('9223372036854775807')", "9223372036854775807"},
      {"stdint.i64('-9223372036854775808')", "-9223372036854775808"},
      {"stdint.u64('18446744073709551615')", "18446744073709551615"},
      {"stdint.u64('-1')", "18446744073709551615"},
      // Numbers: truncated toward zero; u64 takes a negative number as its
      // two's complement; out of range saturates, NaN is 0.
      {"stdint.i64(-2.9)", "-2"},
      {"stdint.u64(-1)", "18446744073709551615"},
      {"stdint.u64(-2^63)", "9223372036854775808"},
      {"stdint.u64(2^64)", "18446744073709551615"},
      {"stdint.i64(2^63)", "9223372036854775807"},
      {"stdint.i64(-2^70)", "-9223372036854775808"},
      {"stdint.i64(0/0)", "0"},
      // Not exactly one argument: 0.
      {"stdint.i64()", "0"},
      {"stdint.u64(1, 2)", "0"},
      // Arithmetic with numbers on either side; i64 wraps, never traps.
      {"stdint.i64(7) + 5", "12"},
      {"3 * stdint.i64(4)", "12"},
      {"stdint.i64(7) / 2", "3"},
      {"stdint.i64(-7) / 2", "-3"},
      {"stdint.i64(-7) % 2", "-1"},
      {"stdint.i64(10) - stdint.i64(20)", "-10"},
      {"-stdint.i64(5)", "-5"},
      {"stdint.i64('9223372036854775807') + 1", "-9223372036854775808"},
      {"stdint.i64('-9223372036854775808') / -1", "-9223372036854775808"},
      {"stdint.i64('-9223372036854775808') % -1", "0"},
      {"-stdint.i64('-9223372036854775808')", "-9223372036854775808"},
      {"stdint.u64(1) - 2", "18446744073709551615"},
      {"stdint.u64(-1) / 2", "9223372036854775807"},
      {"stdint.u64(-1) % 10", "5"},
      {"-stdint.u64(1)", "18446744073709551615"},
      // Comparisons: u64 unsigned, i64 signed; <= and > come from __lt.
      {"stdint.u64(-1) > stdint.u64(1)", "true"},
      {"stdint.i64(-1) < stdint.i64(1)", "true"},
      {"stdint.i64(5) <= stdint.i64(5)", "true"},
      {"stdint.i64(5) == stdint.i64(5)", "true"},
      {"stdint.u64(5) == stdint.u64(6)", "false"},
      // hexstring: lower case, no prefix, two's complement for i64.
      {"stdint.i64(255):hexstring()", "ff"},
      {"stdint.i64(-1):hexstring()", "ffffffffffffffff"},
      {"stdint.u64('18446744073709551615'):hexstring()", "ffffffffffffffff"},
      {"stdint.u64(0):hexstring()", "0"},
      // The types are full userdata named by their metatables.
      {"type(stdint.i64(1))", "userdata"},
      {"getmetatable(stdint.i64(1)) == debug.getregistry().i64", "true"},
      {"getmetatable(stdint.u64(1)) == debug.getregistry().u64", "true"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    Outcome outcome = run(L(), std::string("return tostring(") + c.expression + ")");
    EXPECT_TRUE(outcome.ok) << outcome.text;
    EXPECT_EQ(outcome.text, c.expected);
  }
}

TEST_F(StdintTest, ModuleIsRegisteredAsGlobalAndPackage) {
  EXPECT_EQ(run(L(), "return require('stdint') == stdint").text, "true");
}

// Every C function of the module raises at least one error; each raise
// crosses only frames without destructors (shown clean under ASan/UBSan).
TEST_F(StdintTest, EachFunctionRaisesItsError) {
  struct ErrorCase {
    const char* expression;  // "T" stands for i64 or u64
    const char* expected;
  };
  const ErrorCase cases[] = {
      {"stdint.T({})", "T constructor arg must be a number or a string"},
      {"stdint.T(true)", "T constructor arg must be a number or a string"},
      {"stdint.T('abc')", "Unable to parse a number out of \"abc\""},
      {"stdint.T('')", "Unable to parse a number out of \"\""},
      {"stdint.T(1) + 'x'", "Can't get a T from argument"},
      {"stdint.T(1) - {}", "Can't get a T from argument"},
      {"stdint.T(1) * true", "Can't get a T from argument"},
      {"stdint.T(1) / 'x'", "Can't get a T from argument"},
      {"stdint.T(1) % 'x'", "Can't get a T from argument"},
      {"stdint.T(1) / 0", "T division by zero"},
      {"stdint.T(1) % stdint.T(0)", "T division by zero"},
      {"getmetatable(stdint.T(1)).__unm('x')", "Can't get a T from argument"},
      {"getmetatable(stdint.T(1)).__eq(stdint.T(1), {})", "Can't get a T from argument"},
      {"getmetatable(stdint.T(1)).__lt({}, stdint.T(1))", "Can't get a T from argument"},
      {"getmetatable(stdint.T(1)).__tostring({})", "Can't get a T from argument"},
      {"stdint.T(1).hexstring('x')", "Can't get a T from argument"},
  };
  for (const char* type : {"i64", "u64"}) {
    const char* other = std::string(type) == "i64" ? "u64" : "i64";
    auto substitute = [&](std::string text) {
      for (std::size_t at = text.find('T'); at != std::string::npos; at = text.find('T', at)) {
        text.replace(at, 1, type);
      }
      return text;
    };
    for (const ErrorCase& c : cases) {
      std::string expression = substitute(c.expression);
      SCOPED_TRACE(expression);
      Outcome outcome = run(L(), "return " + expression);
      EXPECT_FALSE(outcome.ok);
      EXPECT_EQ(outcome.text, substitute(c.expected));
    }
    // A value of the other type is no operand.
    std::string mixed = std::string("return stdint.") + type + "(1) + stdint." + other + "(1)";
    SCOPED_TRACE(mixed);
    EXPECT_EQ(run(L(), mixed).text, substitute("Can't get a T from argument"));
  }
  // The state stays usable after every raise.
  EXPECT_EQ(run(L(), "return tostring(stdint.i64(2) * 3)").text, "6");
}

TEST_F(StdintTest, ParseErrorQuotesLongTextWhole) {
  std::string text(1 << 20, 'z');
  lua_pushlstring(L(), text.data(), text.size());
  lua_setglobal(L(), "long");
  Outcome outcome = run(L(), "return stdint.u64(long)");
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.text, "Unable to parse a number out of \"" + text + "\"");
}

}  // namespace
}  // namespace voxlatorlua
