// Picks the embedded module variant the build was configured with.
#include "luatranslator/EmbeddedChunks.h"

namespace voxlatorlua {

EmbeddedChunks embeddedChunks() {
#if TOVIK_LUA_BYTECODE
  return bytecodeChunks();
#else
  return sourceChunks();
#endif
}

}  // namespace voxlatorlua
