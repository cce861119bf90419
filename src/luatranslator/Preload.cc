// The embedded modules into package.preload, compiled at state creation.
#include "luatranslator/Preload.h"

#include <lua.hpp>

#include <cstdio>
#include <cstring>

namespace voxlatorlua {
namespace {

bool endsWith(const char* text, const char* suffix) {
  std::size_t length = std::strlen(text);
  std::size_t suffixLength = std::strlen(suffix);
  return length >= suffixLength && std::strcmp(text + length - suffixLength, suffix) == 0;
}

}  // namespace

int preloadChunks(lua_State* L, EmbeddedChunks chunks) {
  int failures = 0;
  lua_getglobal(L, "package");
  lua_getfield(L, -1, "preload");
  for (const EmbeddedChunk& chunk : chunks) {
    if (!endsWith(chunk.name, ".lua") && !endsWith(chunk.name, ".luac")) {
      continue;
    }
    if (luaL_loadbuffer(L, reinterpret_cast<const char*>(chunk.bytes), chunk.size, chunk.name) != 0) {
      std::fprintf(stderr, "ERROR: Failed to load \"%s\": %s\n", chunk.name, lua_tostring(L, -1));
      // Keep only the latest message, below package and preload.
      if (failures++ > 0) {
        lua_remove(L, -4);
      }
      lua_insert(L, -3);
      continue;
    }
    lua_pushlstring(L, chunk.name, static_cast<std::size_t>(std::strrchr(chunk.name, '.') - chunk.name));
    lua_insert(L, -2);
    lua_rawset(L, -3);
  }
  lua_pop(L, 2);
  return failures;
}

}  // namespace voxlatorlua
