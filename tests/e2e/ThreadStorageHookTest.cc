// The host's thread-storage hook called from several threads while plugins
// load, through the shipped library: whatever the interleaving, every plugin
// ends up having last heard the index that is stored.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "RecordingPlugin.h"
#include "tovik/tovik_internal.h"

namespace {

const char* const kFamilyFiles[] = {"libtovikpal.so", "libvoGCtovikplugin.so",
                                    "libtovikremote.so", "libtovikgrpc.so"};

// The last index the plugin heard, or `none` when it heard none.
int32_t lastIndexHeard(const char* file, int32_t none = INT32_MIN) {
  const RecordingPluginControl* control = RecordingPlugin_find(file);
  if (!control) return none;
  int32_t last = none;
  const int count = control->callCount();
  EXPECT_LE(count, RECORDING_PLUGIN_LOG_CAPACITY) << file;
  for (int i = 0; i < count; ++i) {
    RecordingPluginCall call{};
    if (control->getCall(i, &call) == 0 &&
        std::string(call.entry) == "threadstorage.SetYMRTTLSIndex") {
      last = static_cast<int32_t>(call.args[0].bits);
    }
  }
  return last;
}

// Starts every thread at once and joins them.
void race(std::vector<std::function<void()>> work) {
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (auto& job : work) {
    threads.emplace_back([&go, &job] {
      while (!go.load()) std::this_thread::yield();
      job();
    });
  }
  go = true;
  for (std::thread& thread : threads) thread.join();
}

std::function<void()> hooks(int32_t base, int count) {
  return [base, count] {
    for (int32_t i = 0; i < count; ++i) SetYMRTTLSIndexHook(base + i);
  };
}

TEST(ThreadStorageHook, RacingHooksAndLoadsLeaveEveryPluginWithTheStoredIndex) {
  setenv("VOSYSAPI_STANDIN_CONFIG", "/nonexistent", 1);  // simulated sessions only
  setenv("RECORDING_PLUGIN_ENGINE_SESSIONS", "1", 1);    // a handle of its own for each
  std::vector<ViSession> sessions(2, 0);
  std::atomic<int> failures{0};
  auto open = [&](const char* options, ViSession* vi) {
    return [&failures, options, vi] {
      if (tovik_InitWithOptions("", VI_FALSE, VI_FALSE, options, vi) != 0) ++failures;
    };
  };
  race({hooks(1000, 30), hooks(2000, 30), hooks(3000, 30),
        open("Simulate=1,DriverSetup=Model:GE", &sessions[0]),
        open("Simulate=1,DriverSetup=Model:GA (2CH)", &sessions[1]),
        [&failures] { if (tovik_FreeServer(0) != 0) ++failures; }});
  ASSERT_EQ(failures.load(), 0);

  // A plugin loaded now hears the stored index while it loads; the others
  // must have heard it last.
  ViSession attached = 0;
  ASSERT_EQ(YM_tovik_AttachGrpcSession("s", "host", 1, &attached, 0, nullptr), 0);
  const int32_t stored = lastIndexHeard("libtovikgrpc.so");
  ASSERT_NE(stored, INT32_MIN);
  for (const char* file : {"libtovikpal.so", "libvoGCtovikplugin.so", "libtovikremote.so"}) {
    SCOPED_TRACE(file);
    EXPECT_EQ(lastIndexHeard(file), stored);
  }

  // Hooks racing each other, many times over: the plugins agree on the last.
  for (int round = 0; round < 1000; ++round) {
    SCOPED_TRACE(round);
    for (const char* file : kFamilyFiles) RecordingPlugin_find(file)->reset();
    race({hooks(10000, 8), hooks(20000, 8), hooks(30000, 8), hooks(40000, 8)});
    const int32_t last = lastIndexHeard(kFamilyFiles[0]);
    EXPECT_TRUE(last == 10007 || last == 20007 || last == 30007 || last == 40007) << last;
    for (const char* file : kFamilyFiles) EXPECT_EQ(lastIndexHeard(file), last) << file;
  }

  EXPECT_EQ(YM_tovik_DetachGrpcSession(attached, 0, nullptr), 0);
  for (ViSession vi : sessions) EXPECT_EQ(tovik_close(vi), 0);
}

}  // namespace
