// Fuzzes what the translator's interpreter does with untrusted text: the
// "stdint" constructors on arbitrary strings (a value that prints must parse
// back to itself) and the "json1" rendering of an arbitrary report (a script
// error, or JSON with "dynamic" and "debug"). A fresh state per input, as
// each translation has.
#include <lua.hpp>

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "luatranslator/EmbeddedChunks.h"
#include "luatranslator/Preload.h"
#include "luatranslator/Stdint.h"

extern "C" {
#include <lua-cjson.h>
}

namespace {

const char kDriver[] = R"lua(
  local input, lang = ...
  for _, make in ipairs({ stdint.i64, stdint.u64 }) do
    local ok, value = pcall(make, input)
    if ok then
      local text = tostring(value)
      if tostring(make(text)) ~= text then return "round trip of " .. text end
      value:hexstring()
      pcall(function() return value * value - value / (value % 7 + 1), -value, value < value end)
    elseif not string.find(value, "Unable to parse a number out of", 1, true) then
      return "unexpected error " .. tostring(value)
    end
  end
  local ok, rendered = pcall(mxlator.getDynamicDesc, input, lang, 0, "json1")
  if ok then
    local decoded = cjson.decode(rendered)
    if type(decoded.dynamic) ~= "table" or type(decoded.debug) ~= "table" then return "bad rendering" end
  end
  return "ok"
)lua";

void check(bool condition) {
  if (!condition) std::abort();
}

int open(lua_State* L, lua_CFunction opener, const char* name) {
  lua_pushcfunction(L, opener);
  lua_pushstring(L, name);
  int rc = lua_pcall(L, 1, 1, 0);
  if (rc == 0) lua_setglobal(L, name);
  return rc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lua_State* L = luaL_newstate();
  check(L != nullptr);
  luaL_openlibs(L);
  check(open(L, voxlatorlua::openStdint, "stdint") == 0);
  check(open(L, luaopen_cjson, "cjson") == 0);
  check(voxlatorlua::preloadChunks(L, voxlatorlua::bytecodeChunks()) == 0);
  check(luaL_dostring(L, "require('mxlator')") == 0);

  check(luaL_loadstring(L, kDriver) == 0);
  lua_pushlstring(L, reinterpret_cast<const char*>(data), size);
  lua_pushinteger(L, static_cast<lua_Integer>(size % 8));
  int rc = lua_pcall(L, 2, 1, 0);
  check(rc == 0 && lua_isstring(L, -1) && std::string_view(lua_tostring(L, -1)) == "ok");
  lua_close(L);
  return 0;
}
