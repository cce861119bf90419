// Puts the embedded script modules into an interpreter's package.preload.
#pragma once

#include "luatranslator/EmbeddedChunks.h"

struct lua_State;

namespace voxlatorlua {

// Stores a loader for every chunk whose name ends in ".lua" (source text) or
// ".luac" (bytecode) in package.preload under the name cut at its last '.';
// chunks with other names are ignored.
//
// A chunk that the build checked (and, for bytecode, whose header matches
// this interpreter) is compiled when it is first required: it would load
// now, so waiting changes nothing a script can see and spares a translation
// the modules it never uses. Any other chunk is compiled here. A chunk that
// fails to compile is skipped after one line on standard error
// ('ERROR: Failed to load "<chunk>": <message>'), and the others are still
// loaded; a deferred chunk that fails when required (out of memory) prints
// the same line and raises the message.
//
// Returns the number of failures; when there are any, the last failure's
// message is left on top of the stack, otherwise the stack is as it was.
// Holds nothing with a destructor, so it may run inside a protected call
// where a memory error unwinds with longjmp.
int preloadChunks(lua_State* L, EmbeddedChunks chunks);

// Whether a chunk may wait until it is required (see above).
bool loadsWhenRequired(const EmbeddedChunk& chunk);

}  // namespace voxlatorlua
