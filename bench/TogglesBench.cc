// Asking whether usage telemetry is enabled, once the answer is cached,
// against the floor of a plain atomic load; and the store's own cached get,
// which takes its mutex.
#include <benchmark/benchmark.h>

#include <atomic>

#include "status/PlatformStatus.h"
#include "toggles/RuntimeFeatureToggles.h"
#include "toggles/RuntimeToggles.h"

namespace {

void BM_AtomicLoadFloor(benchmark::State& state) {
  static std::atomic<bool> flag{true};
  for (auto _ : state) benchmark::DoNotOptimize(flag.load(std::memory_order_acquire));
}
BENCHMARK(BM_AtomicLoadFloor);

void BM_UsageTelemetryEnabled(benchmark::State& state) {
  tovikfeaturetoggles::featureToggles().usageTelemetryEnabled();  // reads the file once
  for (auto _ : state) {
    benchmark::DoNotOptimize(tovikfeaturetoggles::featureToggles().usageTelemetryEnabled());
  }
}
BENCHMARK(BM_UsageTelemetryEnabled);

void BM_StoreCachedGet(benchmark::State& state) {
  runtime_toggles::SystemSettingsAccessor accessor;
  runtime_toggles::RuntimeToggles<bool, bool, 6> store(&accessor, "tovik", "features.ini",
                                                         "velmora", "/var/local");
  voerr::PlatformStatus status;
  bool result = false;
  store.get("CEIP", true, result, status);
  for (auto _ : state) {
    voerr::PlatformStatus fresh;
    store.get("CEIP", true, result, fresh);
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_StoreCachedGet);

}  // namespace

BENCHMARK_MAIN();
