// Usage-telemetry reports and the Ymber description helpers of the frames.
#include "api/UsageHooks.h"

#include "ivi/IviWrapper.h"
#include "sessions/SessionRegistry.h"
#include "telemetry/UsageTelemetry.h"
#include "tovik.h"

namespace api {

namespace {

template <typename Report>
void withSessionLogger(ViSession vi, Report report) noexcept {
  try {
    if (miivi::SessionReference session = miivi::sessionRegistry().find(vi)) {
      report(session->telemetryLogger());
    }
  } catch (...) {
  }
}

}  // namespace

void reportFunctionInvoked(ViSession vi, const char* exportName) noexcept {
  withSessionLogger(vi, [&](telemetry::SessionLogger* logger) {
    telemetry::functionInvoked(logger, exportName);
  });
}

void reportAttributeSet(ViSession vi, ViAttr attributeId, int64_t value) noexcept {
  withSessionLogger(vi, [&](telemetry::SessionLogger* logger) {
    telemetry::attributeSet(logger, attributeId, value);
  });
}

void clearThreadError() { miivi::IviWrapper(0).Ivi_ClearErrorInfo(0); }

void describeForYm(ViInt32 bufferSize, ViChar* buffer) noexcept {
  ViStatus scratch = 0;
  YM_tovik_GetError(0, &scratch, bufferSize, buffer);
}

}  // namespace api
