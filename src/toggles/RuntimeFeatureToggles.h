// The driver's own feature toggles: whether usage telemetry may be collected.
#pragma once

#include <map>
#include <string>

#include "toggles/PublishedAnswer.h"
#include "toggles/RuntimeToggles.h"
#include "toggles/SystemSettingsAccessor.h"

namespace tovikfeaturetoggles {

class RuntimeFeatureTogglesInterface {
 public:
  virtual ~RuntimeFeatureTogglesInterface() = default;
  // Forgets every cached answer and reads the settings file again.
  virtual void reload() = 0;
  // "CEIP" from the settings file; its default when the file, the entry or
  // its value is missing or unreadable. Never fails.
  virtual bool usageTelemetryEnabled() = 0;
};

// Reads /var/local/velmora/systemsettings/tovik_features.ini once; the
// answer is then served without locking until reload().
class RuntimeFeatureToggles final : public RuntimeFeatureTogglesInterface {
 public:
  // Throws voerr::Exception when the store cannot be built (its mutex
  // cannot be created), unless an exception is already propagating.
  RuntimeFeatureToggles();

  void reload() override;
  bool usageTelemetryEnabled() override;

  static constexpr const char* kUsageTelemetry = "CEIP";

 private:
  using Store = runtime_toggles::RuntimeToggles<bool, bool, 6>;

  runtime_toggles::SystemSettingsAccessor accessor_;
  Store toggles_;
  std::map<std::string, bool> defaults_;
  runtime_toggles::PublishedAnswer usageTelemetry_;
};

// The process-wide toggles, built on first use and destroyed at exit. Throws
// as the constructor does; the next call then tries again.
RuntimeFeatureTogglesInterface& featureToggles();

}  // namespace tovikfeaturetoggles
