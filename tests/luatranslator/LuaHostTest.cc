// The translator host: what a created state holds, every creation failure
// with its report, and how the description calls pass arguments, convert
// results and report script errors. Descriptions by the real modules are
// tested through the translator manager (ScriptDescriptionsTest).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "LuaTestSupport.h"
#include "luatranslator/LuaTranslator.h"

namespace voxlatorlua {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;
using testing::run;

const char kRegistration[] =
    R"({"voxlatorlua_xlator":"mxlator","voxlatorlua_settings":{"driverName":"tovik",)"
    R"("voSharedErrorsDir":"$_voShared32Dir/errors","MIErrorsDir":"$_voShared32Dir/mierrors"}})";

struct Destroyer {
  void operator()(Xlator* translator) const {
    if (translator) translator->destroy(translator);
  }
};
using Translator = std::unique_ptr<Xlator, Destroyer>;

Translator create(voerr::Status& status, const char* registration = kRegistration,
                  EmbeddedChunks chunks = embeddedChunks()) {
  return Translator(createLuaTranslator("mxlator_tovik", registration, chunks, status));
}

std::string eval(Xlator* translator, const std::string& code) {
  testing::Outcome outcome = run(stateOf(translator), code);
  EXPECT_TRUE(outcome.ok) << code << "\n" << outcome.text;
  return outcome.text;
}

TEST(LuaHost, CreatesAStateWithItsLibrariesModulesAndSettings) {
  voerr::Status status;
  Translator translator = create(status);
  ASSERT_NE(translator, nullptr) << status.reportText();
  EXPECT_EQ(translator->size, 32u);
  EXPECT_EQ(eval(translator.get(), R"lua(
    for _, name in ipairs({"lfs", "stdint", "cjson", "voxlatorluautils", "string", "debug"}) do
      assert(type(_G[name]) == "table" and package.loaded[name] == _G[name], name)
    end
    local preloaded = {}
    for name, loader in pairs(package.preload) do
      assert(type(loader) == "function", name)
      preloaded[#preloaded + 1] = name
    end
    table.sort(preloaded)
    assert(package.path == "" and package.cpath == "")
    assert(voxlatorlua_xlator == mxlator and voxlatorlua_name == "mxlator_tovik")
    assert(voxlatorlua_settings.MIErrorsDir == "$_voShared32Dir/mierrors")
    -- A module no description asked for is not compiled yet.
    assert(package.loaded.commonTerms_fra == nil and package.loaded.util == nil)
    return table.concat(preloaded, " "))lua"),
            "commonTerms_deu commonTerms_eng commonTerms_fra commonTerms_jpn json mxlator util "
            "vomxl_defaultAttrTable vomxl_utilities voxlatorlua");
}

// -52003 with "internal_error" {"api": "lua", "code", "string"} and
// "voxlatorlua_debug" {"debug": ...}, in this order.
void expectLuaFailure(const voerr::Status& status, int code, const std::string& message,
                      const std::string& debug) {
  EXPECT_EQ(status.code, -52003);
  const std::string report = status.reportText();
  EXPECT_THAT(report, HasSubstr(R"("error_constant":"voapalerr_softwareFaultAPALInternalUseOnly")"));
  EXPECT_THAT(report, HasSubstr(R"("internal_error":{"api":"lua","code":)" + std::to_string(code) +
                                R"(,"string":")" + message));
  EXPECT_THAT(report, HasSubstr(R"(,"voxlatorlua_debug":{"debug":")" + debug + "\""));
}

EmbeddedChunk sourceChunk(const char* name, const char* text) {
  return {name, reinterpret_cast<const unsigned char*>(text), std::strlen(text), false};
}

// A module that does not load is reported when the state is created, with
// one line on standard error, whether it is compiled at once or, checked by
// the build, would otherwise wait for its first require.
TEST(LuaHost, ModulesThatDoNotLoadFailTheCreation) {
  static const unsigned char kForeign[] = {0x1B, 'L', 'u', 'a', 0x51, 0, 1, 4, 8, 4, 4, 0, 0};
  const EmbeddedChunk good = sourceChunk("good.lua", "return {}");
  const EmbeddedChunk broken = sourceChunk("broken.lua", "return +");
  EmbeddedChunk foreign{"foreign.luac", kForeign, sizeof kForeign, true, true};
  struct Case {
    const char* name;
    std::vector<EmbeddedChunk> chunks;
    std::vector<std::string> failed;
  };
  const Case cases[] = {
      {"two broken", {broken, good, foreign}, {"broken.lua", "foreign.luac"}},
      {"checked by the build, for another interpreter", {good, foreign}, {"foreign.luac"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    voerr::Status status;
    ::testing::internal::CaptureStderr();
    Translator translator =
        create(status, kRegistration, EmbeddedChunks{c.chunks.data(), c.chunks.size()});
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(translator, nullptr);
    std::vector<std::string> lines;
    for (size_t start = 0; start < errors.size();) {
      const size_t end = errors.find('\n', start);
      lines.push_back(errors.substr(start, end - start));
      start = end == std::string::npos ? errors.size() : end + 1;
    }
    ASSERT_EQ(lines.size(), c.failed.size()) << errors;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_THAT(lines[i], StartsWith("ERROR: Failed to load \"" + c.failed[i] + "\": "));
    }
    expectLuaFailure(status, 1, "foreign.luac: bad header in precompiled chunk",
                     "failed to add embedded modules to preload table");
  }
}

TEST(LuaHost, SetUpFailuresNameTheTranslatorAndItsRegistration) {
  struct Case {
    const char* registration;
    const char* message;
  };
  const Case cases[] = {
      {"{not json", "registration info is not a JSON object"},
      {"5", "registration info is not a JSON object"},
      {R"({"voxlatorlua_xlator":"nowhere"})", "module 'nowhere' not found"},
      {"{}", "registration info names no translator module"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.registration);
    voerr::Status status;
    EXPECT_EQ(create(status, c.registration), nullptr);
    expectLuaFailure(status, LUA_ERRRUN, "", "lua setupEnv failed");
    const std::string report = status.reportText();
    EXPECT_THAT(report, HasSubstr(c.message));
    std::string escaped;
    for (const char* p = c.registration; *p; ++p) {
      if (*p == '"') escaped += '\\';
      escaped += *p;
    }
    EXPECT_THAT(report, HasSubstr(R"("name":"mxlator_tovik","registrationInfo":")" + escaped +
                                  "\"}"));
  }

  voerr::Status status;
  EXPECT_EQ(createLuaTranslator(nullptr, kRegistration, status), nullptr);
  EXPECT_EQ(status.code, -52005);
  voerr::Status held;
  held.setCode(-1);
  EXPECT_EQ(create(held), nullptr);
  EXPECT_EQ(held.code, -1);
}

std::string take(char* text) {
  std::string copy = text ? text : "<null>";
  voxlator::allocate(text, 0, nullptr, nullptr);
  return copy;
}

// The description functions replaced by a script that records its
// arguments and answers with `result`.
class Described : public ::testing::Test {
 protected:
  void SetUp() override {
    voerr::Status status;
    translator_ = create(status);
    ASSERT_NE(translator_, nullptr) << status.reportText();
  }

  void answer(const std::string& result) {
    eval(translator_.get(), "voxlatorlua_xlator = {}\n"
                            "function voxlatorlua_xlator.getStaticDesc(...) arguments = {...} " +
                                result + " end\n" +
                                "function voxlatorlua_xlator.getDynamicDesc(...) "
                                "arguments = {...} " +
                                result + " end");
  }

  std::string staticText(uint32_t language, voerr::Status& status) {
    return take(translator_->getStaticDesc(translator_.get(), -7, language, &voxlator::allocate,
                                           nullptr, &status));
  }

  std::string dynamicText(voerr::Status& status, const char* format = "json1") {
    return take(translator_->getDynamicDesc(translator_.get(), R"({"a":1})", 0x301, format,
                                            &voxlator::allocate, nullptr, &status));
  }

  Translator translator_;
};

TEST_F(Described, ArgumentsAreTheCodeOrReportAndTheLanguageSplit) {
  answer("return 'x'");
  voerr::Status status;
  EXPECT_EQ(staticText(0x302, status), "x");
  EXPECT_EQ(eval(translator_.get(), "return table.concat(arguments, ' ', 1, 3) .. ' ' .. #arguments"),
            "-7 2 3 3");
  EXPECT_EQ(dynamicText(status, "fmt"), "x");
  EXPECT_EQ(eval(translator_.get(), "return table.concat(arguments, ' ', 1, 4) .. ' ' .. #arguments"),
            R"({"a":1} 1 3 fmt 4)");
  EXPECT_EQ(status.code, 0) << status.reportText();
}

TEST_F(Described, ResultsAreConverted) {
  struct Case {
    const char* result;
    const char* staticText;
    const char* dynamicText;
    int32_t dynamicCode;
  };
  const Case cases[] = {
      {"return 'text'", "text", "text", 0},
      {"return 42.5", "42.5", "<null>", 42},  // a number is a status code
      {"return -52029", "-52029", "<null>", -52029},
      {"return ' 17 '", " 17 ", "<null>", 17},  // so is a text that reads as one
      {"return 0", "0", "<null>", 0},
      {"return nil", "", "", 0},
      {"return {}", "", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    answer(c.result);
    voerr::Status first;
    EXPECT_EQ(staticText(0, first), c.staticText);
    EXPECT_EQ(first.code, 0) << first.reportText();
    voerr::Status second;
    EXPECT_EQ(dynamicText(second), c.dynamicText);
    EXPECT_EQ(second.code, c.dynamicCode);
    if (c.dynamicCode != 0) {
      EXPECT_THAT(second.reportText(),
                  StartsWith(R"x({"error_constant":"(int32_t)lua_tointeger(L, -1)","file":)x"));
      EXPECT_THAT(second.reportText(),
                  HasSubstr(R"("voxlatorlua_debug":{"debug":"failed to get dynamic desc"})"));
    }
  }
}

TEST_F(Described, ScriptErrorsFailTheCallWithTheHandlersTraceback) {
  answer("error('it broke', 0)");
  voerr::Status status;
  EXPECT_EQ(staticText(0, status), "<null>");
  expectLuaFailure(status, LUA_ERRRUN, "it broke\\nstack traceback:", "failed to get static desc");
  EXPECT_EQ(lua_gettop(stateOf(translator_.get())), 0);

  // Without a message handler the message comes alone.
  eval(translator_.get(), "voxlatorlua_errHandler = nil");
  voerr::Status plain;
  EXPECT_EQ(dynamicText(plain), "<null>");
  expectLuaFailure(plain, LUA_ERRRUN, "it broke\"}", "failed to get dynamic desc");

  // A translator module without the function, or none at all.
  eval(translator_.get(), "voxlatorlua_xlator = {}");
  voerr::Status missing;
  EXPECT_EQ(staticText(0, missing), "<null>");
  expectLuaFailure(missing, LUA_ERRRUN, "attempt to call a nil value", "failed to get static desc");
  eval(translator_.get(), "voxlatorlua_xlator = nil");
  voerr::Status none;
  EXPECT_EQ(dynamicText(none), "<null>");
  expectLuaFailure(none, LUA_ERRRUN, "attempt to index a nil value", "failed to get dynamic desc");

  // The state goes on answering.
  answer("return 'again'");
  voerr::Status after;
  EXPECT_EQ(staticText(0, after), "again");
}

TEST_F(Described, AStatusHoldingAnErrorCallsNothing) {
  answer("calls = (calls or 0) + 1 return 'x'");
  voerr::Status held;
  held.setCode(-9);
  EXPECT_EQ(staticText(0, held), "<null>");
  EXPECT_EQ(dynamicText(held), "<null>");
  EXPECT_EQ(held.code, -9);
  EXPECT_EQ(eval(translator_.get(), "return tostring(calls)"), "nil");
}

// Nothing is collected during a translation: what a big report leaves in
// the state stays proportionate to it.
TEST(LuaHost, AMebibyteReportLeavesAProportionateState) {
  voerr::Status status;
  Translator translator = create(status);
  ASSERT_NE(translator, nullptr) << status.reportText();
  const std::string item =
      R"({"type":"usage","usage":"kUsageTypePossibleValues","value":["PXI1Slot2","PXIe"]},)";
  std::string report = R"({"translator_info":{"ordered_data":[)";
  while (report.size() < (1u << 20)) report += item;
  report += R"({"type":"empty"}]}})";
  const std::string text = take(translator->getDynamicDesc(
      translator.get(), report.c_str(), 0, "json1", &voxlator::allocate, nullptr, &status));
  EXPECT_EQ(status.code, 0) << status.reportText();
  EXPECT_GT(text.size(), report.size() / 2);
  EXPECT_LT(lua_gc(stateOf(translator.get()), LUA_GCCOUNT, 0), 32 * 1024);  // KiB
}

int twice(lua_State* L) {
  lua_pushinteger(L, 2 * luaL_checkinteger(L, 1));
  return 1;
}

TEST_F(Described, DefinesGlobalFunctions) {
  voerr::Status status;
  ASSERT_TRUE(defineGlobalFunction(translator_.get(), "twice", &twice, status));
  EXPECT_EQ(eval(translator_.get(), "return twice(21)"), "42");
  EXPECT_FALSE(defineGlobalFunction(nullptr, "twice", &twice, status));
  EXPECT_EQ(status.code, -52005);
}

}  // namespace
}  // namespace voxlatorlua
