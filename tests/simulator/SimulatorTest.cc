// The simulated generator through the shipped library's exports only:
// libtovik.so.1 finds the simulator as its PAL and Harbor plugins.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "SimulatorTestSupport.h"

namespace {

using simtest::expectRecorded;
using simtest::SimulatedSession;
using simtest::takeError;

constexpr ViStatus kFunctionNotSupported = static_cast<ViStatus>(0xBFFA0011u);
constexpr ViStatus kInvalidSessionHandle = static_cast<ViStatus>(0xBFFA1190u);
constexpr ViStatus kInvalidValue = static_cast<ViStatus>(0xBFFA0010u);
constexpr ViStatus kUnknownChannelName = static_cast<ViStatus>(0xBFFA0020u);
constexpr ViStatus kNullPointer = static_cast<ViStatus>(0xBFFA0058u);
constexpr ViStatus kInvalidAttribute = static_cast<ViStatus>(0xBFFA000Cu);
constexpr ViStatus kAttributeNotWritable = static_cast<ViStatus>(0xBFFA000Du);
constexpr ViStatus kTypesDoNotMatch = static_cast<ViStatus>(0xBFFA0015u);
constexpr ViStatus kSessionNotLocked = static_cast<ViStatus>(0xBFFA1102u);
constexpr ViStatus kParameter3 = static_cast<ViStatus>(0xBFFC0003u);

TEST(SimulatorSessions, EveryModelOfTheProductTableOpens) {
  const std::vector<simtest::ProductRow> rows = simtest::productRows();
  ASSERT_EQ(rows.size(), 23u);
  std::set<ViSession> handles;
  for (const simtest::ProductRow& row : rows) {
    SCOPED_TRACE(row.bus + "-" + row.model);
    SimulatedSession session(row.model, row.bus);
    ASSERT_EQ(session.status(), 0);
    EXPECT_TRUE(handles.insert(session.vi()).second) << "handle " << session.vi() << " came twice";
    EXPECT_EQ(simtest::text(session, "", IVI_ATTR_INSTRUMENT_MODEL), row.bus + "-" + row.model);
    // The engine's channel count and the channel names agree.
    const ViInt32 channels = simtest::int32(session, "", 1050203 /* IVI_ATTR_CHANNEL_COUNT */);
    EXPECT_GE(channels, 1);
    char name[16] = "";
    EXPECT_EQ(tovik_GetChannelName(session, channels, sizeof name, name), 0);
    EXPECT_EQ(std::string(name), std::to_string(channels - 1));
    expectRecorded(session, tovik_GetChannelName(session, channels + 1, sizeof name, name), kInvalidValue,
                   {"index = " + std::to_string(channels + 1)});
    char driver[256] = "", firmware[256] = "";
    EXPECT_EQ(tovik_revision_query(session, driver, firmware), 0);
    EXPECT_NE(std::string(firmware).find(row.model.substr(0, 2)), std::string::npos) << firmware;
  }
}

TEST(SimulatorSessions, ModelAloneTakesItsFirstBus) {
  SimulatedSession session("GE");
  ASSERT_EQ(session.status(), 0);
  EXPECT_EQ(simtest::text(session, "", IVI_ATTR_INSTRUMENT_MODEL), "PXI-GE");
}

TEST(SimulatorSessions, TwoSessionsAreIndependent) {
  SimulatedSession first("GE"), second("GE");
  ASSERT_EQ(first.status(), 0);
  ASSERT_EQ(second.status(), 0);
  EXPECT_NE(first.vi(), second.vi());
  ASSERT_EQ(tovik_ConfigureFrequency(first, "0", 2.5e6), 0);
  ViInt32 handle = 0;
  const ViReal64 samples[4] = {0, 0.5, 1, -1};
  ASSERT_EQ(tovik_CreateWaveformF64(first, "0", 4, samples, &handle), 0);

  EXPECT_EQ(simtest::real(second, "0", IVIFGEN_ATTR_FUNC_FREQUENCY), 1000.0);
  // A handle the other session created was never issued to this one.
  expectRecorded(second, tovik_ConfigureArbWaveform(second, "0", handle, 1.0, 0.0), kInvalidValue,
                 {"waveformHandle = " + std::to_string(handle), "no waveforms"});
  // An error of one session is not the other's.
  EXPECT_EQ(takeError(first).code, 0);

  ASSERT_EQ(first.close(), 0);
  EXPECT_EQ(tovik_ConfigureFrequency(second, "0", 3e6), 0);
  EXPECT_EQ(simtest::real(second, "0", IVIFGEN_ATTR_FUNC_FREQUENCY), 3e6);
}

TEST(SimulatorSessions, StateIsKeptPerChannel) {
  SimulatedSession session("GA (2CH)");
  ASSERT_EQ(session.status(), 0);
  ASSERT_EQ(tovik_ConfigureStandardWaveform(session, "0", IVIFGEN_VAL_WFM_SQUARE, 2.0, 0.5, 1e6, 90.0), 0);
  ASSERT_EQ(tovik_ConfigureStandardWaveform(session, "1", IVIFGEN_VAL_WFM_TRIANGLE, 4.0, -1.0, 2e3, -45.0), 0);
  ASSERT_EQ(tovik_ConfigureOutputEnabled(session, "1", VI_FALSE), 0);

  EXPECT_EQ(simtest::int32(session, "0", IVIFGEN_ATTR_FUNC_WAVEFORM), IVIFGEN_VAL_WFM_SQUARE);
  EXPECT_EQ(simtest::int32(session, "1", IVIFGEN_ATTR_FUNC_WAVEFORM), IVIFGEN_VAL_WFM_TRIANGLE);
  EXPECT_EQ(simtest::real(session, "0", IVIFGEN_ATTR_FUNC_AMPLITUDE), 2.0);
  EXPECT_EQ(simtest::real(session, "1", IVIFGEN_ATTR_FUNC_DC_OFFSET), -1.0);
  EXPECT_EQ(simtest::real(session, "0", IVIFGEN_ATTR_FUNC_FREQUENCY), 1e6);
  EXPECT_EQ(simtest::real(session, "1", IVIFGEN_ATTR_FUNC_START_PHASE), -45.0);
  EXPECT_EQ(simtest::boolean(session, "0", IVIFGEN_ATTR_OUTPUT_ENABLED), VI_TRUE);
  EXPECT_EQ(simtest::boolean(session, "1", IVIFGEN_ATTR_OUTPUT_ENABLED), VI_FALSE);

  // A list or no channel at all writes every channel named.
  ASSERT_EQ(tovik_SetAttributeViReal64(session, "0, 1", IVIFGEN_ATTR_FUNC_FREQUENCY, 5e3), 0);
  ASSERT_EQ(tovik_ConfigureAmplitude(session, "", 3.0), 0);
  for (const char* channel : {"0", "1"}) {
    SCOPED_TRACE(channel);
    EXPECT_EQ(simtest::real(session, channel, IVIFGEN_ATTR_FUNC_FREQUENCY), 5e3);
    EXPECT_EQ(simtest::real(session, channel, IVIFGEN_ATTR_FUNC_AMPLITUDE), 3.0);
  }
  // Session-wide attributes take no channel.
  ASSERT_EQ(tovik_ConfigureOutputMode(session, IVIFGEN_VAL_OUTPUT_ARB), 0);
  EXPECT_EQ(simtest::int32(session, "", IVIFGEN_ATTR_OUTPUT_MODE), IVIFGEN_VAL_OUTPUT_ARB);
  ASSERT_EQ(tovik_SetAttributeViString(session, "", TOVIK_ATTR_DIGITAL_EDGE_START_TRIGGER_SOURCE, "PXI_Trig3"), 0);
  EXPECT_EQ(simtest::text(session, "", TOVIK_ATTR_DIGITAL_EDGE_START_TRIGGER_SOURCE), "PXI_Trig3");
}

TEST(SimulatorSessions, ResetPutsTheModelDefaultsBack) {
  for (auto reset : {tovik_reset, tovik_ResetWithDefaults}) {
    SimulatedSession session("GE");
    ASSERT_EQ(session.status(), 0);
    ASSERT_EQ(tovik_ConfigureStandardWaveform(session, "0", IVIFGEN_VAL_WFM_RAMP_UP, 4.0, 1.0, 5e6, 10.0), 0);
    ASSERT_EQ(tovik_ConfigureSampleRate(session, 1e6), 0);
    ViInt32 handle = 0;
    ASSERT_EQ(tovik_AllocateWaveform(session, "0", 1024, &handle), 0);
    ASSERT_EQ(tovik_ConfigureArbWaveform(session, "0", handle, 1.0, 0.0), 0);
    ASSERT_EQ(tovik_ConfigureSoftwareEdgeStartTrigger(session), 0);
    ASSERT_EQ(tovik_InitiateGeneration(session), 0);

    ASSERT_EQ(reset(session), 0);
    EXPECT_EQ(simtest::int32(session, "0", IVIFGEN_ATTR_FUNC_WAVEFORM), IVIFGEN_VAL_WFM_SINE);
    EXPECT_EQ(simtest::real(session, "0", IVIFGEN_ATTR_FUNC_AMPLITUDE), 1.0);
    EXPECT_EQ(simtest::real(session, "0", IVIFGEN_ATTR_FUNC_FREQUENCY), 1000.0);
    EXPECT_EQ(simtest::real(session, "", IVIFGEN_ATTR_ARB_SAMPLE_RATE), 100e6);  // the GE's fastest
    EXPECT_EQ(simtest::int32(session, "0", IVIFGEN_ATTR_ARB_WAVEFORM_HANDLE), 0);
    EXPECT_EQ(simtest::int32(session, "", TOVIK_ATTR_START_TRIGGER_TYPE), TOVIK_VAL_START_TRIGGER_NONE);
    EXPECT_EQ(simtest::int32(session, "", TOVIK_ATTR_FREE_MEMORY), 16777216);
    ViInt32 state = -1;
    EXPECT_EQ(tovik_GetHardwareState(session, &state), 0);
    EXPECT_EQ(state, TOVIK_VAL_HARDWARE_STATE_IDLE);
    expectRecorded(session, tovik_ClearArbWaveform(session, handle), kInvalidValue, {"waveformHandle"});
  }
}

// One bad argument per row: the status, the engine's recorded code and the
// pieces of its elaboration; nothing of the call may be applied.
struct BadCall {
  const char* name;
  std::function<ViStatus(ViSession)> call;
  ViStatus code;
  std::vector<std::string> pieces;
};

TEST(SimulatorArguments, BadValuesAreRefusedAndRecorded) {
  static char longName[300];
  std::fill(std::begin(longName), std::end(longName) - 1, 'w');
  const ViReal64 samples[4] = {0, 0.5, 1, -1};
  const ViReal64 tooLoud[4] = {0, 0.5, 1.5, -1};
  const ViReal64 notANumber[2] = {0, std::nan("")};
  const std::vector<BadCall> calls = {
      {"negative frequency", [](ViSession vi) { return tovik_ConfigureFrequency(vi, "0", -5); }, kInvalidValue,
       {"ConfigureFrequency", "frequency = -5", "1e-06 to 43000000"}},
      {"frequency above the model", [](ViSession vi) { return tovik_ConfigureFrequency(vi, "0", 50e6); },
       kInvalidValue, {"frequency = 50000000", "GE"}},
      {"zero amplitude", [](ViSession vi) { return tovik_ConfigureAmplitude(vi, "0", 0.0); }, kInvalidValue,
       {"amplitude = 0", "0 (excluded) to 12"}},
      {"unknown waveform",
       [](ViSession vi) { return tovik_ConfigureStandardWaveform(vi, "0", 999, 1.0, 0.0, 1e3, 0.0); },
       kInvalidValue, {"waveform = 999", "IVIFGEN_VAL_WFM_SINE (1)"}},
      {"amplitude and offset beyond the output",
       [](ViSession vi) { return tovik_ConfigureStandardWaveform(vi, "0", IVIFGEN_VAL_WFM_SINE, 10.0, 2.0, 1e3, 0.0); },
       kInvalidValue, {"amplitude = 10", "offset of 2", "up to 6 V"}},
      {"start phase", [](ViSession vi) { return tovik_ConfigureStandardWaveform(vi, "0", 1, 1.0, 0.0, 1e3, 200.0); },
       kInvalidValue, {"startPhase = 200", "-180 to 180"}},
      {"unknown channel", [](ViSession vi) { return tovik_ConfigureFrequency(vi, "7", 1e3); }, kUnknownChannelName,
       {"channelName = \"7\"", "accepted \"0\""}},
      {"one bad name in a list", [](ViSession vi) { return tovik_ConfigureOutputEnabled(vi, "0,x", VI_FALSE); },
       kUnknownChannelName, {"\"x\""}},
      {"impedance", [](ViSession vi) { return tovik_ConfigureOutputImpedance(vi, "0", 60.0); }, kInvalidValue,
       {"impedance = 60", "50, 75"}},
      {"output mode", [](ViSession vi) { return tovik_ConfigureOutputMode(vi, 5); }, kInvalidValue,
       {"outputMode = 5", "IVIFGEN_VAL_OUTPUT_SEQ (2)"}},
      {"sample rate", [](ViSession vi) { return tovik_ConfigureSampleRate(vi, 1e12); }, kInvalidValue,
       {"sampleRate = 1e+12", "10 to 100000000"}},
      {"trigger terminal",
       [](ViSession vi) { return tovik_ConfigureDigitalEdgeStartTrigger(vi, "PFI9", TOVIK_VAL_RISING_EDGE); },
       kInvalidValue, {"source = \"PFI9\"", "\"PFI0\""}},
      {"null channel list pointer is all channels, a null output is not",
       [](ViSession vi) { return tovik_GetAttributeViReal64(vi, "0", IVIFGEN_ATTR_FUNC_FREQUENCY, nullptr); },
       kNullPointer, {"attributeValue is NULL"}},
      {"read-only attribute",
       [](ViSession vi) { return tovik_SetAttributeViInt32(vi, "", IVIFGEN_ATTR_MAX_NUM_WAVEFORMS, 3); },
       kAttributeNotWritable, {"IVIFGEN_ATTR_MAX_NUM_WAVEFORMS", "read-only"}},
      {"unknown attribute", [](ViSession vi) { return tovik_SetAttributeViInt32(vi, "", 1150999, 3); },
       kInvalidAttribute, {"attributeId = 1150999"}},
      {"attribute of another type",
       [](ViSession vi) { return tovik_SetAttributeViInt32(vi, "0", IVIFGEN_ATTR_FUNC_FREQUENCY, 3); },
       kTypesDoNotMatch, {"ViReal64 attribute, not ViInt32"}},
      {"attribute value out of range",
       [](ViSession vi) { return tovik_CheckAttributeViInt32(vi, "0", IVIFGEN_ATTR_BURST_COUNT, 0); },
       kInvalidValue, {"attributeValue = 0", "1 to 16777216"}},
      {"negative buffer size", [](ViSession vi) {
         char name[8];
         return tovik_GetChannelName(vi, 1, -1, name);
       },
       kInvalidValue, {"bufferSize = -1 is negative"}},
      {"channel index", [](ViSession vi) {
         char name[8];
         return tovik_GetChannelName(vi, 2, sizeof name, name);
       },
       kInvalidValue, {"index = 2", "1 to 1"}},
      {"null revision buffer", [](ViSession vi) { return tovik_revision_query(vi, nullptr, nullptr); }, kNullPointer,
       {"instrumentDriverRevision is NULL"}},
      {"null waveform data", [](ViSession vi) {
         ViInt32 handle = 0;
         return tovik_CreateWaveformF64(vi, "0", 4, nullptr, &handle);
       },
       kNullPointer, {"waveformDataArray is NULL"}},
      {"null waveform handle", [&](ViSession vi) { return tovik_CreateWaveformF64(vi, "0", 4, samples, nullptr); },
       kNullPointer, {"waveformHandle is NULL"}},
      {"negative waveform size", [&](ViSession vi) {
         ViInt32 handle = 0;
         return tovik_CreateWaveformF64(vi, "0", -1, samples, &handle);
       },
       kInvalidValue, {"waveformSize = -1", "2 to 16777216 in multiples of 2"}},
      {"waveform size off the quantum", [&](ViSession vi) {
         ViInt32 handle = 0;
         return tovik_AllocateWaveform(vi, "0", 3, &handle);
       },
       kInvalidValue, {"waveformSize = 3"}},
      {"waveform larger than the memory", [&](ViSession vi) {
         ViInt32 handle = 0;
         return tovik_AllocateWaveform(vi, "0", 16777218, &handle);
       },
       kInvalidValue, {"waveformSize = 16777218"}},
      {"sample out of range", [&](ViSession vi) {
         ViInt32 handle = 0;
         return tovik_CreateWaveformF64(vi, "0", 4, tooLoud, &handle);
       },
       kInvalidValue, {"waveformDataArray[2] = 1.5", "-1 to 1"}},
      {"sample not a number", [&](ViSession vi) {
         return tovik_DefineUserStandardWaveform(vi, "0", 2, notANumber);
       },
       kInvalidValue, {"waveformDataArray[1] = NaN"}},
      {"over-long waveform name", [](ViSession vi) { return tovik_AllocateNamedWaveform(vi, "0", longName, 64); },
       kInvalidValue, {"waveformName is longer than 255 characters"}},
      {"empty waveform name", [](ViSession vi) { return tovik_AllocateNamedWaveform(vi, "0", "", 64); },
       kInvalidValue, {"waveformName is empty"}},
      {"null waveform name", [](ViSession vi) { return tovik_DeleteNamedWaveform(vi, "0", nullptr); }, kNullPointer,
       {"waveformName is NULL"}},
      {"unknown waveform name", [](ViSession vi) { return tovik_DeleteNamedWaveform(vi, "0", "nope"); },
       kInvalidValue, {"\"nope\" names no waveform"}},
      {"negative wait", [](ViSession vi) { return tovik_WaitUntilDone(vi, -2); }, kInvalidValue,
       {"maxTime = -2"}},
      {"negative error buffer", [](ViSession vi) {
         ViStatus code = 0;
         char text[8];
         // The pending error is this call's own, so read it with the rule.
         return tovik_GetError(vi, &code, -5, text);
       },
       kInvalidValue, {"errorDescriptionBufferSize = -5"}},
      {"unlocking what is not locked", [](ViSession vi) { return tovik_UnlockSession(vi, nullptr); },
       kSessionNotLocked, {"holds no lock"}},
  };
  for (const BadCall& bad : calls) {
    SCOPED_TRACE(bad.name);
    SimulatedSession session("GE");
    ASSERT_EQ(session.status(), 0);
    expectRecorded(session, bad.call(session), bad.code, bad.pieces);
    // Nothing was applied.
    EXPECT_EQ(simtest::real(session, "0", IVIFGEN_ATTR_FUNC_FREQUENCY), 1000.0);
    EXPECT_EQ(simtest::int32(session, "", TOVIK_ATTR_FREE_MEMORY), 16777216);
    EXPECT_EQ(simtest::boolean(session, "0", IVIFGEN_ATTR_OUTPUT_ENABLED), VI_TRUE);
  }
}

TEST(SimulatorArguments, ErrorsNameTheParameterPositionAndKeepTheFirst) {
  SimulatedSession session("GE");
  ASSERT_EQ(session.status(), 0);
  EXPECT_EQ(tovik_ConfigureFrequency(session, "0", -1.0), kInvalidValue);
  EXPECT_EQ(tovik_ConfigureFrequency(session, "9", 1e3), kUnknownChannelName);  // not recorded over the first
  ViStatus primary = 0, secondary = 0;
  char elaboration[256] = "";
  ASSERT_EQ(tovik_GetErrorInfo(session, &primary, &secondary, elaboration), 0);
  EXPECT_EQ(primary, kInvalidValue);
  EXPECT_EQ(secondary, kParameter3);
  EXPECT_EQ(std::string(elaboration).rfind("ConfigureFrequency: frequency = -1 ", 0), 0u) << elaboration;
  // Reading cleared it.
  EXPECT_EQ(takeError(session).code, 0);

  EXPECT_EQ(tovik_ConfigureAmplitude(session, "0", -1.0), kInvalidValue);
  EXPECT_EQ(tovik_ClearError(session), 0);
  EXPECT_EQ(takeError(session).code, 0);
}

TEST(SimulatorArguments, GetErrorFollowsTheBufferRule) {
  SimulatedSession session("GE");
  ASSERT_EQ(session.status(), 0);
  ASSERT_EQ(tovik_ConfigureFrequency(session, "0", -5.0), kInvalidValue);
  ViStatus code = 0;
  const ViStatus needed = tovik_GetError(session, &code, 0, nullptr);
  EXPECT_EQ(code, kInvalidValue);
  ASSERT_GT(needed, 20);
  char shortBuffer[10];
  EXPECT_EQ(tovik_GetError(session, &code, sizeof shortBuffer, shortBuffer), needed);
  EXPECT_EQ(std::string(shortBuffer).size(), sizeof shortBuffer - 1);
  // Only a whole description clears the error.
  std::string whole(static_cast<size_t>(needed), '\0');
  EXPECT_EQ(tovik_GetError(session, &code, needed, &whole[0]), 0);
  EXPECT_EQ(code, kInvalidValue);
  EXPECT_EQ(takeError(session).code, 0);
}

TEST(SimulatorWaveforms, HandlesNamesAndWritePositions) {
  SimulatedSession session("GE");
  ASSERT_EQ(session.status(), 0);
  ViInt32 maxCount = 0, quantum = 0, minSize = 0, maxSize = 0;
  ASSERT_EQ(tovik_QueryArbWfmCapabilities(session, &maxCount, &quantum, &minSize, &maxSize), 0);
  EXPECT_EQ(maxCount, 4096);
  EXPECT_EQ(quantum, 2);
  EXPECT_EQ(minSize, 2);
  EXPECT_EQ(maxSize, 16777216);

  ViInt32 allocated = 0;
  ASSERT_EQ(tovik_AllocateWaveform(session, "0", 8, &allocated), 0);
  const ViReal64 four[4] = {0.1, 0.2, 0.3, 0.4};
  ASSERT_EQ(tovik_WriteWaveform(session, "0", allocated, 4, four), 0);
  ASSERT_EQ(tovik_WriteWaveform(session, "0", allocated, 4, four), 0);
  // The waveform is full: one more sample does not fit.
  expectRecorded(session, tovik_WriteWaveform(session, "0", allocated, 1, four), kInvalidValue,
                 {"size = 1 samples at write position 8", "accepted 1 to 0"});
  ASSERT_EQ(tovik_SetWaveformNextWritePosition(session, "0", allocated, TOVIK_VAL_WAVEFORM_POSITION_START, 6), 0);
  ASSERT_EQ(tovik_WriteWaveform(session, "0", allocated, 2, four), 0);
  expectRecorded(session,
                 tovik_SetWaveformNextWritePosition(session, "0", allocated, TOVIK_VAL_WAVEFORM_POSITION_CURRENT, 1),
                 kInvalidValue, {"offset = 1", "-8 to 0"});

  ASSERT_EQ(tovik_AllocateNamedWaveform(session, "0", "ramp", 16), 0);
  expectRecorded(session, tovik_AllocateNamedWaveform(session, "0", "ramp", 16), kInvalidValue,
                 {"\"ramp\" names a waveform already"});
  const ViInt16 binary[4] = {-32768, 0, 16384, 32767};
  ASSERT_EQ(tovik_WriteNamedWaveformI16(session, "0", "ramp", 4, binary), 0);
  ASSERT_EQ(tovik_SetNamedWaveformNextWritePosition(session, "0", "ramp", TOVIK_VAL_WAVEFORM_POSITION_START, 12), 0);
  ASSERT_EQ(tovik_WriteNamedWaveformF64(session, "0", "ramp", 4, four), 0);
  EXPECT_EQ(simtest::int32(session, "", TOVIK_ATTR_FREE_MEMORY), 16777216 - 8 - 16);

  // Handles are checked against the session's own waveforms only.
  for (ViInt32 never : {0, -1, 999, allocated + 1000, 20000}) {
    SCOPED_TRACE(never);
    expectRecorded(session, tovik_ConfigureArbWaveform(session, "0", never, 1.0, 0.0), kInvalidValue,
                   {"waveformHandle = " + std::to_string(never), std::to_string(allocated)});
    expectRecorded(session, tovik_WriteWaveform(session, "0", never, 4, four), kInvalidValue,
                   {"waveformHandle = " + std::to_string(never)});
  }

  // A waveform in use is kept; unconfigured it can go, once.
  ASSERT_EQ(tovik_ConfigureArbWaveform(session, "0", allocated, 2.0, 0.5), 0);
  expectRecorded(session, tovik_ClearArbWaveform(session, allocated), IVIFGEN_ERROR_WFM_IN_USE,
                 {"configured on channel \"0\""});
  ASSERT_EQ(tovik_ClearArbMemory(session), 0);
  EXPECT_EQ(simtest::int32(session, "0", IVIFGEN_ATTR_ARB_WAVEFORM_HANDLE), 0);
  EXPECT_EQ(simtest::int32(session, "", TOVIK_ATTR_FREE_MEMORY), 16777216);
  expectRecorded(session, tovik_DeleteNamedWaveform(session, "0", "ramp"), kInvalidValue, {"\"ramp\""});
}

TEST(SimulatorWaveforms, AMebisampleWaveformIsQuick) {
  SimulatedSession session("GE");
  ASSERT_EQ(session.status(), 0);
  std::vector<ViReal64> samples(1 << 20);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = std::sin(static_cast<double>(i) / 100.0);
  const auto start = std::chrono::steady_clock::now();
  ViInt32 handle = 0;
  ASSERT_EQ(tovik_CreateWaveformF64(session, "0", static_cast<ViInt32>(samples.size()), samples.data(), &handle), 0);
  samples.back() = 2.0;  // the last sample is checked too
  expectRecorded(session,
                 tovik_CreateWaveformF64(session, "0", static_cast<ViInt32>(samples.size()), samples.data(), &handle),
                 kInvalidValue, {"waveformDataArray[1048575] = 2"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(SimulatorWaveforms, MemoryAndCountAreBounded) {
  SimulatedSession session("GD");  // 2 Msamples, 512 waveforms
  ASSERT_EQ(session.status(), 0);
  ViInt32 handle = 0;
  ASSERT_EQ(tovik_AllocateWaveform(session, "0", 1500000, &handle), 0);
  expectRecorded(session, tovik_AllocateWaveform(session, "0", 600000, &handle), TOVIK_ERROR_WAVEFORM_MEMORY_FULL,
                 {"600000 samples", "597152 of the GD's 2097152"});
  ASSERT_EQ(tovik_ClearArbMemory(session), 0);
  for (int i = 0; i < 512; ++i) ASSERT_EQ(tovik_AllocateWaveform(session, "0", 2, &handle), 0);
  expectRecorded(session, tovik_AllocateWaveform(session, "0", 2, &handle), IVIFGEN_ERROR_NO_WFMS_AVAILABLE,
                 {"512 waveforms"});
}

TEST(SimulatorWaveforms, FileWaveformsAreReadInTheirByteOrder) {
  char path[] = "/tmp/simulator_waveform_XXXXXX";
  const int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const unsigned char bigEndian[8] = {0x7F, 0xFF, 0x00, 0x00, 0x80, 0x01, 0x40, 0x00};  // 32767, 0, -32767, 16384
  ASSERT_EQ(write(fd, bigEndian, sizeof bigEndian), static_cast<ssize_t>(sizeof bigEndian));
  ::close(fd);
  SimulatedSession session("GE");
  ASSERT_EQ(session.status(), 0);
  ViInt32 handle = 0;
  ASSERT_EQ(tovik_CreateWaveformFromFileI16(session, "0", path, TOVIK_VAL_BIG_ENDIAN, &handle), 0);
  EXPECT_EQ(simtest::int32(session, "", TOVIK_ATTR_FREE_MEMORY), 16777216 - 4);
  // As doubles the same 8 bytes are one sample: not a whole waveform.
  expectRecorded(session, tovik_CreateWaveformFromFileF64(session, "0", path, TOVIK_VAL_LITTLE_ENDIAN, &handle),
                 kInvalidValue, {"holds 1 samples, which is not a waveform size"});
  unlink(path);
  expectRecorded(session, tovik_CreateWaveformFromFileI16(session, "0", path, TOVIK_VAL_BIG_ENDIAN, &handle),
                 TOVIK_ERROR_FILE, {path, "No such file"});
}

TEST(SimulatorSequences, SequencesAndFrequencyListsCheckTheirParts) {
  SimulatedSession session("GE");
  ASSERT_EQ(session.status(), 0);
  ViInt32 maxSequences = 0, minLength = 0, maxLength = 0, maxLoops = 0;
  ASSERT_EQ(tovik_QueryArbSeqCapabilities(session, &maxSequences, &minLength, &maxLength, &maxLoops), 0);
  EXPECT_EQ(maxSequences, 1024);
  EXPECT_EQ(maxLoops, 16777215);

  ViInt32 waveform = 0, sequence = 0;
  ASSERT_EQ(tovik_AllocateWaveform(session, "0", 64, &waveform), 0);
  const ViInt32 handles[2] = {waveform, waveform};
  const ViInt32 loops[2] = {1, 3};
  ASSERT_EQ(tovik_CreateArbSequence(session, 2, handles, loops, &sequence), 0);
  const ViInt32 badHandles[2] = {waveform, sequence};  // a sequence is no waveform
  expectRecorded(session, tovik_CreateArbSequence(session, 2, badHandles, loops, &sequence), kInvalidValue,
                 {"waveformHandlesArray[1] = " + std::to_string(sequence)});
  const ViInt32 badLoops[2] = {1, 0};
  expectRecorded(session, tovik_CreateArbSequence(session, 2, handles, badLoops, &sequence), kInvalidValue,
                 {"loopCountsArray[1] = 0", "1 to 16777215"});
  expectRecorded(session, tovik_ConfigureArbSequence(session, "0", waveform, 1.0, 0.0), kInvalidValue,
                 {"sequenceHandle = " + std::to_string(waveform)});
  ASSERT_EQ(tovik_ConfigureArbSequence(session, "0", sequence, 1.0, 0.0), 0);
  expectRecorded(session, tovik_ClearArbWaveform(session, waveform), IVIFGEN_ERROR_WFM_IN_USE,
                 {"sequence " + std::to_string(sequence)});
  expectRecorded(session, tovik_ClearArbSequence(session, sequence), IVIFGEN_ERROR_SEQ_IN_USE, {"channel \"0\""});

  ViInt32 maxLists = 0, minListLength = 0, maxListLength = 0, list = 0;
  ViReal64 minDuration = 0, maxDuration = 0, quantum = 0;
  ASSERT_EQ(tovik_QueryFreqListCapabilities(session, &maxLists, &minListLength, &maxListLength, &minDuration,
                                            &maxDuration, &quantum),
            0);
  EXPECT_EQ(maxLists, 256);
  EXPECT_EQ(quantum, 10e-6);
  const ViReal64 frequencies[2] = {1e3, 2e3};
  const ViReal64 durations[2] = {1e-3, 2e-3};
  ASSERT_EQ(tovik_CreateFreqList(session, IVIFGEN_VAL_WFM_SINE, 2, frequencies, durations, &list), 0);
  const ViReal64 offQuantum[2] = {1e-3, 15e-6};
  expectRecorded(session, tovik_CreateFreqList(session, IVIFGEN_VAL_WFM_SINE, 2, frequencies, offQuantum, &list),
                 kInvalidValue, {"durationArray[1] = 1.5e-05", "multiple of 1e-05"});
  const ViReal64 tooHigh[2] = {1e3, 1e9};
  expectRecorded(session, tovik_CreateFreqList(session, IVIFGEN_VAL_WFM_SINE, 2, tooHigh, durations, &list),
                 kInvalidValue, {"frequencyArray[1] = 1000000000"});
  ASSERT_EQ(tovik_ConfigureFreqList(session, "0", list, 2.0, 0.0, 0.0), 0);
  expectRecorded(session, tovik_ClearFreqList(session, list), TOVIK_ERROR_FREQ_LIST_IN_USE, {"channel \"0\""});
}

TEST(SimulatorGeneration, FiniteGenerationEndsAndContinuousDoesNot) {
  SimulatedSession session("GE");
  ASSERT_EQ(session.status(), 0);
  ASSERT_EQ(tovik_ConfigureFrequency(session, "0", 1e3), 0);
  ASSERT_EQ(tovik_ConfigureOperationMode(session, "0", IVIFGEN_VAL_OPERATE_BURST), 0);
  ASSERT_EQ(tovik_SetAttributeViInt32(session, "0", IVIFGEN_ATTR_BURST_COUNT, 20), 0);  // 20 ms
  ASSERT_EQ(tovik_InitiateGeneration(session), 0);
  expectRecorded(session, tovik_InitiateGeneration(session), TOVIK_ERROR_GENERATION_IN_PROGRESS, {"abort it first"});
  ASSERT_EQ(tovik_WaitUntilDone(session, 5000), 0);
  ViBoolean done = VI_FALSE;
  ASSERT_EQ(tovik_IsDone(session, &done), 0);
  EXPECT_EQ(done, VI_TRUE);
  ViInt32 state = -1;
  ASSERT_EQ(tovik_GetHardwareState(session, &state), 0);
  EXPECT_EQ(state, TOVIK_VAL_HARDWARE_STATE_DONE);
  ASSERT_EQ(tovik_AbortGeneration(session), 0);

  ASSERT_EQ(tovik_ConfigureOperationMode(session, "0", IVIFGEN_VAL_OPERATE_CONTINUOUS), 0);
  ASSERT_EQ(tovik_InitiateGeneration(session), 0);
  ASSERT_EQ(tovik_IsDone(session, &done), 0);
  EXPECT_EQ(done, VI_FALSE);
  // Nothing can end it while the wait holds the session: no hang.
  expectRecorded(session, tovik_WaitUntilDone(session, -1), TOVIK_ERROR_MAX_TIME_EXCEEDED, {"continuous"});
  ASSERT_EQ(tovik_AbortGeneration(session), 0);
  ASSERT_EQ(tovik_IsDone(session, &done), 0);
  EXPECT_EQ(done, VI_TRUE);
}

TEST(SimulatorGeneration, SoftwareTriggerStartsAWaitingGeneration) {
  SimulatedSession session("GE");
  ASSERT_EQ(session.status(), 0);
  expectRecorded(session, tovik_SendSoftwareEdgeTrigger(session, TOVIK_VAL_START_TRIGGER, ""),
                 IVIFGEN_ERROR_TRIGGER_NOT_SOFTWARE, {"software trigger"});
  ASSERT_EQ(tovik_ConfigureSoftwareEdgeStartTrigger(session), 0);
  ASSERT_EQ(tovik_InitiateGeneration(session), 0);
  ViInt32 state = -1;
  ASSERT_EQ(tovik_GetHardwareState(session, &state), 0);
  EXPECT_EQ(state, TOVIK_VAL_HARDWARE_STATE_WAITING_FOR_START_TRIGGER);
  expectRecorded(session, tovik_WaitUntilDone(session, 100), TOVIK_ERROR_MAX_TIME_EXCEEDED, {"start trigger"});
  expectRecorded(session, tovik_SendSoftwareEdgeTrigger(session, 2, ""), kInvalidValue, {"trigger = 2"});
  ASSERT_EQ(tovik_SendSoftwareEdgeTrigger(session, TOVIK_VAL_START_TRIGGER, ""), 0);
  ASSERT_EQ(tovik_GetHardwareState(session, &state), 0);
  EXPECT_EQ(state, TOVIK_VAL_HARDWARE_STATE_RUNNING);
}

TEST(SimulatorGeneration, ConflictsGoToTheInstrumentErrorQueue) {
  SimulatedSession session("GE");
  ASSERT_EQ(session.status(), 0);
  ASSERT_EQ(tovik_ConfigureOutputMode(session, IVIFGEN_VAL_OUTPUT_ARB), 0);
  expectRecorded(session, tovik_InitiateGeneration(session), TOVIK_ERROR_SETTINGS_CONFLICT,
                 {"channel \"0\"", "no waveform is configured"});
  // Amplitude and offset each in range, together beyond the output.
  ASSERT_EQ(tovik_ConfigureOutputMode(session, IVIFGEN_VAL_OUTPUT_FUNC), 0);
  ASSERT_EQ(tovik_ConfigureAmplitude(session, "0", 12.0), 0);
  ASSERT_EQ(tovik_SetAttributeViReal64(session, "0", IVIFGEN_ATTR_FUNC_DC_OFFSET, 1.0), 0);
  expectRecorded(session, tovik_Commit(session), TOVIK_ERROR_SETTINGS_CONFLICT, {"+-6 V"});

  ViInt32 code = 1;
  char message[256] = "";
  ASSERT_EQ(tovik_error_query(session, &code, message), 0);
  EXPECT_EQ(code, TOVIK_DEVICE_SETTINGS_CONFLICT);
  EXPECT_NE(std::string(message).find("no waveform"), std::string::npos) << message;
  ASSERT_EQ(tovik_error_query(session, &code, message), 0);
  EXPECT_EQ(code, TOVIK_DEVICE_SETTINGS_CONFLICT);
  ASSERT_EQ(tovik_error_query(session, &code, message), 0);
  EXPECT_EQ(code, TOVIK_DEVICE_NO_ERROR);
  EXPECT_STREQ(message, "No error.");
}

TEST(SimulatorGeneration, CaptureWritesTheFirstSamplesOfEnabledChannels) {
  char folder[] = "/tmp/simulator_capture_XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  SimulatedSession session("GA (2CH)");
  ASSERT_EQ(session.status(), 0);
  ASSERT_EQ(tovik_ConfigureStandardWaveform(session, "0", IVIFGEN_VAL_WFM_SINE, 2.0, 0.5, 1e3, 0.0), 0);
  ASSERT_EQ(tovik_ConfigureOutputEnabled(session, "1", VI_FALSE), 0);
  ASSERT_EQ(setenv("TOVIK_SIM_CAPTURE_DIR", folder, 1), 0);
  const ViStatus started = tovik_InitiateGeneration(session);
  unsetenv("TOVIK_SIM_CAPTURE_DIR");
  ASSERT_EQ(started, 0);

  const std::string prefix = std::string(folder) + "/tovik_sim_" + std::to_string(session.vi()) + "_channel";
  std::ifstream capture(prefix + "0.csv");
  std::string line;
  ASSERT_TRUE(std::getline(capture, line));
  EXPECT_EQ(line, "time_s,volts");
  double low = 1e9, high = -1e9, lastTime = -1;
  int rows = 0;
  while (std::getline(capture, line)) {
    double time = 0, volts = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf", &time, &volts), 2) << line;
    EXPECT_GT(time, lastTime);
    lastTime = time;
    low = std::min(low, volts);
    high = std::max(high, volts);
    ++rows;
  }
  EXPECT_EQ(rows, 1000);
  EXPECT_NEAR(high, 1.5, 1e-3);  // offset 0.5 + amplitude 2 / 2
  EXPECT_NEAR(low, -0.5, 1e-3);
  EXPECT_FALSE(std::ifstream(prefix + "1.csv").good()) << "a disabled channel has no capture";
  std::remove((prefix + "0.csv").c_str());
  rmdir(folder);

  // A folder that cannot take the file: generation runs, the call warns.
  ASSERT_EQ(tovik_AbortGeneration(session), 0);
  ASSERT_EQ(setenv("TOVIK_SIM_CAPTURE_DIR", "/nonexistent/capture", 1), 0);
  const ViStatus warned = tovik_InitiateGeneration(session);
  unsetenv("TOVIK_SIM_CAPTURE_DIR");
  expectRecorded(session, warned, TOVIK_WARN_CAPTURE_NOT_WRITTEN, {"/nonexistent/capture/tovik_sim_"});
  ViBoolean done = VI_TRUE;
  ASSERT_EQ(tovik_IsDone(session, &done), 0);
  EXPECT_EQ(done, VI_FALSE);
}

TEST(SimulatorSessions, EntriesItDoesNotSimulateAreNotSupported) {
  SimulatedSession session("GE");
  ASSERT_EQ(session.status(), 0);
  EXPECT_EQ(tovik_WriteScript(session, "0", "script s\n  generate w\nend script"), kFunctionNotSupported);
  EXPECT_EQ(tovik_ConfigureReferenceClock(session, "OnboardClock", 10e6), kFunctionNotSupported);
  EXPECT_EQ(tovik_SelfCal(session), kFunctionNotSupported);
  ViSession ymVi = 0;
  char description[256] = "";
  EXPECT_EQ(YM_tovik_InitWithOptions("", VI_FALSE, VI_FALSE, simtest::options("Model:GE").c_str(), &ymVi,
                                     sizeof description, description),
            kFunctionNotSupported);
  EXPECT_EQ(ymVi, 0u);
}

TEST(SimulatorSessions, IdentificationAndMessages) {
  SimulatedSession session("GH", "PCI");
  ASSERT_EQ(session.status(), 0);
  ViInt16 result = -1;
  char message[256] = "";
  ASSERT_EQ(tovik_self_test(session, &result, message), 0);
  EXPECT_EQ(result, 0);
  EXPECT_NE(std::string(message).find("PCI-GH"), std::string::npos) << message;
  char driver[256] = "", firmware[256] = "";
  ASSERT_EQ(tovik_revision_query(session, driver, firmware), 0);
  EXPECT_STREQ(firmware, "GH 6.2.0");
  EXPECT_EQ(simtest::text(session, "", IVI_ATTR_SPECIFIC_DRIVER_REVISION), driver);
  ASSERT_EQ(tovik_error_message(session, IVIFGEN_ERROR_WFM_IN_USE, message), 0);
  EXPECT_STREQ(message, "The waveform is in use.");
  ASSERT_EQ(tovik_error_message(session, kInvalidValue, message), 0);
  EXPECT_STREQ(message, "Invalid value for parameter or property.");
}

TEST(SimulatorSessions, ClosedHandlesAreRefused) {
  SimulatedSession session("GE");
  ASSERT_EQ(session.status(), 0);
  const ViSession vi = session.vi();
  ASSERT_EQ(session.close(), 0);
  EXPECT_EQ(tovik_ConfigureFrequency(vi, "0", 1e3), kInvalidSessionHandle);
  EXPECT_EQ(tovik_close(vi), kInvalidSessionHandle);
}

}  // namespace
