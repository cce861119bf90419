// The call frame's cost: a forwarded call with tracing off against a direct
// call into the same plugin entry and against a bare model of the per-call
// work the frame must do (construction lock, registry read lock, map lookup,
// reference count, entry call); and two threads calling on two sessions,
// against the bare model on two threads.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "ivi/IviWrapper.h"
#include "ivi/IviWrapperFactory.h"
#include "ivi_engine.h"
#include "platform/Primitives.h"
#include "plugins/PluginFactory.h"
#include "sessions/SessionRegistry.h"
#include "tovik/tovik.h"

namespace {

using EntryFunction = ViStatus (*)(ViSession, ViConstString, ViReal64);

struct Fixture {
  ViSession sessions[2] = {0, 0};
  EntryFunction trivial = nullptr;

  Fixture() {
    tovik::Plugin* plugin = tovik::pluginCache().getInstance(tovik::PluginKey::PAL);
    for (ViSession& vi : sessions) {
      if (Ivi_SpecificDriverNew("tovik", "Simulate=1", &vi) != 0) std::abort();
      dvl::createAndRegister(miivi::IviWrapperFactory().createBinding(vi), 0, 0, plugin, "Dev",
                             nullptr);
    }
    void* library = dlopen("libtovikpal.so", RTLD_NOW | RTLD_NOLOAD);
    trivial = reinterpret_cast<EntryFunction>(dlsym(library, "tovikPAL_ConfigureFrequency"));
    if (!trivial) std::abort();
  }
};

Fixture& fixture() {
  static Fixture instance;
  return instance;
}

void BM_DirectPluginCall(benchmark::State& state) {
  const Fixture& f = fixture();
  for (auto _ : state) benchmark::DoNotOptimize(f.trivial(f.sessions[0], "0", 1e6));
}
BENCHMARK(BM_DirectPluginCall);

// The floor: what every forwarded call must do whatever the frame looks
// like, with the same primitives the registry uses. Take the registry's
// construction lock (every getter call takes it), enter the read side of a
// readers-preferring lock, find the handle in an ordered map of the same
// sessions, copy the shared reference (atomic count), leave the read side,
// read the plugin and drop the reference, check that the entry exists and
// call it.
struct BareModel {
  voerr::PlatformStatus status;
  voapal::GuardMutex construction;
  voapal::ReaderWriterLock lock;
  std::map<uint32_t, miivi::SessionReference> sessions;
  EntryFunction entry = nullptr;

  BareModel() {
    construction.create(status);
    lock.create(status);
    if (status.code < 0) std::abort();
    const Fixture& f = fixture();
    for (ViSession vi : f.sessions) sessions.emplace(vi, miivi::sessionRegistry().lookup(vi));
    entry = f.trivial;
  }

  ViStatus call(ViSession vi, ViConstString channelName, ViReal64 frequency) {
    construction.lock();
    construction.unlock();
    lock.enterRead();
    auto found = sessions.find(vi);
    miivi::SessionReference session = found != sessions.end() ? found->second
                                                              : miivi::SessionReference();
    lock.leaveRead();
    if (!session) return -1;
    benchmark::DoNotOptimize(session->plugin());
    session.reset();
    EntryFunction function = entry;
    benchmark::DoNotOptimize(function);
    if (!function) return -2;
    return function(vi, channelName, frequency);
  }
};

BareModel& bareModel() {
  static BareModel instance;
  return instance;
}

void BM_BareModelOfPerCallWork(benchmark::State& state) {
  BareModel& model = bareModel();
  const ViSession vi = fixture().sessions[0];
  for (auto _ : state) benchmark::DoNotOptimize(model.call(vi, "0", 1e6));
}
BENCHMARK(BM_BareModelOfPerCallWork);

void BM_ForwardedCall(benchmark::State& state) {
  const Fixture& f = fixture();
  for (auto _ : state) benchmark::DoNotOptimize(tovik_ConfigureFrequency(f.sessions[0], "0", 1e6));
}
BENCHMARK(BM_ForwardedCall);

// A failed call: the exception, its description and the engine record.
void BM_FailedCallWithDescription(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(tovik_ConfigureFrequency(0xBADu, "0", 1e6));
}
BENCHMARK(BM_FailedCallWithDescription);

// Two threads, two sessions: the trivial entry, then one of about 5 us.
void BM_TwoThreadsTrivialEntry(benchmark::State& state) {
  const ViSession vi = fixture().sessions[state.thread_index()];
  for (auto _ : state) benchmark::DoNotOptimize(tovik_ConfigureFrequency(vi, "0", 1e6));
}
BENCHMARK(BM_TwoThreadsTrivialEntry)->Threads(2)->UseRealTime();

void BM_TwoThreadsFiveMicrosecondEntry(benchmark::State& state) {
  const ViSession vi = fixture().sessions[state.thread_index()];
  for (auto _ : state) benchmark::DoNotOptimize(tovik_ConfigureAmplitude(vi, "0", 1.0));
}
BENCHMARK(BM_TwoThreadsFiveMicrosecondEntry)->Threads(2)->UseRealTime();

// The floor of the two-thread figures: the bare model on two sessions.
void BM_TwoThreadsBareModel(benchmark::State& state) {
  BareModel& model = bareModel();
  const ViSession vi = fixture().sessions[state.thread_index()];
  for (auto _ : state) benchmark::DoNotOptimize(model.call(vi, "0", 1e6));
}
BENCHMARK(BM_TwoThreadsBareModel)->Threads(2)->UseRealTime();

void BM_TwoThreadsSessionLookup(benchmark::State& state) {
  const ViSession vi = fixture().sessions[state.thread_index()];
  for (auto _ : state) benchmark::DoNotOptimize(miivi::sessionRegistry().lookup(vi).get());
}
BENCHMARK(BM_TwoThreadsSessionLookup)->Threads(2)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  fixture();
  bareModel();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
