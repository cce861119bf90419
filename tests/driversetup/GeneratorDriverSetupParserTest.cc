#include "driversetup/GeneratorDriverSetupParser.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "ThrownStatus.h"

namespace {

using driversetup_test::elaborationItem;
using driversetup_test::expectRaised;
using driversetup_test::thrownBy;
using driversetup_test::usageItem;
using Parser = tovik::GeneratorDriverSetupParser;

constexpr const char* kAbsent = "<absent>";

std::string show(const std::optional<std::string>& v) { return v ? *v : kAbsent; }
std::string show(const std::optional<bool>& v) { return v ? (*v ? "true" : "false") : kAbsent; }
template <typename T>
std::string show(const std::optional<T>& v) {
  return v ? std::to_string(static_cast<int64_t>(*v)) : kAbsent;
}

using Reader = std::function<std::string(const Parser&)>;
const Reader kModel = [](const Parser& p) { return show(p.getModel()); };
const Reader kBoardType = [](const Parser& p) { return show(p.getBoardType()); };
const Reader kDebugSession = [](const Parser& p) { return show(p.getDebugSession()); };
const Reader kSlaveServer = [](const Parser& p) { return show(p.getSlaveServer()); };
const Reader kAutoClose = [](const Parser& p) { return show(p.getAutoCloseBehavior()); };
const Reader kPriority = [](const Parser& p) { return show(p.getPriority()); };
const Reader kToken0 = [](const Parser& p) { return show(p.getToken0()); };
const Reader kToken1 = [](const Parser& p) { return show(p.getToken1()); };
const Reader kToken2 = [](const Parser& p) { return show(p.getToken2()); };
const Reader kToken3 = [](const Parser& p) { return show(p.getToken3()); };
const Reader kLanguage = [](const Parser& p) { return show(p.getLanguage()); };

const voerr::StatusConstant kNone{0, nullptr};
const voerr::StatusConstant& kInvalid = voerr::codes::kInvalidDriverSetupString;
const voerr::StatusConstant& kMustBeIdentical = voerr::codes::kValuesMustBeIdentical;
const voerr::StatusConstant& kBadValue = voerr::codes::kBadOptionValue;

std::string items(const std::string& item) { return "[" + item + "]"; }

// Parses the DriverSetup text and reads one setting: either the reading
// gives `expected`, or parse or reading throws `error` with `orderedData`.
struct GetterCase {
  std::string driverSetup;
  Reader read;
  std::string expected;
  voerr::StatusConstant error = kNone;
  std::string orderedData = "[]";
};

TEST(GeneratorDriverSetupParser, GrammarAndGetters) {
  const GetterCase cases[] = {
      // Grammar errors, each with the one item that names the fault.
      {"Model:GA;;BoardType:PXIe", kModel, "", kInvalid,
       items(elaborationItem("Model:GA;;BoardType:PXIe"))},
      {"Model:GA;BoardType:PXIe;;", kModel, "", kInvalid,
       items(elaborationItem("Model:GA;BoardType:PXIe;;"))},
      {"Model GA", kModel, "", kInvalid, items(usageItem("kSidlSetupNotParsed", "Model GA"))},
      {"Model:GA;model:GB", kModel, "", kInvalid, items(usageItem("kSidlRepeatedTag", "model"))},
      {"\xEF\xAC\x80:1; FF :2", kModel, "", kInvalid, items(usageItem("kSidlRepeatedTag", "FF"))},
      {"Model:GA; BoardType: \t ", kModel, "", kInvalid,
       items(usageItem("kSidlNoValue", " BoardType: \\t "))},
      {" :GA", kModel, "", kInvalid, items(usageItem("kSidlNoTag", " :GA"))},
      {"ResourceName:A;Model:GA & Model:GB", kModel, "", kInvalid,
       items(usageItem("kSidlNoResourceName", " Model:GB"))},
      {"ResourceName:A & ResourceName:a", kModel, "", kInvalid,
       items(usageItem("kSidlRepeatedResourceName", "a"))},
      {"ResourceName:\xEF\xAC\x80 & ResourceName:FF", kModel, "", kInvalid,
       items(usageItem("kSidlRepeatedResourceName", "FF"))},
      {"ResourceName:A;Model:GA&", kModel, "", kInvalid,
       items(elaborationItem("ResourceName:A;Model:GA&"))},
      {"Model:GA&", kModel, "", kInvalid, items(usageItem("kSidlNoResourceName", "Model:GA"))},
      {"&", kModel, "", kInvalid, items(elaborationItem("&"))},

      // Lookup across groups: tags and values compare without regard to case.
      {"Model:GA; BoardType:PXIe", kBoardType, "PXIe"},
      {"MODEL:GA", kModel, "GA"},
      {"ResourceName:A;Model:GA & ResourceName:B;Model:ga", kModel, "GA"},
      {"ResourceName:A;Model:GA & ResourceName:B", kModel, "GA"},
      {"ResourceName:A & ResourceName:B;Model:GB", kModel, "GB"},
      {"ResourceName:A;Model:GA & ResourceName:B;Model:GB", kModel, "", kMustBeIdentical,
       items(elaborationItem("Model"))},
      {"ResourceName:A;Model:GA & ResourceName:B;Model:GB", kBoardType, kAbsent},
      {"Language:FR", kLanguage, "FR"},

      // Booleans.
      {"DebugSession:TRUE", kDebugSession, "true"},
      {"DebugSession:1", kDebugSession, "true"},
      {"DebugSession:vi_true", kDebugSession, "true"},
      {"SlaveServer:VI_FALSE", kSlaveServer, "false"},
      {"DebugSession:yes", kDebugSession, "", kBadValue},

      // Ranges.
      {"Priority:-2147483648", kPriority, "-2147483648"},
      {"Priority:2147483648", kPriority, "", kBadValue},
      {"Token0:4294967295", kToken0, "4294967295"},
      {"Token0:-1", kToken0, "", kBadValue},
      {"Token0:+1", kToken0, "", kBadValue},
      {"Token1:1;Token2:2;Token3:3", kToken1, "1"},
      {"Token1:1;Token2:2;Token3:3", kToken2, "2"},
      {"Token1:1;Token2:2;Token3:3", kToken3, "3"},

      // AutoCloseBehavior.
      {"AutoCloseBehavior:Never", kAutoClose, "0"},
      {"AutoCloseBehavior:sameprocess", kAutoClose, "1"},
      {"AutoCloseBehavior:ANYPROCESS", kAutoClose, "2"},
      {"AutoCloseBehavior:Always", kAutoClose, "", kBadValue,
       items(usageItem("kUsageTypePossibleValues", "Never, SameProcess, AnyProcess"))},
  };
  for (const GetterCase& c : cases) {
    SCOPED_TRACE(c.driverSetup);
    Parser parser;
    std::string result;
    const auto thrown = thrownBy([&] {
      parser.parse(c.driverSetup);
      result = c.read(parser);
    });
    if (c.error.code == 0) {
      EXPECT_FALSE(thrown.thrown) << thrown.report;
      EXPECT_EQ(result, c.expected);
    } else {
      expectRaised(thrown, c.error, c.orderedData);
    }
  }
}

TEST(GeneratorDriverSetupParser, EmptyDriverSetupLeavesEverySettingAbsent) {
  Parser parser;
  parser.parse("");
  for (const Reader* read : {&kModel, &kBoardType, &kDebugSession, &kSlaveServer, &kAutoClose,
                             &kPriority, &kToken0, &kToken1, &kToken2, &kToken3, &kLanguage}) {
    EXPECT_EQ((*read)(parser), kAbsent);
  }
}

TEST(GeneratorDriverSetupParser, FailedParseKeepsThePreviousSettings) {
  Parser parser;
  parser.parse("Model:GA");
  expectRaised(thrownBy([&] { parser.parse("Model:GB;;"); }), kInvalid,
               items(elaborationItem("Model:GB;;")));
  EXPECT_EQ(parser.getModel(), "GA");
}

TEST(GeneratorDriverSetupParser, ExtractLanguage) {
  constexpr uint32_t kUnchanged = 99;
  struct Case {
    const char* optionString;
    bool found;
    uint32_t language;
  };
  const Case cases[] = {
      {"Simulate=1, DriverSetup=Model:GA;Language:FR", true, 1},
      {"DriverSetup=Language:English", true, 6},
      {"DriverSetup= language : jp ;", true, 3},
      {"Language:ch", true, 5},  // a bare DriverSetup string
      {"ResourceName:A;Language:ko & ResourceName:B;Language:KO", true, 4},
      {"Simulate=1, DriverSetup=Model:GA", false, kUnchanged},
      {"Simulate=1", false, kUnchanged},
      {nullptr, false, kUnchanged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.optionString ? c.optionString : "(null)");
    Parser parser;
    uint32_t language = kUnchanged;
    std::string optionString = "stale";
    EXPECT_EQ(parser.extractLanguage(c.optionString, language, optionString), c.found);
    EXPECT_EQ(language, c.language);
    EXPECT_EQ(optionString, c.optionString ? c.optionString : "");
  }
}

TEST(GeneratorDriverSetupParser, ExtractLanguageLeavesTheStoredSettings) {
  Parser parser;
  parser.parse("Model:GA;Language:de");
  uint32_t language = 0;
  std::string optionString;
  EXPECT_TRUE(parser.extractLanguage("DriverSetup=Model:GB;Language:fr", language, optionString));
  EXPECT_EQ(parser.getModel(), "GA");
  EXPECT_EQ(parser.getLanguage(), "de");
}

TEST(GeneratorDriverSetupParser, FailedExtractLanguageHasCopiedTheOptionString) {
  Parser parser;
  uint32_t language = 99;
  std::string optionString;
  const char* text = "Simulate=1, DriverSetup=Language:de;;";
  expectRaised(thrownBy([&] { parser.extractLanguage(text, language, optionString); }), kInvalid,
               items(elaborationItem("Language:de;;")));
  EXPECT_EQ(language, 99u);
  EXPECT_EQ(optionString, text);
}

}  // namespace
