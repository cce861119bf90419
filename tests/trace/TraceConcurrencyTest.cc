// Several threads make their first isEnabled() call at once and then record
// long calls side by side: every record must come back as its own line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "SnooprRecord.h"
#include "trace/IOTraceLinker.h"

namespace {

constexpr int kThreads = 8;
constexpr int kCallsPerThread = 100;

std::string payloadFor(int functionId) {
  return std::to_string(functionId) + std::string(4000, static_cast<char>('a' + functionId % 26));
}

void recordCalls(int thread, std::atomic<bool>& start) {
  while (!start.load()) {
    std::this_thread::yield();
  }
  for (int call = 0; call < kCallsPerThread; ++call) {
    if (!iotracetools::traceLinker().isEnabled()) {
      ADD_FAILURE() << "tracing off in thread " << thread;
      return;
    }
    const int32_t functionId = thread * 1000 + call;
    const std::string payload = payloadFor(functionId);
    void* cookie = iotracetools::SnooprGetCookie(21, functionId, 1, "tovik_ConfigureOutputMode");
    iotracetools::SnooprSetParamElementSize_generic(
        cookie, 0, payload.data(), 1, static_cast<int64_t>(payload.size()), "payload", 45);
    iotracetools::SnooprEndParams(cookie, 1);
    iotracetools::SnooprSetFuncReturnElementSize_generic(cookie, 0, &functionId, 4, 4, nullptr, 23,
                                                         1);
    iotracetools::SnooprEndReturns(&cookie, 1);
    iotracetools::SnooprFreeCookie(cookie);
  }
}

TEST(TraceConcurrency, RecordsStayOnePerLine) {
  snoopr::ScopedLogFile log(::testing::TempDir() + "trace_concurrency_test_" +
                            std::to_string(getpid()) + ".log");
  std::atomic<bool> start{false};
  std::vector<std::thread> threads;
  for (int thread = 0; thread < kThreads; ++thread) {
    threads.emplace_back(recordCalls, thread, std::ref(start));
  }
  start.store(true);
  for (std::thread& thread : threads) {
    thread.join();
  }

  const snoopr::RecordFile file = log.read();
  EXPECT_TRUE(file.malformedLines.empty()) << file.malformedLines.size() << " torn lines";
  ASSERT_EQ(file.records.size(), static_cast<size_t>(kThreads * kCallsPerThread));
  std::set<int32_t> seen;
  for (const snoopr::Record& record : file.records) {
    SCOPED_TRACE(record.functionId);
    ASSERT_EQ(record.params.size(), 1u);
    EXPECT_EQ(record.params[0].text(), payloadFor(record.functionId));
    seen.insert(record.functionId);
  }
  EXPECT_EQ(seen.size(), file.records.size());
}

}  // namespace
