// Opening a session with a long DriverSetup, through the exported call:
// 1000 and 16000 entries and 1 MiB, against the same open with no extra
// entry (the fixed cost of an open) and against one scan over the same
// bytes (the least any parse must do). The per-entry cost stays flat when
// the parse is near linear.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "tovik/tovik.h"

namespace {

constexpr int64_t kMebibyte = int64_t{1} << 20;

// A simulated option string whose DriverSetup has `entries` entries beyond
// the model (a negative count: entries up to 1 MiB of text).
std::string optionString(int64_t entries) {
  std::string options = "Simulate=1,DriverSetup=Model:GE";
  for (int64_t n = 0; entries < 0 ? static_cast<int64_t>(options.size()) < kMebibyte : n < entries;
       ++n) {
    options += ";Tag" + std::to_string(n) + ":value";
  }
  return options;
}

void BM_OpenWithDriverSetupEntries(benchmark::State& state) {
  const std::string options = optionString(state.range(0));
  for (auto _ : state) {
    ViSession vi = 0;
    if (tovik_InitWithOptions("", VI_FALSE, VI_FALSE, options.c_str(), &vi) != 0) std::abort();
    state.PauseTiming();
    tovik_close(vi);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(options.size()));
  state.counters["bytes"] = static_cast<double>(options.size());
}
BENCHMARK(BM_OpenWithDriverSetupEntries)
    ->Arg(0)
    ->Arg(1000)
    ->Arg(16000)
    ->Arg(-1)  // 1 MiB
    ->Unit(benchmark::kMillisecond);

// The floor: one pass over the same bytes, counting the entries.
void BM_ScanSameBytes(benchmark::State& state) {
  const std::string options = optionString(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::count(options.begin(), options.end(), ';'));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(options.size()));
}
BENCHMARK(BM_ScanSameBytes)->Arg(1000)->Arg(16000)->Arg(-1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
