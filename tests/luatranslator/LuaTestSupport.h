// Plain Lua 5.1 states for the translator's script tests.
#pragma once

#include <lua.hpp>

#include <memory>
#include <string>

namespace voxlatorlua::testing {

struct StateCloser {
  void operator()(lua_State* L) const { lua_close(L); }
};
using State = std::unique_ptr<lua_State, StateCloser>;

// A chunk's first result as text ("nil", "true"... for non-strings), or its
// error message. Everything runs in a protected call: no script error ever
// unwinds through these frames.
struct Outcome {
  bool ok;
  std::string text;
};

inline Outcome run(lua_State* L, const std::string& code) {
  int top = lua_gettop(L);
  int rc = luaL_loadbuffer(L, code.data(), code.size(), "=test");
  if (rc == 0) {
    rc = lua_pcall(L, 0, 1, 0);
  }
  Outcome outcome{rc == 0, {}};
  switch (lua_type(L, -1)) {
    case LUA_TSTRING:
    case LUA_TNUMBER: {
      std::size_t length = 0;
      const char* text = lua_tolstring(L, -1, &length);
      outcome.text.assign(text, length);
      break;
    }
    case LUA_TBOOLEAN:
      outcome.text = lua_toboolean(L, -1) ? "true" : "false";
      break;
    default:
      outcome.text = luaL_typename(L, -1);
      break;
  }
  lua_settop(L, top);
  return outcome;
}

// Calls `opener` the way the host opens a library: with its name as the
// only argument, in a protected call.
inline bool open(lua_State* L, lua_CFunction opener, const char* name) {
  lua_pushcfunction(L, opener);
  lua_pushstring(L, name);
  int rc = lua_pcall(L, 1, 1, 0);
  lua_pop(L, 1);
  return rc == 0;
}

}  // namespace voxlatorlua::testing
