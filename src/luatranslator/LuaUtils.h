// The "voxlatorluautils" script library: the host's directory and
// error-file functions for the translator scripts.
#pragma once

struct lua_State;

namespace voxlatorlua {

// Opener of the library: sets the global table "voxlatorluautils" (also
// package.loaded.voxlatorluautils) with mbsToUtf8, lookupVariable,
// expandPath, convertLangToDir, findErrorDescriptionFromErrorsDir,
// findErrorDescriptionFromDir and findErrorDescriptionFromFile, and returns
// it. A function whose work fails raises a script error whose message is
// the JSON report of the failure.
int openLuaUtils(lua_State* L);

}  // namespace voxlatorlua
