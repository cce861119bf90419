// A thread cancelled while the simulator waits (WaitUntilDone sleeps at a
// cancellation point) unwinds through the simulator's frames: no abort, and
// the session lock it held is released. Drives the plugin directly, since
// this is about the plugin's own frames.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <chrono>
#include <future>
#include <thread>

#include "tovik/tovik_attributes.h"

namespace {

struct Plugin {
  void* library = dlopen("libtovikpal.so", RTLD_NOW | RTLD_LOCAL);

  template <typename Function>
  Function entry(const char* name) const {
    return reinterpret_cast<Function>(dlsym(library, name));
  }
};

using InitWithOptions = ViStatus (*)(ViConstString, ViBoolean, ViBoolean, ViConstString, ViSession*);
using WithSession = ViStatus (*)(ViSession);
using WithInt32 = ViStatus (*)(ViSession, ViInt32);
using SetInt32 = ViStatus (*)(ViSession, ViConstString, ViAttr, ViInt32);
using IsDone = ViStatus (*)(ViSession, ViBoolean*);

struct Waiter {
  WithInt32 waitUntilDone;
  ViSession vi;
};

void* wait(void* argument) {
  const Waiter* waiter = static_cast<const Waiter*>(argument);
  waiter->waitUntilDone(waiter->vi, 60000);
  return nullptr;
}

TEST(SimulatorCancellation, CancelledWaitUnwindsAndReleasesTheSession) {
#if defined(__SANITIZE_ADDRESS__)
  // This AddressSanitizer reports its own unpoisoning of the stack (a
  // sigaltstack call from __asan_handle_no_return) as an overflow when a
  // cancelled thread unwinds; the test runs in the other builds.
  GTEST_SKIP() << "AddressSanitizer misreports forced unwinding";
#endif
  const Plugin plugin;
  ASSERT_NE(plugin.library, nullptr) << dlerror();
  ViSession vi = 0;
  ASSERT_EQ(plugin.entry<InitWithOptions>("tovikPAL_InitWithOptions")("", VI_FALSE, VI_FALSE,
                                                                     "Simulate=1, DriverSetup=Model:GE", &vi),
            0);
  // A burst of 100 periods at 1 Hz: the wait would take 100 s.
  ASSERT_EQ(plugin.entry<SetInt32>("tovikPAL_SetAttributeViInt32")(vi, "0", IVIFGEN_ATTR_OPERATION_MODE,
                                                                  IVIFGEN_VAL_OPERATE_BURST),
            0);
  ASSERT_EQ(plugin.entry<SetInt32>("tovikPAL_SetAttributeViInt32")(vi, "0", IVIFGEN_ATTR_BURST_COUNT, 100), 0);
  using SetReal = ViStatus (*)(ViSession, ViConstString, ViAttr, ViReal64);
  ASSERT_EQ(plugin.entry<SetReal>("tovikPAL_SetAttributeViReal64")(vi, "0", IVIFGEN_ATTR_FUNC_FREQUENCY, 1.0), 0);
  ASSERT_EQ(plugin.entry<WithSession>("tovikPAL_InitiateGeneration")(vi), 0);

  Waiter waiter{plugin.entry<WithInt32>("tovikPAL_WaitUntilDone"), vi};
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, nullptr, wait, &waiter), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_EQ(pthread_cancel(thread), 0);
  void* result = nullptr;
  ASSERT_EQ(pthread_join(thread, &result), 0);
  EXPECT_EQ(result, PTHREAD_CANCELED);

  // The lock went with the unwinding: another call gets the session at once.
  auto isDone = std::async(std::launch::async, [&] {
    ViBoolean done = VI_TRUE;
    return plugin.entry<IsDone>("tovikPAL_IsDone")(vi, &done) == 0 && done == VI_FALSE;
  });
  ASSERT_EQ(isDone.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_TRUE(isDone.get());
  EXPECT_EQ(plugin.entry<WithSession>("tovikPAL_close")(vi), 0);
}

}  // namespace
