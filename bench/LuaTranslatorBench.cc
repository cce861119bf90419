// What one translation by the script translator costs, from a fresh
// interpreter state to the rendered text, with its modules embedded as
// source text and as bytecode, against floors measured in the same run:
//   bare state: luaL_newstate with the standard libraries, closed again, the
//     least any fresh-state-per-translation design pays;
//   C translator: the same rendering by a translator written in C that
//     answers with fixed texts (manager, formatter and allocations, no Lua).
// The stages of a translator's creation are shown on their own.
// Run with the build's error files as the shared directory
// (scripts/run-benchmarks.sh binds share.dir).
#include <benchmark/benchmark.h>

#include <lua.hpp>

#include <cstdlib>
#include <cstring>
#include <string>

#include "luatranslator/EmbeddedChunks.h"
#include "luatranslator/LuaTranslator.h"
#include "status/Raise.h"
#include "text/BasicString.h"
#include "translator/Registration.h"
#include "translator/Translate.h"

namespace {

using voxlatorlua::EmbeddedChunks;

void check(bool condition) {
  if (!condition) std::abort();
}

template <EmbeddedChunks (*kChunks)()>
Xlator* createScripted(const char* name, const char*, voerr::Status& status) {
  Xlator* translator =
      voxlatorlua::createLuaTranslator(name, voxlator::tovikRegistrationInfo(), kChunks(), status);
  if (translator && !voxlatorlua::defineGlobalFunction(translator, "vomxl_unmapErrorCode",
                                                       &vomxl::unmapErrorCodeForScripts, status)) {
    translator->destroy(translator);
    return nullptr;
  }
  return translator;
}

char* copyText(const char* text, XlatorAllocFn alloc, void* data, voerr::Status* status) {
  const size_t length = std::strlen(text);
  char* out = static_cast<char*>(alloc(nullptr, length + 1, data, status));
  if (out) std::memcpy(out, text, length + 1);
  return out;
}

char* fixedStatic(Xlator*, int32_t, uint32_t, XlatorAllocFn alloc, void* data,
                  voerr::Status* status) {
  return copyText("The DriverSetup string cannot be parsed.", alloc, data, status);
}

char* fixedDynamic(Xlator*, const char*, uint32_t, const char*, XlatorAllocFn alloc, void* data,
                   voerr::Status* status) {
  return copyText(R"({"dynamic":[{"type":"usage","key":"Repeated DriverSetup tag.","value":"Model"}],)"
                  R"("debug":{}})",
                  alloc, data, status);
}

Xlator kFixed{sizeof(Xlator), [](Xlator*) {}, &fixedStatic, &fixedDynamic};

Xlator* createFixed(const char*, const char*, voerr::Status&) { return &kFixed; }

const voxlator::XlatorRegistration kFromSource("bench_source", "", &createScripted<voxlatorlua::sourceChunks>);
const voxlator::XlatorRegistration kFromBytecode("bench_bytecode", "",
                                                 &createScripted<voxlatorlua::bytecodeChunks>);
const voxlator::XlatorRegistration kInC("bench_c", "", &createFixed);

// A repeated DriverSetup tag, as the DriverSetup parser reports it, named
// for the given translator.
void makeReport(voerr::Status& report, const char* translator) {
  voerr::Raiser raiser(voerr::codes::kInvalidDriverSetupString.code,
                       TOVIK_SITE(voerr::codes::kInvalidDriverSetupString.text), translator);
  raiser.usage("kSidlRepeatedTag", "Model");
  raiser.into(report);
}

// flags 1: the static description (what tovik_GetError asks for), 2: the
// dynamic one (what a failed call records), 3: both.
void BM_Translation(benchmark::State& state, const char* translator, uint32_t flags) {
  voerr::Status report;
  makeReport(report, translator);
  for (auto _ : state) {
    vohtl::BasicString text;
    voerr::Status status;
    vomxl::translateStatusToFormattedText(report, 0, flags, text, status);
    check(status.code == 0 && !text.empty());
    benchmark::DoNotOptimize(text.c_str());
  }
}
BENCHMARK_CAPTURE(BM_Translation, source, "bench_source", 3);
BENCHMARK_CAPTURE(BM_Translation, bytecode, "bench_bytecode", 3);
BENCHMARK_CAPTURE(BM_Translation, bytecode_static, "bench_bytecode", 1);
BENCHMARK_CAPTURE(BM_Translation, bytecode_dynamic, "bench_bytecode", 2);
BENCHMARK_CAPTURE(BM_Translation, floor_c_translator, "bench_c", 3);

void BM_Floor_BareState(benchmark::State& state) {
  for (auto _ : state) {
    lua_State* L = luaL_newstate();
    check(L != nullptr);
    luaL_openlibs(L);
    lua_close(L);
  }
}
BENCHMARK(BM_Floor_BareState);

void BM_CreateTranslator(benchmark::State& state, EmbeddedChunks (*chunks)()) {
  for (auto _ : state) {
    voerr::Status status;
    Xlator* translator = voxlatorlua::createLuaTranslator(
        "mxlator_tovik", voxlator::tovikRegistrationInfo(), chunks(), status);
    check(translator != nullptr);
    translator->destroy(translator);
  }
}
BENCHMARK_CAPTURE(BM_CreateTranslator, source, voxlatorlua::sourceChunks);
BENCHMARK_CAPTURE(BM_CreateTranslator, bytecode, voxlatorlua::bytecodeChunks);

}  // namespace

BENCHMARK_MAIN();
