// Usage-telemetry reports and the Ymber description helpers of the frames.
#include "api/UsageHooks.h"

#include "ivi/IviWrapper.h"
#include "platform/Cancellation.h"
#include "sessions/SessionRegistry.h"
#include "telemetry/UsageTelemetry.h"
#include "tovik/tovik_internal.h"

namespace api {

namespace {

template <typename Report>
TOVIK_HANDLES_CANCELLATION void withSessionLogger(ViSession vi, Report report) {
  try {
    if (miivi::SessionReference session = miivi::sessionRegistry().find(vi)) {
      report(session->telemetryLogger());
    }
  }
  TOVIK_LET_CANCELLATION_PASS
  catch (...) {
  }
}

}  // namespace

void reportFunctionInvoked(ViSession vi, const char* exportName) {
  withSessionLogger(vi, [&](telemetry::SessionLogger* logger) {
    telemetry::functionInvoked(logger, exportName);
  });
}

void reportAttributeSet(ViSession vi, ViAttr attributeId, int64_t value) {
  withSessionLogger(vi, [&](telemetry::SessionLogger* logger) {
    telemetry::attributeSet(logger, attributeId, value);
  });
}

void clearThreadError() { miivi::IviWrapper(0).Ivi_ClearErrorInfo(0); }

void describeForYm(ViInt32 bufferSize, ViChar* buffer) {
  ViStatus scratch = 0;
  YM_tovik_GetError(0, &scratch, bufferSize, buffer);
}

}  // namespace api
