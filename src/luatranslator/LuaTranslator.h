// The script translator: an Xlator whose descriptions run the embedded Lua
// modules in a private interpreter state.
#pragma once

#include <lua.hpp>

#include "luatranslator/EmbeddedChunks.h"
#include "status/Status.h"
#include "translator/Xlator.h"

namespace voxlatorlua {

// A fresh interpreter state with the standard libraries, "lfs", "stdint",
// "cjson" and "voxlatorluautils", the embedded modules in package.preload,
// and the environment set up by voxlatorlua_setupEnv(name,
// registrationInfo). Null with the reason in `status` when any step fails;
// nothing is left behind then. The translator's destroy closes the state.
Xlator* createLuaTranslator(const char* name, const char* registrationInfo,
                            voerr::Status& status);
// The same with another set of modules (the build's own by default).
Xlator* createLuaTranslator(const char* name, const char* registrationInfo,
                            EmbeddedChunks chunks, voerr::Status& status);

// Defines the global script function `name` in a translator made by
// createLuaTranslator. False with the reason in `status` when it fails.
bool defineGlobalFunction(Xlator* translator, const char* name, lua_CFunction function,
                          voerr::Status& status);

// The interpreter state of a translator made by createLuaTranslator.
lua_State* stateOf(Xlator* translator);

}  // namespace voxlatorlua
