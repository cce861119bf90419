// Output configuration and standard waveforms.
#include "Arguments.h"
#include "Attributes.h"
#include "tovik/tovik_attributes.h"
#include "SimulatorEntries.h"

namespace sim {

namespace {

constexpr Param kChannelName{"channelName", 2};
constexpr ViInt32 kMinUserWaveformSize = 2;
constexpr ViInt32 kMaxUserWaveformSize = 65536;

ViBoolean boolean(ViBoolean value) { return value ? VI_TRUE : VI_FALSE; }

}  // namespace

namespace entry {

ViStatus ConfigureOutputMode(Call& call, ViInt32 outputMode) {
  configure(call.session(), IVIFGEN_ATTR_OUTPUT_MODE, outputMode, Param{"outputMode", 2});
  return VI_SUCCESS;
}

ViStatus ConfigureOperationMode(Call& call, ViConstString channelName, ViInt32 operationMode) {
  configure(call.session(), channelName, kChannelName, IVIFGEN_ATTR_OPERATION_MODE, operationMode,
            Param{"operationMode", 3});
  return VI_SUCCESS;
}

ViStatus ConfigureOutputImpedance(Call& call, ViConstString channelName, ViReal64 impedance) {
  configure(call.session(), channelName, kChannelName, IVIFGEN_ATTR_OUTPUT_IMPEDANCE, impedance,
            Param{"impedance", 3});
  return VI_SUCCESS;
}

ViStatus ConfigureOutputEnabled(Call& call, ViConstString channelName, ViBoolean enabled) {
  configure(call.session(), channelName, kChannelName, IVIFGEN_ATTR_OUTPUT_ENABLED, boolean(enabled),
            Param{"enabled", 3});
  return VI_SUCCESS;
}

ViStatus EnableOutput(Call& call, ViConstString channelName) {
  return ConfigureOutputEnabled(call, channelName, VI_TRUE);
}

ViStatus DisableOutput(Call& call, ViConstString channelName) {
  return ConfigureOutputEnabled(call, channelName, VI_FALSE);
}

ViStatus ConfigureStandardWaveform(Call& call, ViConstString channelName, ViInt32 waveform, ViReal64 amplitude,
                                   ViReal64 dcOffset, ViReal64 frequency, ViReal64 startPhase) {
  Session& session = call.session();
  const std::vector<size_t> channels = channelsToWrite(session, kChannelName, channelName);
  const Param waveformParam{"waveform", 3};
  const Param amplitudeParam{"amplitude", 4};
  checkValue(session, IVIFGEN_ATTR_FUNC_WAVEFORM, waveform, waveformParam);
  checkValue(session, IVIFGEN_ATTR_FUNC_AMPLITUDE, amplitude, amplitudeParam);
  checkValue(session, IVIFGEN_ATTR_FUNC_DC_OFFSET, dcOffset, Param{"dcOffset", 5});
  checkValue(session, IVIFGEN_ATTR_FUNC_FREQUENCY, frequency, Param{"frequency", 6});
  checkValue(session, IVIFGEN_ATTR_FUNC_START_PHASE, startPhase, Param{"startPhase", 7});
  checkOutputRange(session, amplitudeParam, amplitude, waveform == IVIFGEN_VAL_WFM_DC ? 0.0 : amplitude / 2,
                   dcOffset, "amplitude/2 + |dcOffset|");
  if (waveform == TOVIK_VAL_WFM_USER) {
    for (size_t channel : channels) {
      if (session.channels[channel].userWaveform.empty()) {
        raise(IVI_ERROR_INVALID_VALUE, waveformParam,
              "waveform = TOVIK_VAL_WFM_USER, but channel " + quote(session.channels[channel].name) +
                  " has no user-defined standard waveform (DefineUserStandardWaveform)");
      }
    }
  }
  store(session, IVIFGEN_ATTR_FUNC_WAVEFORM, channels, waveform);
  store(session, IVIFGEN_ATTR_FUNC_AMPLITUDE, channels, amplitude);
  store(session, IVIFGEN_ATTR_FUNC_DC_OFFSET, channels, dcOffset);
  store(session, IVIFGEN_ATTR_FUNC_FREQUENCY, channels, frequency);
  store(session, IVIFGEN_ATTR_FUNC_START_PHASE, channels, startPhase);
  return VI_SUCCESS;
}

ViStatus ConfigureFrequency(Call& call, ViConstString channelName, ViReal64 frequency) {
  configure(call.session(), channelName, kChannelName, IVIFGEN_ATTR_FUNC_FREQUENCY, frequency,
            Param{"frequency", 3});
  return VI_SUCCESS;
}

ViStatus ConfigureAmplitude(Call& call, ViConstString channelName, ViReal64 amplitude) {
  configure(call.session(), channelName, kChannelName, IVIFGEN_ATTR_FUNC_AMPLITUDE, amplitude,
            Param{"amplitude", 3});
  return VI_SUCCESS;
}

ViStatus DefineUserStandardWaveform(Call& call, ViConstString channelName, ViInt32 waveformSize,
                                    const ViReal64* waveformDataArray) {
  Session& session = call.session();
  const std::vector<size_t> channels = channelsToWrite(session, kChannelName, channelName);
  checkCount(Param{"waveformSize", 3}, waveformSize, kMinUserWaveformSize, kMaxUserWaveformSize);
  checkSamples(Param{"waveformDataArray", 4}, waveformDataArray, waveformSize);
  const std::vector<float> samples(waveformDataArray, waveformDataArray + waveformSize);
  for (size_t channel : channels) session.channels[channel].userWaveform = samples;
  return VI_SUCCESS;
}

ViStatus ClearUserStandardWaveform(Call& call, ViConstString channelName) {
  Session& session = call.session();
  for (size_t channel : channelsToWrite(session, kChannelName, channelName))
    session.channels[channel].userWaveform.clear();
  return VI_SUCCESS;
}

}  // namespace entry
}  // namespace sim
