// Choosing between the recording and the inert usage logger.
#include "telemetry/UsageTelemetry.h"

#include <cxxabi.h>

#include "toggles/RuntimeFeatureToggles.h"

namespace telemetry {

bool usageTelemetryEnabled() {
  try {
    return tovikfeaturetoggles::featureToggles().usageTelemetryEnabled();
  } catch (abi::__forced_unwind&) {
    throw;  // a cancelled thread
  } catch (...) {
    return false;  // toggles that cannot be built allow nothing
  }
}

std::unique_ptr<SessionLogger> createSessionLogger() {
  if (usageTelemetryEnabled()) return std::make_unique<RecordingLogger>();
  return std::make_unique<SessionLogger>();
}

SessionLogger& processLogger() {
  static RecordingLogger recordingLogger;
  static SessionLogger inertLogger;
  static SessionLogger* const chosen =
      usageTelemetryEnabled() ? static_cast<SessionLogger*>(&recordingLogger) : &inertLogger;
  return *chosen;
}

}  // namespace telemetry
