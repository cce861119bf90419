// The translator's script modules compiled into the library, in preload order.
#pragma once

#include <cstddef>

namespace voxlatorlua {

// One module: "<module>.lua" holds source text, "<module>.luac" precompiled
// bytecode of the same text (debug information kept, source named after the
// chunk so that messages read the same either way).
struct EmbeddedChunk {
  const char* name;
  const unsigned char* bytes;
  std::size_t size;
  bool bytecode;
  // The build compiled this chunk with the packaged Lua 5.1 compiler: it
  // loads into any state of the same interpreter unless memory runs out.
  // Such a chunk is static data that outlives every state.
  bool checkedByBuild = false;
};

struct EmbeddedChunks {
  const EmbeddedChunk* chunks;
  std::size_t count;

  const EmbeddedChunk* begin() const { return chunks; }
  const EmbeddedChunk* end() const { return chunks + count; }
};

// The variant this library was built with (CMake option TOVIK_LUA_BYTECODE).
EmbeddedChunks embeddedChunks();

// Both variants, each defined by its own generated library
// (tovik_luachunks_source, tovik_luachunks_bytecode); the product links only
// the one it uses.
EmbeddedChunks sourceChunks();
EmbeddedChunks bytecodeChunks();

}  // namespace voxlatorlua
