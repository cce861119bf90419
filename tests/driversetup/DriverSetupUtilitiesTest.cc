#include "driversetup/DriverSetupUtilities.h"

#include <gtest/gtest.h>

#include <string>

#include "ThrownStatus.h"

namespace {

using tessel::DriverSetupData;

TEST(ParseDriverSetupString, BuildsTrimmedGroupsInOrder) {
  struct Case {
    const char* text;
    DriverSetupData expected;
  };
  const Case cases[] = {
      {"", {}},
      {"Model:GA;BoardType:PXIe;", {{{"Model", "GA"}, {"BoardType", "PXIe"}}}},
      {" \t\v\fModel \r\n: GA ; Language:de;", {{{"Model", "GA"}, {"Language", "de"}}}},
      // Split at the first ':' only.
      {"Model:a:b", {{{"Model", "a:b"}}}},
      {"ResourceName:Dev1; Model:GA & ResourceName:Dev2; Model:GB",
       {{{"ResourceName", "Dev1"}, {"Model", "GA"}}, {{"ResourceName", "Dev2"}, {"Model", "GB"}}}},
      // Malformed bytes are distinct tags, not Latin-1 letters that fold.
      {"\xC3:1;\xE3:2", {{{"\xC3", "1"}, {"\xE3", "2"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(tessel::parseDriverSetupString(c.text), c.expected);
  }
}

TEST(GetDriverSetupValue, ReturnsTheFirstOfAgreeingGroups) {
  const DriverSetupData data = {{{"ResourceName", "A"}, {"Model", "GA"}},
                                {{"ResourceName", "B"}},
                                {{"ResourceName", "C"}, {"MODEL", "ga"}}};
  EXPECT_EQ(tessel::getDriverSetupValue(data, "model"), "GA");
  EXPECT_EQ(tessel::getDriverSetupValue(data, "BoardType"), "");
  EXPECT_EQ(tessel::getDriverSetupValue({}, "Model"), "");
}

TEST(ValueParsers, AcceptOnlyTheirSyntaxAndRange) {
  struct Case {
    const char* text;
    bool ok;
    int64_t value;
  };
  const Case uint32Cases[] = {
      {"0", true, 0},         {"4294967295", true, 4294967295},
      {"007", true, 7},       {"4294967296", false, 0},
      {"-1", false, 0},       {"+1", false, 0},
      {"", false, 0},         {"1 2", false, 0},
      {"12a", false, 0},
      // 2^64 + 1: must not wrap around to 1.
      {"18446744073709551617", false, 0},
  };
  const Case int32Cases[] = {
      {"-2147483648", true, -2147483648LL}, {"2147483647", true, 2147483647},
      {"-0", true, 0},                      {"2147483648", false, 0},
      {"-2147483649", false, 0},            {"-", false, 0},
      {"+5", false, 0},                     {"--1", false, 0},
      {"-18446744073709551616", false, 0},
  };
  const Case booleanCases[] = {
      {"1", true, 1},        {"VI_TRUE", true, 1},  {"True", true, 1},
      {"0", true, 0},        {"vi_false", true, 0}, {"FALSE", true, 0},
      {"yes", false, 0},     {"", false, 0},        {"2", false, 0},
  };
  auto check = [](const auto& cases, auto parse) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.text);
      int64_t value = 0;
      const auto thrown = driversetup_test::thrownBy([&] { value = parse(c.text); });
      if (c.ok) {
        EXPECT_FALSE(thrown.thrown) << thrown.report;
        EXPECT_EQ(value, c.value);
      } else {
        driversetup_test::expectRaised(thrown, voerr::codes::kBadOptionValue, "[]");
      }
    }
  };
  check(uint32Cases, tessel::parseUInt32);
  check(int32Cases, tessel::parseInt32);
  check(booleanCases, tessel::parseBoolean);
}

}  // namespace
