// What a failing call pays for its status: raise with the translator and two
// items, throw, catch, translate back into the caller's record.
#include <benchmark/benchmark.h>

#include "status/Exception.h"
#include "status/Raise.h"
#include "status/StatusCodes.h"

namespace {

void BM_RaiseThrowTranslate(benchmark::State& state) {
  for (auto _ : state) {
    voerr::Status accumulator;
    try {
      TOVIK_RAISE(voerr::codes::kBadOptionValueResolver)
          .usage("kUsageTypeInvalidIdentifier", "PXI1Slot2")
          .usage("kUsageTypePossibleValues", "PCI, PXI, PXIe")
          .throwIt();
    } catch (...) {
      voerr::translateCurrentException(accumulator);
    }
    benchmark::DoNotOptimize(accumulator.code);
  }
}
BENCHMARK(BM_RaiseThrowTranslate);

void BM_RaiseOnly(benchmark::State& state) {
  for (auto _ : state) {
    voerr::Raiser raiser(voerr::codes::kInvalidSessionHandle.code,
                         TOVIK_SITE(voerr::codes::kInvalidSessionHandle.text),
                         voerr::kTranslatorName);
    benchmark::DoNotOptimize(raiser.status().report);
  }
}
BENCHMARK(BM_RaiseOnly);

}  // namespace

BENCHMARK_MAIN();
