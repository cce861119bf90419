// Building sessions for the registry tests.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "ivi/IviWrapper.h"
#include "ivi/IviWrapperFactory.h"
#include "sessions/SessionRegistry.h"
#include "telemetry/UsageTelemetry.h"

namespace testing_support {

// A telemetry logger that tells when its session was destroyed.
class WatchedLogger : public telemetry::SessionLogger {
 public:
  explicit WatchedLogger(std::atomic<int>* destroyed) : destroyed_(destroyed) {}
  ~WatchedLogger() override { destroyed_->fetch_add(1); }

 private:
  std::atomic<int>* destroyed_;
};

inline std::unique_ptr<miivi::IviWrapperInterface> binding(ViSession handle) {
  return miivi::IviWrapperFactory().createBinding(handle);
}

inline miivi::SessionReference makeSession(ViSession handle, int32_t language,
                                           const std::string& name,
                                           std::atomic<int>* destroyed = nullptr) {
  std::unique_ptr<telemetry::SessionLogger> logger;
  if (destroyed) logger = std::make_unique<WatchedLogger>(destroyed);
  voerr::PlatformStatus status;
  return miivi::SessionReference::adopt(
      new dvl::Session(binding(handle), language, 0, nullptr, name, std::move(logger)), status);
}

}  // namespace testing_support
