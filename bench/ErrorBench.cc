// What a failed call costs end to end (exception, rendering, recording with
// the engine), and what reading a pending error back costs, each against a
// floor measured in the same run: the work no implementation can skip.
//   failed call floor: raise and catch the same exception, record a fixed
//     text with the engine and clear it;
//   pending error floor: record and take the engine's error information and
//     read the code's description from its error file.
// BM_DescriptionLookup shows the part of the pending error's cost that the
// error-file layout itself implies.
// Run with the build's error files as the shared directory
// (scripts/run-benchmarks.sh binds share.dir).
#include <benchmark/benchmark.h>

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

void BM_GetPendingErrorFloor(benchmark::State& state) {
  voerr::Status status;
  vohtl::BasicString file;
  vosysq::sharedDirectory(file, status);
  file.append("/errors/English/tovik.err", status);
  for (auto _ : state) {
    Ivi_SetErrorInfo(0, VI_FALSE, kInvalidSessionHandle, 0, "Elaborated.");
    ViStatus primary = 0, secondary = 0;
    char elaboration[256];
    Ivi_GetErrorInfo(0, &primary, &secondary, elaboration);
    voerr::Status read;
    vohtl::BasicString description;
    voxlator::readErrorFile(file.c_str(), primary, description, read);
    benchmark::DoNotOptimize(description.c_str());
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

}  // namespace

BENCHMARK_MAIN();
