// The embedded script modules in a plain Lua state, both as source text and
// as bytecode: usage-term tables, language names, environment set-up and the
// translator's descriptions. The host functions the modules call are stubbed
// here in Lua; the real ones come with the translator host.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "LuaTestSupport.h"
#include "luatranslator/EmbeddedChunks.h"
#include "luatranslator/Preload.h"
#include "luatranslator/Stdint.h"

extern "C" {
#include <lua-cjson.h>
}

namespace voxlatorlua {
namespace {

using testing::Outcome;
using testing::run;

enum class Variant { kSource, kBytecode };

EmbeddedChunks chunksOf(Variant variant) {
  return variant == Variant::kSource ? sourceChunks() : bytecodeChunks();
}

std::string variantName(const ::testing::TestParamInfo<Variant>& info) {
  return info.param == Variant::kSource ? "Source" : "Bytecode";
}

// The registration text of the registered translator "mxlator_tovik".
const char kRegistration[] =
    R"({"voxlatorlua_xlator":"mxlator","voxlatorlua_settings":{"driverName":"tovik",)"
    R"("voSharedErrorsDir":"$_voShared32Dir/errors","MIErrorsDir":"$_voShared32Dir/mierrors"}})";

// Stand-ins for the host's C functions. Directory searches look their
// directory up in `directories` (a missing entry raises, as a missing
// directory does; "" means nothing found) and record every call.
const char kHostStubs[] = R"lua(
  calls = {}
  directories = {}
  local function record(...)
    local parts = {}
    for i = 1, select("#", ...) do parts[i] = tostring((select(i, ...))) end
    calls[#calls + 1] = table.concat(parts, " ")
  end
  local function lookup(key)
    local text = directories[key]
    if text == nil then error('{"voxlator_debug":{"debug":"open dir failed","path":"' .. key .. '"}}') end
    if text == "" then return nil end
    return text
  end
  vomxl_unmapErrorCode = function(code) return code end
  voxlatorluautils = {
    mbsToUtf8 = function(lang, text) record("mbsToUtf8", lang) return text end,
    lookupVariable = function(name, variable) return "" end,
    expandPath = function(name, path)
      assert(type(name) == "string", "expandPath without a translator name")
      return (string.gsub(path, "%$_voShared32Dir", "/share"))
    end,
    findErrorDescriptionFromErrorsDir = function(dir, code, lang)
      record("errorsDir", dir, code, lang)
      return lookup(dir .. "#" .. lang)
    end,
    findErrorDescriptionFromDir = function(dir, code)
      record("dir", dir, code)
      return lookup(dir)
    end,
  }
  package.loaded.voxlatorluautils = voxlatorluautils

  -- "json1" output as lines "type|key|value", lists as [a,b].
  function lines(entries)
    local out = {}
    for _, entry in ipairs(entries) do
      local value = entry.value
      if type(value) == "table" then value = "[" .. table.concat(value, ",") .. "]" end
      out[#out + 1] = entry.type .. "|" .. tostring(entry.key) .. "|" .. tostring(value)
    end
    return table.concat(out, "\n")
  end
  function dynamic(report, lang, ade)
    return lines(cjson.decode(mxlator.getDynamicDesc(report, lang, ade or 0, "json1")).dynamic)
  end
  function debugList(report)
    return lines(cjson.decode(mxlator.getDynamicDesc(report, 0, 0, "json1")).debug)
  end
)lua";

class ModulesTest : public ::testing::TestWithParam<Variant> {
 protected:
  void SetUp() override {
    ASSERT_NE(state_, nullptr);
    luaL_openlibs(L());
    ASSERT_TRUE(testing::open(L(), openStdint, "stdint"));
    lua_pushcfunction(L(), luaopen_cjson);
    lua_pushstring(L(), "cjson");
    ASSERT_EQ(lua_pcall(L(), 1, 1, 0), 0);
    lua_setglobal(L(), "cjson");
    ASSERT_TRUE(run(L(), "package.loaded.cjson = cjson").ok);
    Outcome stubs = run(L(), kHostStubs);
    ASSERT_TRUE(stubs.ok) << stubs.text;
    ASSERT_EQ(preloadChunks(L(), chunksOf(GetParam())), 0);
    ASSERT_EQ(lua_gettop(L()), 0);
    Outcome setup = run(L(), std::string("require('voxlatorlua') voxlatorlua_setupEnv('mxlator_tovik', '") +
                                 kRegistration + "')");
    ASSERT_TRUE(setup.ok) << setup.text;
  }

  std::string eval(const std::string& code) {
    Outcome outcome = run(L(), code);
    EXPECT_TRUE(outcome.ok) << code << "\n" << outcome.text;
    return outcome.text;
  }

  std::string failure(const std::string& code) {
    Outcome outcome = run(L(), code);
    EXPECT_FALSE(outcome.ok) << code << " succeeded with " << outcome.text;
    return outcome.text;
  }

  // key -> text of a usage-term module, read from the map behind getString.
  std::map<std::string, std::string> terms(const std::string& lng) {
    std::string dump = eval("local t = require('commonTerms_" + lng + "')\n" + R"lua(
      local _, strings = debug.getupvalue(t.getString, 1)
      local rows = {}
      for key, text in pairs(strings) do rows[#rows + 1] = key .. "\t" .. text end
      return table.concat(rows, "\n"))lua");
    std::map<std::string, std::string> rows;
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);) {
      std::size_t tab = line.find('\t');
      EXPECT_NE(tab, std::string::npos) << line;
      EXPECT_TRUE(rows.emplace(line.substr(0, tab), line.substr(tab + 1)).second) << line;
    }
    return rows;
  }

  lua_State* L() { return state_.get(); }

  testing::State state_{luaL_newstate()};
};

INSTANTIATE_TEST_SUITE_P(Variants, ModulesTest, ::testing::Values(Variant::kSource, Variant::kBytecode),
                         variantName);

TEST_P(ModulesTest, ChunksComeInPreloadOrder) {
  const char* expected[] = {"json", "util", "commonTerms_eng", "commonTerms_jpn", "commonTerms_fra",
                            "commonTerms_deu", "vomxl_defaultAttrTable", "mxlator", "vomxl_utilities",
                            "voxlatorlua"};
  bool bytecode = GetParam() == Variant::kBytecode;
  EmbeddedChunks chunks = chunksOf(GetParam());
  ASSERT_EQ(chunks.count, std::size(expected));
  for (std::size_t i = 0; i < chunks.count; ++i) {
    SCOPED_TRACE(expected[i]);
    EXPECT_EQ(chunks.chunks[i].name, std::string(expected[i]) + (bytecode ? ".luac" : ".lua"));
    EXPECT_EQ(chunks.chunks[i].bytecode, bytecode);
    bool hasSignature = chunks.chunks[i].size > 4 && std::memcmp(chunks.chunks[i].bytes, "\x1bLua", 4) == 0;
    EXPECT_EQ(hasSignature, bytecode);
  }
}

// A script error names the chunk and line the same way from bytecode as
// from source: debug information is kept and the source name rewritten.
TEST_P(ModulesTest, ErrorsNameChunkAndLineAsInSource) {
  std::string source;
  for (const EmbeddedChunk& chunk : sourceChunks()) {
    if (std::string(chunk.name) == "mxlator.lua") {
      source.assign(reinterpret_cast<const char*>(chunk.bytes), chunk.size);
    }
  }
  std::size_t at = source.find("ThreeLetterLngStrings[lang + 1]");
  ASSERT_NE(at, std::string::npos);
  long line = 1 + std::count(source.begin(), source.begin() + at, '\n');
  EXPECT_EQ(failure("return mxlator.getStaticDesc(-1, nil, 0)"),
            "[string \"mxlator.lua\"]:" + std::to_string(line) +
                ": attempt to perform arithmetic on local 'lang' (a nil value)");
  EXPECT_EQ(eval("return voxlatorlua_errHandler('boom')").rfind("boom\nstack traceback:\n", 0), 0u);
}


// Valid UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool isUtf8(const std::string& text) {
  static const unsigned long kShortest[] = {0, 0x80, 0x800, 0x10000};
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    unsigned long point = lead;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1, point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3, point = lead & 0x07;
    } else if (lead >= 0x80) {
      return false;
    }
    if (text.size() - i - 1 < extra) {
      return false;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) {
        return false;
      }
      point = (point << 6) | (next & 0x3F);
    }
    if (point < kShortest[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

TEST(Utf8Check, RejectsMalformedText) {
  EXPECT_TRUE(isUtf8("Valeurs possibles \xE3\x83\x81\xF0\x9F\x98\x80"));
  for (const char* bad : {"\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE3\x83"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(isUtf8(bad));
  }
}

// Listed rows of each table: 602 and 595 less the 87 rows for other product
// lines, which are left out.
constexpr std::size_t kEnglishRows = 515;
constexpr std::size_t kTranslatedRows = 508;

TEST_P(ModulesTest, UsageTermTablesHaveEveryRowInEveryLanguage) {
  std::map<std::string, std::string> english = terms("eng");
  EXPECT_EQ(english.size(), kEnglishRows);
  std::size_t prefixed = 0;
  for (const char* prefix : {"kUsageType", "kAuxTerm", "kSidl", "atat_kUsageType"}) {
    std::size_t count = 0;
    for (const auto& [key, text] : english) {
      count += key.rfind(prefix, 0) == 0;
    }
    prefixed += count;
  }
  EXPECT_EQ(prefixed, kEnglishRows);

  std::set<std::string> translatedKeys;
  for (const auto& [key, text] : english) {
    if (key.rfind("atat_", 0) != 0) {
      translatedKeys.insert(key);
    }
  }
  EXPECT_EQ(translatedKeys.size(), kTranslatedRows);

  for (const char* lng : {"eng", "fra", "deu", "jpn"}) {
    SCOPED_TRACE(lng);
    std::map<std::string, std::string> rows = terms(lng);
    std::set<std::string> keys;
    std::size_t sameAsEnglish = 0;
    for (const auto& [key, text] : rows) {
      keys.insert(key);
      EXPECT_FALSE(text.empty()) << key;
      EXPECT_TRUE(isUtf8(text)) << key;
      sameAsEnglish += english[key] == text;
    }
    if (std::string(lng) != "eng") {
      EXPECT_EQ(keys, translatedKeys);
      // Acronyms and a few words ("Option", "TEDS") read the same; anything
      // more would mean rows left untranslated.
      EXPECT_LT(sameAsEnglish, 20u);
    }
    EXPECT_EQ(eval("local t = require('commonTerms_" + std::string(lng) + "') return t == usageTypes_" + lng +
                   " and t.encoding"),
              "utf-8");
    EXPECT_EQ(eval(std::string("return usageTypes_") + lng + ".getString('kUsageTypeNoSuchKey')"), "nil");
  }
}

TEST_P(ModulesTest, EnglishTextsOfTellingRows) {
  const std::pair<const char*, const char*> rows[] = {
      {"kUsageTypeChannelName", "Channel Name"},
      {"kUsageTypePossibleValues", "Possible Values"},
      {"kUsageTypeParameterName", "Parameter Name"},
      {"kUsageTypeRequestedDeviceName", "Requested Device Name"},
      {"kUsageTypeInvalidIdentifier", "Invalid Identifier"},
      {"kUsageTypeAttributeIdentifier", "Property"},
      {"kSidlInvalidTag", "Invalid DriverSetup tag"},
      {"kSidlRepeatedTag", "Repeated DriverSetup tag."},
      {"kSidlNoValue", "DriverSetup contains an entry with no value."},
      {"kSidlUsageTypeErrno", "Value of errno from system call."},
      {"kUsageTypeCJCChannel", "CJC Channel"},
      {"kUsageTypeReqBufSizeInBytes", "Requested Buffer Size in Bytes"},
  };
  for (const auto& [key, text] : rows) {
    SCOPED_TRACE(key);
    EXPECT_EQ(eval(std::string("return require('commonTerms_eng').getString('") + key + "')"), text);
  }
}

TEST_P(ModulesTest, TprintIndentsTwoSpacesPerLevel) {
  std::string printed = eval(R"lua(
    require("commonTerms_eng") require("commonTerms_jpn") require("commonTerms_fra")
    local printed = {}
    local savedPrint = print
    print = function(line) printed[#printed + 1] = line end
    local nested = { outer = { inner = { leaf = 5 } } }
    usageTypes_eng.tprint(nested)
    usageTypes_jpn.tprint({ key = "値" }, 2)
    local cyclic = { }
    cyclic.self = cyclic
    usageTypes_fra.tprint(cyclic)
    print = savedPrint
    return table.concat(printed, "\n"))lua");
  EXPECT_EQ(printed, "outer:\n  inner:\n    leaf: 5\n    key: 値\nself: <cycle>");
}

TEST_P(ModulesTest, LanguageNamesBothWays) {
  const std::pair<const char*, const char*> names[] = {
      {"eng", "English"}, {"fra", "French"}, {"deu", "German"},
      {"jpn", "Japanese"}, {"kor", "Korean"}, {"chs", "ChineseS"},
  };
  for (const auto& [shortName, longName] : names) {
    SCOPED_TRACE(shortName);
    EXPECT_EQ(eval(std::string("return vomxl_utilities.convertLangShortToLong('") + shortName + "')"), longName);
    EXPECT_EQ(eval(std::string("return vomxl_utilities.convertLangLongToShort('") + longName + "')"), shortName);
  }
  // The test language goes one way only; unknown names give nil.
  EXPECT_EQ(eval("return vomxl_utilities.convertLangShortToLong('zzz')"), "Zzzzzzz");
  EXPECT_EQ(eval("return vomxl_utilities.convertLangLongToShort('Zzzzzzz')"), "nil");
  EXPECT_EQ(eval("return vomxl_utilities.convertLangShortToLong('english')"), "nil");
  EXPECT_EQ(eval("return require('vomxl_utilities')"), "true");
}

TEST_P(ModulesTest, SetupEnvLoadsTheTranslatorAndItsSettings) {
  EXPECT_EQ(eval("return voxlatorlua_name"), "mxlator_tovik");
  EXPECT_EQ(eval("return voxlatorlua_xlator == mxlator"), "true");
  EXPECT_EQ(eval("return voxlatorlua_settings.driverName .. ' ' .. voxlatorlua_settings.MIErrorsDir"),
            "tovik $_voShared32Dir/mierrors");
  EXPECT_EQ(eval("return package.path .. '|' .. package.cpath"), "|");
  EXPECT_EQ(eval("return require('vomxl_defaultAttrTable').getAttribute('00118DB7') == nil and "
                 "vomxl_defaultAttrTable.encoding"),
            "utf-8");

  // Search paths: expanded, backslashes turned, a '/' and "?.lua" added,
  // empty pieces dropped.
  EXPECT_EQ(eval(R"lua(
    voxlatorlua_setupEnv("other", '{"voxlatorlua_xlator":"mxlator",' ..
        '"voxlatorlua_path":"$_voShared32Dir\\\\lua;;/opt/x/"}')
    return package.path)lua"),
            "/share/lua/?.lua;/opt/x/?.lua");
  EXPECT_EQ(eval("return voxlatorlua_name"), "other");
}

TEST_P(ModulesTest, SetupEnvRejectsBadRegistrations) {
  const std::pair<const char*, const char*> cases[] = {
      {"not json", "registration info is not a JSON object"},
      {"[1, 2", "registration info is not a JSON object"},
      {"42", "registration info is not a JSON object"},
      {"{}", "registration info names no translator module"},
      {R"({"voxlatorlua_xlator":"noSuchModule"})", "module 'noSuchModule' not found"},
  };
  for (const auto& [registration, message] : cases) {
    SCOPED_TRACE(registration);
    lua_pushstring(L(), registration);
    lua_setglobal(L(), "registration");
    EXPECT_NE(failure("voxlatorlua_setupEnv('bad', registration)").find(message), std::string::npos);
  }
}

TEST_P(ModulesTest, DynamicDescriptionRendersReportItems) {
  struct Case {
    const char* items;  // the "ordered_data" list
    int lang;
    const char* expected;
  };
  const Case cases[] = {
      {R"([{"type":"usage","usage":"kUsageTypeAttributeIdentifier","value":1150391,"value_type":"uint32_t"}])", 0,
       "usage|Property|0x00118DB7"},
      {R"([{"type":"usage","usage":"kUsageTypeAffectedAttribute","value":[1150391,-1,"abc"]}])", 0,
       "usage|Affected Attribute|[0x00118DB7,0xFFFFFFFF,abc]"},
      {R"([{"type":"usage","usage":"kUsageTypeNoSuchKey","value":5}])", 0, "usage|kUsageTypeNoSuchKey|5"},
      {R"([{"type":"usage","usage":"kUsageTypePossibleValues","value":["a","b"]}])", 5,
       "usage|Possible Values|[a,b]"},
      {R"([{"type":"usage","usage":"kUsageTypePossibleValues","value":"a"}])", 1, "usage|Valeurs possibles|a"},
      {R"([{"type":"usage","usage":"kUsageTypePossibleValues","value":"a"}])", 2, "usage|Mögliche Werte|a"},
      {R"([{"type":"usage","usage":"kUsageTypePossibleValues","value":"a"}])", 3, "usage|可能な値|a"},
      {R"([{"type":"usage","usage":"kUsageTypePossibleValues","value":"a"}])", 4, "usage|Possible Values|a"},
      {R"([{"type":"usage","usage":"kUsageTypePossibleValues","value":"a"}])", 42, "usage|Possible Values|a"},
      {R"([{"type":"usage","usage":"kUsageTypeValue","value":[1e15,2.5,true,null,-0]}])", 0,
       "usage|Value|[1000000000000000,2.5,true,null,0]"},
      {R"([{"type":"usage","usage":"kUsageTypeValue","value":3,"value_type":{"type":"enum","id":1150391}}])", 0,
       "usage|Value|3"},
      {R"([{"type":"usage","usage":"kUsageTypeValue","value":3,"value_type":{"type":"other"}}])", 0,
       "usage|Value|nil"},
      {R"([{"type":"usage","usage":"kUsageTypeValue"}])", 0, "usage|Value|nil"},
      {R"([{"type":"elaboration","usage":"kSidlRepeatedTag"},{"type":"header","usage":"kAuxTermSuggestionHeader"},)"
       R"({"type":"empty"},{"type":"comment","usage":"kSidlNoTag"},"stray",{"usage":"kSidlNoTag"}])",
       0, "elaboration|nil|Repeated DriverSetup tag.\nheader|nil|Suggestion\nempty|nil|nil"},
      {R"([{"type":"elaboration","usage":"kSidlRepeatedTag"}])", 3,
       "elaboration|nil|DriverSetup タグが重複しています。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.items);
    std::string report = std::string(R"({"translator":"mxlator_tovik","translator_info":{"ordered_data":)") +
                         c.items + "}}";
    lua_pushstring(L(), report.c_str());
    lua_setglobal(L(), "report");
    EXPECT_EQ(eval("return dynamic(report, " + std::to_string(c.lang) + ")"), c.expected);
  }
}

TEST_P(ModulesTest, DynamicDescriptionDebugList) {
  lua_pushstring(L(), R"({"error_constant":"kRepeatedTag","component":"tovik","file":"DriverSetupParser",)"
                      R"("line":42,"translator":"mxlator_tovik","translator_info":{"ordered_data":[]}})");
  lua_setglobal(L(), "report");
  std::string debug = eval("return debugList(report)");
  // Members of the re-encoded rest come in any order.
  EXPECT_EQ(debug.rfind("usage|Component|tovik\nusage|File|DriverSetupParser\nusage|Line|42\n"
                        "usage|rest_of_input_json|{",
                        0),
            0u)
      << debug;
  EXPECT_NE(debug.find(R"("error_constant":"kRepeatedTag")"), std::string::npos);
  EXPECT_NE(debug.find(R"("translator":"mxlator_tovik")"), std::string::npos);
  EXPECT_EQ(debug.find("translator_info"), std::string::npos);

  // Without "translator_info" nothing is rendered; the debug list still
  // carries the rest of the report. An empty list is written as {}.
  std::string raw = eval(R"(return mxlator.getDynamicDesc('{"error_constant":"statusin.code"}', 0, 0, "json1"))");
  EXPECT_NE(raw.find(R"("dynamic":{})"), std::string::npos) << raw;
  EXPECT_EQ(eval(R"(return debugList('{"error_constant":"statusin.code"}'))"),
            R"(usage|rest_of_input_json|{"error_constant":"statusin.code"})");
}

TEST_P(ModulesTest, DynamicDescriptionOnlyInJson1) {
  for (const char* format : {"'json2'", "''", "'JSON1'", "nil"}) {
    SCOPED_TRACE(format);
    EXPECT_EQ(eval(std::string("local r = mxlator.getDynamicDesc('not even json', 0, 0, ") + format +
                   ") return type(r) .. ' ' .. r"),
              "number -52029");
  }
}

TEST_P(ModulesTest, DynamicDescriptionFailures) {
  EXPECT_NE(failure(R"(return mxlator.getDynamicDesc('{"a":', 0, 0, "json1"))").find("Expected"),
            std::string::npos);
  EXPECT_EQ(failure(R"(return mxlator.getDynamicDesc('7', 0, 0, "json1"))"), "error report is not a JSON object");
  EXPECT_EQ(failure(R"(return mxlator.getDynamicDesc('{}', 0, 4, "json1"))"),
            "unknown development environment code 4");
  EXPECT_EQ(failure(R"(
    package.loaded.commonTerms_eng = { encoding = "latin1", getString = function() return "x" end }
    return mxlator.getDynamicDesc('{"translator_info":{"ordered_data":[{"type":"empty"},' ..
                                  '{"type":"header","usage":"k"}]}}', 0, 0, "json1"))"),
            "Unsupported encoding");
  // A report without items needs no term.
  EXPECT_EQ(eval(R"(return #cjson.decode(mxlator.getDynamicDesc('{}', 0, 0, "json1")).debug)"), "1");
}

TEST_P(ModulesTest, DynamicDescriptionWithoutAnyAttributeTable) {
  EXPECT_EQ(eval(R"(
    package.loaded.vomxl_defaultAttrTable, package.preload.vomxl_defaultAttrTable = nil, nil
    return dynamic('{"translator_info":{"ordered_data":[{"type":"usage","usage":"kUsageTypeAttributeId","value":7}]}}', 0))"),
            "usage|Attribute ID|0x00000007");
  EXPECT_EQ(eval("return debugList('{}')"),
            "usage|internal_error_string|Cannot load vomxl_defaultAttrTable\n\n"
            "usage|rest_of_input_json|{}");
}

// Driver attribute tables come from search paths; here from the preload
// table. Order: language and environment, English and environment,
// language, English, then the empty default.
TEST_P(ModulesTest, DynamicDescriptionUsesTheFirstDriverAttributeTable) {
  std::string setup = R"lua(
    local function attributeTable(name)
      return function()
        return { encoding = "utf-8", getAttribute = function(id)
          if id == "00118DB7" then return { shortName = name, enums = { ["1"] = "On (" .. name .. ")" } } end
        end }
      end
    end
    package.preload.tovik_attributes_eng_ym = attributeTable("eng_ym")
    package.preload.tovik_attributes_fra = attributeTable("fra")
    package.preload.tovik_attributes_eng = attributeTable("eng")
    report = '{"translator_info":{"ordered_data":[' ..
      '{"type":"usage","usage":"kUsageTypeConflictingProperty","value":1150391},' ..
      '{"type":"usage","usage":"kUsageTypeValue","value":[1,2],"value_type":{"type":"enum","id":1150391}}]}}'
  )lua";
  ASSERT_TRUE(run(L(), setup).ok);
  EXPECT_EQ(eval("return dynamic(report, 1, 1)"),
            "usage|Propriété en conflit|eng_ym\nusage|Valeur|[On (eng_ym),2]");
  EXPECT_EQ(eval("return dynamic(report, 1, 0)"), "usage|Propriété en conflit|fra\nusage|Valeur|[On (fra),2]");
  EXPECT_EQ(eval("return dynamic(report, 2, 0)"),
            "usage|In Konflikt stehende Eigenschaft|eng\nusage|Wert|[On (eng),2]");
}

TEST_P(ModulesTest, DynamicDescriptionOfAMebibyteReportIsQuick) {
  std::string item = R"({"type":"usage","usage":"kUsageTypePossibleValues","value":["PXI1Slot2","PXIe"]},)";
  std::string report = R"({"translator_info":{"ordered_data":[)";
  std::size_t items = 0;
  while (report.size() < (1u << 20)) {
    report += item;
    ++items;
  }
  report += R"({"type":"empty"}]}})";
  lua_pushlstring(L(), report.data(), report.size());
  lua_setglobal(L(), "report");
  auto start = std::chrono::steady_clock::now();
  std::string count = eval(R"(return #cjson.decode(mxlator.getDynamicDesc(report, 1, 0, "json1")).dynamic)");
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(count, std::to_string(items + 1));
  EXPECT_LT(elapsed, std::chrono::seconds(1));
}

// The static description: errors tables, then the driver's description
// files (language, then English), then the shared errors directory
// (language, then English). Failing directory searches count as not found.
TEST_P(ModulesTest, StaticDescriptionSearchOrder) {
  EXPECT_EQ(eval("return mxlator.getStaticDesc(-1074118654, 1, 0)"), "Error description not found");
  EXPECT_EQ(eval("return table.concat(calls, '\\n')"),
            "dir /share/mierrors/tovik/French -1074118654\n"
            "dir /share/mierrors/tovik/English -1074118654\n"
            "errorsDir /share/errors -1074118654 1\n"
            "errorsDir /share/errors -1074118654 0");

  // Language 5 looks in "ChineseS" directories; English is asked once.
  EXPECT_EQ(eval("calls = {} return mxlator.getStaticDesc(7, 5, 0)"), "Error description not found");
  EXPECT_EQ(eval("return calls[1] .. '|' .. calls[3]"), "dir /share/mierrors/tovik/ChineseS 7|errorsDir /share/errors 7 5");
  EXPECT_EQ(eval("calls = {} mxlator.getStaticDesc(7, 0, 0) return table.concat(calls, '|')"),
            "dir /share/mierrors/tovik/English 7|errorsDir /share/errors 7 0");
}

TEST_P(ModulesTest, StaticDescriptionFirstFindWins) {
  // The driver's English file, converted as English text.
  EXPECT_EQ(eval(R"(
    directories["/share/mierrors/tovik/Japanese"] = ""
    directories["/share/mierrors/tovik/English"] = "Repeated tag."
    return mxlator.getStaticDesc(-1, 3, 0))"),
            "Repeated tag.");
  EXPECT_EQ(eval("return calls[#calls]"), "mbsToUtf8 0");

  // The language's own file wins over English and is converted in that language.
  EXPECT_EQ(eval(R"(
    calls = {}
    directories["/share/mierrors/tovik/Japanese"] = "重複したタグ"
    return mxlator.getStaticDesc(-1, 3, 0))"),
            "重複したタグ");
  EXPECT_EQ(eval("return calls[#calls]"), "mbsToUtf8 3");

  // The shared errors directory in English after the language failed.
  EXPECT_EQ(eval(R"(
    directories = { ["/share/errors#0"] = "Shared text." }
    return mxlator.getStaticDesc(-1, 2, 0))"),
            "Shared text.");

  // An errors table from the search paths answers before any directory.
  EXPECT_EQ(eval(R"(
    calls = {}
    package.preload.errors_deu = function()
      return { encoding = "utf-8", getString = function(code) if code == -1 then return "Aus der Tabelle" end end }
    end
    return mxlator.getStaticDesc(-1, 2, 0) .. #calls)"),
            "Aus der Tabelle0");
  EXPECT_EQ(failure(R"(
    package.preload.errors_eng = function() return { encoding = "ucs-2", getString = function() end } end
    return mxlator.getStaticDesc(-1, 0, 0))"),
            "Unsupported encoding");
}

TEST(EmbeddedChunks, ProductUsesOneOfTheVariants) {
  const EmbeddedChunk* chosen = embeddedChunks().chunks;
  EXPECT_TRUE(chosen == sourceChunks().chunks || chosen == bytecodeChunks().chunks);
}

}  // namespace
}  // namespace voxlatorlua
