// Usage-telemetry hooks. Nothing in the driver reads a result from them and
// no collection library is present, so they record nothing; the calls stay
// at their sites so a collector can be plugged in behind this header.
#pragma once

#include <cstdint>

namespace telemetry {

// The per-session usage logger a session owns.
class SessionLogger {
 public:
  virtual ~SessionLogger() = default;
};

inline void functionInvoked(SessionLogger*, const char* /*exportName*/) {}
inline void attributeSet(SessionLogger*, uint32_t /*attributeId*/, int64_t /*value*/) {}
inline void sessionOpened(SessionLogger*, const char* /*resourceName*/) {}
inline void instrumentUsed(SessionLogger*, const char* /*productName*/,
                           const char* /*serialNumber*/, int /*simulationKind*/) {}
inline void pluginLoaded(const char* /*libraryFile*/) {}
inline void runtimeEnvironment(const char* /*name*/, const char* /*version*/) {}

}  // namespace telemetry
