// Two threads closing one session at once, through the shipped library and
// for every closing export: exactly one close succeeds, the other reports an
// invalid handle, and the plugin closes the device session once.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "RecordingPlugin.h"
#include "SimulatedSessions.h"
#include "tovik/tovik_internal.h"

namespace {

constexpr ViStatus kInvalidSessionHandle = static_cast<ViStatus>(0xBFFA1190u);
constexpr int kRounds = 2000;

// Lets a fixed number of threads meet before each round.
class SpinBarrier {
 public:
  explicit SpinBarrier(int threads) : threads_(threads) {}
  void arriveAndWait() {
    const int generation = generation_.load();
    if (arrived_.fetch_add(1) + 1 == threads_) {
      arrived_.store(0);
      generation_.fetch_add(1);
      return;
    }
    while (generation_.load() == generation) std::this_thread::yield();
  }

 private:
  const int threads_;
  std::atomic<int> arrived_{0};
  std::atomic<int> generation_{0};
};

constexpr ViInt32 kDescriptionSize = 512;

struct ClosingExport {
  const char* symbol;
  const char* entry;  // the plugin entry it ends in
  // `description` is the calling thread's buffer for the Ymber forms.
  ViStatus (*close)(ViSession vi, ViChar* description);
};

const ClosingExport kClosingExports[] = {
    {"tovik_close", "main.close", [](ViSession vi, ViChar*) { return tovik_close(vi); }},
    {"tovik_CloseExtCal", "main.CloseExtCal",
     [](ViSession vi, ViChar*) { return tovik_CloseExtCal(vi, 1); }},
    {"ReleaseSessionForServer", "main.close",
     [](ViSession vi, ViChar*) { return ReleaseSessionForServer(vi); }},
    {"YM_tovik_close", "ym.close",
     [](ViSession vi, ViChar* description) {
       return YM_tovik_close(vi, kDescriptionSize, description);
     }},
    {"YM_tovik_CloseExtCal", "ym.CloseExtCal",
     [](ViSession vi, ViChar* description) {
       return YM_tovik_CloseExtCal(vi, 1, kDescriptionSize, description);
     }},
    {"YM_tovik_DetachGrpcSession", "ym.DetachGrpcSession",
     [](ViSession vi, ViChar* description) {
       return YM_tovik_DetachGrpcSession(vi, kDescriptionSize, description);
     }},
};

TEST(ConcurrentClose, ExactlyOneOfTwoClosesSucceeds) {
  const RecordingPluginControl* pal = e2e::loadPal();
  ASSERT_NE(pal, nullptr);

  for (const ClosingExport& closing : kClosingExports) {
    SCOPED_TRACE(closing.symbol);
    SpinBarrier barrier(2);
    std::atomic<ViSession> session{0};
    std::atomic<int> successes{0}, invalid{0}, others{0}, pluginCloses{0};
    auto closer = [&](int id) {
      ViChar description[kDescriptionSize] = {};
      for (int round = 0; round < kRounds; ++round) {
        if (id == 0) {
          pal->reset();
          pal->setNextHandle(RECORDING_PLUGIN_FRESH_HANDLES);
          ViSession vi = 0;
          if (e2e::openSimulated(&vi) != 0) others++;
          session = vi;
        }
        barrier.arriveAndWait();
        const ViStatus result = closing.close(session.load(), description);
        if (result == 0) {
          successes++;
        } else if (result == kInvalidSessionHandle) {
          invalid++;
        } else {
          others++;
        }
        barrier.arriveAndWait();
        if (id == 0) pluginCloses += pal->countOf(closing.entry);
      }
    };
    std::thread second(closer, 1);
    closer(0);
    second.join();
    EXPECT_EQ(successes.load(), kRounds);
    EXPECT_EQ(invalid.load(), kRounds);
    EXPECT_EQ(others.load(), 0);
    EXPECT_EQ(pluginCloses.load(), kRounds);  // never a second close of one session
  }
}

}  // namespace
