// The IVI engine stand-in under several threads: sessions, per-thread error
// information and session locks.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include "IviEngineTestSupport.h"

namespace {

using ivitest::EngineTest;
using ivitest::peekErrorInfo;

TEST_F(EngineTest, SessionsFromTwoThreadsStayApart) {
  constexpr int kRounds = 300;
  std::vector<ViSession> handles[2];
  std::atomic<int> failures{0};
  auto worker = [&](int index) {
    const ViBoolean simulate = index == 0 ? VI_TRUE : VI_FALSE;
    for (int i = 0; i < kRounds; ++i) {
      ViSession vi = 0;
      if (Ivi_SpecificDriverNew("tovik", simulate ? "Simulate=1" : "Simulate=0", &vi) != VI_SUCCESS) ++failures;
      if (Ivi_SetAttributeViBoolean(vi, "", IVI_ATTR_CACHE, 0, simulate) != VI_SUCCESS) ++failures;
      ViBoolean cache = 9;
      if (Ivi_GetAttributeViBoolean(vi, "", IVI_ATTR_CACHE, 0, &cache) != VI_SUCCESS || cache != simulate) ++failures;
      if (Ivi_Simulating(vi) != simulate) ++failures;
      handles[index].push_back(vi);
      if (i % 2 == 0 && Ivi_Dispose(vi) != VI_SUCCESS) ++failures;
    }
  };
  std::thread first(worker, 0), second(worker, 1);
  first.join();
  second.join();
  EXPECT_EQ(failures.load(), 0);
  std::set<ViSession> distinct(handles[0].begin(), handles[0].end());
  distinct.insert(handles[1].begin(), handles[1].end());
  EXPECT_EQ(distinct.size(), 2u * kRounds);
  EXPECT_EQ(IviStandin_OpenSessionCount(), kRounds);
}

TEST_F(EngineTest, SessionZeroErrorInfoBelongsToEachThread) {
  auto worker = [](ViStatus code, ivitest::ErrorRecord* seen, ivitest::ErrorRecord* afterClear,
                   std::atomic<int>* arrived) {
    Ivi_SetErrorInfo(0, VI_FALSE, code, 0, code == IVI_ERROR_INVALID_VALUE ? "first" : "second");
    // Both threads have recorded before either reads or clears.
    arrived->fetch_add(1);
    while (arrived->load() < 2) std::this_thread::yield();
    *seen = peekErrorInfo(0);
    if (code == IVI_ERROR_INVALID_VALUE) Ivi_ClearErrorInfo(0);
    arrived->fetch_add(1);
    while (arrived->load() < 4) std::this_thread::yield();
    *afterClear = peekErrorInfo(0);
  };
  std::atomic<int> arrived{0};
  ivitest::ErrorRecord seen[2], afterClear[2];
  std::thread first(worker, IVI_ERROR_INVALID_VALUE, &seen[0], &afterClear[0], &arrived);
  std::thread second(worker, IVI_ERROR_CANNOT_RECOVER, &seen[1], &afterClear[1], &arrived);
  first.join();
  second.join();
  EXPECT_EQ(seen[0].primary, IVI_ERROR_INVALID_VALUE);
  EXPECT_EQ(seen[0].elaboration, "first");
  EXPECT_EQ(seen[1].primary, IVI_ERROR_CANNOT_RECOVER);
  EXPECT_EQ(seen[1].elaboration, "second");
  EXPECT_EQ(afterClear[0].primary, 0);
  EXPECT_EQ(afterClear[1].primary, IVI_ERROR_CANNOT_RECOVER);  // the other thread's clear did not touch it
  EXPECT_EQ(peekErrorInfo(0).primary, 0);                       // nor is it this thread's
}

TEST_F(EngineTest, SessionLockHoldsOffOtherThreads) {
  const ViSession vi = ivitest::openSession("");
  ASSERT_EQ(Ivi_LockSession(vi, nullptr), VI_SUCCESS);
  std::atomic<bool> acquired{false};
  std::thread other([&] {
    EXPECT_EQ(Ivi_UnlockSession(vi, nullptr), IVI_ERROR_SESSION_NOT_LOCKED);  // not its lock
    ViBoolean hasLock = VI_FALSE;
    EXPECT_EQ(Ivi_LockSession(vi, &hasLock), VI_SUCCESS);
    acquired = true;
    EXPECT_EQ(Ivi_UnlockSession(vi, &hasLock), VI_SUCCESS);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(acquired.load());
  ASSERT_EQ(Ivi_UnlockSession(vi, nullptr), VI_SUCCESS);
  other.join();
  EXPECT_TRUE(acquired.load());
}

TEST_F(EngineTest, DisposeReleasesThreadsWaitingForTheLock) {
  const ViSession vi = ivitest::openSession("");
  ASSERT_EQ(Ivi_LockSession(vi, nullptr), VI_SUCCESS);
  std::atomic<ViStatus> waited{1};
  std::thread other([&] { waited = Ivi_LockSession(vi, nullptr); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(Ivi_Dispose(vi), VI_SUCCESS);
  other.join();
  EXPECT_EQ(waited.load(), IVI_ERROR_INVALID_SESSION_HANDLE);
}

}  // namespace
