// Starting, stopping and waiting for generation, and its triggers.
#include <time.h>

#include <cerrno>
#include <cmath>

#include "Arguments.h"
#include "Attributes.h"
#include "Capture.h"
#include "Generation.h"
#include "tovik/tovik_attributes.h"
#include "SimulatorEntries.h"

namespace sim {

namespace {

constexpr ViInt32 kWaitForever = -1;

// Sleeps `seconds`; a cancellation point, so a cancelled thread unwinds
// from here.
void sleepFor(double seconds) {
  timespec remaining{static_cast<time_t>(seconds), static_cast<long>((seconds - std::floor(seconds)) * 1e9)};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

ViStatus softwareStart(Call& call) {
  softwareTrigger(call.session());
  return VI_SUCCESS;
}

}  // namespace

namespace entry {

ViStatus InitiateGeneration(Call& call) {
  initiate(call.session());
  return writeCapture(call);
}

ViStatus AbortGeneration(Call& call) {
  abortGeneration(call.session());
  return VI_SUCCESS;
}

ViStatus IsDone(Call& call, ViBoolean* done) {
  require(Param{"done", 2}, done);
  *done = isDone(call.session(), Clock::now()) ? VI_TRUE : VI_FALSE;
  return VI_SUCCESS;
}

ViStatus GetHardwareState(Call& call, ViInt32* state) {
  require(Param{"state", 2}, state);
  *state = hardwareState(call.session(), Clock::now());
  return VI_SUCCESS;
}

// Waits while holding the session, as the hardware would keep it busy; so
// nothing can end a generation that is not finite, and such a wait fails at
// once instead of hanging.
ViStatus WaitUntilDone(Call& call, ViInt32 maxTime) {
  const Param maxTimeParam{"maxTime", 2};
  if (maxTime < 0 && maxTime != kWaitForever) {
    raise(IVI_ERROR_INVALID_VALUE, maxTimeParam,
          "maxTime = " + std::to_string(maxTime) + " is out of range: accepted 0 to 2147483647 ms, or -1 for no limit");
  }
  const double remaining = secondsUntilDone(call.session(), Clock::now());
  if (remaining < 0) {
    raise(TOVIK_ERROR_MAX_TIME_EXCEEDED, call.session().generation == Generation::kWaitingForTrigger
                                             ? "the generation waits for a start trigger and never finishes by itself"
                                             : "the generation is continuous and never finishes by itself");
  }
  if (maxTime != kWaitForever && remaining * 1000.0 > maxTime) {
    sleepFor(maxTime / 1000.0);
    raise(TOVIK_ERROR_MAX_TIME_EXCEEDED, "the generation did not finish within " + std::to_string(maxTime) +
                                             " ms; it needs " + formatNumber(remaining) + " s");
  }
  sleepFor(remaining);
  return VI_SUCCESS;
}

ViStatus ConfigureSoftwareEdgeStartTrigger(Call& call) {
  store(call.session(), TOVIK_ATTR_START_TRIGGER_TYPE, {}, TOVIK_VAL_START_TRIGGER_SOFTWARE_EDGE);
  return VI_SUCCESS;
}

ViStatus ConfigureDigitalEdgeStartTrigger(Call& call, ViConstString source, ViInt32 edge) {
  Session& session = call.session();
  const Param sourceParam{"source", 2};
  const std::string terminal = requireText(sourceParam, source);
  checkValue(session, TOVIK_ATTR_DIGITAL_EDGE_START_TRIGGER_SOURCE, terminal, sourceParam);
  checkValue(session, TOVIK_ATTR_DIGITAL_EDGE_START_TRIGGER_EDGE, edge, Param{"edge", 3});
  store(session, TOVIK_ATTR_DIGITAL_EDGE_START_TRIGGER_SOURCE, {}, terminal);
  store(session, TOVIK_ATTR_DIGITAL_EDGE_START_TRIGGER_EDGE, {}, edge);
  store(session, TOVIK_ATTR_START_TRIGGER_TYPE, {}, TOVIK_VAL_START_TRIGGER_DIGITAL_EDGE);
  return VI_SUCCESS;
}

ViStatus DisableStartTrigger(Call& call) {
  store(call.session(), TOVIK_ATTR_START_TRIGGER_TYPE, {}, TOVIK_VAL_START_TRIGGER_NONE);
  return VI_SUCCESS;
}

ViStatus SendSoftwareEdgeTrigger(Call& call, ViInt32 trigger, ViConstString triggerId) {
  checkEnum(Param{"trigger", 2}, trigger, "SOFTWARE_TRIGGER");
  const Param idParam{"triggerId", 3};
  const std::string id = optionalText(idParam, triggerId);
  if (!id.empty())
    raise(IVI_ERROR_INVALID_VALUE, idParam, "triggerId = " + quote(id) + " is not valid: the start trigger takes \"\"");
  return softwareStart(call);
}

ViStatus SendSoftwareTrigger(Call& call) { return softwareStart(call); }
ViStatus SendSWTrigger(Call& call) { return softwareStart(call); }

ViStatus ConfigureTriggerMode(Call& call, ViConstString channelName, ViInt32 triggerMode) {
  configure(call.session(), channelName, Param{"channelName", 2}, TOVIK_ATTR_TRIGGER_MODE, triggerMode,
            Param{"triggerMode", 3});
  return VI_SUCCESS;
}

ViStatus ConfigureTriggerSource(Call& call, ViConstString channelName, ViInt32 triggerSource) {
  configure(call.session(), channelName, Param{"channelName", 2}, IVIFGEN_ATTR_TRIGGER_SOURCE, triggerSource,
            Param{"triggerSource", 3});
  return VI_SUCCESS;
}

}  // namespace entry
}  // namespace sim
