#include "plugins/ProductIDMap.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "PluginTestSupport.h"
#include "status/StatusCodes.h"

namespace {

using plugins_test::contains;
using plugins_test::thrownBy;
using tovik::PluginKey;
using Map = dvl::ProductIDMap<unsigned int, PluginKey>;

constexpr int32_t kErrorCode = voerr::codes::kBadOptionValueResolver.code;
const std::optional<std::string> kAbsent;

const std::string kAllModels =
    R"j(["GA (1CH)","GA (2CH)","GB (1CH)","GB (2CH)","GC (1CH)","GC (2CH)","GD","GE","GF",)j"
    R"j("GH","GJ","GK","GL","GM","GN","GP"])j";
const std::string kAllBuses = R"(["PCI","PXI","PXIe"])";

std::string allIds() {
  const unsigned int ids[] = {0x1E50, 0x700B, 0x700C, 0x710F, 0x7110, 0x7111,
                              0x7112, 0x7167, 0x7168, 0x7197, 0x7198, 0x71E2,
                              0x71E3, 0x78D5, 0x78D6, 0x78D7, 0x78D8, 0x78D9,
                              0x78DA, 0x728AC4C4, 0x728BC4C4, 0x728DC4C4, 0x73C4C4C4};
  std::string list = "[";
  for (unsigned int id : ids) list += (list.size() > 1 ? "," : "") + std::to_string(id);
  return list + "]";
}

const Map& productMap() {
  static const Map map(kErrorCode, dvl::productTable());
  return map;
}

// Either `expected` comes back, or the call fails listing `accepted` (a JSON
// list) with `valueType`.
struct Case {
  const char* name;
  std::function<std::string()> call;
  std::string expected;
  std::string accepted = "";
  const char* valueType = "string";
};

std::string id(const std::optional<std::string>& model, const std::optional<std::string>& bus) {
  return std::to_string(productMap().getProductId(model, bus));
}
std::string key(unsigned int productId) {
  return std::to_string(static_cast<int>(productMap().getPluginKey(productId)));
}
std::string name(unsigned int productId) { return productMap().getProductName(productId); }
std::string number(unsigned int value) { return std::to_string(value); }

TEST(ProductIDMap, Lookups) {
  const Case cases[] = {
      {"model and bus", [] { return id("GE", "PXIe"); }, number(0x728AC4C4)},
      {"model alone takes its by-model row", [] { return id("GE", kAbsent); }, number(0x700B)},
      {"model on a bus it lacks", [] { return id("GA (1CH)", "PXI"); }, "", R"(["PXIe"])"},
      {"unknown model with a bus", [] { return id("GZ", "PXI"); }, "", kAllModels},
      {"empty bus is not an absent one", [] { return id("GE", ""); }, "", kAllBuses},
      {"model compared case-sensitively", [] { return id("ge", kAbsent); }, "", kAllModels},
      {"unknown model alone", [] { return id("", kAbsent); }, "", kAllModels},
      {"bus alone", [] { return id(kAbsent, "PCI"); }, number(0x700C)},
      {"bus alone takes its by-bus row", [] { return id(kAbsent, "PXIe"); }, number(0x728BC4C4)},
      {"unknown bus alone", [] { return id(kAbsent, "ISA"); }, "", kAllBuses},
      {"neither", [] { return id(kAbsent, kAbsent); }, number(0x700B)},
      {"key of a Harbor product", [] { return key(0x78D9); }, "1"},
      {"key of the default product", [] { return key(0x700B); }, "0"},
      {"key of an unknown identifier", [] { return key(0); }, "", allIds(), "uint32_t"},
      {"product name", [] { return name(0x7110); }, "PCI-GF"},
      {"product name on PXIe", [] { return name(0x728AC4C4); }, "PXIe-GE"},
      {"name of an unknown identifier", [] { return name(0x7113); }, "", allIds(), "uint32_t"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string result;
    const plugins_test::Thrown thrown = thrownBy([&] { result = c.call(); });
    if (c.accepted.empty()) {
      EXPECT_FALSE(thrown.thrown) << thrown.report;
      EXPECT_EQ(result, c.expected);
      continue;
    }
    ASSERT_TRUE(thrown.thrown) << "gave " << result;
    EXPECT_EQ(thrown.code, kErrorCode);
    EXPECT_EQ(thrown.report.rfind(R"({"error_constant":"errorCodeToThrow","file":"ProductIDMap",)", 0),
              0u)
        << thrown.report;
    EXPECT_TRUE(contains(thrown.report, R"("translator":"mxlator_tovik","translator_info":)"
                                        R"({"is_debug":"0","version":1,"ordered_data":[{"type":)"
                                        R"("usage","usage":"kUsageTypePossibleValues","value":)" +
                                            c.accepted + R"(,"value_type":")" + c.valueType +
                                            R"("}]}})"))
        << thrown.report;
  }
}

// The two lookups by identifier fail from raise sites of their own.
TEST(ProductIDMap, UnknownIdentifiersAreReportedByTheirOwnSite) {
  const plugins_test::Thrown byKey = thrownBy([] { key(0); });
  const plugins_test::Thrown byName = thrownBy([] { name(0); });
  ASSERT_TRUE(byKey.thrown && byName.thrown);
  const auto site = [](const std::string& report) {
    return report.substr(0, report.find(R"(,"component")"));
  };
  EXPECT_NE(site(byKey.report), site(byName.report));
}

}  // namespace
