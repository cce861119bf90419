// The voxlatorluautils functions as the scripts call them: results, the
// JSON reports their failures raise, and argument errors. Every raise is a
// longjmp out of the C function; under AddressSanitizer a status or text it
// skipped would show as a leak.
#include <gtest/gtest.h>

#include <string>

#include "LuaTestSupport.h"
#include "luatranslator/LuaUtils.h"

extern "C" {
#include <lua-cjson.h>
}

namespace voxlatorlua {
namespace {

using testing::Outcome;
using testing::run;

class LuaUtilsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    luaL_openlibs(L());
    ASSERT_TRUE(testing::open(L(), openLuaUtils, "voxlatorluautils"));
    lua_pushcfunction(L(), luaopen_cjson);
    ASSERT_EQ(lua_pcall(L(), 0, 1, 0), 0);
    lua_setglobal(L(), "cjson");
    ASSERT_TRUE(run(L(), "u = voxlatorluautils; share = '" FIXTURE_DIR "/share'").ok);
  }

  std::string eval(const std::string& code) {
    Outcome outcome = run(L(), code);
    EXPECT_TRUE(outcome.ok) << code << "\n" << outcome.text;
    return outcome.text;
  }

  lua_State* L() { return state_.get(); }

  testing::State state_{luaL_newstate()};
};

TEST_F(LuaUtilsTest, RegistersSevenFunctionsAsAGlobalTableAndAModule) {
  EXPECT_EQ(eval(R"lua(
    local names = {}
    for name, f in pairs(u) do
      if type(f) == "function" then names[#names + 1] = name end
    end
    table.sort(names)
    assert(package.loaded.voxlatorluautils == u)
    return table.concat(names, " "))lua"),
            "convertLangToDir expandPath findErrorDescriptionFromDir findErrorDescriptionFromErrorsDir "
            "findErrorDescriptionFromFile lookupVariable mbsToUtf8");
}

TEST_F(LuaUtilsTest, Results) {
  struct Case {
    const char* call;
    const char* expected;
  };
  const Case cases[] = {
      {"u.mbsToUtf8(3, 'テキスト')", "テキスト"},
      {"u.mbsToUtf8(0, 12)", "12"},
      {"u.lookupVariable('mxlator_tovik', '_commonAppDataDir')", "/var/local/velmora"},
      {"u.lookupVariable('mxlator_tovik', 'noSuchVariable')", ""},
      {"u.expandPath('mxlator_tovik', '$_commonAppDataDir/a/b')", "/var/local/velmora/a/b"},
      {"u.expandPath('mxlator_tovik', 'plain/path')", "plain/path"},
      {"u.convertLangToDir(0)", "English"},
      {"u.convertLangToDir(5)", "ChineseS"},
      {"u.findErrorDescriptionFromDir(share .. '/mierrors/tovik/English', -200)",
       "Driver two hundred"},
      {"u.findErrorDescriptionFromFile(share .. '/mierrors/tovik/French', -100)",
       "Centaine du pilote"},
      {"tostring(u.findErrorDescriptionFromDir(share .. '/mierrors/tovik/French', -200))", "nil"},
      // The language's directory, then the errors directory itself.
      {"u.findErrorDescriptionFromErrorsDir(share .. '/errors', -100, 3)", "共有の百"},
      {"u.findErrorDescriptionFromErrorsDir(share .. '/errors', -400, 3)", "Shared directory itself"},
      {"tostring(u.findErrorDescriptionFromErrorsDir(share .. '/errors', -300, 3))", "nil"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    EXPECT_EQ(eval(std::string("return ") + c.call), c.expected);
  }
}

// A failure raised from each function: a status's JSON report (its constant,
// what went wrong and the language, decoded here), or the interpreter's
// argument error.
TEST_F(LuaUtilsTest, FailuresRaiseScriptErrors) {
  struct Case {
    const char* call;
    const char* expected;
  };
  const Case cases[] = {
      {"u.expandPath('mxlator_tovik', 'a/$_tempDir')", "voapalerr_invalidParameter plugin dll path invalid"},
      {"u.convertLangToDir(6)", "voapalerr_invalidParameter invalid language 6"},
      {"u.convertLangToDir(-1)", "voapalerr_invalidParameter invalid language -1"},
      {"u.convertLangToDir(2^40)", "voapalerr_invalidParameter invalid language 2147483647"},
      {"u.findErrorDescriptionFromErrorsDir(share .. '/errors', -100, 4)", "voapalerr_resourceNotFound open dir failed"},
      {"u.findErrorDescriptionFromErrorsDir(share .. '/errors', -100, 9)",
       "voapalerr_invalidParameter invalid language 9"},
      {"u.findErrorDescriptionFromDir(share .. '/missing', -100)", "voapalerr_resourceNotFound open dir failed"},
      {"u.findErrorDescriptionFromFile(share .. '/missing', -100)", "voapalerr_resourceNotFound open dir failed"},
      {"u.findErrorDescriptionFromDir(share .. '\\0/errors', -100)",
       "voapalerr_invalidParameter path holds a zero byte"},
      {"u.mbsToUtf8(nil, 'x')", "test:1: bad argument #1 to 'mbsToUtf8' (number expected, got nil)"},
      {"u.lookupVariable('mxlator_tovik')",
       "test:1: bad argument #2 to 'lookupVariable' (string expected, got no value)"},
      {"u.findErrorDescriptionFromDir(share, 2^31)",
       "test:1: bad argument #2 to 'findErrorDescriptionFromDir' (status code out of range)"},
      {"u.findErrorDescriptionFromErrorsDir(share, -1, {})",
       "test:1: bad argument #3 to 'findErrorDescriptionFromErrorsDir' (number expected, got table)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    EXPECT_EQ(eval(std::string("local ok, e = pcall(function() return ") + c.call + R"lua( end)
      assert(not ok, "no error")
      if string.sub(e, 1, 1) ~= "{" then return e end
      local report = cjson.decode(e)
      local debug = report.voxlator_debug
      local what = debug.voxlatordll or debug.ymerrorsparser or debug.debug
      return report.error_constant .. " " .. what ..
             (debug.lang and string.format(" %d", debug.lang) or ""))lua"),
              c.expected);
  }
}

// A missing directory reports what the system said about it, as the
// error-file reader does.
TEST_F(LuaUtilsTest, OpenDirFailedCarriesTheDirectoryAndErrno) {
  EXPECT_EQ(eval(R"lua(
    local ok, e = pcall(u.findErrorDescriptionFromDir, share .. "/missing", 1)
    local report = cjson.decode(e)
    return report.voxlator_debug.path == share .. "/missing" and report.internal_error.code)lua"),
            "2");
}

}  // namespace
}  // namespace voxlatorlua
