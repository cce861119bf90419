// The driver's toggle set over the settings store, with its lock-free answer.
#include "toggles/RuntimeFeatureToggles.h"

#include "status/PlatformStatus.h"

namespace tovikfeaturetoggles {

namespace {

constexpr const char* kKeyPrefix = "tovik";
constexpr const char* kFileName = "features.ini";
constexpr const char* kDirectoryName = "velmora";
constexpr const char* kBaseDirectory = "/var/local";

}  // namespace

RuntimeFeatureToggles::RuntimeFeatureToggles()
    : toggles_(&accessor_, kKeyPrefix, kFileName, kDirectoryName, kBaseDirectory),
      defaults_{{kUsageTelemetry, true}} {
  voerr::throwIfFailed(toggles_.status());
}

void RuntimeFeatureToggles::reload() {
  // After the store's reload, so no answer read before it is published; and
  // also when a cancelled thread unwinds out of it with the store cleared.
  struct Invalidation {
    runtime_toggles::PublishedAnswer& answer;
    ~Invalidation() { answer.invalidate(); }
  } invalidation{usageTelemetry_};
  voerr::PlatformStatus ignored;
  toggles_.reload(ignored);
}

bool RuntimeFeatureToggles::usageTelemetryEnabled() {
  bool answer = false;
  uint32_t ticket = 0;
  if (usageTelemetry_.read(answer, ticket)) return answer;

  const auto found = defaults_.find(kUsageTelemetry);
  const bool defaultValue = found != defaults_.end() && found->second;
  bool result = defaultValue;
  voerr::PlatformStatus status;
  toggles_.get(kUsageTelemetry, defaultValue, result, status);
  answer = status.code < 0 ? defaultValue : result;
  usageTelemetry_.publish(ticket, answer);  // dropped when a reload came in between
  return answer;
}

RuntimeFeatureTogglesInterface& featureToggles() {
  static RuntimeFeatureToggles toggles;
  return toggles;
}

}  // namespace tovikfeaturetoggles
