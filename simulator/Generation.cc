// The generation state machine and the synthesis of each channel's output.
#include "Generation.h"

#include <algorithm>
#include <cmath>

#include "Arguments.h"
#include "tovik/tovik_attributes.h"

namespace sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Room for rounding when a sum of limits is compared with the peak.
constexpr double kTolerance = 1e-9;

[[noreturn]] void conflict(Session& session, size_t channel, const std::string& problem) {
  const std::string text = "channel " + quote(session.channels[channel].name) + ": " + problem;
  const char* message = deviceErrorMessage(TOVIK_DEVICE_SETTINGS_CONFLICT);
  session.queueDeviceError(TOVIK_DEVICE_SETTINGS_CONFLICT, std::string(message ? message : "") + " " + text);
  raise(TOVIK_ERROR_SETTINGS_CONFLICT, text);
}

void checkPeak(Session& session, size_t channel, double swing, double offset, const char* what) {
  const double peak = session.model().peak;
  if (swing + std::fabs(offset) <= peak * (1 + kTolerance)) return;
  conflict(session, channel,
           std::string(what) + " " + formatNumber(swing) + " V plus offset " + formatNumber(offset) +
               " V exceed the " + session.model().label + "'s output range of +-" + formatNumber(peak) + " V");
}

ViInt32 outputMode(const Session& session) { return session.int32(IVIFGEN_ATTR_OUTPUT_MODE); }

// Seconds of one pass of the channel's output (a period, a waveform, a
// sequence, a frequency list).
double passSeconds(const Session& session, size_t channel) {
  const double sampleRate = session.real(IVIFGEN_ATTR_ARB_SAMPLE_RATE);
  switch (outputMode(session)) {
    case IVIFGEN_VAL_OUTPUT_ARB: {
      auto found = session.waveforms.find(session.int32(IVIFGEN_ATTR_ARB_WAVEFORM_HANDLE, channel));
      return found == session.waveforms.end() ? 0.0 : found->second.size / sampleRate;
    }
    case IVIFGEN_VAL_OUTPUT_SEQ: {
      auto found = session.sequences.find(session.int32(IVIFGEN_ATTR_ARB_SEQUENCE_HANDLE, channel));
      double samples = 0.0;
      if (found != session.sequences.end()) {
        for (const SequenceStep& step : found->second)
          samples += static_cast<double>(step.loops) * session.waveforms.at(step.waveform).size;
      }
      return samples / sampleRate;
    }
    case TOVIK_VAL_OUTPUT_FREQ_LIST: {
      auto found = session.freqLists.find(session.int32(TOVIK_ATTR_FREQ_LIST_HANDLE, channel));
      double seconds = 0.0;
      if (found != session.freqLists.end())
        for (const FreqListStep& step : found->second.steps) seconds += step.duration;
      return seconds;
    }
    default:
      return 1.0 / session.real(IVIFGEN_ATTR_FUNC_FREQUENCY, channel);
  }
}

// The passes a channel makes per trigger, or 0 when it repeats until aborted.
double passes(const Session& session, size_t channel) {
  const ViInt32 triggerMode = session.int32(TOVIK_ATTR_TRIGGER_MODE, channel);
  const bool burst = session.int32(IVIFGEN_ATTR_OPERATION_MODE, channel) == IVIFGEN_VAL_OPERATE_BURST ||
                     triggerMode == TOVIK_VAL_BURST;
  if (burst) return session.int32(IVIFGEN_ATTR_BURST_COUNT, channel);
  return triggerMode == TOVIK_VAL_SINGLE ? 1.0 : 0.0;
}

bool immediateSource(ViInt32 source) {
  return source == TOVIK_VAL_IMMEDIATE || source == IVIFGEN_VAL_INTERNAL_TRIGGER;
}

// Whether a start waits for a trigger, and whether software can give it.
bool waitsForTrigger(const Session& session, bool& softwareCanStart, bool& softwareExpected) {
  const ViInt32 startType = session.int32(TOVIK_ATTR_START_TRIGGER_TYPE);
  bool waits = startType != TOVIK_VAL_START_TRIGGER_NONE;
  softwareExpected = startType == TOVIK_VAL_START_TRIGGER_SOFTWARE_EDGE;
  softwareCanStart = startType != TOVIK_VAL_START_TRIGGER_DIGITAL_EDGE;
  for (size_t channel : enabledChannels(session)) {
    const ViInt32 source = session.int32(IVIFGEN_ATTR_TRIGGER_SOURCE, channel);
    if (immediateSource(source)) continue;
    waits = true;
    if (source == IVIFGEN_VAL_SOFTWARE_TRIG)
      softwareExpected = true;
    else
      softwareCanStart = false;
  }
  return waits;
}

void start(Session& session) {
  session.generation = Generation::kRunning;
  session.startedAt = Clock::now();
}

}  // namespace

void checkSettings(Session& session) {
  const ViInt32 mode = outputMode(session);
  for (size_t channel : enabledChannels(session)) {
    const double offset = session.real(IVIFGEN_ATTR_FUNC_DC_OFFSET, channel);
    const double amplitude = session.real(IVIFGEN_ATTR_FUNC_AMPLITUDE, channel);
    const double gain = session.real(IVIFGEN_ATTR_ARB_GAIN, channel);
    const double arbOffset = session.real(IVIFGEN_ATTR_ARB_OFFSET, channel);
    switch (mode) {
      case IVIFGEN_VAL_OUTPUT_ARB:
        if (session.int32(IVIFGEN_ATTR_ARB_WAVEFORM_HANDLE, channel) == 0)
          conflict(session, channel, "the output mode is arbitrary, but no waveform is configured");
        checkPeak(session, channel, gain, arbOffset, "gain");
        break;
      case IVIFGEN_VAL_OUTPUT_SEQ:
        if (session.int32(IVIFGEN_ATTR_ARB_SEQUENCE_HANDLE, channel) == 0)
          conflict(session, channel, "the output mode is sequence, but no sequence is configured");
        checkPeak(session, channel, gain, arbOffset, "gain");
        break;
      case TOVIK_VAL_OUTPUT_FREQ_LIST:
        if (session.int32(TOVIK_ATTR_FREQ_LIST_HANDLE, channel) == 0)
          conflict(session, channel, "the output mode is frequency list, but no frequency list is configured");
        checkPeak(session, channel, amplitude / 2, offset, "half the amplitude");
        break;
      default: {
        const ViInt32 waveform = session.int32(IVIFGEN_ATTR_FUNC_WAVEFORM, channel);
        if (waveform == TOVIK_VAL_WFM_USER && session.channels[channel].userWaveform.empty())
          conflict(session, channel, "the waveform is user-defined, but none is defined");
        checkPeak(session, channel, waveform == IVIFGEN_VAL_WFM_DC ? 0.0 : amplitude / 2, offset,
                  "half the amplitude");
      }
    }
  }
}

void initiate(Session& session) {
  if (session.generation != Generation::kIdle)
    raise(TOVIK_ERROR_GENERATION_IN_PROGRESS, "generation was initiated already; abort it first");
  checkSettings(session);
  bool softwareCanStart = false;
  bool softwareExpected = false;
  if (waitsForTrigger(session, softwareCanStart, softwareExpected))
    session.generation = Generation::kWaitingForTrigger;
  else
    start(session);
}

void softwareTrigger(Session& session) {
  bool softwareCanStart = false;
  bool softwareExpected = false;
  waitsForTrigger(session, softwareCanStart, softwareExpected);
  if (!softwareExpected) {
    raise(IVIFGEN_ERROR_TRIGGER_NOT_SOFTWARE,
          "neither the start trigger nor the trigger source of an enabled channel is a software trigger");
  }
  // Triggers that come while nothing waits are ignored, as by the hardware.
  if (session.generation == Generation::kWaitingForTrigger && softwareCanStart) start(session);
}

void abortGeneration(Session& session) { session.generation = Generation::kIdle; }

double secondsUntilDone(const Session& session, Clock::time_point now) {
  if (session.generation == Generation::kIdle) return 0.0;
  if (session.generation == Generation::kWaitingForTrigger) return -1.0;
  double longest = 0.0;
  for (size_t channel : enabledChannels(session)) {
    const double count = passes(session, channel);
    if (count == 0.0) return -1.0;
    longest = std::max(longest, count * passSeconds(session, channel));
  }
  const double elapsed = std::chrono::duration<double>(now - session.startedAt).count();
  return std::max(0.0, longest - elapsed);
}

bool isDone(const Session& session, Clock::time_point now) { return secondsUntilDone(session, now) == 0.0; }

ViInt32 hardwareState(const Session& session, Clock::time_point now) {
  switch (session.generation) {
    case Generation::kIdle:
      return TOVIK_VAL_HARDWARE_STATE_IDLE;
    case Generation::kWaitingForTrigger:
      return TOVIK_VAL_HARDWARE_STATE_WAITING_FOR_START_TRIGGER;
    case Generation::kRunning:
      break;
  }
  return isDone(session, now) ? TOVIK_VAL_HARDWARE_STATE_DONE : TOVIK_VAL_HARDWARE_STATE_RUNNING;
}

std::vector<size_t> enabledChannels(const Session& session) {
  std::vector<size_t> enabled;
  for (size_t i = 0; i < session.channels.size(); ++i)
    if (session.boolean(IVIFGEN_ATTR_OUTPUT_ENABLED, i)) enabled.push_back(i);
  return enabled;
}

bool generating(const Session& session) { return session.generation != Generation::kIdle; }

// ------------------------------------------------------------ synthesis

namespace {

// A standard waveform at phase `x` (0 to 1 of a period), from -1 to 1.
double shape(ViInt32 waveform, double x, double dutyCycle, const std::vector<float>& user) {
  switch (waveform) {
    case IVIFGEN_VAL_WFM_SQUARE:
      return x < dutyCycle / 100.0 ? 1.0 : -1.0;
    case IVIFGEN_VAL_WFM_TRIANGLE:
      return x < 0.25 ? 4 * x : x < 0.75 ? 2 - 4 * x : 4 * x - 4;
    case IVIFGEN_VAL_WFM_RAMP_UP:
      return 2 * x - 1;
    case IVIFGEN_VAL_WFM_RAMP_DOWN:
      return 1 - 2 * x;
    case IVIFGEN_VAL_WFM_DC:
      return 0.0;
    case TOVIK_VAL_WFM_USER: {
      if (user.empty()) return 0.0;
      const size_t index = std::min(user.size() - 1, static_cast<size_t>(x * static_cast<double>(user.size())));
      return user[index];
    }
    default:
      return std::sin(2 * kPi * x);
  }
}

double fraction(double cycles) { return cycles - std::floor(cycles); }

using Points = std::vector<std::pair<double, double>>;

Points functionSamples(const Session& session, size_t channel, size_t count) {
  const double frequency = session.real(IVIFGEN_ATTR_FUNC_FREQUENCY, channel);
  const double amplitude = session.real(IVIFGEN_ATTR_FUNC_AMPLITUDE, channel);
  const double offset = session.real(IVIFGEN_ATTR_FUNC_DC_OFFSET, channel);
  const double phase = session.real(IVIFGEN_ATTR_FUNC_START_PHASE, channel) / 360.0;
  const double duty = session.real(IVIFGEN_ATTR_FUNC_DUTY_CYCLE_HIGH, channel);
  const ViInt32 waveform = session.int32(IVIFGEN_ATTR_FUNC_WAVEFORM, channel);
  const std::vector<float>& user = session.channels[channel].userWaveform;
  const double step = 2.0 / frequency / static_cast<double>(count);  // two periods
  Points points;
  for (size_t i = 0; i < count; ++i) {
    const double t = step * static_cast<double>(i);
    points.emplace_back(t, offset + amplitude / 2 * shape(waveform, fraction(frequency * t + phase), duty, user));
  }
  return points;
}

// The samples of the channel's waveform or sequence, at the sample rate.
Points arbitrarySamples(const Session& session, size_t channel, size_t count) {
  std::vector<SequenceStep> steps;
  if (outputMode(session) == IVIFGEN_VAL_OUTPUT_SEQ) {
    auto found = session.sequences.find(session.int32(IVIFGEN_ATTR_ARB_SEQUENCE_HANDLE, channel));
    if (found != session.sequences.end()) steps = found->second;
  } else {
    steps.push_back({session.int32(IVIFGEN_ATTR_ARB_WAVEFORM_HANDLE, channel), 1});
  }
  const double gain = session.real(IVIFGEN_ATTR_ARB_GAIN, channel);
  const double offset = session.real(IVIFGEN_ATTR_ARB_OFFSET, channel);
  const double period = 1.0 / session.real(IVIFGEN_ATTR_ARB_SAMPLE_RATE);
  Points points;
  while (points.size() < count && !steps.empty()) {
    for (const SequenceStep& step : steps) {
      auto found = session.waveforms.find(step.waveform);
      if (found == session.waveforms.end()) return points;
      for (ViInt32 loop = 0; loop < step.loops && points.size() < count; ++loop) {
        for (ViInt32 i = 0; i < found->second.size && points.size() < count; ++i) {
          points.emplace_back(period * static_cast<double>(points.size()), offset + gain * found->second.sample(i));
        }
      }
      if (points.size() >= count) break;
    }
  }
  return points;
}

Points freqListSamples(const Session& session, size_t channel, size_t count) {
  auto found = session.freqLists.find(session.int32(TOVIK_ATTR_FREQ_LIST_HANDLE, channel));
  if (found == session.freqLists.end() || found->second.steps.empty()) return {};
  const FreqList& list = found->second;
  double total = 0.0;
  for (const FreqListStep& step : list.steps) total += step.duration;
  const double amplitude = session.real(IVIFGEN_ATTR_FUNC_AMPLITUDE, channel);
  const double offset = session.real(IVIFGEN_ATTR_FUNC_DC_OFFSET, channel);
  const double duty = session.real(IVIFGEN_ATTR_FUNC_DUTY_CYCLE_HIGH, channel);
  const double dt = total / static_cast<double>(count);
  double cycles = session.real(IVIFGEN_ATTR_FUNC_START_PHASE, channel) / 360.0;
  size_t stepIndex = 0;
  double stepEnd = list.steps[0].duration;
  Points points;
  for (size_t i = 0; i < count; ++i) {
    const double t = dt * static_cast<double>(i);
    while (t >= stepEnd && stepIndex + 1 < list.steps.size()) stepEnd += list.steps[++stepIndex].duration;
    points.emplace_back(t, offset + amplitude / 2 * shape(list.waveform, fraction(cycles), duty, {}));
    cycles += list.steps[stepIndex].frequency * dt;  // phase-continuous from step to step
  }
  return points;
}

}  // namespace

std::vector<std::pair<double, double>> firstSamples(const Session& session, size_t channel, size_t count) {
  switch (outputMode(session)) {
    case IVIFGEN_VAL_OUTPUT_ARB:
    case IVIFGEN_VAL_OUTPUT_SEQ:
      return arbitrarySamples(session, channel, count);
    case TOVIK_VAL_OUTPUT_FREQ_LIST:
      return freqListSamples(session, channel, count);
    default:
      return functionSamples(session, channel, count);
  }
}

}  // namespace sim
