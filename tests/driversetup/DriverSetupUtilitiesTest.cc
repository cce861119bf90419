#include "driversetup/DriverSetupUtilities.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "../MebibyteTime.h"
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

// A DriverSetup of about 1 MiB, as many entries or as many groups, parses
// in well under a second, and a repetition at its very end is still found.
TEST(ParseDriverSetupString, AMebibyteParsesInWellUnderASecond) {
  constexpr size_t kSize = size_t{1} << 20;
  std::string entries;  // Tag0:v;Tag1:v;... in one group
  for (int n = 0; entries.size() < kSize; ++n) entries += "Tag" + std::to_string(n) + ":v;";
  std::string groups;  // ResourceName:Dev0;Model:GE&ResourceName:Dev1;...
  for (int n = 0; groups.size() < kSize; ++n) {
    groups += (n ? "&ResourceName:Dev" : "ResourceName:Dev") + std::to_string(n) + ";Model:GE";
  }
  struct Case {
    const char* name;
    std::string text;
    const char* repeatedItem;  // expected usage key, or null when it parses
  };
  const Case cases[] = {
      {"one group of many entries", entries, nullptr},
      {"many groups", groups, nullptr},
      {"a tag repeated at the end", entries + "TAG0:w", "kSidlRepeatedTag"},
      {"a resource repeated at the end", groups + "&ResourceName:DEV0", "kSidlRepeatedResourceName"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto start = std::chrono::steady_clock::now();
    const driversetup_test::Thrown thrown =
        driversetup_test::thrownBy([&] { tessel::parseDriverSetupString(c.text); });
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took.count(), test_limits::kMebibyteSeconds);
    EXPECT_EQ(thrown.thrown, c.repeatedItem != nullptr) << thrown.report;
    if (c.repeatedItem) {
      EXPECT_NE(thrown.report.find(c.repeatedItem), std::string::npos) << thrown.report;
    }
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
