// The "stdint" script module: 64-bit signed ("i64") and unsigned ("u64")
// integers for the translator scripts.
#pragma once

struct lua_State;

namespace voxlatorlua {

// Opener of the module: registers the metatables "i64" and "u64", sets the
// global table "stdint" (also package.loaded.stdint) with the constructors
// `stdint.i64(x)` and `stdint.u64(x)`, and returns it.
int openStdint(lua_State* L);

}  // namespace voxlatorlua
