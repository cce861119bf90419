// The registered script translator "mxlator_tovik" through the translator
// manager: static descriptions from the fixture share directory, dynamic
// descriptions of report items rendered by the "json1" formatter, and what
// its failures leave. The fixture holds
//   mierrors/tovik/English: -100 "Driver hundred", -200 "Driver two hundred"
//   mierrors/tovik/French:  -100 "Centaine du pilote"
//   errors/English: -100, -300 "Shared three hundred"; errors/Japanese: -100;
//   errors itself: -400 "Shared directory itself".
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "LuaTestSupport.h"
#include "luatranslator/LuaTranslator.h"
#include "text/BasicString.h"
#include "translator/Registration.h"
#include "translator/Session.h"
#include "translator/Translate.h"

namespace {

using ::testing::HasSubstr;

struct Described {
  std::string text;
  int32_t code;
  std::string report;
};

// One description by a fresh translation session.
template <typename Ask>
Described describe(Ask ask) {
  voerr::Status status;
  voxlator::ScopedSession session(status);
  char* text = ask(*session.get(), status);
  Described described{text ? text : "<null>", status.code, status.reportText()};
  voxlator::allocate(text, 0, nullptr, nullptr);
  return described;
}

Described staticDescription(int32_t code, uint32_t language) {
  return describe([&](voxlator::Session& session, voerr::Status& status) {
    return session.getStaticDesc(code, "mxlator_tovik", language, &voxlator::allocate, nullptr,
                                 status);
  });
}

Described dynamicDescription(const char* report, uint32_t language, const char* format) {
  return describe([&](voxlator::Session& session, voerr::Status& status) {
    return session.getDynamicDesc(report, language, format, &voxlator::allocate, nullptr, status);
  });
}

TEST(ScriptStaticDescriptions, SearchTheDriversFilesThenTheSharedOnes) {
  struct Case {
    int32_t code;
    uint32_t language;
    const char* expected;
  };
  const Case cases[] = {
      {-100, 0, "Driver hundred"},
      {-100, 1, "Centaine du pilote"},
      {-200, 1, "Driver two hundred"},       // the driver's English file
      {-100, 3, "Driver hundred"},           // the driver's files come first
      {-300, 3, "Shared three hundred"},     // shared Japanese lacks it: English
      {-400, 3, "Shared directory itself"},  // below the language, the directory
      {-999, 0, "Error description not found"},
      {-200, 5, "Driver two hundred"},
      {-100, 7, "Driver hundred"},      // no such language: English
      {-100, 0x301, "Centaine du pilote"},  // the environment bits do not matter
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.code) + " in " + std::to_string(c.language));
    const Described described = staticDescription(c.code, c.language);
    EXPECT_EQ(described.text, c.expected);
    EXPECT_EQ(described.code, 0) << described.report;
  }
}

std::string report(const std::string& items, const std::string& more = "") {
  return R"({"error_constant":"x","file":"Parser","line":7,"component":"tovik",)"
         R"("translator":"mxlator_tovik","translator_info":{"is_debug":"0","version":1,)"
         R"("ordered_data":[)" + items + "]}" + more + "}";
}

std::string rendered(const std::string& json, uint32_t language, uint32_t flags,
                     voerr::Status& status) {
  voerr::Status report;
  report.setCode(-100);
  report.assignReport(json.c_str());
  vohtl::BasicString output;
  vomxl::translateStatusToFormattedText(report, language, flags, output, status);
  return std::string(output.view());
}

TEST(ScriptDynamicDescriptions, RenderTheReportItems) {
  const std::string repeated = R"({"type":"usage","usage":"kSidlRepeatedTag","value":"Model"})";
  struct Case {
    const char* name;
    std::string json;
    uint32_t language;
    uint32_t flags;
    std::string expected;
  };
  const Case cases[] = {
      {"English", report(repeated), 0, 2, "Repeated DriverSetup tag.: Model"},
      {"French", report(repeated), 1, 2, "Balise DriverSetup répétée.: Model"},
      {"German", report(repeated), 2, 2, "Wiederholter DriverSetup-Tag.: Model"},
      {"Japanese", report(repeated), 3, 2, "DriverSetup タグが重複しています。: Model"},
      {"Simplified Chinese uses the English terms", report(repeated), 5, 2,
       "Repeated DriverSetup tag.: Model"},
      {"so does a language out of range", report(repeated), 7, 2,
       "Repeated DriverSetup tag.: Model"},
      {"static and dynamic", report(repeated), 1, 1 | 2,
       "Centaine du pilote\n\nBalise DriverSetup répétée.: Model"},
      {"an attribute with only the empty attribute table",
       report(R"({"type":"usage","usage":"kUsageTypeAttributeIdentifier","value":1150391,)"
              R"("value_type":"uint32_t"})"),
       0, 2, "Property: 0x00118DB7"},
      {"an unknown usage key", report(R"({"type":"usage","usage":"kNoSuchKey","value":["a","b"]})"),
       0, 2, "kNoSuchKey: a, b"},
      {"elaboration, empty and comment items",
       report(R"({"type":"elaboration","usage":"kSidlNoValue"},{"type":"empty"},)"
              R"({"type":"comment","comment":"not shown"})"),
       0, 2, "DriverSetup contains an entry with no value."},
      {"an enum value the attribute table does not know",
       report(R"({"type":"usage","usage":"kUsageTypeChannelName","value":[0,1],)"
              R"("value_type":{"type":"enum","id":1150391}})"),
       0, 2, "Channel Name: 0, 1"},
      {"the debug section", report("", R"(,"extra":true)"), 0, 4,
       "Component: tovik\nFile: Parser\nLine: 7\nrest_of_input_json: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    voerr::Status status;
    const std::string text = rendered(c.json, c.language, c.flags, status);
    EXPECT_EQ(status.code, 0) << status.reportText();
    if (c.flags & 4) {
      EXPECT_THAT(text, ::testing::StartsWith(c.expected));
    } else {
      EXPECT_EQ(text, c.expected);
    }
  }
}

// What is left of the report once the items are rendered: every other
// member, the translator_info and site members removed.
TEST(ScriptDynamicDescriptions, TheRestOfTheReportIsJsonWithoutTheRenderedMembers) {
  voerr::Status status;
  const std::string text =
      rendered(R"({"translator":"mxlator_tovik","vodynlib_debug":{"path":"x"}})", 0, 4, status);
  EXPECT_EQ(status.code, 0) << status.reportText();
  EXPECT_THAT(text, ::testing::StartsWith("rest_of_input_json: {"));
  EXPECT_THAT(text, HasSubstr(R"("vodynlib_debug":{"path":"x"})"));
  EXPECT_THAT(text, HasSubstr(R"("translator":"mxlator_tovik")"));
  EXPECT_THAT(text, ::testing::Not(HasSubstr("translator_info")));
  // Without translator_info there are no items: the dynamic section is empty.
  voerr::Status again;
  EXPECT_EQ(rendered(R"({"translator":"mxlator_tovik"})", 0, 2, again), "");
  EXPECT_EQ(again.code, 0) << again.reportText();
}

TEST(ScriptDynamicDescriptions, Failures) {
  struct Case {
    const char* name;
    std::string json;
    uint32_t language;
    const char* format;
    int32_t code;
    const char* reported;
  };
  const Case cases[] = {
      {"another format", report(""), 0, "xml", -52029, R"("debug":"failed to get dynamic desc")"},
      {"a report that is not JSON", R"({"translator":"mxlator_tovik",)", 0, "json1", -52003,
       "failed to get dynamic desc"},
      {"an unknown development environment", report(""), 0x500, "json1", -52003,
       "unknown development environment code 5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Described described = dynamicDescription(c.json.c_str(), c.language, c.format);
    EXPECT_EQ(described.text, "<null>");
    EXPECT_EQ(described.code, c.code);
    EXPECT_THAT(described.report, HasSubstr(c.reported));
  }
}

// A rendering that fails falls back to the static description alone, so a
// failed call still records a description.
TEST(ScriptDynamicDescriptions, AFailedRenderingKeepsTheStaticDescription) {
  voerr::Status status;
  EXPECT_EQ(rendered(R"({"translator":"mxlator_tovik",)", 0, 1 | 2 | 8, status), "Driver hundred");
  EXPECT_EQ(status.code, 0) << status.reportText();
}

// The whole path, host, script and formatter, stays near linear: a
// mebibyte of report items is rendered well within a second.
TEST(ScriptDynamicDescriptions, AMebibyteReportIsRenderedQuickly) {
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  constexpr double kSlowdown = 1.0;
#else
  constexpr double kSlowdown = 5.0;  // unoptimised or instrumented
#endif
  const std::string item =
      R"({"type":"usage","usage":"kUsageTypePossibleValues","value":["PXI1Slot2","PXIe"]},)";
  std::string items;
  size_t count = 0;
  for (; items.size() < (1u << 20); ++count) items += item;
  items += R"({"type":"empty"})";
  voerr::Status status;
  const auto start = std::chrono::steady_clock::now();
  const std::string text = rendered(report(items), 1, 2, status);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(status.code, 0) << std::string(status.reportText()).substr(0, 300);
  const std::string line = "Valeurs possibles: PXI1Slot2, PXIe\n";
  EXPECT_EQ(text.size(), count * line.size() - 1);
  EXPECT_LT(elapsed.count(), 1.0 * kSlowdown);
}

TEST(ScriptTranslatorRegistration, DefinesTheUnmappingForTheScripts) {
  voerr::Status status;
  const voxlator::XlatorRegistration* registration =
      voxlator::XlatorRegistration::find("mxlator_tovik");
  ASSERT_NE(registration, nullptr);
  Xlator* translator = registration->create(status);
  ASSERT_NE(translator, nullptr) << status.reportText();
  lua_State* L = voxlatorlua::stateOf(translator);
  EXPECT_EQ(voxlatorlua::testing::run(L, "return vomxl_unmapErrorCode(-1074098960)").text,
            "-1074098960");
  EXPECT_EQ(voxlatorlua::testing::run(L, "return vomxl_unmapErrorCode(2^40)").text,
            "1099511627776");
  EXPECT_FALSE(voxlatorlua::testing::run(L, "return vomxl_unmapErrorCode('x')").ok);
  translator->destroy(translator);
}

}  // namespace
