// Usage-telemetry hooks and the loggers they report to. No collection
// library is present, so a recording logger only counts events in process
// memory; when the "CEIP" feature toggle is off an inert logger is chosen
// instead. Hooks never fail, never lock and never allocate; only the first
// use of the process logger reads the settings file.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace telemetry {

enum class Event : uint8_t {
  kFunctionInvoked,
  kAttributeSet,
  kSessionOpened,
  kInstrumentUsed,
  kPluginLoaded,
  kRuntimeEnvironment,
  kGraphicalEnvironment,  // a session opened from the graphical environment
  kCount
};

// A usage logger that records nothing: what a session owns when telemetry
// is switched off, and the base of the recording one.
class SessionLogger {
 public:
  virtual ~SessionLogger() = default;
  virtual void record(Event) noexcept {}
  virtual uint64_t count(Event) const noexcept { return 0; }
  virtual bool recording() const noexcept { return false; }
};

// Counts each event; safe to report to from any number of threads.
class RecordingLogger final : public SessionLogger {
 public:
  void record(Event event) noexcept override {
    counts_[static_cast<size_t>(event)].fetch_add(1, std::memory_order_relaxed);
  }
  uint64_t count(Event event) const noexcept override {
    return counts_[static_cast<size_t>(event)].load(std::memory_order_relaxed);
  }
  bool recording() const noexcept override { return true; }

 private:
  std::atomic<uint64_t> counts_[static_cast<size_t>(Event::kCount)] = {};
};

// Whether usage telemetry may be collected: the feature toggle, read once
// per process; false when the toggles cannot even be built. Throws nothing,
// but a thread cancelled while the settings file is read unwinds through it
// (so do the two functions below and the hooks that use the process logger).
bool usageTelemetryEnabled();

// A new session's logger: recording when telemetry is enabled, else inert.
std::unique_ptr<SessionLogger> createSessionLogger();

// The process-wide logger of plugin loads and the runtime environment,
// chosen like a session's on first use.
SessionLogger& processLogger();

// The hooks at their call sites. A null logger (a lookup that must report
// nothing) is skipped.
inline void report(SessionLogger* logger, Event event) noexcept {
  if (logger != nullptr) logger->record(event);
}
inline void functionInvoked(SessionLogger* logger, const char* /*exportName*/) noexcept {
  report(logger, Event::kFunctionInvoked);
}
inline void attributeSet(SessionLogger* logger, uint32_t /*attributeId*/,
                         int64_t /*value*/) noexcept {
  report(logger, Event::kAttributeSet);
}
inline void sessionOpened(SessionLogger* logger, const char* /*resourceName*/,
                          bool fromGraphicalEnvironment) noexcept {
  report(logger, Event::kSessionOpened);
  if (fromGraphicalEnvironment) report(logger, Event::kGraphicalEnvironment);
}
inline void instrumentUsed(SessionLogger* logger, const char* /*productName*/,
                           const char* /*serialNumber*/, int /*simulationKind*/) noexcept {
  report(logger, Event::kInstrumentUsed);
}
inline void pluginLoaded(const char* /*libraryFile*/) {
  processLogger().record(Event::kPluginLoaded);
}
inline void runtimeEnvironment(const char* /*name*/, const char* /*version*/) {
  processLogger().record(Event::kRuntimeEnvironment);
}

}  // namespace telemetry
