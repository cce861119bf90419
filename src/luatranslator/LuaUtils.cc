// The "voxlatorluautils" script library: directories and error files for the
// translator scripts.
//
// Lua raises script errors with longjmp, which skips C++ destructors. Every
// function therefore checks its arguments first (an argument error raises
// while no C++ object exists), does its work in `runScoped`, whose objects
// are gone when it returns, and only then raises. Texts enter the
// interpreter through a protected call, so a memory error there comes back
// as a result code instead of a longjmp over the scope.
#include "luatranslator/LuaUtils.h"

#include <cxxabi.h>

#include <lua.hpp>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

#include "directories/StandardDirectories.h"
#include "errorfiles/ErrorFiles.h"
#include "status/Exception.h"
#include "status/Raise.h"
#include "status/ReportObject.h"
#include "text/BasicString.h"

namespace voxlatorlua {
namespace {

// A text handed from a scope to the interpreter; null data is nil.
struct Text {
  const char* data;
  size_t size;
};

int pushText(lua_State* L) {
  const Text* text = static_cast<const Text*>(lua_touserdata(L, 1));
  if (text->data) {
    lua_pushlstring(L, text->data, text->size);
  } else {
    lua_pushnil(L);
  }
  return 1;
}

void absorbCurrentException(voerr::Status& status) {
  try {
    voerr::translateCurrentException(status);
  } catch (abi::__forced_unwind&) {
    throw;
  } catch (...) {
    TOVIK_RAISE_PLAIN(voerr::codes::kInternalSoftwareError).into(status);
  }
}

// Runs `work(result, status)`, which returns whether it found a result, and
// leaves on the stack the result (nil when none), or, when the status ends
// in an error, its JSON report. Returns false when the top is an error to
// raise. Every C++ object of the work lives and dies inside this frame.
template <typename Work>
bool runScoped(lua_State* L, Work work) {
  lua_pushcfunction(L, pushText);  // may raise: nothing to clean up yet
  voerr::Status status;
  vohtl::BasicString result;
  bool found = false;
  try {
    found = work(result, status);
  } catch (abi::__forced_unwind&) {
    throw;  // a cancelled thread unwinds on
  } catch (...) {
    absorbCurrentException(status);
  }
  Text text{nullptr, 0};
  if (status.isError()) {
    text = {status.reportText(), std::strlen(status.reportText())};
  } else if (found) {
    text = {result.c_str(), result.length()};
  }
  lua_pushlightuserdata(L, &text);
  const bool pushed = lua_pcall(L, 1, 1, 0) == 0;
  return pushed && !status.isError();
}

int finish(lua_State* L, bool ok) { return ok ? 1 : lua_error(L); }

// A status code: an integer that fits in 32 bits.
int32_t checkCode(lua_State* L, int index) {
  const lua_Integer code = luaL_checkinteger(L, index);
  luaL_argcheck(L, code >= std::numeric_limits<int32_t>::min() &&
                       code <= std::numeric_limits<int32_t>::max(),
                index, "status code out of range");
  return static_cast<int32_t>(code);
}

// A language; values beyond 32 bits are held at the nearest 32-bit value,
// which is just as invalid and reads the same in the report.
uint32_t checkLanguage(lua_State* L, int index) {
  lua_Integer language = luaL_checkinteger(L, index);
  if (language < std::numeric_limits<int32_t>::min()) {
    language = std::numeric_limits<int32_t>::min();
  } else if (language > std::numeric_limits<int32_t>::max()) {
    language = std::numeric_limits<int32_t>::max();
  }
  return static_cast<uint32_t>(static_cast<int32_t>(language));
}

// A directory for the file functions of the error-file reader, which take
// zero-terminated paths: one holding a zero byte would name another.
bool usablePath(std::string_view path, voerr::Status& status) {
  if (path.find('\0') == std::string_view::npos) return true;
  if (status.raise(voerr::codes::kInvalidParameter.code,
                   TOVIK_SITE(voerr::codes::kInvalidParameter.text))) {
    voerr::ReportObject(status, "voxlator_debug")
        .add("debug", "path holds a zero byte")
        .add("path", path.substr(0, path.find('\0')));
  }
  return false;
}

std::string_view checkText(lua_State* L, int index) {
  size_t length = 0;
  const char* text = luaL_checklstring(L, index, &length);
  return {text, length};
}

// mbsToUtf8(language, text): texts are UTF-8 already.
int mbsToUtf8(lua_State* L) {
  luaL_checkinteger(L, 1);
  luaL_checkstring(L, 2);
  lua_settop(L, 2);
  return 1;
}

// lookupVariable(translatorName, name) and expandPath(translatorName, path);
// the translator's name is checked, not used.
template <vohtl::BasicString (*kCompute)(std::string_view, voerr::Status&)>
int directoryText(lua_State* L) {
  luaL_checkstring(L, 1);
  const std::string_view text = checkText(L, 2);
  return finish(L, runScoped(L, [text](vohtl::BasicString& value, voerr::Status& status) {
                  value = kCompute(text, status);
                  return true;
                }));
}

// convertLangToDir(language)
int convertLangToDir(lua_State* L) {
  const uint32_t language = checkLanguage(L, 1);
  return finish(L, runScoped(L, [language](vohtl::BasicString& name, voerr::Status& status) {
                  return name.assign(voxlator::languageDirectoryName(language, status), status);
                }));
}

// findErrorDescriptionFromErrorsDir(errorsDirectory, code, language)
int findErrorDescriptionFromErrorsDir(lua_State* L) {
  const std::string_view directory = checkText(L, 1);
  const int32_t code = checkCode(L, 2);
  const uint32_t language = checkLanguage(L, 3);
  return finish(L, runScoped(L, [=](vohtl::BasicString& description, voerr::Status& status) {
                  if (!usablePath(directory, status)) return false;
                  voxlator::searchErrorsDirectory(directory.data(), code, language, description,
                                                  status);
                  return !description.empty();
                }));
}

// findErrorDescriptionFromDir(directory, code), and findErrorDescriptionFromFile
// with the same arguments and the same scan.
int findErrorDescriptionFromDir(lua_State* L) {
  const std::string_view directory = checkText(L, 1);
  const int32_t code = checkCode(L, 2);
  return finish(L, runScoped(L, [=](vohtl::BasicString& description, voerr::Status& status) {
                  if (!usablePath(directory, status)) return false;
                  voxlator::scanErrorDirectory(directory.data(), code, description, status);
                  return !description.empty();
                }));
}

const luaL_Reg kFunctions[] = {
    {"mbsToUtf8", mbsToUtf8},
    {"lookupVariable", directoryText<vosysq::lookupVariable>},
    {"expandPath", directoryText<vosysq::expandPath>},
    {"convertLangToDir", convertLangToDir},
    {"findErrorDescriptionFromErrorsDir", findErrorDescriptionFromErrorsDir},
    {"findErrorDescriptionFromDir", findErrorDescriptionFromDir},
    {"findErrorDescriptionFromFile", findErrorDescriptionFromDir},
    {nullptr, nullptr},
};

}  // namespace

int openLuaUtils(lua_State* L) {
  luaL_register(L, "voxlatorluautils", kFunctions);
  return 1;
}

}  // namespace voxlatorlua
