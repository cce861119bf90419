// The readable I/O trace of calls on a simulated session, through the
// shipped library with the trace logger stand-in switched on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "SimulatorTestSupport.h"
#include "SnooprRecord.h"

namespace {

TEST(SimulatorTrace, ReadableLinesShowTheCallsAsWritten) {
  simtest::SimulatedSession session("GE");
  ASSERT_EQ(session.status(), 0);
  const std::string vi = std::to_string(session.vi());
  snoopr::ScopedLogFile log(::testing::TempDir() + "simulator_trace_" + std::to_string(getpid()) + ".log");
  ASSERT_EQ(setenv("SNOOPR_FORMAT", "readable", 1), 0);
  ASSERT_EQ(tovik_ConfigureFrequency(session, "0", 1000.0), 0);
  ASSERT_EQ(tovik_ConfigureFrequency(session, "0", -5.0), static_cast<ViStatus>(0xBFFA0010u));
  ViReal64 frequency = 0;
  ASSERT_EQ(tovik_GetAttributeViReal64(session, "0", IVIFGEN_ATTR_FUNC_FREQUENCY, &frequency), 0);
  const ViReal64 samples[4] = {0, 0.5, 1, -1};
  ViInt32 handle = 0;
  ASSERT_EQ(tovik_CreateWaveformF64(session, "0", 4, samples, &handle), 0);
  unsetenv("SNOOPR_FORMAT");

  const std::vector<std::string> lines = log.lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "tovik_ConfigureFrequency(vi=" + vi + ", channelName=\"0\", frequency=1000) = 0");
  const std::string failed = "tovik_ConfigureFrequency(vi=" + vi + ", channelName=\"0\", frequency=-5) = -1074135024 (0xBFFA0010) \"";
  EXPECT_EQ(lines[1].substr(0, failed.size()), failed);
  EXPECT_EQ(lines[2], "tovik_GetAttributeViReal64(vi=" + vi +
                          ", channelName=\"0\", attributeId=1250104 /* IVIFGEN_ATTR_FUNC_FREQUENCY */, "
                          "*attributeValue=1000) = 0");
  EXPECT_EQ(lines[3], "tovik_CreateWaveformF64(vi=" + vi + ", channelName=\"0\", waveformSize=4, "
                          "waveformDataArray={0, 0.5, 1, -1}, *waveformHandle=" + std::to_string(handle) + ") = 0");
  for (const std::string& line : lines) EXPECT_EQ(line.find("dummy"), std::string::npos) << line;
}

}  // namespace
