// Tells the call frame whether the I/O trace logger is recording. The
// records themselves go through the wrappers of SnooprBinding.h.
#pragma once

#include <atomic>
#include <cstdint>

#include "trace/SnooprBinding.h"

namespace iotracetools {

// Constants of the frame's calls into the logger.
enum : int32_t {
  kTraceApiType = 21,     // SnooprGetCookie apiType
  kTraceRecordFlags = 1,  // SnooprGetCookie flags
  kTraceTypeAddress = 14,
  kTraceTypeStatus = 23,
  kTraceTypeSession = 35,
  kTraceTypeText = 45,
};

class IOTraceLinker {
 public:
  virtual ~IOTraceLinker() = default;
  IOTraceLinker(const IOTraceLinker&) = delete;
  IOTraceLinker& operator=(const IOTraceLinker&) = delete;

  // Whether the logger's mode flag is non-zero now. The first call loads the
  // logger and fixes the flag's address; later calls read the flag only: no
  // call, no lock, no allocation (every export asks).
  bool isEnabled() {
    if (unresolved_.load(std::memory_order_acquire)) return isEnabledFirstTime();
    // The logger, or a test, writes the flag from any thread at any time.
    return __atomic_load_n(modeFlag_.load(std::memory_order_acquire), __ATOMIC_RELAXED) != 0;
  }

 private:
  friend IOTraceLinker& traceLinker();
  // constexpr: the one instance is ready before any dynamic initialiser of
  // the library runs.
  constexpr IOTraceLinker() : modeFlag_(&gTraceOffFlag) {}

  bool isEnabledFirstTime();
  void resolveModeFlag();
  // At exit, once the trace lock is gone: tracing is off for good.
  void switchOff() { modeFlag_.store(&gTraceOffFlag, std::memory_order_release); }
  friend class TraceLock;

  static IOTraceLinker instance_;

  std::atomic<const int32_t*> modeFlag_;
  std::atomic<bool> unresolved_{true};
};

// The process-wide linker.
inline IOTraceLinker& traceLinker() { return IOTraceLinker::instance_; }

}  // namespace iotracetools
