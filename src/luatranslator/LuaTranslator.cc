// The script translator: a Lua 5.1 state per translator, its libraries and
// modules, the environment set-up, and the description calls.
//
// Everything that may raise a script error runs in a protected call
// (lua_cpcall) whose C function holds no C++ object, so no longjmp ever
// crosses a destructor and the interpreter never reaches its panic
// function. Outside those calls the host only moves values that already
// exist (no allocation, hence no memory error).
#include "luatranslator/LuaTranslator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string_view>

#include "errorfiles/Languages.h"
#include "luatranslator/LuaUtils.h"
#include "luatranslator/Preload.h"
#include "luatranslator/StateAllocator.h"
#include "luatranslator/Stdint.h"
#include "status/Raise.h"
#include "status/ReportObject.h"

extern "C" {
#include <lfs.h>
#include <lua-cjson.h>
}

namespace voxlatorlua {
namespace {

struct LuaTranslator {
  Xlator xlator;  // first: the record the translator manager holds
  lua_State* state;
  StateAllocator memory;
};

LuaTranslator* translatorOf(Xlator* xlator) { return reinterpret_cast<LuaTranslator*>(xlator); }

// Opened into every state, in this order, each by its opener called with
// its name.
const luaL_Reg kLibraries[] = {
    {"", luaopen_base},
    {LUA_LOADLIBNAME, luaopen_package},
    {LUA_TABLIBNAME, luaopen_table},
    {LUA_IOLIBNAME, luaopen_io},
    {LUA_OSLIBNAME, luaopen_os},
    {LUA_STRLIBNAME, luaopen_string},
    {LUA_MATHLIBNAME, luaopen_math},
    {LUA_DBLIBNAME, luaopen_debug},
    {"lfs", luaopen_lfs},
    {"stdint", openStdint},
    {"cjson", luaopen_cjson},
    {"voxlatorluautils", openLuaUtils},
};

// Registry slot of a description call's result between the protected call
// and the copy (its address is the key).
const char kResultKey = 0;

// ---------------------------------------------------------------- reports

struct Member {
  const char* name;
  std::string_view value;
};

// The error object on top as text. A number is formatted here: converting
// it on the stack would allocate outside a protected call.
std::string_view messageOnTop(lua_State* L, char (&buffer)[32]) {
  if (lua_type(L, -1) == LUA_TSTRING) {
    size_t length = 0;
    const char* text = lua_tolstring(L, -1, &length);
    return {text, length};
  }
  if (lua_type(L, -1) == LUA_TNUMBER) {
    const int length = std::snprintf(buffer, sizeof buffer, LUA_NUMBER_FMT, lua_tonumber(L, -1));
    return {buffer, length > 0 ? static_cast<size_t>(length) : 0};
  }
  return {};
}

// -52003 with "internal_error" {"api": "lua", "code", "string"} and
// "voxlatorlua_debug" {"debug": debug, extra...}.
void raiseLuaFailure(voerr::Status& status, int code, std::string_view message, const char* debug,
                     std::initializer_list<Member> extra = {}) {
  if (!status.raise(voerr::codes::kSoftwareFault.code,
                    TOVIK_SITE(voerr::codes::kSoftwareFault.text))) {
    return;
  }
  voerr::ReportObject(status, "internal_error")
      .add("api", "lua")
      .add("code", static_cast<int32_t>(code))
      .add("string", message);
  voerr::ReportObject details(status, "voxlatorlua_debug");
  details.add("debug", debug);
  for (const Member& member : extra) details.add(member.name, member.value);
}

// The failure of a protected call: its message popped into the report.
void raiseFromTop(lua_State* L, voerr::Status& status, int code, const char* debug,
                  std::initializer_list<Member> extra = {}) {
  char buffer[32];
  raiseLuaFailure(status, code, messageOnTop(L, buffer), debug, extra);
  lua_settop(L, 0);
}

void raiseWithDebug(voerr::Status& status, int32_t code, const voerr::RaiseSite& site,
                    const char* debug) {
  if (status.raise(code, site)) {
    voerr::ReportObject(status, "voxlatorlua_debug").add("debug", debug);
  }
}

// ------------------------------------------------- protected C functions
// Called through lua_cpcall with their argument block as light userdata;
// they hold no C++ objects.

int openLibrary(lua_State* L) {
  const auto* library = static_cast<const luaL_Reg*>(lua_touserdata(L, 1));
  lua_pushcfunction(L, library->func);
  lua_pushstring(L, library->name);
  lua_call(L, 1, 1);
  // Reachable by require and by its global name, whether or not the
  // opener registers itself so (lua-cjson's depends on its build).
  if (library->name[0] != '\0' && lua_istable(L, -1)) {
    lua_getglobal(L, library->name);
    if (lua_isnil(L, -1)) {
      lua_pushvalue(L, -2);
      lua_setglobal(L, library->name);
    }
    lua_pop(L, 1);
    lua_getglobal(L, LUA_LOADLIBNAME);
    lua_getfield(L, -1, "loaded");
    lua_getfield(L, -1, library->name);
    if (lua_isnil(L, -1)) {
      lua_pushvalue(L, -4);
      lua_setfield(L, -3, library->name);
    }
  }
  return 0;
}

struct Preloading {
  EmbeddedChunks chunks;
  int failures;
};

int preload(lua_State* L) {
  auto* preloading = static_cast<Preloading*>(lua_touserdata(L, 1));
  lua_pop(L, 1);
  preloading->failures = preloadChunks(L, preloading->chunks);
  if (preloading->failures > 0) return lua_error(L);  // the last message
  return 0;
}

struct SetUp {
  const char* name;
  const char* registrationInfo;
};

int setUpEnvironment(lua_State* L) {
  const auto* setUp = static_cast<const SetUp*>(lua_touserdata(L, 1));
  lua_getglobal(L, "require");
  lua_pushliteral(L, "voxlatorlua");
  lua_call(L, 1, 0);
  lua_getglobal(L, "voxlatorlua_setupEnv");
  lua_pushstring(L, setUp->name);
  lua_pushstring(L, setUp->registrationInfo);
  lua_call(L, 2, 0);
  return 0;
}

struct GlobalFunction {
  const char* name;
  lua_CFunction function;
};

int defineGlobal(lua_State* L) {
  const auto* global = static_cast<const GlobalFunction*>(lua_touserdata(L, 1));
  lua_pushcfunction(L, global->function);
  lua_setglobal(L, global->name);
  return 0;
}

// One description call: voxlatorlua_xlator.getStaticDesc(code, lang, ade)
// or voxlatorlua_xlator.getDynamicDesc(report, lang, ade, format).
struct Description {
  bool dynamic;
  int32_t code;
  const char* report;
  const char* format;
  uint32_t language;
  int scriptResult;  // the script call's result code
};

int describe(lua_State* L) {
  auto* call = static_cast<Description*>(lua_touserdata(L, 1));
  lua_settop(L, 0);
  lua_getglobal(L, "voxlatorlua_xlator");
  lua_getfield(L, 1, call->dynamic ? "getDynamicDesc" : "getStaticDesc");
  lua_remove(L, 1);
  if (call->dynamic) {
    lua_pushstring(L, call->report);
  } else {
    lua_pushinteger(L, call->code);
  }
  lua_pushinteger(L, static_cast<lua_Integer>(voxlator::languageOf(call->language)));
  lua_pushinteger(L, static_cast<lua_Integer>(voxlator::adeOf(call->language)));
  if (call->dynamic) lua_pushstring(L, call->format);
  const int arguments = lua_gettop(L) - 1;

  int handler = 0;
  lua_getglobal(L, "voxlatorlua_errHandler");
  if (lua_isfunction(L, -1)) {
    lua_insert(L, 1);  // below the function
    handler = 1;
  } else {
    lua_pop(L, 1);
  }
  call->scriptResult = lua_pcall(L, arguments, 1, handler);
  if (call->scriptResult != 0) return lua_error(L);  // fails the outer call

  // A static description is text (a number in its text form, anything else
  // empty); a dynamic one text or a status code.
  const int type = lua_type(L, -1);
  if (type == LUA_TNUMBER && !call->dynamic) {
    lua_tostring(L, -1);
  } else if (type != LUA_TSTRING && type != LUA_TNUMBER) {
    lua_pop(L, 1);
    lua_pushliteral(L, "");
  }
  lua_pushlightuserdata(L, const_cast<char*>(&kResultKey));
  lua_insert(L, -2);
  lua_rawset(L, LUA_REGISTRYINDEX);
  return 0;
}

// ------------------------------------------------------- the translator

bool openLibraries(lua_State* L, voerr::Status& status) {
  for (const luaL_Reg& library : kLibraries) {
    const int result = lua_cpcall(L, openLibrary, const_cast<luaL_Reg*>(&library));
    if (result != 0) {
      raiseFromTop(L, status, result, "failed to load lua lib", {{"lib", library.name}});
      return false;
    }
  }
  return true;
}

bool fillPreload(lua_State* L, EmbeddedChunks chunks, voerr::Status& status) {
  Preloading preloading{chunks, 0};
  const int result = lua_cpcall(L, preload, &preloading);
  if (result == 0) return true;
  raiseFromTop(L, status, preloading.failures > 0 ? 1 : result,
               "failed to add embedded modules to preload table");
  return false;
}

bool setUp(lua_State* L, const char* name, const char* registrationInfo, voerr::Status& status) {
  SetUp setUp{name, registrationInfo};
  const int result = lua_cpcall(L, setUpEnvironment, &setUp);
  if (result == 0) return true;
  raiseFromTop(L, status, result, "lua setupEnv failed",
               {{"name", name}, {"registrationInfo", registrationInfo}});
  return false;
}

// Runs one description call and hands its text to `alloc`; a dynamic
// description may instead answer with a status code.
char* runDescription(Xlator* xlator, Description& call, XlatorAllocFn alloc, void* allocData,
                     voerr::Status* given) {
  voerr::Status unused;
  voerr::Status& status = given ? *given : unused;
  if (status.isError()) return nullptr;
  lua_State* L = xlator ? translatorOf(xlator)->state : nullptr;
  if (!L || !alloc) {
    raiseWithDebug(status, voerr::codes::kInvalidParameter.code,
                   TOVIK_SITE(voerr::codes::kInvalidParameter.text),
                   "no script translator or no allocator");
    return nullptr;
  }
  lua_settop(L, 0);
  call.scriptResult = 0;
  const int result = lua_cpcall(L, describe, &call);
  if (result != 0) {
    raiseFromTop(L, status, call.scriptResult ? call.scriptResult : result,
                 call.dynamic ? "failed to get dynamic desc" : "failed to get static desc");
    return nullptr;
  }

  lua_pushlightuserdata(L, const_cast<char*>(&kResultKey));
  lua_rawget(L, LUA_REGISTRYINDEX);
  char* text = nullptr;
  if (call.dynamic && lua_isnumber(L, -1)) {
    const int32_t code = static_cast<int32_t>(lua_tointeger(L, -1));
    if (code != 0) {
      raiseWithDebug(status, code, TOVIK_SITE("(int32_t)lua_tointeger(L, -1)"), "failed to get dynamic desc");
    }
  } else {
    size_t length = 0;
    const char* answer = lua_tolstring(L, -1, &length);
    text = static_cast<char*>(alloc(nullptr, length + 1, allocData, &status));
    if (text) {
      std::memcpy(text, answer, length);
      text[length] = '\0';
    }
  }
  lua_pop(L, 1);
  // Clearing an existing key allocates nothing.
  lua_pushlightuserdata(L, const_cast<char*>(&kResultKey));
  lua_pushnil(L);
  lua_rawset(L, LUA_REGISTRYINDEX);
  return text;
}

char* getStaticDesc(Xlator* xlator, int32_t code, uint32_t language, XlatorAllocFn alloc,
                    void* allocData, voerr::Status* status) {
  Description call{false, code, nullptr, nullptr, language, 0};
  return runDescription(xlator, call, alloc, allocData, status);
}

char* getDynamicDesc(Xlator* xlator, const char* reportJson, uint32_t language,
                     const char* format, XlatorAllocFn alloc, void* allocData,
                     voerr::Status* status) {
  Description call{true, 0, reportJson ? reportJson : "", format ? format : "", language, 0};
  return runDescription(xlator, call, alloc, allocData, status);
}

// An unprotected error would end the process after this; every call that
// can raise runs protected, so reaching it is a fault of this file.
int panic(lua_State* L) {
  const char* message = lua_tostring(L, -1);
  std::fprintf(stderr, "PANIC: unprotected error in call to Lua API (%s)\n", message ? message : "");
  return 0;
}

void release(LuaTranslator* translator) {
  if (translator->state) {
    translator->memory.closing();
    lua_close(translator->state);
  }
  translator->~LuaTranslator();
  std::free(translator);
}

void destroy(Xlator* xlator) {
  if (xlator) release(translatorOf(xlator));
}

}  // namespace

Xlator* createLuaTranslator(const char* name, const char* registrationInfo,
                            voerr::Status& status) {
  return createLuaTranslator(name, registrationInfo, embeddedChunks(), status);
}

Xlator* createLuaTranslator(const char* name, const char* registrationInfo,
                            EmbeddedChunks chunks, voerr::Status& status) {
  if (status.isError()) return nullptr;
  if (!name || !registrationInfo) {
    raiseWithDebug(status, voerr::codes::kInvalidParameter.code,
                   TOVIK_SITE(voerr::codes::kInvalidParameter.text),
                   "no translator name or registration info");
    return nullptr;
  }
  void* memory = std::malloc(sizeof(LuaTranslator));
  if (!memory) {
    raiseWithDebug(status, voerr::codes::kMemoryFull.code, TOVIK_SITE(voerr::codes::kMemoryFull.text),
                   "failed to allocate translator memory");
    return nullptr;
  }
  auto* translator = new (memory) LuaTranslator{
      Xlator{sizeof(Xlator), &destroy, &getStaticDesc, &getDynamicDesc}, nullptr, {}};

  lua_State* L = lua_newstate(&StateAllocator::allocate, &translator->memory);
  if (!L) {
    raiseWithDebug(status, voerr::codes::kMemoryFull.code, TOVIK_SITE(voerr::codes::kMemoryFull.text),
                   "failed to create lua state");
    release(translator);
    return nullptr;
  }
  translator->state = L;
  lua_atpanic(L, panic);
  // A state lives for one translation and makes little garbage: its modules,
  // the decoded report and the rendering stay reachable to the end (for a
  // mebibyte report, 12 MB with the collector stopped, 11 MB with it
  // running). Collecting would cost time and free next to nothing; the state
  // goes whole when it is closed.
  lua_gc(L, LUA_GCSTOP, 0);
  if (!openLibraries(L, status) || !fillPreload(L, chunks, status) ||
      !setUp(L, name, registrationInfo, status)) {
    release(translator);
    return nullptr;
  }
  return &translator->xlator;
}

bool defineGlobalFunction(Xlator* xlator, const char* name, lua_CFunction function,
                          voerr::Status& status) {
  if (status.isError()) return false;
  lua_State* L = xlator ? translatorOf(xlator)->state : nullptr;
  if (!L || !name || !function) {
    raiseWithDebug(status, voerr::codes::kInvalidParameter.code,
                   TOVIK_SITE(voerr::codes::kInvalidParameter.text),
                   "no script translator, function name or function");
    return false;
  }
  GlobalFunction global{name, function};
  const int result = lua_cpcall(L, defineGlobal, &global);
  if (result == 0) return true;
  raiseFromTop(L, status, result, "failed to define global function", {{"name", name}});
  return false;
}

lua_State* stateOf(Xlator* xlator) { return xlator ? translatorOf(xlator)->state : nullptr; }

}  // namespace voxlatorlua
