// The linker bound to the logger stand-in (found through LD_LIBRARY_PATH,
// started with its mode flag at 0), records read back through its parser.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "LoggerMapped.h"
#include "SnooprRecord.h"
#include "trace/IOTraceLinker.h"

namespace {

using Bytes = std::vector<uint8_t>;
using iotracetools::traceLinker;

template <typename T>
Bytes bytesOf(const T& value) {
  Bytes bytes(sizeof value);
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}

class TraceLinkerTest : public ::testing::Test {
 protected:
  void TearDown() override { setMode(0); }

  static void setMode(int32_t mode) { *iotracetools::SnooprModeLocation() = mode; }

  static void recordCall(int32_t functionId) {
    void* cookie = iotracetools::SnooprGetCookie(21, functionId, 1, "tovik_Commit");
    const int32_t result = 0;
    iotracetools::SnooprEndParams(cookie, 0);
    iotracetools::SnooprSetFuncReturnElementSize_generic(cookie, 0, &result, 4, 4, nullptr, 23, 1);
    iotracetools::SnooprEndReturns(&cookie, 1);
    iotracetools::SnooprFreeCookie(cookie);
  }

  snoopr::ScopedLogFile log_{::testing::TempDir() + "trace_linker_test_" +
                             std::to_string(getpid()) + ".log"};
};

TEST_F(TraceLinkerTest, FollowsTheLoggerSwitchAfterTheFirstCall) {
  EXPECT_FALSE(traceLinker().isEnabled());
  EXPECT_TRUE(loggerMapped());
  EXPECT_NE(iotracetools::SnooprModeLocation(), &iotracetools::gTraceOffFlag);
  recordCall(1);

  setMode(1);
  EXPECT_TRUE(traceLinker().isEnabled());
  recordCall(2);

  setMode(0);
  EXPECT_FALSE(traceLinker().isEnabled());
  recordCall(3);

  const snoopr::RecordFile file = log_.read();
  EXPECT_TRUE(file.malformedLines.empty());
  ASSERT_EQ(file.records.size(), 1u);
  EXPECT_EQ(file.records[0].functionId, 2);
}

// The shape of one traced API call: pseudo-parameters, a text, a null text,
// an array recorded as address and contents, outputs and the status.
TEST_F(TraceLinkerTest, FrameRecordComesBackExactly) {
  setMode(1);
  ASSERT_TRUE(traceLinker().isEnabled());

  const char errorDescription[1024] = {};
  const std::string session = "PXI1Slot2";
  const char* const interchange = nullptr;
  const std::string channel = "Ch \"1\"";
  const char* const nullText = nullptr;
  const double samples[] = {1.0, -0.5};
  const double* const samplesPointer = samples;
  const int32_t handle = 42;
  const int32_t result = -1074130544;

  void* cookie = iotracetools::SnooprGetCookie(21, 2001, 1, "tovik_WriteWaveform");
  ASSERT_NE(cookie, nullptr);
  iotracetools::SnooprSetParamElementSize_generic(cookie, 0, errorDescription, 8, 8, "dummyerror",
                                                  14);
  iotracetools::SnooprSetParamElementSize_generic(
      cookie, 1, session.data(), 1, static_cast<int64_t>(session.size()), "dummysessn", 45);
  iotracetools::SnooprSetParamElementSize_generic(cookie, 2, &interchange, 8, 8, "dummyintch", 14);
  iotracetools::SnooprSetParamElementSize_generic(
      cookie, 3, channel.data(), 1, static_cast<int64_t>(channel.size()), "channelName", 45);
  iotracetools::SnooprSetParamElementSize_generic(cookie, 4, &nullText, 8, 8, "waveformName", 14);
  iotracetools::SnooprSetParamElementSize_generic(cookie, 5, &samplesPointer, 8, 8, "waveform", 20);
  iotracetools::SnooprSetParamElementSize_generic(cookie, 6, samples, 8, sizeof samples, "waveform",
                                                  20);
  iotracetools::SnooprEndParams(cookie, 7);
  const std::string error = "Invalid value.";
  iotracetools::SnooprSetReturnElementSize_generic(
      cookie, 0, error.data(), 1, static_cast<int64_t>(error.size()), "dummyerror", 45);
  iotracetools::SnooprSetReturnElementSize_generic(cookie, 1, &handle, 4, 4, "*waveformHandle", 3);
  iotracetools::SnooprSetFuncReturnElementSize_generic(cookie, 2, &result, 4, 4, nullptr, 23,
                                                       result >= 0 ? 1 : 0);
  iotracetools::SnooprEndReturns(&cookie, 3);
  iotracetools::SnooprFreeCookie(cookie);

  const snoopr::RecordFile file = log_.read();
  EXPECT_TRUE(file.malformedLines.empty());
  ASSERT_EQ(file.records.size(), 1u);
  const snoopr::Record& record = file.records[0];
  EXPECT_EQ(record.functionName, "tovik_WriteWaveform");
  EXPECT_EQ(record.functionId, 2001);
  EXPECT_EQ(record.apiType, 21);
  EXPECT_EQ(record.flags, 1);
  EXPECT_EQ(record.paramCount, 7);
  EXPECT_EQ(record.returnCount, 3);

  struct Expected {
    int32_t index;
    const char* name;
    int32_t type;
    int32_t elementSize;
    Bytes bytes;
  };
  const std::vector<Expected> params = {
      {0, "dummyerror", 14, 8, Bytes(8, 0)},
      {1, "dummysessn", 45, 1, Bytes(session.begin(), session.end())},
      {2, "dummyintch", 14, 8, Bytes(8, 0)},
      {3, "channelName", 45, 1, Bytes(channel.begin(), channel.end())},
      {4, "waveformName", 14, 8, Bytes(8, 0)},
      {5, "waveform", 20, 8, bytesOf(samplesPointer)},
      {6, "waveform", 20, 8, bytesOf(samples)},
  };
  const std::vector<Expected> returns = {
      {0, "dummyerror", 45, 1, Bytes(error.begin(), error.end())},
      {1, "*waveformHandle", 3, 4, bytesOf(handle)},
  };
  auto check = [](const std::vector<snoopr::Item>& items, const std::vector<Expected>& expected,
                  char kind) {
    ASSERT_GE(items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(expected[i].name);
      EXPECT_EQ(items[i].kind, kind);
      EXPECT_EQ(items[i].index, expected[i].index);
      EXPECT_EQ(items[i].name, expected[i].name);
      EXPECT_EQ(items[i].type, expected[i].type);
      EXPECT_EQ(items[i].elementSize, expected[i].elementSize);
      EXPECT_EQ(items[i].totalSize, static_cast<int64_t>(expected[i].bytes.size()));
      EXPECT_EQ(items[i].bytes, expected[i].bytes);
    }
  };
  ASSERT_EQ(record.params.size(), params.size());
  check(record.params, params, 'P');
  ASSERT_EQ(record.returns.size(), returns.size() + 1);
  check(record.returns, returns, 'R');

  const snoopr::Item& status = record.returns.back();
  EXPECT_EQ(status.kind, 'F');
  EXPECT_EQ(status.index, 2);
  EXPECT_EQ(status.name, std::nullopt);
  EXPECT_EQ(status.type, 23);
  EXPECT_EQ(status.succeeded, 0);
  EXPECT_EQ(status.bytes, bytesOf(result));
}

}  // namespace
