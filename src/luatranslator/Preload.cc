// The embedded modules into package.preload: compiled now, or when first
// required when the build vouches that they compile.
#include "luatranslator/Preload.h"

#include <lua.hpp>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace voxlatorlua {
namespace {

bool endsWith(const char* text, const char* suffix) {
  std::size_t length = std::strlen(text);
  std::size_t suffixLength = std::strlen(suffix);
  return length >= suffixLength && std::strcmp(text + length - suffixLength, suffix) == 0;
}

void reportFailure(lua_State* L, const EmbeddedChunk& chunk) {
  const char* message = lua_tostring(L, -1);
  std::fprintf(stderr, "ERROR: Failed to load \"%s\": %s\n", chunk.name, message ? message : "");
}

int load(lua_State* L, const EmbeddedChunk& chunk) {
  return luaL_loadbuffer(L, reinterpret_cast<const char*>(chunk.bytes), chunk.size, chunk.name);
}

// package.preload entry of a deferred chunk: compiles it and runs it with
// require's arguments, as the compiled chunk itself would be run.
int loadWhenRequired(lua_State* L) {
  const auto* chunk = static_cast<const EmbeddedChunk*>(lua_touserdata(L, lua_upvalueindex(1)));
  const int arguments = lua_gettop(L);
  if (load(L, *chunk) != 0) {
    reportFailure(L, *chunk);
    return lua_error(L);
  }
  lua_insert(L, 1);
  lua_call(L, arguments, LUA_MULTRET);
  return lua_gettop(L);
}

// The 12-byte header this interpreter writes and accepts: signature,
// version, format, endianness, sizes of int, size_t, Instruction and
// lua_Number, and whether lua_Number is integral.
bool hasThisInterpretersHeader(const EmbeddedChunk& chunk) {
  const std::uint16_t probe = 1;
  unsigned char littleEndian = 0;
  std::memcpy(&littleEndian, &probe, 1);
  const unsigned char header[] = {
      0x1B, 'L', 'u', 'a', 0x51, 0, littleEndian,
      static_cast<unsigned char>(sizeof(int)),
      static_cast<unsigned char>(sizeof(std::size_t)),
      static_cast<unsigned char>(sizeof(std::uint32_t)),
      static_cast<unsigned char>(sizeof(lua_Number)),
      static_cast<unsigned char>(static_cast<lua_Number>(0.5) == 0),
  };
  return chunk.size >= sizeof header && std::memcmp(chunk.bytes, header, sizeof header) == 0;
}

}  // namespace

bool loadsWhenRequired(const EmbeddedChunk& chunk) {
  return chunk.checkedByBuild && (!chunk.bytecode || hasThisInterpretersHeader(chunk));
}

int preloadChunks(lua_State* L, EmbeddedChunks chunks) {
  int failures = 0;
  lua_getglobal(L, "package");
  lua_getfield(L, -1, "preload");
  for (const EmbeddedChunk& chunk : chunks) {
    if (!endsWith(chunk.name, ".lua") && !endsWith(chunk.name, ".luac")) {
      continue;
    }
    if (loadsWhenRequired(chunk)) {
      lua_pushlightuserdata(L, const_cast<EmbeddedChunk*>(&chunk));
      lua_pushcclosure(L, loadWhenRequired, 1);
    } else if (load(L, chunk) != 0) {
      reportFailure(L, chunk);
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
