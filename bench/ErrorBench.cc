// What a failed call costs end to end (exception, rendering, recording with
// the engine), and what reading a pending error back costs, each against a
// floor measured in the same run: the work no implementation can skip.
//   failed call floor: raise and catch the same exception, record a fixed
//     text with the engine and clear it;
//   pending error floor: record and take the engine's error information and
//     read the code's description from its error file.
//   failed open with its description (a repeated DriverSetup tag, recorded
//     by the script translator, then read back whole with tovik_GetError)
//     floor: raise and catch the same exception, one bare Lua state per
//     translation (two: the recording and the reading), record a fixed
//     text, take it and read the code's description from its error file.
// BM_DescriptionLookup shows the part of the pending error's cost that the
// error-file layout itself implies.
// Run with the build's error files as the shared directory
// (scripts/run-benchmarks.sh binds share.dir).
#include <benchmark/benchmark.h>

#include <lua.hpp>

#include <string>

#include "directories/StandardDirectories.h"
#include "errorfiles/ErrorFiles.h"
#include "ivi_engine.h"
#include "status/Raise.h"
#include "tovik/tovik.h"

namespace {

constexpr ViStatus kInvalidSessionHandle = static_cast<ViStatus>(0xBFFA1190u);
constexpr ViSession kUnknownSession = 12345;

void BM_FailedCall(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(tovik_ConfigureFrequency(kUnknownSession, "0", 1e3));
    Ivi_ClearErrorInfo(0);
  }
}
BENCHMARK(BM_FailedCall);

void BM_FailedCallFloor(benchmark::State& state) {
  for (auto _ : state) {
    ViStatus code = 0;
    try {
      TOVIK_RAISE(voerr::codes::kInvalidSessionHandle).throwIt();
    } catch (const voerr::Exception& error) {
      code = error.status().code;
    }
    Ivi_SetErrorInfo(kUnknownSession, VI_FALSE, code, 0, "Could not retrieve error description.");
    Ivi_ClearErrorInfo(0);
  }
}
BENCHMARK(BM_FailedCallFloor);

void BM_GetPendingError(benchmark::State& state) {
  char text[1024];
  ViStatus code = 0;
  for (auto _ : state) {
    Ivi_SetErrorInfo(0, VI_FALSE, kInvalidSessionHandle, 0, "Elaborated.");
    benchmark::DoNotOptimize(tovik_GetError(0, &code, sizeof text, text));
  }
}
BENCHMARK(BM_GetPendingError);

// The English error file of the build's shared directory.
vohtl::BasicString englishErrorFile() {
  voerr::Status status;
  vohtl::BasicString file;
  vosysq::sharedDirectory(file, status);
  file.append("/errors/English/tovik.err", status);
  return file;
}

// The floors' common part: record an error with a fixed text, take it and
// read its code's description from the error file.
void recordTakeAndDescribe(const vohtl::BasicString& file, ViStatus code, const char* text) {
  Ivi_SetErrorInfo(0, VI_FALSE, code, 0, text);
  ViStatus primary = 0, secondary = 0;
  char elaboration[256];
  Ivi_GetErrorInfo(0, &primary, &secondary, elaboration);
  voerr::Status read;
  vohtl::BasicString description;
  voxlator::readErrorFile(file.c_str(), primary, description, read);
  benchmark::DoNotOptimize(description.c_str());
}

void BM_GetPendingErrorFloor(benchmark::State& state) {
  const vohtl::BasicString file = englishErrorFile();
  for (auto _ : state) {
    recordTakeAndDescribe(file, kInvalidSessionHandle, "Elaborated.");
  }
}
BENCHMARK(BM_GetPendingErrorFloor);

// Not a floor but the share of the lookup the error files are defined by:
// share.dir read afresh, the language directory listed, the file read.
void BM_DescriptionLookup(benchmark::State& state) {
  for (auto _ : state) {
    voerr::Status status;
    vohtl::BasicString errors;
    vosysq::sharedDirectory(errors, status);
    errors.append("/errors", status);
    vohtl::BasicString description;
    voxlator::searchErrorsDirectory(errors.c_str(), kInvalidSessionHandle, 0, description, status);
    benchmark::DoNotOptimize(description.c_str());
  }
}
BENCHMARK(BM_DescriptionLookup);

constexpr ViStatus kInvalidDriverSetup = static_cast<ViStatus>(0xBFFA8CF0u);
constexpr const char* kRepeatedTag = "Simulate=1,DriverSetup=Model:GE;Model:GE";

// The failed call alone: its description recorded, not read.
void BM_FailedOpen(benchmark::State& state) {
  for (auto _ : state) {
    ViSession vi = 0;
    if (tovik_InitWithOptions("", VI_FALSE, VI_FALSE, kRepeatedTag, &vi) != kInvalidDriverSetup) {
      state.SkipWithError("the open did not fail as expected");
    }
    Ivi_ClearErrorInfo(0);
  }
}
BENCHMARK(BM_FailedOpen);

void BM_FailedOpenWithDescription(benchmark::State& state) {
  char text[4096];
  for (auto _ : state) {
    ViSession vi = 0;
    ViStatus code = 0;
    tovik_InitWithOptions("", VI_FALSE, VI_FALSE, kRepeatedTag, &vi);
    tovik_GetError(0, &code, sizeof text, text);
    if (code != kInvalidDriverSetup || std::string(text).find("Model") == std::string::npos) {
      state.SkipWithError("no description of the repeated tag");
    }
  }
}
BENCHMARK(BM_FailedOpenWithDescription);

void BM_FailedOpenWithDescriptionFloor(benchmark::State& state) {
  const vohtl::BasicString file = englishErrorFile();
  for (auto _ : state) {
    ViStatus code = 0;
    try {
      TOVIK_RAISE(voerr::codes::kInvalidDriverSetupString).usage("kSidlRepeatedTag", "Model").throwIt();
    } catch (const voerr::Exception& error) {
      code = error.status().code;
    }
    for (int translation = 0; translation < 2; ++translation) {
      lua_State* L = luaL_newstate();
      luaL_openlibs(L);
      lua_close(L);
    }
    recordTakeAndDescribe(file, code, "Repeated DriverSetup tag.: Model");
  }
}
BENCHMARK(BM_FailedOpenWithDescriptionFloor);

}  // namespace

BENCHMARK_MAIN();
