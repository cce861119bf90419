// Puts the embedded script modules into an interpreter's package.preload.
#pragma once

#include "luatranslator/EmbeddedChunks.h"

struct lua_State;

namespace voxlatorlua {

// Compiles every chunk whose name ends in ".lua" (source text) or ".luac"
// (bytecode) and stores the compiled function in package.preload under the
// name cut at its last '.'; chunks with other names are ignored. A chunk
// that fails to compile is skipped after one line on standard error
// ('ERROR: Failed to load "<chunk>": <message>'), and the others are still
// loaded. Returns the number of failures; when there are any, the last
// failure's message is left on top of the stack, otherwise the stack is as
// it was. Holds nothing with a destructor, so it may run inside a protected
// call where a memory error unwinds with longjmp.
int preloadChunks(lua_State* L, EmbeddedChunks chunks);

}  // namespace voxlatorlua
