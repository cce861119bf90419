// Threads driving simulated sessions through the shipped library at once:
// sessions stay apart, and a session closed under a caller is refused, never
// used after it is gone.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "SimulatorTestSupport.h"

namespace {

using simtest::SimulatedSession;

constexpr ViStatus kInvalidSessionHandle = static_cast<ViStatus>(0xBFFA1190u);

TEST(SimulatorConcurrency, TwoThreadsDriveTwoSessions) {
  SimulatedSession first("GA (2CH)"), second("GA (2CH)");
  ASSERT_EQ(first.status(), 0);
  ASSERT_EQ(second.status(), 0);
  std::atomic<int> mismatches{0}, failures{0};
  auto drive = [&](ViSession vi, double base) {
    for (int i = 1; i <= 300; ++i) {
      const double frequency = base + i;
      const char* channel = i % 2 ? "0" : "1";
      if (tovik_ConfigureFrequency(vi, channel, frequency) != 0) failures++;
      ViReal64 read = 0;
      if (tovik_GetAttributeViReal64(vi, channel, IVIFGEN_ATTR_FUNC_FREQUENCY, &read) != 0) failures++;
      if (read != frequency) mismatches++;
      ViInt32 handle = 0;
      const ViReal64 samples[16] = {0, 1, 0, -1};  // the GA's smallest waveform
      if (tovik_CreateWaveformF64(vi, channel, 16, samples, &handle) != 0) failures++;
      if (tovik_ClearArbWaveform(vi, handle) != 0) failures++;
    }
  };
  std::thread a(drive, first.vi(), 1e3), b(drive, second.vi(), 2e6);
  a.join();
  b.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(mismatches.load(), 0);
  EXPECT_EQ(simtest::int32(first, "", TOVIK_ATTR_FREE_MEMORY), simtest::int32(second, "", TOVIK_ATTR_FREE_MEMORY));
}

TEST(SimulatorConcurrency, CallAndCloseOnOneSession) {
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    ViSession vi = 0;
    ASSERT_EQ(tovik_InitWithOptions("", VI_FALSE, VI_FALSE, simtest::options("Model:GE").c_str(), &vi), 0);
    std::atomic<bool> started{false};
    std::atomic<int> unexpected{0};
    std::thread caller([&] {
      started = true;
      for (;;) {
        const ViStatus status = tovik_ConfigureFrequency(vi, "0", 1e3);
        ViInt32 state = 0;
        const ViStatus read = tovik_GetHardwareState(vi, &state);
        if ((status != 0 && status != kInvalidSessionHandle) || (read != 0 && read != kInvalidSessionHandle))
          unexpected++;
        if (status == kInvalidSessionHandle && read == kInvalidSessionHandle) break;
      }
    });
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::microseconds(200 * (round % 5)));
    EXPECT_EQ(tovik_close(vi), 0);
    caller.join();
    EXPECT_EQ(unexpected.load(), 0);
  }
}

TEST(SimulatorConcurrency, CloseAndCloseAtOnce) {
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    ViSession vi = 0;
    ASSERT_EQ(tovik_InitWithOptions("", VI_FALSE, VI_FALSE, simtest::options("Model:GE").c_str(), &vi), 0);
    std::atomic<int> go{0};
    ViStatus results[2] = {1, 1};
    std::vector<std::thread> closers;
    for (int t = 0; t < 2; ++t) {
      closers.emplace_back([&, t] {
        go++;
        while (go < 2) std::this_thread::yield();
        results[t] = tovik_close(vi);
      });
    }
    for (auto& closer : closers) closer.join();
    EXPECT_EQ((results[0] == 0) + (results[1] == 0), 1);
    EXPECT_EQ((results[0] == kInvalidSessionHandle) + (results[1] == kInvalidSessionHandle), 1);
  }
}

TEST(SimulatorConcurrency, LockSessionHoldsOtherThreadsOff) {
  SimulatedSession session("GE");
  ASSERT_EQ(session.status(), 0);
  ViBoolean held = VI_FALSE;
  ASSERT_EQ(tovik_LockSession(session, &held), 0);
  EXPECT_EQ(held, VI_TRUE);
  std::atomic<bool> done{false};
  std::thread other([&] {
    EXPECT_EQ(tovik_ConfigureFrequency(session, "0", 2e3), 0);
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(done.load()) << "the call ran while another thread held the session";
  // The holder itself goes on.
  EXPECT_EQ(tovik_ConfigureFrequency(session, "0", 3e3), 0);
  ASSERT_EQ(tovik_UnlockSession(session, &held), 0);
  EXPECT_EQ(held, VI_FALSE);
  other.join();
  EXPECT_TRUE(done.load());
  EXPECT_EQ(simtest::real(session, "0", IVIFGEN_ATTR_FUNC_FREQUENCY), 2e3);
}

}  // namespace
