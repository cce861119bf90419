// Filling package.preload: keys, skipped names, a chunk that does not
// compile, and chunks the build checked, compiled when first required.
#include "luatranslator/Preload.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "LuaTestSupport.h"

namespace voxlatorlua {
namespace {

EmbeddedChunk sourceChunk(const char* name, const char* text) {
  return {name, reinterpret_cast<const unsigned char*>(text), std::strlen(text), false};
}

TEST(PreloadTest, StoresCompiledChunksUnderTheirModuleNames) {
  testing::State state(luaL_newstate());
  lua_State* L = state.get();
  luaL_openlibs(L);
  const char dump[] = "\x1bLua\x51";  // a bytecode header cut short
  const EmbeddedChunk chunks[] = {
      sourceChunk("first.lua", "return 'first'"),
      sourceChunk("broken.lua", "return +"),
      sourceChunk("with.dots.lua", "return 'dots'"),
      sourceChunk("notes.txt", "return 'ignored'"),
      {"cut.luac", reinterpret_cast<const unsigned char*>(dump), sizeof dump - 1, true},
      sourceChunk("last.lua", "return 'last'"),
  };
  ::testing::internal::CaptureStderr();
  int failures = preloadChunks(L, EmbeddedChunks{chunks, std::size(chunks)});
  std::string errors = ::testing::internal::GetCapturedStderr();

  EXPECT_EQ(failures, 2);
  ASSERT_EQ(lua_gettop(L), 1);
  std::string lastMessage = lua_tostring(L, -1);
  lua_pop(L, 1);
  EXPECT_NE(lastMessage.find("cut.luac"), std::string::npos) << lastMessage;
  EXPECT_EQ(errors.rfind("ERROR: Failed to load \"broken.lua\": [string \"broken.lua\"]:1: ", 0), 0u) << errors;
  EXPECT_NE(errors.find("\nERROR: Failed to load \"cut.luac\": " + lastMessage + "\n"), std::string::npos)
      << errors;

  EXPECT_EQ(testing::run(L, "return require('first') .. require('with.dots') .. require('last')").text,
            "firstdotslast");
  EXPECT_EQ(testing::run(L, "return package.preload.broken == nil and package.preload.cut == nil and "
                            "package.preload.notes == nil").text,
            "true");
}

// A chunk the build checked waits for require, which passes it the module
// name as a compiled chunk would get it. Should it still fail to compile
// (out of memory), require fails with the same line on standard error.
TEST(PreloadTest, ChunksCheckedByTheBuildCompileWhenRequired) {
  testing::State state(luaL_newstate());
  lua_State* L = state.get();
  luaL_openlibs(L);
  static const char kEcho[] = "compiled = (compiled or 0) + 1 return ...";
  static const char kBroken[] = "return +";
  const EmbeddedChunk chunks[] = {
      {"echo.lua", reinterpret_cast<const unsigned char*>(kEcho), sizeof kEcho - 1, false, true},
      {"late.lua", reinterpret_cast<const unsigned char*>(kBroken), sizeof kBroken - 1, false, true},
  };
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(preloadChunks(L, EmbeddedChunks{chunks, std::size(chunks)}), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(lua_gettop(L), 0);

  EXPECT_EQ(testing::run(L, "return tostring(compiled)").text, "nil");
  EXPECT_EQ(testing::run(L, "return require('echo') .. require('echo') .. compiled").text,
            "echoecho1");
  ::testing::internal::CaptureStderr();
  const testing::Outcome late = testing::run(L, "return require('late')");
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(late.ok);
  EXPECT_EQ(late.text.rfind("[string \"late.lua\"]:1: ", 0), 0u) << late.text;
  EXPECT_EQ(errors, "ERROR: Failed to load \"late.lua\": " + late.text + "\n");
}

}  // namespace
}  // namespace voxlatorlua
