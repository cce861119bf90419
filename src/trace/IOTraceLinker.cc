#include "trace/IOTraceLinker.h"

#include "platform/Primitives.h"
#include "status/PlatformStatus.h"

namespace iotracetools {

// The trace lock, created while the library initialises. Until then, and
// for good when its creation failed or once it is destroyed at exit,
// tracing is off.
class TraceLock {
 public:
  TraceLock() {
    voerr::PlatformStatus status;
    mutex_.create(status);
    created_.store(mutex_.created(), std::memory_order_release);
  }
  ~TraceLock() {
    created_.store(false, std::memory_order_release);
    IOTraceLinker::instance_.switchOff();
  }
  TraceLock(const TraceLock&) = delete;
  TraceLock& operator=(const TraceLock&) = delete;

  bool created() const { return created_.load(std::memory_order_acquire); }
  voapal::GuardMutex& mutex() { return mutex_; }

 private:
  voapal::GuardMutex mutex_;
  std::atomic<bool> created_{false};
};

IOTraceLinker IOTraceLinker::instance_;

namespace {

TraceLock gTraceLock;

}  // namespace

bool IOTraceLinker::isEnabledFirstTime() {
  if (!gTraceLock.created()) {
    return false;
  }
  resolveModeFlag();
  return __atomic_load_n(modeFlag_.load(std::memory_order_acquire), __ATOMIC_RELAXED) != 0;
}

void IOTraceLinker::resolveModeFlag() {
  voapal::GuardLock lock(gTraceLock.mutex());
  if (!unresolved_.load(std::memory_order_relaxed)) {
    return;
  }
  // Loads the logger; never null.
  modeFlag_.store(SnooprModeLocation(), std::memory_order_release);
  unresolved_.store(false, std::memory_order_release);
}

}  // namespace iotracetools
