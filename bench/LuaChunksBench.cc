// What a translation's fresh interpreter costs before any script runs: a new
// lua_State with the standard libraries (the floor), then the same with the
// ten embedded modules in package.preload, compiled at once from source text
// and from bytecode, and as the host stores them, compiled when required.
#include <benchmark/benchmark.h>

#include <lua.hpp>

#include <cstdlib>
#include <vector>

#include "luatranslator/EmbeddedChunks.h"
#include "luatranslator/Preload.h"

namespace {

lua_State* freshState() {
  lua_State* L = luaL_newstate();
  if (L == nullptr) {
    std::abort();
  }
  luaL_openlibs(L);
  return L;
}

void BM_FreshStateOnly(benchmark::State& state) {
  for (auto _ : state) {
    lua_State* L = freshState();
    benchmark::DoNotOptimize(L);
    lua_close(L);
  }
}
BENCHMARK(BM_FreshStateOnly);

void BM_FreshStateWithChunks(benchmark::State& state, voxlatorlua::EmbeddedChunks (*variant)(),
                             bool whenRequired) {
  std::vector<voxlatorlua::EmbeddedChunk> chunks(variant().begin(), variant().end());
  std::size_t bytes = 0;
  for (voxlatorlua::EmbeddedChunk& chunk : chunks) {
    bytes += chunk.size;
    chunk.checkedByBuild = whenRequired;
  }
  for (auto _ : state) {
    lua_State* L = freshState();
    if (voxlatorlua::preloadChunks(L, {chunks.data(), chunks.size()}) != 0) {
      std::abort();
    }
    benchmark::DoNotOptimize(L);
    lua_close(L);
  }
  state.counters["embedded_bytes"] = static_cast<double>(bytes);
}
BENCHMARK_CAPTURE(BM_FreshStateWithChunks, source, voxlatorlua::sourceChunks, false);
BENCHMARK_CAPTURE(BM_FreshStateWithChunks, bytecode, voxlatorlua::bytecodeChunks, false);
BENCHMARK_CAPTURE(BM_FreshStateWithChunks, when_required, voxlatorlua::bytecodeChunks, true);

}  // namespace

BENCHMARK_MAIN();
