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
  // lock, no allocation.
  bool isEnabled();

 private:
  friend IOTraceLinker& traceLinker();
  // constexpr: the one instance is ready before any dynamic initialiser of
  // the library runs.
  constexpr IOTraceLinker() : modeFlag_(&gTraceOffFlag) {}

  void resolveModeFlag();

  static IOTraceLinker instance_;

  std::atomic<const int32_t*> modeFlag_;
};

// The process-wide linker.
IOTraceLinker& traceLinker();

}  // namespace iotracetools
