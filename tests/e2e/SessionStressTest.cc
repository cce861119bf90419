// Several threads open, call and close sessions at once through the shipped
// library for a few seconds: no crash, no lost or leaked session.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "RecordingPlugin.h"
#include "SimulatedSessions.h"
#include "tovik/tovik.h"

extern "C" ViStatus tovikHeaderCheck(ViSession vi);

namespace {

TEST(SessionStress, ThreadsOpenCallAndCloseAtOnce) {
  const RecordingPluginControl* control = e2e::loadPal();
  ASSERT_NE(control, nullptr);
  control->setNextHandle(RECORDING_PLUGIN_FRESH_HANDLES);

  std::atomic<bool> stop{false};
  std::atomic<long> opened{0}, closed{0}, calls{0}, failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&] {
      while (!stop.load()) {
        ViSession vi = 0;
        if (e2e::openSimulated(&vi) != 0) {
          failures++;
          continue;
        }
        opened++;
        for (int i = 0; i < 20; ++i) {
          if (tovik_ConfigureFrequency(vi, "0", 1e3 * i) != 0) failures++;
          calls++;
        }
        if (tovik_close(vi) == 0) closed++;
        if (tovik_reset(vi) != static_cast<ViStatus>(0xBFFA1190u)) failures++;
      }
    });
  }
  std::this_thread::sleep_for(std::chrono::seconds(3));
  stop = true;
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_GT(opened.load(), 10);
  EXPECT_EQ(opened.load(), closed.load());
  EXPECT_EQ(tovikHeaderCheck(0), static_cast<ViStatus>(0xBFFA1190u));
}

}  // namespace
